// dash_editor.cpp - the dashboard editor page: its rows by dash type, the block edits its
// buttons make, its questions and its load and save prompts.
#include "dashboard/dash_editor.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "dashboard/dash_block.h"
#include "dashboard/dash_draw_local.h"
#include "dashboard/dash_figures.h"
#include "dashboard/dash_file.h"
#include "model/model_object.h"
#include "physics/car.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/interface_draw.h"
#include "ui/interface.h"
#include "ui/shapes_2d.h"
#include "ui/widgets.h"

namespace {

// ---- layout ----
// A column of rows, in button widths: as wide as the rows fit at their full height, down to the
// narrowest.
constexpr int COLUMN_UNITS_WIDEST = 14, COLUMN_UNITS_NARROWEST = 10;
constexpr int LABEL_UNITS = 2;    // a row's leading label ("Max", "Unit", "Out")

// The interface's step arrows, as glyph codes.
constexpr const char* TEXT_LEFT = "\x8B";
constexpr const char* TEXT_RIGHT = "\x9B";

DashEditorPage* PageOf(void* owner) { return static_cast<DashEditorPage*>(owner); }
Car& CarOf(void* owner) { return *PageOf(owner)->car; }

// The rows run down a column from the top; a row that would reach the bottom row starts the
// next column, which begins under the preview square where it lies beside it.  Sliders take
// half a row each, two side by side.  A counting pass lays the rows out without adding
// controls, so that the page can choose a row height at which every row is on the screen.
// A section (a heading or a switch with the rows under it) stands in one column: a measuring
// pass first lays the rows down one endless column to learn where each section begins, and a
// section that would not fit under the rows before it (but fits a column) starts the next
// column, so that no section's rows go on at the top of another column under another's.
constexpr int MAX_SECTIONS = 64;
struct Rows {
  Prss* owner;
  int h = 0;         // row height, pixels
  int counting = 0;  // lay out only
  int units = COLUMN_UNITS_NARROWEST;
  int column = 0, left = 0, y = 0, started = 0, halfFree = 0;
  int bottom = 0, previewLeft = 0, previewBottom = 0;
  int measuring = 0;                       // one endless column
  int section = 0;                         // sections begun so far
  int sectionCount = 0;                    // measured: sections, their first rows' tops and the end
  int sectionTop[MAX_SECTIONS] = {};
  int end = 0;
};

int ColumnWidth(const Rows& r) { return r.units * ButtonWidth; }

void StartColumn(Rows& r) {
  r.left = r.column * ColumnWidth(r);
  r.y = r.left + ColumnWidth(r) > r.previewLeft ? r.previewBottom : 0;
  r.started = 0;
}

// Moves to the next row (the first row of a column stays at its top) and puts the row cursor
// at its left edge.
void Row(Rows& r) {
  if (r.started) r.y += r.h;
  r.started = 1;
  r.halfFree = 0;
  if (r.y + r.h > r.bottom) {
    ++r.column;
    StartColumn(r);
    r.started = 1;
  }
  RowCursorX = r.left;
  RowCursorY = r.y;
}

void Gap(Rows& r) {
  if (r.started) r.y += r.h / 2;
  r.halfFree = 0;
}

int NextRowTop(const Rows& r) { return r.started ? r.y + r.h : r.y; }

void Section(Rows& r) {
  const int k = r.section++;
  if (k >= MAX_SECTIONS) return;
  if (r.measuring) {
    r.sectionTop[k] = NextRowTop(r);
    r.sectionCount = k + 1;
    return;
  }
  if (k >= r.sectionCount || !r.started) return;
  const int height = (k + 1 < r.sectionCount ? r.sectionTop[k + 1] : r.end) - r.sectionTop[k];
  const int room = r.bottom - (r.left + 2 * ColumnWidth(r) > r.previewLeft ? r.previewBottom : 0);
  if (NextRowTop(r) + height > r.bottom && height <= room) {
    ++r.column;
    StartColumn(r);
  }
}

// Whether the rows laid out so far end within the screen.
int Fits(const Rows& r) { return r.left + ColumnWidth(r) <= ScreenWidth; }

float NormalX(int px) { return ScreenWidth > 0 ? 2.0f * float(px) / float(ScreenWidth) - 1.0f : -1.0f; }
float NormalY(int py) { return ScreenHeight > 0 ? 2.0f * float(py) / float(ScreenHeight) - 1.0f : -1.0f; }
float NormalHeight(int pixels) { return ScreenHeight > 0 ? 2.0f * float(pixels) / float(ScreenHeight) : 0.0f; }

// ---- the block ----
uint32_t FlagsOf(const Car& car) { return DashFlags(car.dash); }
void SetFlags(Car& car, uint32_t flags) { SetDashFlags(car.dash, flags); }

// Offsets of the records in the two blocks.
constexpr int DialOffset(int dial) { return int(offsetof(AnalogDashBlock, dials)) + dial * int(sizeof(DashDial)); }
constexpr int LampOffset(int lamp) { return DASH_LAMP_OFFSET + lamp * DASH_LAMP_BYTES; }
constexpr int DIAL_MAXIMUM = int(offsetof(DashDial, maximum));
constexpr int DIAL_STYLE = int(offsetof(DashDial, style));
constexpr int DIAL_UNIT = int(offsetof(DashDial, unit));
constexpr int TACHO_CENTRE = int(offsetof(FormulaDashBlock, tachometerX));
constexpr int TACHO_SHAPE = int(offsetof(FormulaDashBlock, arc));
constexpr int ARC_STYLE = TACHO_SHAPE + int(offsetof(LcdArcShape, style));
constexpr int FORMULA_TACHO_BYTES = 12;  // centre and shape: bytes 4..15
constexpr uint8_t ARC_NO_FIGURES = 16;   // the LCD arc's style bit that hides its figures

// Word of a button that works on a byte: its offset and an argument.
constexpr uintptr_t ByteWord(int offset, int argument) { return uintptr_t(offset) << 8 | uintptr_t(argument & 0xFF); }
int OffsetOf(uintptr_t word) { return int(word >> 8) & 0xFF; }
int ArgumentOf(uintptr_t word) { return int(word & 0xFF); }

int IsAnalog(const Car& car) { return car.dashType == DASH_TYPE_ANALOG_DARK || car.dashType == DASH_TYPE_ANALOG_WHITE; }
int HasTurbo(const Car& car) { return (car.engine.flags & ENGINE_TURBO) != 0; }

// The backing colour is a colour to cover (not opaque black) and no texture backs the dash.
int BlackRectangleShown(const Car& car) {
  if (car.dashboardTexture) return 0;
  DashCarState s;
  s.dashType = car.dashType;
  std::memcpy(s.block, car.dash, sizeof s.block);
  return BackingColour(s) != DASH_BLACK;
}

// ---- handlers ----
void FlipFlag(void* owner, int, uintptr_t mask) {
  Car& car = CarOf(owner);
  SetFlags(car, FlagsOf(car) ^ uint32_t(mask));
}

// A choice between a flag's two senses: the word's top bit says which sense it sets.
constexpr uintptr_t CHOICE_SET = uintptr_t(1) << 31;
void ChooseFlag(void* owner, int, uintptr_t word) {
  Car& car = CarOf(owner);
  const uint32_t mask = uint32_t(word & ~CHOICE_SET);
  SetFlags(car, word & CHOICE_SET ? FlagsOf(car) | mask : FlagsOf(car) & ~mask);
}

void FlipByteBit(void* owner, int, uintptr_t word) { CarOf(owner).dash[OffsetOf(word)] ^= uint8_t(ArgumentOf(word)); }

void SetUnitPlace(void* owner, int, uintptr_t word) {
  uint8_t& unit = CarOf(owner).dash[OffsetOf(word)];
  unit = uint8_t((unit & ~3) | (ArgumentOf(word) & 3));
}

void StepUnitOut(void* owner, int, uintptr_t word) {
  uint8_t& unit = CarOf(owner).dash[OffsetOf(word)];
  const int out = std::clamp((unit >> 4) + (ArgumentOf(word) ? 1 : -1), 0, 15);
  unit = uint8_t((unit & 0x0F) | out << 4);
}

// The maximum of the speedometer (argument bit 1) or the tachometer: 0 automatic, 1 manual,
// 2 down, 3 up (by 10 with the click code's bit 1).
enum MaximumAction { MAX_AUTO = 0, MAX_MANUAL = 1, MAX_DOWN = 2, MAX_UP = 3 };
constexpr int MAX_SPEEDOMETER = 4;
void SetDialMaximum(void* owner, int click, uintptr_t word) {
  Car& car = CarOf(owner);
  const int action = int(word & 3);
  const int speedometer = (word & MAX_SPEEDOMETER) != 0;
  uint8_t& maximum = car.dash[DialOffset(speedometer ? DASH_SPEEDOMETER : DASH_TACHOMETER) + DIAL_MAXIMUM];
  const int least = speedometer ? DASH_SPEEDOMETER_LEAST : DASH_TACHOMETER_LEAST;
  const int most = speedometer ? DASH_SPEEDOMETER_MOST : DASH_TACHOMETER_MOST;
  switch (action) {
    case MAX_AUTO: maximum = 0; return;
    case MAX_MANUAL:
      maximum = uint8_t(speedometer ? DashSpeedometerManualMaximum(car.topSpeed)
                                    : DashTachometerManualMaximum(car.engine.redline));
      return;
    default: {
      const int step = (click & 2) ? 10 : 1;
      maximum = uint8_t(std::clamp(int(maximum) + (action == MAX_UP ? step : -step), least, most));
      return;
    }
  }
}

void ExplainUnitTest(void* owner, int, uintptr_t) { ReportBox(&PageOf(owner)->prss, TEXT_DASH_UNIT_TEST); }
void FlipSpeedUnit(void*, int, uintptr_t) { DashUnits.kmh = !DashUnits.kmh; }

void ChooseDisplayStyle(void* owner, int, uintptr_t style) { SetDashDisplayStyle(CarOf(owner), int(style)); }

void ChooseLampSymbol(void* owner, int, uintptr_t word) {
  Car& car = CarOf(owner);
  if (car.dashType < 1 || car.dashType > 3) return;
  car.dash[LampOffset(OffsetOf(word)) + int(offsetof(DashLight, symbol))] = uint8_t(ArgumentOf(word));
}

// ---- questions ----
void SignalAnswered(Prss* owner, uint32_t, uint32_t) { FlipFlag(owner, 0, DASH_ANALOG_SEPARATE_SIGNALS); }
void TachometerAnswered(Prss* owner, uint32_t, uint32_t) { FlipDashTachometerKind(CarOf(owner)); }
void GearAnswered(Prss* owner, uint32_t, uint32_t) { FlipDashGearKind(CarOf(owner)); }
void RestoreAnswered(Prss* owner, uint32_t, uint32_t) { CarOf(owner).SetDashDefaults(); }

void AskSignal(void* owner, int, uintptr_t) {
  const char* q = FlagsOf(CarOf(owner)) & DASH_ANALOG_SEPARATE_SIGNALS ? "Change signal type to SHARED?"
                                                                        : "Change signal type to SEPARATE?";
  ReportQuestion(&PageOf(owner)->prss, SignalAnswered, q, nullptr, 0, 0, 0);
}
void AskTachometer(void* owner, int, uintptr_t) {
  const char* q = FlagsOf(CarOf(owner)) & DASH_FORMULA_LED_TACHOMETER ? "Change tacho type to LCD?"
                                                                      : "Change tacho type to LED?";
  ReportQuestion(&PageOf(owner)->prss, TachometerAnswered, q, nullptr, 0, 0, 0);
}
void AskGear(void* owner, int, uintptr_t) {
  const char* q = FlagsOf(CarOf(owner)) & DASH_FORMULA_LED_GEAR ? "Change gear type to LCD?" : "Change gear type to LED?";
  ReportQuestion(&PageOf(owner)->prss, GearAnswered, q, nullptr, 0, 0, 0);
}
void AskRestore(void* owner, int, uintptr_t) {
  ReportQuestion(&PageOf(owner)->prss, RestoreAnswered, "Restore default settings?", "All changes will be lost", 0, 0, 0);
}

// ---- load and save ----
enum FileWord : uint32_t { FILE_LOAD = 0, FILE_SAVE = 1 };

void NameTyped(Prss* owner, const char* text, uint32_t word) {
  Car& car = CarOf(owner);
  // The dash file checks the name (FileNameFault) before any path is made, and says why
  // it refuses a name or a file; the block changes only after a complete read.
  if (word == FILE_SAVE) {
    SaveDash(owner, car, text);
  } else if (LoadDash(owner, car, text) == DASH_FILE_OK) {
    ReportLabelledLine(TEXT_DASH_LOADED, text, REPORT_GREY);
  }
}

void AskFileName(void* owner, int, uintptr_t word) {
  DashEditorPage& p = *PageOf(owner);
  if (DashBlockSize(p.car->dashType) == 0) {
    ReportBox(&p.prss, TEXT_DASH_NOT_SAVED);
    return;
  }
  if (p.prss.sub) return;
  AskText(&p.prss, NameTyped, word == FILE_SAVE ? TEXT_DASH_SAVE_PROMPT : TEXT_DASH_LOAD_PROMPT, DASH_NAME_LENGTH,
          uint32_t(word), p.car->vehicleName, 0, 0, DASH_FILE_PATTERN);
}

void ReloadBacking(void* owner, int, uintptr_t) {
  const TexturePage* page = CarOf(owner).FindDashboardMaterial();
  if (!page || !page->name[0]) return;
  char name[MODEL_NAME_SIZE + 1] = {};
  std::memcpy(name, page->name, MODEL_NAME_SIZE);
  ReloadTextureByName(name);
}

void Close(void* owner, int, uintptr_t) {
  Prss* p = &PageOf(owner)->prss;
  p->terminate(p);
}

// ---- controls ----
ColourWord* Choice(int selected) { return selected ? &TextColours.lightYellow : nullptr; }

// A button at the row cursor, `units` W wide and one row high (a text; a label for a heading).
void Place(Rows& r, Prss* owner, const char* text, int units, uintptr_t word, int lit, ColourWord* colour,
           InterfaceHandler handler, ButtonStyle style = BUTTON_STYLE_TEXT) {
  const int left = RowCursorX, right = left + units * ButtonWidth;
  RowCursorX = right;
  if (r.counting) return;
  AddButton(handler ? owner : nullptr, left, RowCursorY, right, RowCursorY + r.h, word,
            style == BUTTON_STYLE_SYMBOL ? GlyphCodes(text) : IvText(text), IvInt(0), IvInt(lit), style, colour,
            handler, nullptr);
}
void Label(Rows& r, const char* text, int units) { Place(r, nullptr, text, units, 0, 0, nullptr, nullptr); }
void Heading(Rows& r, const char* text) {
  Section(r);
  Row(r);
  Place(r, nullptr, text, r.units, 0, 0, &TextColours.lightCyan, nullptr, BUTTON_STYLE_LABEL);
}
void Button(Rows& r, const char* text, int units, uintptr_t word, int selected, InterfaceHandler handler) {
  Place(r, r.owner, text, units, word, selected, Choice(selected), handler);
}
// A button labelled with the character set's symbols (glyph codes), which no code page shows.
void SymbolButton(Rows& r, const char* codes, int units, uintptr_t word, int selected, InterfaceHandler handler) {
  Place(r, r.owner, codes, units, word, selected, Choice(selected), handler, BUTTON_STYLE_SYMBOL);
}
// A full-width row button: a toggle whose text reads the flag's sense.
void ToggleRow(Rows& r, const char* text, uintptr_t word, InterfaceHandler handler) {
  Section(r);
  Row(r);
  Button(r, text, r.units, word, 0, handler);
}
// A whole number through its format (style 40).
void Number(Rows& r, const char* format, int value, int units) {
  const int left = RowCursorX, right = left + units * ButtonWidth;
  RowCursorX = right;
  if (r.counting) return;
  AddButton(nullptr, left, RowCursorY, right, RowCursorY + r.h, 0, IvInt(value), IvText(format), IvInt(0),
            BUTTON_STYLE_INT_FORMAT, nullptr, nullptr, nullptr);
}

void Slider(Rows& r, Car& car, const char* label, int offset, float minimum, float maximum, int lowest, int highest) {
  const int half = ColumnWidth(r) / 2;
  int x = r.left + half;
  if (!r.halfFree) {
    Row(r);
    x = r.left;
    r.halfFree = 1;
  } else {
    r.halfFree = 0;
  }
  if (r.counting) return;
  // A gap after each slider, so that its step arrow and the next one's read as two.
  const int gap = std::max(1, r.h / 8);
  AddSlider(r.owner, label, &car.dash[offset], NormalX(x), NormalX(x + half - gap), NormalY(r.y), NormalHeight(r.h),
            minimum, maximum, lowest, highest, nullptr);
}

void ColourEditor(Rows& r, Car& car, const char* label, int offset) {
  Row(r);
  Row(r);  // the editor takes two rows: its label and its sliders
  if (r.counting) return;
  AddColourEditor(r.owner, reinterpret_cast<ColourWord*>(&car.dash[offset]), label, nullptr, nullptr,
                  NormalY(r.y - r.h), NormalX(r.left), NormalX(r.left + ColumnWidth(r)), NormalHeight(r.h));
}

void DialEditor(Rows& r, Car& car, int dial, int withSymbol) {
  static const char* const STYLE_NAMES[8] = {"col", "long", "above", "pivot", "num", "symbol", "marks", "small"};
  const int offset = DialOffset(dial);
  const uint8_t style = car.dash[offset + DIAL_STYLE];
  int placed = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (bit == 5 && !withSymbol) continue;
    if (placed % 4 == 0) Row(r);
    ++placed;
    const uint8_t mask = uint8_t(1u << bit);
    // "col", "long", "above" and "small" are on while their bit is set, the others while clear.
    const int setMeansOn = bit <= 2 || bit == 7;
    const int on = ((style & mask) != 0) == (setMeansOn != 0);
    Button(r, STYLE_NAMES[bit], r.units / 4, ByteWord(offset + DIAL_STYLE, mask), on, FlipByteBit);
  }
  Slider(r, car, "X %.2f", offset + int(offsetof(DashDial, x)), -1.0f, 1.0f, 0, 200);
  Slider(r, car, "Y %.2f", offset + int(offsetof(DashDial, y)), -1.0f, 1.0f, 0, 200);
  Slider(r, car, "Start Angle %.0f", offset + int(offsetof(DashDial, start)), 0.0f, 360.0f, 0, 72);
  Slider(r, car, "Turn Angle %.0f", offset + int(offsetof(DashDial, turn)), 60.0f, 360.0f, 12, 72);
  Slider(r, car, "Radius %.3f", offset + int(offsetof(DashDial, radius)), 0.1f, 1.0f, 20, 200);
}

void UnitPlacement(Rows& r, Car& car, int dial) {
  static const char* const PLACES[4] = {"none", "above", "below", "gap"};
  const int offset = DialOffset(dial) + DIAL_UNIT;
  const uint8_t unit = car.dash[offset];
  Row(r);
  Label(r, "Unit", LABEL_UNITS);
  for (int i = 0; i < 4; ++i)
    Button(r, PLACES[i], (r.units - LABEL_UNITS) / 4, ByteWord(offset, i), (unit & 3) == i, SetUnitPlace);
  if ((unit & 3) == 0) return;
  Row(r);
  Label(r, "Out", LABEL_UNITS);
  SymbolButton(r, TEXT_LEFT, 1, ByteWord(offset, 0), 0, StepUnitOut);
  Number(r, "%d", unit >> 4, 2);
  SymbolButton(r, TEXT_RIGHT, 1, ByteWord(offset, 1), 0, StepUnitOut);
}

// "Max": "auto" or "manual"; with manual the arrows and the maximum through its format.
void MaximumRow(Rows& r, Car& car, int dial, const char* format, int factor) {
  const uintptr_t base = dial == DASH_SPEEDOMETER ? MAX_SPEEDOMETER : 0;
  const int maximum = car.dash[DialOffset(dial) + DIAL_MAXIMUM];
  Row(r);
  Label(r, "Max", LABEL_UNITS);
  Button(r, "auto", 2, base | MAX_AUTO, maximum == 0, SetDialMaximum);
  Button(r, "manual", 2, base | MAX_MANUAL, maximum != 0, SetDialMaximum);
  if (maximum == 0) return;
  SymbolButton(r, TEXT_LEFT, 1, base | MAX_DOWN, 0, SetDialMaximum);
  Number(r, format, maximum * factor, 2);
  SymbolButton(r, TEXT_RIGHT, 1, base | MAX_UP, 0, SetDialMaximum);
}

// A speed toggle, with "Test" and the speed unit's button on the row under it (the toggle's
// text takes the whole row).
void SpeedToggle(Rows& r, const char* text, uint32_t mask) {
  ToggleRow(r, text, mask, FlipFlag);
  Row(r);
  Button(r, "Test", 3, 0, 0, ExplainUnitTest);
  Button(r, DashUnits.kmh ? "km/h" : "mph", 3, 0, 0, FlipSpeedUnit);
}

void BoxEditor(Rows& r, Car& car, int offset) {
  Slider(r, car, "X %.2f", offset + int(offsetof(DashBox, x)), -1.0f, 1.0f, 0, 200);
  Slider(r, car, "Y %.2f", offset + int(offsetof(DashBox, y)), -1.0f, 1.0f, 0, 200);
  Slider(r, car, "Width %.2f", offset + int(offsetof(DashBox, width)), 0.05f, 0.5f, 5, 50);
  Slider(r, car, "Height %.2f", offset + int(offsetof(DashBox, height)), 0.05f, 0.5f, 5, 50);
}

void RectangleEditor(Rows& r, Car& car, int offset) {
  Slider(r, car, "X %.2f", offset + int(offsetof(DashRect, x)), 0.0f, 64.0f, 0, 64);
  Slider(r, car, "Y %.2f", offset + int(offsetof(DashRect, y)), 0.0f, 64.0f, 0, 64);
  Slider(r, car, "Width %.2f", offset + int(offsetof(DashRect, width)), 0.0f, 64.0f, 0, 64);
  Slider(r, car, "Height %.2f", offset + int(offsetof(DashRect, height)), 0.0f, 32.0f, 0, 32);
}

// The one-glyph labels of the symbol buttons.
const char* GlyphText(uint8_t code) {
  static char texts[256][2];
  texts[code][0] = char(code);
  return texts[code];
}

void LampEditors(Rows& r, Car& car) {
  const uint32_t mask = car.flagWord;
  for (int lamp = 0; lamp < DASH_LAMPS; ++lamp) {
    if (!(mask & (1u << lamp))) continue;
    const DashLampKind& kind = DASH_LAMP_KINDS[lamp];
    const int offset = LampOffset(lamp);
    // The lamp's name (or the signal question), then one button per symbol on the same row.
    constexpr int SYMBOL_UNITS = 3;
    Section(r);
    Row(r);
    switch (lamp) {
      case DASH_LAMP_LEFT:
        Button(r, "Left indicator (click : SHARED)", r.units - SYMBOL_UNITS, 0, 0, AskSignal);
        break;
      case DASH_LAMP_RIGHT:
        Button(r, "Right indicator (click : SHARED)", r.units - SYMBOL_UNITS, 0, 0, AskSignal);
        break;
      case DASH_LAMP_SIGNALS:
        Button(r, "Shared indicator (click : SEPARATE)", r.units - SYMBOL_UNITS, 0, 0, AskSignal);
        break;
      default: Label(r, kind.name, r.units - SYMBOL_UNITS); break;
    }
    const uint8_t symbol = car.dash[offset + int(offsetof(DashLight, symbol))];
    const uint8_t glyphs[3] = {DASH_PLAIN_LAMP_GLYPH, kind.symbols[0], kind.symbols[1]};
    for (int i = 0; i < 3; ++i) {
      if (i == 2 && glyphs[2] == 0) break;
      SymbolButton(r, GlyphText(glyphs[i]), 1, ByteWord(lamp, i), symbol == i, ChooseLampSymbol);
    }
    Slider(r, car, "X %.2f", offset + int(offsetof(DashLight, x)), -0.95f, 0.95f, 5, 195);
    Slider(r, car, "Y %.2f", offset + int(offsetof(DashLight, y)), -0.95f, 0.95f, 5, 195);
    Slider(r, car, "Size %.2f", offset + int(offsetof(DashLight, size)), 0.05f, 0.2f, 5, 20);
  }
}

// The colours' toggle: where the column is too narrow for its whole text, it reads the flag's
// sense on one row and what a click does on the row under it, both rows the toggle.
void ColourToggle(Rows& r, Car& car) {
  const bool set = (FlagsOf(car) & DASH_COLOURS_SET) != 0;
  const char* sense = set ? "Set colours" : "Using system colours";
  const char* click = set ? "(click : use system colours)" : "(click : set colours)";
  char whole[64];
  std::snprintf(whole, sizeof whole, "%s %s", sense, click);
  if (ButtonLabelFitsWhole(whole, ColumnWidth(r), r.h)) {
    ToggleRow(r, whole, DASH_COLOURS_SET, FlipFlag);
    return;
  }
  ToggleRow(r, sense, DASH_COLOURS_SET, FlipFlag);
  Row(r);
  Button(r, click, r.units, DASH_COLOURS_SET, 0, FlipFlag);
}

void AnalogControls(Rows& r, Car& car) {
  uint32_t f = FlagsOf(car);
  ColourToggle(r, car);
  if (f & DASH_COLOURS_SET) {
    if (!car.dashboardTexture) ColourEditor(r, car, "Backing colour", DASH_BACKING_COLOUR);
    ColourEditor(r, car, "Text colour", DASH_TEXT_COLOUR);
    ColourEditor(r, car, "Needle colour", DASH_NEEDLE_COLOUR);
    ColourEditor(r, car, "LED gear / digital speedo", DASH_LED_COLOUR);
  }
  Gap(r);
  const int speedOn = (f & DASH_ANALOG_SPEEDOMETER_ON) != 0;
  SpeedToggle(r, speedOn ? "Analog speedo - ON (click : OFF)" : "Analog speedo - OFF (click : ON)",
              DASH_ANALOG_SPEEDOMETER_ON);
  if (speedOn) {
    MaximumRow(r, car, DASH_SPEEDOMETER, "%d km/h", 5);
    UnitPlacement(r, car, DASH_SPEEDOMETER);
    DialEditor(r, car, DASH_SPEEDOMETER, 0);
  }
  Gap(r);
  const int tachoOn = !(f & DASH_ANALOG_TACHOMETER_OFF);
  ToggleRow(r, tachoOn ? "Tacho ON (click : OFF)" : "Tacho OFF (click : ON)", DASH_ANALOG_TACHOMETER_OFF, FlipFlag);
  if (tachoOn) {
    const int five = (f & DASH_ANALOG_FIVE_STEPS) != 0, hundreds = (f & DASH_ANALOG_HUNDREDS) != 0;
    const int second = (f & DASH_ANALOG_SECOND_GAP) != 0;
    Row(r);
    Button(r, "2 step", r.units / 2, DASH_ANALOG_FIVE_STEPS, !five, ChooseFlag);
    Button(r, "5 step", r.units / 2, DASH_ANALOG_FIVE_STEPS | CHOICE_SET, five, ChooseFlag);
    Row(r);
    Label(r, "Mul", LABEL_UNITS);
    Button(r, "\xD7" "1000", 3, DASH_ANALOG_HUNDREDS, !hundreds, ChooseFlag);
    Button(r, "\xD7" "100", 3, DASH_ANALOG_HUNDREDS | CHOICE_SET, hundreds, ChooseFlag);
    Row(r);
    Label(r, "Gap", LABEL_UNITS);
    Button(r, hundreds ? "5" : "1", 2, DASH_ANALOG_SECOND_GAP, !second, ChooseFlag);
    Button(r, hundreds ? "10" : "2", 2, DASH_ANALOG_SECOND_GAP | CHOICE_SET, second, ChooseFlag);
    MaximumRow(r, car, DASH_TACHOMETER, "%d rpm", 500);
    UnitPlacement(r, car, DASH_TACHOMETER);
    DialEditor(r, car, DASH_TACHOMETER, 0);
  }
  Gap(r);
  const int ledOn = !(f & DASH_ANALOG_LED_GEAR_OFF);
  ToggleRow(r, ledOn ? "LED gear ON (click : OFF)" : "LED gear OFF (click : ON)", DASH_ANALOG_LED_GEAR_OFF, FlipFlag);
  if (ledOn) BoxEditor(r, car, DASH_LED_GEAR_BOX);
  Gap(r);
  Heading(r, "Multi function display");
  {
    static const char STYLE_GLYPHS[4] = {'\xA1', '\xA2', '\xA3', 0};
    const char* styles[4] = {"NONE", DASH_DISPLAY_STYLE_CODE, "123", STYLE_GLYPHS};
    const int style = car.dash[offsetof(AnalogDashBlock, displayStyle)];
    Row(r);
    for (int i = 0; i < 3; ++i) Button(r, styles[i], r.units / 4, uintptr_t(i), style == i, ChooseDisplayStyle);
    SymbolButton(r, styles[3], r.units / 4, uintptr_t(3), style == 3, ChooseDisplayStyle);
    if (style != 0) {
      RectangleEditor(r, car, DASH_DISPLAY_RECTANGLE);
      ColourEditor(r, car, "MFD background", DASH_DISPLAY_BACKGROUND);
      ColourEditor(r, car, "MFD text", DASH_DISPLAY_TEXT);
    }
  }
  Gap(r);
  const int digitalOn = (f & DASH_ANALOG_DIGITAL_SPEED_ON) != 0;
  SpeedToggle(r, digitalOn ? "Digital speedo - ON (click : OFF)" : "Digital speedo - OFF (click : ON)",
              DASH_ANALOG_DIGITAL_SPEED_ON);
  if (digitalOn) BoxEditor(r, car, DASH_DIGITAL_SPEED_BOX);
  Gap(r);
  const int turboOn = !(f & DASH_ANALOG_TURBO_OFF);
  if (HasTurbo(car))
    ToggleRow(r, turboOn ? "Turbo gauge ON (click : OFF)" : "Turbo gauge OFF (click : ON)", DASH_ANALOG_TURBO_OFF,
              FlipFlag);
  else
    ToggleRow(r, turboOn ? "FPS gauge ON (click : OFF)" : "FPS gauge OFF (click : ON)", DASH_ANALOG_TURBO_OFF, FlipFlag);
  if (turboOn) DialEditor(r, car, DASH_TURBO, 0);
  Gap(r);
  const int clockOn = !(f & DASH_ANALOG_CLOCK_OFF);
  ToggleRow(r, clockOn ? "Time clock ON (click : OFF)" : "Time clock OFF (click : ON)", DASH_ANALOG_CLOCK_OFF, FlipFlag);
  if (clockOn) DialEditor(r, car, DASH_CLOCK, 0);
  Gap(r);
  Heading(r, "Water temperature");
  DialEditor(r, car, DASH_WATER, 1);
  Heading(r, "Fuel gauge");
  DialEditor(r, car, DASH_FUEL, 1);
  Gap(r);
  LampEditors(r, car);
  Gap(r);
  f = FlagsOf(car);
  const int oilTemperature = (f & DASH_ANALOG_OIL_TEMPERATURE_ON) != 0;
  ToggleRow(r, oilTemperature ? "Oil temperature ON (click : OFF)" : "Oil temperature OFF (click : ON)",
            DASH_ANALOG_OIL_TEMPERATURE_ON, FlipFlag);
  if (oilTemperature) DialEditor(r, car, DASH_OIL_TEMPERATURE, 1);
  const int oilPressure = (f & DASH_ANALOG_OIL_PRESSURE_ON) != 0;
  ToggleRow(r, oilPressure ? "Oil pressure gauge ON (click : OFF)" : "Oil pressure gauge OFF (click : ON)",
            DASH_ANALOG_OIL_PRESSURE_ON, FlipFlag);
  if (oilPressure) DialEditor(r, car, DASH_OIL_PRESSURE, 1);
  if (BlackRectangleShown(car)) {
    Gap(r);
    Heading(r, "Black rectangle");
    RectangleEditor(r, car, DASH_BLACK_RECTANGLE);
  }
}

void FormulaControls(Rows& r, Car& car) {
  const uint32_t f = FlagsOf(car);
  ColourToggle(r, car);
  if (f & DASH_COLOURS_SET) {
    if (!car.dashboardTexture) ColourEditor(r, car, "Backing colour", DASH3_BACKING_COLOUR);
    ColourEditor(r, car, "Text colour", DASH3_TEXT_COLOUR);
    Slider(r, car, "Text opacity %.0f", DASH3_TEXT_COLOUR + int(offsetof(DashColour, fourth)), 32.0f, 255.0f, 32, 255);
    ColourEditor(r, car, "LED gear colour", DASH3_LED_COLOUR);
  }
  Gap(r);
  const int shape = TACHO_SHAPE;
  if (f & DASH_FORMULA_LED_TACHOMETER) {
    ToggleRow(r, "LED tacho (click : LCD)", 0, AskTachometer);
    Slider(r, car, "Centre X %.2f", TACHO_CENTRE, -1.0f, 1.0f, 0, 200);
    Slider(r, car, "Centre Y %.2f", TACHO_CENTRE + 1, -1.0f, 1.0f, 0, 200);
    Slider(r, car, "Number %.0f", shape + int(offsetof(LedRowShape, count)), 5.0f, 15.0f, 5, 15);
    Slider(r, car, "Spacing %.2f", shape + int(offsetof(LedRowShape, spacing)), 0.1f, 0.2f, 10, 20);
    Slider(r, car, "Size %.2f", shape + int(offsetof(LedRowShape, size)), 0.05f, 0.1f, 5, 10);
  } else {
    ToggleRow(r, "LCD tacho (click : LED)", 0, AskTachometer);
    Row(r);
    Button(r, "gap", r.units / 2, DASH_FORMULA_SECOND_GAP, (f & DASH_FORMULA_SECOND_GAP) != 0, FlipFlag);
    Button(r, "num", r.units / 2, ByteWord(ARC_STYLE, ARC_NO_FIGURES), !(car.dash[ARC_STYLE] & ARC_NO_FIGURES),
           FlipByteBit);
    Slider(r, car, "Centre X %.2f", TACHO_CENTRE, -1.0f, 1.0f, 0, 200);
    Slider(r, car, "Centre Y %.2f", TACHO_CENTRE + 1, -1.0f, 1.0f, 0, 200);
    Slider(r, car, "Start Angle %.0f", shape + int(offsetof(LcdArcShape, start)), 0.0f, 360.0f, 0, 72);
    Slider(r, car, "Turn Angle %.0f", shape + int(offsetof(LcdArcShape, turn)), 90.0f, 270.0f, 18, 54);
    Slider(r, car, "X Radius %.2f", shape + int(offsetof(LcdArcShape, radiusX)), 0.5f, 1.5f, 50, 150);
    Slider(r, car, "Y Radius %.2f", shape + int(offsetof(LcdArcShape, radiusY)), 0.5f, 1.5f, 50, 150);
    Slider(r, car, "Inner @ Start %.2f", shape + int(offsetof(LcdArcShape, innerAtStart)), 0.8f, 0.99f, 80, 99);
    Slider(r, car, "Inner @ End %.2f", shape + int(offsetof(LcdArcShape, innerAtEnd)), 0.8f, 0.99f, 80, 99);
    Slider(r, car, "Text Out %.2f", shape + int(offsetof(LcdArcShape, figureDistance)), 0.9f, 1.0f, 90, 100);
    Slider(r, car, "Text Size %.2f", shape + int(offsetof(LcdArcShape, figureSize)), 0.05f, 0.15f, 5, 15);
  }
  Gap(r);
  ToggleRow(r, f & DASH_FORMULA_LED_GEAR ? "LED gear (click : LCD)" : "LCD gear (click : LED)", 0, AskGear);
  BoxEditor(r, car, DASH3_GEAR_BOX);
  Gap(r);
  Heading(r, "Speedo");
  BoxEditor(r, car, DASH3_SPEED_BOX);
  Heading(r, "Multi function display");
  BoxEditor(r, car, DASH3_DISPLAY_BOX);
  if (HasTurbo(car)) {
    Heading(r, "Turbo gauge");
    BoxEditor(r, car, DASH3_TURBO_BOX);
  }
  if (BlackRectangleShown(car)) {
    Gap(r);
    Heading(r, "Black rectangle");
    RectangleEditor(r, car, DASH3_BLACK_RECTANGLE);
  }
  Gap(r);
  LampEditors(r, car);
}

void BottomRow(DashEditorPage& p) {
  Prss* owner = &p.prss;
  RowCursorX = 0;
  RowCursorY = ScreenHeight - ButtonHeight;
  AddRowButton(owner, 9, 0, 0, nullptr, "restore default settings", AskRestore, nullptr);
  AddRowButton(owner, 3, FILE_LOAD, 0, nullptr, "load", AskFileName, nullptr);
  AddRowButton(owner, 3, FILE_SAVE, 0, nullptr, "save", AskFileName, nullptr);
  const TexturePage* page = p.car->FindDashboardMaterial();
  if (page && page->name[0]) AddRowButton(owner, 9, 0, 0, nullptr, "reload backing texture", ReloadBacking, nullptr);
  AddRowButton(owner, 3, 0, 0, nullptr, LanguageTexts[TX_3a_backbutt], Close, nullptr);
}

void DrawPreview() {
  if (Material* clocks = ClocksMaterial()) DrawTextureTopRight(clocks);
}

}  // namespace

// ---- [Page] ----

DashEditorPage* CreateDashEditorPage(Prss* parent, Car* car) {
  if (!car) return nullptr;
  DashEditorPage* p = Prss_New<DashEditorPage>();
  Prss_Init(&p->prss, parent, DashEditorScreenAction, Prss_SimpleKey, Prss_SimpleMouse, Prss_Terminate, nullptr);
  p->car = car;
  Prss_MakeCurrent(&p->prss);
  return p;
}

Prss* DashEditorScreenAction(Prss* process) {
  DashEditorPage& p = *PageOf(process);
  if (!process->alive) {
    return Prss_Free(process, &p);
  }
  if (process->sub) {
    Prss_ActSub(process);
    if (process->sub) return process;
  }
  if (ExitRequested) {
    process->terminate(process);
    return process;
  }
  if (FrameSkipped) return process;
  Car& car = *p.car;
  car.flagWord = car.MakeFlagWord();
  if (car.dashType >= 1 && car.dashType < DASH_TYPE_COUNT) DrawPreview();
  // The largest row height (down to half a button) at which every row is on the screen.
  const int side = TextureCornerSide(ScreenWidth, ScreenHeight);
  const auto lay = [&](Rows& r) {
    r.bottom = r.measuring ? INT_MAX / 2 : ScreenHeight - ButtonHeight;
    r.previewLeft = ScreenWidth - side;
    r.previewBottom = side;
    StartColumn(r);
    if (IsAnalog(car))
      AnalogControls(r, car);
    else if (car.dashType == DASH_TYPE_FORMULA)
      FormulaControls(r, car);
    if (r.measuring) r.end = NextRowTop(r);
  };
  // Each pass after a measuring pass at the same width and row height.
  const auto build = [&](Rows& r) {
    Rows measure{process, r.h, 1, r.units};
    measure.measuring = 1;
    lay(measure);
    r.sectionCount = measure.sectionCount;
    std::memcpy(r.sectionTop, measure.sectionTop, sizeof r.sectionTop);
    r.end = measure.end;
    lay(r);
  };
  // The widest columns at which the rows fit at full height; else the narrowest, with the
  // largest row height (down to half a button) at which they fit.
  int units = COLUMN_UNITS_WIDEST, h = ButtonHeight;
  for (; units > COLUMN_UNITS_NARROWEST; units -= 2) {
    Rows trial{process, h, 1, units};
    build(trial);
    if (Fits(trial)) break;
  }
  for (; units == COLUMN_UNITS_NARROWEST && h > ButtonHeight / 2; --h) {
    Rows trial{process, h, 1, units};
    build(trial);
    if (Fits(trial)) break;
  }
  Rows r{process, h, 0, units};
  build(r);
  BottomRow(p);
  Prss_RestAfterDrawing(process);
  return process;
}

// ---- [Block edits] ----

int DashSpeedometerManualMaximum(float topSpeed) {
  const double tens = std::nearbyint(double(topSpeed) * 3.6 / 10.0 - 0.499999) * 10.0;
  const double steps = std::isfinite(tens) ? tens / 5.0 : 0.0;
  return int(std::clamp(steps, double(DASH_SPEEDOMETER_LEAST), double(DASH_SPEEDOMETER_MOST)));
}

int DashTachometerManualMaximum(float maxEngineSpeed) {
  const double rpm = double(maxEngineSpeed) * 60.0 / (2.0 * std::numbers::pi);
  double steps = std::nearbyint(rpm / 500.0 - 0.499999) + 1.0;
  if (!std::isfinite(steps)) steps = DASH_TACHOMETER_LEAST;
  int maximum = int(std::clamp(steps, double(DASH_TACHOMETER_LEAST), double(DASH_TACHOMETER_MOST)));
  if (maximum & 1) ++maximum;
  return maximum;
}

void FlipDashTachometerKind(VehicleData& car) {
  if (car.dashType != DASH_TYPE_FORMULA) return;
  static const uint8_t LED[FORMULA_TACHO_BYTES] = {100, 190, 12, 12, 6, 0, 0, 0, 0, 0, 0, 0};
  static const uint8_t LCD[FORMULA_TACHO_BYTES] = {100, 115, 27, 18, 133, 109, 96, 90, 100, 10, 0, 0};
  const uint32_t flags = DashFlags(car.dash) ^ DASH_FORMULA_LED_TACHOMETER;
  SetDashFlags(car.dash, flags);
  std::memcpy(&car.dash[TACHO_CENTRE], flags & DASH_FORMULA_LED_TACHOMETER ? LED : LCD, FORMULA_TACHO_BYTES);
}

void FlipDashGearKind(VehicleData& car) {
  if (car.dashType != DASH_TYPE_FORMULA) return;
  static const uint8_t LED[4] = {170, 150, 30, 45};
  static const uint8_t LCD[4] = {64, 33, 30, 45};
  const uint32_t flags = DashFlags(car.dash) ^ DASH_FORMULA_LED_GEAR;
  SetDashFlags(car.dash, flags);
  std::memcpy(&car.dash[DASH3_GEAR_BOX], flags & DASH_FORMULA_LED_GEAR ? LED : LCD, 4);
}

void SetDashDisplayStyle(VehicleData& car, int style) {
  if (car.dashType != DASH_TYPE_ANALOG_DARK && car.dashType != DASH_TYPE_ANALOG_WHITE) return;
  if (style < 0 || style > 3) return;
  uint8_t& stored = car.dash[offsetof(AnalogDashBlock, displayStyle)];
  const int before = stored;
  uint8_t* size = &car.dash[DASH_DISPLAY_RECTANGLE + int(offsetof(DashRect, width))];
  if (style == 1 && before != 1) {
    size[0] = 16;
    size[1] = 24;
  } else if ((style == 2 || style == 3) && before != 2 && before != 3) {
    size[0] = 32;
    size[1] = 8;
  }
  stored = uint8_t(style);
}
