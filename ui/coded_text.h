// coded_text.h - caret codes in text: colours, code-page switches and escaped characters.
//
// A caret starts a two-byte code: "^0".."^7" colours, "^8" back to the starting colour and
// code page, "^9" back to the starting colour, "^:" back to the starting colour and code
// page 0, "^" with one of "LETBJCGHSK" a code page, "^" with one of "acdhlqrstv" one of
// the characters a name may not hold, and "^^" a caret.
#pragma once

// Copies in to out for a fixed-width display, without colour codes: "^0".."^7" and "^9"
// are dropped, "^8" and "^:" become "^L", other codes are kept.  Fills exactly outLength
// bytes, the text cut so that a terminating zero always fits.  Returns the output index
// that corresponds to the input index inIndex.
int StripCodes(char* out, const char* in, int outLength, int inIndex);

// The upper-case table of the Latin 1 code page, built once at start-up.
extern unsigned char UpperCaseTable[256];
void BuildUpperCaseTable();
