// interface_mouse.cpp - the mouse dispatch of the interface: hits, press actions of buttons
// and value controls, drags, the wheel, the value clipboard and the right-button cancel.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "core/frame_globals.h"
#include "core/sound.h"
#include "core/window_state.h"
#include "platform/clock.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_local.h"
#include "ui/screen_labels.h"
#include "ui/text_draw.h"
#include "ui/text_entry.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

ValueDragState ValueDrag;
PendingPressState PendingPress;
int ReleaseHandled;
ValueClipboardState ValueClipboard;
const char* HoverHint;
uint32_t HoverHintSinceMs;
int PointerOverButton;
int InteractiveMode = 1;

namespace {

constexpr float MIN_STEP = 1e-8f;
constexpr int EDIT_SET_FLOAT = EDIT_KIND_SET_FLOAT, EDIT_ADJUST_COLOUR = EDIT_KIND_ADJUST_COLOUR,
              EDIT_SET_INTEGER = EDIT_KIND_SET_INTEGER, EDIT_SWITCH_FLAG = EDIT_KIND_SWITCH_FLAG;
constexpr int MAPPED_WORD_TOP = 65534;

// ---- Small helpers over bound variables ----
float& FloatAt(void* p) { return *static_cast<float*>(p); }
uint8_t* BytesAt(void* p) { return static_cast<uint8_t*>(p); }
uint16_t& WordAt(void* p) { return *static_cast<uint16_t*>(p); }
int32_t& IntAt(void* p) { return *static_cast<int32_t*>(p); }
void* AddressOf(uintptr_t word) { return reinterpret_cast<void*>(word); }

// The verb comes from the kind; kept at the call sites for reading.
void RecordEdit(int domain, int kind, const char*, const char* label, void* variable, uint32_t mask = 0) {
  RecordControlEdit(domain, kind, label, variable, mask);
}

// The label an edit through the control is named after: the row's, when the control carries
// one, else the label its type holds (given).
const char* EditLabel(const ValueControl& c, const char* label) { return c.name ? c.name : label; }

void OpenFloatEntry(Prss* owner, void* variable, int typeOrStyle, float lower, float upper, float step,
                    const char* label, int domain, InterfaceHandler callback) {
  TypedEntryRequest r{};
  r.owner = owner;
  r.variable = variable;
  r.typeOrStyle = typeOrStyle;
  r.minimum = lower;
  r.maximum = upper;
  r.step = step;
  r.label = label;
  r.editDomain = domain;
  r.callback = callback;
  OpenTypedEntry(r);
}

uint8_t LargestOf3(const uint8_t* c) { return std::max({c[0], c[1], c[2]}); }

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Entries beyond the visible rows; never below 0, so a short list cannot scroll.
int LastScrollPosition(int entries, int visibleRows) { return std::max(0, entries - visibleRows); }

bool InsideControl(const ValueControl& c, float x, float y) {
  return x >= c.left && x <= c.right && y >= c.top && y <= c.bottom;
}

void StartDrag(int kind, void* variable, float lower, float upper, int span, Prss* owner,
               InterfaceHandler callback, int domain) {
  ValueDrag = ValueDragState{};
  ValueDrag.kind = kind;
  ValueDrag.variable = variable;
  ValueDrag.lower = lower;
  ValueDrag.upper = upper;
  ValueDrag.span = std::max(1, span);
  ValueDrag.pressX = ValueDrag.lastX = MouseX;
  ValueDrag.pressY = MouseY;
  ValueDrag.speed = 1.0f;
  ValueDrag.owner = owner;
  ValueDrag.callback = callback;
  ValueDrag.editDomain = domain;
  switch (kind) {
    case DRAG_FLOAT: ValueDrag.savedFloat = FloatAt(variable); break;
    case DRAG_BYTE: ValueDrag.savedInt = BytesAt(variable)[0]; break;
    case DRAG_WORD: ValueDrag.savedInt = WordAt(variable); break;
    case DRAG_SCROLL: ValueDrag.savedInt = IntAt(variable); break;
    case DRAG_COLOUR: std::memcpy(ValueDrag.savedColour, variable, 3); break;
    default: break;
  }
}

void CallDragCallback() {
  if (ValueDrag.callback) ValueDrag.callback(ValueDrag.owner, 0, 0);
}

// One step of a drag whose pointer x moved.
void StepDrag() {
  ValueDragState& d = ValueDrag;
  const int total = MouseX - d.pressX;
  d.lastX = MouseX;
  switch (d.kind) {
    case DRAG_FLOAT: {
      float& v = FloatAt(d.variable);
      const float before = v;
      const float moved = d.savedFloat + (d.upper - d.lower) * d.speed * static_cast<float>(total) /
                                             static_cast<float>(d.span);
      v = SnapAndClamp(d.lower, moved, d.upper, d.step);
      if (v != before) CallDragCallback();
      break;
    }
    case DRAG_BYTE:
    case DRAG_WORD:
    case DRAG_COLOUR: {
      const int lower = static_cast<int>(d.lower), upper = static_cast<int>(d.upper);
      const int saved = d.kind == DRAG_COLOUR ? d.savedColour[0] : d.savedInt;
      const int value = ClampInt(saved + MulDivInt(total, upper - lower, d.span), lower, upper);
      int before;
      if (d.kind == DRAG_WORD) {
        before = WordAt(d.variable);
        WordAt(d.variable) = static_cast<uint16_t>(value);
      } else {
        uint8_t* bytes = BytesAt(d.variable);
        before = bytes[0];
        const int count = d.kind == DRAG_COLOUR ? 3 : 1;
        bool changed = false;
        for (int i = 0; i < count; ++i) {
          changed |= bytes[i] != value;
          bytes[i] = static_cast<uint8_t>(value);
        }
        if (changed) before = -1;
      }
      if (value != before) CallDragCallback();
      break;
    }
    default:
      break;
  }
}

void StepScrollDrag() {
  ValueDragState& d = ValueDrag;
  const int visible = static_cast<int>(d.upper - d.lower);
  int value = d.savedInt + MulDivInt(MouseY - d.pressY, visible, d.span);
  value = value < 1 ? 0 : std::min(value, LastScrollPosition(d.entries, visible));
  IntAt(d.variable) = value;
}

void StartScrollDrag(Prss* owner, void* variable, int lower, int upper, int entries, int pixelScale) {
  StartDrag(DRAG_SCROLL, variable, static_cast<float>(lower), static_cast<float>(upper), pixelScale, owner, nullptr,
            0);
  ValueDrag.entries = entries;
}

// ---- Buttons ----

// Which code ends the action without calling the handler; the others call it with word.
struct PressResult {
  bool callHandler = true;
  bool wordZero = false;
};

PressResult PressFloatButton(const InterfaceButton& b, int code) {
  void* variable = AddressOf(b.word);
  const float lower = b.text.f, upper = b.third.f;
  const char* label = b.fourth.text;
  const float step = FormatPrecision(label, ButtonStyleToValueType(b.style));
  switch (code) {
    case 1:
    case 5: {
      RecordEdit(b.editDomain, EDIT_SET_FLOAT, "set", b.fourth.text, variable);
      const int span = b.right - b.left;
      StartDrag(DRAG_FLOAT, variable, lower, upper, span, b.owner, b.handler, b.editDomain);
      ValueDrag.step = step;
      ValueDrag.label = label;
      // Ctrl + left: one step per pixel.
      if (code == 5) ValueDrag.speed = upper != lower ? static_cast<float>(ValueDrag.span) * step / (upper - lower) : 0.0f;
      return {false, false};
    }
    case 2:
      if (label) OpenFloatEntry(b.owner, variable, b.style, lower, upper, step, label, b.editDomain, b.handler);
      return {false, false};
    case 6:
      ValueClipboard.value = FloatAt(variable);
      return {false, false};
    case 10:
      RecordEdit(b.editDomain, EDIT_SET_FLOAT, "set", label, variable);
      FloatAt(variable) = SnapAndClamp(lower, ValueClipboard.value, upper, step);
      return {true, true};
    default:
      return {};
  }
}

// A byte slider's edit: a colour channel's adjusts the colour, a value's is set.
void RecordByteSliderEdit(const InterfaceButton& b, void* variable) {
  if (b.style == BUTTON_STYLE_BYTE_SLIDER) RecordEdit(b.editDomain, EDIT_SET_INTEGER, "set", b.text.text, variable);
  else RecordEdit(b.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
}

PressResult PressButtonStyle(const InterfaceButton& b, int code) {
  void* variable = AddressOf(b.word);
  const int style = b.style;
  const char* text = b.text.text;
  if (style >= BUTTON_STYLE_FLOAT && style <= BUTTON_STYLE_FLOAT_THOUSANDTHS) return PressFloatButton(b, code);
  if (style >= BUTTON_STYLE_INT_PLUS && style <= BUTTON_STYLE_WORD_MINUS && !variable) return {};
  switch (style) {
    case BUTTON_STYLE_SWATCH:
    case BUTTON_STYLE_SWATCH_UNUSED: {
      uint8_t* colour = reinterpret_cast<uint8_t*>(b.colour);
      if (code == 6) {
        std::memcpy(ValueClipboard.colour, colour, 3);
        return {false, false};
      }
      if (code == 10) {
        RecordEdit(b.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", colour);
        std::memcpy(colour, ValueClipboard.colour, 3);
        if (b.third.function) b.third.function(b.owner, code, b.word);
        return {false, false};
      }
      return {};
    }
    case BUTTON_STYLE_RADIO:
      if (b.third.address) IntAt(b.third.address) = static_cast<int32_t>(b.word);
      return {};
    case BUTTON_STYLE_BYTE_SLIDER:
    case BUTTON_STYLE_RED_SLIDER:
    case BUTTON_STYLE_GREEN_SLIDER:
    case BUTTON_STYLE_BLUE_SLIDER:
      // Unlike the float values, the byte sliders tell their handler of every press: the
      // drag's start, the copy and the paste (with word 0).
      if (code == 1) {
        RecordByteSliderEdit(b, variable);
        StartDrag(DRAG_BYTE, variable, static_cast<float>(b.text.i), static_cast<float>(b.third.i),
                  static_cast<int>(b.fourth.i), b.owner, b.handler, b.editDomain);
        return {};
      }
      if (code == 6) {
        ValueClipboard.byte = BytesAt(variable)[0];
        return {};
      }
      if (code == 10) {
        RecordByteSliderEdit(b, variable);
        BytesAt(variable)[0] =
            static_cast<uint8_t>(ClampInt(ValueClipboard.byte, static_cast<int>(b.text.i), static_cast<int>(b.third.i)));
        return {true, true};
      }
      return {};
    case BUTTON_STYLE_COLOUR_TRIPLE:
      if (code == 1) {
        RecordEdit(b.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
        uint8_t* bytes = BytesAt(variable);
        bytes[0] = bytes[1] = bytes[2] = LargestOf3(bytes);
        StartDrag(DRAG_COLOUR, variable, static_cast<float>(b.text.i), static_cast<float>(b.third.i),
                  static_cast<int>(b.fourth.i), b.owner, b.handler, b.editDomain);
        return {};
      }
      return {};
    case BUTTON_STYLE_SCROLL_KNOB:
      if ((code & ~(4 | 8)) == 1 && variable) {
        StartScrollDrag(b.owner, variable, static_cast<int>(b.text.i), static_cast<int>(b.third.i), static_cast<int>(b.fourth.i),
                        std::max(1, b.bottom - b.top - 6));
        return {false, false};
      }
      return {};
    case BUTTON_STYLE_BYTE_STEP_PLUS:
    case BUTTON_STYLE_BYTE_STEP_MINUS: {
      RecordEdit(b.editDomain, EDIT_SET_INTEGER, "set", text, variable);
      const int step = ValueStepMultiplier(code) * (style == BUTTON_STYLE_BYTE_STEP_PLUS ? 1 : -1);
      uint8_t& v = BytesAt(variable)[0];
      v = static_cast<uint8_t>(ClampInt(v + step, static_cast<int>(b.text.i), static_cast<int>(b.third.i)));
      return {true, true};
    }
    case BUTTON_STYLE_COLOUR_PLUS:
    case BUTTON_STYLE_COLOUR_MINUS: {
      RecordEdit(b.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
      const int step = ColourStep(code) * (style == BUTTON_STYLE_COLOUR_PLUS ? 1 : -1);
      uint8_t& v = BytesAt(variable)[0];
      v = static_cast<uint8_t>(ClampInt(v + step, static_cast<int>(b.text.i), static_cast<int>(b.third.i)));
      return {true, true};
    }
    case BUTTON_STYLE_GREY_PLUS:
    case BUTTON_STYLE_GREY_MINUS: {
      RecordEdit(b.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
      uint8_t* bytes = BytesAt(variable);
      const int step = ColourStep(code) * (style == BUTTON_STYLE_GREY_PLUS ? 1 : -1);
      const int grey = ClampInt(bytes[0] + step, static_cast<int>(b.text.i), static_cast<int>(b.third.i));
      bytes[0] = bytes[1] = bytes[2] = static_cast<uint8_t>(grey);
      return {true, true};
    }
    case BUTTON_STYLE_BRIGHTER:
    case BUTTON_STYLE_DARKER: {
      RecordEdit(b.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
      const bool right = (code & 2) != 0;
      const int num = style == BUTTON_STYLE_BRIGHTER ? (right ? 20 : 10) : (right ? 19 : 9);
      const int den = style == BUTTON_STYLE_BRIGHTER ? (right ? 19 : 9) : (right ? 20 : 10);
      uint8_t* bytes = BytesAt(variable);
      for (int i = 0; i < 3; ++i) bytes[i] = static_cast<uint8_t>(ClampInt(MulDivInt(bytes[i], num, den), 0, 255));
      return {true, true};
    }
    case BUTTON_STYLE_FLOAT_PLUS:
    case BUTTON_STYLE_FLOAT_MINUS: {
      const float step = b.text.f;
      if (step < MIN_STEP) return {false, false};
      RecordEdit(b.editDomain, EDIT_SET_FLOAT, "set", b.fourth.text, variable);
      float& v = FloatAt(variable);
      const int steps = ValueStepMultiplier(code) * (style == BUTTON_STYLE_FLOAT_PLUS ? 1 : -1);
      const float moved = (std::round(v / step) + static_cast<float>(steps)) * step;
      v = style == BUTTON_STYLE_FLOAT_PLUS ? std::min(moved, b.third.f) : std::max(moved, b.third.f);
      return {true, true};
    }
    case BUTTON_STYLE_ANGLE_PLUS: {
      const float multiple = b.third.f;
      if (multiple < MIN_STEP) return {false, false};
      RecordEdit(b.editDomain, EDIT_SET_FLOAT, "set", text, variable);
      constexpr float pi = std::numbers::pi_v<float>;
      float v = FloatAt(variable) + b.fourth.f;
      while (v > pi) v -= 2.0f * pi;
      while (v < -pi) v += 2.0f * pi;
      FloatAt(variable) = std::round(v / multiple) * multiple;
      return {true, true};
    }
    case BUTTON_STYLE_INT_PLUS:
    case BUTTON_STYLE_INT_MINUS:
    case BUTTON_STYLE_BYTE_PLUS:
    case BUTTON_STYLE_BYTE_MINUS:
    case BUTTON_STYLE_SIGNED_BYTE_PLUS:
    case BUTTON_STYLE_SIGNED_BYTE_MINUS: {
      // The text field holds the lower limit; the row's format names the edit.
      RecordEdit(b.editDomain, EDIT_SET_INTEGER, "set", b.fourth.text, variable);
      const int step = (code == 1 ? 1 : 10) * (style % 2 == 1 ? 1 : -1);  // the plus styles are odd
      const int lo = static_cast<int>(b.text.i), hi = static_cast<int>(b.third.i);
      if (style <= BUTTON_STYLE_INT_MINUS) IntAt(variable) = ClampInt(IntAt(variable) + step, lo, hi);
      else if (style <= BUTTON_STYLE_BYTE_MINUS)
        BytesAt(variable)[0] = static_cast<uint8_t>(ClampInt(BytesAt(variable)[0] + step, lo, hi));
      else {
        int8_t& v = *static_cast<int8_t*>(variable);
        v = static_cast<int8_t>(ClampInt(v + step, lo, hi));
      }
      return {true, true};
    }
    case BUTTON_STYLE_WORD_PLUS:
    case BUTTON_STYLE_WORD_MINUS: {
      const int step = ValueStepByte(code) * (style == BUTTON_STYLE_WORD_PLUS ? 1 : -1);
      WordAt(variable) = static_cast<uint16_t>(
          ClampInt(WordAt(variable) + step, static_cast<int>(b.text.i), static_cast<int>(b.third.i)));
      return {true, true};
    }
    case BUTTON_STYLE_NAMED_FLAG:
    case BUTTON_STYLE_FLAG32:
    case BUTTON_STYLE_FLAG16:
    case BUTTON_STYLE_FLAG8: {
      if (!variable) return {};
      const uint32_t mask = static_cast<uint32_t>(b.third.i);
      RecordEdit(b.editDomain, EDIT_SWITCH_FLAG, "switch", text, variable, mask);
      if (style == BUTTON_STYLE_FLAG16) WordAt(variable) ^= static_cast<uint16_t>(mask);
      else if (style == BUTTON_STYLE_FLAG8) BytesAt(variable)[0] ^= static_cast<uint8_t>(mask);
      else *static_cast<uint32_t*>(variable) ^= mask;
      return {true, true};
    }
    default:
      return {};
  }
}

// ---- Value controls ----

// The press belongs to the control: the record's held flags are cleared so the screen's own
// mouse code, which runs after the interface, does not start a drag of its own with it.
void RecordValuePress(int code, int type, MouseRecord& mouse) {
  PlayUISound(0);
  mouse.leftHeld = mouse.rightHeld = 0;
  PendingPress.clickCode = code;
  PendingPress.displayType = type;
  PendingPress.x = PointerNormalisedX();
  PendingPress.y = PointerNormalisedY();
}

// A mapped byte or a 16-bit value: the entry shows and takes the float range.
void OpenMappedEntry(const ValueControl& c, int mapped) {
  TypedEntryRequest r{};
  r.owner = c.owner;
  r.variable = c.variable;
  r.typeOrStyle = c.displayType;
  r.minimum = c.minimum.f;
  r.maximum = c.maximum.f;
  r.label = c.label.text;
  r.name = c.name;
  r.editDomain = c.editDomain;
  r.byteMinimum = c.byteMinimum;
  r.byteMaximum = c.byteMaximum;
  r.mapped = mapped;
  r.callback = c.callback;
  OpenTypedEntry(r);
}

int ControlSpanPixels(const ValueControl& c) {
  return std::max(1, static_cast<int>(std::lround((c.right - c.left) * 0.5f * static_cast<float>(ScreenWidth))));
}

// The press of a type acted on at once.  Returns false for the types that use press and release.
bool PressNow(const ValueControl& c, int code) {
  const int type = c.displayType;
  void* variable = c.variable;
  const char* label = c.label.text;
  if (type >= VALUE_TYPE_FLOAT && type <= VALUE_TYPE_TYPED_FLOAT) {
    const float step = type == VALUE_TYPE_EXPLICIT_STEP ? c.label.f : FormatPrecision(label, type);
    const char* name = EditLabel(c, type == VALUE_TYPE_EXPLICIT_STEP ? nullptr : label);
    if (code == 1 && type != VALUE_TYPE_TYPED_FLOAT) {
      RecordEdit(c.editDomain, EDIT_SET_FLOAT, "set", name, variable);
      StartDrag(DRAG_FLOAT, variable, c.minimum.f, c.maximum.f, ControlSpanPixels(c), c.owner, c.callback,
                c.editDomain);
      ValueDrag.step = step;
      ValueDrag.label = name;
    } else if (code == 2 || code == 1) {
      OpenFloatEntry(c.owner, variable, type, c.minimum.f, c.maximum.f, step, name, c.editDomain, c.callback);
    } else if (code == 6) {
      ValueClipboard.value = FloatAt(variable);
    } else if (code == 10) {
      RecordEdit(c.editDomain, EDIT_SET_FLOAT, "set", name, variable);
      FloatAt(variable) = SnapAndClamp(c.minimum.f, ValueClipboard.value, c.maximum.f, step);
      if (c.callback) c.callback(c.owner, 10, 0);
    }
    return true;
  }
  const int lo = static_cast<int>(c.minimum.i), hi = static_cast<int>(c.maximum.i);
  switch (type) {
    case VALUE_TYPE_PRESS_ONLY:
      if (c.callback) c.callback(c.owner, code, 0);
      return true;
    case VALUE_TYPE_COLOUR_BYTE:
      if (code == 1) {
        RecordEdit(c.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
        StartDrag(DRAG_BYTE, variable, static_cast<float>(lo), static_cast<float>(hi), ControlSpanPixels(c), c.owner,
                  c.callback, c.editDomain);
      } else if (code == 6) {
        ValueClipboard.byte = BytesAt(variable)[0];
      } else if (code == 10) {
        RecordEdit(c.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
        BytesAt(variable)[0] = static_cast<uint8_t>(ClampInt(ValueClipboard.byte, lo, hi));
        if (c.callback) c.callback(c.owner, 0, 0);
      }
      return true;
    case VALUE_TYPE_COLOUR_TRIPLE:
      if (code == 1) {
        RecordEdit(c.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", variable);
        uint8_t* bytes = BytesAt(variable);
        bytes[0] = bytes[1] = bytes[2] = LargestOf3(bytes);
        StartDrag(DRAG_COLOUR, variable, static_cast<float>(lo), static_cast<float>(hi), ControlSpanPixels(c), c.owner,
                  c.callback, c.editDomain);
      }
      return true;
    case VALUE_TYPE_MAPPED_BYTE:
      // A drag and a paste are edits as a step is: recorded, and the paste told to the owner.
      if (code == 1) {
        RecordEdit(c.editDomain, EDIT_SET_INTEGER, "set", EditLabel(c, label), variable);
        StartDrag(DRAG_BYTE, variable, c.byteMinimum, c.byteMaximum, ControlSpanPixels(c), c.owner, c.callback,
                  c.editDomain);
      } else if (code == 2) {
        OpenMappedEntry(c, 0);
      } else if (code == 6) {
        ValueClipboard.byte = BytesAt(variable)[0];
      } else if (code == 10) {
        RecordEdit(c.editDomain, EDIT_SET_INTEGER, "set", EditLabel(c, label), variable);
        BytesAt(variable)[0] = static_cast<uint8_t>(ClampInt(ValueClipboard.byte, c.byteMinimum, c.byteMaximum));
        if (c.callback) c.callback(c.owner, 10, 0);
      }
      return true;
    case VALUE_TYPE_WORD: {
      const float wordLo = c.subType ? 0.0f : std::round(c.minimum.f);
      const float wordHi = c.subType ? 65534.0f : std::round(c.maximum.f);
      if (code == 1) {
        RecordEdit(c.editDomain, EDIT_SET_INTEGER, "set", EditLabel(c, label), variable);
        StartDrag(DRAG_WORD, variable, wordLo, wordHi, ControlSpanPixels(c), c.owner, c.callback, c.editDomain);
      } else if (code == 2) {
        OpenMappedEntry(c, c.subType);
      } else if (code == 6) {
        ValueClipboard.word = WordAt(variable);
      } else if (code == 10) {
        RecordEdit(c.editDomain, EDIT_SET_INTEGER, "set", EditLabel(c, label), variable);
        WordAt(variable) = static_cast<uint16_t>(ClampInt(ValueClipboard.word, static_cast<int>(wordLo),
                                                          static_cast<int>(wordHi)));
        if (c.callback) c.callback(c.owner, 10, 0);
      }
      return true;
    }
    case VALUE_TYPE_SCROLL:
      if (code == 1) {
        const int entries = static_cast<int>(c.label.i);
        const float height = c.bottom - c.top;
        const int scale = entries > 0 ? static_cast<int>(std::lround(static_cast<float>(hi - lo) * 0.5f /
                                                                     static_cast<float>(entries) *
                                                                     static_cast<float>(ScreenHeight) * height))
                                      : 1;
        StartScrollDrag(c.owner, variable, lo, hi, entries, std::max(1, scale));
      }
      return true;
    case VALUE_TYPE_COLOUR_SWATCH: {
      uint8_t* colour = reinterpret_cast<uint8_t*>(c.colour);
      if (code == 6) {
        std::memcpy(ValueClipboard.colour, colour, 3);
      } else if (code == 10) {
        RecordEdit(c.editDomain, EDIT_ADJUST_COLOUR, "adjust", "colour", colour);
        std::memcpy(colour, ValueClipboard.colour, 3);
        if (c.callback) c.callback(c.owner, 0, 0);
      }
      return true;
    }
    default:
      return false;
  }
}

// The 16-bit steps with a maximum field: a word that holds 0.5..7.5 over 0..65534, stepped in
// thousandths.
uint16_t StepMappedWord(uint16_t word, int steps) {
  const float value = (static_cast<float>(word) / MAPPED_WORD_TOP) * 7.0f + 0.5f;
  const int thousandths = RoundToInt32(value / 0.001f) + steps;
  const float stepped = std::clamp(static_cast<float>(thousandths) * 0.001f, 0.5f, 7.5f);
  return static_cast<uint16_t>(RoundToInt32((stepped - 0.5f) * MAPPED_WORD_TOP / 7.0f));
}

// The action of a type on the release that completes its press.  Returns whether the
// control's callback is then called as usual, with (owner, maximum, variable).
bool ReleaseAction(const ValueControl& c) {
  const int type = c.displayType;
  void* variable = c.variable;
  const int code = PendingPress.clickCode;
  const bool rightPress = (code & 2) != 0;
  const bool needsVariable = (type >= VALUE_TYPE_BYTE_PLUS && type <= VALUE_TYPE_SCROLL_DOWN) ||
                             (type >= VALUE_TYPE_EDIT_TEXT && type <= VALUE_TYPE_EDIT_SINGLE_BYTE);
  if (needsVariable && !variable) return false;
  switch (type) {
    case VALUE_TYPE_EDIT_TEXT:
    case VALUE_TYPE_EDIT_PASSWORD:
    case VALUE_TYPE_EDIT_SINGLE_BYTE: {
      // The text buffer's size is in the maximum field; the callback runs once the text is confirmed.
      static const int ENTRY_TYPES[3] = {0, 2, 3};
      EditTextField(c.owner, static_cast<char*>(variable), static_cast<int>(c.maximum.i), c.label.text,
                    ENTRY_TYPES[type - VALUE_TYPE_EDIT_TEXT], c.callback);
      return false;
    }
    case VALUE_TYPE_TEXT_LINE:
    case VALUE_TYPE_PASSWORD_LINE:
      if (c.maximum.i < 0) return true;
      // The next draw of the line counts the characters left of the pointer; the entry line
      // then puts its cursor there.
      TextClickProbe = 1;
      TextClickProbeX = PointerNormalisedX();
      RequestEntryClickPlacement();
      return false;
    case VALUE_TYPE_TEXT_LIST:
    case VALUE_TYPE_YES_NO:
    case VALUE_TYPE_TEXT_SLOT:
      if (!c.callback) return false;
      c.callback(c.owner, static_cast<int>(c.maximum.i), reinterpret_cast<uintptr_t>(variable));
      if (c.label.function) c.label.function(c.owner, static_cast<int>(c.maximum.i), reinterpret_cast<uintptr_t>(variable));
      return false;
    case VALUE_TYPE_BYTE_PLUS:
    case VALUE_TYPE_BYTE_MINUS: {
      RecordEdit(c.editDomain, EDIT_SET_INTEGER, "set", EditLabel(c, nullptr), variable);
      const int step = (rightPress ? 10 : 1) * (type == VALUE_TYPE_BYTE_PLUS ? 1 : -1);
      const int limit = static_cast<int>(c.label.i);
      const int v = BytesAt(variable)[0] + step;
      const int stopped = type == VALUE_TYPE_BYTE_PLUS ? std::min(v, limit) : std::max(v, limit);
      BytesAt(variable)[0] = static_cast<uint8_t>(ClampInt(stopped, 0, 255));
      return true;
    }
    case VALUE_TYPE_WORD_PLUS:
    case VALUE_TYPE_WORD_MINUS: {
      RecordEdit(c.editDomain, EDIT_SET_INTEGER, "set", EditLabel(c, nullptr), variable);
      const int step = ValueStepMultiplier(code) * (type == VALUE_TYPE_WORD_PLUS ? 1 : -1);
      uint16_t& word = WordAt(variable);
      if (c.maximum.i != 0) {
        word = StepMappedWord(word, step);
      } else {
        const int limit = static_cast<int>(c.label.i);
        const int v = word + step;
        const int stopped = type == VALUE_TYPE_WORD_PLUS ? std::min(v, limit) : std::max(v, limit);
        word = static_cast<uint16_t>(ClampInt(stopped, 0, 65535));
      }
      return true;
    }
    case VALUE_TYPE_FLOAT_PLUS:
    case VALUE_TYPE_FLOAT_MINUS: {
      const float step = c.maximum.f;
      if (step < MIN_STEP) return false;
      RecordEdit(c.editDomain, EDIT_SET_FLOAT, "set", EditLabel(c, nullptr), variable);
      const float moved = (std::round(FloatAt(variable) / step) +
                           static_cast<float>(ValueStepMultiplier(code) * (type == VALUE_TYPE_FLOAT_PLUS ? 1 : -1))) *
                          step;
      FloatAt(variable) = type == VALUE_TYPE_FLOAT_PLUS ? std::min(moved, c.label.f) : std::max(moved, c.label.f);
      return true;
    }
    case VALUE_TYPE_SCROLL_UP:
      IntAt(variable) = std::max(0, IntAt(variable) - 1);
      return false;
    case VALUE_TYPE_SCROLL_DOWN: {
      const int limit = static_cast<int>(c.label.i - c.maximum.i + c.minimum.i);
      IntAt(variable) = std::max(0, std::min(IntAt(variable) + 1, limit));
      return false;
    }
    case VALUE_TYPE_SEGMENT_BAR:
      if (code == CLICK_LEFT) {
        const int index = SegmentAt(ValueControlBarGeometry(c), PointerNormalisedX());
        if (c.callback && index >= 0 && index < SEGMENT_BAR_SEGMENTS)
          c.callback(c.owner, index, static_cast<uintptr_t>(c.maximum.i));
        return false;
      }
      return code == (CLICK_LEFT | CLICK_CTRL);
    default:
      return true;
  }
}

int HandleWheel(const MouseRecord& mouse, float x, float y) {
  for (int i = 0; i < ValueControlCount; ++i) {
    ValueControl& c = ValueControls[i];
    if (c.displayType != VALUE_TYPE_WHEEL || !c.variable || !InsideControl(c, x, y)) continue;
    int32_t& position = IntAt(c.variable);
    const int visible = static_cast<int>(c.maximum.i - c.minimum.i);
    if (mouse.wheel == 1) position = std::max(0, position - 1);
    else position = std::max(0, std::min(position + 1, LastScrollPosition(static_cast<int>(c.label.i), visible)));
    return 1;
  }
  return -1;
}

int HandleDrag(const MouseRecord& mouse) {
  if (mouse.rightHeld) {
    if (ValueDrag.kind != DRAG_SCROLL) CommitValueEdit();
    return 1;
  }
  if (!mouse.leftHeld) {
    ValueDrag.kind = DRAG_NONE;
    return 0;
  }
  const int kind = ValueDrag.kind;
  if (kind == DRAG_SCROLL) {
    StepScrollDrag();
    return 1;
  }
  if (MouseX != ValueDrag.lastX) StepDrag();
  return kind;
}

}  // namespace

float PointerNormalisedX() { return ScreenWidth > 0 ? 2.0f * static_cast<float>(MouseX) / ScreenWidth - 1.0f : 0.0f; }
float PointerNormalisedY() { return ScreenHeight > 0 ? 2.0f * static_cast<float>(MouseY) / ScreenHeight - 1.0f : 0.0f; }

const InterfaceButton* FindButtonUnderMouse() {
  const InterfaceButton* found = nullptr;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.owner && MouseX >= b.left && MouseX < b.right && MouseY >= b.top && MouseY < b.bottom) found = &b;
  }
  const char* hint = found ? found->hint : nullptr;
  if (hint != HoverHint) HoverHintSinceMs = ClockNowMs();
  HoverHint = hint;
  PointerOverButton = found ? 1 : 0;
  return found;
}

void Prss_SimpleMouse(Prss*, MouseRecord* mouse) { HandleInterfaceMouse(mouse); }

int HandleInterfaceMouse(MouseRecord* record) {
  if (ExitRequested || !InteractiveMode || !record) return 0;
  MouseRecord& mouse = *record;
  if (ValueDrag.kind != DRAG_NONE) return HandleDrag(mouse);

  const InterfaceButton* button = FindButtonUnderMouse();
  const int code = mouse.clickCode;
  if (code == 0 && !mouse.releaseCode && !mouse.wheel) return PendingPress.clickCode;

  if (code != 0) {
    if (button) {
      // The record is copied: the handler may add buttons, and ClearInterface empties the table.
      const InterfaceButton b = *button;
      const PressResult result = PressButtonStyle(b, code);
      if (result.callHandler && b.handler) b.handler(b.owner, code, result.wordZero ? 0 : b.word);
      ClearInterface();
      return 1;
    }
    if (const ScreenLabel* label = FindScreenLabelAt(MouseX, MouseY)) {
      const ScreenLabel hit = *label;
      if (hit.callback) hit.callback(hit.ownerWord, code, hit.first, hit.second);
      ClearInterface();
      return 1;
    }
  }

  if (ReleaseHandled || ValueControlCount == 0) {
    PendingPress = PendingPressState{};
    return 0;
  }
  const float x = PointerNormalisedX(), y = PointerNormalisedY();
  if (mouse.wheel) {
    const int took = HandleWheel(mouse, x, y);
    if (took >= 0) return took;
  }
  if (code == 0 && !mouse.releaseCode) return PendingPress.clickCode;

  for (int i = ValueControlCount - 1; i >= 0; --i) {
    ValueControl& c = ValueControls[i];
    if (c.displayType == VALUE_TYPE_WHEEL || !InsideControl(c, x, y)) continue;
    if (!c.owner) continue;
    if (code != 0) {
      if (c.displayType == VALUE_TYPE_PRESS_CALLBACK) {
        if (c.callback) c.callback(c.owner, code, reinterpret_cast<uintptr_t>(c.variable));
        RecordValuePress(code, c.displayType, mouse);
        return 1;
      }
      if (PressNow(c, code)) return 1;
      RecordValuePress(code, c.displayType, mouse);
      return 1;
    }
    // A release: it acts only when its press began on a control of this type and box.
    const bool matches = PendingPress.clickCode != 0 && PendingPress.displayType == c.displayType &&
                         InsideControl(c, PendingPress.x, PendingPress.y);
    if (matches) {
      ReleaseHandled = 1;
      const ValueControl pressed = c;  // the callback may change the table
      if (ReleaseAction(pressed) && pressed.callback)
        pressed.callback(pressed.owner, static_cast<int>(pressed.maximum.i), reinterpret_cast<uintptr_t>(pressed.variable));
    }
    PendingPress = PendingPressState{};
    return 1;
  }
  if (mouse.releaseCode) PendingPress = PendingPressState{};
  return 0;
}

int CommitValueEdit() {
  ValueDragState& d = ValueDrag;
  switch (d.kind) {
    case DRAG_FLOAT: FloatAt(d.variable) = d.savedFloat; break;
    case DRAG_BYTE: BytesAt(d.variable)[0] = static_cast<uint8_t>(d.savedInt); break;
    case DRAG_WORD: WordAt(d.variable) = static_cast<uint16_t>(d.savedInt); break;
    case DRAG_COLOUR: std::memcpy(d.variable, d.savedColour, 3); break;
    default: return 0;
  }
  CallDragCallback();
  d.kind = DRAG_NONE;
  return 1;
}

void ReleaseInterfaceOwner(const Prss* owner) {
  if (!owner) return;
  if (ValueDrag.owner == owner) ValueDrag = ValueDragState{};
  ForgetValueEditOwner(owner);
  // A pending press belongs to a control of the current table; the owner's controls go below.
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].owner == owner) InterfaceButtons[i].owner = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].owner == owner) {
      ValueControls[i].owner = nullptr;
      ValueControls[i].callback = nullptr;
      PendingPress = PendingPressState{};
    }
}

void ResetInterfaceState() {
  ValueDrag = ValueDragState{};
  PendingPress = PendingPressState{};
  ValueClipboard = ValueClipboardState{};
  HoverHint = nullptr;
  PointerOverButton = 0;
  InteractiveMode = 1;
  EditDomain = 0;
  ClearInterface();
  ResetDrawRecord();
}
