// modeller.h - the modeller's services the frame loop and the interface use.
#pragma once
#include <cstdint>

struct Prss;

// The mapping tool's request to copy the screen area to the clipboard.
extern int MappingScreenshotRequested;
extern unsigned EditViewState;   // the top 11 bits are cleared when the copy is done
extern int MappingChanged;

extern int ObjectEditorOpen;   // the object editor screen is open
void ReloadEditorTextures();   // the editors' own textures, after the device was made again

// ---- Undo history and edited mesh ----
// An edit through an interface control of edit domain 3 (or 4) is recorded under its name,
// kind (1 set a float, 2 adjust a colour, 3 set an integer, 4 switch a flag), the edited
// variable and a bit mask; a repeat of the latest edit with the same four merges into it.
// STAND-IN: null until the modeller's undo history exists (nothing is recorded).
extern void (*AddUndoPoint)(const char* name, int kind, void* variable, uint32_t mask);
// Rebuilds the display of the edited object after an edit.  STAND-IN: null until the
// modeller's object editor exists.
extern void (*RefreshEditedMesh)(Prss* screen);

// ---- Texture mapping panel ----
// The mapping panel's selected mapping (-1 none), and its request to be drawn again; an edit
// through a control of edit domain 4 clears the one and sets the other.
extern int MappingPanelSelection;
extern int MappingPanelRedraw;
