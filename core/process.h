// process.h - the process framework: every screen, page, mode and dialog is a process.
//
// A process is a heap object that begins with a Prss record.  WinMain holds the top
// process and calls its act function once per drawn frame; every act steps its own active
// subprocess, so the whole chain runs top first.  Keys and mouse input skip the chain and
// go to CurrentProcess only.  Everything here runs on the main thread.
//
// The act contract, in order: (1) carry out close requests that concern it (terminate when
// ExitRequested and no subprocess); (2) when not alive, free everything and return null;
// (3) Prss_ActSub; (4) a pending page change; (5) unless FrameSkipped, draw; (6) return self.
//
// Layer: core/, the foundation, over platform/ only: files and data files, configuration,
// fixed-point maths, checksums, the sort tree, the log, this framework, the report seam
// (report.h), the frame and window state (frame_globals.h, window_state.h), sound output and
// the controls.  Higher layers install its hooks at start-up (tools/layers.txt).
#pragma once
#include <cstdint>

struct MouseRecord;
struct Prss;

using PrssAct = Prss* (*)(Prss* process);
using PrssKey = void (*)(Prss* process, int keyCode);
using PrssMouse = void (*)(Prss* process, MouseRecord* mouse);  // the interface may clear held flags
using PrssTerminate = void (*)(Prss* process);

struct Prss {
  Prss* parent;            // the process that opened this one; null for a top process
  Prss* sub;               // the active subprocess, or null
  uint8_t alive;           // 1 from Prss_Init until Prss_Terminate
  uint8_t rawKeys;         // GraphicsEnabled at Prss_Init; 0 makes the pump translate keys to characters
  uint16_t flags;          // PRSS_FLAG_* ; PRSS_FLAG_KEY_ESCAPE from Prss_Init
  const char* background;  // wanted background picture; null keeps the current one
  PrssAct act;
  PrssKey key;
  PrssMouse mouse;
  PrssTerminate terminate;
};

// A controller's Escape reaches the process as a key press (the key function gets 27 in
// raw-key mode); a process that clears it gets Escape as the character 27 instead, which a
// text field takes.
constexpr uint16_t PRSS_FLAG_KEY_ESCAPE = 256;

extern Prss* CurrentProcess;         // receives keys and mouse input
extern const char* CurrentBackground;  // the background picture in force

// Makes the interface let go of every drag and click held for a process that ends, so that
// none writes into it once it is freed.  Installed by the interface (InstallInterface); null
// until then.
extern void (*ForgetInterfaceOwner)(const Prss* process);

void Prss_Init(Prss* process, Prss* parent, PrssAct act, PrssKey key, PrssMouse mouse,
               PrssTerminate terminate, const char* background);
// Makes process current (the constructor's step 3): CurrentBackground follows its background.
void Prss_MakeCurrent(Prss* process);
void Prss_AddSub(Prss* process, Prss* subprocess);
void Prss_RemoveSub(Prss* process, const char* label);  // only while a subprocess exists
// Steps the subprocess.  Under an exit request a subprocess that had none of its own, and
// neither closed nor took the request back (to ask first) in its act, is closed here: its
// own terminate and one act, so it is gone at once.  Input is dropped while an exit is
// requested, so a screen that does not close by itself could never be closed.
void Prss_ActSub(Prss* process);
void Prss_Terminate(Prss* process);
// The end of the act of a screen that holds still once drawn: unless a subprocess draws over
// it (that one decides for itself), it is closing or the program is, the next pass waits for
// input, for something still moving (KeepDrawing) or for an alarm (RedrawAtMs).
void Prss_RestAfterDrawing(const Prss* process);

// Shared functions of simple processes.
void Prss_CloseHandler(void* owner, int clickCode, uintptr_t word);
void Prss_SimpleKey(Prss* process, int keyCode);
// Prss_SimpleMouse, which hands the mouse to the interface, is the interface's (ui/interface.h).

// Hands input to the current process; dropped when there is none.
void Prss_DeliverKey(int keyCode);
void Prss_DeliverMouse(MouseRecord* mouse);

// Allocates and clears a process object of type T (whose first member is a Prss).
template <typename T>
T* Prss_New() {
  static_assert(sizeof(T) >= sizeof(Prss));
  return new T{};
}

// Frees an ended process object (owner, whose first member is process) and makes its parent
// current again.  Null, the act function's answer for a process that has ended.
template <typename T>
Prss* Prss_Free(Prss* process, T* owner) {
  Prss* parent = process->parent;
  delete owner;
  if (parent) Prss_MakeCurrent(parent);
  return nullptr;
}
