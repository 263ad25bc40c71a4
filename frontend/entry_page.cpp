// entry_page.cpp - the entry page: the hub every session starts from, and the way out.
#include "core/config.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include <cstdio>
#include "frontend/frontend.h"
#include "modeller/editor/object_editor.h"
#include "race/race.h"
#include "text/language.h"
#include "ui/dialogs.h"
#include "ui/interface_config.h"
#include "ui/widgets.h"

uint32_t ExitAction;
Prss* (*OpenVehicleEditorScreen)(Prss* parent);

namespace {

constexpr uintptr_t WORD_EXIT = 0;
constexpr uintptr_t WORD_OBJECT_EDITOR = 1;
constexpr uintptr_t WORD_GARAGE = 2;
constexpr const char* TEXT_GARAGE = "garage";
constexpr float GARAGE_BUTTON_Y = 0.45f;
constexpr uintptr_t WORD_VEHICLE_EDITOR = 9;
constexpr const char* TEXT_VEHICLE_EDITOR = "vehicle editor";
constexpr float VEHICLE_EDITOR_BUTTON_Y = 0.35f;
constexpr const char* TEXT_OBJECT_EDITOR = "object editor";
constexpr float OBJECT_EDITOR_BUTTON_WIDTH = 0.45f;
// The big panel in the middle of the page, and the version line inside it.
constexpr float PANEL_LEFT = -0.5f, PANEL_TOP = -0.3f, PANEL_RIGHT = 0.5f, PANEL_BOTTOM = 0.3f;
constexpr float VERSION_INSET = 0.05f;
constexpr float VERSION_Y = -0.05f;

struct EntryPage {
  Prss prss;
  uint8_t leaving;  // the exit button was pressed: the credits follow
};

char g_versionLine[48];

void EntryPageButton(void* owner, int, uintptr_t word) {
  EntryPage* page = static_cast<EntryPage*>(owner);
  if (page->prss.sub) return;
  if (word == WORD_OBJECT_EDITOR) {
    // A new, empty model in the object editor with the modeller open; closing the editor
    // comes back here.
    ObjectEditor* editor = OpenObjectEditor(&page->prss, OPEN_MODELLER, nullptr, -1, nullptr, nullptr,
                                            CALLER_ENTRY_MENU, ~0u);
    Prss_AddSub(&page->prss, &editor->prss);
    return;
  }
  if (word == WORD_GARAGE) {
    Prss_AddSub(&page->prss, OpenGaragePage(&page->prss, GARAGE_SAMPLE_VEHICLE));
    return;
  }
  if (word == WORD_VEHICLE_EDITOR) {
    if (OpenVehicleEditorScreen) Prss_AddSub(&page->prss, OpenVehicleEditorScreen(&page->prss));
    return;
  }
  if (word != WORD_EXIT) return;
  page->leaving = 1;
  Prss_Terminate(&page->prss);
}

// Escape, "Q" and "X" leave as the exit button does: through the credits.
void EntryPageKey(Prss* process, int keyCode) {
  if (keyCode == 27 || keyCode == 'Q' || keyCode == 'X') reinterpret_cast<EntryPage*>(process)->leaving = 1;
  EscapeQuitKey(process, keyCode);
}

Prss* EntryPageAction(Prss* process) {
  EntryPage* page = reinterpret_cast<EntryPage*>(process);
  if (ExitRequested && !process->sub) {
    if (ExitAction != 0) {
      // A request to come back here (the command "entry"): the screens above have closed,
      // so the request is carried out and the page goes on.
      ExitRequested = 0;
      ExitAction = 0;
    } else {
      process->terminate(process);
    }
  }
  if (!process->alive) {
    Prss* parent = process->parent;
    const bool toCredits = page->leaving && !ExitRequested;
    delete page;
    if (!toCredits) return nullptr;
    Prss* credits = OpenCreditsPage(parent);
    return credits->act(credits);  // live in this frame
  }
  GameState = 1;  // a front-end menu page: the loop keeps the menu frame period
  const bool covered = process->sub != nullptr;
  Prss_ActSub(process);
  // The frame a screen over the page closes in began with that screen's clear: an editor
  // clears for itself, so the frame was not cleared, and the page would rest on the editor's
  // last 3D picture.  The page is drawn once more, on a frame of its own clear.
  const bool uncovered = covered && !process->sub;
  if (!FrameSkipped && !process->sub) {
    AddScreenTitle("ZKT Editor", 0, 1);
    std::snprintf(g_versionLine, sizeof g_versionLine, "version %s", PROGRAM_VERSION);
    AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvText(""), VALUE_TYPE_BIG_PANEL, nullptr, nullptr,
                    PANEL_LEFT, PANEL_TOP, PANEL_RIGHT, PANEL_BOTTOM);
    AddPageText(g_versionLine, VERSION_Y, PANEL_LEFT + VERSION_INSET, PANEL_RIGHT - VERSION_INSET);
    AddBackButton(process, WORD_EXIT, EntryPageButton, LanguageTexts[TX_3a_exit_btn]);
    AddOkButton(process, WORD_OBJECT_EDITOR, EntryPageButton, TEXT_OBJECT_EDITOR, OBJECT_EDITOR_BUTTON_WIDTH);
    AddPanelButton(process, TEXT_GARAGE, WORD_GARAGE, EntryPageButton, GARAGE_BUTTON_Y);
    if (OpenVehicleEditorScreen)
      AddPanelButton(process, TEXT_VEHICLE_EDITOR, WORD_VEHICLE_EDITOR, EntryPageButton, VEHICLE_EDITOR_BUTTON_Y);
  }
  // Nothing here moves by itself: unless the page is closing, the next frame waits for
  // input or the blink tick.
  if (!process->sub && process->alive && !ExitRequested && !uncovered) RedrawRequested = 0;
  return process;
}

}  // namespace

Prss* CreateEntryPage(Prss* parent) {
  EntryPage* page = Prss_New<EntryPage>();
  Prss_Init(&page->prss, parent, EntryPageAction, EntryPageKey, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&page->prss);
  CfgWelcome = 0;
  return &page->prss;
}

void EscapeQuitKey(Prss* process, int keyCode) {
  if (keyCode == 27 || keyCode == 'Q' || keyCode == 'X') Prss_Terminate(process);
}

int EntryPageIsIdle() {
  return CurrentProcess && CurrentProcess->act == EntryPageAction && !CurrentProcess->sub && !DialogOpen;
}

void RefreshGarageSetups() {}  // no garage screen yet
