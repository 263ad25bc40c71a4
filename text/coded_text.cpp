// coded_text.cpp - caret-code helpers.
#include "text/coded_text.h"

#include <cstring>

#include "text/code_pages.h"

// ---- [Codes] ----

bool IsSpecialChar(int c) { return c != 0 && std::strchr(SPECIAL_CHARS, c) != nullptr; }

uint32_t CaretColour(int digit) {
  uint32_t colour = 0xFF000000u;
  if (digit & 1) colour |= 0x00FF0000u;
  if (digit & 2) colour |= 0x0000FF00u;
  if (digit & 4) colour |= 0x000000FFu;
  return colour;
}

// ---- [Stepping and cutting] ----

int CodedUnitLength(const char* text, int index, int* codePage, int startCodePage) {
  const unsigned char c = static_cast<unsigned char>(text[index]);
  if (!c) return 0;
  const unsigned char next = static_cast<unsigned char>(text[index + 1]);
  if (c == CARET) {
    if (!next) return 1;
    if (next == '8') {
      *codePage = startCodePage;
    } else if (next == ':') {
      *codePage = 0;
    } else {
      const int page = CodePageIndexOfLetter(next);
      if (page >= 0) *codePage = page;
    }
    return 2;
  }
  if (next && IsLeadByte(*codePage, c)) return 2;
  return 1;
}

int CodedTextBoundary(const char* text, int maxLength, int startCodePage) {
  int page = startCodePage;
  int i = 0;
  while (true) {
    const int n = CodedUnitLength(text, i, &page, startCodePage);
    if (n == 0 || i + n > maxLength) return i;
    i += n;
  }
}

int CutCodedText(char* text, int maxLength, int startCodePage) {
  const int length = CodedTextBoundary(text, maxLength < 0 ? 0 : maxLength, startCodePage);
  text[length] = 0;
  return length;
}

// ---- [Stripping and escapes] ----

int StripCodes(char* out, const char* in, int outLength, int inIndex) {
  if (outLength <= 0) return 0;
  const int limit = outLength - 1;  // room for the terminating zero
  int o = 0;
  int mapped = -1;
  int page = 0;
  int i = 0;
  while (in[i]) {
    const int n = CodedUnitLength(in, i, &page, 0);
    if (n == 2 && in[i] == CARET) {
      const char code = in[i + 1];
      if ((code >= '0' && code <= '7') || code == '9') {
        if (inIndex == i || inIndex == i + 1) mapped = o;
        i += 2;
        continue;
      }
      if (o + 2 > limit) break;
      if (inIndex == i) mapped = o;
      if (inIndex == i + 1) mapped = o + 1;
      out[o++] = CARET;
      out[o++] = (code == '8' || code == ':') ? 'L' : code;
      i += 2;
      continue;
    }
    if (o + n > limit) break;
    for (int k = 0; k < n; ++k) {
      if (inIndex == i) mapped = o;
      out[o++] = in[i++];
    }
  }
  if (mapped < 0) mapped = o;
  std::memset(out + o, 0, static_cast<size_t>(outLength - o));
  return mapped;
}

void UnescapeSpecialChars(char* text) {
  int page = 0;
  int r = 0;
  int w = 0;
  while (text[r]) {
    const int n = CodedUnitLength(text, r, &page, 0);
    if (n == 2 && text[r] == CARET) {
      const char* escape = std::strchr(ESCAPE_LETTERS, text[r + 1]);
      if (escape) {
        text[w++] = SPECIAL_CHARS[escape - ESCAPE_LETTERS];
        r += 2;
        continue;
      }
    }
    for (int k = 0; k < n; ++k) text[w++] = text[r++];
  }
  text[w] = 0;
}

void RemoveSpecialChars(char* text) {
  int page = 0;
  int r = 0;
  int w = 0;
  while (text[r]) {
    const int n = CodedUnitLength(text, r, &page, 0);
    const bool isCode = n == 2 && text[r] == CARET;
    if ((n == 1 && IsSpecialChar(text[r])) || (isCode && IsSpecialChar(text[r + 1]))) {
      r += n;
      continue;
    }
    for (int k = 0; k < n; ++k) text[w++] = text[r++];
  }
  text[w] = 0;
}

bool HasNoSpecialChars(const char* text) {
  for (const char* p = text; *p; ++p)
    if (IsSpecialChar(*p)) return false;
  return true;
}
