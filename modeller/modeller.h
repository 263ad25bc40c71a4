// modeller.h - the modeller's services the frame loop steps.
#pragma once

// The mapping tool's request to copy the screen area to the clipboard.
extern int MappingScreenshotRequested;
extern unsigned EditViewState;   // the top 11 bits are cleared when the copy is done
extern int MappingChanged;

extern int ObjectEditorOpen;   // the object editor screen is open
void ReloadEditorTextures();   // the editors' own textures, after the device was made again
