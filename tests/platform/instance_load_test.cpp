// instance_load_test.cpp - the running instance's socket under clients that connect and
// say nothing: the frame loop keeps its rate and a real request still gets its answer.
// Real sockets, real time: this test runs 40 s, so it is a binary of its own that ctest
// runs beside the others.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/instance_link.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int IDLE_CLIENTS = 8;
constexpr auto RUN_TIME = std::chrono::seconds(40);
constexpr auto PASS_PERIOD = std::chrono::milliseconds(10);  // the frame loop's schedule

uint32_t Answer(uint32_t code, const char* text) { return code * 1000 + static_cast<uint32_t>(std::strlen(text)); }

// Connects, sends the start of a request (every second client sends nothing at all) and
// holds the connection until the instance drops it; then does it again.
void IdleClient(int index, const std::atomic<bool>& stop, std::atomic<int>& connections) {
  while (!stop) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, INSTANCE_SOCKET_NAME);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    ++connections;
    const uint8_t head[2] = {130, 0};
    if (index % 2 && send(fd, head, sizeof head, MSG_NOSIGNAL) != 2) {
      close(fd);
      continue;
    }
    while (!stop) {
      pollfd entry{fd, POLLIN, 0};
      if (poll(&entry, 1, 50) > 0) {
        char byte;
        if (recv(fd, &byte, 1, 0) <= 0) break;  // dropped by the instance
      }
    }
    close(fd);
  }
}

TEST(InstanceLinkLoad, IdleClientsLeaveTheFrameRateAndAnotherClientsAnswerUnchanged) {
  const auto previous = std::filesystem::current_path();
  const auto folder = previous / "link_load";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  ASSERT_EQ(InstanceLinkOpen(), 1);

  std::atomic<bool> stop{false};
  std::atomic<int> idleConnections{0};
  std::vector<std::thread> idle;
  for (int i = 0; i < IDLE_CLIENTS; ++i) idle.emplace_back(IdleClient, i, std::cref(stop), std::ref(idleConnections));

  // The ninth client asks every quarter of a second and times the answer.
  std::mutex answersLock;
  std::vector<double> answerMs;
  int wrongAnswers = 0;
  std::thread ninth([&] {
    while (!stop) {
      const auto asked = Clock::now();
      uint32_t reply = 0;
      const InstanceSendResult result = InstanceLinkSend(3, "ninth", 2000, reply);
      const double took = Ms(Clock::now() - asked).count();
      {
        std::lock_guard<std::mutex> lock(answersLock);
        if (result == INSTANCE_REPLIED && reply == 3005u)
          answerMs.push_back(took);
        else
          ++wrongAnswers;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
  });

  // The frame loop: a pass every 10 ms on a fixed schedule, serving the socket each time.
  std::vector<double> serveMs;
  const auto start = Clock::now();
  auto next = start;
  while (Clock::now() - start < RUN_TIME) {
    const auto before = Clock::now();
    InstanceLinkServe(Answer);
    serveMs.push_back(Ms(Clock::now() - before).count());
    next += PASS_PERIOD;
    std::this_thread::sleep_until(next);
  }
  const double elapsedMs = Ms(Clock::now() - start).count();
  stop = true;
  ninth.join();
  for (std::thread& t : idle) t.join();
  InstanceLinkClose();
  std::filesystem::current_path(previous);

  // The idle clients were there all along: each was dropped after its half second and came back.
  EXPECT_GE(idleConnections.load(), IDLE_CLIENTS * 40);
  // The frame rate: the schedule's passes, and one pass's time on the socket stays small.
  const double expectedPasses = elapsedMs / std::chrono::duration_cast<Ms>(PASS_PERIOD).count();
  EXPECT_GE(static_cast<double>(serveMs.size()), 0.75 * expectedPasses);
  std::sort(serveMs.begin(), serveMs.end());
  const double serve99 = serveMs[serveMs.size() * 99 / 100];
  // A stall for one idle client was 500 ms.  The bounds stay well under that and leave room
  // for a test machine busy with other suites, or one running this under the sanitizers.
  EXPECT_LE(serve99, INSTANCE_SERVE_BUDGET_MS + 48.0) << "99th percentile of one pass on the socket";
  // The ninth client's answers came, promptly.  On a machine loaded by other suites a rare
  // request can miss its 2 s (seen once in some hundred runs); a socket that stalled would
  // miss most of them.
  ASSERT_GE(answerMs.size(), 100u);
  EXPECT_LE(wrongAnswers * 50, static_cast<int>(answerMs.size())) << "at most one answer in fifty missing";
  std::sort(answerMs.begin(), answerMs.end());
  EXPECT_LE(answerMs[answerMs.size() / 2], 40.0) << "median answer time";
  // The slow tail, by the same one in fifty: a socket that waited on its idle clients would
  // keep a request waiting through their stalls again and again.  The very slowest answer
  // is not bounded: on a machine busy with a build and other suites one request once waited
  // 1.3 s while the socket was sound.
  EXPECT_LE(answerMs[answerMs.size() * 49 / 50], 1000.0) << "one answer in fifty: less than two idle clients' stalls";
}

}  // namespace
