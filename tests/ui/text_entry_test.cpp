// text_entry_test.cpp - the text entry line: typing, refusals, the coded copy, editing keys,
// history, the clipboard round trip (SDL's offscreen clipboard) and the IME's flag flow.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/window_state.h"
#include "platform/clipboard.h"
#include "platform/text_input.h"
#include "platform/window.h"
#include "tests/platform/skip_outside_ci.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "ui/text_draw.h"
#include "ui/text_entry.h"

namespace {

class TextEntryLineTest : public ::testing::Test {
 protected:
  int savedInput = 0;
  void SetUp() override {
    ResetTextEntry();
    ResetMessages();
    savedInput = InputCodePage;
    InputCodePage = CODE_PAGE_LATIN1;
    CtrlHeld = AltHeld = ShiftHeld = 0;
  }
  void TearDown() override {
    InputCodePage = savedInput;
    CtrlHeld = 0;
    ResetTextEntry();
    ResetMessages();
  }
  static void Type(const char* text) {
    for (const char* p = text; *p; ++p) EntryTypeChar(static_cast<uint8_t>(*p));
  }
  static std::string Coded() { return TextEntry.coded; }
  static std::string Plain() {
    char out[TEXT_ENTRY_CELLS * 2];
    EntryPlainText(out, sizeof out);
    return out;
  }
  static void CtrlKey(int key) {
    CtrlHeld = 1;
    EntryKeyDown(key);
    CtrlHeld = 0;
  }
};

constexpr int CYRILLIC = 5;

}  // namespace

TEST(CodedTextCells, DecodeColoursPagesAndEscapes) {
  CharCell cells[16];
  char bytes[16];
  const int n = DecodeCodedText(cells, bytes, "^1a^Cb^9^d^^", CODE_PAGE_LATIN1, 16);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(cells[0].colour, 1);
  EXPECT_EQ(cells[1].codePage, CYRILLIC);
  EXPECT_EQ(cells[2].byte, '\\');
  EXPECT_EQ(cells[2].colour, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(cells[3].byte, '^');
  EXPECT_STREQ(bytes, "ab\\^");
  // A lead byte keeps its trail, even when the trail is a caret; capacity bounds both outputs.
  EXPECT_EQ(DecodeCodedText(cells, bytes, "^J\x82^x", CODE_PAGE_LATIN1, 16), 2);
  EXPECT_EQ(cells[0].trail, '^');
  EXPECT_EQ(DecodeCodedText(cells, bytes, "abcdef", CODE_PAGE_LATIN1, 4), 3);
  EXPECT_STREQ(bytes, "abc");
}

TEST(CodedTextCells, CaretDigitsAtTheirEndsAndThePageResets) {
  CharCell cells[16];
  char bytes[16];
  // From Cyrillic: "^0" and "^7" are the first and last caret colours; "^E" switches to
  // page 1; "^8" goes back to the starting page in the default colour and "^:" to Latin-1.
  ASSERT_EQ(DecodeCodedText(cells, bytes, "^0a^7b^Ec^8d^Ee^:f", CYRILLIC, 16), 6);
  EXPECT_STREQ(bytes, "abcdef");
  const int colours[6] = {0, 7, 7, ENTRY_COLOUR_DEFAULT, ENTRY_COLOUR_DEFAULT, ENTRY_COLOUR_DEFAULT};
  const int pages[6] = {CYRILLIC, CYRILLIC, 1, CYRILLIC, 1, CODE_PAGE_LATIN1};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(cells[i].colour, colours[i]) << i;
    EXPECT_EQ(cells[i].codePage, pages[i]) << i;
  }
  // Three characters fit a capacity of 4, but the plain bytes keep a double-byte character
  // whole or not at all: "ab" and its two bytes make four, one too many.
  EXPECT_EQ(DecodeCodedText(cells, bytes, "ab^J\x82\xA0", CODE_PAGE_LATIN1, 4), 3);
  EXPECT_EQ(cells[2].trail, 0xA0);
  EXPECT_STREQ(bytes, "ab");
}

TEST_F(TextEntryLineTest, StartingSelectsTheTextAfterThePrefixAndTypingReplacesIt) {
  EXPECT_EQ(StartTextEntry(40, "name: old", 6, ENTRY_MODE_FREE), 39);
  EXPECT_EQ(TextEntry.selected, 1);
  EXPECT_EQ(TextEntry.cursor, 9);
  EXPECT_EQ(TextEntry.drawCursor, TextCursorWithSelection(6, 9));
  Type("new");
  EXPECT_EQ(Plain(), "name: new");
  EntryKeyDown(KEYCODE_HOME);
  EXPECT_EQ(TextEntry.cursor, 6);
  EntryKeyDown(8);  // the prefix is fixed
  EXPECT_EQ(Plain(), "name: new");
  StartTextEntry(200, "fixed", -1, ENTRY_MODE_FREE);
  EXPECT_EQ(TextEntry.maxLength, TEXT_ENTRY_CELLS);
  EXPECT_EQ(TextEntry.selected, 0);
  EntryKeyDown(8);
  EXPECT_EQ(Plain(), "fixed");
}

TEST_F(TextEntryLineTest, ASpaceClearsASelectionAndTypesNothing) {
  StartTextEntry(20, "abc", 0, ENTRY_MODE_FREE);
  EntryTypeChar(' ');
  EXPECT_EQ(Plain(), "");
  EntryTypeChar(' ');  // at the prefix: ignored
  EXPECT_EQ(Plain(), "");
  Type("a b");
  EXPECT_EQ(Plain(), "a b");
}

TEST_F(TextEntryLineTest, ACharacterWhoseCodesWouldNotFitIsRefused) {
  StartTextEntry(6, nullptr, 0, ENTRY_MODE_FREE);  // five coded bytes
  Type("abc");
  // A Cyrillic letter needs "^C" before it: three bytes where two are left.
  EXPECT_EQ(EntryInsertChar(0xC6, 0, CYRILLIC, ENTRY_COLOUR_DEFAULT), 0);
  EXPECT_EQ(Coded(), "abc");
  EXPECT_EQ(TextEntry.room, 2);
  EXPECT_EQ(EntryInsertChar('d', 0, CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT), 1);
  EXPECT_EQ(EntryInsertChar('e', 0, CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT), 1);
  EXPECT_EQ(EntryInsertChar('f', 0, CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT), 0);  // the line is full
  EXPECT_EQ(Coded(), "abcde");
  EXPECT_EQ(TextEntry.room, 0);
  // A byte that reads the same in both pages needs no switch.
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EntryInsertChar('x', 0, CYRILLIC, ENTRY_COLOUR_DEFAULT);
  EntryInsertChar(0xC6, 0, CYRILLIC, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(Coded(), "x^C\xC6");
  EXPECT_EQ(EntryInsertChar(31, 0, 0, 8), 0);
  EXPECT_EQ(EntryInsertChar(127, 0, 0, 8), 0);
}

// Inserting a string or cells stops at the first refused character and says so with 0; what
// fitted before it stays.
TEST_F(TextEntryLineTest, InsertingStopsAtTheFirstRefusalAndSaysSo) {
  StartTextEntry(4, nullptr, 0, ENTRY_MODE_FREE);  // three characters
  EXPECT_EQ(EntryInsertString("ab"), 1);
  EXPECT_EQ(EntryInsertString("cde"), 0);
  EXPECT_EQ(Plain(), "abc");
  EXPECT_EQ(EntryInsertString(""), 1) << "nothing to refuse";
  StartTextEntry(4, nullptr, 0, ENTRY_MODE_FREE);
  const CharCell cells[4] = {{'w', CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT, 0},
                             {'x', CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT, 0},
                             {'y', CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT, 0},
                             {'z', CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT, 0}};
  EXPECT_EQ(EntryInsertCells(cells, 3), 1);
  EXPECT_EQ(EntryInsertCells(cells + 3, 1), 0);
  EXPECT_EQ(Plain(), "wxy");
}

// A starting text whose codes run past the line is cut to the line's bytes; the cursor and the
// room stay within them.
TEST_F(TextEntryLineTest, AStartingTextLongerThanTheLineIsCutToIt) {
  StartTextEntry(4, "x^C\xC6y", 0, ENTRY_MODE_FREE);  // three coded bytes: "x^C\xC6y" has five
  EXPECT_EQ(TextEntry.codedLength, 5);
  EXPECT_LE(std::strlen(TextEntry.coded), 3u);
  EXPECT_EQ(TextEntry.coded[0], 'x') << "cut after the first character, not to nothing";
  EXPECT_EQ(TextEntry.codedCursor, 3) << "the end of the text, held at the line's end";
  ASSERT_EQ(TextEntry.selected, 1);
  EXPECT_EQ(TextEntry.drawCursor, TextCursorWithSelection(0, 3)) << "the selection ends there too";
  EXPECT_EQ(TextEntry.room, 0) << "no room left, not less";
}

TEST_F(TextEntryLineTest, ColoursAndCaretsAreCodedAndNamesEscapeTheirSpecialCharacters) {
  StartTextEntry(40, nullptr, 0, ENTRY_MODE_FREE);
  CtrlKey('1');
  Type("a ");
  CtrlKey('8');
  Type("b^");
  CtrlKey('9');  // nothing
  EXPECT_EQ(TextEntry.colour, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(Coded(), "^1a ^9b^^");
  StartTextEntry(40, nullptr, 0, ENTRY_MODE_NAME);
  EXPECT_EQ(EntryInsertChar('.', 0, 0, 8), 0);  // a name may not begin with "."
  Type("a*b");
  EXPECT_EQ(Coded(), "a^ab");
  EXPECT_EQ(Plain(), "a*b");
  EXPECT_EQ(TextEntry.changed, 1);
}

TEST_F(TextEntryLineTest, ALeadByteWaitsForItsTrailAndSingleByteLinesRefuseIt) {
  InputCodePage = CODE_PAGE_JAPANESE;
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EntryTypeChar(0x82);
  EXPECT_EQ(EntryLength(), 0);
  EntryTypeChar(0xA0);
  ASSERT_EQ(EntryLength(), 1);
  EXPECT_EQ(TextEntry.cells[0].trail, 0xA0);
  EXPECT_EQ(Coded(), "^J\x82\xA0");
  // A trail below 64 is no character: both go.
  EntryTypeChar(0x82);
  EntryTypeChar('1');
  EXPECT_EQ(EntryLength(), 1);
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_SINGLE_BYTE);
  EXPECT_EQ(EntryInsertChar(0x82, 0, CODE_PAGE_JAPANESE, 8), 0);
  EXPECT_EQ(TextEntry.pendingLead, -1);
}

TEST_F(TextEntryLineTest, EditingKeysMoveByCellsAndWords) {
  StartTextEntry(40, "one two three", 0, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_LEFT);  // a selection: to the prefix, deselected
  EXPECT_EQ(TextEntry.cursor, 0);
  EXPECT_EQ(TextEntry.selected, 0);
  CtrlKey(KEYCODE_RIGHT);
  EXPECT_EQ(TextEntry.cursor, 3);
  CtrlKey(KEYCODE_RIGHT);
  EXPECT_EQ(TextEntry.cursor, 7);
  CtrlKey(KEYCODE_LEFT);
  EXPECT_EQ(TextEntry.cursor, 4);
  CtrlKey(KEYCODE_DELETE);  // "two" and its space
  EXPECT_EQ(Plain(), "one three");
  EntryKeyDown(KEYCODE_END);
  CtrlKey(127);  // Ctrl + Backspace: back to the previous space
  EXPECT_EQ(Plain(), "one ");
  EntryKeyDown(KEYCODE_LEFT);
  EntryKeyDown(KEYCODE_DELETE);
  EXPECT_EQ(Plain(), "one");
  EntryKeyDown(KEYCODE_CTRL_LETTER + 'A');
  EXPECT_EQ(TextEntry.selected, 1);
  EntryKeyDown(8);
  EXPECT_EQ(Plain(), "");
  // Ctrl + Backspace stops at a fixed prefix even inside a word.
  StartTextEntry(40, "name:old", 5, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_END);
  CtrlKey(127);
  EXPECT_EQ(Plain(), "name:");
  StartTextEntry(40, "name   ", 5, ENTRY_MODE_FREE);  // the prefix's own space stays
  EntryKeyDown(KEYCODE_END);
  CtrlKey(127);
  EXPECT_EQ(Plain(), "name ");
  // A key of a byte's code is typed as that character.
  StartTextEntry(40, "", 0, ENTRY_MODE_FREE);
  EntryKeyDown('x');
  EntryKeyDown('Y');
  EXPECT_EQ(Plain(), "xY");
  StartTextEntry(40, "  ..name  ", 0, ENTRY_MODE_NAME);
  EntryTrim();
  EXPECT_EQ(Plain(), "name");
  EXPECT_EQ(TextEntry.cursor, 4);
}

// The editing keys at the line's ends: Right at the end and Left at the prefix stay put, a
// word step stops at the prefix and at the end, Delete at the prefix takes the cell there,
// trimming never takes a space of the prefix, and select-all selects nothing when there is
// nothing after the prefix.
TEST_F(TextEntryLineTest, EditingKeysStopExactlyAtThePrefixAndTheEnd) {
  StartTextEntry(40, "abcd", 2, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_RIGHT);  // from the selection to the end
  ASSERT_EQ(TextEntry.cursor, 4);
  EntryKeyDown(KEYCODE_RIGHT);
  EXPECT_EQ(TextEntry.cursor, 4) << "Right at the end";
  EXPECT_EQ(TextEntry.codedCursor, 4) << "the cursor's byte at the end of the coded copy";
  CtrlKey(KEYCODE_LEFT);
  EXPECT_EQ(TextEntry.cursor, 2) << "a word step stops at the prefix";
  EntryKeyDown(KEYCODE_LEFT);
  EXPECT_EQ(TextEntry.cursor, 2) << "Left at the prefix";
  EntryKeyDown(KEYCODE_DELETE);
  EXPECT_EQ(Coded(), "abd") << "Delete at the prefix";
  EntryKeyDown(KEYCODE_LEFT);
  CtrlKey(KEYCODE_RIGHT);
  EXPECT_EQ(TextEntry.cursor, 3) << "a word step stops at the end";

  StartTextEntry(40, "ab ", 3, ENTRY_MODE_FREE);  // all of it prefix, ending in a space
  EntryTrim();
  EXPECT_EQ(Coded(), "ab ");
  EntryKeyDown(KEYCODE_CTRL_LETTER + 'A');
  EXPECT_EQ(TextEntry.selected, 0);
}

TEST_F(TextEntryLineTest, TheLineLengthIsKeptBetweenOneCellAndTheWholeLine) {
  // A line takes its length less one, for the terminating zero, in coded bytes.
  EXPECT_EQ(StartTextEntry(0, nullptr, 0, ENTRY_MODE_FREE), 0) << "at least one cell: no room";
  EXPECT_EQ(TextEntry.room, 0);
  EXPECT_EQ(EntryInsertChar('a', 0, CODE_PAGE_LATIN1, 0), 0) << "nothing fits";
  EXPECT_EQ(StartTextEntry(-5, nullptr, 0, ENTRY_MODE_FREE), 0);
  EXPECT_EQ(StartTextEntry(TEXT_ENTRY_CELLS + 10, nullptr, 0, ENTRY_MODE_FREE), TEXT_ENTRY_CELLS - 1);
  EXPECT_EQ(StartTextEntry(TEXT_ENTRY_CELLS, nullptr, 0, ENTRY_MODE_FREE), TEXT_ENTRY_CELLS - 1);
}

// A click on the line puts the cursor before the character the text drawing's probe counted,
// once the probe has answered; a count inside the prefix or past the text is held to them.
TEST_F(TextEntryLineTest, AClickPlacesTheCursorBetweenThePrefixAndTheEnd) {
  const int savedProbe = TextClickProbe, savedCount = TextClickProbeCount;
  StartTextEntry(40, "ab: cdef", 4, ENTRY_MODE_FREE);  // eight cells, four of them fixed, the rest selected
  ASSERT_EQ(TextEntry.selected, 1);
  TextClickProbe = 1;  // the probe has not drawn yet: nothing moves
  TextClickProbeCount = 6;
  RequestEntryClickPlacement();
  EntryRecallHistory();
  EXPECT_EQ(TextEntry.cursor, 8);
  EXPECT_EQ(TextEntry.placementRequested, 1);
  TextClickProbe = 0;
  EntryRecallHistory();
  EXPECT_EQ(TextEntry.cursor, 6);
  EXPECT_EQ(TextEntry.codedCursor, 6) << "the coded copy follows";
  EXPECT_EQ(TextEntry.selected, 0);
  EXPECT_EQ(TextEntry.placementRequested, 0);
  TextClickProbeCount = 30;  // right of the text: its end
  RequestEntryClickPlacement();
  EntryRecallHistory();
  EXPECT_EQ(TextEntry.cursor, 8);
  TextClickProbeCount = 1;  // on the prefix: where it ends
  RequestEntryClickPlacement();
  EntryRecallHistory();
  EXPECT_EQ(TextEntry.cursor, 4);
  TextClickProbeCount = 5;  // no request: nothing moves
  EntryRecallHistory();
  EXPECT_EQ(TextEntry.cursor, 4);
  TextClickProbe = savedProbe;
  TextClickProbeCount = savedCount;
}

// A character inserted with a code page or colour out of their ranges keeps the nearest one:
// pages 0 to 9, colours 0 to 7 and 8 the default.
TEST_F(TextEntryLineTest, AnInsertedCharacterKeepsItsPageAndColourInRange) {
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EXPECT_EQ(EntryInsertChar('a', 0, CODE_PAGE_COUNT + 2, 12), 1);
  EXPECT_EQ(EntryInsertChar('b', 0, -3, -1), 1);
  ASSERT_EQ(EntryLength(), 2);
  EXPECT_EQ(TextEntry.cells[0].codePage, CODE_PAGE_COUNT - 1);
  EXPECT_EQ(TextEntry.cells[0].colour, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(TextEntry.cells[1].codePage, 0);
  EXPECT_EQ(TextEntry.cells[1].colour, 0);
}

// A character typed inside the text goes between its neighbours, which move on.
TEST_F(TextEntryLineTest, ACharacterTypedInsideTheTextMovesTheRestOn) {
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  Type("acd");
  EntryKeyDown(KEYCODE_LEFT);
  EntryKeyDown(KEYCODE_LEFT);
  Type("b");
  EXPECT_EQ(Coded(), "abcd");
  EXPECT_EQ(TextEntry.cursor, 2);
  EntryKeyDown(KEYCODE_HOME);
  Type("_");
  EXPECT_EQ(Coded(), "_abcd");
}

// The coded copy read back in another code page: its bytes become that page's characters, the
// cursor goes to the end and nothing stays selected.
TEST_F(TextEntryLineTest, TheCodedCopyReadsBackInTheCodePageGiven) {
  StartTextEntry(20, "ab\xC6", 0, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_HOME);
  ASSERT_EQ(TextEntry.cursor, 0);
  SetEntryText(CYRILLIC);
  ASSERT_EQ(EntryLength(), 3);
  EXPECT_EQ(TextEntry.cells[2].codePage, CYRILLIC);
  EXPECT_EQ(TextEntry.cells[2].byte, 0xC6);
  EXPECT_EQ(TextEntry.cursor, 3);
  EXPECT_EQ(TextEntry.selected, 0);
  EXPECT_EQ(Coded(), "ab^C\xC6");
}

// With no candidate list to be had the IME says so on the message line and keeps none.
TEST_F(TextEntryLineTest, NoCandidateListIsSaidAndNoneKept) {
  Ime.candidateCount = 3;
  OnIMENotify(3);
  UpdateIME();
  EXPECT_EQ(Ime.candidateCount, 0);
  EXPECT_EQ(Ime.candidateSelected, -1);
  ASSERT_NE(GetNewestMessageText(), nullptr);
  EXPECT_STREQ(GetNewestMessageText(), "UpdateCandidates : Could not get candidate list");
  // The end of a composition lets go of a list too.
  Ime.candidateCount = 2;
  Ime.candidateSelected = 1;
  OnIMEEndComposition();
  EXPECT_EQ(Ime.candidateCount, 0);
  EXPECT_EQ(Ime.candidateSelected, -1);
}

// Ending a composition leaves the line no room; starting one works it out again, and a fresh
// composition update forgets the old one's attributes.
TEST_F(TextEntryLineTest, StartingACompositionWorksOutTheRoomAgain) {
  StartTextEntry(10, "abc", -1, ENTRY_MODE_FREE);
  ASSERT_EQ(TextEntry.room, 6);  // nine coded bytes, three used
  OnIMEEndComposition();
  EXPECT_EQ(TextEntry.room, 0);
  OnIMEStartComposition();
  EXPECT_EQ(TextEntry.room, 6);
  Ime.attributes[0] = 3;
  Ime.attributes[1] = 2;
  UpdateComposition();
  EXPECT_EQ(Ime.attributes[0], 0);
  EXPECT_EQ(Ime.attributes[1], 0);
  OnIMEEndComposition();
}

// Delete and the word rubout (127) on a selection clear it back to the prefix; Delete called
// on its own rebuilds the coded copy too.
TEST_F(TextEntryLineTest, DeleteAndRuboutClearASelectionToThePrefix) {
  StartTextEntry(20, "to: abc", 4, ENTRY_MODE_FREE);
  ASSERT_EQ(TextEntry.selected, 1);
  EntryKeyDown(KEYCODE_DELETE);
  EXPECT_EQ(Coded(), "to: ");
  EXPECT_EQ(TextEntry.selected, 0);
  StartTextEntry(20, "to: abc", 4, ENTRY_MODE_FREE);
  EntryKeyDown(127);
  EXPECT_EQ(Coded(), "to: ");
  EXPECT_EQ(TextEntry.cursor, 4);
  StartTextEntry(20, "abc", -1, ENTRY_MODE_FREE);
  TextEntry.prefix = 0;
  EntryKeyDown(KEYCODE_HOME);
  EntryDelete();
  EXPECT_EQ(Coded(), "bc");
}

// A byte above 127 that reads as the same character in both pages needs no switch either:
// 0xA0 is the no-break space in Latin 1 and in Cyrillic alike.
TEST_F(TextEntryLineTest, AHighByteReadingTheSameInBothPagesNeedsNoSwitch) {
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EntryInsertChar('x', 0, CODE_PAGE_LATIN1, ENTRY_COLOUR_DEFAULT);
  EntryInsertChar(0xA0, 0, CYRILLIC, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(Coded(), "x\xA0");
  EntryInsertChar(0xC6, 0, CYRILLIC, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(Coded(), "x\xA0^C\xC6");
}

// A key beyond the bytes that the input page writes in two bytes goes in as one double-byte
// character of that page, in the typing colour.
TEST_F(TextEntryLineTest, AKeyBeyondTheBytesCanTypeADoubleByteCharacter) {
  InputCodePage = CODE_PAGE_JAPANESE;
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EntryKeyDown(0x3042);  // HIRAGANA LETTER A: 0x82 0xA0 in the Japanese page
  ASSERT_EQ(EntryLength(), 1);
  EXPECT_EQ(TextEntry.cells[0].byte, 0x82);
  EXPECT_EQ(TextEntry.cells[0].trail, 0xA0);
  EXPECT_EQ(TextEntry.cells[0].codePage, CODE_PAGE_JAPANESE);
  EXPECT_EQ(TextEntry.cells[0].colour, ENTRY_COLOUR_DEFAULT);
}

TEST_F(TextEntryLineTest, APrefixLongerThanTheTextIsTheWholeText) {
  StartTextEntry(40, "abc", 10, ENTRY_MODE_FREE);
  EXPECT_EQ(TextEntry.prefix, 3);
  EXPECT_EQ(TextEntry.selected, 0) << "nothing after the prefix to select";
  Type("d");
  EntryKeyDown(KEYCODE_LEFT);
  EntryKeyDown(KEYCODE_LEFT);
  EXPECT_EQ(TextEntry.cursor, 3) << "Left stops where the starting text ends";
}

// Byte 128 reads differently in Latin 1 and Cyrillic: a Cyrillic 128 needs its switch.
// "^L" switches back to Latin 1, page 0. Keys from U+0100 on go through the input code page.
TEST_F(TextEntryLineTest, PageSwitchesAtByte128AndKeysBeyondTheBytes) {
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EntryInsertChar('x', 0, CYRILLIC, ENTRY_COLOUR_DEFAULT);
  EntryInsertChar(0x80, 0, CYRILLIC, ENTRY_COLOUR_DEFAULT);
  EXPECT_EQ(Coded(), "x^C\x80");
  CharCell cells[4];
  char bytes[4];
  ASSERT_EQ(DecodeCodedText(cells, bytes, "^Ca^Lb", CODE_PAGE_LATIN1, 4), 2);
  EXPECT_EQ(cells[0].codePage, CYRILLIC);
  EXPECT_EQ(cells[1].codePage, CODE_PAGE_LATIN1);
  // A Japanese pair's trail byte from 64 on.
  InputCodePage = CODE_PAGE_JAPANESE;
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EntryTypeChar(0x82);
  EntryTypeChar(0x40);
  ASSERT_EQ(EntryLength(), 1);
  EXPECT_EQ(TextEntry.cells[0].trail, 0x40);
  // U+0100 (A with macron) is byte 0xC2 of the Baltic page; 0xFF is typed as the byte it is.
  InputCodePage = 3;
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  EntryKeyDown(0x100);
  ASSERT_EQ(EntryLength(), 1);
  EXPECT_EQ(TextEntry.cells[0].byte, 0xC2);
  EXPECT_EQ(TextEntry.cells[0].codePage, 3);
  EntryKeyDown(0xFF);
  ASSERT_EQ(EntryLength(), 2);
  EXPECT_EQ(TextEntry.cells[1].byte, 0xFF);
  // U+0101 (a with macron) is 0xE2 and U+2122 (the trade mark sign) 0x99 of the Baltic page.
  EntryKeyDown(0x101);
  EntryKeyDown(0x2122);
  ASSERT_EQ(EntryLength(), 4);
  EXPECT_EQ(TextEntry.cells[2].byte, 0xE2);
  EXPECT_EQ(TextEntry.cells[3].byte, 0x99);
  char none[1] = {'x'};
  EntryPlainText(none, 0);
  EXPECT_EQ(none[0], 'x') << "no room: nothing written";
}

TEST_F(TextEntryLineTest, UpAndDownStepThroughTheMessageHistory) {
  AddMessage("first", TextColours.grey, MSG_TARGET_LOCAL);
  AddMessage("^2second", TextColours.grey, MSG_TARGET_LOCAL);
  StartTextEntry(40, nullptr, 0, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_UP);
  EXPECT_EQ(Plain(), "second");
  EXPECT_EQ(TextEntry.cells[0].colour, 2);
  EntryKeyDown(KEYCODE_UP);
  EXPECT_EQ(Plain(), "first");
  EntryKeyDown(KEYCODE_UP);  // nothing older: the line stays
  EXPECT_EQ(Plain(), "first");
  EntryKeyDown(KEYCODE_DOWN);
  EXPECT_EQ(Plain(), "second");
  EntryKeyDown(KEYCODE_DOWN);
  EXPECT_EQ(Plain(), "");
  // A line with a fixed prefix has no history.
  StartTextEntry(40, "x", -1, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_UP);
  EXPECT_EQ(Plain(), "x");
}

class ClipboardLine : public TextEntryLineTest {
 protected:
  void SetUp() override {
    TextEntryLineTest::SetUp();
    if (!PlatformVideoStart()) ZKT_SKIP_OUTSIDE_CI() << "no SDL video: " << PlatformLastError();
  }
  void TearDown() override {
    PlatformVideoStop();
    TextEntryLineTest::TearDown();
  }
};

TEST_F(ClipboardLine, PastingTheCopiedTextRestoresItsColoursAndCodePages) {
  StartTextEntry(40, "^1red ^C\xC6", 0, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_COPY);
  char clip[64];
  PlatformGetClipboardText(clip, sizeof clip);
  EXPECT_STREQ(clip, "red \xD0\x96");  // the Cyrillic Zhe in UTF-8
  StartTextEntry(40, nullptr, 0, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_PASTE);
  EXPECT_EQ(Coded(), "^1red ^C\xC6");
  // Other text comes in the input code page with the typing colour.
  ASSERT_EQ(PlatformSetClipboardText("pl\xC3\xA4in"), nullptr);
  StartTextEntry(40, nullptr, 0, ENTRY_MODE_FREE);
  CtrlKey('3');
  EntryKeyDown(KEYCODE_PASTE);
  EXPECT_EQ(Coded(), "^3pl\xE4in");
  // A command line's "/" is not doubled; Cut takes the selection after the prefix.
  PlatformSetClipboardText("/join");
  StartTextEntry(40, "/", -1, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_PASTE);
  EXPECT_EQ(Plain(), "/join");
  EntryKeyDown(KEYCODE_CTRL_LETTER + 'A');
  EntryKeyDown(KEYCODE_CUT);
  EXPECT_EQ(Plain(), "/");
  PlatformGetClipboardText(clip, sizeof clip);
  EXPECT_STREQ(clip, "/join");  // the whole line is copied
}

// Cutting a selection copies the whole line to the clipboard and leaves the prefix.
TEST_F(ClipboardLine, CuttingASelectionCopiesTheLineAndLeavesThePrefix) {
  PlatformSetClipboardText("before");
  StartTextEntry(40, "to: abc", 4, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_CUT);
  EXPECT_EQ(Coded(), "to: ");
  char clip[32];
  PlatformGetClipboardText(clip, sizeof clip);
  EXPECT_STREQ(clip, "to: abc");
}

TEST_F(ClipboardLine, ALongClipboardIsCutToTheLine) {
  std::string longText(300, 'x');
  PlatformSetClipboardText(longText.c_str());
  StartTextEntry(TEXT_ENTRY_CELLS, nullptr, 0, ENTRY_MODE_FREE);
  EntryKeyDown(KEYCODE_PASTE);
  EXPECT_EQ(EntryLength(), TEXT_ENTRY_CELLS - 1);
  EXPECT_EQ(CopyTextToClipboard("caf\xE9", CODE_PAGE_LATIN1), nullptr);
  char clip[16];
  PlatformGetClipboardText(clip, sizeof clip);
  EXPECT_STREQ(clip, "caf\xC3\xA9");
  // The clipboard read stops before a character that does not fit whole.
  EXPECT_EQ(PlatformGetClipboardText(clip, 5), 3);
}

TEST_F(TextEntryLineTest, TheCompositionIsConvertedIntoTheInputPageWithinItsBuffer) {
  InputCodePage = CODE_PAGE_JAPANESE;
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  OnIMEStartComposition();
  EXPECT_EQ(TextEntryActive, 1);
  PlatformNoteComposition("\xE6\x97\xA5\xE6\x9C\xAC", 1);  // two kanji, the cursor after the first
  OnIMEComposition(IME_COMPOSITION_STRING | IME_COMPOSITION_CURSOR);
  UpdateIME();
  EXPECT_EQ(std::strlen(Ime.composition), 4u);
  EXPECT_EQ(Ime.compositionCursor, 2);
  EXPECT_EQ(ImeComposition.open, 1);
  EXPECT_EQ(ImeComposition.text, Ime.composition);
  // Sixty kanji are 120 bytes in the page: cut to whole characters within 95.
  std::string many;
  for (int i = 0; i < 60; ++i) many += "\xE6\x97\xA5";
  PlatformNoteComposition(many.c_str(), 60);
  OnIMEComposition(IME_COMPOSITION_STRING | IME_COMPOSITION_CURSOR);
  UpdateIME();
  EXPECT_EQ(std::strlen(Ime.composition), 94u);
  EXPECT_EQ(Ime.compositionCursor, 94);
  // An empty composition closes it.
  PlatformNoteComposition("", 0);
  OnIMEComposition(IME_COMPOSITION_STRING);
  UpdateIME();
  EXPECT_EQ(ImeComposition.open, 0);
  // No entry: nothing is composed.
  OnIMEEndComposition();
  PlatformNoteComposition("\xE6\x97\xA5", 1);
  OnIMEComposition(IME_COMPOSITION_STRING);
  UpdateIME();
  EXPECT_EQ(Ime.composition[0], 0);
}

// The composition is cut at 95 UTF-16 units counted from its first byte: a face outside the
// basic plane (four bytes, two units) and 94 letters are 96 units, so the face and 93 letters
// (2 + 93 = 95) are kept, and the face becomes "?" in the Latin page: 94 bytes.
TEST_F(TextEntryLineTest, ACompositionOpeningWithAFourByteCharacterKeepsNinetyFiveUnits) {
  StartTextEntry(96, nullptr, 0, ENTRY_MODE_FREE);
  OnIMEStartComposition();
  const std::string composed = "\xF0\x9F\x98\x80" + std::string(94, 'a');
  PlatformNoteComposition(composed.c_str(), 0);
  OnIMEComposition(IME_COMPOSITION_STRING);
  UpdateIME();
  EXPECT_EQ(std::string(Ime.composition), "?" + std::string(93, 'a'));
  OnIMEEndComposition();
}

TEST_F(TextEntryLineTest, TheImeReopensForTheNextEntryInTheSamePage) {
  InputCodePage = CODE_PAGE_KOREAN;
  StartTextEntry(20, nullptr, 0, ENTRY_MODE_FREE);
  OnIMEStartComposition();
  Ime.shouldBeOpen = 1;
  SetIMMStatus();
  EXPECT_EQ(Ime.open, 1);
  OnIMEEndComposition();
  EXPECT_EQ(Ime.rememberedOpen, CODE_PAGE_KOREAN + 1);
  EXPECT_EQ(PlatformImeOpen(), 0);
  OnIMEStartComposition();
  EXPECT_EQ(Ime.pending & IME_SET_OPEN_STATUS, IME_SET_OPEN_STATUS);
  UpdateIME();
  EXPECT_EQ(PlatformImeOpen(), 1);
  OnIMEEndComposition();
  // An IME found open without an entry is asked to close.
  PlatformSetImeOpen(1);
  EXPECT_EQ(OnIMENotify(2), 0);
  UpdateIME();
  EXPECT_EQ(Ime.pending & IME_SET_OPEN_STATUS, IME_SET_OPEN_STATUS);
  UpdateIME();
  EXPECT_EQ(PlatformImeOpen(), 0);
}

TEST_F(TextEntryLineTest, NotificationsSetTheirFlags) {
  EXPECT_EQ(OnIMENotify(3), 1);
  EXPECT_EQ(Ime.pending, IME_CANDIDATES_CHANGED);
  EXPECT_EQ(OnIMENotify(7), 0);
  EXPECT_EQ(OnIMENotify(13), 1);
  EXPECT_EQ(OnIMENotify(10), 1);
  EXPECT_EQ(OnIMENotify(99), 0);
  EXPECT_EQ(Ime.pending, IME_CANDIDATES_CHANGED | IME_MODE_CHANGED | IME_GUIDE_LINE);
  Ime.candidateCount = 3;  // a list from before
  Ime.candidateSelected = 2;
  UpdateIME();  // no candidate list on this platform: a message, nothing kept
  EXPECT_EQ(Ime.candidateCount, 0);
  EXPECT_EQ(Ime.candidateSelected, -1) << "none chosen";
  EXPECT_EQ(Ime.pending, 0);
  EXPECT_STREQ(ImeGuideLineText(35), "READINGCONFLICT");
  EXPECT_STREQ(ImeGuideLineText(39), "Unknown Error");
  uint32_t colour = 0;
  char text[4];
  InputCodePage = CODE_PAGE_SIMPLIFIED_CHINESE;
  EXPECT_EQ(GetIMEFontCodepage(&colour, text, sizeof text), 1);
  EXPECT_STREQ(text, "E");
}
