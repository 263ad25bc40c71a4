// vr_panel.h - the in-headset panel of the VR view: the recentring prompt, its buttons and
// the head's pose, added as value controls in the view's own units.
//
// Layer: ui/, over the renderer's VR state (render/vr.h), whose recentring its buttons call.
#pragma once

struct Prss;

constexpr float VR_PANEL_HALF_WIDTH = 0.42f;  // x from -0.42 to 0.42
constexpr float VR_PANEL_ROW_HEIGHT = 0.08f;

// Adds the panel centred vertically: the prompt's texts, the recentre buttons (owned by
// owner, handled by VrPanelButton), the "%s / %s" line of the head's heading and position
// and the hint naming "/vr reset" or the function key that holds it.  Returns the rows.
int DrawVrPanel(Prss* owner);
