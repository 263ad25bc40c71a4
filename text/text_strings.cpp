// text_strings.cpp - caseless comparison, bounded copies, number parsing and time texts.
#include "text/text_strings.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---- [Case] ----

unsigned char UpperCaseTable[256];

void BuildUpperCaseTable() {
  for (int c = 0; c < 256; ++c) {
    int upper = c;
    if ((c >= 'a' && c <= 'z') || (c >= 224 && c <= 246) || (c >= 248 && c <= 254)) upper = c - 32;
    if (c == 154) upper = 138;
    if (c == 156) upper = 140;
    if (c == 158) upper = 142;
    if (c == 255) upper = 159;
    UpperCaseTable[c] = static_cast<unsigned char>(upper);
  }
}

namespace {

// Built before anything runs as well, so a caseless comparison made before the start-up
// (by a static table, or a test) never meets an empty table.
const bool g_upperCaseBuilt = (BuildUpperCaseTable(), true);

inline int Upper(char c) { return UpperCaseTable[static_cast<unsigned char>(c)]; }

}  // namespace

int CompareNoCase(const char* a, const char* b) {
  for (int i = 0;; ++i) {
    const int x = Upper(a[i]);
    const int y = Upper(b[i]);
    if (x != y || !x) return x - y;
  }
}

const char* FindNoCase(const char* text, const char* part) {
  if (!part[0]) return text;
  for (const char* start = text; *start; ++start) {
    int i = 0;
    while (part[i] && start[i] && Upper(start[i]) == Upper(part[i])) ++i;
    if (!part[i]) return start;
    if (!start[i]) return nullptr;  // the rest of text is shorter than part
  }
  return nullptr;
}

int StartsWithNoCase(const char* text, const char* prefix) {
  for (int i = 0; prefix[i]; ++i)
    if (Upper(text[i]) != Upper(prefix[i])) return 0;
  return 1;
}

void StrUpper(char* text) {
  for (; *text; ++text)
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 32);
}

// ---- [Copying] ----

void CopyStringN(char* out, const char* in, int n) {
  if (n <= 0) return;
  int i = 0;
  if (in)
    for (; i < n - 1 && in[i]; ++i) out[i] = in[i];
  out[i] = 0;
}

int CopyWithoutQuotes(char* out, int outSize, const char* in, int n) {
  if (outSize <= 0) return 0;
  int o = 0;
  for (int i = 0; i < n && in[i] && o < outSize - 1; ++i)
    if (in[i] != '"') out[o++] = in[i];
  out[o] = 0;
  return o;
}

// ---- [Parsing] ----

int StringToInt(const char* text) {
  if (!text) return 0;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text) return 0;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

float StringToFloat(const char* text) {
  if (!text) return 0.0f;
  char copy[16];
  int i = 0;
  for (; i < 15 && text[i]; ++i) copy[i] = text[i] == ',' ? '.' : text[i];
  copy[i] = 0;
  float value = 0.0f;
  if (std::sscanf(copy, "%f", &value) != 1 || !std::isfinite(value)) return 0.0f;
  return value;
}

// ---- [Time] ----

char* FormatTime(char* out, int outSize, const char* prefix, bool addSpace, int ms) {
  if (outSize <= 0) return out;
  const char* sign = ms < 0 ? "-" : "";
  const long long total = ms < 0 ? -static_cast<long long>(ms) : ms;
  const long long hundredths = total / 10 % 100;
  const long long seconds = total / 1000 % 60;
  const long long minutes = total / 60000 % 60;
  const long long hours = total / 3600000;
  const char* head = prefix ? prefix : "";
  const char* space = addSpace ? " " : "";
  const size_t size = static_cast<size_t>(outSize);
  if (hours > 0)
    std::snprintf(out, size, "%s%s%s%lld:%02lld:%02lld.%02lld", head, space, sign, hours, minutes, seconds,
                  hundredths);
  else
    std::snprintf(out, size, "%s%s%s%lld:%02lld.%02lld", head, space, sign, minutes, seconds, hundredths);
  return out;
}
