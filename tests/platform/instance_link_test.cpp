// instance_link_test.cpp - the running instance's socket: requests, replies, time-outs.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/instance_link.h"

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
  EXPECT_EQ(InstanceLinkSend(3, nullptr, 2000, reply), INSTANCE_REPLIED);
  EXPECT_EQ(reply, 3000u);
  stop = true;
  server.join();
  EXPECT_EQ(g_lastText, "");
  InstanceLinkClose();
  EXPECT_FALSE(std::filesystem::exists(INSTANCE_SOCKET_NAME));
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

TEST_F(InstanceLink, SilentSenderDoesNotHangTheRunningInstance) {
  ASSERT_EQ(InstanceLinkOpen(), 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, INSTANCE_SOCKET_NAME);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const uint8_t partial[3] = {129, 0, 0};  // a request cut short
  ASSERT_EQ(write(fd, partial, sizeof partial), 3);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(InstanceLinkServe(EchoLength), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(INSTANCE_READ_TIMEOUT_MS + 500));
  close(fd);
}

TEST_F(InstanceLink, SocketLeftByAnEndedInstanceIsReplaced) {
  close(BindRawSocket());  // bound, never listened: what a crashed instance leaves
  ASSERT_TRUE(std::filesystem::exists(INSTANCE_SOCKET_NAME));
  EXPECT_EQ(InstanceLinkFindRunning(), 0);
  EXPECT_EQ(InstanceLinkOpen(), 1);
  EXPECT_EQ(InstanceLinkFindRunning(), 1);
}

}  // namespace
