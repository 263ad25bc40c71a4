// start_pages.h - the welcome and agreement pages shown on the first run.
#pragma once

struct Prss;
Prss* CreateStartScreens(Prss* parent);
