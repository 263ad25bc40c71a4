// code_pages_test.cpp - the code-page tables against the C library's converter, lead bytes,
// caret letters, the keyboard's code page and the conversion of typed text.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/log.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "text/messages.h"

namespace {

// The C library's converter as the reference.  Returns the output bytes, or nothing with
// ok false when the input is no character (EILSEQ), or incomplete with incomplete true.
struct Reference {
  iconv_t cd;
  Reference(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Reference() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  std::string Convert(const std::string& in, bool* ok, bool* incomplete = nullptr) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char out[16];
    char* ip = const_cast<char*>(in.data());
    char* op = out;
    size_t il = in.size(), ol = sizeof out;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    *ok = r != static_cast<size_t>(-1) && il == 0;
    if (incomplete) *incomplete = r == static_cast<size_t>(-1) && errno == EINVAL;
    return std::string(out, op);
  }
};

std::string Utf32(uint32_t c) {
  return std::string{static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16),
                     static_cast<char>(c >> 24)};
}

std::string Utf8Of(uint32_t c) {
  Reference toUtf8("UTF-8", "UTF-32LE");
  bool ok = false;
  return toUtf8.Convert(Utf32(c), &ok);
}

std::string Name(int page) { return "CP" + std::to_string(CODE_PAGES[page].number); }

}  // namespace

TEST(CodePageTables, SingleBytePagesAgreeWithTheCLibraryBothWays) {
  int pagesChecked = 0;
  for (int page = 0; page < CODE_PAGE_COUNT; ++page) {
    if (CODE_PAGES[page].doubleByte) continue;
    ++pagesChecked;
    Reference decode("UTF-32LE", Name(page).c_str());
    Reference encode(Name(page).c_str(), "UTF-32LE");
    ASSERT_NE(decode.cd, reinterpret_cast<iconv_t>(-1)) << Name(page);
    for (int byte = 32; byte < 256; ++byte) {
      bool ok = false;
      const std::string reference = decode.Convert(std::string(1, static_cast<char>(byte)), &ok);
      const uint16_t ours = CodePageByteToUnicode(page, static_cast<uint8_t>(byte));
      if (!ok) {
        EXPECT_EQ(ours, 0) << Name(page) << " byte " << byte << " is no character";
        continue;
      }
      ASSERT_EQ(reference.size(), 4u);
      const uint32_t codePoint = static_cast<uint8_t>(reference[0]) | static_cast<uint8_t>(reference[1]) << 8;
      EXPECT_EQ(ours, codePoint) << Name(page) << " byte " << byte;
      // And back: the character converts to the same byte, ours and the reference's.
      const std::string back = encode.Convert(Utf32(codePoint), &ok);
      EXPECT_TRUE(ok && back == std::string(1, static_cast<char>(byte))) << Name(page) << " byte " << byte;
      char out[8];
      EXPECT_EQ(Utf8ToCodePage(Utf8Of(codePoint).c_str(), page, out, sizeof out), 1);
      EXPECT_EQ(static_cast<uint8_t>(out[0]), byte) << Name(page) << " U+" << std::hex << codePoint;
      char utf8[8];
      const char one[2] = {static_cast<char>(byte), 0};
      CodePageToUtf8(one, -1, page, utf8, sizeof utf8);
      EXPECT_EQ(std::string(utf8), Utf8Of(codePoint)) << Name(page) << " byte " << byte;
    }
  }
  EXPECT_EQ(pagesChecked, 6);
}

TEST(CodePageTables, DoubleBytePagesLeadBytesCoverTheCLibrarysAndOnlyAddUserAreas) {
  // Lead bytes beyond the C library's are the pages' user-defined areas, whose characters
  // must still keep their two bytes together.
  const std::set<int> userAreas[CODE_PAGE_COUNT] = {
      {}, {}, {}, {}, {},  // Japanese: the same lead bytes
      {}, {},
      {0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x91,
       0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xA0, 0xFA, 0xFB,
       0xFC, 0xFD, 0xFE},
      {},
      {0xC9, 0xFE}};
  for (int page = 0; page < CODE_PAGE_COUNT; ++page) {
    if (!CODE_PAGES[page].doubleByte) {
      for (int byte = 0; byte < 256; ++byte) EXPECT_FALSE(IsLeadByte(page, static_cast<uint8_t>(byte)));
      continue;
    }
    Reference decode("UTF-32LE", Name(page).c_str());
    ASSERT_NE(decode.cd, reinterpret_cast<iconv_t>(-1)) << Name(page);
    std::set<int> referenceLeads;
    for (int byte = 0; byte < 256; ++byte) {
      bool ok = false, incomplete = false;
      decode.Convert(std::string(1, static_cast<char>(byte)), &ok, &incomplete);
      if (incomplete) referenceLeads.insert(byte);
    }
    for (int byte = 0; byte < 256; ++byte) {
      const bool ours = IsLeadByte(page, static_cast<uint8_t>(byte));
      const bool reference = referenceLeads.count(byte) != 0;
      if (reference) {
        EXPECT_TRUE(ours) << Name(page) << " byte " << byte;
      } else if (ours) {
        EXPECT_TRUE(userAreas[page].count(byte)) << Name(page) << " byte " << byte;
      }
    }
    // Every trail byte the reference takes is one coded text takes (64 or more).
    for (int lead : referenceLeads)
      for (int trail = 1; trail < FIRST_TRAIL_BYTE; ++trail) {
        bool ok = false;
        decode.Convert(std::string{static_cast<char>(lead), static_cast<char>(trail)}, &ok);
        EXPECT_FALSE(ok) << Name(page) << " " << lead << " " << trail;
      }
  }
}

TEST(CodePageLetters, SelectPagesEscapesAndOtherLetters) {
  for (int i = 0; i < CODE_PAGE_COUNT; ++i) {
    int index = -1;
    EXPECT_EQ(SelectCodePageByLetter(CODE_PAGE_LETTERS[i], &index), 0);
    EXPECT_EQ(index, i);
    EXPECT_EQ(CODE_PAGES[i].letter, CODE_PAGE_LETTERS[i]);
  }
  ActiveCodePage = 0;
  EXPECT_EQ(SelectCodePageByLetter('G', nullptr), 0);
  EXPECT_EQ(ActiveCodePage, 6);
  ActiveCodePage = 0;
  const char* escapes = "acdhlqrstv";
  const char* chars = "*:\\#<?>/\"|";
  for (int i = 0; i < 10; ++i) {
    int index = -1;
    EXPECT_EQ(SelectCodePageByLetter(escapes[i], &index), chars[i]);
    EXPECT_EQ(index, -1);  // untouched
  }
  EXPECT_EQ(SelectCodePageByLetter('x', nullptr), 'x');
  EXPECT_EQ(SelectCodePageByLetter('^', nullptr), '^');
  EXPECT_EQ(ActiveCodePage, 0);
  EXPECT_EQ(FindCodePageByNumber(1251), 5);
  EXPECT_EQ(FindCodePageByNumber(949), 9);
  EXPECT_EQ(FindCodePageByNumber(1255), -1);
  EXPECT_EQ(CodePageNumber(4), 932);
  EXPECT_EQ(CodePageNumber(10), 0);
}

// Without a font loader only the single-byte pages can be drawn: the Windows pages 1252, 1250,
// 1254, 1257, 1251 and 1253, not the double-byte 932, 950, 936 and 949; an index outside the
// ten pages (-1, or 10 just past the last) has no font either.
TEST(CodePageFonts, WithoutAFontLoaderOnlyTheSingleBytePagesHaveFonts) {
  for (const int number : {1252, 1250, 1254, 1257, 1251, 1253}) {
    const int page = FindCodePageByNumber(number);
    ASSERT_GE(page, 0) << number;
    EXPECT_EQ(CodePageHasFont(page), 1) << number;
  }
  for (const int number : {932, 950, 936, 949}) {
    const int page = FindCodePageByNumber(number);
    ASSERT_GE(page, 0) << number;
    EXPECT_EQ(CodePageHasFont(page), 0) << number;
  }
  EXPECT_EQ(CodePageHasFont(-1), 0);
  EXPECT_EQ(CodePageHasFont(CODE_PAGE_COUNT), 0);
}

TEST(TypedText, Utf8BecomesBytesOfThePage) {
  char out[32];
  EXPECT_EQ(Utf8ToCodePage("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC", 0, out, sizeof out), 7);
  EXPECT_STREQ(out, "Gr\xFC\xDF" "e \x80");
  Utf8ToCodePage("\xD0\x96\xD0\xB8", 5, out, sizeof out);  // Cyrillic
  EXPECT_STREQ(out, "\xC6\xE8");
  Utf8ToCodePage("\xCE\xA9", 6, out, sizeof out);  // Greek capital omega
  EXPECT_STREQ(out, "\xD9");
  Utf8ToCodePage("\xC5\x9F", 2, out, sizeof out);  // Turkish s with cedilla
  EXPECT_STREQ(out, "\xFE");
  Utf8ToCodePage("\xE6\x97\xA5\xE6\x9C\xAC", 4, out, sizeof out);  // Japanese
  EXPECT_STREQ(out, "\x93\xFA\x96\x7B");
  Utf8ToCodePage("\xED\x95\x9C", 9, out, sizeof out);  // Korean
  EXPECT_STREQ(out, "\xC7\xD1");
}

TEST(TypedText, MissingAndMalformedCharactersBecomeQuestionMarks) {
  char out[32];
  Utf8ToCodePage("a\xE6\x97\xA5" "b", 0, out, sizeof out);  // no Japanese in Latin 1
  EXPECT_STREQ(out, "a?b");
  Utf8ToCodePage("a\xFF" "b\xC3", 0, out, sizeof out);  // a stray byte, a cut sequence
  EXPECT_STREQ(out, "a?b?");
  Utf8ToCodePage("\xC0\xAF", 0, out, sizeof out);  // an overlong "/" is no slash
  EXPECT_STREQ(out, "??");
  Utf8ToCodePage("\xED\xA0\x80", 0, out, sizeof out);  // a lone surrogate
  EXPECT_STREQ(out, "???");
  // The surrogates run from U+D800 to U+DFFF: the last of them is malformed (a mark per
  // byte), its neighbours outside are whole characters this page lacks (one mark each).
  Utf8ToCodePage("\xED\xBF\xBF", 0, out, sizeof out);  // U+DFFF
  EXPECT_STREQ(out, "???");
  Utf8ToCodePage("\xED\x9F\xBF" "\xEE\x80\x80", 0, out, sizeof out);  // U+D7FF, U+E000
  EXPECT_STREQ(out, "??");
  Utf8ToCodePage("\xF0\x9F\x98\x80", 8, out, sizeof out);  // outside the page
  EXPECT_STREQ(out, "?");
  // F4 is the last lead byte of four: U+10FFFF is one character this page lacks.
  Utf8ToCodePage("a\xF4\x8F\xBF\xBF" "b", 0, out, sizeof out);
  EXPECT_STREQ(out, "a?b");
}

// A page number past the last page is taken as Latin 1 (page 0), like a negative one: the
// first one past the end (CODE_PAGE_COUNT) too.  "é" is U+00E9, byte 0xE9 in Latin 1.
TEST(TypedText, PageNumbersPastTheLastPageTypeInLatin1) {
  for (const int page : {CODE_PAGE_COUNT, CODE_PAGE_COUNT + 1}) {
    char out[8];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(Utf8ToCodePage("\xC3\xA9", page, out, sizeof out), 1) << "page " << page;
    EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xE9) << "page " << page;
    EXPECT_EQ(out[1], 0) << "page " << page;
  }
}

TEST(TypedText, NeverWritesPastTheBufferOrHalfACharacter) {
  char out[4];
  int consumed = -1;
  // Two Japanese characters need 4 bytes and a terminator: only the first fits.
  EXPECT_EQ(Utf8ToCodePage("\xE6\x97\xA5\xE6\x9C\xAC", 4, out, sizeof out, &consumed), 2);
  EXPECT_STREQ(out, "\x93\xFA");
  EXPECT_EQ(consumed, 3);
  EXPECT_EQ(Utf8ToCodePage("abcdef", 0, out, sizeof out, &consumed), 3);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(consumed, 3);
  EXPECT_EQ(Utf8ToCodePage("abc", 0, out, 1), 0);
  EXPECT_STREQ(out, "");
  // A buffer of no bytes is not written either way.
  std::memcpy(out, "xyz", 4);
  consumed = -1;
  EXPECT_EQ(Utf8ToCodePage("abc", 0, out, 0, &consumed), 0);
  EXPECT_EQ(consumed, 0);
  EXPECT_EQ(CodePageToUtf8("abc", -1, 0, out, 0), 0);
  EXPECT_STREQ(out, "xyz");
  EXPECT_EQ(Utf8ToCodePage(nullptr, 0, out, sizeof out), 0);
  EXPECT_EQ(CodePageToUtf8("\xE9\xE9\xE9", -1, 0, out, sizeof out), 2);  // one "é" fits
  EXPECT_STREQ(out, "\xC3\xA9");
}

// One character given by its number takes the bytes the C library's converter gives it in the
// page (one byte, or two in a double-byte page), and "?" when the page lacks it.  The numbers
// sit on both sides of each UTF-8 length step (0x80, 0x800, 0x10000); U+0080 is a character
// of the Traditional Chinese page here (byte 0x80).
TEST(TypedText, OneCharacterByNumberTakesItsBytesInThePage) {
  const uint32_t characters[] = {0x41,   0x7F,   0x80,   0x81,   0xE9,    0x7FF,
                                 0x800,  0x20AC, 0x65E5, 0xFFFD, 0x10000, 0x1F600};
  for (int page = 0; page < CODE_PAGE_COUNT; ++page) {
    Reference encode(Name(page).c_str(), "UTF-32LE");
    ASSERT_NE(encode.cd, reinterpret_cast<iconv_t>(-1)) << Name(page);
    for (const uint32_t c : characters) {
      bool ok = false;
      std::string expected = encode.Convert(Utf32(c), &ok);
      if (!ok || expected.empty() || expected.size() > 2) expected = "?";
      char out[4] = {};
      const int n = CharacterToCodePage(c, page, out);
      EXPECT_EQ(std::string(out, static_cast<size_t>(std::max(n, 0))), expected)
          << Name(page) << " U+" << std::hex << c;
    }
  }
  // The test's own anchors, by hand: "A" is itself everywhere, "é" is 0xE9 in Latin 1, and
  // U+0080 in the Traditional Chinese page is its byte 0x80.
  char out[4] = {};
  EXPECT_EQ(CharacterToCodePage(0x41, 4, out), 1);
  EXPECT_EQ(out[0], 'A');
  EXPECT_EQ(CharacterToCodePage(0xE9, 0, out), 1);
  EXPECT_EQ(static_cast<uint8_t>(out[0]), 0xE9);
  EXPECT_EQ(CharacterToCodePage(0x80, 0, out), 1);
  EXPECT_EQ(out[0], '?') << "Latin 1's byte 0x80 is the euro sign";
  bool ok = false;
  Reference big5("CP950", "UTF-32LE");
  if (big5.Convert(Utf32(0x80), &ok) == "\x80" && ok) {
    EXPECT_EQ(CharacterToCodePage(0x80, CODE_PAGE_TRADITIONAL_CHINESE, out), 1);
    EXPECT_EQ(static_cast<uint8_t>(out[0]), 0x80);
  }
}

TEST(TypedText, DoubleBytePagesRoundTripThroughUtf8) {
  const struct {
    int page;
    const char* bytes;
  } samples[] = {
      {4, "\x93\xFA\x96\x7B\x8C\xEA abc \xB1"},  // with a half-width katakana
      {7, "\xA4\xA4\xA4\xE5"},
      {8, "\xD6\xD0\xCE\xC4"},
      {9, "\xC7\xD1\xB1\xB9\xBE\xEE"},
  };
  for (const auto& sample : samples) {
    char utf8[64];
    char back[64];
    CodePageToUtf8(sample.bytes, -1, sample.page, utf8, sizeof utf8);
    Utf8ToCodePage(utf8, sample.page, back, sizeof back);
    EXPECT_STREQ(back, sample.bytes) << sample.page;
  }
  char utf8[16];
  CodePageToUtf8("\x93", -1, 4, utf8, sizeof utf8);  // a lead byte without its trail
  EXPECT_STREQ(utf8, "?");
}

TEST(KeyboardLayout, LocaleLanguagesGiveTheirPages) {
  EXPECT_EQ(CodePageNumberOfLocale("ja_JP.UTF-8"), 932);
  EXPECT_EQ(CodePageNumberOfLocale("zh_TW.UTF-8"), 950);  // the territory decides for Chinese
  EXPECT_EQ(CodePageNumberOfLocale("zh_CN.GB2312"), 936);
  EXPECT_EQ(CodePageNumberOfLocale("el_GR@euro"), 1253);
  EXPECT_EQ(CodePageNumberOfLocale("C.UTF-8"), 1252);
  EXPECT_EQ(CodePageNumberOfLocale(""), 1252);
  EXPECT_EQ(CodePageNumberOfLocale("th_TH.UTF-8"), 874);  // none of the ten
  EXPECT_EQ(CodePageNumberOfLocale("hi_IN"), 0);
  // A territory of 16 letters or more is cut to the 15 its buffer holds with room for the
  // closing zero; no entry names so long a territory, so the language alone decides.
  EXPECT_EQ(CodePageNumberOfLocale("ru_ABCDEFGHIJKLMNOP.UTF-8"), 1251);
  EXPECT_EQ(CodePageNumberOfLocale("zh_TWXXXXXXXXXXXXXX"), 936);  // not Taiwan's 950
}

// The Windows ANSI code page of each language: Central European, Cyrillic, Turkish, Baltic,
// Hebrew, Arabic, Vietnamese, Korean, and the Western languages on 1252.
TEST(KeyboardLayout, EachLanguageGivesItsWindowsCodePage) {
  const struct {
    int page;
    std::vector<const char*> languages;
  } families[] = {
      {1250, {"cs", "hr", "hu", "pl", "ro", "sk", "sl", "sq", "bs"}},
      {1251, {"ru", "uk", "be", "bg", "mk", "sr", "kk", "ky", "mn", "tt", "tg"}},
      {1254, {"tr", "az", "uz"}},
      {1257, {"lt", "lv", "et"}},
      {1255, {"he", "yi"}},
      {1256, {"ar", "fa", "ur"}},
      {1258, {"vi"}},
      {949, {"ko"}},
      {1252, {"af", "ca", "cy", "da", "de", "en", "es", "eu", "fi", "fo", "fr", "ga", "gl", "id", "is",
              "it", "ms", "nb", "nl", "nn", "no", "pt", "sv", "sw", "oc", "br", "lb", "fy", "gd", "rm",
              "zu", "xh", "tl", "fil", "POSIX"}},
  };
  for (const auto& family : families)
    for (const char* language : family.languages) {
      EXPECT_EQ(CodePageNumberOfLocale(language), family.page) << language;
      EXPECT_EQ(CodePageNumberOfLocale((std::string(language) + "_XX.UTF-8").c_str()), family.page) << language;
    }
}

TEST(KeyboardLayout, AChangeOfPageIsReportedOnce) {
  std::filesystem::create_directories("keyboard");
  SetLogFileName("keyboard/test.log");
  std::remove("keyboard/test.log");
  LoggingEnabled = 1;
  auto lines = []() {
    std::ifstream in("keyboard/test.log");
    std::string all, line;
    while (std::getline(in, line)) all += line.substr(16) + "\n";  // without the date
    return all;
  };

  SetKeyboardLocale("ko_KR.UTF-8");
  ShowKeyboardLayout();  // at start-up: the debug log, "kb"
  EXPECT_EQ(InputCodePage, 9);
  EXPECT_EQ(lines(), "kb : Korean\n");
  ShowKeyboardLayout(true);  // the same page again: nothing
  EXPECT_EQ(lines(), "kb : Korean\n");

  SetKeyboardLocale("ru_RU");
  ShowKeyboardLayout(true);  // from the interface: a message line (logged too)
  EXPECT_EQ(InputCodePage, 5);
  EXPECT_EQ(lines(), "kb : Korean\nKeyboard : Cyrillic\n");

  SetKeyboardLocale("he_IL");  // a page that is none of the ten
  ShowKeyboardLayout(true);
  EXPECT_EQ(InputCodePage, 0);
  EXPECT_EQ(lines(), "kb : Korean\nKeyboard : Cyrillic\nKeyboard : unknown\n");
  EXPECT_EQ(KeyboardImeName[0], 0);

  SetKeyboardLocale("");
  SetLogFileName("");
}

TEST(TranslationCodePage, TheBuiltInTranslationIsLatin1) {
  CurrentCodePage = 3;
  ActiveCodePage = 3;
  NounBeforeAdjective = 1;
  TakeCurrentCodePage();
  EXPECT_EQ(CurrentCodePage, 0);
  EXPECT_EQ(ActiveCodePage, 0);
  EXPECT_EQ(NounBeforeAdjective, 0);
}

TEST(TranslationCodePage, AnUnknownPageFallsBackToLatin1WithAWarning) {
  ResetMessages();
  const char* const kept = LanguageTexts[TX_tx_codepage];
  LanguageTexts[TX_tx_codepage] = "9999";
  CurrentCodePage = 3;
  TakeCurrentCodePage();
  LanguageTexts[TX_tx_codepage] = kept;
  EXPECT_EQ(CurrentCodePage, 0);
  ASSERT_NE(GetNewestMessageText(), nullptr);
  EXPECT_NE(std::string(GetNewestMessageText()).find("translation uses an unknown codepage"), std::string::npos);
  ResetMessages();
}
