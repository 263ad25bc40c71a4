// setup_pages.cpp - the set-up pages of the vehicle information panel.  Each page lays its
// lines down the panel's two columns: headings and figures as texts, set-up fields as value
// rows, choices as buttons and selectors, every control reporting to the owner's callbacks.
#include "info_panel/setup_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/config.h"
#include "core/controls.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "physics/car.h"
#include "text/language.h"
#include "ui/interface_config.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr float BRAKE_GRIP = 0.41f, BRAKE_LEAST_SHARE = 0.24f, BRAKE_STEP = 1.0f;  // N m
constexpr float EDITOR_RIDE_HEIGHT = 0.6f;  // m either way of the car's frame
constexpr float RIDE_HEIGHT_STEP = 0.001f;  // m
constexpr float SPRING_STEP = 1000.0f, DAMPING_STEP = 100.0f;
constexpr int LEAST_LOCK = 10, FREE_LOCK = 60;  // degrees
constexpr double LOCK_TO_LOCK_DEGREES = 114.591553;  // per radian each way
constexpr float LEAST_WHEEL_TURN = 90.0f, MOST_WHEEL_TURN = 1080.0f, WHEEL_TURN_STEP = 10.0f;  // degrees
constexpr int CONTROL_MODE_WHEEL = 1;
constexpr float LEAST_GEAR_PRODUCT = 0.001f;
constexpr float GEAR_LOWEST = 0.5f, GEAR_HIGHEST = 7.5f;
constexpr int FORWARD_GEARS = 7;
constexpr float PASCAL_PER_KPA = 1000.0f, BAR_PER_PASCAL = 0.00001f, PSI_PER_PASCAL = 0.000144988211f;
constexpr float DEGREES_PER_RADIAN = 180.0f / 3.14159274f;
constexpr float MILLIMETRES_PER_INCH = 25.4f;
constexpr float TEST_SPEED_STEP = 0.1f, MOST_TEST_SPEED = 100.0f;  // m/s
constexpr float LEAST_LIFT = 0.000001f;
constexpr float PAGE_BOTTOM = 1.0f;  // the panel's lines end at the screen's bottom edge
constexpr int SEAT_KINDS = 3;  // none, man, woman
constexpr intptr_t LEFT_ALIGNED = 1;  // a text control's label bits
enum Seat { SEAT_FRONT = 0, SEAT_REAR_LEFT = 1, SEAT_REAR_MIDDLE = 2, SEAT_REAR_RIGHT = 3 };

// ---- Lines of the frame ----
// The texts the page formats: each label control keeps a pointer to its line until drawn.
constexpr int PAGE_LINES = 48, PAGE_LINE_SIZE = 128;
char PageLines[PAGE_LINES][PAGE_LINE_SIZE];
int PageLinesUsed = 0;

char* NextLine() {
  char* line = PageLines[PageLinesUsed];
  PageLinesUsed = (PageLinesUsed + 1) % PAGE_LINES;
  return line;
}

template <typename... A>
const char* Format(const char* format, A... values) {
  char* line = NextLine();
  std::snprintf(line, PAGE_LINE_SIZE, format, values...);
  return line;
}

const char* Tx(int id) { return LanguageTexts[id]; }

ColourWord* HeadingColour() { return &InterfaceColours.titleGrey; }
ColourWord* TextColour() { return &InterfaceColours.textSelected; }
ColourWord* ButtonColour() { return &InterfaceColours.textUnselected; }

// A value the set-up record holds that is not a number (a file of another user) is shown and
// edited from the row's least value.
void MendFloat(float& value, float least) {
  if (!std::isfinite(value)) value = std::isfinite(least) ? least : 0.0f;
}

// `v` within lo..hi; a value that is not a number gives lo.
float HeldWithin(float v, float lo, float hi) { return v > lo ? (v < hi ? v : hi) : lo; }

template <typename T>
T* Field(Car& car, int offset) {
  return reinterpret_cast<T*>(car.currentSetup.bytes + offset);
}

// A button's word where its handler reads it.
void* Word(int word) { return reinterpret_cast<void*>(static_cast<uintptr_t>(word)); }

// Keeps a global setting the interface has changed: nothing else to do.
void KeepSetting(void*, int, uintptr_t) {}
// Stores the clicked button's word in its bound variable.
void StoreWord(void*, int word, uintptr_t variable) {
  if (variable) *reinterpret_cast<int32_t*>(variable) = word;
}

// ---- The page's cursor and its lines ----
struct Page {
  const InfoPanelArgs& args;
  Car& car;
  float x = PANEL_COLUMN_1, y = PANEL_PAGE_TOP;

  Prss* Owner() const { return args.owner; }
  void Column(int column) {
    x = column == 0 ? PANEL_COLUMN_1 : PANEL_COLUMN_2;
    y = PANEL_PAGE_TOP;
  }
  // Goes on at the top of the second column when the first has no room left for `height`.
  void Fit(float height) {
    if (x == PANEL_COLUMN_1 && y > PANEL_PAGE_TOP && y + height > PAGE_BOTTOM) Column(1);
  }

  // A text line over the row's width (display-only).
  // A line that goes on down the column takes as many lines as it needs.
  void Text(const char* text, ColourWord* colour, float from = 0.0f, float to = 1.0f, bool advance = true) {
    if (advance) {
      y += PANEL_LINE * static_cast<float>(
                            AddPanelTextLines(text, colour, x + from * PANEL_ROW_WIDTH, x + to * PANEL_ROW_WIDTH, y));
      return;
    }
    AddPanelValueControl(nullptr, nullptr, IvText(text), IvInt(0), IvInt(LEFT_ALIGNED), VALUE_TYPE_LABEL, colour,
                         nullptr, x + from * PANEL_ROW_WIDTH, y, x + to * PANEL_ROW_WIDTH, y + PANEL_TEXT_HEIGHT);
  }
  void Heading(const char* text) { Text(text, HeadingColour()); }
  void Line(const char* text) { Text(text, TextColour()); }

  // Buttons side by side on one line, lit ones in the text colour.  The interface calls the
  // handler with (owner, word, variable): the variable is the word too, as the owners' handlers
  // read it, unless the button is bound to a variable of its own.
  struct Choice {
    const char* text;
    int word;
    bool lit;
  };
  void Buttons(std::initializer_list<Choice> choices, InterfaceHandler handler, void* variable = nullptr,
               float from = 0.0f) {
    const float width = (1.0f - from) * PANEL_ROW_WIDTH / static_cast<float>(choices.size());
    float left = x + from * PANEL_ROW_WIDTH;
    for (const Choice& c : choices) {
      AddPanelValueControl(Owner(), variable ? variable : Word(c.word), IvText(c.text), IvInt(c.word), IvInt(0),
                           VALUE_TYPE_TEXT,
                           c.lit ? TextColour() : ButtonColour(), handler, left, y, left + width, y + PANEL_TEXT_HEIGHT);
      left += width;
    }
    y += PANEL_LINE;
  }

  // A left arrow (word back), the choice's text and a right arrow (word back + 1).
  void Selector(const char* text, int back, InterfaceHandler handler, float from = 0.0f) {
    constexpr int STEP_LEFT = 0x8B, STEP_RIGHT = 0x9B;
    constexpr float ARROW = 0.06f;
    const float left = x + from * PANEL_ROW_WIDTH, right = x + PANEL_ROW_WIDTH;
    AddPanelValueControl(Owner(), Word(back), IvInt(STEP_LEFT), IvInt(back), IvInt(0), VALUE_TYPE_GLYPH, ButtonColour(),
                         handler, left, y, left + ARROW, y + PANEL_TEXT_HEIGHT);
    AddPanelValueControl(nullptr, nullptr, IvText(text), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, TextColour(), nullptr,
                         left + ARROW, y, right - ARROW, y + PANEL_TEXT_HEIGHT);  // centred
    AddPanelValueControl(Owner(), Word(back + 1), IvInt(STEP_RIGHT), IvInt(back + 1), IvInt(0), VALUE_TYPE_GLYPH,
                         ButtonColour(), handler, right - ARROW, y, right, y + PANEL_TEXT_HEIGHT);
    y += PANEL_LINE;
  }

  // The value rows, each reporting to onSetupChanged unless told otherwise.
  void FloatRow(const char* format, float* value, float step, float min, float max, int precision,
                InterfaceHandler handler = nullptr) {
    MendFloat(*value, min);
    CarRows rows(handler ? 0 : args.editDomain);  // a row of its own handler sets no set-up field
    AddPanelFloatRow(Owner(), format, x, value, step, min, max, handler ? handler : args.onSetupChanged, precision,
                     1, y, y + PANEL_VALUE_ROW);
    y += PANEL_VALUE_ROW;
  }
  void ByteRow(const char* format, int offset, float lo, float hi, int min, int max) {
    CarRows rows(args.editDomain);
    AddPanelByteRow(Owner(), format, x, Field<uint8_t>(car, offset), nullptr, lo, hi, min, max,
                    args.onSetupChanged, 0, y, y + PANEL_VALUE_ROW);
    y += PANEL_VALUE_ROW;
  }
  // A left and right pair: one set of arrows and bar (mode 0, bound to the left value) or two.
  void BytePairRow(const char* format, int left, int right, float lo, float hi, int min, int max, int mode) {
    CarRows rows(args.editDomain);
    AddPanelByteRow(Owner(), format, x, Field<uint8_t>(car, left), Field<uint8_t>(car, right), lo, hi, min, max,
                    args.onSetupChanged, mode, y, y + PANEL_VALUE_ROW);
    y += PANEL_VALUE_ROW + (mode ? PANEL_PAIR_EXTRA : 0.0f);
  }
  void WordRow(const char* format, int offset, float lo, float hi, int scaled) {
    CarRows rows(args.editDomain);
    AddPanelWordRow(Owner(), format, x, Field<uint16_t>(car, offset), nullptr, lo, hi, args.onSetupChanged, scaled,
                    0, y, y + PANEL_VALUE_ROW);
    y += PANEL_VALUE_ROW;
  }
  void WordPairRow(const char* format, int left, int right, float lo, float hi, int mode) {
    CarRows rows(args.editDomain);
    AddPanelWordRow(Owner(), format, x, Field<uint16_t>(car, left), Field<uint16_t>(car, right), lo, hi,
                    args.onSetupChanged, 0, mode, y, y + PANEL_VALUE_ROW);
    y += PANEL_VALUE_ROW + (mode ? PANEL_PAIR_EXTRA : 0.0f);
  }
};

int Axle(int axle, int field) { return SETUP_AXLE[axle] + field; }
const char* AxleHeading(int axle) { return Tx(axle == 0 ? TX_3g_rear_txt : TX_3g_frnt_txt); }
bool Symmetric(const Car& car) { return car.currentSetup.bytes[SETUP_FLAGS] & SETUP_FLAG_SYMMETRIC; }
// A pair row of the symmetric set-up moves both sides with one set of arrows and bar.
int PairMode(const Car& car) { return Symmetric(car) ? 0 : 1; }

// ---- Page 2: brakes and driver aids ----
void BrakesPage(Page& p) {
  Car& car = p.car;
  const float most = BrakeTorqueBound(car), least = BRAKE_LEAST_SHARE * most;
  const bool handbrake = car.options2 & OPT2_HANDBRAKE;
  const bool aids = car.lightsAndAids & (AID_TRACTION_CONTROL | AID_ENGINE_BRAKE);
  const uint8_t flags = car.currentSetup.bytes[SETUP_FLAGS];
  if (handbrake) p.Heading(Tx(TX_3a_aabrakea));
  p.FloatRow(Tx(TX_3a_maxperwt), Field<float>(car, SETUP_BRAKE_STRENGTH), BRAKE_STEP, least, most, 0);
  if (!(car.options2 & OPT2_NO_BRAKE_BALANCE)) p.ByteRow(Tx(TX_3g_b_bal_fr), SETUP_BRAKE_BALANCE, 5, 95, 5, 95);
  if (handbrake) {
    p.Heading(Tx(TX_3a_aahandbr));
    p.FloatRow(Tx(TX_3a_maxperwt), Field<float>(car, Axle(0, AXLE_SIXTH)), BRAKE_STEP, least, most, 0);
  }
  if (aids || (car.options2 & OPT2_ANTI_LOCK)) p.Column(1);
  if (car.lightsAndAids & AID_ENGINE_BRAKE)
    p.ByteRow(Tx(TX_3h_engbrred), SETUP_ENGINE_BRAKE_REDUCTION, 0, 100, 0, 100);
  if (car.options2 & OPT2_ANTI_LOCK) {
    const bool on = flags & SETUP_FLAG_ANTI_LOCK;
    p.Heading(Tx(TX_3h_abs_text));
    p.Buttons({{Tx(TX_3a_off_butt), 4, !on}, {Tx(TX_3a_on_buttn), 5, on}}, p.args.onSwitch);
  }
  if (car.lightsAndAids & AID_TRACTION_CONTROL) {
    const bool on = flags & SETUP_FLAG_TRACTION;
    p.Heading(Tx(TX_3h_tc_title));
    p.Buttons({{Tx(TX_3a_off_butt), 2, !on}, {Tx(TX_3a_on_buttn), 3, on}}, p.args.onSwitch);
    if (on) {
      p.ByteRow(Tx(TX_3h_tcmaxslp), SETUP_TRACTION_SLIP, 2.0f, 20.0f, 20, 200);
      p.ByteRow(Tx(TX_3h_tcminspd), SETUP_TRACTION_LEAST_SPEED, 5, 20, 5, 20);
    }
  }
}

// ---- Page 3: suspension, the rear axle then the front ----
void SuspensionPage(Page& p) {
  Car& car = p.car;
  float springLeast, springMost, dampingLeast, dampingMost, antiRollMost;
  car.GetSuspensionLimits(springLeast, springMost, dampingLeast, dampingMost, antiRollMost);
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const SuspensionBlock& set = car.wheelSets[axle];
    p.Column(axle);
    p.Heading(AxleHeading(axle));
    float* ride = Field<float>(car, Axle(axle, AXLE_RIDE_HEIGHT));
    if (p.args.inEditor) {
      p.FloatRow("Lowest wheel height %.3f m", ride, RIDE_HEIGHT_STEP, -EDITOR_RIDE_HEIGHT, EDITOR_RIDE_HEIGHT, 0);
    } else {
      // Within reach of the vehicle's first set-up: a row without reach shows its value alone.
      const float N = SetupFloat(car.FirstDefaultSetup(), Axle(axle, AXLE_RIDE_HEIGHT));
      float d = std::fabs(N - set.maxUpPosition);
      if (!(d < MOST_RIDE_HEIGHT_CHANGE)) d = std::isfinite(N) ? MOST_RIDE_HEIGHT_CHANGE : 0.0f;
      const float base = std::isfinite(N) ? N : 0.0f;
      p.FloatRow(Tx(TX_3g_ridehred), ride, RIDE_HEIGHT_STEP, base - d, base + d, 0);
    }
    if (car.vehicleClass == CLASS_KART) continue;
    if (SetCarriesWheel(car, axle)) p.Line(Format(Tx(TX_3a_brkmotrg), static_cast<double>(set.maxUpPosition)));
    p.FloatRow(Tx(TX_3g_stif_val), Field<float>(car, Axle(axle, AXLE_SPRING)), SPRING_STEP, 0.1f * springMost,
               springMost, 2);
    p.FloatRow(Tx(TX_3g_bump_val), Field<float>(car, Axle(axle, AXLE_BUMP)), DAMPING_STEP, 0.1f * dampingMost,
               dampingMost, 2);
    p.FloatRow(Tx(TX_3g_rebd_val), Field<float>(car, Axle(axle, AXLE_REBOUND)), DAMPING_STEP, 0.1f * dampingMost,
               dampingMost, 2);
    const uint32_t fixed = axle == 0 ? OPT1_NO_REAR_ANTI_ROLL : OPT1_NO_FRONT_ANTI_ROLL;
    if (set.paired && !(car.options & fixed))
      p.FloatRow(Tx(TX_3g_arol_val), Field<float>(car, Axle(axle, AXLE_ANTI_ROLL)), SPRING_STEP, 0.0f, springMost, 2);
  }
}

// ---- Page 4: steering ----
void SteeringPage(Page& p) {
  Car& car = p.car;
  p.Heading(AxleHeading(1));
  int most = p.args.inEditor ? FREE_LOCK : car.GetMaxSteeringLock();
  if (p.args.inEditor && car.setupCount > 0 && (car.options2 & OPT2_FIXED_LOCK))
    most = car.setups[0].record.bytes[SETUP_STEERING_LOCK];
  p.ByteRow(Tx(TX_3a_maxlkval), SETUP_STEERING_LOCK, LEAST_LOCK, static_cast<float>(most), LEAST_LOCK, most);
  p.ByteRow(Tx(TX_3g_prllsval), SETUP_PARALLEL_STEER, 0, 100, 0, 100);
  for (const int axle : {1, 0}) {
    const SuspensionBlock& set = car.wheelSets[axle];
    if (!set.paired || (axle == 0 && car.vehicleClass == CLASS_KART)) continue;
    if (axle == 0) p.Heading(AxleHeading(0));
    const bool casterKind = set.suspensionType == SUSPENSION_RIGID || set.suspensionType == SUSPENSION_DOUBLE_WISHBONE;
    if (axle == 1 && casterKind) p.ByteRow(Tx(TX_3g_castrval), Axle(axle, AXLE_CASTER), 0.0f, 24.0f, 0, 240);
    if (p.args.inEditor) p.ByteRow(Tx(TX_3g_toeinval), Axle(axle, AXLE_TOE), -0.9f, 0.9f, 0, SETUP_MOST_TOE);
  }
  const float turn = SteeringWheelTurnDegrees(car);
  if (turn > 0.0f) p.Line(Format(Tx(TX_3g_car_tn_x), static_cast<double>(turn)));
  if (CfgControlModeInForce == CONTROL_MODE_WHEEL)
    p.FloatRow(Tx(TX_3g_con_tn_x), &WheelTurnDegrees, WHEEL_TURN_STEP, LEAST_WHEEL_TURN, MOST_WHEEL_TURN, 0,
               KeepSetting);
}

// ---- Page 5: final drive ----
const char* DifferentialText(int kind) {
  static const int TEXTS[4] = {TX_3g_dif_open, TX_3g_dif_lock, TX_3g_dif_visc, TX_3g_dif_clsd};
  return Tx(TEXTS[std::min(kind, 3)]);
}

void FinalDrivePage(Page& p) {
  Car& car = p.car;
  for (const int axle : {1, 0}) {
    if (!(car.driveType & (axle == 0 ? DRIVE_REAR : DRIVE_FRONT))) continue;
    const int kind = car.currentSetup.bytes[Axle(axle, AXLE_DIFFERENTIAL)];
    p.Heading(AxleHeading(axle));
    p.Selector(DifferentialText(kind), 2 * axle, p.args.onStepDifferential);
    if (kind == DIFF_LIMITED_SLIP) {
      if (car.options & OPT1_COAST_AS_POWER)
        p.ByteRow(Tx(TX_3g_lock_one), Axle(axle, AXLE_POWER_LOCKING), 10, 80, 10, 80);
      else
        p.BytePairRow(Tx(TX_3g_lock_o_o), Axle(axle, AXLE_POWER_LOCKING), Axle(axle, AXLE_COAST_LOCKING), 10, 80,
                      10, 80, 1);
      p.ByteRow(Tx(TX_3h_dpreload), Axle(axle, AXLE_PRELOAD), 0, 800, 0, 80);
    } else if (kind == DIFF_VISCOUS) {
      p.ByteRow(Tx(TX_3g_fvistorq), Axle(axle, AXLE_VISCOUS), 1, 20, 1, 20);
    }
  }
  if (car.driveType == DRIVE_FOUR) {
    const int centre = car.currentSetup.bytes[SETUP_CENTRE_DIFFERENTIAL];
    p.Heading(Tx(TX_3g_cent_txt));
    p.Selector(Tx(centre == 0 ? TX_3g_dif_open : TX_3g_dif_visc), 4, p.args.onStepDifferential);
    if (centre != 0) p.ByteRow(Tx(TX_3g_fvistorq), SETUP_CENTRE_VISCOUS, 1, 20, 1, 20);
    p.ByteRow(Tx(TX_3g_ftrqsplt), SETUP_FRONT_SHARE, 5, 95, 5, 95);
  }
  static const int GEAR_TEXTS[FORWARD_GEARS] = {TX_3a_grrat1st, TX_3a_grrat2nd, TX_3a_grrat3rd, TX_3a_grrat4th,
                                                TX_3a_grrat5th, TX_3a_grrat6th, TX_3a_grrat7th};
  // The gears follow the differentials down the first column and go on in the second.
  const int gears = std::clamp(static_cast<int>(car.gearCount) - Car::FIRST_GEAR_SLOT, 0, FORWARD_GEARS);
  for (int gear = 0; gear < gears; ++gear) {
    p.Fit(PANEL_VALUE_ROW);
    // Beside the ratio, the speed at the rev limit: filled into the row's label, whose own
    // conversion the row fills with the ratio.
    const char* label = Tx(GEAR_TEXTS[gear]);
    const float speed = GearTopSpeed(car, gear);
    if (speed > 0.0f) label = Format("%s   %.0f %s", label, static_cast<double>(SpeedInUnit(speed)), SpeedUnitText());
    p.WordRow(label, SETUP_GEAR_WORDS + 2 * gear, GEAR_LOWEST, GEAR_HIGHEST, 1);
  }
  p.Fit(PANEL_VALUE_ROW);
  p.WordRow(Tx(TX_3a_fnldvval), SETUP_FINAL_DRIVE, GEAR_LOWEST, GEAR_HIGHEST, 1);
}

// ---- Page 6: tyres ----
const char* TyreTypeText(int type) {
  static const int TEXTS[TYRE_COMPOUND_COUNT] = {TX_3g_tt_sl_r1, TX_3g_tt_sl_r2, TX_3g_tt_sl_r3, TX_3g_tt_sl_r4,
                                                 TX_3a_tt_roads, TX_3a_tt_roadn, TX_3a_tt_hybri, TX_3a_tt_knobb};
  return Tx(TEXTS[type]);
}

void TyresPage(Page& p) {
  Car& car = p.car;
  const int maker = car.currentSetup.bytes[SETUP_TYRE_MAKER];
  p.Text(Tx(TX_3h_tyre_man), TextColour(), 0.0f, 0.45f, false);
  p.Selector(maker < TYRE_MAKER_COUNT ? TyreMakerNames[maker] : "?", 4, p.args.onStepTyre, 0.45f);
  const float top = p.y;
  float bottom = top;  // below the longer of the two axles' columns
  for (const int axle : {1, 0}) {
    const SuspensionBlock& set = car.wheelSets[axle];
    p.x = axle == 1 ? PANEL_COLUMN_1 : PANEL_COLUMN_2;
    p.y = top;
    p.Heading(AxleHeading(axle));
    p.Line(Format("%.0f/%.0f-%.0f", static_cast<double>(set.sectionWidth * 1000.0f),
                  static_cast<double>(set.aspectRatio * 100.0f),
                  static_cast<double>(set.rimRadius * 2000.0f / MILLIMETRES_PER_INCH)));
    // The compound the car's set-up takes for the type byte.
    const int type = std::min<int>(car.currentSetup.bytes[Axle(axle, AXLE_TYRE_TYPE)], TYRE_COMPOUND_COUNT - 1);
    p.Selector(TyreTypeText(type), 2 * axle, p.args.onStepTyre);
    p.Line(Format(Tx(TX_3g_optt_x_d), static_cast<double>(TyreCompounds[type].optimumTemperatureC)));

    float lowest, highest;
    PressureRowRange(car, axle, p.args.inEditor, lowest, highest);
    p.WordPairRow(Tx(TX_3g_press_lr), Axle(axle, AXLE_PRESSURE_LEFT), Axle(axle, AXLE_PRESSURE_RIGHT), lowest, highest,
                  PairMode(car));
    const double left = SetupShort(car.currentSetup, Axle(axle, AXLE_PRESSURE_LEFT)) * PASCAL_PER_KPA;
    const double right = SetupShort(car.currentSetup, Axle(axle, AXLE_PRESSURE_RIGHT)) * PASCAL_PER_KPA;
    if (PressureUnitBar) p.Line(Format(Tx(TX_3g_conv_bar), left * BAR_PER_PASCAL, right * BAR_PER_PASCAL));
    else p.Line(Format(Tx(TX_3g_conv_psi), left * PSI_PER_PASCAL, right * PSI_PER_PASCAL));

    if (set.paired && set.suspensionType < SUSPENSION_TYPE_COUNT && !(axle == 0 && car.vehicleClass == CLASS_KART)) {
      // The arm kinds' camber is an adjustment of the wheel set's own included angle.
      const bool relative =
          set.suspensionType == SUSPENSION_MACPHERSON_STRUT || set.suspensionType == SUSPENSION_DOUBLE_WISHBONE;
      p.BytePairRow(Tx(relative ? TX_3g_camb_adj : TX_3g_camb_abs), Axle(axle, AXLE_CAMBER_LEFT),
                    Axle(axle, AXLE_CAMBER_RIGHT), -4.5f, 4.5f, 0, SETUP_MOST_CAMBER, PairMode(car));
      p.Line(Format(Tx(TX_3g_livecamb), static_cast<double>(LiveCamberDegrees(car, set.leftWheel - 1)),
                    static_cast<double>(LiveCamberDegrees(car, set.rightWheel - 1))));
    }
    bottom = std::max(bottom, p.y);
  }
  p.Column(0);
  p.y = bottom + PANEL_LINE;
  const bool warmers = RaceSetup.warmStart || car.vehicleClass == CLASS_GT || car.vehicleClass == CLASS_F1;
  if (warmers) p.ByteRow(Tx(TX_3h_tyrewarm), SETUP_TYRE_WARMER, 20, 120, 20, 120);
  const bool symmetric = Symmetric(car);
  p.Buttons({{Tx(TX_3g_symmetri), 1, symmetric}, {Tx(TX_3g_asymmetr), 0, !symmetric}}, p.args.onSwitch);
  p.Buttons({{Tx(TX_3a_brak_psi), 0, PressureUnitBar == 0}, {Tx(TX_3a_brak_bar), 1, PressureUnitBar != 0}},
            StoreWord, &PressureUnitBar);
}

// ---- Page 7: downforce ----
void DownforcePage(Page& p) {
  Car& car = p.car;
  static const int WING_TEXTS[2] = {TX_3g_rwingang, TX_3g_fwingang};
  for (const int wing : {AERO_FRONT_WING, AERO_REAR_WING}) {
    if (!(car.aeroItems[wing].flags & AERO_PRESENT)) continue;
    const int least = car.wingAngles[wing][0], most = car.wingAngles[wing][1];
    p.ByteRow(Tx(WING_TEXTS[wing]), wing == AERO_REAR_WING ? SETUP_REAR_WING : SETUP_FRONT_WING,
              static_cast<float>(least), static_cast<float>(most), least, most);
  }
  const float v = InfoTestSpeed;
  const char* speed = Format(Tx(TX_3g_tst_x_ms), static_cast<double>(v));
  p.FloatRow(Format("%s (%.1f %s)", speed, static_cast<double>(SpeedInUnit(v)), SpeedUnitText()), &InfoTestSpeed,
             TEST_SPEED_STEP, 0.0f, MOST_TEST_SPEED, 0, KeepSetting);

  p.Column(1);
  static const int ITEM_TEXTS[AERO_ITEMS] = {TX_3g_rearwing, TX_3g_frntwing, TX_3g_undrtray, TX_3g_bodyaero};
  const double squared = static_cast<double>(v) * v;
  // Three columns: the figures take the room the names leave ("D : 560 N" kept on one row).
  const auto figures = [&](const char* name, float lift, float drag) {
    p.Text(name, TextColour(), 0.0f, 0.37f, false);
    p.Text(Format(Tx(TX_3g_lift_x_n), lift * squared), TextColour(), 0.37f, 0.68f, false);
    p.Text(Format(Tx(TX_3g_drag_x_n), drag * squared), TextColour(), 0.68f, 1.0f);
  };
  for (int item = 0; item < AERO_ITEMS; ++item)
    if (car.aeroItems[item].flags & AERO_PRESENT)
      figures(Tx(ITEM_TEXTS[item]), car.aeroItems[item].liftFactor, car.aeroItems[item].dragFactor);
  figures(Tx(TX_3g_totlaero), car.totalLiftFactor, car.totalDragFactor);

  float rear, front;
  car.SplitLoadsToAxles(rear, front);
  const double total = static_cast<double>(rear) + front;
  if (std::fabs(total) >= LEAST_LIFT && std::isfinite(total))
    p.Line(Format(Tx(TX_3h_ddistrfr), front * 100.0 / total, rear * 100.0 / total));
  if (car.topSpeed > LEAST_TOP_SPEED && std::isfinite(car.topSpeed)) {
    p.Line(Format("%s %.0f %s", Tx(TX_3h_estmaxsp), static_cast<double>(SpeedInUnit(car.topSpeed)), SpeedUnitText()));
    p.Buttons({{Tx(TX_3a_smallkmh), 1, SpeedUnitKmh != 0}, {Tx(TX_3a_smallmph), 0, SpeedUnitKmh == 0}}, SetSpeedUnit);
  }
}

// ---- Page 8: passengers ----
void PassengersPage(Page& p) {
  Car& car = p.car;
  int front, rear;
  car.GetAnimationNeeds(front, rear);
  const uint32_t seated = SetupWord(car.currentSetup, SETUP_PASSENGERS);
  const auto seat = [&](int text, int index) {
    const int kind = static_cast<int>(seated >> (2 * index) & 3);
    p.Text(Tx(text), TextColour(), 0.0f, 0.4f, false);
    const int word = index * 4;
    p.Buttons({{Tx(TX_3a_smalnone), word, kind == 0}, {Tx(TX_3a_smallman), word + 1, kind == 1},
               {Tx(TX_3a_smallwmn), word + 2, kind == 2}},
              p.args.onPassengers, nullptr, 0.4f);
  };
  static_assert(SEAT_KINDS == 3, "none, man and woman");
  if (front) seat(TX_3a_pssfront, SEAT_FRONT);
  if (rear && car.seatsPerRow > 1) {
    seat(TX_3a_pssrleft, SEAT_REAR_LEFT);
    seat(TX_3a_pssrrght, SEAT_REAR_RIGHT);
  }
  if (rear && (car.seatsPerRow == 1 || car.seatsPerRow == 3)) seat(TX_3a_pssrmidd, SEAT_REAR_MIDDLE);
}

}  // namespace

float BrakeTorqueBound(const Car& car) {
  const bool front = SetCarriesWheel(car, 1);
  const float R = car.wheelSets[front ? 1 : 0].rollingRadius;
  const float M = BRAKE_GRIP * car.ComputeDownforce() * (R > 0.0f ? R : 0.0f);
  return M > 0.0f && std::isfinite(M) ? M : 0.0f;
}

float SteeringWheelTurnDegrees(const Car& car) {
  if (car.setupCount <= 0) return 0.0f;
  const int stored = car.setups[0].record.bytes[SETUP_STEERING_LOCK];
  if (stored == 0) return 0.0f;
  const double turn = car.steeringWheelTurn * LOCK_TO_LOCK_DEGREES * car.currentSetup.bytes[SETUP_STEERING_LOCK] / stored;
  return HeldWithin(static_cast<float>(turn), LEAST_WHEEL_TURN, MOST_WHEEL_TURN);
}

float GearTopSpeed(const Car& car, int gear) {
  if (gear < 0 || gear >= FORWARD_GEARS) return 0.0f;
  const auto ratio = [&](int offset) {
    return SetupShort(car.currentSetup, offset) * (GEAR_HIGHEST - GEAR_LOWEST) / 65534.0f + GEAR_LOWEST;
  };
  const float product = ratio(SETUP_GEAR_WORDS + 2 * gear) * ratio(SETUP_FINAL_DRIVE);
  if (!(product > LEAST_GEAR_PRODUCT)) return 0.0f;
  const float speed = car.engine.redline / product * car.wheelSets[0].rollingRadius;
  return std::isfinite(speed) ? speed : 0.0f;
}

void PressureRowRange(const Car& car, int axle, int inEditor, float& lowest, float& highest) {
  int least = 0, most = car.TyrePressureLimit();
  if (!inEditor || (car.options2 & OPT2_PRESSURE_LIMITS)) car.ClampedTyrePressureRange(axle, least, most);
  lowest = static_cast<float>(least);
  highest = static_cast<float>(most);
}

float LiveCamberDegrees(const Car& car, int wheel) {
  if (wheel < 0 || wheel >= CarWheelCount(car)) return 0.0f;
  // The spin axis's fall, measured outwards on either side: the top of the wheel leaning out
  // is positive camber.
  const CarWheel& w = car.wheels[wheel];
  const float tilt = -w.spinAxis.z * (w.side > 0.0f ? 1.0f : -1.0f);
  if (!std::isfinite(tilt)) return 0.0f;
  return std::asin(std::clamp(tilt, -1.0f, 1.0f)) * DEGREES_PER_RADIAN;
}

void DrawInfoSetupPage(const InfoPanelArgs& args, int page) {
  if (!args.car || page < INFO_PAGE_BRAKES || page > INFO_PAGE_PASSENGERS) return;
  Page p{args, *args.car};
  switch (page) {
    case INFO_PAGE_BRAKES: BrakesPage(p); break;
    case INFO_PAGE_SUSPENSION: SuspensionPage(p); break;
    case INFO_PAGE_STEERING: SteeringPage(p); break;
    case INFO_PAGE_FINAL_DRIVE: FinalDrivePage(p); break;
    case INFO_PAGE_TYRES: TyresPage(p); break;
    case INFO_PAGE_DOWNFORCE: DownforcePage(p); break;
    default: PassengersPage(p); break;
  }
}
