// messages_test.cpp - the window message queue: messages come out in the order they went in,
// a conditional peek takes the oldest only when it passes, and the event source is asked
// before every peek.
#include "platform/messages.h"

#include <gtest/gtest.h>

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
