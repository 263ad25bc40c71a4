// image_clipboard.cpp - the X11 owner of clipboard pictures: a thread with its own display
// connection and window, answering selection requests until another program takes over.
#include "platform/image_clipboard.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/window.h"

namespace {

using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

// One picture sent in pieces: the requestor deletes the property after each piece.
struct Transfer {
  Window requestor;
  Atom property, type;
  Bytes data;
  size_t offset;
};

struct Atoms {
  Atom clipboard, targets, timestamp, incr, png, bmp, stamp;
};

struct PictureOwner {
  std::mutex mutex;
  std::condition_variable answered;
  std::thread thread;
  int wake[2] = {-1, -1};
  // Handed from the main thread under the mutex.
  bool stop = false;
  bool offerPending = false;
  Bytes offerPng, offerBmp;
  bool answerReady = false;
  const char* answer = nullptr;
  bool openFailed = false;  // the thread could not reach the display and has ended
  std::string displayName;
  // Read by the main thread.
  bool owned = false;

  ~PictureOwner() { Stop(); }
  void Stop();
};
PictureOwner g_owner;

XErrorHandler g_previousHandler = nullptr;
std::atomic<Display*> g_ownDisplay{nullptr};  // the thread's connection: its errors are ours to ignore

// A requestor that went away (or an answer it no longer wants) gives BadWindow and the like:
// nothing the owner can do about them, and Xlib's default handler would end the program.
int IgnoreOwnErrors(Display* display, XErrorEvent* event) {
  if (display == g_ownDisplay) return 0;
  return g_previousHandler ? g_previousHandler(display, event) : 0;
}

void Wake() {
  const char byte = 1;
  if (g_owner.wake[1] >= 0) (void)!write(g_owner.wake[1], &byte, 1);
}

void Answer(const char* text) {
  std::lock_guard<std::mutex> lock(g_owner.mutex);
  g_owner.answer = text;
  g_owner.answerReady = true;
  g_owner.answered.notify_all();
}

// A server timestamp for taking the selection: a zero-length append to our own window's
// property comes back as a PropertyNotify carrying the time.
Time ServerTime(Display* display, Window window, Atom stamp) {
  unsigned char nothing = 0;
  XChangeProperty(display, window, stamp, XA_STRING, 8, PropModeAppend, &nothing, 0);
  XEvent event;
  XWindowEvent(display, window, PropertyChangeMask, &event);
  return event.xproperty.time;
}

class Server {
 public:
  Server(Display* display, Window window, const Atoms& atoms) : d_(display), w_(window), a_(atoms) {
    long units = XExtendedMaxRequestSize(display);
    if (units == 0) units = XMaxRequestSize(display);
    // A property change carries its own header: stay well inside one request.
    chunk_ = std::min<size_t>(size_t(units) * 4 - 1024, 256 * 1024);
  }

  const char* Take(Bytes png, Bytes bmp) {
    png_ = std::move(png);
    bmp_ = std::move(bmp);
    time_ = ServerTime(d_, w_, a_.stamp);
    XSetSelectionOwner(d_, a_.clipboard, w_, time_);
    if (XGetSelectionOwner(d_, a_.clipboard) != w_) {
      png_.reset();
      bmp_.reset();
      return "XSetSelectionOwner";
    }
    SetOwned(true);
    return nullptr;
  }

  void Handle(XEvent& event) {
    switch (event.type) {
      case SelectionRequest: Request(event.xselectionrequest); break;
      case SelectionClear:
        if (event.xselectionclear.selection == a_.clipboard) {
          // The next owner has the clipboard: let go.  Pieces already on their way finish.
          png_.reset();
          bmp_.reset();
          SetOwned(false);
        }
        break;
      case PropertyNotify:
        if (event.xproperty.state == PropertyDelete) NextPiece(event.xproperty.window, event.xproperty.atom);
        break;
      default: break;
    }
  }

  void LetGo() {
    if (png_ || bmp_) XSetSelectionOwner(d_, a_.clipboard, None, time_);
    png_.reset();
    bmp_.reset();
    SetOwned(false);
  }

 private:
  static void SetOwned(bool owned) {
    std::lock_guard<std::mutex> lock(g_owner.mutex);
    g_owner.owned = owned;
  }

  void Request(const XSelectionRequestEvent& r) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = r.display;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    // Clients older than the conventions name no property: the target names it then.
    const Atom property = r.property == None ? r.target : r.property;
    reply.property = Serve(r.requestor, property, r.target) ? property : None;
    XEvent out;
    out.xselection = reply;
    XSendEvent(d_, r.requestor, False, NoEventMask, &out);
    XFlush(d_);
  }

  bool Serve(Window requestor, Atom property, Atom target) {
    if (!png_ || !bmp_) return false;
    if (target == a_.targets) {
      const Atom offered[4] = {a_.targets, a_.timestamp, a_.png, a_.bmp};
      XChangeProperty(d_, requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered), 4);
      return true;
    }
    if (target == a_.timestamp) {
      const long time = long(time_);
      XChangeProperty(d_, requestor, property, XA_INTEGER, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&time), 1);
      return true;
    }
    if (target != a_.png && target != a_.bmp) return false;
    const Bytes& data = target == a_.png ? png_ : bmp_;
    if (data->size() <= chunk_) {
      XChangeProperty(d_, requestor, property, target, 8, PropModeReplace, data->data(), int(data->size()));
      return true;
    }
    // In pieces: announce the size; each deletion of the property asks for the next piece.
    XSelectInput(d_, requestor, PropertyChangeMask);
    const long size = long(data->size());
    XChangeProperty(d_, requestor, property, a_.incr, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&size), 1);
    transfers_.push_back(Transfer{requestor, property, target, data, 0});
    return true;
  }

  void NextPiece(Window window, Atom property) {
    auto it = std::find_if(transfers_.begin(), transfers_.end(),
                           [&](const Transfer& t) { return t.requestor == window && t.property == property; });
    if (it == transfers_.end()) return;
    const size_t n = std::min(chunk_, it->data->size() - it->offset);
    // The last piece is empty: it tells the requestor the picture is complete.
    XChangeProperty(d_, window, property, it->type, 8, PropModeReplace, it->data->data() + it->offset, int(n));
    it->offset += n;
    if (n == 0) {
      transfers_.erase(it);
      const bool more = std::any_of(transfers_.begin(), transfers_.end(),
                                    [&](const Transfer& t) { return t.requestor == window; });
      if (!more) XSelectInput(d_, window, NoEventMask);
    }
    XFlush(d_);
  }

  Display* d_;
  Window w_;
  Atoms a_;
  size_t chunk_;
  Time time_ = CurrentTime;
  Bytes png_, bmp_;
  std::vector<Transfer> transfers_;
};

void Serve(std::string displayName) {
  Display* display = XOpenDisplay(displayName.c_str());
  if (!display) {
    std::lock_guard<std::mutex> lock(g_owner.mutex);
    g_owner.openFailed = true;
    g_owner.answered.notify_all();
    return;
  }
  g_ownDisplay = display;
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display, window, PropertyChangeMask);
  Atoms atoms;
  atoms.clipboard = XInternAtom(display, "CLIPBOARD", False);
  atoms.targets = XInternAtom(display, "TARGETS", False);
  atoms.timestamp = XInternAtom(display, "TIMESTAMP", False);
  atoms.incr = XInternAtom(display, "INCR", False);
  atoms.png = XInternAtom(display, "image/png", False);
  atoms.bmp = XInternAtom(display, "image/bmp", False);
  atoms.stamp = XInternAtom(display, "ZKT_PICTURE_TIME", False);
  Server server(display, window, atoms);

  for (;;) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      server.Handle(event);
    }
    Bytes png, bmp;
    bool offer = false, stop = false;
    {
      std::lock_guard<std::mutex> lock(g_owner.mutex);
      stop = g_owner.stop;
      if (g_owner.offerPending) {
        offer = true;
        g_owner.offerPending = false;
        png = std::move(g_owner.offerPng);
        bmp = std::move(g_owner.offerBmp);
      }
    }
    if (stop) break;
    if (offer) {
      Answer(server.Take(std::move(png), std::move(bmp)));
      continue;
    }
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {g_owner.wake[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents & POLLIN) {
      char drain[64];
      while (read(g_owner.wake[0], drain, sizeof drain) > 0) {
      }
    }
  }
  server.LetGo();
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  g_ownDisplay = nullptr;
}

// The X display of the program's SDL window, or empty without one.
std::string WindowDisplayName() {
  SDL_Window* window = static_cast<SDL_Window*>(PlatformWindowHandle());
  if (!window) return {};
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display) return {};
  const char* name = DisplayString(info.info.x11.display);
  return name ? std::string(name) : std::string();
}

bool Start(const std::string& displayName) {
  PictureOwner& o = g_owner;
  if (o.thread.joinable() && o.displayName == displayName) return true;
  o.Stop();
  if (pipe2(o.wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    o.wake[0] = o.wake[1] = -1;
    return false;
  }
  if (!g_previousHandler) g_previousHandler = XSetErrorHandler(IgnoreOwnErrors);
  o.displayName = displayName;
  o.stop = false;
  o.openFailed = false;
  o.thread = std::thread(Serve, displayName);
  return true;
}

}  // namespace

void PictureOwner::Stop() {
  if (thread.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    Wake();
    thread.join();
  }
  for (int& fd : wake) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  stop = false;
  owned = false;
  openFailed = false;
  offerPending = false;
  offerPng.reset();
  offerBmp.reset();
}

int PlatformClipboardPicturesAvailable() { return WindowDisplayName().empty() ? 0 : 1; }

const char* PlatformSetClipboardPicture(const void* png, size_t pngSize, const void* bmp, size_t bmpSize) {
  const std::string displayName = WindowDisplayName();
  if (displayName.empty()) return CLIPBOARD_PICTURES_NEED_X11;
  if (!Start(displayName)) return "pipe2";
  auto copy = [](const void* bytes, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    return std::make_shared<const std::vector<uint8_t>>(p, p + size);
  };
  std::unique_lock<std::mutex> lock(g_owner.mutex);
  g_owner.offerPng = copy(png, pngSize);
  g_owner.offerBmp = copy(bmp, bmpSize);
  g_owner.offerPending = true;
  g_owner.answerReady = false;
  lock.unlock();
  Wake();
  lock.lock();
  // The owner answers at once unless the X server does not: then the copy failed.
  const bool done = g_owner.answered.wait_for(lock, std::chrono::seconds(5),
                                              [] { return g_owner.answerReady || g_owner.openFailed; });
  if (g_owner.openFailed) {
    lock.unlock();
    g_owner.Stop();  // the thread has ended; the next copy tries again
    return "XOpenDisplay";
  }
  return done ? g_owner.answer : "XSetSelectionOwner";
}

int PlatformClipboardPictureOwned() {
  std::lock_guard<std::mutex> lock(g_owner.mutex);
  return g_owner.owned ? 1 : 0;
}

void PlatformReleaseClipboardPicture() { g_owner.Stop(); }
