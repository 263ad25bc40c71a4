// modeller_options.cpp - the option pages of the operations: the circle, the extrusion, the
// lathe, the point merge and the detail reduction.  A page is the message sub-screen with its
// title, its controls drawn under it each frame and "yes" running the operation.
#include "modeller/operations/modeller_options.h"

#include <algorithm>
#include <cstdio>

#include "core/window_state.h"
#include "modeller/state/modeller_operations.h"
#include "text/language.h"
#include "text/language_keys.h"
#include "text/text_colours.h"
#include "text/text_strings.h"
#include "ui/dialogs.h"
#include "ui/interface.h"

ModellerOptionValues ModellerOptions;

namespace {

constexpr const char* PAGE_TITLES[OPTIONS_PAGE_COUNT] = {
    "Options for circle of points", "Extrude options", "Lathe options", "Point merge options",
    "Detail reduction options",
};
// The page's height in rows (a half row between groups), for the room under the title.
constexpr float PAGE_ROWS[OPTIONS_PAGE_COUNT] = {2.0f, 7.5f, 10.0f, 5.5f, 1.0f};
constexpr int OPTION_UNITS = 10;
constexpr int TYPED_OPTION_LENGTH = 12;

constexpr const char* CLOSURE_CHOICES[2] = {"open (orange only)", "closed (orange + red)"};
constexpr const char* SIDES_CHOICES[3] = {"outside", "inside", "outside + inside"};
constexpr const char* MERGE_CHOICES[3] = {"merge to average location", "merge to last selected point",
                                          "merge by specified distance"};

// The typed numbers of the pages, by the word their button carries.
struct TypedOption {
  const char* label;
  float* value;
  float minimum, maximum;
};
enum TypedOptionWord : int { TYPED_RADIUS = 0, TYPED_ROTATION, TYPED_MERGE_DISTANCE, TYPED_REDUCTION_LENGTH };
const TypedOption TYPED_OPTIONS[4] = {
    {"Radius of circle %.3f m", &ModellerOptions.circleRadius, 0.001f, 1000.0f},
    {"Anti-clockwise rotation %.2f\xB0", &ModellerOptions.latheRotation, 1.0f, 360.0f},
    {"Minimum distance %.4f m", &ModellerOptions.mergeDistance, 0.0001f, 0.5f},
    {"Minimum length %.3f m", &ModellerOptions.reductionLength, 0.001f, 0.5f},
};

struct OpenPage {
  int page = -1;
  ModellerRunFunction run = nullptr;
};
OpenPage g_open;

void PageConfirmed(Prss* owner, uint32_t, uint32_t) {
  const ModellerRunFunction run = g_open.run;
  g_open = OpenPage{};
  ModellerScreen* s = ModellerOf(owner);
  if (s && run) run(*s);
}

void DrawOpenPage(MessageSub* box, float left, float top, float, float) {
  if (g_open.page < 0) return;
  const int x = int((left + 1.0f) * 0.5f * float(ScreenWidth)) + ButtonWidth / 2;
  const int y = int((top + 1.0f) * 0.5f * float(ScreenHeight));
  DrawModellerOptionsPage(g_open.page, &box->prss, x, y);
}

// The answer of a typed number: an empty text changes nothing; the value is kept within the
// bounds.
void TypedOptionAnswer(Prss*, const char* text, uint32_t word) {
  if (word >= 4 || !text || !text[0]) return;
  const TypedOption& o = TYPED_OPTIONS[word];
  *o.value = std::clamp(StringToFloat(text), o.minimum, o.maximum);
}

void TypedOptionClick(void* owner, int, uintptr_t word) {
  if (word >= 4) return;
  const TypedOption& o = TYPED_OPTIONS[word];
  char shown[64], prompt[DIALOG_TEXT_SIZE], initial[32];
  std::snprintf(shown, sizeof shown, o.label, double(*o.value));
  std::snprintf(prompt, sizeof prompt, LanguageTexts[TX_3a_newvalfx], shown);
  std::snprintf(initial, sizeof initial, "%g", double(*o.value));
  AskText(static_cast<Prss*>(owner), TypedOptionAnswer, prompt, TYPED_OPTION_LENGTH, uint32_t(word), initial, 0,
          ENTRY_TYPE_SINGLE_BYTE, nullptr);
}

// The choices of the pages: a button's word is the variable's number times 8 plus the index.
int32_t* const CHOICE_VARIABLES[5] = {&ModellerOptions.extrudeClosure, &ModellerOptions.extrudeSides,
                                      &ModellerOptions.latheClosure, &ModellerOptions.latheSides,
                                      &ModellerOptions.mergeType};
constexpr int CHOICES_PER_VARIABLE = 8;

void ChoiceClick(void*, int, uintptr_t word) {
  const uintptr_t variable = word / CHOICES_PER_VARIABLE;
  if (variable < 5) *CHOICE_VARIABLES[variable] = int32_t(word % CHOICES_PER_VARIABLE);
}

// The rows of the page being drawn: the cursor moves a row a control and half a row between
// groups.
struct PageRows {
  Prss* owner;
  int left;
  int y;
  void Next(float rows = 1.0f) { y += int(float(ButtonHeight) * rows); }
  void At() { RowCursorX = left, RowCursorY = y; }
  void Slider(const char* label, uint8_t* value, int minimum, int maximum) {
    At();
    AddRowColourButton(owner, label, minimum, maximum, value, &TextColours.lightOrange, nullptr, nullptr);
    Next();
  }
  void Typed(int word) {
    static char texts[4][64];  // read while the frame's buttons are drawn
    const TypedOption& o = TYPED_OPTIONS[word];
    std::snprintf(texts[word], sizeof texts[word], o.label, double(*o.value));
    At();
    AddRowButton(owner, OPTION_UNITS, uintptr_t(word), 0, &TextColours.lightOrange, texts[word], TypedOptionClick,
                 "Click to type a value");
    Next();
  }
  // A label, then each choice on a row of its own, the chosen one lit.
  void Choices(const char* label, int variable, const char* const* texts, int count) {
    At();
    AddRowButton(owner, OPTION_UNITS, 0, 0, &TextColours.grey, label, nullptr, nullptr);
    Next();
    const int32_t chosen = *CHOICE_VARIABLES[variable];
    for (int i = 0; i < count; ++i) {
      At();
      AddRowButton(owner, OPTION_UNITS, uintptr_t(variable * CHOICES_PER_VARIABLE + i), chosen == i,
                   &TextColours.lightOrange, texts[i], ChoiceClick, nullptr);
      Next();
    }
  }
};

}  // namespace

int OpenModellerOptions(ModellerScreen& screen, ModellerRunFunction run, int page) {
  if (page < 0 || page >= OPTIONS_PAGE_COUNT || screen.prss.sub) return 0;
  const float height = PAGE_ROWS[page] * float(ButtonHeight) * 2.0f / float(std::max(ScreenHeight, 1));
  if (!OpenMessagePage(&screen.prss, PageConfirmed, PAGE_TITLES[page], DrawOpenPage, height)) return 0;
  g_open = OpenPage{page, run};
  return 1;
}

int OpenOptionsPage() {
  const MessageSub& box = MessageBoxDialog;
  return box.prss.alive && box.drawCallback == DrawOpenPage ? g_open.page : -1;
}

void DrawModellerOptionsPage(int page, Prss* owner, int left, int top) {
  ModellerOptionValues& v = ModellerOptions;
  PageRows rows{owner, left, top};
  switch (page) {
    case OPTIONS_CIRCLE:
      rows.Slider("Number of points %.0f", &v.circlePoints, 3, 80);
      rows.Typed(TYPED_RADIUS);
      break;
    case OPTIONS_EXTRUDE:
      rows.Choices("Open or closed", 0, CLOSURE_CHOICES, 2);
      rows.Next(0.5f);
      rows.Choices("Add triangles", 1, SIDES_CHOICES, 3);
      break;
    case OPTIONS_LATHE:
      rows.Slider("Number of steps %.0f", &v.latheSteps, 1, 80);
      rows.Typed(TYPED_ROTATION);
      rows.Next(0.5f);
      rows.Choices("Open or closed", 2, CLOSURE_CHOICES, 2);
      rows.Next(0.5f);
      rows.Choices("Add triangles", 3, SIDES_CHOICES, 3);
      break;
    case OPTIONS_MERGE:
      rows.Choices("Type of merge", 4, MERGE_CHOICES, 3);
      if (v.mergeType == MERGE_BY_DISTANCE) {
        rows.Next(0.5f);
        rows.Typed(TYPED_MERGE_DISTANCE);
      }
      break;
    case OPTIONS_REDUCTION:
      rows.Typed(TYPED_REDUCTION_LENGTH);
      break;
    default: break;
  }
}
