// messages_test.cpp - the window message queue: messages come out in the order they went in,
// a conditional peek takes the oldest only when it passes, and the event source is asked
// before every peek; the wait of a loop at rest ends for what arrives and else takes its time.
#include "platform/messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace {

int g_collected = 0;

// An event source that brings one new message each time it is asked: MSG_USER, MSG_USER + 1, ...
void CollectOne() { PostWindowMessage(MSG_USER + g_collected++, 0, 0); }

bool IsCharacter(const WindowMessage& m) { return m.id == MSG_CHAR; }
bool AnyMessage(const WindowMessage&) { return true; }

struct WindowMessages : ::testing::Test {
  void SetUp() override {
    SetMessageSource(nullptr);
    ClearWindowMessages();
    g_collected = 0;
  }
  void TearDown() override {
    SetMessageSource(nullptr);
    ClearWindowMessages();
  }
};

}  // namespace

TEST_F(WindowMessages, AConditionalPeekTakesTheOldestOnlyWhenItPasses) {
  PostWindowMessage(MSG_KEYDOWN, 'A', 1);
  PostWindowMessage(MSG_CHAR, 'a', 2);
  WindowMessage m;
  EXPECT_FALSE(PeekWindowMessageIf(m, IsCharacter)) << "the oldest is a key, not a character";
  EXPECT_EQ(CountWindowMessages(), 2) << "a refused message stays waiting";
  ASSERT_TRUE(PeekWindowMessage(m));
  EXPECT_EQ(m.id, uint32_t(MSG_KEYDOWN));
  ASSERT_TRUE(PeekWindowMessageIf(m, IsCharacter));
  EXPECT_EQ(m.id, uint32_t(MSG_CHAR));
  EXPECT_EQ(m.wParam, uint64_t('a'));
  EXPECT_EQ(m.lParam, 2);
  EXPECT_EQ(CountWindowMessages(), 0) << "the accepted message is taken";
  EXPECT_FALSE(PeekWindowMessageIf(m, AnyMessage)) << "nothing waits";
}

TEST_F(WindowMessages, TheEventSourceIsAskedBeforeEitherPeekAndClearingEmptiesTheQueue) {
  SetMessageSource(CollectOne);
  WindowMessage m;
  ASSERT_TRUE(PeekWindowMessageIf(m, AnyMessage));
  EXPECT_EQ(m.id, uint32_t(MSG_USER)) << "the source's first message";
  ASSERT_TRUE(PeekWindowMessage(m));
  EXPECT_EQ(m.id, uint32_t(MSG_USER + 1)) << "the source's second message";
  EXPECT_EQ(g_collected, 2);
  SetMessageSource(nullptr);
  EXPECT_FALSE(PeekWindowMessage(m)) << "without a source nothing new arrives";

  PostWindowMessage(MSG_PAINT, 0, 0);
  PostWindowMessage(MSG_PAINT, 0, 0);
  ClearWindowMessages();
  EXPECT_EQ(CountWindowMessages(), 0);
  EXPECT_FALSE(PeekWindowMessage(m));
}

// ---- the wait of a loop at rest ----

// Under the fake clock the wait only looks: with nothing to wake it, the clock moves on by its
// time (or the limit a source put on it); a message, a wake or a readable watched descriptor
// ends it at once, the clock standing still.
TEST_F(WindowMessages, AWaitEndsAtOnceForAMessageAWakeOrAWatchedDescriptorAndElseTakesItsTime) {
  ClockUseFake(5000, WallTime{2026, 1, 1, 0, 0, 0, 0, 4});
  EXPECT_EQ(WaitForMessages(700), WAIT_TIMED_OUT);
  EXPECT_EQ(ClockNowMs(), 5700u);
  LimitMessageWait(10);
  EXPECT_EQ(WaitForMessages(700), WAIT_TIMED_OUT);
  EXPECT_EQ(ClockNowMs(), 5710u) << "a source that cannot be watched cuts the wait short";
  LimitMessageWait(0);

  PostWindowMessage(MSG_PAINT, 0, 0);
  EXPECT_EQ(WaitForMessages(700), WAIT_WOKEN);
  ClearWindowMessages();
  SetMessageSource(CollectOne);
  EXPECT_EQ(WaitForMessages(700), WAIT_WOKEN) << "the source's events are collected first";
  SetMessageSource(nullptr);
  ClearWindowMessages();
  WakeMessageWait();
  EXPECT_EQ(WaitForMessages(700), WAIT_WOKEN);
  EXPECT_EQ(ClockNowMs(), 5710u);
  EXPECT_EQ(WaitForMessages(700), WAIT_TIMED_OUT) << "a wake is taken once";

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  WatchDescriptor(ends[0]);
  WatchDescriptor(ends[0]);
  ASSERT_EQ(write(ends[1], "x", 1), 1);
  EXPECT_EQ(WaitForMessages(700), WAIT_WOKEN);
  UnwatchDescriptor(ends[0]);
  EXPECT_EQ(WaitForMessages(700), WAIT_TIMED_OUT) << "watched once, unwatched once";
  close(ends[0]);
  close(ends[1]);
  ClockUseReal();
}

// Posts and wakes from other threads end a wait under way.  The wait is long: a wake that
// never came would show as a wait that timed out, not as a slow test that passes.
TEST_F(WindowMessages, PostsAndWakesFromOtherThreadsEndAWaitUnderWay) {
  for (const bool post : {true, false}) {
    std::thread other([post] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (post)
        PostWindowMessage(MSG_USER, 0, 0);
      else
        WakeMessageWait();
    });
    EXPECT_EQ(WaitForMessages(60000), WAIT_WOKEN) << (post ? "a post" : "a wake");
    other.join();
    ClearWindowMessages();
  }
}
