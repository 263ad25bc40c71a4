// instance_link_test.cpp - the running instance's socket: requests, replies, time-outs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/instance_link.h"
#include "platform/messages.h"
#include "tests/platform/instance_link_client.h"
#include "tests/platform/open_descriptors.h"

namespace {

class InstanceLink : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::current_path() / "link" / info->name();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
  }
  void TearDown() override {
    InstanceLinkClose();
    std::filesystem::current_path(previous_);
  }
  std::filesystem::path folder_, previous_;
};

// A raw socket bound to the instance's name, for instances that misbehave.
int BindRawSocket() {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, INSTANCE_SOCKET_NAME);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

std::string g_lastText;
uint32_t EchoLength(uint32_t code, const char* text) {
  g_lastText = text;
  return code * 1000 + static_cast<uint32_t>(std::strlen(text));
}

TEST_F(InstanceLink, RequestReachesTheServingThreadAndReplyComesBack) {
  EXPECT_EQ(InstanceLinkFindRunning(), 0);
  uint32_t reply = 99;
  EXPECT_EQ(InstanceLinkSend(129, "x", 200, reply), INSTANCE_NOT_RUNNING);
  ASSERT_EQ(InstanceLinkOpen(), 1);
  EXPECT_EQ(InstanceLinkFindRunning(), 1);
  std::atomic<bool> stop{false};
  std::thread server([&] {
    while (!stop) {
      InstanceLinkServe(EchoLength);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  EXPECT_EQ(InstanceLinkSend(130, "00A1B2", 2000, reply), INSTANCE_REPLIED);
  EXPECT_EQ(reply, 130006u);
  const std::string longText(100, 'y');  // cut to 63 characters on the way
  EXPECT_EQ(InstanceLinkSend(1, longText.c_str(), 2000, reply), INSTANCE_REPLIED);
  EXPECT_EQ(reply, 1063u);
  // Every byte of the code and of the reply travels: 0x12345678 * 1000 + 2 is 0x1C71C4C2
  // modulo 2 to the 32nd (305419896002 = 71 * 4294967296 + 477217986).
  EXPECT_EQ(InstanceLinkSend(0x12345678u, "ab", 2000, reply), INSTANCE_REPLIED);
  EXPECT_EQ(reply, 0x1C71C4C2u);
  EXPECT_EQ(InstanceLinkSend(3, nullptr, 2000, reply), INSTANCE_REPLIED);
  EXPECT_EQ(reply, 3000u);
  stop = true;
  server.join();
  EXPECT_EQ(g_lastText, "");
  InstanceLinkClose();
  EXPECT_FALSE(std::filesystem::exists(INSTANCE_SOCKET_NAME));
}

// Asking whether an instance runs connects and hangs up: no descriptor is left open by the
// asking side, and the serving side drops what it accepted once it sees the hang-up.
TEST_F(InstanceLink, AskingWhetherAnInstanceRunsLeavesNoDescriptorOpen) {
  ASSERT_EQ(InstanceLinkOpen(), 1);
  const int before = OpenDescriptors();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(InstanceLinkFindRunning(), 1);
  EXPECT_EQ(OpenDescriptors(), before);
  InstanceLinkServe(EchoLength);
  InstanceLinkServe(EchoLength);
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(InstanceLink, HungInstanceTimesOutTheSender) {
  const int fd = BindRawSocket();
  ASSERT_EQ(listen(fd, 4), 0);  // accepts into its backlog, never answers
  uint32_t reply = 5;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(InstanceLinkSend(129, "Game", 300, reply), INSTANCE_TIMED_OUT);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
  EXPECT_EQ(reply, 0u);
  close(fd);
  unlink(INSTANCE_SOCKET_NAME);
}

// Asking a folder where nobody listens, or sending to an instance that never answers, leaves
// no descriptor open on the asking side.
TEST_F(InstanceLink, AskingNobodyOrAHungInstanceLeavesNoDescriptorOpen) {
  const int before = OpenDescriptors();
  EXPECT_EQ(InstanceLinkFindRunning(), 0);
  uint32_t reply = 0;
  EXPECT_EQ(InstanceLinkSend(1, "x", 100, reply), INSTANCE_NOT_RUNNING);
  EXPECT_EQ(OpenDescriptors(), before) << "nobody listening";
  close(BindRawSocket());  // a socket file nobody answers on
  EXPECT_EQ(InstanceLinkFindRunning(), 0);
  EXPECT_EQ(OpenDescriptors(), before) << "a refused connection";
  unlink(INSTANCE_SOCKET_NAME);
  const int hung = BindRawSocket();
  ASSERT_EQ(listen(hung, 4), 0);  // accepts into its backlog, never answers
  const int listening = OpenDescriptors();
  EXPECT_EQ(InstanceLinkSend(2, "y", 100, reply), INSTANCE_TIMED_OUT);
  EXPECT_EQ(OpenDescriptors(), listening) << "the sender's connection closed";
  close(hung);
  unlink(INSTANCE_SOCKET_NAME);
}

// Waits up to ms for the reply (4 bytes) or the end of the connection: the reply, -1 when
// the instance closed without one, -2 when nothing came.
int64_t ReplyOrEnd(int fd, int ms) {
  uint8_t bytes[4];
  size_t have = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    const ssize_t got = recv(fd, bytes + have, sizeof bytes - have, 0);
    if (got == 0) return -1;
    if (got > 0 && (have += static_cast<size_t>(got)) == sizeof bytes)
      return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (int64_t{bytes[3]} << 24);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -2;
}

// A loop at rest is woken by a new connection and by each piece of a request (its waits are
// long: a wake that never came would show as a wait that timed out).
TEST_F(InstanceLink, RequestsArriveInPiecesAcrossPassesAndSilentSendersAreDropped) {
  ASSERT_EQ(InstanceLinkOpen(), 1);
  EXPECT_EQ(WaitForMessages(0), WAIT_TIMED_OUT) << "nobody connects";
  const int silent = ConnectRaw();
  const int slow = ConnectRaw();
  ASSERT_GE(silent, 0);
  ASSERT_GE(slow, 0);
  const uint8_t head[3] = {129, 0, 0};  // a request cut short
  ASSERT_EQ(write(slow, head, sizeof head), 3);
  EXPECT_EQ(WaitForMessages(60000), WAIT_WOKEN) << "connections wait";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(InstanceLinkServe(EchoLength), 0);  // nothing complete: the pass never waits
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(WaitForMessages(0), WAIT_TIMED_OUT) << "what arrived is read";
  const uint8_t rest[4] = {0, 2, 'o', 'k'};  // code 129, two characters
  ASSERT_EQ(write(slow, rest, sizeof rest), 4);
  EXPECT_EQ(WaitForMessages(60000), WAIT_WOKEN) << "the rest of a request";
  EXPECT_EQ(InstanceLinkServe(EchoLength), 1);
  EXPECT_EQ(ReplyOrEnd(slow, 1000), 129002);
  EXPECT_EQ(g_lastText, "ok");

  // The silent one is still held within its time, and dropped without a reply after it.
  EXPECT_EQ(ReplyOrEnd(silent, 100), -2);
  std::this_thread::sleep_for(std::chrono::milliseconds(INSTANCE_READ_TIMEOUT_MS + 20));
  EXPECT_EQ(InstanceLinkServe(EchoLength), 0);
  EXPECT_EQ(ReplyOrEnd(silent, 1000), -1);

  // A text length above the limit is a damaged request: dropped at once, no reply.
  const int damaged = ConnectRaw();
  const uint8_t bad[5] = {1, 0, 0, 0, INSTANCE_TEXT_MAX + 1};
  ASSERT_EQ(write(damaged, bad, sizeof bad), 5);
  EXPECT_EQ(InstanceLinkServe(EchoLength), 0);
  EXPECT_EQ(ReplyOrEnd(damaged, 1000), -1);
  close(silent);
  close(slow);
  close(damaged);
}

// A program started with its standard input closed gets descriptor 0 for its listening
// socket, or for a connection it accepts: either serves and is closed like any other.  A
// connection on 0 holds its place in the table while another arrives.  In a forked process,
// so the test binary's own descriptor 0 is never touched.
TEST_F(InstanceLink, TheSocketOrAConnectionOnDescriptorZeroServesAndCloses) {
  const pid_t process = fork();
  if (process == 0) {
    const uint8_t request[7] = {129, 0, 0, 0, 2, 'o', 'k'};  // code 129, two characters
    ::close(0);
    if (InstanceLinkOpen() != 1 || fcntl(0, F_GETFD) == -1) _exit(1);
    if (!InstanceLinkListening() || InstanceLinkOpen() != 1) _exit(2);
    const int client = ConnectRaw();
    if (client < 0 || write(client, request, 7) != 7 || InstanceLinkServe(EchoLength) != 1 ||
        ReplyOrEnd(client, 1000) != 129002)
      _exit(3);
    close(client);
    InstanceLinkClose();
    if (std::filesystem::exists(INSTANCE_SOCKET_NAME) || fcntl(0, F_GETFD) != -1) _exit(4);

    const int placeholder = open("/dev/null", O_RDONLY);  // holds 0 while the socket is made
    if (placeholder != 0 || InstanceLinkOpen() != 1) _exit(5);
    const int first = ConnectRaw();
    close(placeholder);
    if (first < 0 || write(first, request, 3) != 3 || InstanceLinkServe(EchoLength) != 0 || fcntl(0, F_GETFD) == -1)
      _exit(6);
    const int second = ConnectRaw();
    if (second < 0 || InstanceLinkServe(EchoLength) != 0) _exit(7);
    if (write(first, request + 3, 4) != 4 || InstanceLinkServe(EchoLength) != 1 || ReplyOrEnd(first, 1000) != 129002)
      _exit(8);
    if (fcntl(0, F_GETFD) != -1) _exit(9);
    close(first);
    close(second);
    InstanceLinkClose();
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(process, &status, 0), process);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1 socket not on 0, 2 not listening, 3 not served, 4 not closed, "
                                       "5 not reopened, 6 connection not taken on 0, 7 second refused, "
                                       "8 first lost, 9 connection left open";
}

TEST_F(InstanceLink, TheSocketIsForThisUserWhateverTheUmask) {
  const mode_t previous = umask(0);
  const int opened = InstanceLinkOpen();
  umask(previous);
  ASSERT_EQ(opened, 1);
  struct stat st;
  ASSERT_EQ(stat(INSTANCE_SOCKET_NAME, &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

std::vector<uint32_t> g_refused;
void RecordRefused(uint32_t userId) { g_refused.push_back(userId); }

TEST_F(InstanceLink, AConnectionOfAnotherUserIsClosedAndReported) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  ASSERT_EQ(InstanceLinkOpen(), 1);
  g_refused.clear();
  g_lastText = "untouched";
  const pid_t child = fork();
  if (child == 0) {
    // Another user id, keeping root's file access so that the file's mode does not stop it
    // first: the peer check alone must.
    if (seteuid(65534) != 0) _exit(10);
    setfsuid(0);
    const int fd = ConnectRaw();
    if (fd < 0) _exit(11);
    const uint8_t request[6] = {1, 0, 0, 0, 1, 'x'};
    if (write(fd, request, sizeof request) != 6) _exit(12);
    _exit(ReplyOrEnd(fd, 3000) == -1 ? 0 : 13);
  }
  int status = -1;
  for (int i = 0; i < 300 && waitpid(child, &status, WNOHANG) == 0; ++i) {
    InstanceLinkServe(EchoLength, RecordRefused);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(g_refused.size(), 1u);
  EXPECT_EQ(g_refused[0], 65534u);
  EXPECT_EQ(g_lastText, "untouched");
}

TEST_F(InstanceLink, AFullQueueIsAskedAgainUntilTheTimeIsUp) {
  ASSERT_EQ(InstanceLinkOpen(), 1);
  std::vector<int> waiting;  // connections the instance has not accepted yet
  for (int fd; waiting.size() < 100 && (fd = ConnectRaw()) >= 0;) waiting.push_back(fd);
  ASSERT_LT(waiting.size(), 100u) << "the queue never filled";
  EXPECT_EQ(InstanceLinkFindRunning(), 1);  // a full queue has an instance behind it
  uint32_t reply = 0;
  std::atomic<int> result{-1};
  std::thread sender([&] { result = InstanceLinkSend(2, "abc", INSTANCE_REPLY_TIMEOUT_MS, reply); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the sender meets the full queue
  EXPECT_EQ(result, -1);
  for (int fd : waiting) close(fd);
  for (int i = 0; i < 300 && result < 0; ++i) {
    InstanceLinkServe(EchoLength);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  sender.join();
  EXPECT_EQ(result, INSTANCE_REPLIED);
  EXPECT_EQ(reply, 2003u);
}

// Only a socket of this user's that nobody answers on is taken as left by an instance that
// ended: a plain file or a link of that name, or another user's socket, stays as it is (and
// this instance does not listen); closing removes only the socket file this instance made.
TEST_F(InstanceLink, SocketLeftByAnEndedInstanceIsReplaced) {
  namespace fs = std::filesystem;
  {
    std::ofstream(INSTANCE_SOCKET_NAME) << "the user's";
  }
  EXPECT_EQ(InstanceLinkOpen(), 0);
  EXPECT_TRUE(fs::is_regular_file(INSTANCE_SOCKET_NAME));
  ASSERT_TRUE(fs::remove(INSTANCE_SOCKET_NAME));
  fs::create_symlink("elsewhere.sock", INSTANCE_SOCKET_NAME);
  EXPECT_EQ(InstanceLinkOpen(), 0);
  EXPECT_TRUE(fs::is_symlink(INSTANCE_SOCKET_NAME));
  ASSERT_TRUE(fs::remove(INSTANCE_SOCKET_NAME));
  close(BindRawSocket());
  if (chown(INSTANCE_SOCKET_NAME, 4242, 4242) == 0) {  // root can give it away
    EXPECT_EQ(InstanceLinkOpen(), 0);
    EXPECT_TRUE(fs::is_socket(INSTANCE_SOCKET_NAME)) << "another user's socket";
    ASSERT_TRUE(fs::remove(INSTANCE_SOCKET_NAME));
  }

  close(BindRawSocket());  // bound, never listened: what a crashed instance leaves
  ASSERT_TRUE(fs::exists(INSTANCE_SOCKET_NAME));
  EXPECT_EQ(InstanceLinkFindRunning(), 0);
  EXPECT_EQ(InstanceLinkOpen(), 1);
  EXPECT_EQ(InstanceLinkFindRunning(), 1);
  fs::rename(INSTANCE_SOCKET_NAME, "moved.sock");
  std::ofstream(INSTANCE_SOCKET_NAME) << "put there since";
  InstanceLinkClose();
  EXPECT_TRUE(fs::is_regular_file(INSTANCE_SOCKET_NAME));
}

// A second start while an instance answers on the socket gives up without taking it over,
// and the socket it made for itself is closed again.
TEST_F(InstanceLink, OpeningWhileAnotherInstanceAnswersFailsAndLeavesNoDescriptorOpen) {
  const int other = BindRawSocket();
  ASSERT_EQ(listen(other, 8), 0);  // the running instance
  const int before = OpenDescriptors();
  EXPECT_EQ(InstanceLinkOpen(), 0);
  EXPECT_FALSE(InstanceLinkListening());
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(std::filesystem::exists(INSTANCE_SOCKET_NAME));  // still the other one's
  close(other);
  unlink(INSTANCE_SOCKET_NAME);
}

// The table holds INSTANCE_CONNECTION_MAX connections: once it is full, a new one takes the
// place of the oldest, which is closed without a reply, and the newcomer is served.  Each of
// the first ones is accepted (a serving side descriptor more) before the next is made, so that
// their ages are in the order they were made.
TEST_F(InstanceLink, ANewConnectionBeyondAFullTableClosesTheOldest) {
  ASSERT_EQ(InstanceLinkOpen(), 1);
  const int base = OpenDescriptors();
  const auto start = std::chrono::steady_clock::now();
  std::vector<int> clients;
  for (int i = 0; i < INSTANCE_CONNECTION_MAX; ++i) {
    const int fd = ConnectRaw();
    ASSERT_GE(fd, 0) << i;
    clients.push_back(fd);
    for (int pass = 0; pass < 1000 && OpenDescriptors() != base + 2 * (i + 1); ++pass) InstanceLinkServe(EchoLength);
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(INSTANCE_READ_TIMEOUT_MS / 2)) {
      for (int client : clients) close(client);
      GTEST_SKIP() << "the table was not filled within a request's time: silent connections could time out";
    }
    ASSERT_EQ(OpenDescriptors(), base + 2 * (i + 1)) << "connection " << i << " accepted";
  }
  // The newcomer sends its whole request at once: the pass that accepts it answers it.
  const int newest = ConnectRaw();
  ASSERT_GE(newest, 0);
  const uint8_t request[7] = {7, 0, 0, 0, 2, 'h', 'i'};  // code 7, two characters
  ASSERT_EQ(write(newest, request, sizeof request), 7);
  int served = 0;
  for (int pass = 0; pass < 1000 && served == 0; ++pass) served = InstanceLinkServe(EchoLength);
  EXPECT_EQ(served, 1);
  EXPECT_EQ(ReplyOrEnd(newest, 1000), 7002);
  EXPECT_EQ(ReplyOrEnd(clients[0], 1000), -1) << "the oldest was closed";
  // The clients, and the 15 connections still held: the oldest and the newcomer's are closed.
  EXPECT_EQ(OpenDescriptors(), base + INSTANCE_CONNECTION_MAX + 1 + INSTANCE_CONNECTION_MAX - 1);
  for (int fd : clients) close(fd);
  close(newest);
}

// A program started with its standard input closed asks the running instance over a socket
// that gets descriptor 0: it is found running, a request to it times out (nobody serves it
// here), and the asking socket is closed each time.  In a forked process, so the test binary's
// own descriptor 0 is never touched.
TEST_F(InstanceLink, AnAskingSocketOnDescriptorZeroReachesTheInstance) {
  const pid_t process = fork();
  if (process == 0) {
    if (InstanceLinkOpen() != 1) _exit(1);
    ::close(0);
    if (InstanceLinkFindRunning() != 1) _exit(2);
    if (fcntl(0, F_GETFD) != -1) _exit(3);
    uint32_t reply = 0;
    if (InstanceLinkSend(5, "z", 100, reply) != INSTANCE_TIMED_OUT) _exit(4);
    if (fcntl(0, F_GETFD) != -1) _exit(5);
    InstanceLinkClose();
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(process, &status, 0), process);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1 not opened, 2 not found running, 3 asking socket left open, "
                                       "4 request did not time out, 5 sending socket left open";
}

}  // namespace
