// edit_view_buttons.cpp - the bottom-right button block of the edit views and the values typed
// through it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/config.h"
#include "core/report.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "model/model_meshes.h"  // IsPlainTextureName
#include "model/model_object.h"  // the packed direction codes
#include "platform/files.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "ui/dialogs.h"
#include "ui/interface.h"

namespace {

// Words of the block's buttons besides the typed values of EditViewValueAction.
enum BlockWord : uintptr_t {
  WORD_FOV = 0, WORD_HEADING = 1, WORD_PITCH = 2, WORD_LOAD_BACKGROUND = 4, WORD_ADJUST = 5, WORD_REMOVE = 6,
  WORD_USE_OPPOSITE = 7, WORD_SCALE = 8, WORD_LOAD_SCHEME = 12, WORD_SAVE_SCHEME = 13,
  WORD_VIEW = 20,         // + the view index
  WORD_GRID = 30,         // + the grid choice
  WORD_RELOAD = 40, WORD_HIDE = 41, WORD_SHOW = 42,
  WORD_BLOB_DOWN = 43, WORD_BLOB_UP = 44, WORD_TEXT_DOWN = 45, WORD_TEXT_UP = 46,
};

const char* const VIEW_LABELS[EDIT_VIEW_COUNT] = {"P", "f", "b", "r", "l", "t", "u"};
const char* const VIEW_HINTS[EDIT_VIEW_COUNT] = {"Perspective 3D view", "Front 2D view", "Back 2D view",
                                                 "Right 2D view",       "Left 2D view",  "Top 2D view",
                                                 "Under 2D view"};
const char* const GRID_LABELS[4] = {"0.1m", "1m", "10m", "-"};
const char* const GRID_HINTS[4] = {"Grid with 0.1m spacing", "Grid with 1m spacing", "Grid with 10m spacing",
                                   "No grid"};
constexpr const char* LOAD_BACKGROUND_HINT = "Load a 1024 or 2048 square png from data\\bkg as a background";

// Texts of the buttons that show numbers; they live until the next frame's block.
struct BlockTexts {
  char blob[16], text[16], heading[24], pitch[24], scale[32], diagonal[32], width[24], height[24];
};
BlockTexts g_texts;

ColourWord* ButtonColour() { return &TextColours.lightOrange; }

bool Is2D() { return EditViews.width != 0; }

int CurrentAxisIndex() {
  const int index = EditView::IndexFromCode(CurrentViewCode());
  return Is2D() && index >= VIEW_FRONT && index <= VIEW_UNDER ? index : 0;
}

void Row(int row) { SetRowCursorFromBottomRight(EDIT_VIEW_BLOCK_UNITS, row); }

void Button(Prss* owner, int units, uintptr_t word, int lit, const char* text, InterfaceHandler handler,
            const char* hint) {
  AddRowButton(owner, units, word, lit, ButtonColour(), text, handler, hint);
}

// The text entry's answer as a number; 0 when it is not one.
int ParseNumber(const char* text, double* value) {
  char* end = nullptr;
  *value = std::strtod(text, &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  return end && end != text && *end == 0 && std::isfinite(*value);
}

void OutOfBounds(Prss* owner) { ReportBox(owner, TEXT_OUT_OF_BOUNDS); }

// ---- the typed answers ----

void FovTyped(Prss* owner, const char* text, uint32_t) {
  double value;
  if (!ParseNumber(text, &value) || value < MIN_FIELD_OF_VIEW || value > MAX_FIELD_OF_VIEW) {
    OutOfBounds(owner);
    return;
  }
  SetEditViewFieldOfView(float(value));
}

void AngleTyped(Prss* owner, const char* text, uint32_t word) {
  double value;
  if (!ParseNumber(text, &value)) {
    OutOfBounds(owner);
    return;
  }
  const int32_t code = CurrentViewCode();
  if (code == VIEW_CODE_PERSPECTIVE) return;
  const uint32_t c = static_cast<uint32_t>(code);
  const long quarters = std::lround(std::clamp(value * 4.0, -1.0e6, 1.0e6));
  int heading = DirectionHeading(c), pitch = DirectionPitch(c);
  if (word == WORD_HEADING)
    heading = int(std::clamp(quarters, -720L, 720L));
  else
    pitch = int(std::clamp(quarters, -360L, 360L));
  SetCurrentViewCode(static_cast<int32_t>(PackDirection(heading, pitch, DirectionRoll(c))));
}

void ScaleTyped(Prss* owner, const char* text, uint32_t) {
  double value;
  if (!ParseNumber(text, &value) || value < 0.001 || value > 1000.0) {
    OutOfBounds(owner);
    return;
  }
  const int index = CurrentAxisIndex();
  if (index == 0) return;
  EditViewRecord& r = EditViews.records[index];
  // The picture keeps its place relative to the origin.
  const double k = r.scale != 0.0f ? value / r.scale : 1.0;
  for (int32_t& p : r.position)
    p = int32_t(std::clamp(std::llround(p * k), (long long)INT32_MIN, (long long)INT32_MAX));
  r.scale = float(value);
}

void BackgroundChosen(Prss* owner, const char* text, uint32_t) {
  const int index = CurrentAxisIndex();
  if (index == 0 || !text[0]) return;
  if (!IsPlainTextureName(text) || std::strlen(text) >= BACKGROUND_NAME_SIZE) {
    ReportBox(owner, "Not a background name :", text);
    return;
  }
  EditViewRecord& r = EditViews.records[index];
  if (strcasecmp(text, r.imageName) != 0) {
    std::memset(r.imageName, 0, sizeof r.imageName);
    std::snprintf(r.imageName, sizeof r.imageName, "%s", text);
    r.kind = BACKGROUND_IMAGE;
  }
  LoadBackgroundImage(index);
}

void SchemeChosen(Prss* owner, const char* text, uint32_t word) {
  if (!text[0]) return;
  if (!IsPlainTextureName(text)) {
    ReportBox(owner, "Not a scheme name :", text);
    return;
  }
  char path[FILE_PATH_SIZE];
  std::snprintf(path, sizeof path, SCHEME_FILE_PATTERN, text);
  if (word == WORD_LOAD_SCHEME)
    LoadBackgroundScheme(owner, path);
  else
    SaveBackgroundScheme(owner, path);
}

void Ask(Prss* owner, TextEntryCallback callback, const char* prompt, int length, uint32_t word, const char* initial,
         int type, const char* pattern) {
  if (OpenTextEntry.open || !owner) return;
  while (owner->sub) owner = owner->sub;  // asked on the current screen
  AskText(owner, callback, prompt, length, word, initial, 0, type, pattern);
}

// ---- the block's own buttons ----

void BlockButton(void* owner, int code, uintptr_t word) {
  EditViewSettings& s = EditViews;
  if (word >= WORD_VIEW && word < WORD_VIEW + EDIT_VIEW_COUNT) {
    SelectEditView(int(word - WORD_VIEW));
    return;
  }
  if (word >= WORD_GRID && word < WORD_GRID + 4) {
    s.gridChoice = int32_t(word - WORD_GRID);
    return;
  }
  switch (word) {
    case WORD_RELOAD:
      RequestTextureReload();
      for (int i = 0; i < EDIT_VIEW_COUNT; ++i)
        if (s.records[i].kind == BACKGROUND_IMAGE) LoadBackgroundImage(i);
      return;
    case WORD_HIDE: s.buttonsHidden = 1; return;
    case WORD_SHOW: s.buttonsHidden = 0; return;
    case WORD_BLOB_DOWN: CfgBlobSize = std::max(CfgBlobSize - 1, 4); return;
    case WORD_BLOB_UP: CfgBlobSize = std::min(CfgBlobSize + 1, 10); return;
    case WORD_TEXT_DOWN:
    case WORD_TEXT_UP:
      CfgCharSize = std::clamp(CfgCharSize + (word == WORD_TEXT_UP ? 1 : -1), 1, 10);
      SetInterfaceMetrics();
      return;
    default: EditViewValueAction(owner, code, word); return;
  }
}

// The last row: the adjustment, the drag box's measures or the background's scale.  The drag
// box's measures take a second row above it (row is the next free one), so that each shows
// whole: the diagonal over the whole row, the width and the height over half each.
void AddMeasureRow(Prss* owner, const EditViewRecord* own, int& row) {
  const EditViewSettings& s = EditViews;
  const DragBox& box = s.dragBox;
  if (s.adjust) {
    std::snprintf(g_texts.scale, sizeof g_texts.scale, "bkg scale : %.4f", own ? own->scale : 0.0f);
    Button(owner, 4, WORD_SCALE, 0, g_texts.scale, BlockButton, "Type in the background image scale or use mouse wheel");
    Button(owner, 4, WORD_ADJUST, 1, "adjusting background", BlockButton, "Click to stop adjusting the background image");
    return;
  }
  if (box.state == DRAG_BOX_DRAGGING || box.state == DRAG_BOX_DONE) {
    const double w = std::fabs(double(box.viewCorners[1][0]) - box.viewCorners[0][0]) / 65536.0;
    const double h = std::fabs(double(box.viewCorners[1][1]) - box.viewCorners[0][1]) / 65536.0;
    std::snprintf(g_texts.diagonal, sizeof g_texts.diagonal, "diagonal : %.3f", std::sqrt(w * w + h * h));
    std::snprintf(g_texts.width, sizeof g_texts.width, "w : %.3f", w);
    std::snprintf(g_texts.height, sizeof g_texts.height, "h : %.3f", h);
    Button(owner, 8, 0, 0, g_texts.diagonal, nullptr, "The diagonal length of the drag box");
    Row(row++);
    Button(owner, 4, 0, 0, g_texts.width, nullptr, "Width of the drag box");
    Button(owner, 4, 0, 0, g_texts.height, nullptr, "Height of the drag box");
    return;
  }
  if (own && own->texture) {
    std::snprintf(g_texts.scale, sizeof g_texts.scale, "bkg scale : %.4f", own->scale);
    Button(owner, 3, WORD_SCALE, 0, g_texts.scale, BlockButton, "Scale of the background image");
    Button(owner, 5, 0, 0, "drag box not set", nullptr, "The drag box is not currently set (right mouse button)");
    return;
  }
  // Without a background the place holder takes a unit, so that "drag box not set" is whole.
  Button(owner, 1, 0, 0, "-", nullptr, nullptr);
  Button(owner, 7, 0, 0, "drag box not set", nullptr, "The drag box is not currently set (right mouse button)");
}

}  // namespace

// ---- [Button block] ----

int AddViewAreaControl(int leftUnits, int rightUnits) {
  const int left = leftUnits * ButtonWidth, right = ScreenWidth - rightUnits * ButtonWidth;
  if (ScreenWidth <= 0 || ScreenHeight <= 0 || right - left < VIEW_AREA_LEAST_UNITS * ButtonWidth) return -1;
  const float w = float(ScreenWidth), h = float(ScreenHeight);
  auto x = [w](int pixels) { return 2.0f * float(pixels) / w - 1.0f; };
  auto y = [h](int pixels) { return 2.0f * float(pixels) / h - 1.0f; };
  return AddValueControl(nullptr, &EditViews, IvInt(0), IvInt(0), IvInt(0), VIEW_AREA_DISPLAY_TYPE, nullptr, nullptr,
                         x(left), y(ButtonHeight), x(right), y(2 * ButtonHeight));
}

int AddEditViewButtons(Prss* owner, InterfaceHandler handler, int eyeMode) {
  EditViewSettings& s = EditViews;
  if (s.buttonsHidden) {
    SetRowCursorFromBottomRight(1, 1);
    Button(owner, 1, WORD_SHOW, 0, "+", BlockButton, "Show the bottom right buttons");
    return 1;
  }
  s.currentIndex = EditView::IndexFromCode(CurrentViewCode());
  int row = 1;
  Row(row++);
  Button(owner, 7, WORD_RELOAD, 0, "reload textures", BlockButton, "Reload all textures");
  Button(owner, 1, WORD_HIDE, 0, "-", BlockButton, "Hide the bottom right buttons");

  Row(row++);
  std::snprintf(g_texts.blob, sizeof g_texts.blob, "blob %d", CfgBlobSize);
  std::snprintf(g_texts.text, sizeof g_texts.text, "text %d", CfgCharSize);
  Button(owner, 2, 0, 0, g_texts.blob, nullptr, "Size of the point selection buttons");
  Button(owner, 1, WORD_BLOB_DOWN, 0, "-", BlockButton, "Size of the point selection buttons");
  Button(owner, 1, WORD_BLOB_UP, 0, "+", BlockButton, "Size of the point selection buttons");
  Button(owner, 2, 0, 0, g_texts.text, nullptr, "Size of editor text");
  Button(owner, 1, WORD_TEXT_DOWN, 0, "-", BlockButton, "Size of editor text");
  Button(owner, 1, WORD_TEXT_UP, 0, "+", BlockButton, "Size of editor text");

  Row(row++);
  const int pointUnits = eyeMode ? 3 : 4;
  Button(owner, pointUnits, 0, 0, "origin", handler, "Set view point to look at the origin");
  Button(owner, pointUnits, 1, 0, "object", handler, "Set view point to look at the object (O)");
  if (eyeMode == 1) Button(owner, 2, 2, 0, "eye", handler, "Set view point to driver's eye position");
  if (eyeMode == 2)
    AddRowButton(nullptr, 2, 2, 0, &TextColours.panelGrey, "eye", nullptr, "Include driver to enable eye view");

  Row(row++);
  for (int i = 0; i < 4; ++i) Button(owner, 2, WORD_GRID + i, s.gridChoice == i, GRID_LABELS[i], BlockButton, GRID_HINTS[i]);

  Row(row++);
  if (Is2D()) {
    const uint32_t code = static_cast<uint32_t>(CurrentViewCode());
    std::snprintf(g_texts.heading, sizeof g_texts.heading, "h : %.2f", DirectionHeading(code) / 4.0);
    std::snprintf(g_texts.pitch, sizeof g_texts.pitch, "p : %.2f", DirectionPitch(code) / 4.0);
    Button(owner, 4, WORD_HEADING, 0, g_texts.heading, BlockButton,
           "Change the 2D view heading (CTRL or SHIFT + arrow keys)");
    Button(owner, 4, WORD_PITCH, 0, g_texts.pitch, BlockButton, "Change the 2D view pitch (CTRL or SHIFT + arrow keys)");
  } else {
    Button(owner, 4, 0, 0, "", nullptr, nullptr);
    Button(owner, 4, 0, 0, "", nullptr, nullptr);
  }

  Row(row++);
  for (int i = 0; i < EDIT_VIEW_COUNT; ++i)
    Button(owner, 1, WORD_VIEW + i, s.currentIndex == i, VIEW_LABELS[i], BlockButton, VIEW_HINTS[i]);
  Button(owner, 1, WORD_FOV, 0, "\x95", BlockButton, "Set the field of view (FOV) of the 3D view");

  Row(row++);
  Button(owner, 4, WORD_LOAD_SCHEME, 0, "load scm", BlockButton, "Load a scheme of backgrounds for 2D views");
  Button(owner, 4, WORD_SAVE_SCHEME, 0, "save scm", BlockButton, "Save the current scheme of 2D view backgrounds");

  const int axis = CurrentAxisIndex();
  const EditViewRecord* own = axis ? &s.records[axis] : nullptr;
  if (axis) {
    Row(row++);
    if (own->kind == BACKGROUND_IMAGE) {
      Button(owner, 2, WORD_LOAD_BACKGROUND, 0, own->imageName, BlockButton, LOAD_BACKGROUND_HINT);
      Button(owner, 2, 0, 0, "bkg", nullptr, nullptr);
      Button(owner, 2, WORD_ADJUST, s.adjust, "adjust", BlockButton,
             "Allow adjustment of the background position and scale");
      Button(owner, 2, WORD_REMOVE, 0, "remove", BlockButton, "Remove the current background image from the scheme");
    } else {
      Button(owner, 4, WORD_LOAD_BACKGROUND, 0, "load bkg", BlockButton, LOAD_BACKGROUND_HINT);
      Button(owner, 4, WORD_USE_OPPOSITE, own->kind == BACKGROUND_OPPOSITE, "use opp", BlockButton,
             "Use a flipped version of the opposite side's background image");
    }
  }
  Row(row++);
  AddMeasureRow(owner, own && own->kind == BACKGROUND_IMAGE ? own : nullptr, row);
  return row - 1;
}

void EditViewValueAction(void* ownerArgument, int, uintptr_t word) {
  Prss* owner = static_cast<Prss*>(ownerArgument);
  EditViewSettings& s = EditViews;
  char current[32];
  switch (word) {
    case WORD_FOV:
      SelectEditView(VIEW_PERSPECTIVE);
      std::snprintf(current, sizeof current, "%.1f", s.fieldOfView);
      Ask(owner, FovTyped, "Enter new value for FOV", 8, WORD_FOV, current, 0, nullptr);
      return;
    case WORD_HEADING:
    case WORD_PITCH: {
      if (!Is2D()) return;
      const uint32_t code = static_cast<uint32_t>(CurrentViewCode());
      std::snprintf(current, sizeof current, "%.2f",
                    (word == WORD_HEADING ? DirectionHeading(code) : DirectionPitch(code)) / 4.0);
      Ask(owner, AngleTyped, word == WORD_HEADING ? "Enter new value for heading" : "Enter new value for pitch", 8,
          uint32_t(word), current, 0, nullptr);
      return;
    }
    case WORD_SCALE: {
      const int index = CurrentAxisIndex();
      if (index == 0) return;
      std::snprintf(current, sizeof current, "%.4f", s.records[index].scale);
      Ask(owner, ScaleTyped, "Enter new value for scale", 8, WORD_SCALE, current, 0, nullptr);
      return;
    }
    case WORD_LOAD_BACKGROUND:
      if (CurrentAxisIndex() == 0) return;
      Ask(owner, BackgroundChosen, "Select background texture to load", BACKGROUND_NAME_SIZE, WORD_LOAD_BACKGROUND,
          s.records[CurrentAxisIndex()].imageName, 5, BACKGROUND_IMAGE_PATTERN);
      return;
    case WORD_LOAD_SCHEME:
      Ask(owner, SchemeChosen, "Name of scheme to LOAD?", 32, WORD_LOAD_SCHEME, "", 4, SCHEME_FILE_PATTERN);
      return;
    case WORD_SAVE_SCHEME:
      Ask(owner, SchemeChosen, "Name of scheme to SAVE?", 32, WORD_SAVE_SCHEME, "", 6, SCHEME_FILE_PATTERN);
      return;
    case WORD_ADJUST: s.adjust ^= 1; return;
    case WORD_REMOVE: {
      const int index = CurrentAxisIndex();
      if (index == 0) return;
      ReleaseBackgroundTexture(s.records[index]);
      s.records[index].Clear();
      return;
    }
    case WORD_USE_OPPOSITE: {
      const int index = CurrentAxisIndex();
      if (index == 0) return;
      EditViewRecord& r = s.records[index];
      if (r.kind == BACKGROUND_NONE || r.kind == BACKGROUND_OPPOSITE)
        r.kind = r.kind == BACKGROUND_NONE ? BACKGROUND_OPPOSITE : BACKGROUND_NONE;
      return;
    }
    default: return;
  }
}

int CheckTexturesReady(Prss* owner) {
  const char* why = !CfgCompressedTex ? "You must enable compressed textures"
                    : TextureReloadPending ? "Textures are still reloading"
                                           : nullptr;
  if (!why) return 1;
  ReportBox(owner, why);
  return 0;
}
