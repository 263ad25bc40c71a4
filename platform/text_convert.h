// text_convert.h - characters of the double-byte Windows code pages (932, 936, 949, 950).
//
// The single-byte code pages are the interface's own tables (text/code_pages.h); the four
// double-byte ones hold tens of thousands of characters, so their conversions come from the
// C library's converter here.  Main thread only: the converters are opened once and kept.
#pragma once
#include <cstdint>

// Writes the bytes of one Unicode code point in the code page into out.  Returns their
// count (1 or 2), or 0 when the code page has no such character or is not one of the four.
int EncodeDoubleByteChar(int windowsCodePage, uint32_t codePoint, unsigned char out[2]);

// Reads one character of the code page from bytes (length bytes available, 1 or more).
// Returns its code point, or 0 when the bytes are no character of the page; used gets the
// bytes it took (2 for a lead byte with a trail byte, else 1) either way.
uint32_t DecodeDoubleByteChar(int windowsCodePage, const unsigned char* bytes, int length, int* used);
