// setup_pages.h - the set-up pages (2 to 8) of the vehicle information panel.
#pragma once

struct InfoPanelArgs;

// Draws set-up page `page` (2..8) of the panel for args.car; other pages draw nothing.
void DrawInfoSetupPage(const InfoPanelArgs& args, int page);
