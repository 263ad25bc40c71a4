// instance_link_deadline_test.cpp - the running instance's socket at the very tick of a
// silent connection's deadline.
//
// The steady clock is the test's own: this binary defines clock_gettime, which the standard
// library's steady_clock calls, and while the clock is frozen CLOCK_MONOTONIC reads the value
// the test set.  Any other clock, and the monotonic one when not frozen, is the kernel's.  So
// a serving pass can be made to fall exactly on a deadline without any real wait; a binary of
// its own, so that no other test runs on the frozen clock.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/instance_link.h"
#include "tests/platform/instance_link_client.h"

namespace {

std::atomic<bool> g_frozen{false};
std::atomic<int64_t> g_frozenNs{0};  // what CLOCK_MONOTONIC reads while frozen

void FreezeClockAt(std::chrono::nanoseconds at) {
  g_frozenNs = at.count();
  g_frozen = true;
}

}  // namespace

extern "C" int clock_gettime(clockid_t id, struct timespec* ts) noexcept {
  if (id == CLOCK_MONOTONIC && g_frozen) {
    const int64_t ns = g_frozenNs;
    ts->tv_sec = static_cast<time_t>(ns / 1000000000);
    ts->tv_nsec = static_cast<long>(ns % 1000000000);
    return 0;
  }
  return static_cast<int>(syscall(SYS_clock_gettime, id, ts));
}

namespace {

class InstanceLinkDeadline : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    previous_ = std::filesystem::current_path();
    folder_ = previous_ / (std::string("link_deadline_") + info->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
  }
  void TearDown() override {
    InstanceLinkClose();
    g_frozen = false;
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
  }
  std::filesystem::path folder_, previous_;
};

// What the client's end sees now, without waiting: "held" while the instance keeps the
// connection and has sent nothing, "closed" once it dropped it.
std::string ClientSees(int fd) {
  char byte;
  const ssize_t got = recv(fd, &byte, 1, MSG_DONTWAIT);
  if (got == 0) return "closed";
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return "held";
  return got > 0 ? "a byte" : "error " + std::to_string(errno);
}

uint32_t Answer(uint32_t code, const char*) { return code; }

// The frozen clock is the one steady_clock reads; else the test below would prove nothing.
TEST_F(InstanceLinkDeadline, TheSteadyClockReadsTheFrozenTime) {
  FreezeClockAt(std::chrono::seconds(1000) + std::chrono::nanoseconds(7));
  EXPECT_EQ(std::chrono::steady_clock::now().time_since_epoch(),
            std::chrono::seconds(1000) + std::chrono::nanoseconds(7));
}

// A connection accepted at T that sends nothing is held by a pass one nanosecond before
// T + INSTANCE_READ_TIMEOUT_MS and dropped, without a reply, by a pass at that very time.
TEST_F(InstanceLinkDeadline, ASilentConnectionIsDroppedByThePassThatFallsOnItsDeadline) {
  const auto accepted = std::chrono::seconds(1000);
  const auto deadline = accepted + std::chrono::milliseconds(INSTANCE_READ_TIMEOUT_MS);
  FreezeClockAt(accepted);
  ASSERT_EQ(InstanceLinkOpen(), 1);
  const int client = ConnectRaw();
  ASSERT_GE(client, 0);
  EXPECT_EQ(InstanceLinkServe(Answer), 0);  // accepted at 1000 s, nothing to read
  EXPECT_EQ(ClientSees(client), "held");

  FreezeClockAt(deadline - std::chrono::nanoseconds(1));
  EXPECT_EQ(InstanceLinkServe(Answer), 0);
  EXPECT_EQ(ClientSees(client), "held") << "within its time";

  FreezeClockAt(deadline);
  EXPECT_EQ(InstanceLinkServe(Answer), 0);
  EXPECT_EQ(ClientSees(client), "closed") << "its time is up at 1000.5 s";
  close(client);
}

}  // namespace
