// window_test.cpp - the window layer on the real SDL2 video: placement, displays, the
// cursor, and the event source that fills the message queue in order.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/clipboard.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace {

class PlatformWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(PlatformVideoStart(), 1) << PlatformLastError();
    ASSERT_EQ(PlatformCreateWindow("test", 100, 50, 320, 240, WINDOW_OPENGL), 1) << PlatformLastError();
    PlatformInstallEventSource();
    SDL_Delay(20);
    ClearWindowMessages();
    WindowMessage m;
    while (PeekWindowMessage(m)) {
    }
  }
  void TearDown() override {
    PlatformDestroyWindow();
    PlatformVideoStop();
    ClearWindowMessages();
  }
};

TEST_F(PlatformWindowTest, TheClientAreaIsPlacedAndReadBackOnTheDesktop) {
  PlatformRect r{};
  ASSERT_EQ(PlatformClientRect(r), 1);
  EXPECT_EQ(r.Width(), 320);
  EXPECT_EQ(r.Height(), 240);
  PlatformPlaceClient(PlatformRect{40, 30, 40 + 200, 30 + 100});
  ASSERT_EQ(PlatformClientRect(r), 1);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.Width(), 200);
  EXPECT_EQ(r.Height(), 100);
  EXPECT_EQ(PlatformCreateWindow("again", 0, 0, 10, 10, 0), 1) << "the one window is kept";
  ASSERT_EQ(PlatformClientRect(r), 1);
  EXPECT_EQ(r.Width(), 200);
}

// A window or client area asked for with no width or height (or less) gets one pixel of each.
TEST_F(PlatformWindowTest, AClientAreaOfNoSizeIsOnePixelWideAndHigh) {
  PlatformRect r{};
  PlatformPlaceClient(PlatformRect{40, 30, 40, 30});
  ASSERT_EQ(PlatformClientRect(r), 1);
  EXPECT_EQ(r.Width(), 1);
  EXPECT_EQ(r.Height(), 1);
  PlatformPlaceClient(PlatformRect{40, 30, 40 + 2, 30 + 3});
  ASSERT_EQ(PlatformClientRect(r), 1);
  EXPECT_EQ(r.Width(), 2) << "two pixels stay two";
  EXPECT_EQ(r.Height(), 3);
  PlatformDestroyWindow();
  ASSERT_EQ(PlatformCreateWindow("empty", 10, 20, 0, -5, 0), 1) << PlatformLastError();
  ASSERT_EQ(PlatformClientRect(r), 1);
  EXPECT_EQ(r.Width(), 1);
  EXPECT_EQ(r.Height(), 1);
  PlatformDestroyWindow();
  ASSERT_EQ(PlatformCreateWindow("small", 10, 20, 2, 3, 0), 1) << PlatformLastError();
  ASSERT_EQ(PlatformClientRect(r), 1);
  EXPECT_EQ(r.Width(), 2);
  EXPECT_EQ(r.Height(), 3);
}

TEST_F(PlatformWindowTest, TheNearestDisplayAndTheDesktopCoverTheDisplays) {
  ASSERT_GE(PlatformDisplayCount(), 1);
  PlatformRect first{}, desktop{};
  ASSERT_EQ(PlatformDisplayBounds(0, first), 1);
  PlatformVirtualDesktop(desktop);
  EXPECT_LE(desktop.left, first.left);
  EXPECT_GE(desktop.right, first.right);
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{first.left + 1, first.top + 1, first.left + 50, first.top + 50}), 0);
  // A rectangle far outside every display still finds the nearest one.
  EXPECT_GE(PlatformDisplayNearest(PlatformRect{-100000, -100000, -99000, -99000}), 0);
  EXPECT_EQ(PlatformDisplayBounds(9999, first), 0);
}

// Answers the display calls from the given rectangles while it lives, the real displays after.
struct FakeDisplays {
  FakeDisplays(const PlatformRect* displays, int count) { PlatformUseFakeDisplays(displays, count); }
  ~FakeDisplays() { PlatformUseFakeDisplays(nullptr, 0); }
  FakeDisplays(const FakeDisplays&) = delete;
  FakeDisplays& operator=(const FakeDisplays&) = delete;
};

// Two 1920 x 1080 displays side by side, the second to the right of the first.  A rectangle
// on neither is given the one nearest to it, and of two at the same distance the first.
TEST(PlatformDisplays, ARectangleOnNoDisplayGoesToTheNearestAndOnATieToTheFirst) {
  const PlatformRect sideBySide[2] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
  const FakeDisplays fake(sideBySide, 2);
  ASSERT_EQ(PlatformDisplayCount(), 2);
  PlatformRect second{};
  ASSERT_EQ(PlatformDisplayBounds(1, second), 1);
  EXPECT_EQ(second.left, 1920);
  EXPECT_EQ(second.right, 3840);
  // Mostly on the second: the larger share wins.
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{1900, 100, 2100, 300}), 1);
  // Above the seam, 100 pixels over both tops (x 1820..2020 lies over each display's columns):
  // 100 * 100 = 10000 from each, and the first is taken.
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{1820, -300, 2020, -100}), 0);
  // Below and right of the second: 120 below it, but 1080 right of and 120 below the first.
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{3000, 1200, 3100, 1300}), 1);
  // Left of the first, 100 pixels out: 100 * 100 from it and 2020 * 2020 from the second.
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{-300, 100, -100, 300}), 0);
}

// The desktop spans every display, whichever of them holds its edges: here the second holds
// the left and top edges, the third the right and bottom, and the last lies inside the first.
// With no display at all it is 1920 x 1080 at the origin.  A rectangle shared equally by two
// displays goes to the first; an index past the last display, or before the first, has no bounds.
TEST(PlatformDisplays, TheDesktopSpansEveryDisplayAndAnEvenShareGoesToTheFirst) {
  const PlatformRect four[4] = {
      {0, 0, 1920, 1080}, {-1280, -200, 0, 824}, {1920, 100, 3000, 1300}, {100, 100, 200, 200}};
  const FakeDisplays fake(four, 4);
  PlatformRect desktop{};
  PlatformVirtualDesktop(desktop);
  EXPECT_EQ(desktop.left, -1280);
  EXPECT_EQ(desktop.top, -200);
  EXPECT_EQ(desktop.right, 3000);
  EXPECT_EQ(desktop.bottom, 1300);
  PlatformRect bounds{};
  EXPECT_EQ(PlatformDisplayBounds(3, bounds), 1);
  EXPECT_EQ(bounds.right, 200);
  EXPECT_EQ(PlatformDisplayBounds(4, bounds), 0);
  EXPECT_EQ(PlatformDisplayBounds(-1, bounds), 0);
  // 100 columns on each side of the seam at 1920, rows 150..350 on both: 100 * 200 each.
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{1820, 150, 2020, 350}), 0);

  PlatformUseFakeDisplays(four, -2);
  EXPECT_EQ(PlatformDisplayCount(), 0) << "a count below zero is none";
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{0, 0, 10, 10}), -1);
  PlatformVirtualDesktop(desktop);
  EXPECT_EQ(desktop.left, 0);
  EXPECT_EQ(desktop.top, 0);
  EXPECT_EQ(desktop.right, 1920);
  EXPECT_EQ(desktop.bottom, 1080);
}

// Two 1920 x 1080 displays one above the other, the second below the first.  A rectangle over
// the seam between them goes to the one holding more of its rows: 200 columns wide, rows
// 1000..1300 lie 80 on the first and 220 on the second; rows 1040..1100 lie 40 on the first
// and 20 on the second.
TEST(PlatformDisplays, ARectangleOverAHorizontalSeamGoesToTheDisplayWithMoreOfItsRows) {
  const PlatformRect stacked[2] = {{0, 0, 1920, 1080}, {0, 1080, 1920, 2160}};
  const FakeDisplays fake(stacked, 2);
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{100, 1000, 300, 1300}), 1);
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{100, 1040, 300, 1100}), 0);
  // The same over the vertical seam of two displays side by side: columns 1900..2100 lie 20 on
  // the first and 180 on the second; columns 1880..1940, 40 and 20.
  const PlatformRect sideBySide[2] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
  PlatformUseFakeDisplays(sideBySide, 2);
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{1900, 100, 2100, 300}), 1);
  EXPECT_EQ(PlatformDisplayNearest(PlatformRect{1880, 100, 1940, 300}), 0);
}

// Hiding and showing the window hide and show it.
TEST_F(PlatformWindowTest, HidingAndShowingTheWindowFollowTheCall) {
  SDL_Window* window = static_cast<SDL_Window*>(PlatformWindowHandle());
  ASSERT_NE(window, nullptr);
  PlatformShowWindow(SHOW_HIDE);
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
  PlatformShowWindow(SHOW_NORMAL);
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
}

// Shown minimised, a hidden window is shown (then made an icon).
TEST_F(PlatformWindowTest, ShowingAHiddenWindowMinimisedShowsIt) {
  SDL_Window* window = static_cast<SDL_Window*>(PlatformWindowHandle());
  ASSERT_NE(window, nullptr);
  PlatformShowWindow(SHOW_HIDE);
  ASSERT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
  PlatformShowWindow(SHOW_MINIMISED);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
}

// A window maximised or restored reports its client area's size: 320 x 240 as made.
TEST_F(PlatformWindowTest, AMaximisedOrRestoredWindowReportsItsClientSize) {
  for (const Uint8 change : {SDL_WINDOWEVENT_MAXIMIZED, SDL_WINDOWEVENT_RESTORED}) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = PlatformWindowId();
    e.window.event = change;
    SDL_PushEvent(&e);
    WindowMessage m;
    bool sized = false;
    while (PeekWindowMessage(m)) {
      if (m.id != MSG_SIZE) continue;
      sized = true;
      EXPECT_EQ(m.wParam, 320u) << int(change);
      EXPECT_EQ(m.lParam, 240) << int(change);
    }
    EXPECT_TRUE(sized) << int(change);
  }
}

TEST_F(PlatformWindowTest, TheCursorIsShownHiddenClippedAndCaptured) {
  PlatformShowCursor(0);
  EXPECT_EQ(PlatformCursorShown(), 0);
  PlatformShowCursor(1);
  EXPECT_EQ(PlatformCursorShown(), 1);
  PlatformClipCursor(1);
  EXPECT_EQ(PlatformCursorClipped(), 1);
  PlatformClipCursor(0);
  EXPECT_EQ(PlatformCursorClipped(), 0);
  PlatformCaptureMouse(1);
  EXPECT_EQ(PlatformMouseCaptured(), 1);
  PlatformCaptureMouse(0);
  EXPECT_EQ(PlatformMouseCaptured(), 0);
}

TEST_F(PlatformWindowTest, PushedEventsArriveAsMessagesInOrderBetweenPostedOnes) {
  PostWindowMessage(MSG_USER, 1, 0);
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = PlatformWindowId();
  e.motion.x = 3;
  e.motion.y = 4;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = PlatformWindowId();
  e.button.button = SDL_BUTTON_RIGHT;
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = PlatformWindowId() + 1;  // not our window
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&e);
  std::vector<uint32_t> ids;
  WindowMessage m;
  while (PeekWindowMessage(m)) ids.push_back(m.id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{MSG_USER, MSG_MOUSEMOVE, MSG_RBUTTONDOWN}));

  PlatformDestroyWindow();
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_QUIT;  // one that needs no window to become a message
  SDL_PushEvent(&e);
  EXPECT_FALSE(PeekWindowMessage(m)) << "without the window no events are collected";
}

// A destroyed window is gone from SDL and the layer forgets it: no window, no id, no capture.
// A Shift held when the window goes, or before the next one is made, is not carried over.
TEST_F(PlatformWindowTest, ADestroyedWindowIsGoneFromSdlAndLeavesNoHeldKeysBehind) {
  const auto pressShift = [] {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_LSHIFT;
    e.key.keysym.sym = SDLK_LSHIFT;
    TranslateSdlEvent(e);
  };
  // The button and modifier bits of a mouse move translated now.
  const auto moveBits = [] {
    ClearWindowMessages();
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    TranslateSdlEvent(e);
    WindowMessage m{};
    EXPECT_TRUE(PeekWindowMessage(m));
    EXPECT_EQ(m.id, uint32_t(MSG_MOUSEMOVE));
    return m.wParam;
  };
  const uint32_t id = PlatformWindowId();
  ASSERT_NE(id, 0u);
  ASSERT_NE(SDL_GetWindowFromID(id), nullptr);
  PlatformCaptureMouse(1);
  ASSERT_EQ(PlatformMouseCaptured(), 1);
  pressShift();
  ASSERT_EQ(moveBits() & MOUSE_SHIFT_DOWN, uint64_t(MOUSE_SHIFT_DOWN)) << "Shift is seen held";

  PlatformDestroyWindow();
  EXPECT_EQ(SDL_GetWindowFromID(id), nullptr) << "SDL's window is destroyed";
  EXPECT_EQ(PlatformWindowExists(), 0);
  EXPECT_EQ(PlatformWindowId(), 0u);
  EXPECT_EQ(PlatformMouseCaptured(), 0);
  EXPECT_EQ(moveBits() & MOUSE_SHIFT_DOWN, 0u) << "destroying the window forgets the held Shift";

  pressShift();
  ASSERT_EQ(PlatformCreateWindow("again", 100, 50, 320, 240, 0), 1) << PlatformLastError();
  EXPECT_NE(SDL_GetWindowFromID(PlatformWindowId()), nullptr);
  EXPECT_EQ(moveBits() & MOUSE_SHIFT_DOWN, 0u) << "a new window starts with no key held";
  ClearWindowMessages();
}

// Clipboard text read into a buffer too small for it is cut before the character that does not
// fit whole; a buffer of no size is left alone.
TEST_F(PlatformWindowTest, ClipboardTextIsCutToWholeCharactersThatFit) {
  ASSERT_EQ(PlatformSetClipboardText("ab\xC3\xA9"), nullptr);  // a, b and e-acute in two bytes
  char out[8];
  EXPECT_EQ(PlatformGetClipboardText(out, 5), 4);
  EXPECT_STREQ(out, "ab\xC3\xA9");
  EXPECT_EQ(PlatformGetClipboardText(out, 4), 2) << "half of e-acute is left out";
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(PlatformGetClipboardText(out, 3), 2);
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(PlatformGetClipboardText(out, 1), 0);
  EXPECT_STREQ(out, "");
  out[0] = 'k';
  EXPECT_EQ(PlatformGetClipboardText(out, 0), 0);
  EXPECT_EQ(out[0], 'k') << "no room: nothing written";
}

// The offscreen driver the tests run on counts as a display only while SDL_VIDEODRIVER names
// it (as the tests ask); reached without being asked for, it shows nothing.
TEST_F(PlatformWindowTest, TheOffscreenDriverCountsAsADisplayOnlyWhenAskedFor) {
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (!asked || std::string(asked) != "offscreen") GTEST_SKIP() << "the tests' own driver is not in use";
  EXPECT_EQ(PlatformVideoHasDisplay(), 1);
  setenv("SDL_VIDEODRIVER", "x11,OFFSCREEN", 1);
  EXPECT_EQ(PlatformVideoHasDisplay(), 1) << "named among others, in capitals";
  unsetenv("SDL_VIDEODRIVER");
  EXPECT_EQ(PlatformVideoHasDisplay(), 0);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  EXPECT_EQ(PlatformVideoHasDisplay(), 0);
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

// The screen saver is kept off while a picture must stay up, and allowed again afterwards.
TEST_F(PlatformWindowTest, TheScreenSaverIsKeptOffAndAllowedOnRequest) {
  PlatformAllowScreenSaver(1);
  EXPECT_TRUE(SDL_IsScreenSaverEnabled());
  PlatformAllowScreenSaver(0);
  EXPECT_FALSE(SDL_IsScreenSaverEnabled());
  PlatformAllowScreenSaver(1);
  EXPECT_TRUE(SDL_IsScreenSaverEnabled());
}

// A warp puts the pointer at a client position: the driver, with no pointer of its own to move,
// reports it as a move there, which arrives as a mouse message with that position.
TEST_F(PlatformWindowTest, AWarpedPointerArrivesAsAMoveToItsPosition) {
  PlatformWarpMouse(17, 9);
  WindowMessage m;
  bool moved = false;
  while (PeekWindowMessage(m)) {
    if (m.id != MSG_MOUSEMOVE) continue;
    moved = true;
    EXPECT_EQ(PointParamX(m.lParam), 17);
    EXPECT_EQ(PointParamY(m.lParam), 9);
  }
  EXPECT_TRUE(moved);
}

// Shown maximised, a hidden window is shown too (then made as large as its display allows).
TEST_F(PlatformWindowTest, ShowingAHiddenWindowMaximisedShowsIt) {
  SDL_Window* window = static_cast<SDL_Window*>(PlatformWindowHandle());
  ASSERT_NE(window, nullptr);
  PlatformShowWindow(SHOW_HIDE);
  ASSERT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
  PlatformShowWindow(SHOW_MAXIMISED);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
}

// Video started, an IME's composition longer than an editing event holds arrives whole, in the
// extended editing event.
TEST_F(PlatformWindowTest, LongCompositionsAreAskedForWhole) {
  const char* hint = SDL_GetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT);
  ASSERT_NE(hint, nullptr);
  EXPECT_STREQ(hint, "1");
}

// A window is made with the mouse free, and made hidden when asked.
TEST_F(PlatformWindowTest, AWindowIsMadeWithTheMouseFreeAndHiddenWhenAsked) {
  EXPECT_EQ(PlatformMouseCaptured(), 0);
  PlatformDestroyWindow();
  ASSERT_EQ(PlatformCreateWindow("hidden", 10, 20, 64, 48, WINDOW_HIDDEN), 1) << PlatformLastError();
  EXPECT_EQ(PlatformMouseCaptured(), 0);
  SDL_Window* window = static_cast<SDL_Window*>(PlatformWindowHandle());
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN);
}

}  // namespace
