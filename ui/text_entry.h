// text_entry.h - the one text entry line: typed text in cells with their code pages and
// colours, its coded copy, the selection, the history, the clipboard and the IME.
//
// Sections: [Cells] [Line] [Editing] [Clipboard] [IME]
//
// The line holds up to 96 cells; its coded copy (caret codes for colours, code-page
// switches and, for names, the ten special characters) must fit the line's maximum length
// with its terminating zero, so a character whose codes would not fit is refused.  Cells
// before the fixed prefix are neither edited nor selected.  The only selection is the whole
// text after the prefix.  Key codes are those of the main window (core/window_state.h).
// Main thread only; the IME's messages only set flags, UpdateIME does the work once a frame.
#pragma once
#include <cstdint>

// ---- [Cells] ----
struct CharCell {
  uint8_t byte;      // the character byte; 0 ends the text
  uint8_t codePage;  // 0..9
  uint8_t colour;    // 0..7 a caret colour, 8 the default colour
  uint8_t trail;     // the second byte of a double-byte character, else 0
};
static_assert(sizeof(CharCell) == 4, "a character cell is 4 bytes");

constexpr int TEXT_ENTRY_CELLS = 96;
constexpr int ENTRY_COLOUR_DEFAULT = 8;
constexpr int ENTRY_ERROR_SOUND = 3;

// Decodes a coded text that starts in startCodePage into cells, or into plain bytes (trail
// bytes after their lead bytes), or both; at most capacity - 1 cells or bytes, terminated.
// Returns the characters read.
int DecodeCodedText(CharCell* cells, char* bytes, const char* coded, int startCodePage, int capacity);

// ---- [Line] ----
enum TextEntryMode : uint8_t {
  ENTRY_MODE_FREE = 0,
  ENTRY_MODE_NAME = 1,         // special characters stored escaped; no leading "."
  ENTRY_MODE_SINGLE_BYTE = 2,  // lead bytes refused
};

struct TextEntryLine {
  CharCell cells[TEXT_ENTRY_CELLS];  // a zero byte ends the text
  int maxLength;        // bytes of the coded copy with its zero, at most 96
  int room;             // maxLength - coded length - 1
  int cursor;           // a cell index
  int prefix;           // cells before it are fixed
  int selected;         // the whole text after the prefix is selected
  int mode;             // TextEntryMode
  int colour;           // the typing colour, 8 default
  int pendingLead;      // a lead byte waiting for its trail, -1 none
  int pendingLeadPage;
  int historySequence;  // the message line recalled, -1 none
  char coded[TEXT_ENTRY_CELLS];
  int codedLength;
  int codedCursor;      // the cursor's byte index in coded
  int drawCursor;       // for the text drawing: the cursor, or the selection's two ends
  int changed;          // a non-space character was typed
  int changedFrozen;
  char copiedUtf8[TEXT_ENTRY_CELLS * 4];  // the last text copied, as the clipboard got it
  CharCell copiedCells[TEXT_ENTRY_CELLS];
  int copiedCount;
  int placementRequested;  // a click asked for the cursor; the text drawing's probe answers
  int functionKeyMessage;  // a function-key message to insert, its index + 1 (0 none)
};
extern TextEntryLine TextEntry;

// Resets the line to maxLength (capped at 96), decodes the initial coded text (starting in
// code page 0) with the cursor at its end; the prefix is prefixLength cells, or the whole
// text for -1, and the rest is selected.  Returns maxLength - 1.
int StartTextEntry(int maxLength, const char* initial, int prefixLength, int mode);
// Decodes the coded copy back into cells (starting in codePage); the cursor goes to the end.
void SetEntryText(int codePage);
// Rebuilds the coded copy, its cursor index, the drawing cursor and the room; returns the
// coded length.
int EncodeEntryText();
int EntryLength();  // cells in use
// The text as plain bytes (no codes), into out of outSize bytes.
void EntryPlainText(char* out, int outSize);

// ---- [Editing] ----
// Inserts one character at the cursor; 1 when inserted (or a lead byte kept waiting), 0 with
// interface sound 3 when refused.
int EntryInsertChar(int byte, int trail, int codePage, int colour);
int EntryInsertString(const char* text);  // bytes in InputCodePage, typing colour; 0 at the first refusal
int EntryInsertCells(const CharCell* cells, int count);
void EntryTypeChar(int code);  // typing: a space clears a selection and is not typed
void EntryKeyDown(int keyCode);
void EntryBackspace();
void EntryDelete();
void EntryClearToEnd();
void EntryTrim();
// Once a frame while the line is shown: a function-key message, or a click placement.
void EntryRecallHistory();
// The function-key messages' texts (96 coded bytes each, by index); null until the race
// settings give them.  STAND-IN for the race's messages.
extern const char* (*FunctionKeyMessageText)(int index);
// A release on the line's control asked for the cursor under the pointer.
void RequestEntryClickPlacement();

// ---- [Clipboard] ----
// Empties the clipboard and puts the text (in codePage) there.  Returns null on success or
// the name of the failing call.
const char* CopyTextToClipboard(const char* text, int codePage);
void EntryCopy();
void EntryPaste();

// ---- [IME] ----
// Pending work of the IME, set by its messages and done by UpdateIME.
constexpr int IME_SET_OPEN_STATUS = 1, IME_OPEN_CHANGED = 2, IME_MODE_CHANGED = 4, IME_CANDIDATES_CHANGED = 8,
              IME_COMPOSITION_CHANGED = 16, IME_GUIDE_LINE = 32;
constexpr int IME_COMPOSITION_SIZE = 96;
constexpr int IME_CANDIDATES_MAX = 16;

struct ImeState {
  int pending;
  uint32_t compositionFlags;
  int open;
  int shouldBeOpen;
  int entryActive;
  int rememberedOpen;   // input code page + 1 when the IME was open as the last entry closed, else 0
  int nativeMode;
  char composition[IME_COMPOSITION_SIZE];  // in InputCodePage
  uint8_t attributes[IME_COMPOSITION_SIZE];
  int compositionCursor;                   // byte index
  int compositionOpen;
  int candidateCount, candidateSelected;
  char candidates[IME_CANDIDATES_MAX][16];
};
extern ImeState Ime;
extern int TextEntryActive;  // an entry line is open (the frame loop then runs UpdateIME)
extern int ImeStateNeedsUpdate;  // the keyboard layout changed

void CreateImeContext();
void DestroyImeContext();
void UpdateIME();
// A notification of the IME by sub-code; 1 when handled.
int OnIMENotify(int subCode);
// A composition message with its flags.
void OnIMEComposition(uint32_t flags);
void SetIMMStatus();
void UpdateComposition();
void UpdateCandidates();
void GetGuideLine();
void GetIMEOpenStatus();
// The IME indicator: "E" in colour, or the native-mode mark of a double-byte page in the IME
// colour; 1 when a keyboard layout name is shown (code pages H and S).
int GetIMEFontCodepage(uint32_t* colour, char* text, int textSize);
void OnIMEStartComposition();
void OnIMEEndComposition();
void FreeCandidates();
const char* ImeGuideLineText(int code);
void ResetTextEntry();  // the line and the IME to their start state (between tests)

// Opens the command entry line used without graphics; keys then go to CommandEntryKey.
void OpenCommandEntryLine(int length);
