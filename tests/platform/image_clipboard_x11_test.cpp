// image_clipboard_x11_test.cpp - the picture owner on a real X server (Xvfb in the test run),
// against another client of the server that we drive through Xlib ourselves: it asks the owner
// for the time it took the clipboard at and takes the clipboard from it.  Skipped without a
// display.
#include "platform/image_clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/window.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

// The program's window on the X display: the picture owner works through its display.
class X11PictureOwner : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) ZKT_SKIP_OUTSIDE_CI() << "no X display";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(PlatformVideoStart()) << PlatformLastError();
    ASSERT_EQ(PlatformCreateWindow("picture owner", 0, 0, 64, 48, WINDOW_HIDDEN), 1) << PlatformLastError();
    ASSERT_EQ(PlatformClipboardPicturesAvailable(), 1);
  }
  void TearDown() override {
    if (!std::getenv("DISPLAY")) return;
    PlatformDestroyWindow();
    PlatformVideoStop();
  }
};

// The next SelectionNotify our window is sent; false when none comes in 10 s (an owner that
// never answers would otherwise hang the run).
bool NextSelectionNotify(Display* display, Window window, XSelectionEvent* out) {
  XFlush(display);
  XEvent event;
  while (!XCheckTypedWindowEvent(display, window, SelectionNotify, &event)) {
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (poll(&fd, 1, 10000) <= 0) return false;
  }
  *out = event.xselection;
  return true;
}

}  // namespace

// The selection's owner changes only when the time given is no earlier than the time of the
// last change.  Another client taking the clipboard at the very time our owner took it (the
// owner's own TIMESTAMP) leaves that time as the last change's: a clearing stamped with it
// would still take effect.  So the owner that was told it lost the clipboard must not clear
// it again when it stops; and in between it answers requests with nothing.
TEST_F(X11PictureOwner, AnOwnerThatLostTheClipboardLeavesItToTheNextOwnerWhenItStops) {
  const uint8_t png[4] = {0x89, 'P', 'N', 'G'}, bmp[2] = {'B', 'M'};
  ASSERT_EQ(PlatformSetClipboardPicture(png, sizeof png, bmp, sizeof bmp), nullptr);
  ASSERT_EQ(PlatformClipboardPictureOwned(), 1);

  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom timestamp = XInternAtom(display, "TIMESTAMP", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  const Atom into = XInternAtom(display, "ZKT_TEST_ANSWER", False);
  const Window owner = XGetSelectionOwner(display, clipboard);
  ASSERT_NE(owner, Window(None));

  // The time the owner took the clipboard at: one 32-bit item.
  XConvertSelection(display, clipboard, timestamp, into, window, CurrentTime);
  XSelectionEvent answer;
  ASSERT_TRUE(NextSelectionNotify(display, window, &answer)) << "the owner did not answer";
  ASSERT_EQ(answer.property, into);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(display, window, into, 0, 1, True, AnyPropertyType, &type, &format, &count, &after, &data),
            Success);
  ASSERT_NE(data, nullptr);
  const Time taken = Time(reinterpret_cast<const long*>(data)[0]);  // Xlib hands 32-bit items as longs
  XFree(data);
  ASSERT_EQ(format, 32);
  ASSERT_EQ(count, 1u);
  ASSERT_NE(taken, Time(CurrentTime));

  XSetSelectionOwner(display, clipboard, window, taken);
  ASSERT_EQ(XGetSelectionOwner(display, clipboard), window) << "taken at the owner's own time";

  // A request sent to the old owner's window after the take reaches it after the server told
  // it of the take: its answer comes once it has let go.
  XEvent request{};
  request.xselectionrequest.type = SelectionRequest;
  request.xselectionrequest.owner = owner;
  request.xselectionrequest.requestor = window;
  request.xselectionrequest.selection = clipboard;
  request.xselectionrequest.target = targets;
  request.xselectionrequest.property = into;
  request.xselectionrequest.time = taken;
  XSendEvent(display, owner, False, NoEventMask, &request);
  ASSERT_TRUE(NextSelectionNotify(display, window, &answer)) << "the owner did not answer";
  EXPECT_EQ(answer.property, Atom(None)) << "the owner that let go offers nothing";
  EXPECT_EQ(PlatformClipboardPictureOwned(), 0);

  // Stopping closes the owner's connection, which waits for the server to have done its
  // requests: what it did to the clipboard is done before we look.
  PlatformReleaseClipboardPicture();
  EXPECT_EQ(XGetSelectionOwner(display, clipboard), window) << "the next owner keeps the clipboard";
  XDestroyWindow(display, window);
  XCloseDisplay(display);
}

namespace {

// Asks the clipboard's owner for target into the window's property (None: an old client that
// names no property) and reads what the answer left there; false when the answer names none.
bool Ask(Display* display, Window window, Atom target, Atom property, Atom* type, std::vector<unsigned char>* bytes,
         std::vector<long>* items) {
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  XConvertSelection(display, clipboard, target, property, window, CurrentTime);
  XSelectionEvent answer;
  if (!NextSelectionNotify(display, window, &answer) || answer.property == None) return false;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, answer.property, 0, 1 << 20, True, AnyPropertyType, type, &format, &count,
                         &after, &data) != Success)
    return false;
  if (format == 8 && bytes) bytes->assign(data, data + count);
  if (format == 32 && items) items->assign(reinterpret_cast<const long*>(data), reinterpret_cast<const long*>(data) + count);
  XFree(data);
  return true;
}

}  // namespace

// The owner offers its four targets, gives each picture's bytes whole when they fit one piece
// (256 KiB, the largest piece, exactly here), and answers a client that names no property in
// the property named like the target.
TEST_F(X11PictureOwner, TheOwnerListsItsTargetsAndGivesEachPictureWhole) {
  std::vector<uint8_t> png(256 * 1024);
  for (size_t i = 0; i < png.size(); ++i) png[i] = uint8_t(i * 7 + 1);
  const uint8_t bmp[3] = {'B', 'M', 9};
  ASSERT_EQ(PlatformSetClipboardPicture(png.data(), png.size(), bmp, sizeof bmp), nullptr);

  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom into = XInternAtom(display, "ZKT_TEST_ANSWER", False);
  const Atom pngType = XInternAtom(display, "image/png", False);
  const Atom bmpType = XInternAtom(display, "image/bmp", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  Atom type = None;
  std::vector<long> offered;
  ASSERT_TRUE(Ask(display, window, targets, into, &type, nullptr, &offered));
  EXPECT_EQ(type, Atom(XA_ATOM));
  EXPECT_EQ(offered, (std::vector<long>{long(targets), long(XInternAtom(display, "TIMESTAMP", False)), long(pngType),
                                        long(bmpType)}));

  std::vector<unsigned char> got;
  ASSERT_TRUE(Ask(display, window, pngType, into, &type, &got, nullptr));
  EXPECT_EQ(type, pngType) << "whole, not in pieces";
  EXPECT_TRUE(got == std::vector<unsigned char>(png.begin(), png.end())) << got.size() << " bytes";
  ASSERT_TRUE(Ask(display, window, bmpType, None, &type, &got, nullptr));
  EXPECT_EQ(type, bmpType);
  EXPECT_EQ(got, (std::vector<unsigned char>{'B', 'M', 9}));
  EXPECT_FALSE(Ask(display, window, XInternAtom(display, "UTF8_STRING", False), into, &type, &got, nullptr))
      << "no text on offer";
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  PlatformReleaseClipboardPicture();
}

namespace {

// The next change of the window's property to a new value; false when none comes in 10 s.
bool NextNewValue(Display* display, Window window, Atom property) {
  XFlush(display);
  for (;;) {
    XEvent event;
    while (XCheckTypedWindowEvent(display, window, PropertyNotify, &event))
      if (event.xproperty.atom == property && event.xproperty.state == PropertyNewValue) return true;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    if (poll(&fd, 1, 10000) <= 0) return false;
  }
}

// Reads the window's property and deletes it (which asks the owner for the next piece).
bool Take(Display* display, Window window, Atom property, Atom* type, std::vector<unsigned char>* bytes,
          std::vector<long>* items) {
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1 << 20, True, AnyPropertyType, type, &format, &count, &after,
                         &data) != Success)
    return false;
  if (format == 8 && bytes) bytes->assign(data, data + count);
  if (format == 32 && items) items->assign(reinterpret_cast<const long*>(data), reinterpret_cast<const long*>(data) + count);
  if (data) XFree(data);
  return true;
}

}  // namespace

// A picture larger than one piece (256 KiB here, the X server's requests being far larger)
// goes in pieces: the answer announces its size under INCR, each deletion of the property
// brings the next piece, 256 KiB and then the 1000 bytes left, and an empty piece ends it.
// The second picture, asked for after the first has ended, comes in pieces of its own.
TEST_F(X11PictureOwner, APictureLargerThanOnePieceGoesInPiecesOfTheLargestSize) {
  const size_t piece = 256 * 1024;
  std::vector<uint8_t> png(piece + 1000), bmp(piece + 1000);
  for (size_t i = 0; i < png.size(); ++i) {
    png[i] = uint8_t(i * 13 + i / 251);
    bmp[i] = uint8_t(i * 7 + 3);
  }
  ASSERT_EQ(PlatformSetClipboardPicture(png.data(), png.size(), bmp.data(), bmp.size()), nullptr);

  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display, window, PropertyChangeMask);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom into = XInternAtom(display, "ZKT_TEST_ANSWER", False);
  const Atom incr = XInternAtom(display, "INCR", False);
  const Atom pngType = XInternAtom(display, "image/png", False);
  const Atom bmpType = XInternAtom(display, "image/bmp", False);
  for (const Atom target : {pngType, bmpType}) {
    const std::vector<uint8_t>& picture = target == pngType ? png : bmp;
    const char* name = target == pngType ? "png" : "bmp";
    XConvertSelection(display, clipboard, target, into, window, CurrentTime);
    XSelectionEvent answer;
    ASSERT_TRUE(NextSelectionNotify(display, window, &answer)) << "the owner did not answer " << name;
    ASSERT_EQ(answer.property, into) << name;
    // The announcement's own change of the property came before the answer: not a piece.
    for (XEvent seen; XCheckTypedWindowEvent(display, window, PropertyNotify, &seen);) {
    }
    Atom type = None;
    std::vector<long> size;
    ASSERT_TRUE(Take(display, window, into, &type, nullptr, &size)) << name;
    EXPECT_EQ(type, incr) << name << " in pieces";
    EXPECT_EQ(size, (std::vector<long>{long(piece + 1000)})) << "the announced size of the " << name;

    std::vector<size_t> pieces;
    std::vector<unsigned char> got;
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(NextNewValue(display, window, into)) << name << " piece " << i << " did not come";
      std::vector<unsigned char> bytes;
      ASSERT_TRUE(Take(display, window, into, &type, &bytes, nullptr));
      EXPECT_EQ(type, target) << name << " piece " << i;
      pieces.push_back(bytes.size());
      got.insert(got.end(), bytes.begin(), bytes.end());
      if (bytes.empty()) break;
    }
    EXPECT_EQ(pieces, (std::vector<size_t>{piece, 1000, 0})) << name;
    EXPECT_TRUE(got == std::vector<unsigned char>(picture.begin(), picture.end())) << name << ": " << got.size();
  }
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  PlatformReleaseClipboardPicture();
}

// Releasing the picture while the owner holds the clipboard leaves the clipboard to nobody,
// once the release returns; a picture set after that is owned afresh.
TEST_F(X11PictureOwner, ReleasingThePictureLeavesTheClipboardWithoutAnOwner) {
  const uint8_t png[4] = {0x89, 'P', 'N', 'G'}, bmp[2] = {'B', 'M'};
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(PlatformSetClipboardPicture(png, sizeof png, bmp, sizeof bmp), nullptr) << "round " << round;
    EXPECT_EQ(PlatformClipboardPictureOwned(), 1) << "round " << round;
    EXPECT_NE(XGetSelectionOwner(display, clipboard), Window(None)) << "round " << round;
    PlatformReleaseClipboardPicture();
    EXPECT_EQ(PlatformClipboardPictureOwned(), 0) << "round " << round;
    EXPECT_EQ(XGetSelectionOwner(display, clipboard), Window(None)) << "round " << round;
  }
  XCloseDisplay(display);
}

// Without a window no picture can be put on the clipboard: the call says so and nothing is
// owned.
TEST(PictureOwnerWithoutAWindow, NoPictureIsTaken) {
  const uint8_t png[4] = {0x89, 'P', 'N', 'G'}, bmp[2] = {'B', 'M'};
  EXPECT_EQ(PlatformClipboardPicturesAvailable(), 0) << "no window";
  EXPECT_STREQ(PlatformSetClipboardPicture(png, sizeof png, bmp, sizeof bmp), CLIPBOARD_PICTURES_NEED_X11);
  EXPECT_EQ(PlatformClipboardPictureOwned(), 0);
}
