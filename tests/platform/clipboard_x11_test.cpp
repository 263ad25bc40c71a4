// clipboard_x11_test.cpp - the clipboard on a real X server (Xvfb in the test run), checked
// against another program's view of it: xclip reads what we put there, and we read what
// xclip puts there.  Skipped without a display or without xclip.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>

#include "platform/clipboard.h"
#include "platform/window.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

std::string RunAndRead(const char* command) {
  std::string out;
  if (FILE* p = popen(command, "r")) {
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

class X11Clipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) ZKT_SKIP_OUTSIDE_CI() << "no X display";
    if (std::system("command -v xclip > /dev/null 2>&1") != 0) ZKT_SKIP_OUTSIDE_CI() << "xclip is not installed";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(PlatformVideoStart()) << PlatformLastError();
  }
  void TearDown() override {
    if (!std::getenv("DISPLAY")) return;
    PlatformVideoStop();
  }
};

}  // namespace

TEST_F(X11Clipboard, TextRoundTripsThroughAnotherProgram) {
  const char* text = "Fahrwerk \xC3\xA4 \xE6\x97\xA5 42";
  ASSERT_EQ(PlatformSetClipboardText(text), nullptr);
  // The X server has made us the selection's owner before the call returns: xclip's one
  // request is answered while we keep serving the X server's events.
  auto reader = std::async(std::launch::async, [] { return RunAndRead("timeout 10 xclip -o -selection clipboard 2>/dev/null"); });
  while (reader.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) SDL_PumpEvents();
  const std::string seen = reader.get();
  EXPECT_EQ(seen, text);

  // xclip serves one request and ends; its output must not hold the test runner's pipe open.
  ASSERT_EQ(std::system("(printf 'from xclip \\303\\251' | timeout 10 xclip -quiet -loops 1 -i -selection clipboard"
                        " > /dev/null 2>&1 &)"),
            0);
  char read[64] = {};
  const std::string expected = "from xclip \xC3\xA9";
  for (int i = 0; i < 200 && expected != read; ++i) {  // until xclip has taken the selection
    SDL_Delay(25);
    PlatformGetClipboardText(read, sizeof read);
  }
  EXPECT_EQ(expected, read);
}

// Text read into a buffer too small for it is cut to what fits with its zero, and never in
// the middle of a character: "ab" + a-umlaut (two bytes) + "c" is five bytes.
TEST_F(X11Clipboard, TextReadIntoASmallBufferIsCutBeforeTheCharacterThatDoesNotFit) {
  ASSERT_EQ(PlatformSetClipboardText("ab\xC3\xA4" "c"), nullptr);
  char out[8];
  EXPECT_EQ(PlatformGetClipboardText(out, 6), 5);
  EXPECT_STREQ(out, "ab\xC3\xA4" "c");
  EXPECT_EQ(PlatformGetClipboardText(out, 5), 4) << "the c does not fit";
  EXPECT_STREQ(out, "ab\xC3\xA4");
  EXPECT_EQ(PlatformGetClipboardText(out, 4), 2) << "half the a-umlaut would fit: left out whole";
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(PlatformGetClipboardText(out, 2), 1);
  EXPECT_STREQ(out, "a");
  EXPECT_EQ(PlatformGetClipboardText(out, 1), 0);
  EXPECT_STREQ(out, "");
  out[0] = 'x';
  EXPECT_EQ(PlatformGetClipboardText(out, 0), 0);
  EXPECT_EQ(out[0], 'x') << "no room: nothing written";
  EXPECT_EQ(PlatformGetClipboardText(nullptr, 8), 0);
}
