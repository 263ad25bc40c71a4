// text_convert.cpp - double-byte code pages through iconv.
#include "platform/text_convert.h"

#include <iconv.h>

#include <cerrno>

namespace {

struct Converter {
  int codePage;
  const char* name;
  iconv_t toPage = reinterpret_cast<iconv_t>(-1);
  iconv_t fromPage = reinterpret_cast<iconv_t>(-1);
  bool opened = false;
};

Converter g_converters[] = {{932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "CP950"}};

Converter* FindConverter(int codePage) {
  for (Converter& c : g_converters) {
    if (c.codePage != codePage) continue;
    if (!c.opened) {
      c.opened = true;  // tried once: a C library without the page stays without it
      c.toPage = iconv_open(c.name, "UTF-32LE");
      c.fromPage = iconv_open("UTF-32LE", c.name);
    }
    return &c;
  }
  return nullptr;
}

bool Valid(iconv_t cd) { return cd != reinterpret_cast<iconv_t>(-1); }

// One conversion from a fresh shift state; returns the output byte count or -1.
int Convert(iconv_t cd, const unsigned char* in, size_t inLength, unsigned char* out, size_t outSize,
            size_t* inLeft) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* ip = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
  char* op = reinterpret_cast<char*>(out);
  size_t il = inLength, ol = outSize;
  const size_t result = iconv(cd, &ip, &il, &op, &ol);
  if (inLeft) *inLeft = il;
  if (result == static_cast<size_t>(-1)) return -1;
  return static_cast<int>(outSize - ol);
}

}  // namespace

int EncodeDoubleByteChar(int windowsCodePage, uint32_t codePoint, unsigned char out[2]) {
  Converter* c = FindConverter(windowsCodePage);
  if (!c || !Valid(c->toPage) || codePoint == 0) return 0;
  const unsigned char in[4] = {static_cast<unsigned char>(codePoint), static_cast<unsigned char>(codePoint >> 8),
                               static_cast<unsigned char>(codePoint >> 16),
                               static_cast<unsigned char>(codePoint >> 24)};
  unsigned char bytes[8];
  const int n = Convert(c->toPage, in, sizeof in, bytes, sizeof bytes, nullptr);
  if (n < 1 || n > 2) return 0;
  out[0] = bytes[0];
  if (n == 2) out[1] = bytes[1];
  return n;
}

uint32_t DecodeDoubleByteChar(int windowsCodePage, const unsigned char* bytes, int length, int* used) {
  *used = 1;
  if (length < 1) return 0;
  Converter* c = FindConverter(windowsCodePage);
  if (!c || !Valid(c->fromPage)) return 0;
  unsigned char out[8];
  // One byte first: a character of its own, or the start of a two-byte one.
  size_t left = 0;
  int n = Convert(c->fromPage, bytes, 1, out, sizeof out, &left);
  if (n == 4 && left == 0) return out[0] | out[1] << 8 | out[2] << 16 | static_cast<uint32_t>(out[3]) << 24;
  if (n >= 0 || errno != EINVAL || length < 2) return 0;
  *used = 2;
  n = Convert(c->fromPage, bytes, 2, out, sizeof out, &left);
  if (n != 4 || left != 0) return 0;
  return out[0] | out[1] << 8 | out[2] << 16 | static_cast<uint32_t>(out[3]) << 24;
}
