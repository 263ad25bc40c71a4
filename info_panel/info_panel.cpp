// info_panel.cpp - the panel's globals, its tab row and its first pages: the mod ratings, Info
// and Colours.  The set-up pages are setup_pages.cpp's.
#include "info_panel/info_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "info_panel/colour_marks.h"
#include "info_panel/info_panel_layout.h"
#include "info_panel/setup_pages.h"
#include "info_panel/skin_template.h"
#include "model/model_object.h"
#include "physics/car.h"
#include "physics/car_race.h"
#include "platform/spawn.h"
#include "render/object_picture.h"
#include "text/language.h"
#include "text/language_keys.h"
#include "ui/draw_record.h"
#include "ui/interface_config.h"
#include "vehicle_data/builtin_vehicles.h"
#include "vehicle_data/engine_power.h"
#include "vehicle_data/setup_record.h"

int32_t InfoPageShown = INFO_PAGE_INFO;
int32_t SpeedUnitKmh = 1;
int32_t PressureUnitBar = 1;
float InfoTestSpeed = 40.0f;
PitStrategy Strategy;
HeldModRatings ModRatings;

namespace {

constexpr float LBS_PER_KG = 2.20461988f;
constexpr float BHP_PER_WATT = 0.0013413f, TONS_PER_KG = 0.000984206679f;
constexpr float LEAST_MASS = 0.001f;         // kg: below it no power-weight line
constexpr float LEAST_WHEEL_BASE = 0.001f;   // m: at or below it no weight distribution
constexpr int MOST_VOLUNTARY_RESTRICTION = 50;
constexpr int BALLAST_MASS_STEP = 50, BALLAST_PER_STEP = 10, MOST_BALLAST = 200;  // kg
constexpr float LABEL_HEIGHT = PANEL_TEXT_HEIGHT;  // a line's text as large as the set-up pages' lines
constexpr float ARROW = 0.06f;
constexpr int LINE_SIZE = 160;

constexpr LanguageTextId TAB_KEYS[INFO_PAGE_COUNT] = {TX_3a_grginfop, TX_3a_grgcolou, TX_3a_grgbrake,
                                                     TX_3a_grgsuspe, TX_3a_grgsteer, TX_3a_grgfinal,
                                                     TX_3a_grgtyres, TX_3a_grgdownf, TX_3a_grgpasse};
// By the drive code; the keys keep their stored names.
constexpr LanguageTextId DRIVE_KEYS[4] = {TX_3a_drv_none, TX_3a_drv_fron, TX_3a_drv_rear, TX_3a_drv_four};
constexpr LanguageTextId GEARBOX_KEYS[TRANSMISSION_TYPE_COUNT] = {
    TX_3h_box_none, TX_3h_box_hpat, TX_3h_box_bike, TX_3h_box_sequ,
    TX_3h_box_seqi, TX_3h_box_semi, TX_3h_box_elec, TX_3h_box_kart};
// The ratings page's rows: the category and its label.
struct RatingRow {
  int category;
  LanguageTextId label;
};
constexpr RatingRow RATING_ROWS[RATING_CATEGORIES] = {{0, TX_3h_ratovera}, {1, TX_3h_rattechn}, {2, TX_3h_ratgraph},
                                                      {3, TX_3h_ratphysi}, {5, TX_3h_ratanima}, {4, TX_3h_ratsound}};
constexpr LanguageTextId RATING_DESCRIPTIONS[RATING_CATEGORIES] = {TX_3h_rdsovera, TX_3h_rdstechn, TX_3h_rdsgraph,
                                                                   TX_3h_rdsphysi, TX_3h_rdssound, TX_3h_rdsanima};

// The panel's text lines, one per line of the frame: the controls keep pointers to them.
constexpr int TEXT_LINES = 48;
char TextLines[TEXT_LINES][LINE_SIZE];
int TextLinesUsed = 0;
char ModPageAddress[LINE_SIZE];
char LeftArrow[2] = {'\x8B', 0}, RightArrow[2] = {'\x9B', 0};

char* NextLine() {
  char* line = TextLines[TextLinesUsed];
  TextLinesUsed = (TextLinesUsed + 1) % TEXT_LINES;
  line[0] = 0;
  return line;
}

const char* Text(LanguageTextId id) { return LanguageTexts[id]; }
ColourWord* HeadingColour() { return &InterfaceColours.titleGrey; }
ColourWord* TextColour() { return &InterfaceColours.textSelected; }
ColourWord* ButtonColour() { return &InterfaceColours.textUnselected; }

// Appends text to a panel line, cut to fit.
void Append(char* line, const char* text) {
  size_t n = std::strlen(line);
  while (*text && n + 1 < LINE_SIZE) line[n++] = *text++;
  line[n] = 0;
}

void* Held(uintptr_t word) { return reinterpret_cast<void*>(word); }

// The panel's lines flow down a column from a y cursor.
struct Column {
  float x;
  float y;
};

void AddTextAt(const char* text, ColourWord* colour, float x1, float y1, float x2, float y2) {
  AddPanelValueControl(nullptr, nullptr, IvText(text), IvInt(0), IvInt(1), VALUE_TYPE_LABEL, colour, nullptr, x1, y1,
                       x2, y2);
}

// A text line down the column, on as many lines as it needs.
void AddLine(Column& c, const char* text, ColourWord* colour) {
  c.y += PANEL_LINE * static_cast<float>(AddPanelTextLines(text, colour, c.x, c.x + PANEL_ROW_WIDTH, c.y));
}

// A clickable text: the callback gets (owner, word, word).
void AddClickText(Prss* owner, const char* text, ColourWord* colour, InterfaceHandler callback, uintptr_t word,
                  float x1, float y1, float x2, float y2) {
  AddPanelValueControl(callback ? owner : nullptr, Held(word), IvText(text), IvInt(static_cast<intptr_t>(word)),
                       IvInt(0), VALUE_TYPE_TEXT, colour, callback, x1, y1, x2, y2);
}

// "label  < text >": the arrows call the callback with words `back` and `back + 1`.
void AddSelector(Prss* owner, Column& c, const char* label, const char* text, InterfaceHandler callback,
                 uintptr_t back) {
  AddLine(c, label, TextColour());
  const float x1 = c.x, x2 = c.x + PANEL_ROW_WIDTH, y1 = c.y, y2 = c.y + LABEL_HEIGHT;
  AddClickText(owner, LeftArrow, ButtonColour(), callback, back, x1, y1, x1 + ARROW, y2);
  AddTextAt(text, TextColour(), x1 + ARROW, y1, x2 - ARROW, y2);
  AddClickText(owner, RightArrow, ButtonColour(), callback, back + 1, x2 - ARROW, y1, x2, y2);
  c.y += PANEL_LINE;
}

bool HasPowerUnit(const Car& car) { return car.transmissionType != TRANSMISSION_NONE; }
bool IsElectric(const Car& car) { return car.transmissionType == TRANSMISSION_ELECTRIC; }
bool CanCarryPassengers(const Car& car) { return (car.options & (OPT1_FRONT_PASSENGER | OPT1_BACK_SEAT)) != 0; }

// ---- Page -1: the mod's ratings ----

void DrawRatingsPage(const InfoPanelArgs& a) {
  const Car& car = *a.car;
  const uint32_t id = ModIdOf(car);
  const bool held = ModRatings.modId == id && id != 0;
  Column c{PANEL_COLUMN_1, PANEL_PAGE_TOP};
  int described = 0;
  for (const RatingRow& row : RATING_ROWS) {
    if (row.category == 4 && car.driveType == DRIVE_NONE) continue;
    if (row.category == 5 && !car.steerAnimation[0]) continue;
    const float y1 = c.y, y2 = c.y + LABEL_HEIGHT;
    AddTextAt(Text(row.label), TextColour(), c.x, y1, c.x + 0.4f, y2);
    int32_t* own = held ? &ModRatings.own[row.category] : nullptr;
    AddPanelValueControl(ModRatings.onRate ? a.owner : nullptr, own, IvInt(0), IvInt(row.category), IvInt(0),
                         VALUE_TYPE_SEGMENT_BAR, ButtonColour(), ModRatings.onRate, c.x + 0.4f, y1, c.x + 0.9f, y2);
    char* average = NextLine();
    std::snprintf(average, LINE_SIZE, "%.1f", held ? ModRatings.average[row.category] / 50.0 : 0.0);
    AddTextAt(average, TextColour(), c.x + 0.92f, y1, c.x + 1.1f, y2);
    char* count = NextLine();
    if (held) std::snprintf(count, LINE_SIZE, "%d", ModRatings.count[row.category]);
    else std::snprintf(count, LINE_SIZE, "-");
    AddTextAt(count, TextColour(), c.x + 1.12f, y1, c.x + 1.3f, y2);
    // The row under the pointer chooses the description shown below.
    float l = c.x, t = y1, r = c.x + 1.3f, b = y2;
    TransformPanelRect(l, t, r, b);
    const float px = ScreenWidth > 0 ? 2.0f * MouseX / ScreenWidth - 1.0f : -2.0f;
    const float py = ScreenHeight > 0 ? 2.0f * MouseY / ScreenHeight - 1.0f : -2.0f;
    if (px >= l && px <= r && py >= t && py <= b) described = row.category;
    c.y += PANEL_LINE * 1.5f;
  }
  c.y += PANEL_LINE;
  if (!held && ModRatings.lookupFailed) {
    AddLine(c, Text(TX_3h_ratnotfd), TextColour());
  } else {
    AddLine(c, Text(TX_3h_commentc), TextColour());
    MakeModPageAddress(ModPageAddress, sizeof ModPageAddress, id);
    AddClickText(a.owner, ModPageAddress, ButtonColour(), OpenModPage, reinterpret_cast<uintptr_t>(ModPageAddress),
                 c.x, c.y, c.x + PANEL_WIDTH, c.y + LABEL_HEIGHT);
    c.y += PANEL_LINE;
  }
  c.y += PANEL_LINE;
  AddLine(c, Text(RATING_DESCRIPTIONS[described]), TextColour());
}

// ---- Page 0: Info ----

void AddEngineLines(const Car& car, Column& c) {
  char engine[ENGINE_LINE_SIZE], torque[ENGINE_LINE_SIZE], power[ENGINE_LINE_SIZE];
  DescribeEnginePower(car.engine, IsElectric(car), engine, torque, power);
  const char* drive = Text(DRIVE_KEYS[car.driveType < 4 ? car.driveType : 0]);
  char* first = NextLine();
  if (IsElectric(car) || !engine[0]) std::snprintf(first, LINE_SIZE, "%s", drive);
  else std::snprintf(first, LINE_SIZE, "%s / %s", engine, drive);
  AddLine(c, first, TextColour());
  char* powerLine = NextLine();
  std::snprintf(powerLine, LINE_SIZE, "%s", power);
  AddLine(c, powerLine, TextColour());
  char* torqueLine = NextLine();
  std::snprintf(torqueLine, LINE_SIZE, "%s", torque);
  AddLine(c, torqueLine, TextColour());
}

void AddStrategyRows(const InfoPanelArgs& a, Column& c) {
  const Car& car = *a.car;
  const bool electric = IsElectric(car);
  const float capacity = car.fuelTankCapacity;
  char capacityText[48];
  std::snprintf(capacityText, sizeof capacityText, Text(electric ? TX_3h_bcap_x_k : TX_3g_cpct_x_l), capacity);
  char* heading = NextLine();
  // The estimate divides by the capacity: no estimate without one.
  if (a.fuelPerLap != 0.0f && capacity > 0.0f) {
    char estimate[48];
    std::snprintf(estimate, sizeof estimate, Text(TX_3g_fl_pc_pl), a.fuelPerLap * 100.0f / capacity + 0.05f);
    std::snprintf(heading, LINE_SIZE, "%s (%s - %s %s)", Text(TX_3g_stra_txt), capacityText, Text(TX_3h_estcolon),
                  estimate);
  } else {
    std::snprintf(heading, LINE_SIZE, "%s (%s)", Text(TX_3g_stra_txt), capacityText);
  }
  AddLine(c, heading, HeadingColour());
  AddPanelByteRow(a.owner, Text(electric ? TX_3h_chrg_sta : TX_3g_fuel_sta), c.x, &Strategy.fuelAtStart, nullptr,
                  1, 100, 1, 100, a.onStrategy, 0, c.y, c.y + PANEL_VALUE_ROW);
  c.y += PANEL_VALUE_ROW;
  const bool refuelling = RaceSetup.refuelling || (RaceSettings.flags & RACE_FLAG_REFUELLING);
  AddPanelByteRow(a.owner, Text(electric ? TX_3h_chrg_pit : TX_3g_fuel_pit), c.x, &Strategy.fuelInPit, nullptr, 0,
                  100, 0, 100, a.onStrategy, refuelling ? 0 : 2, c.y, c.y + PANEL_VALUE_ROW);
  c.y += PANEL_VALUE_ROW;
}

void AddTyreChangeRow(const InfoPanelArgs& a, Column& c) {
  const uint8_t v = Strategy.tyreChange;
  const char* format = Text(v == 0 ? TX_3g_tyre_all : v >= 100 ? TX_3g_tyre_nev : TX_3g_tyre_lim);
  AddPanelByteRow(a.owner, format, c.x, &Strategy.tyreChange, nullptr, 0, 100, 0, 100, a.onStrategy, 0, c.y,
                  c.y + PANEL_VALUE_ROW);
  c.y += PANEL_VALUE_ROW;
}

void AddHandicapRows(const InfoPanelArgs& a, Column& c) {
  Car& car = *a.car;
  char* heading = NextLine();
  std::snprintf(heading, LINE_SIZE, "%s", Text(TX_3h_handicap));
  const int builtin = IsShortCarName(car.shortCode) ? BuiltinCarIndexByCode(car.shortCode) : -1;
  if (builtin >= 0) {
    const int mass = RaceSettings.minimumBallast[builtin], restriction = RaceSettings.minimumRestriction[builtin];
    if (mass || restriction) {
      char part[48];
      Append(heading, " (");
      if (mass) {
        std::snprintf(part, sizeof part, Text(TX_3h_x_kilogr), mass);
        Append(heading, part);
      }
      if (mass && restriction) Append(heading, " / ");
      if (restriction) {
        std::snprintf(part, sizeof part, Text(TX_3h_x_pc_res), restriction);
        Append(heading, part);
      }
      Append(heading, ")");
    }
  }
  AddLine(c, heading, HeadingColour());
  if (!HasPowerUnit(car)) return;
  uint8_t* bytes = car.currentSetup.bytes;
  CarRows rows(a.editDomain);
  AddPanelByteRow(a.owner, Text(IsElectric(car) ? TX_3h_vol_powr : TX_3h_vol_tres), c.x, &bytes[SETUP_RESTRICTION],
                  nullptr, 0, MOST_VOLUNTARY_RESTRICTION, 0, MOST_VOLUNTARY_RESTRICTION, a.onSetupChanged,
                  bytes[SETUP_RESTRICTION] ? 0 : 2, c.y, c.y + PANEL_VALUE_ROW);
  c.y += PANEL_VALUE_ROW;
  // A tenth of the reference mass by steps of 50 kg: a car under 25 kg takes no added mass.
  const double steps = std::nearbyint(static_cast<double>(car.massWithoutOccupants) / BALLAST_MASS_STEP);
  const int most = static_cast<int>(std::clamp(steps * BALLAST_PER_STEP, 0.0, double{MOST_BALLAST}));
  AddPanelByteRow(a.owner, Text(TX_3h_vol_mass), c.x, &bytes[SETUP_BALLAST], nullptr, 0, static_cast<float>(most), 0,
                  most, a.onSetupChanged, bytes[SETUP_BALLAST] ? 0 : 2, c.y, c.y + PANEL_VALUE_ROW);
  c.y += PANEL_VALUE_ROW;
  AddPanelByteRow(a.owner, Text(TX_3h_mass_pos), c.x, &bytes[SETUP_BALLAST_POSITION], nullptr, 0, 100, 0, 100,
                  a.onSetupChanged, bytes[SETUP_BALLAST] ? 0 : 2, c.y, c.y + PANEL_VALUE_ROW);
  c.y += PANEL_VALUE_ROW;
}

void DrawInfoPage(const InfoPanelArgs& a) {
  Car& car = *a.car;
  Column c{PANEL_COLUMN_1, PANEL_PAGE_TOP};
  if (HasPowerUnit(car)) AddEngineLines(car, c);
  const float mass = car.mass;
  char* massLine = NextLine();
  std::snprintf(massLine, LINE_SIZE, Text(TX_3a_ttlmaskl), mass, mass * LBS_PER_KG);
  AddLine(c, massLine, TextColour());
  if (HasPowerUnit(car) && mass >= LEAST_MASS) {
    const float power = IsElectric(car) ? car.engine.maxTorque * car.engine.maxTorqueSpeed : car.engine.maxPower;
    const float perKg = power / mass;
    char* line = NextLine();
    std::snprintf(line, LINE_SIZE, Text(TX_3a_pwrwtmti), perKg, perKg * BHP_PER_WATT / TONS_PER_KG);
    AddLine(c, line, TextColour());
  }
  // The distribution divides by the wheel base: none for a car whose wheels stand together.
  if (car.wheelCount > 0 && car.wheelBase > LEAST_WHEEL_BASE) {
    const float frontAxle = car.rearmostY + car.wheelBase;
    const float rear = (frontAxle - car.centreOfMass.y) * 100.0f / car.wheelBase;
    char* line = NextLine();
    std::snprintf(line, LINE_SIZE, Text(TX_3a_wdistrfr), 100.0f - rear, rear);
    AddLine(c, line, TextColour());
  }
  char* box = NextLine();
  const int gearbox = car.transmissionType < TRANSMISSION_TYPE_COUNT ? car.transmissionType : 0;
  std::snprintf(box, LINE_SIZE, Text(TX_3h_s_coln_s), Text(TX_3h_transmis), Text(GEARBOX_KEYS[gearbox]));
  AddLine(c, box, TextColour());
  if (car.configCount > 1) {
    const int index = std::min<int>(car.currentSetup.bytes[SETUP_CONFIGURATION],
                                    std::min(car.configCount, VEHICLE_MAX_CONFIGS) - 1);
    AddSelector(a.owner, c, Text(TX_3g_configur), car.configs[index].name, a.onStepConfiguration, 0);
  }
  // The strategy, the tyre change and the handicaps take the second column.
  Column right{PANEL_COLUMN_2, PANEL_PAGE_TOP};
  if (HasPowerUnit(car)) AddStrategyRows(a, right);
  if (car.wheelCount > 0) AddTyreChangeRow(a, right);
  if (!a.inEditor) AddHandicapRows(a, c);
}

// ---- Page 1: Colours ----

void CopySkinName(void* owner, int, uintptr_t car) {
  if (car) CopySkinNameToClipboard(static_cast<Prss*>(owner), *reinterpret_cast<Car*>(car));
}

void AskTemplateStyle(void* owner, int, uintptr_t car) {
  AskSkinTemplateStyle(static_cast<Prss*>(owner), reinterpret_cast<Car*>(car));
}

void AddColourLines(const InfoPanelArgs& a, Column& c, int group, InterfaceHandler callback) {
  AddLine(c, Text(group == MARKS_BODY ? TX_3a_bodycolt : TX_3a_whlscolt), HeadingColour());
  ColourWord* colours = a.car->currentColours.groups[group];
  for (int i = 0; i < COLOUR_MARK_GROUP; ++i) {
    if (!ColourMarkFlags[group * COLOUR_MARK_GROUP + i]) continue;
    // The swatch is wide enough for its three numbers ("160 160 160") at the least text size
    // on short windows.
    constexpr float SWATCH_WIDTH = 0.27f, SLIDERS_LEFT = 0.29f;
    const float y1 = c.y, y2 = c.y + 0.12f;
    AddPanelValueControl(nullptr, nullptr, IvText(nullptr), IvInt(0), IvInt(0), VALUE_TYPE_COLOUR_SWATCH, &colours[i],
                         nullptr, c.x, y1, c.x + SWATCH_WIDTH, y2);
    // The red, green and blue bytes of the word, and the brightness of all three across them.
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&colours[i]);
    const float x1 = c.x + SLIDERS_LEFT, third = (PANEL_ROW_WIDTH - SLIDERS_LEFT) / 3.0f;
    ColourWord* channel[3] = {&TextColours.sliderRed, &TextColours.sliderGreen, &TextColours.sliderBlue};
    CarRows rows(a.editDomain);
    for (int k = 0; k < 3; ++k)
      AddPanelValueControl(a.owner, &bytes[k], IvInt(0), IvInt(255), IvInt(0), VALUE_TYPE_COLOUR_BYTE, channel[k],
                           callback, x1 + third * k, y1, x1 + third * (k + 1), y1 + 0.08f);
    AddPanelValueControl(a.owner, bytes, IvInt(0), IvInt(255), IvInt(0), VALUE_TYPE_COLOUR_TRIPLE, &TextColours.grey,
                         callback, x1, y1 + 0.08f, x1 + 3 * third, y2);
    c.y += 0.15f;
  }
}

void DrawColoursPage(const InfoPanelArgs& a) {
  Car& car = *a.car;
  Column c{PANEL_COLUMN_1, PANEL_PAGE_TOP};
  AddColourLines(a, c, MARKS_BODY, a.onBodyColour);
  if (car.wheelCount > 0) AddColourLines(a, c, MARKS_WHEELS, a.onWheelColour);
  Column r{PANEL_COLUMN_2, PANEL_PAGE_TOP};
  AddLine(r, Text(TX_3a_texnamet), HeadingColour());
  const char* fileName = car.skinTexture[0] ? car.skinTexture : car.skinName;
  AddClickText(a.owner, fileName, TextColour(), CopySkinName, reinterpret_cast<uintptr_t>(&car), r.x, r.y,
               r.x + PANEL_ROW_WIDTH, r.y + LABEL_HEIGHT);
  r.y += PANEL_LINE;
  const float nameRight = a.inEditor ? r.x + PANEL_ROW_WIDTH - 0.08f : r.x + PANEL_ROW_WIDTH;
  AddClickText(a.owner, car.currentColours.name, ButtonColour(), a.onSkin, 0, r.x, r.y, nameRight,
               r.y + LABEL_HEIGHT);
  if (a.inEditor) AddPanelBrowseButton(a.owner, nameRight + 0.01f, r.y, r.x + PANEL_ROW_WIDTH, r.y + LABEL_HEIGHT, a.onSkin);
  r.y += PANEL_LINE * 1.5f;
  if (car.model && car.model->HasTypeOneMapping()) {
    AddClickText(a.owner, Text(TX_3h_gen_skin), ButtonColour(), AskTemplateStyle, reinterpret_cast<uintptr_t>(&car),
                 r.x, r.y, r.x + PANEL_ROW_WIDTH, r.y + LABEL_HEIGHT);
    r.y += PANEL_LINE;
    static char sizeTexts[2][8] = {"1024", "2048"};
    const float half = PANEL_ROW_WIDTH / 2.0f;
    for (int k = 0; k < 2; ++k) {
      const bool lit = (k == 0) == ((CfgEditorOptions & EDITOR_OPTION_SMALL_PICTURE) != 0);
      AddClickText(a.owner, sizeTexts[k], lit ? TextColour() : ButtonColour(), SetSkinTemplateSize,
                   static_cast<uintptr_t>(k + 1), r.x + half * k, r.y, r.x + half * (k + 1), r.y + LABEL_HEIGHT);
    }
    r.y += PANEL_LINE;
  }
}

// ---- The tab row ----

// The pages shown as tabs this frame, in order; returns how many.
int ShownTabs(const InfoPanelArgs& a, int tabs[INFO_PAGE_COUNT + 1]) {
  const Car& car = *a.car;
  int n = 0;
  if (!a.inEditor && car.isMod) tabs[n++] = INFO_PAGE_RATINGS;
  for (int page = 0; page < INFO_PAGE_COUNT; ++page) {
    if (page == INFO_PAGE_PASSENGERS && !CanCarryPassengers(car)) continue;
    tabs[n++] = page;
  }
  return n;
}

void AddTabRow(const InfoPanelArgs& a) {
  const Car& car = *a.car;
  int tabs[INFO_PAGE_COUNT + 1];
  const int n = ShownTabs(a, tabs);
  // The first row takes the odd tab.
  const int perRow = (n + PANEL_TAB_ROWS - 1) / PANEL_TAB_ROWS;
  const float width = PANEL_TABS_WIDTH / static_cast<float>(perRow);
  const bool tractionTab = (car.lightsAndAids & (AID_TRACTION_CONTROL | AID_ENGINE_BRAKE)) != 0;
  // A pixel of the window across, in panel units: the tabs stand that far in from their cells'
  // sides, so that a line of the scene between neighbours tells one label from the next (their
  // height is their text's, and stays).
  const float inset = ScreenWidth > 0 && InfoLayout.sx > 0.0f ? 2.0f / (static_cast<float>(ScreenWidth) * InfoLayout.sx) : 0.0f;
  const auto cell = [&](int i, float* x1, float* y1, float* x2, float* y2) {
    const float left = PANEL_LEFT + width * static_cast<float>(i % perRow);
    *x1 = left + inset, *x2 = left + width - inset;
    *y1 = PANEL_TOP + PANEL_TAB_HEIGHT * static_cast<float>(i / perRow), *y2 = *y1 + PANEL_TAB_HEIGHT;
  };
  const auto label = [&](int page) {
    return Text(page == INFO_PAGE_BRAKES && tractionTab ? TX_3h_grgbrktc : TAB_KEYS[page]);
  };
  // The labels read as one row: each at the size the longest leaves them, not a size of its own.
  float most = 0.0f;
  for (int i = 0; i < n; ++i) {
    if (tabs[i] == INFO_PAGE_RATINGS) continue;
    float x1, y1, x2, y2;
    cell(i, &x1, &y1, &x2, &y2);
    TransformPanelRect(x1, y1, x2, y2);
    const float size = FittedControlTextSize(label(tabs[i]), x1, y1, x2, y2);
    most = most > 0.0f ? std::min(most, size) : size;
  }
  ControlTextMost = most;
  for (int i = 0; i < n; ++i) {
    const int page = tabs[i];
    float x1, y1, x2, y2;
    cell(i, &x1, &y1, &x2, &y2);
    ColourWord* colour = page == InfoPageShown ? TextColour() : ButtonColour();
    if (page == INFO_PAGE_RATINGS) {
      const bool held = ModRatings.modId == ModIdOf(car) && ModRatings.modId != 0;
      AddPanelValueControl(a.owner, held ? &ModRatings.own[0] : nullptr, IvInt(0), IvInt(0), IvInt(0),
                           VALUE_TYPE_SEGMENT_BAR, colour, SelectRatingsPage, x1, y1, x2, y2);
      continue;
    }
    AddClickText(a.owner, label(page), colour, SelectInfoPage, static_cast<uintptr_t>(page), x1, y1, x2, y2);
  }
  ControlTextMost = 0.0f;
}

}  // namespace

int WrappedStep(int value, int least, int most, bool up) {
  if (up) return value >= most ? least : value + 1;
  return value <= least ? most : value - 1;
}

uint8_t SwitchFlagOfWord(uintptr_t word) {
  const uintptr_t which = word / 2;
  return which == 0 ? SETUP_FLAG_SYMMETRIC : which == 1 ? SETUP_FLAG_TRACTION : SETUP_FLAG_ANTI_LOCK;
}

void ApplySwitchWord(SetupRecord& setup, uintptr_t word) {
  uint8_t& flags = setup.bytes[SETUP_FLAGS];
  const uint8_t bit = SwitchFlagOfWord(word);
  if (word % 2) flags |= bit;
  else flags &= static_cast<uint8_t>(~bit);
  if (flags == 0) flags = SETUP_FLAG_KEEP;
  ApplySymmetricSetup(setup);
}

void ApplySymmetricSetup(SetupRecord& setup) {
  if (!(setup.bytes[SETUP_FLAGS] & SETUP_FLAG_SYMMETRIC)) return;
  for (const int axle : SETUP_AXLE) {
    setup.bytes[axle + AXLE_CAMBER_RIGHT] = setup.bytes[axle + AXLE_CAMBER_LEFT];
    SetSetupShort(setup, axle + AXLE_PRESSURE_RIGHT, SetupShort(setup, axle + AXLE_PRESSURE_LEFT));
  }
}

void ApplyPassengerWord(SetupRecord& setup, uintptr_t word) {
  const int seat = static_cast<int>(word >> 2 & 3), value = static_cast<int>(word & 3);
  uint32_t passengers = SetupWord(setup, SETUP_PASSENGERS);
  passengers = (passengers & ~(3u << (2 * seat))) | uint32_t(value) << (2 * seat);
  SetSetupWord(setup, SETUP_PASSENGERS, passengers);
}

float SpeedInUnit(float metresPerSecond) { return metresPerSecond * (SpeedUnitKmh ? KMH_PER_MS : MPH_PER_MS); }
const char* SpeedUnitText() { return Text(SpeedUnitKmh ? TX_3a_smallkmh : TX_3a_smallmph); }

void SelectInfoPage(void*, int, uintptr_t word) {
  if (word < INFO_PAGE_COUNT) InfoPageShown = static_cast<int32_t>(word);
}
void SelectRatingsPage(void*, int, uintptr_t) { InfoPageShown = INFO_PAGE_RATINGS; }
void SetSpeedUnit(void*, int, uintptr_t word) { SpeedUnitKmh = word ? 1 : 0; }
void SetSkinTemplateSize(void*, int, uintptr_t word) {
  if (word == 1) CfgEditorOptions |= EDITOR_OPTION_SMALL_PICTURE;
  else if (word == 2) CfgEditorOptions &= ~EDITOR_OPTION_SMALL_PICTURE;
}

uint32_t ModIdOf(const Car& car) {
  return uint32_t(uint8_t(car.shortCode[0])) | uint32_t(uint8_t(car.shortCode[1])) << 8 |
         uint32_t(uint8_t(car.shortCode[2])) << 16;
}

void MakeModPageAddress(char* out, int outSize, uint32_t modId) {
  std::snprintf(out, static_cast<size_t>(outSize), "%s/files/vehmods/%06X", WEB_SERVICE_HOST, modId & 0xFFFFFFu);
}

void OpenModPage(void*, int, uintptr_t word) {
  if (word) OpenWebAddress(reinterpret_cast<const char*>(word));
}

namespace {

// The panel's extent for the layout check: the box of the controls it added from first on.
void RecordPanelArea(int first) {
  if (!DrawRecording || first >= ValueControlCount) return;
  float left = 1.0f, top = 1.0f, right = -1.0f, bottom = -1.0f;
  for (int i = first; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    left = std::min(left, c.left), top = std::min(top, c.top);
    right = std::max(right, c.right), bottom = std::max(bottom, c.bottom);
  }
  RecordAreaUnits(AREA_INFO_PANEL, left, top, right, bottom);
}

}  // namespace

void DrawVehicleInfoPanel(const InfoPanelArgs& args) {
  if (!args.car) return;
  const int firstControl = ValueControlCount;
  const uint8_t domain = EditDomain;
  EditDomain = 0;
  BeginPanelRows();
  TextLinesUsed = 0;
  const Car& car = *args.car;
  if (InfoPageShown == INFO_PAGE_PASSENGERS && !CanCarryPassengers(car)) InfoPageShown = INFO_PAGE_INFO;
  if (InfoPageShown == INFO_PAGE_RATINGS && (args.inEditor || !car.isMod)) InfoPageShown = INFO_PAGE_INFO;
  AddTabRow(args);
  switch (InfoPageShown) {
    case INFO_PAGE_RATINGS: DrawRatingsPage(args); break;
    case INFO_PAGE_INFO: DrawInfoPage(args); break;
    case INFO_PAGE_COLOURS: DrawColoursPage(args); break;
    default:
      if (InfoPageShown >= INFO_PAGE_BRAKES && InfoPageShown < INFO_PAGE_COUNT) DrawInfoSetupPage(args, InfoPageShown);
      break;
  }
  EditDomain = domain;
  RecordPanelArea(firstControl);
}
