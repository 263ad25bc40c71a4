// code_pages.cpp - the code-page tables, the current and input code page, and conversion.
#include "text/code_pages.h"

#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "platform/locale.h"
#include "platform/text_convert.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"

const CodePageInfo CODE_PAGES[CODE_PAGE_COUNT] = {
    {1252, 'L', false, TX_3h_cp_latin}, {1250, 'E', false, TX_3h_cp_cente}, {1254, 'T', false, TX_3h_cp_turki},
    {1257, 'B', false, TX_3h_cp_balti}, {932, 'J', true, TX_3h_cp_japan},   {1251, 'C', false, TX_3h_cp_cyril},
    {1253, 'G', false, TX_3h_cp_greek}, {950, 'H', true, TX_3h_cp_tr_ch},   {936, 'S', true, TX_3h_cp_si_ch},
    {949, 'K', true, TX_3h_cp_korea},
};

int CurrentCodePage = 0;
int InputCodePage = 0;
int ActiveCodePage = 0;
int NounBeforeAdjective = 0;
char KeyboardImeName[KEYBOARD_IME_NAME_SIZE];

namespace {
int SingleBytePageHasFont(int index) { return index >= 0 && index < CODE_PAGE_COUNT && !CODE_PAGES[index].doubleByte; }
}  // namespace

int (*CodePageHasFont)(int index) = SingleBytePageHasFont;

namespace {

// The upper halves (bytes 128..255) of the six single-byte pages as Unicode; 0 marks a byte
// that is no character.  The test checks every byte against the C library's converter.
const uint16_t SINGLE_BYTE_UPPER[6][128] = {
    // CP1252
    {
        0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,
        0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
        0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
        0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
        0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
        0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
        0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
        0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
        0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
        0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
        0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
        0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
        0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
        0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
    },
    // CP1250
    {
        0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
        0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
        0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
        0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
        0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
        0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
        0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
        0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
        0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
        0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
        0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
        0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
        0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
        0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
        0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
    },
    // CP1254
    {
        0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x0000, 0x0000,
        0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x0000, 0x0178,
        0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
        0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
        0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
        0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
        0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
        0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
        0x011E, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
        0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x0130, 0x015E, 0x00DF,
        0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
        0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
        0x011F, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
        0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0131, 0x015F, 0x00FF,
    },
    // CP1257
    {
        0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
        0x0000, 0x2030, 0x0000, 0x2039, 0x0000, 0x00A8, 0x02C7, 0x00B8,
        0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x0000, 0x2122, 0x0000, 0x203A, 0x0000, 0x00AF, 0x02DB, 0x0000,
        0x00A0, 0x0000, 0x00A2, 0x00A3, 0x00A4, 0x0000, 0x00A6, 0x00A7,
        0x00D8, 0x00A9, 0x0156, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00C6,
        0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
        0x00F8, 0x00B9, 0x0157, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00E6,
        0x0104, 0x012E, 0x0100, 0x0106, 0x00C4, 0x00C5, 0x0118, 0x0112,
        0x010C, 0x00C9, 0x0179, 0x0116, 0x0122, 0x0136, 0x012A, 0x013B,
        0x0160, 0x0143, 0x0145, 0x00D3, 0x014C, 0x00D5, 0x00D6, 0x00D7,
        0x0172, 0x0141, 0x015A, 0x016A, 0x00DC, 0x017B, 0x017D, 0x00DF,
        0x0105, 0x012F, 0x0101, 0x0107, 0x00E4, 0x00E5, 0x0119, 0x0113,
        0x010D, 0x00E9, 0x017A, 0x0117, 0x0123, 0x0137, 0x012B, 0x013C,
        0x0161, 0x0144, 0x0146, 0x00F3, 0x014D, 0x00F5, 0x00F6, 0x00F7,
        0x0173, 0x0142, 0x015B, 0x016B, 0x00FC, 0x017C, 0x017E, 0x02D9,
    },
    // CP1251
    {
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
        0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
        0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
        0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
        0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
        0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
        0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
        0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
        0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
        0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
        0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
        0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
        0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
        0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
        0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    },
    // CP1253
    {
        0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x0000, 0x2030, 0x0000, 0x2039, 0x0000, 0x0000, 0x0000, 0x0000,
        0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x0000, 0x2122, 0x0000, 0x203A, 0x0000, 0x0000, 0x0000, 0x0000,
        0x00A0, 0x0385, 0x0386, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
        0x00A8, 0x00A9, 0x0000, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015,
        0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x0384, 0x00B5, 0x00B6, 0x00B7,
        0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F,
        0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397,
        0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D, 0x039E, 0x039F,
        0x03A0, 0x03A1, 0x0000, 0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7,
        0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF,
        0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7,
        0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF,
        0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6, 0x03C7,
        0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0x0000,
    },
};

// Which row of SINGLE_BYTE_UPPER each code page uses; -1 for the double-byte pages.
constexpr int SINGLE_BYTE_ROW[CODE_PAGE_COUNT] = {0, 1, 2, 3, -1, 4, 5, -1, -1, -1};

}  // namespace

// ---- [Code pages] ----

int CodePageNumber(int index) { return index >= 0 && index < CODE_PAGE_COUNT ? CODE_PAGES[index].number : 0; }

int FindCodePageByNumber(int number) {
  for (int i = 0; i < CODE_PAGE_COUNT; ++i)
    if (CODE_PAGES[i].number == number) return i;
  return -1;
}

int CodePageIndexOfLetter(int letter) {
  for (int i = 0; i < CODE_PAGE_COUNT; ++i)
    if (CODE_PAGE_LETTERS[i] == letter) return i;
  return -1;
}

int SelectCodePageByLetter(int letter, int* outIndex) {
  static const char ESCAPE_LETTERS[] = "acdhlqrstv";
  static const char ESCAPED_CHARS[] = "*:\\#<?>/\"|";
  const int page = CodePageIndexOfLetter(letter);
  if (page >= 0) {
    if (outIndex)
      *outIndex = page;
    else
      ActiveCodePage = page;
    return 0;
  }
  for (int i = 0; ESCAPE_LETTERS[i]; ++i)
    if (ESCAPE_LETTERS[i] == letter) return ESCAPED_CHARS[i];
  return letter;
}

// ---- [Bytes] ----

bool IsLeadByte(int codePage, uint8_t byte) {
  switch (codePage) {
    case CODE_PAGE_JAPANESE: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case CODE_PAGE_TRADITIONAL_CHINESE:
    case CODE_PAGE_SIMPLIFIED_CHINESE:
    case CODE_PAGE_KOREAN: return byte >= 0x81 && byte <= 0xFE;
    default: return false;
  }
}

uint16_t CodePageByteToUnicode(int codePage, uint8_t byte) {
  if (byte < 0x80) return byte;
  if (codePage < 0 || codePage >= CODE_PAGE_COUNT || SINGLE_BYTE_ROW[codePage] < 0) return 0;
  return SINGLE_BYTE_UPPER[SINGLE_BYTE_ROW[codePage]][byte - 0x80];
}

// ---- [Current and input code page] ----

void SetCodePage() {
  int number = 0;
  std::sscanf(LanguageTexts[TX_tx_codepage], "%d", &number);
  int page = FindCodePageByNumber(number);
  if (page < 0) {
    page = 0;
    ShowMessage("Warning : translation uses an unknown codepage", TextColours.error);
  }
  CurrentCodePage = page;
  ActiveCodePage = page;
  const char* order = LanguageTexts[TX_tx_noun_adj];
  NounBeforeAdjective = (order[0] == 'n' || order[0] == 'N') && (order[1] == 'a' || order[1] == 'A') && !order[2];
}

void TakeCurrentCodePage() { SetCodePage(); }

namespace {

constexpr int LOCALE_NAME_SIZE = 64;
char g_keyboardLocaleOverride[LOCALE_NAME_SIZE];
char g_keyboardLocale[LOCALE_NAME_SIZE];  // the layout last seen
bool g_keyboardReported = false;

struct LanguagePage {
  const char* language;  // ISO 639 code; "zh_TW" style entries name a territory too
  int number;
};

// The default ANSI code page of each language, as the system the texts come from has it.
// Languages written only in Unicode there (Hindi, Georgian ...) have 0.
const LanguagePage LANGUAGE_PAGES[] = {
    {"zh_TW", 950}, {"zh_HK", 950}, {"zh_MO", 950}, {"zh", 936},
    {"ja", 932}, {"ko", 949},
    {"cs", 1250}, {"hr", 1250}, {"hu", 1250}, {"pl", 1250}, {"ro", 1250}, {"sk", 1250},
    {"sl", 1250}, {"sq", 1250}, {"bs", 1250},
    {"tr", 1254}, {"az", 1254}, {"uz", 1254},
    {"lt", 1257}, {"lv", 1257}, {"et", 1257},
    {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"mk", 1251}, {"sr", 1251},
    {"kk", 1251}, {"ky", 1251}, {"mn", 1251}, {"tt", 1251}, {"tg", 1251},
    {"el", 1253},
    {"th", 874}, {"he", 1255}, {"yi", 1255}, {"ar", 1256}, {"fa", 1256}, {"ur", 1256},
    {"vi", 1258},
    {"af", 1252}, {"ca", 1252}, {"cy", 1252}, {"da", 1252}, {"de", 1252}, {"en", 1252},
    {"es", 1252}, {"eu", 1252}, {"fi", 1252}, {"fo", 1252}, {"fr", 1252}, {"ga", 1252},
    {"gl", 1252}, {"id", 1252}, {"is", 1252}, {"it", 1252}, {"ms", 1252}, {"nb", 1252},
    {"nl", 1252}, {"nn", 1252}, {"no", 1252}, {"pt", 1252}, {"sv", 1252}, {"sw", 1252},
    {"oc", 1252}, {"br", 1252}, {"lb", 1252}, {"fy", 1252}, {"gd", 1252}, {"rm", 1252},
    {"zu", 1252}, {"xh", 1252}, {"tl", 1252}, {"fil", 1252},
    {"C", 1252}, {"POSIX", 1252},
};

}  // namespace

int CodePageNumberOfLocale(const char* localeName) {
  if (!localeName || !localeName[0]) return 1252;
  // "language[_TERRITORY][.charset][@modifier]"
  char language[16] = {0};
  char territory[16] = {0};
  int i = 0;
  while (localeName[i] && localeName[i] != '_' && localeName[i] != '.' && localeName[i] != '@' &&
         i < static_cast<int>(sizeof language) - 1) {
    language[i] = localeName[i];
    ++i;
  }
  if (localeName[i] == '_') {
    ++i;
    int t = 0;
    while (localeName[i] && localeName[i] != '.' && localeName[i] != '@' && t < static_cast<int>(sizeof territory) - 1)
      territory[t++] = localeName[i++];
  }
  char languageAndTerritory[40];
  std::snprintf(languageAndTerritory, sizeof languageAndTerritory, "%s_%s", language, territory);
  for (const LanguagePage& entry : LANGUAGE_PAGES)
    if (std::strcmp(entry.language, languageAndTerritory) == 0) return entry.number;
  for (const LanguagePage& entry : LANGUAGE_PAGES)
    if (std::strcmp(entry.language, language) == 0) return entry.number;
  return 0;
}

void SetKeyboardLocale(const char* localeName) {
  std::snprintf(g_keyboardLocaleOverride, sizeof g_keyboardLocaleOverride, "%s", localeName ? localeName : "");
}

const char* KeyboardLocale() { return g_keyboardLocale; }

void ShowKeyboardLayout(bool fromInterface) {
  char layout[LOCALE_NAME_SIZE];
  if (g_keyboardLocaleOverride[0])
    std::snprintf(layout, sizeof layout, "%s", g_keyboardLocaleOverride);
  else
    InputLocaleName(layout, sizeof layout);
  // A new layout would reset the IME's state here; the IME keeps none across layouts yet.
  if (std::strcmp(layout, g_keyboardLocale) != 0) std::snprintf(g_keyboardLocale, sizeof g_keyboardLocale, "%s", layout);

  const int number = CodePageNumberOfLocale(layout);
  const int found = FindCodePageByNumber(number);
  const int page = found >= 0 ? found : 0;
  // The first call always reports, so the log of every start names the keyboard's page.
  if (page != InputCodePage || !g_keyboardReported) {
    g_keyboardReported = true;
    const char* label = fromInterface ? LanguageTexts[TX_3a_heyb_hdr] : "kb";
    const char* name = found >= 0 ? LanguageTexts[CODE_PAGES[found].nameText]
                                  : (fromInterface ? LanguageTexts[TX_3a_unkntype] : "?");
    char line[160];
    std::snprintf(line, sizeof line, LanguageTexts[TX_3h_s_coln_s], label, name);
    if (fromInterface)
      ShowMessage(line, TextColours.grey);
    else
      LogLine(line);
  }
  InputCodePage = page;
  // Only the Chinese IMEs show their name, and Linux keeps no layout names to show.
  KeyboardImeName[0] = 0;
}

// ---- [Conversion] ----

namespace {

constexpr uint32_t BAD_CHAR = 0xFFFFFFFFu;

// Reads one UTF-8 character at text[*i] and moves *i past it; BAD_CHAR for a malformed
// sequence (which then takes one byte).
uint32_t NextUtf8(const unsigned char* text, int* i) {
  const unsigned char c = text[*i];
  int count;
  uint32_t codePoint;
  uint32_t least;
  if (c < 0x80) {
    ++*i;
    return c;
  } else if (c >= 0xC2 && c <= 0xDF) {
    count = 1, codePoint = c & 0x1F, least = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    count = 2, codePoint = c & 0x0F, least = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    count = 3, codePoint = c & 0x07, least = 0x10000;
  } else {
    ++*i;
    return BAD_CHAR;
  }
  for (int k = 1; k <= count; ++k) {
    const unsigned char next = text[*i + k];
    if ((next & 0xC0) != 0x80) {  // also stops at the terminating zero
      ++*i;
      return BAD_CHAR;
    }
    codePoint = codePoint << 6 | (next & 0x3F);
  }
  if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    ++*i;
    return BAD_CHAR;
  }
  *i += count + 1;
  return codePoint;
}

int EncodeUtf8(uint32_t codePoint, unsigned char out[4]) {
  if (codePoint < 0x80) {
    out[0] = static_cast<unsigned char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | codePoint >> 6);
    out[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | codePoint >> 12);
    out[1] = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | codePoint >> 18);
  out[1] = static_cast<unsigned char>(0x80 | (codePoint >> 12 & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
  return 4;
}

// The bytes of one character in the page; "?" when the page lacks it.
int EncodeInPage(int codePage, uint32_t codePoint, unsigned char out[2]) {
  if (codePoint < 0x80) {
    out[0] = static_cast<unsigned char>(codePoint);
    return 1;
  }
  if (codePoint != BAD_CHAR) {
    const int row = SINGLE_BYTE_ROW[codePage];
    if (row >= 0) {
      for (int b = 0; b < 128; ++b) {
        if (SINGLE_BYTE_UPPER[row][b] == codePoint) {
          out[0] = static_cast<unsigned char>(0x80 + b);
          return 1;
        }
      }
    } else {
      const int n = EncodeDoubleByteChar(CODE_PAGES[codePage].number, codePoint, out);
      if (n > 0) return n;
    }
  }
  out[0] = '?';
  return 1;
}

}  // namespace

int Utf8ToCodePage(const char* utf8, int codePage, char* out, int outSize, int* consumed) {
  if (consumed) *consumed = 0;
  if (outSize <= 0) return 0;
  if (codePage < 0 || codePage >= CODE_PAGE_COUNT) codePage = 0;
  const unsigned char* in = reinterpret_cast<const unsigned char*>(utf8 ? utf8 : "");
  int i = 0;
  int o = 0;
  while (in[i]) {
    int next = i;
    const uint32_t codePoint = NextUtf8(in, &next);
    unsigned char bytes[2];
    const int n = EncodeInPage(codePage, codePoint, bytes);
    if (o + n > outSize - 1) break;
    for (int k = 0; k < n; ++k) out[o++] = static_cast<char>(bytes[k]);
    i = next;
  }
  out[o] = 0;
  if (consumed) *consumed = i;
  return o;
}

int CodePageToUtf8(const char* text, int length, int codePage, char* out, int outSize) {
  if (outSize <= 0) return 0;
  if (codePage < 0 || codePage >= CODE_PAGE_COUNT) codePage = 0;
  const unsigned char* in = reinterpret_cast<const unsigned char*>(text ? text : "");
  if (length < 0) length = static_cast<int>(std::strlen(reinterpret_cast<const char*>(in)));
  int i = 0;
  int o = 0;
  while (i < length) {
    uint32_t codePoint;
    int used = 1;
    if (in[i] < 0x80 || !CODE_PAGES[codePage].doubleByte) {
      codePoint = CodePageByteToUnicode(codePage, in[i]);
    } else {
      codePoint = DecodeDoubleByteChar(CODE_PAGES[codePage].number, in + i, length - i, &used);
    }
    if (codePoint == 0) codePoint = '?';
    unsigned char bytes[4];
    const int n = EncodeUtf8(codePoint, bytes);
    if (o + n > outSize - 1) break;
    for (int k = 0; k < n; ++k) out[o++] = static_cast<char>(bytes[k]);
    i += used;
  }
  out[o] = 0;
  return o;
}

int CharacterToCodePage(uint32_t codePoint, int codePage, char out[4]) {
  char utf8[5] = {};
  if (codePoint < 0x80) {
    utf8[0] = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    utf8[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    utf8[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    utf8[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    utf8[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    utf8[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    utf8[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    utf8[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    utf8[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    utf8[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return Utf8ToCodePage(utf8, codePage, out, 4);
}
