// frontend.h - the front end's pages and services that the rest of the program calls.
//
// Sections: [Pages] [Page text] [Names] [Services]
// Main thread only.
//
// Layer: frontend/, a subsystem over race/ and the interface; the player's files live here
// too (player_file.h) (tools/layers.txt).
#pragma once
#include <cstdint>

#include "ui/interface.h"
#include "vehicle/data/builtin_vehicles.h"

struct Prss;

// ---- [Pages] ----
// The action stored by RequestExit and carried out by the entry page: 0 ends the program,
// any other code (1 from the command "entry") brings the user back to the entry page.
extern uint32_t ExitAction;

// The normal first top process: the hub every session starts from.  Clears "Welcome C ".
Prss* CreateEntryPage(Prss* parent);
// 1 while the entry page is the current screen with nothing open over it.
int   EntryPageIsIdle();
// The welcome page; with showLanguages a row of the languages the user may choose.
Prss* OpenWelcomeScreen(Prss* parent, int showLanguages);
// The closing credits; it ends after CREDITS_SHOW_MS, a click or a key.
constexpr uint32_t CREDITS_SHOW_MS = 5000;
Prss* OpenCreditsPage(Prss* parent);
// The shared key function: Escape, "Q" and "X" terminate the process.
void  EscapeQuitKey(Prss* process, int keyCode);

// ---- [Page text] ----
// Wrapped text from y (screen units) down, queued for this frame's interface drawing;
// returns the y below it.
constexpr float PAGE_TEXT_SIZE = 0.05f;
float AddPageText(const char* text, float y);

// ---- [Names] ----
// IsShortCarName, a built-in car's short name, is the vehicle data's (vehicle/data/builtin_vehicles.h).
// A mod's 24-bit id: three non-zero bytes that do not read as a short car name.
int IsModCarId(uint32_t id);
constexpr int JOINED_NAME_PART = 22;  // characters of the name part kept by JoinUnderscoreName
// "prefix_name" into out (outSize bytes, always terminated), the name cut to JOINED_NAME_PART.
void JoinUnderscoreName(char* out, int outSize, const char* prefix, const char* name);

// ---- [Services] ----
int  ExportVehicleWithLog();          // the command line's vehicle output run; its exit code
void FreeModList();
void ReleaseTrackThumbnails();
void ReloadGarageCarModel(int flag);  // as ReloadAllCarModels, for the garage's car
void ReloadThumbnailTextures();       // the car thumbnails and the track thumbnails
void RefreshGarageSetups();           // the garage re-lists its setups when it is open
