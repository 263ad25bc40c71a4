// rim_editor_local.h - what the rim editor's files share: the screen behind a handler's owner.
#pragma once
#include "rim/rim_screen.h"

inline RimScreen* RimOf(void* process) { return static_cast<RimScreen*>(process); }
