// value_edit.cpp - undo points named from a verb and a label, the typed entry of values,
// text-field edits and the segment bar's geometry.
#include "ui/value_edit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/process.h"
#include "text/language.h"
#include "text/text_strings.h"
#include "ui/character_set.h"
#include "ui/dialogs.h"
#include "ui/interface_local.h"
#include "ui/text_measure.h"
#include "ui/value_steps.h"

void (*RecordEditMerging)(const char* name, int kind, void* variable, uint32_t mask);
void (*AddUndoPoint)(const char* name, int kind, uintptr_t itemA, uintptr_t itemB);
void (*EditedMeshChanged)(Prss* screen);
int MappingPanelSelection = -1;
int MappingPanelRedraw;

TypedEntryRequest TypedEntry;

namespace {

constexpr int MAPPED_WORD_TOP = 65534;  // a mapped word spans 0..65534
constexpr float DEFAULT_DIGIT_WIDTH = 0.6f;  // cell heights, without a character set

// The text-field edit in progress.
struct TextFieldEdit {
  Prss* owner;
  char* buffer;
  int bufferSize;
  InterfaceHandler callback;
};
TextFieldEdit g_textField;

bool IsFloatButtonStyle(int s) { return s >= BUTTON_STYLE_FLOAT && s <= BUTTON_STYLE_FLOAT_THOUSANDTHS; }

// The value type whose unit the entry shows: float button styles map to theirs.
int UnitType(int typeOrStyle) {
  return IsFloatButtonStyle(typeOrStyle) ? ButtonStyleToValueType(typeOrStyle) : typeOrStyle;
}

// The variable's value in the unit it is shown and typed in.
float ShownValue(const TypedEntryRequest& r) {
  switch (r.typeOrStyle) {
    case VALUE_TYPE_MAPPED_BYTE:
      return MappedByteValue(*static_cast<const uint8_t*>(r.variable), r.minimum, r.maximum, r.byteMinimum,
                             r.byteMaximum);
    case VALUE_TYPE_WORD: {
      const uint16_t w = *static_cast<const uint16_t*>(r.variable);
      if (!r.mapped) return static_cast<float>(w);
      return r.minimum + static_cast<float>(w) * (r.maximum - r.minimum) / static_cast<float>(MAPPED_WORD_TOP);
    }
    default:
      return *static_cast<const float*>(r.variable) * ShownFactor(UnitType(r.typeOrStyle));
  }
}

// The typed text as a value in the stored unit; false (with the message shown) when it is
// refused.  Text that is no number reads as 0, as everywhere numbers are typed; "nan",
// "inf" and numbers beyond a float are refused, so no such value reaches the data.
bool ReadTypedValue(const TypedEntryRequest& r, const char* text, float& out) {
  char copy[16];
  CopyStringN(copy, text, sizeof copy);
  for (char* p = copy; *p; ++p)
    if (*p == ',') *p = '.';
  const float raw = std::strtof(copy, nullptr);
  float value = StringToFloat(text);
  const bool floatTypes = r.typeOrStyle != VALUE_TYPE_MAPPED_BYTE && r.typeOrStyle != VALUE_TYPE_WORD;
  if (floatTypes) value *= StoredFactor(UnitType(r.typeOrStyle));
  const bool finite = std::isfinite(raw) && std::isfinite(value);
  if (value < r.minimum || (!finite && raw < 0.0f)) {
    ShowMessageBox(r.owner, LanguageTexts[TX_3a_valtoolo]);
    return false;
  }
  if (value > r.maximum || !finite) {
    ShowMessageBox(r.owner, LanguageTexts[TX_3a_valtoohi]);
    return false;
  }
  out = value;
  return true;
}

// The checks every commit shares: an entry of this kind is open and the text is not empty.
const TypedEntryRequest* TakeTypedEntry(const char* text, uint32_t typeOrStyle) {
  if (!text || !text[0] || !TypedEntry.variable) return nullptr;
  if (static_cast<uint32_t>(TypedEntry.typeOrStyle) != typeOrStyle) return nullptr;
  return &TypedEntry;
}

// Every commit: the entry of this kind, the typed value read and checked, the undo point,
// the value stored by kind, the change callback.
using StoreTypedValue = void (*)(const TypedEntryRequest& r, float value);
void CommitWith(const char* text, uint32_t typeOrStyle, StoreTypedValue store) {
  const TypedEntryRequest* entry = TakeTypedEntry(text, typeOrStyle);
  if (!entry) return;
  const TypedEntryRequest r = *entry;
  float value;
  if (!ReadTypedValue(r, text, value)) return;
  RecordControlEdit(r.editDomain, EDIT_KIND_SET_FLOAT, r.name ? r.name : r.label, r.variable);
  store(r, value);
  if (r.callback) r.callback(r.owner, 0, 0);
}

void StoreFloat(const TypedEntryRequest& r, float value) {
  *static_cast<float*>(r.variable) = SnapAndClamp(r.minimum, value, r.maximum, r.step);
}

void StoreMappedByte(const TypedEntryRequest& r, float value) {
  const float range = r.maximum - r.minimum;
  const float share = range != 0.0f ? (value - r.minimum) / range : 0.0f;
  const int byte = RoundToInt32(share * static_cast<float>(r.byteMaximum - r.byteMinimum) +
                                static_cast<float>(r.byteMinimum));
  *static_cast<uint8_t*>(r.variable) = static_cast<uint8_t>(std::clamp(byte, 0, 255));
}

void StoreMappedWord(const TypedEntryRequest& r, float value) {
  int word;
  if (r.mapped) {
    const float range = r.maximum - r.minimum;
    word = range != 0.0f ? RoundToInt32((value - r.minimum) * static_cast<float>(MAPPED_WORD_TOP) / range) : 0;
  } else {
    word = RoundToInt32(value);
  }
  *static_cast<uint16_t*>(r.variable) = static_cast<uint16_t>(std::clamp(word, 0, 65535));
}

TextEntryCallback CommitFunctionFor(int typeOrStyle) {
  if (IsFloatButtonStyle(typeOrStyle)) return CommitTypedButtonFloat;
  if (typeOrStyle >= VALUE_TYPE_FLOAT && typeOrStyle <= VALUE_TYPE_TYPED_FLOAT) return CommitTypedValueFloat;
  if (typeOrStyle == VALUE_TYPE_MAPPED_BYTE) return CommitTypedMappedByte;
  if (typeOrStyle == VALUE_TYPE_WORD) return CommitTypedMappedWord;
  return nullptr;
}

}  // namespace

// ---- [Edit names] ----

void BuildActionHint(char* out, int outSize, const char* verb, const char* label) {
  if (!out || outSize <= 0) return;
  int n = 0;
  auto put = [&](char c) {
    if (n < outSize - 1) out[n++] = c;
  };
  for (const char* v = verb ? verb : ""; *v; ++v) put(*v);
  put(' ');
  const int start = n;
  if (label) {
    for (const char* p = label; *p && *p != '(' && *p != '^'; ++p) {
      if (*p == '%') {
        while (*p && *p != ' ') ++p;  // the conversion and the blank after it
        if (!*p) break;
        continue;
      }
      put(*p >= 'A' && *p <= 'Z' ? static_cast<char>(*p - 'A' + 'a') : *p);
    }
  }
  while (n > start && (out[n - 1] == ' ' || out[n - 1] == ':')) --n;
  if (n == start)
    for (const char* u = "unknown"; *u; ++u) put(*u);
  out[n] = 0;
}

void ShowActionHint(int domain, const char* name, int kind, void* variable, uint32_t mask) {
  switch (domain) {
    case EDIT_DOMAIN_VEHICLE:
      if (RecordEditMerging) RecordEditMerging(name, kind, variable, mask);
      break;
    case EDIT_DOMAIN_MAPPING:
      MappingPanelSelection = -1;
      MappingPanelRedraw = 1;
      [[fallthrough]];
    case EDIT_DOMAIN_MODELLER:
      if (AddUndoPoint) AddUndoPoint(name, kind, reinterpret_cast<uintptr_t>(variable), mask);
      break;
    default:
      break;
  }
}

void RecordControlEdit(int domain, int kind, const char* label, void* variable, uint32_t mask) {
  if (domain == EDIT_DOMAIN_NONE) return;
  char name[ACTION_HINT_SIZE];
  if (kind == EDIT_KIND_ADJUST_COLOUR) BuildActionHint(name, sizeof name, "adjust", "colour");
  else BuildActionHint(name, sizeof name, kind == EDIT_KIND_SWITCH_FLAG ? "switch" : "set", label);
  ShowActionHint(domain, name, kind, variable, kind == EDIT_KIND_SWITCH_FLAG ? mask : 0);
}

// ---- [Typed entry] ----

int OpenTypedEntry(const TypedEntryRequest& request) {
  const TextEntryCallback commit = CommitFunctionFor(request.typeOrStyle);
  if (!request.variable || !commit) return 0;
  const float shown = ShownValue(request);
  char value[64];
  if (request.label) FormatLabelFloat(value, sizeof value, request.label, shown);
  else std::snprintf(value, sizeof value, "%g", static_cast<double>(shown));
  char prompt[DIALOG_TEXT_SIZE];
  // Translations keep the English text's conversions (checked when a language loads).
  std::snprintf(prompt, sizeof prompt, LanguageTexts[TX_3a_newvalfx], value);
  const char* digits = FormatPrecisionText(request.label, shown);
  char initial[TYPED_ENTRY_LENGTH + 1];
  CopyStringN(initial, digits, sizeof initial);
  if (!AskText(request.owner, commit, prompt, TYPED_ENTRY_LENGTH, static_cast<uint32_t>(request.typeOrStyle),
               initial, 0, ENTRY_TYPE_SINGLE_BYTE, nullptr))
    return 0;
  TypedEntry = request;
  return 1;
}

void CommitTypedButtonFloat(Prss*, const char* text, uint32_t style) { CommitWith(text, style, StoreFloat); }
void CommitTypedValueFloat(Prss*, const char* text, uint32_t type) { CommitWith(text, type, StoreFloat); }
void CommitTypedMappedByte(Prss*, const char* text, uint32_t type) { CommitWith(text, type, StoreMappedByte); }
void CommitTypedMappedWord(Prss*, const char* text, uint32_t type) { CommitWith(text, type, StoreMappedWord); }

void ForgetValueEditOwner(const Prss* owner) {
  if (!owner) return;
  if (TypedEntry.owner == owner) TypedEntry = TypedEntryRequest{};
  if (g_textField.owner == owner) g_textField = TextFieldEdit{};
}

// ---- [Text fields] ----

int EditTextField(Prss* owner, char* buffer, int bufferSize, const char* prompt, int entryType,
                  InterfaceHandler callback) {
  if (!buffer || bufferSize < 2) return 0;
  if (owner && owner->sub) return 0;
  const int length = std::min(bufferSize - 1, TEXT_ENTRY_MAX_LENGTH);
  if (!OpenTextEntrySub(owner, LabelEditCallback, prompt, length, 0, buffer, 0, entryType, nullptr)) return 0;
  g_textField = TextFieldEdit{owner, buffer, bufferSize, callback};
  return 1;
}

void LabelEditCallback(Prss* owner, const char* text, uint32_t) {
  const TextFieldEdit edit = g_textField;
  if (!edit.buffer || edit.owner != owner) return;
  CopyStringN(edit.buffer, text, edit.bufferSize);
  if (edit.callback) edit.callback(edit.owner, 0, 0);
}

// ---- [Segment bar] ----

SegmentBarGeometry ValueControlBarGeometry(const ValueControl& c) {
  SegmentBarGeometry g{};
  const float h = c.bottom - c.top;
  g.segmentHeight = TextSizeFactor * 0.75f * h * 1.15f;
  g.textRowHeight = 0.75f * h;
  // The width of a digit: its glyph's advance and the letter spacing, in cell heights.
  float glyphWidth = CharMetrics['0' - 32].width;
  if (!(glyphWidth > 0.0f)) glyphWidth = DEFAULT_DIGIT_WIDTH;
  float w = (glyphWidth + LetterSpacing) * TextHorizontalScale;
  const float room = std::max(0.0f, c.right - c.left - 2.0f * 0.15f * h);
  if (5.0f * w * g.segmentHeight > room && g.segmentHeight > 0.0f) w = room / (5.0f * g.segmentHeight);
  g.segmentWidth = w * g.segmentHeight;
  g.left = 0.5f * (c.left + c.right) - 2.5f * g.segmentWidth;
  return g;
}

int SegmentAt(const SegmentBarGeometry& bar, float x) {
  if (!(bar.segmentWidth > 0.0f)) return -1;
  return RoundToInt32((x - bar.left) / bar.segmentWidth - 0.499999f);
}
