// modeller.h - the modeller's services the frame loop and the interface use.
//
// Layer: modeller/, a subsystem over the interface (tools/layers.txt).
#pragma once
#include <cstdint>

#include "ui/value_edit.h"  // the edit hooks the modeller installs

struct Prss;

// The mapping tool's shot of a mapping's screen area: 0 none pending, else the frames drawn
// since the request (1..4).  The frame loop counts them while the tool is open and takes the
// copy at 4 with CopyMappingToClipboard (1 when it reached the clipboard).
extern int MappingScreenshotRequested;
int MappingToolIsOpen();
int CopyMappingToClipboard();
// The edit views' current view code (edit_views.h), -1 for the perspective view; the top 11
// bits (the roll) are cleared when the mapping copy is done.
extern unsigned EditViewState;
extern int MappingChanged;

extern int ObjectEditorOpen;   // the object editor screen is open
// The editors' own textures after the device was made again: the background pictures and
// the object editor's previews.
void ReloadEditorTextures();

// ---- Undo history, edited mesh and mapping panel ----
// AddUndoPoint, RefreshEditedMesh, MappingPanelSelection and MappingPanelRedraw are the
// interface's hooks into the modeller (ui/value_edit.h): the modeller installs them.
