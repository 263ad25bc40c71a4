// coded_text.cpp - caret-code helpers.
#include "ui/coded_text.h"

#include <cstring>

int StripCodes(char* out, const char* in, int outLength, int inIndex) {
  if (outLength <= 0) return 0;
  const int limit = outLength - 1;  // room for the terminating zero
  int o = 0;
  int mapped = -1;
  int i = 0;
  while (in[i] && o < limit) {
    if (i == inIndex) mapped = o;
    if (in[i] != '^' || in[i + 1] == 0) {
      out[o++] = in[i++];
      continue;
    }
    const char code = in[i + 1];
    if ((code >= '0' && code <= '7') || code == '9') {
      i += 2;
      continue;
    }
    if (o + 2 > limit) break;  // never leave half a code at the end
    out[o++] = '^';
    out[o++] = (code == '8' || code == ':') ? 'L' : code;
    i += 2;
    if (inIndex == i - 1) mapped = o - 1;
  }
  if (mapped < 0) mapped = o;
  std::memset(out + o, 0, static_cast<size_t>(outLength - o));
  return mapped;
}

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
