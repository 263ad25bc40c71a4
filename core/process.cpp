// process.cpp - the process framework.
#include "core/process.h"

#include "core/frame_globals.h"
#include "core/report.h"
#include "core/sound.h"
#include "core/window_state.h"

Prss* CurrentProcess;
const char* CurrentBackground;
void (*ForgetInterfaceOwner)(const Prss* process);

void Prss_Init(Prss* process, Prss* parent, PrssAct act, PrssKey key, PrssMouse mouse,
               PrssTerminate terminate, const char* background) {
  process->parent = parent;
  process->sub = nullptr;
  process->alive = 1;
  process->rawKeys = static_cast<uint8_t>(GraphicsEnabled ? 1 : 0);
  process->flags = PRSS_FLAG_KEY_ESCAPE;
  process->background = background;
  process->act = act;
  process->key = key;
  process->mouse = mouse;
  process->terminate = terminate ? terminate : Prss_Terminate;
}

void Prss_MakeCurrent(Prss* process) {
  CurrentProcess = process;
  if (process && process->background) CurrentBackground = process->background;
}

void Prss_AddSub(Prss* process, Prss* subprocess) {
  SwallowNextKey = 0;
  if (!subprocess) return;
  if (process->sub) Prss_RemoveSub(process, "AddSub");
  process->sub = subprocess;
}

void Prss_RemoveSub(Prss* process, const char* label) {
  Prss* sub = process->sub;
  sub->terminate(sub);
  process->sub = sub->act(sub);
  if (!process->sub)
    ReportLabelledLine(label, "removed subprocess", REPORT_GREY);
  else
    ReportLabelledLine(label, "failed to remove subprocess", REPORT_ERROR);
}

void Prss_ActSub(Prss* process) {
  Prss* sub = process->sub;
  if (!sub) return;
  const bool leaf = sub->sub == nullptr;  // it saw the request with nothing open over it
  process->sub = sub->act(sub);
  if (ExitRequested && leaf && process->sub == sub && sub->alive && !sub->sub) {
    sub->terminate(sub);
    process->sub = sub->act(sub);
  }
}

void Prss_RestAfterDrawing(const Prss* process) {
  if (!process->sub && process->alive && !ExitRequested) RedrawRequested = 0;
}

void Prss_Terminate(Prss* process) {
  if (process->sub) Prss_RemoveSub(process, "Terminate");
  if (ForgetInterfaceOwner) ForgetInterfaceOwner(process);  // no drag may write into the screen once it is freed
  CurrentProcess = process->parent;
  if (process->parent && process->parent->background) CurrentBackground = process->parent->background;
  process->alive = 0;
}

void Prss_CloseHandler(void* owner, int clickCode, uintptr_t word) {
  Prss* process = static_cast<Prss*>(owner);
  process->terminate(process);
}

void Prss_SimpleKey(Prss* process, int keyCode) {
  switch (keyCode) {
    case 13:
    case 27:
    case 'Q':
    case 'X':
      process->terminate(process);
      break;
    case 'N':
      if (ShiftHeld) ToggleSound();
      break;
    default:
      break;
  }
}

void Prss_DeliverKey(int keyCode) {
  if (CurrentProcess && CurrentProcess->key) CurrentProcess->key(CurrentProcess, keyCode);
}

void Prss_DeliverMouse(MouseRecord* mouse) {
  if (CurrentProcess && CurrentProcess->mouse) CurrentProcess->mouse(CurrentProcess, mouse);
}
