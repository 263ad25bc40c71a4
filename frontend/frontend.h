// frontend.h - the front end's pages and services that the core calls.
#pragma once
#include <cstdint>

struct Prss;

extern uint32_t ExitAction;  // the action stored by RequestExit, carried out by the entry page

Prss* CreateEntryPage(Prss* parent);  // the normal first top process
void  EscapeQuitKey(Prss* process, int keyCode);
int   ExportVehicleWithLog();          // the command line's vehicle output run; its exit code
void  FreeModList();
void  ReleaseTrackThumbnails();
void  ToggleSound();
void ReloadGarageCarModel(int flag);  // as ReloadAllCarModels, for the garage's car
void ReloadThumbnailTextures();       // the car thumbnails and the track thumbnails

// For requests of a later start of the program (see core/command_line.h).
int  EntryPageShowing();    // the entry page is current with nothing open over it
void RefreshGarageSetups(); // the garage re-lists its setups when it is open
