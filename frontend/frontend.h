// frontend.h - the front end's pages and services that the rest of the program calls.
//
// Sections: [Pages] [Garage] [Page text] [Names] [Account] [Track selection] [Lists] [Services]
// Main thread only.
//
// Layer: frontend/, a subsystem over race/ and the interface; the player's files live here
// too (player_file.h) (tools/layers.txt).
#pragma once
#include <cstddef>
#include <cstdint>

#include "race/race.h"  // TRACK_COUNT
#include "ui/interface.h"
#include "vehicle_data/builtin_vehicles.h"

struct Prss;
struct ZKTETexture;

// ---- [Pages] ----
// The action stored by RequestExit and carried out by the entry page: 0 ends the program,
// any other code (1 from the command "entry") brings the user back to the entry page.
extern uint32_t ExitAction;

// The normal first top process: the hub every session starts from.  Clears "Welcome C ".
Prss* CreateEntryPage(Prss* parent);
// The vehicle editor screen over parent (the entry page attaches it); the program shell
// installs it, null offers no button.
extern Prss* (*OpenVehicleEditorScreen)(Prss* parent);
// 1 while the entry page is the current screen with nothing open over it.
int   EntryPageIsIdle();
// The welcome page; with showLanguages a row of the languages the user may choose.
Prss* OpenWelcomeScreen(Prss* parent, int showLanguages);
// The garage: the car on show, built from the named vehicle for simulation, placed and
// stepped once per drawn frame up to the time drawn.  GarageCar is its car (null without the
// page or when the vehicle could not be loaded); GarageSetupEdited sets the car up again after
// an edit to its set-up record.  The car's info file is written once it is built.  Opened for
// a mod's cover picture (CoverState 1) the page offers "take cover picture", which writes the
// frame as cover.png, sets CoverState 2 and closes the page.
constexpr const char* GARAGE_SAMPLE_VEHICLE = "Runabout";
Prss* OpenGaragePage(Prss* parent, const char* vehicleName);
struct Car;
Car*  GarageCar();
void  GarageSetupEdited();
// The garage's estimate of the car's fuel use per lap in tank units, 0 for none; the
// information panel's strategy heading shows it.
extern float GarageFuelPerLap;
// The closing credits; it ends after CREDITS_SHOW_MS, a click or a key.  Opening them deletes
// the loaded world.
constexpr uint32_t CREDITS_SHOW_MS = 5000;
Prss* OpenCreditsPage(Prss* parent);
// The page a race start runs while its track loads (race/race_start.h): null, with the
// reason shown, when the track cannot be opened; else the page, which closes itself when the
// world is ready or its load failed (the world then deleted).
Prss* OpenTrackLoadingPage(Prss* parent, const char* trackName, int32_t configNumber = 1,
                           uint32_t configFlags = 0);
// What a join to a game host runs with the track it hands over: the race start, its loading
// page opened over the screen that has the input (CurrentProcess), which has it again when
// the page closes.  Null when no screen can take the page (none, or one with a screen open
// over it), while a world is being built, or when the track was refused (the reason shown,
// no world).  No button or option of this program calls it: the join has no host here.
Prss* JoinRaceTrack(const char* trackName, int32_t configNumber, uint32_t configFlags);
// The shared key function: Escape, "Q" and "X" terminate the process.
void  EscapeQuitKey(Prss* process, int keyCode);

enum CoverStates { COVER_NONE = 0, COVER_TAKING = 1, COVER_MADE = 2 };
extern int CoverState;
constexpr const char* COVER_PICTURE = "cover.png";
// The options screen, as a sub-screen of parent (the caller attaches it): the interface
// colours and alphas (applied at once, saved in interface_cfg.txt when it closes), the player
// name and the gearbox options 3 to 7 (saved in the player file when it closes).  The dialog
// word is set while it is open.
Prss* OpenOptions(Prss* parent);
// The welcome page's question of the car on show: 1 when its driver sits off centre, so the
// page offers the drive-side choice (the player's option 1).
int WelcomeAsksDriveSide();

// ---- [Garage] ----
// The garage's countdown caption: the name (the qualifying's in race state 3, else the
// race's), the state text (starts in state 1; ends in state 3 of mode 2 and state 2 of mode
// 1; restarts otherwise) and the whole seconds left plus one, in the language's caption.
void CountdownCaptionText(int state, int mode, int32_t remainingMs, char* out, size_t size);
// Draws the caption of the race's state (RaceState, solid/solid_hooks.h) centred,
// through CountdownCaptionDrawer (DrawCentredCaption; a test records the call instead).
void DrawCountdownCaption();
extern void (*CountdownCaptionDrawer)(const char* text, uint32_t colour);

// ---- [Page text] ----
// Wrapped text from y (screen units) down between leftX and rightX, queued for this frame's
// interface drawing; returns the y below it.
constexpr float PAGE_TEXT_SIZE = 0.05f;
float AddPageText(const char* text, float y, float leftX = -0.8f, float rightX = 0.8f);

// ---- [Names] ----
// IsShortCarName, a built-in car's short name, is the vehicle data's (vehicle_data/builtin_vehicles.h).
// A mod's 24-bit id: three non-zero bytes that do not read as a short car name.
int IsModCarId(uint32_t id);
// JoinUnderscoreName, which joins a car prefix and a skin, is the vehicle model's
// (vehicle/car_skins.h).

// ---- [Account] ----
// The account the online screens go online with (the option "/gamepass" sets its password).
constexpr int ACCOUNT_TEXT_SIZE = 24;
extern char AccountUserName[ACCOUNT_TEXT_SIZE];
extern char AccountPassword[ACCOUNT_TEXT_SIZE];
constexpr int ACCOUNT_PASSWORD_MIN = 8;
// The program's web page, where the account is managed.
constexpr const char* WEB_SITE_ADDRESS = "https://zkt-editor.example.org/";
// 1 when going online may proceed: a valid user name (CheckUserName) and a password of at
// least 8 characters.  Otherwise 0, and with an owner the reason is said: without graphics
// as a message line in the error colour, else (when the owner shows no sub-screen) on a
// message page whose "OK" opens the web page.
int CheckAccountName(Prss* owner);

// ---- [Track selection] ----
// The track-selection screen's record, as far as the thumbnails need it: the selection and
// one thumbnail texture per track of the track table ("x_<short name>.jbw", the JPG of that
// name in "data\pic").  The screen itself comes with the race set-up screens.
struct TrackSelection {
  int32_t selected;    // the chosen track's row, -1 for none
  int32_t imagesOff;   // the screen lists names only
  ZKTETexture* thumbnails[TRACK_COUNT];
};
extern TrackSelection TrackSelect;
// Resets the selection; unless clear is set, the screen has its images off or there are no
// graphics, loads the nine thumbnails, else empties the nine slots.
void LoadTrackThumbnails(int clear);
void ReleaseTrackThumbnails();  // the thumbnails' textures freed, the slots emptied

// ---- [Lists] ----
// What the garage and the mod screens list, kept here until those screens exist: the setups
// and colours of the selected car ("data\setups\<car>_*.set", "data\colours\<car>_*.col",
// the names without the car's prefix and the extension) and the installed mods (the folders
// of "mods\vehicles").  Each list holds at most LIST_NAMES_MAX names; the rest are left out
// with one message line.
constexpr int LIST_NAMES_MAX = 256;
constexpr int LIST_NAME_SIZE = 32;
struct NameList {
  int count;
  char names[LIST_NAMES_MAX][LIST_NAME_SIZE];
};
extern NameList SetupList, ColourList, ModList;
void ListSetupsAndColours();  // the lists of the selected car; empty without one
void RefreshModList();
void FreeModList();

// ---- [Services] ----
// The command line's vehicle output run (/vehd=<name>, without graphics): "data\veh\<name>.veh"
// read as stored (unmirrored, never from the mods, its dashboard as stored) and written as
// "export\<name>\<name>.veh", its model stored in it or, when the source names a body model
// file, that file copied beside it, with the engine file it names read and written beside it
// in the form and with the figures read.  The run logs to VEHICLE_OUTPUT_LOG unless the command
// line named a log.  0, or 1 with the reason on standard error and in the log.
constexpr const char* VEHICLE_OUTPUT_FOLDER = "export";
constexpr const char* VEHICLE_OUTPUT_LOG = "vehicle_output.log";
int  ExportVehicleWithLog(const char* name);
void ReloadGarageCarModel(int flag);  // as ReloadAllCarModels, for the garage's car
void ReloadThumbnailTextures();       // the car thumbnails and the track thumbnails
void RefreshGarageSetups();           // the garage re-lists its setups when it is open

// The names of the textures the loaded world needs: those of its mapping records in use and
// of the models of the track's model entries that are not hidden (installed as the world's
// GatherWorldTextureNames).
struct Wld;
void GatherLoadedWorldTextureNames(Wld& world);
