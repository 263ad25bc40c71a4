// message_box.cpp - message boxes through SDL, echoed to standard error.
#include "platform/message_box.h"

#include <SDL.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <new>
#include <string>

#include "platform/signals.h"

namespace {
MessageBoxHandler g_handler = nullptr;
YesNoHandler g_yesNoHandler = nullptr;

// The text a box shows: the caption, when one was given, above the text.
std::string VisibleText(const char* text, const char* caption) {
  if (!caption) return text;
  return std::string(caption) + "\n\n" + text;
}

// The box's process.  SDL shows a box in a child process and waits for it.  As the child
// starts it writes its number into this record, in memory it shares with the program, and asks
// to be killed when the program dies; an end signal that comes while the box is shown kills it.
// A signal and the child's start may cross: each side writes its word before it reads the
// other's, so one of them always sees the other.
struct BoxProcess {
  std::atomic<int> showing{0};  // a box call is under way
  std::atomic<int> child{0};    // the box's process, once started
  std::atomic<int> ending{0};   // a signal came during the call: a child starting now ends
  int program = 0;              // the program's process number
};
static_assert(std::atomic<int>::is_always_lock_free, "the record is shared with another process and a handler");
std::atomic<BoxProcess*> g_box{nullptr};

// In every child the program forks (before the fork returns there), only system calls.
void BoxChildStarts() {
  BoxProcess* box = g_box.load();
  if (!box || !box->showing.load()) return;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != box->program) _exit(1);  // the program died before the line above
  box->child.store(getpid());
  if (box->ending.load()) _exit(1);
}

// Before a box: 0 when an end signal has come already, and no box may open.
int BeginBox() {
  BoxProcess* box = g_box.load();
  if (!box) {
    void* shared = mmap(nullptr, sizeof(BoxProcess), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared != MAP_FAILED) {
      box = new (shared) BoxProcess;
      g_box.store(box);
      pthread_atfork(nullptr, nullptr, BoxChildStarts);
    }
  }
  if (box) {
    box->child.store(0);
    box->ending.store(0);
    box->program = static_cast<int>(getpid());
    box->showing.store(1);
  }
  return EndSignalPending() ? 0 : 1;
}

void EndBox() {
  if (BoxProcess* box = g_box.load()) {
    box->child.store(0);  // first: a signal now kills no process the box's number may name
    box->showing.store(0);
  }
}
}  // namespace

void EndMessageBoxForSignal() {
  BoxProcess* box = g_box.load();
  if (!box || !box->showing.load()) return;
  box->ending.store(1);
  if (const int child = box->child.load(); child > 0) kill(child, SIGKILL);
}

void ShowPlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon) {
  if (!text) text = "";
  const std::string shown = VisibleText(text, caption);
  if (!caption) caption = icon == BOX_ICON_STOP ? "Error" : "ZKT";
  if (g_handler) {
    g_handler(text, caption, icon);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  if (icon == BOX_ICON_STOP) flags = SDL_MESSAGEBOX_ERROR;
  if (icon == BOX_ICON_EXCLAMATION) flags = SDL_MESSAGEBOX_WARNING;
  if (BeginBox()) SDL_ShowSimpleMessageBox(flags, caption, shown.c_str(), nullptr);
  EndBox();
}

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = handler; }

int AskPlatformYesNo(const char* text, const char* caption) {
  if (g_yesNoHandler) return g_yesNoHandler(text, caption);
  const SDL_MessageBoxButtonData buttons[2] = {
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
  };
  const std::string shown = VisibleText(text, caption);
  const SDL_MessageBoxData data = {SDL_MESSAGEBOX_WARNING, nullptr, caption, shown.c_str(), 2, buttons, nullptr};
  int pressed = 0;
  const bool answered = BeginBox() && SDL_ShowMessageBox(&data, &pressed) == 0;
  EndBox();
  if (!answered) {
    std::fprintf(stderr, "%s: %s (%s: no)\n", caption, text, EndSignalPending() ? "ended" : "no display");
    return 0;
  }
  return pressed == 1 ? 1 : 0;
}

void SetYesNoHandler(YesNoHandler handler) { g_yesNoHandler = handler; }
