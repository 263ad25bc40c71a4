// start_pages.cpp - the first-run pages; until they exist the entry page opens at once.
#include "core/start_pages.h"

#include "frontend/frontend.h"

Prss* CreateStartScreens(Prss* parent) { return CreateEntryPage(parent); }
