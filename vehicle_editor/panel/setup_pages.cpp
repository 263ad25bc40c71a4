// setup_pages.cpp - the set-up pages (2 to 8) of the vehicle information panel.
#include "vehicle_editor/panel/setup_pages.h"

#include "vehicle_editor/panel/info_panel.h"

void DrawInfoSetupPage(const InfoPanelArgs&, int) {}
