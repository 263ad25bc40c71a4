// vr_panel.cpp - the in-headset panel: its rows counted, then added centred.
#include "ui/vr_panel.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "render/vr.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "ui/interface.h"

namespace {

constexpr int PANEL_LINE_SIZE = 160;

void PressPanelButton(void*, int, uintptr_t word) { VrPanelButton(static_cast<int>(word)); }

// A language text's part before its "%s", trailing blanks dropped ("Reset key :").
void LabelOf(const char* format, char* out, size_t size) {
  const char* end = std::strstr(format, "%s");
  size_t n = end ? size_t(end - format) : std::strlen(format);
  while (n > 0 && format[n - 1] == ' ') --n;
  std::snprintf(out, size, "%.*s", int(n), format);
}

struct PanelRows {
  Prss* owner;
  int adding;   // 0 counting, 1 adding
  int count;
  float top;

  void Row(const char* text, int buttonCode) {
    if (adding) {
      const float y = top + VR_PANEL_ROW_HEIGHT * float(count);
      if (buttonCode)
        AddValueControl(owner, reinterpret_cast<void*>(intptr_t(buttonCode)), IvText(text), IvInt(0), IvText(nullptr),
                        VALUE_TYPE_BUTTON, &TextColours.lightText, PressPanelButton, -VR_PANEL_HALF_WIDTH, y,
                        VR_PANEL_HALF_WIDTH, y + VR_PANEL_ROW_HEIGHT);
      else
        AddValueControl(nullptr, nullptr, IvText(text), IvInt(-1), IvText(nullptr), VALUE_TYPE_TEXT_LINE,
                        &TextColours.lightText, nullptr, -VR_PANEL_HALF_WIDTH, y, VR_PANEL_HALF_WIDTH,
                        y + VR_PANEL_ROW_HEIGHT);
    }
    ++count;
  }
};

// The texts live until the next frame's panel: the controls keep pointers to them.
char g_pose[PANEL_LINE_SIZE], g_hint[PANEL_LINE_SIZE];

void AddRows(PanelRows& rows) {
  rows.Row(LanguageTexts[TX_3h_vrclicok], 0);
  if (!Vr.positionValid && (Vr.info.flags & ZKTVR_FLAG_POSITIONAL)) rows.Row(LanguageTexts[TX_3h_orposunk], 1);
  rows.Row(LanguageTexts[TX_3h_vrokresh], 2);
  rows.Row(LanguageTexts[TX_3h_vrokrelp], 3);
  rows.Row(LanguageTexts[TX_3h_vrcancno], 4);
  rows.Row(g_pose, 0);
  rows.Row(g_hint, 0);
}

void FormatLines() {
  char yaw[64], position[64];
  std::snprintf(yaw, sizeof yaw, LanguageTexts[TX_3h_oryawdeg], double(Vr.headAngles[0] * 57.29578f));
  std::snprintf(position, sizeof position, LanguageTexts[TX_3h_orposxmm], double(Vr.headOffset[0] * 1000.0f),
                double(Vr.headOffset[1] * 1000.0f), double(Vr.headOffset[2] * 1000.0f));
  std::snprintf(g_pose, sizeof g_pose, "%s / %s", yaw, position);
  char label[64], what[16];
  if (Vr.recentreKey >= 0) {
    LabelOf(LanguageTexts[TX_3h_vrrstkey], label, sizeof label);
    std::snprintf(what, sizeof what, "F%d", Vr.recentreKey + 1);
  } else {
    LabelOf(LanguageTexts[TX_3h_vrrstcmd], label, sizeof label);
    std::snprintf(what, sizeof what, "/vr reset");
  }
  std::snprintf(g_hint, sizeof g_hint, "%s ^7%s", label, what);
}

}  // namespace

int DrawVrPanel(Prss* owner) {
  FormatLines();
  PanelRows rows{owner, 0, 0, 0.0f};
  AddRows(rows);
  const int count = rows.count;
  rows.adding = 1;
  rows.top = -VR_PANEL_ROW_HEIGHT * float(count) / 2.0f;
  rows.count = 0;
  AddRows(rows);
  return count;
}
