// window_wait_x11_test.cpp - a loop at rest on a real X server (Xvfb in the test run) wakes
// for what the server sends its window.  Skipped without a display.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/messages.h"
#include "platform/window.h"
#include "tests/platform/skip_outside_ci.h"

// Another client of the server sends the window an event.  The wait is long: an event that
// did not wake it would show as a wait that timed out.
TEST(WindowWait, AnEventTheServerSendsTheWindowWakesAWaitingLoop) {
  if (!std::getenv("DISPLAY")) ZKT_SKIP_OUTSIDE_CI() << "no X display";
  setenv("SDL_VIDEODRIVER", "x11", 1);
  ASSERT_TRUE(PlatformVideoStart()) << PlatformLastError();
  ASSERT_EQ(PlatformCreateWindow("wait", 0, 0, 64, 48, WINDOW_HIDDEN), 1) << PlatformLastError();
  PlatformInstallEventSource();
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(static_cast<SDL_Window*>(PlatformWindowHandle()), &info));
  ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
  XSync(info.info.x11.display, False);
  for (WindowMessage m; PeekWindowMessage(m);) {
  }
  // Sent once the wait is under way: what arrives before it is collected by the wait itself.
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const Window window = info.info.x11.window;
  std::thread sender([other, window] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(other, "ZKT_WAKE_TEST", False);
    event.xclient.format = 32;
    XSendEvent(other, window, False, NoEventMask, &event);
    XFlush(other);
  });
  EXPECT_EQ(WaitForMessages(60000), WAIT_WOKEN);
  sender.join();
  XCloseDisplay(other);
  PlatformDestroyWindow();
  PlatformVideoStop();
}
