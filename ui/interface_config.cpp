// interface_config.cpp - the interface colour settings and interface_cfg.txt.
#include "ui/interface_config.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/data_file.h"
#include "core/log.h"
#include "core/report.h"
#include "platform/files.h"
#include "render/immediate.h"

InterfaceColourSettings InterfaceColours;
uint32_t ButtonAlphaWord = 0x4D000000u, BigAlphaWord = 0x80000000u;
const char* InterfaceCfgPath = "interface_cfg.txt";

namespace {

bool g_leftAlone;  // the file could not be read nor moved aside: never written over

uint32_t AlphaWord(float alpha) {
  return static_cast<uint32_t>(std::lround(std::clamp(alpha, 0.0f, 1.0f) * 255.0f)) << 24;
}

constexpr int KeyLength(const char* key) { return static_cast<int>(std::char_traits<char>::length(key)); }
ConfigKey Alpha(const char* key, float* v, double lo) {
  return {key, KeyLength(key), CONFIG_FLOAT, v, 1, lo, 1.0, 0, "%.2f", nullptr};
}
ConfigKey Colour(const char* key, ColourWord* v) {
  return {key, KeyLength(key), CONFIG_COLOUR, v, 3, 0, 255, 0, nullptr, nullptr};
}

constexpr int INTERFACE_CFG_KEYS = 24;

// In file order; the key matcher takes the first key the text read so far ends with.
struct KeyTable {
  ConfigKey keys[INTERFACE_CFG_KEYS];
};
KeyTable MakeKeyTable(InterfaceColourSettings& c) {
  return {{
      Alpha("Big Alpha ", &c.bigAlpha, 0.0),
      Colour("Big Col ", &c.bigCol),
      Alpha("Button Alpha ", &c.buttonAlpha, 0.0),
      Colour("Button Col ", &c.buttonCol),
      Colour("Title Grey ", &c.titleGrey),
      Colour("Big Text ", &c.bigText),
      Colour("Text Unselected ", &c.textUnselected),
      Colour("Text Selected ", &c.textSelected),
      Colour("Text Unavailable ", &c.textUnavailable),
      Colour("Text String ", &c.textString),
      Colour("Button Green ", &c.buttonGreen),
      Colour("Button Red ", &c.buttonRed),
      Colour("Button Alt ", &c.buttonAlt),
      Alpha("Map Light Alpha ", &c.mapLightAlpha, 0.2),
      Colour("Small Map Light ", &c.smallMapLight),
      Alpha("Map Dark Alpha ", &c.mapDarkAlpha, 0.2),
      Colour("Small Map Dark ", &c.smallMapDark),
      Colour("Car Lap Ahead ", &c.carLapAhead),
      Colour("Car Ahead ", &c.carAhead),
      Colour("AI Ahead ", &c.aiAhead),
      Colour("Own Car ", &c.ownCar),
      Colour("AI Behind ", &c.aiBehind),
      Colour("Car Behind ", &c.carBehind),
      Colour("Car Lap Behind ", &c.carLapBehind),
  }};
}

// "%f" and "%d" over text: leading blanks skipped; false (nothing consumed) when no number
// follows.
bool ScanFloat(const char*& at, const char* end, float& out) {
  std::string number;
  const char* p = at;
  while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
  while (p < end && number.size() < 32 && std::string("+-.0123456789eE").find(*p) != std::string::npos)
    number += *p++;
  char* stop = nullptr;
  const float v = std::strtof(number.c_str(), &stop);
  if (stop == number.c_str()) return false;
  at = p - (number.c_str() + number.size() - stop);
  out = v;
  return true;
}
bool ScanInt(const char*& at, const char* end, long& out) {
  std::string number;
  const char* p = at;
  while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
  while (p < end && number.size() < 16 && std::string("+-0123456789").find(*p) != std::string::npos)
    number += *p++;
  char* stop = nullptr;
  const long v = std::strtol(number.c_str(), &stop, 10);
  if (stop == number.c_str()) return false;
  at = p - (number.c_str() + number.size() - stop);
  out = v;
  return true;
}

void ReadValue(const ConfigKey& key, const char*& at, const char* end) {
  if (key.kind == CONFIG_FLOAT) {
    float v;
    // A value that is not a number (or not finite) leaves the setting as it was.
    if (!ScanFloat(at, end, v) || !std::isfinite(v)) return;
    // At or below the lower bound gives the bound, at or above 1.0 gives 1.0.
    *static_cast<float*>(key.value) = static_cast<float>(std::clamp<double>(v, key.min, key.max));
    return;
  }
  long rgb[3];
  for (long& channel : rgb)
    if (!ScanInt(at, end, channel)) return;
  // Out-of-range channels are clamped rather than wrapped into the byte.
  *static_cast<ColourWord*>(key.value) = RgbWord(static_cast<uint32_t>(std::clamp(rgb[0], 0L, 255L)),
                                                 static_cast<uint32_t>(std::clamp(rgb[1], 0L, 255L)),
                                                 static_cast<uint32_t>(std::clamp(rgb[2], 0L, 255L)));
}

}  // namespace

void ApplyInterfaceColours() {
  ButtonAlphaWord = AlphaWord(InterfaceColours.buttonAlpha);
  BigAlphaWord = AlphaWord(InterfaceColours.bigAlpha);
  // The ground grids' two greys: the buttons' grey for every tenth line, the unavailable
  // text's for the others (each colour's red byte as the grey level).
  GridStrongGrey = static_cast<uint8_t>(ColourRed(InterfaceColours.buttonCol));
  GridWeakGrey = static_cast<uint8_t>(ColourRed(InterfaceColours.textUnavailable));
}

int ReadInterfaceCfgFromText(const char* text, size_t length) {
  InterfaceColours = InterfaceColourSettings{};
  int found = 0;
  const KeyTable table = MakeKeyTable(InterfaceColours);
  char window[CONFIG_KEY_WINDOW + 1];
  int held = 0;
  const char* at = text;
  const char* end = text + length;
  while (at < end) {
    if (held == CONFIG_KEY_WINDOW) {
      std::copy(window + 1, window + held, window);
      --held;
    }
    window[held++] = *at++;
    const int k = ReadConfigWord(window, held, table.keys, INTERFACE_CFG_KEYS);
    if (k == INTERFACE_CFG_KEYS) continue;
    ReadValue(table.keys[k], at, end);
    held = 0;
    ++found;
  }
  ApplyInterfaceColours();
  return found;
}

void ReadInterfaceCfg() {
  std::string text;
  g_leftAlone = false;
  const int error = FileReadAll(InterfaceCfgPath, text, 1 << 20);
  if (error) {
    text.clear();  // defaults; what cannot be read is moved aside, not written over
    if (error != ENOENT) g_leftAlone = !KeepUnreadFileAside(InterfaceCfgPath, "Could not read colours :");
  }
  if (ReadInterfaceCfgFromText(text.data(), text.size()) == 0 && HasVisibleText(text.data(), text.size()))
    g_leftAlone = !KeepUnreadFileAside(InterfaceCfgPath, "No setting found in :");
}

void WriteInterfaceCfgToText(std::string& out) {
  const KeyTable table = MakeKeyTable(InterfaceColours);
  out.clear();
  char line[64];
  for (const ConfigKey& k : table.keys) {
    if (k.kind == CONFIG_FLOAT) {
      std::snprintf(line, sizeof line, "%s%.2f\n", k.key, static_cast<double>(*static_cast<const float*>(k.value)));
    } else {
      const ColourWord c = *static_cast<const ColourWord*>(k.value);
      std::snprintf(line, sizeof line, "%s%u %u %u\n", k.key, ColourRed(c), ColourGreen(c), ColourBlue(c));
    }
    out += line;
  }
}

int WriteInterfaceCfg(int* failure) {
  if (failure) *failure = 0;
  if (g_leftAlone) return 0;
  std::string text;
  WriteInterfaceCfgToText(text);
  if (const int error = FileWriteAll(InterfaceCfgPath, text.data(), text.size())) {
    LogF("%s could not be written (%s)", InterfaceCfgPath, std::strerror(error));
    ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, InterfaceCfgPath, error);
    if (failure) *failure = error;
    return 0;
  }
  return 1;
}
