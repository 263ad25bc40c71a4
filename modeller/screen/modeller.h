// modeller.h - the modeller's services the frame loop and the window use: the mapping tool's
// copy of a mapping's screen area (counted by MappingScreenshotRequested, object_editor.h;
// MappingToolIsOpen and CopyMappingToClipboard, texture_mapping.h; the view's roll in
// EditViewState, edit_views.h), whether an object editor is open (ObjectEditorOpen) and the
// editors' textures after the device was made again.
//
// Layer: modeller/, a subsystem over the interface in rooms by job (tools/layers.txt).
#pragma once
#include <cstdint>

#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/texture/texture_mapping.h"

// Set by the frame loop when the mapping tool's copy is done.
extern int MappingChanged;
// The editors' own textures after the device was made again: the background pictures and
// the object editor's previews.
void ReloadEditorTextures();

// ---- Undo history, edited mesh and mapping panel ----
// AddUndoPoint, EditedMeshChanged, MappingPanelSelection and MappingPanelRedraw are the
// interface's hooks into the modeller (ui/value_edit.h): the modeller installs them.
