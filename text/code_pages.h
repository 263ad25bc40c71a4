// code_pages.h - the ten code pages of coded text, the translation's and the keyboard's code
// page, and conversion of typed text into a code page.
//
// Sections: [Code pages] [Bytes] [Current and input code page] [Conversion]
//
// Text is single-byte in one of ten code pages, chosen in coded text by a caret and one of
// the letters "LETBJCGHSK".  Four of them (J, H, S, K) are double-byte: a lead byte is
// followed by a trail byte, and trail bytes from 64 on are valid.  The single-byte pages'
// characters are our own tables below; the double-byte pages' characters come from the
// platform's converter (platform/text_convert.h).  Main thread only.
#pragma once
#include <cstdint>

// ---- [Code pages] ----
constexpr int CODE_PAGE_COUNT = 10;
constexpr int CODE_PAGE_LATIN1 = 0;
constexpr int CODE_PAGE_JAPANESE = 4;
constexpr int CODE_PAGE_TRADITIONAL_CHINESE = 7;
constexpr int CODE_PAGE_SIMPLIFIED_CHINESE = 8;
constexpr int CODE_PAGE_KOREAN = 9;
constexpr char CODE_PAGE_LETTERS[] = "LETBJCGHSK";  // index order

struct CodePageInfo {
  uint16_t number;      // the Windows code-page number its texts are written in
  char letter;          // after a caret in coded text
  bool doubleByte;
  int nameText;         // the language text of its name (a LanguageTextId)
};
extern const CodePageInfo CODE_PAGES[CODE_PAGE_COUNT];

// The Windows code-page number of an index (1252 for 0), 0 outside 0..9.
int CodePageNumber(int index);
// The index of the code page with that Windows number, -1 when none of the ten has it.
int FindCodePageByNumber(int number);
int CodePageIndexOfLetter(int letter);  // 0..9, or -1

// The letter after a caret.  A code-page letter gives 0 and either writes the page's index
// to outIndex or, without one, makes that page the active one.  An escape letter
// ("acdhlqrstv") gives its character ("*:\#<?>/"|"); any other letter gives itself.
int SelectCodePageByLetter(int letter, int* outIndex);

// Whether text in the code page can be drawn (a translation in a page without a font is
// refused).  The interface's character set installs its answer (InstallInterface); until
// then the single-byte pages have a font and the double-byte pages none.
extern int (*CodePageHasFont)(int index);

// ---- [Bytes] ----
constexpr int FIRST_TRAIL_BYTE = 64;  // trail bytes below this are not characters

// Whether byte starts a two-byte character in the code page.  The lead ranges are the full
// ones of the Windows pages, user-defined areas included, so that such a character still
// keeps its two bytes together.
bool IsLeadByte(int codePage, uint8_t byte);

// The Unicode character of a byte of a single-byte page (ASCII below 128 in every page);
// 0 when the byte has none, or for a byte of 128 or more in a double-byte page.
uint16_t CodePageByteToUnicode(int codePage, uint8_t byte);

// ---- [Current and input code page] ----
extern int CurrentCodePage;      // the translation's page: every interface string starts in it
extern int InputCodePage;        // the keyboard language's page: typed text is in it
extern int ActiveCodePage;       // the page whose table the next byte of a string uses
extern int NounBeforeAdjective;  // 1 when the translation puts the noun first ("tx_noun_adj" "na")
constexpr int KEYBOARD_IME_NAME_SIZE = 80;
extern char KeyboardImeName[KEYBOARD_IME_NAME_SIZE];  // the IME name shown for the Chinese pages

// Chooses CurrentCodePage from the translation's "tx_codepage" text; an unknown number
// gives page 0 and a warning.  TakeCurrentCodePage is the same, as the start-up calls it.
void SetCodePage();
void TakeCurrentCodePage();

// Chooses InputCodePage from the keyboard's language.  On Linux the layout's language is the
// input locale (platform/locale.h) unless SetKeyboardLocale named one.  A change of page is
// reported: as a message from the interface, in the debug log at start-up.
void ShowKeyboardLayout(bool fromInterface = false);
// The keyboard's locale as the window layer or a test knows it ("ko_KR"); empty: the
// platform's input locale again.
void SetKeyboardLocale(const char* localeName);
// The keyboard's locale as the last ShowKeyboardLayout found it; empty before the first.
const char* KeyboardLocale();
// The Windows code-page number of a locale's language ("ja_JP.UTF-8" 932, "de_DE" 1252,
// "C" 1252); 0 for a language whose texts need no such page or that is not known.
int CodePageNumberOfLocale(const char* localeName);

// ---- [Conversion] ----
// Converts UTF-8 text (typed or pasted) into bytes of the code page: no caret codes are
// made, and a character the page lacks becomes "?", as does every malformed UTF-8 sequence.
// Writes at most outSize - 1 bytes and a terminating zero; a character that does not fit
// whole ends the conversion, so a lead byte never stands without its trail.  Returns the
// bytes written; consumed (optional) gets the UTF-8 bytes taken.
int Utf8ToCodePage(const char* utf8, int codePage, char* out, int outSize, int* consumed = nullptr);

// One Unicode character in the code page: one byte, two in a double-byte page, "?" for a
// character the page lacks.  Returns the bytes written to out (not terminated).
int CharacterToCodePage(uint32_t codePoint, int codePage, char out[4]);

// Converts length bytes (-1: up to the terminating zero) of plain text in the code page
// into UTF-8, for the clipboard.  Bytes that are no character become "?".  Same bounds
// and result as above.
int CodePageToUtf8(const char* text, int length, int codePage, char* out, int outSize);
