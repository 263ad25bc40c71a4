// text_entry.cpp - the text entry line: cells, the coded copy, editing keys, history, the
// clipboard and the IME's flag flow.
#include "ui/text_entry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/sound.h"
#include "core/window_state.h"
#include "platform/clipboard.h"
#include "platform/text_convert.h"
#include "platform/text_input.h"
#include "platform/window.h"
#include "text/code_pages.h"
#include "text/coded_text.h"
#include "text/messages.h"
#include "text/text_strings.h"
#include "ui/text_draw.h"

TextEntryLine TextEntry;
ImeState Ime;
int TextEntryActive;
int ImeStateNeedsUpdate;
const char* (*FunctionKeyMessageText)(int index);

namespace {

constexpr int PASTE_UNITS = 95;         // UTF-16 units read from the clipboard
constexpr int CODED_SCRATCH = TEXT_ENTRY_CELLS * 6;
constexpr int IME_SOUND_FAILED = 4;
constexpr int CLIPBOARD_READ_BYTES = 2048;

TextEntryLine& L() { return TextEntry; }

int Refuse() {
  PlayUISound(ENTRY_ERROR_SOUND);
  return 0;
}

bool IsSpace(const CharCell& c) { return c.byte == ' ' && !c.trail; }

// Whether a byte reads as the same character in both pages (no switch needed).
bool SameCharacter(int pageA, int pageB, uint8_t byte) {
  if (pageA == pageB || byte < 128) return true;
  if (CODE_PAGES[pageA].doubleByte || CODE_PAGES[pageB].doubleByte) return false;
  return CodePageByteToUnicode(pageA, byte) == CodePageByteToUnicode(pageB, byte);
}

struct Encoded {
  int length;
  int cursorIndex;
  int prefixIndex;
};

// Encodes count cells into out (room enough for any 96 cells); see EncodeEntryText.
Encoded EncodeCells(const CharCell* cells, int count, int mode, int cursor, int prefix, char* out) {
  Encoded e{0, 0, 0};
  int n = 0, page = CODE_PAGE_LATIN1, colour = ENTRY_COLOUR_DEFAULT;
  for (int i = 0; i < count; ++i) {
    if (i == cursor) e.cursorIndex = n;
    if (i == prefix) e.prefixIndex = n;
    const CharCell& c = cells[i];
    if (c.codePage != page && (c.trail || !SameCharacter(page, c.codePage, c.byte))) {
      out[n++] = CARET;
      out[n++] = CODE_PAGE_LETTERS[c.codePage % CODE_PAGE_COUNT];
      page = c.codePage;
    }
    if (!IsSpace(c) && c.colour != colour) {
      out[n++] = CARET;
      out[n++] = static_cast<char>(c.colour >= ENTRY_COLOUR_DEFAULT ? '9' : '0' + c.colour);
      colour = c.colour;
    }
    if (c.byte == CARET && !c.trail) {
      out[n++] = CARET;
      out[n++] = CARET;
    } else if (mode == ENTRY_MODE_NAME && !c.trail && IsSpecialChar(c.byte)) {
      out[n++] = CARET;
      out[n++] = ESCAPE_LETTERS[std::strchr(SPECIAL_CHARS, c.byte) - SPECIAL_CHARS];
    } else {
      out[n++] = static_cast<char>(c.byte);
      if (c.trail) out[n++] = static_cast<char>(c.trail);
    }
  }
  if (cursor >= count) e.cursorIndex = n;
  if (prefix >= count) e.prefixIndex = n;
  out[n] = 0;
  e.length = n;
  return e;
}

void RemoveCells(int from, int to) {
  TextEntryLine& t = L();
  const int length = EntryLength();
  from = std::clamp(from, 0, length);
  to = std::clamp(to, from, length);
  std::memmove(&t.cells[from], &t.cells[to], sizeof(CharCell) * static_cast<size_t>(length - to + 1));
  if (t.cursor > to) t.cursor -= to - from;
  else if (t.cursor > from) t.cursor = from;
}

void ClearSelection() {
  if (L().selected) EntryClearToEnd();
}

// The unit count of a character in UTF-16.
int Utf16Units(uint32_t codePoint) { return codePoint >= 0x10000 ? 2 : 1; }

// The head of utf8 of at most maxUnits UTF-16 units; returns its byte length, and whether
// the text went on beyond it.
int Utf8HeadOfUnits(const char* utf8, int maxUnits, bool* longer) {
  int bytes = 0, units = 0;
  uint32_t cp = 0;
  while (const int n = DecodeUtf8(utf8 + bytes, cp)) {
    if (units + Utf16Units(cp) > maxUnits) {
      *longer = true;
      return bytes;
    }
    units += Utf16Units(cp);
    bytes += n;
  }
  *longer = false;
  return bytes;
}

// The byte offset of the character at index chars in utf8.
int Utf8OffsetOfCharacter(const char* utf8, int chars) {
  int bytes = 0;
  uint32_t cp = 0;
  for (int i = 0; i < chars; ++i) {
    const int n = DecodeUtf8(utf8 + bytes, cp);
    if (!n) break;
    bytes += n;
  }
  return bytes;
}

// One cell's character in UTF-8.
int CellToUtf8(const CharCell& c, char* out, int outSize) {
  const char bytes[3] = {static_cast<char>(c.byte), static_cast<char>(c.trail), 0};
  return CodePageToUtf8(bytes, c.trail ? 2 : 1, c.codePage, out, outSize);
}

void ReplaceWithCoded(const char* coded, int codePage) {
  TextEntryLine& t = L();
  DecodeCodedText(t.cells, nullptr, coded, codePage, std::min(t.maxLength, TEXT_ENTRY_CELLS));
  t.cursor = EntryLength();
  t.selected = 0;
  EncodeEntryText();
}

void RecallHistory(bool older) {
  TextEntryLine& t = L();
  char buffer[MESSAGE_TEXT_SIZE] = {};
  MessageRecall recall{t.historySequence, buffer, static_cast<int>(sizeof buffer), CODE_PAGE_LATIN1};
  int codePage = CODE_PAGE_LATIN1;
  const int sequence = older ? RecallOlderMessage(recall, &codePage) : RecallNewerMessage(recall, &codePage);
  if (older && (sequence < 0 || sequence == t.historySequence)) return;  // nothing older
  t.historySequence = sequence;
  ReplaceWithCoded(buffer, codePage);
}

void SetClipboardUtf8(const char* utf8, const char** failedCall) {
  *failedCall = PlatformSetClipboardText(utf8);
}

}  // namespace

// ---- [Cells] ----

int DecodeCodedText(CharCell* cells, char* bytes, const char* coded, int startCodePage, int capacity) {
  int count = 0, byteCount = 0, page = startCodePage, colour = ENTRY_COLOUR_DEFAULT;
  const int limit = capacity - 1;
  for (const char* p = coded ? coded : ""; *p && count < limit;) {
    uint8_t byte = static_cast<uint8_t>(*p), trail = 0;
    if (byte == CARET && p[1]) {
      const char code = p[1];
      p += 2;
      if (code >= '0' && code <= '7') {
        colour = code - '0';
        continue;
      }
      if (code == '9') {
        colour = ENTRY_COLOUR_DEFAULT;
        continue;
      }
      if (code == '8' || code == ':') {
        colour = ENTRY_COLOUR_DEFAULT;
        page = code == '8' ? startCodePage : CODE_PAGE_LATIN1;
        continue;
      }
      const int letterPage = CodePageIndexOfLetter(code);
      if (letterPage >= 0) {
        page = letterPage;
        continue;
      }
      const char* escape = std::strchr(ESCAPE_LETTERS, code);
      byte = escape ? static_cast<uint8_t>(SPECIAL_CHARS[escape - ESCAPE_LETTERS]) : static_cast<uint8_t>(code);
    } else if (IsLeadByte(page, byte) && p[1]) {
      trail = static_cast<uint8_t>(p[1]);
      p += 2;
    } else {
      ++p;
    }
    if (cells) cells[count] = CharCell{byte, static_cast<uint8_t>(page), static_cast<uint8_t>(colour), trail};
    if (bytes && byteCount + (trail ? 2 : 1) <= limit) {
      bytes[byteCount++] = static_cast<char>(byte);
      if (trail) bytes[byteCount++] = static_cast<char>(trail);
    }
    ++count;
  }
  if (cells) cells[count] = CharCell{};
  if (bytes) bytes[byteCount] = 0;
  return count;
}

// ---- [Line] ----

int EntryLength() {
  int n = 0;
  while (n < TEXT_ENTRY_CELLS && TextEntry.cells[n].byte) ++n;
  return n;
}

int StartTextEntry(int maxLength, const char* initial, int prefixLength, int mode) {
  TextEntryLine& t = L();
  // The last copy is remembered across entries, so it pastes back with its colours.
  const TextEntryLine previous = t;
  t = TextEntryLine{};
  std::memcpy(t.copiedUtf8, previous.copiedUtf8, sizeof t.copiedUtf8);
  std::memcpy(t.copiedCells, previous.copiedCells, sizeof t.copiedCells);
  t.copiedCount = previous.copiedCount;
  t.maxLength = std::clamp(maxLength, 1, TEXT_ENTRY_CELLS);
  t.colour = ENTRY_COLOUR_DEFAULT;
  t.pendingLead = -1;
  t.historySequence = -1;
  t.mode = mode;
  if (initial) DecodeCodedText(t.cells, nullptr, initial, CODE_PAGE_LATIN1, t.maxLength);
  const int length = EntryLength();
  t.cursor = length;
  t.prefix = prefixLength < 0 ? length : std::min(prefixLength, length);
  t.selected = t.prefix < length ? 1 : 0;
  EncodeEntryText();
  return t.maxLength - 1;
}

void SetEntryText(int codePage) {
  char coded[TEXT_ENTRY_CELLS];
  std::memcpy(coded, L().coded, sizeof coded);
  ReplaceWithCoded(coded, codePage);
}

int EncodeEntryText() {
  TextEntryLine& t = L();
  char scratch[CODED_SCRATCH];
  const Encoded e = EncodeCells(t.cells, EntryLength(), t.mode, t.cursor, t.prefix, scratch);
  const int limit = std::max(0, t.maxLength - 1);
  CopyStringN(t.coded, scratch, limit + 1);
  if (e.length > limit) CutCodedText(t.coded, limit, CODE_PAGE_LATIN1);
  t.codedLength = e.length;
  t.codedCursor = std::min(e.cursorIndex, limit);
  t.drawCursor = t.selected ? TextCursorWithSelection(e.prefixIndex, std::min(e.length, limit)) : t.codedCursor;
  t.room = std::max(0, limit - e.length);
  return e.length;
}

void EntryPlainText(char* out, int outSize) {
  if (!out || outSize <= 0) return;
  DecodeCodedText(nullptr, out, TextEntry.coded, CODE_PAGE_LATIN1, outSize);
}

// ---- [Editing] ----

int EntryInsertChar(int byte, int trail, int codePage, int colour) {
  TextEntryLine& t = L();
  byte &= 0xFF;
  trail &= 0xFF;
  if (t.pendingLead >= 0 && trail == 0) {
    trail = byte;
    byte = t.pendingLead;
    codePage = t.pendingLeadPage;
    t.pendingLead = -1;
    if (trail < FIRST_TRAIL_BYTE) return Refuse();
  }
  if (byte < 32 || byte == 127) return Refuse();
  ClearSelection();
  const int length = EntryLength();
  if (length >= std::min(t.maxLength, TEXT_ENTRY_CELLS) - 1) return Refuse();
  if (t.mode == ENTRY_MODE_NAME && byte == '.' && t.cursor == 0) return Refuse();
  codePage = std::clamp(codePage, 0, CODE_PAGE_COUNT - 1);
  if (trail == 0 && IsLeadByte(codePage, static_cast<uint8_t>(byte))) {
    if (t.mode == ENTRY_MODE_SINGLE_BYTE) return Refuse();
    t.pendingLead = byte;
    t.pendingLeadPage = codePage;
    return 1;
  }
  if (trail && t.mode == ENTRY_MODE_SINGLE_BYTE) return Refuse();
  const TextEntryLine before = t;
  std::memmove(&t.cells[t.cursor + 1], &t.cells[t.cursor], sizeof(CharCell) * static_cast<size_t>(length - t.cursor + 1));
  t.cells[t.cursor] = CharCell{static_cast<uint8_t>(byte), static_cast<uint8_t>(codePage),
                               static_cast<uint8_t>(std::clamp(colour, 0, ENTRY_COLOUR_DEFAULT)),
                               static_cast<uint8_t>(trail)};
  ++t.cursor;
  if (EncodeEntryText() > t.maxLength - 1) {
    t = before;
    return Refuse();
  }
  if (byte != ' ' && !t.changedFrozen) t.changed = 1;
  return 1;
}

int EntryInsertString(const char* text) {
  for (const char* p = text ? text : ""; *p; ++p)
    if (!EntryInsertChar(static_cast<uint8_t>(*p), 0, InputCodePage, TextEntry.colour)) return 0;
  return 1;
}

int EntryInsertCells(const CharCell* cells, int count) {
  for (int i = 0; i < count && cells[i].byte; ++i)
    if (!EntryInsertChar(cells[i].byte, cells[i].trail, cells[i].codePage, cells[i].colour)) return 0;
  return 1;
}

void EntryTypeChar(int code) {
  TextEntryLine& t = L();
  if (code == ' ') {
    if (t.selected) {
      EntryClearToEnd();
      return;
    }
    if (t.cursor == t.prefix) return;
  }
  EntryInsertChar(code, 0, InputCodePage, t.colour);
}

void EntryBackspace() {
  TextEntryLine& t = L();
  if (t.cursor <= t.prefix) return;
  RemoveCells(t.cursor - 1, t.cursor);
  EncodeEntryText();
}

void EntryDelete() {
  TextEntryLine& t = L();
  if (t.cursor < t.prefix || t.cursor >= EntryLength()) return;
  RemoveCells(t.cursor, t.cursor + 1);
  EncodeEntryText();
}

void EntryClearToEnd() {
  TextEntryLine& t = L();
  t.cells[std::min(t.prefix, TEXT_ENTRY_CELLS - 1)] = CharCell{};
  t.cursor = t.prefix;
  t.selected = 0;
  EncodeEntryText();
}

void EntryTrim() {
  TextEntryLine& t = L();
  int start = t.prefix;
  auto leading = [&](const CharCell& c) { return IsSpace(c) || (t.mode == ENTRY_MODE_NAME && c.byte == '.'); };
  int end = start;
  while (t.cells[end].byte && leading(t.cells[end])) ++end;
  RemoveCells(start, end);
  int length = EntryLength();
  while (length > t.prefix && IsSpace(t.cells[length - 1])) t.cells[--length] = CharCell{};
  t.cursor = length;
  EncodeEntryText();
}

void EntryKeyDown(int key) {
  TextEntryLine& t = L();
  const bool word = CtrlHeld && !AltHeld;
  const int length = EntryLength();
  if (key >= '0' && key <= '9' && word) {
    if (key <= '8') t.colour = key - '0';
    return;
  }
  switch (key) {
    case KEYCODE_UP:
      if (t.mode == ENTRY_MODE_FREE && t.prefix == 0) RecallHistory(true);
      return;
    case KEYCODE_DOWN:
      if (t.historySequence >= 0) RecallHistory(false);
      return;
    case KEYCODE_RIGHT:
      if (t.selected) {
        t.cursor = length;
        t.selected = 0;
      } else if (t.cursor < length) {
        ++t.cursor;
        if (word)
          while (t.cursor < length && !IsSpace(t.cells[t.cursor])) ++t.cursor;
      }
      break;
    case KEYCODE_LEFT:
      if (t.selected) {
        t.cursor = t.prefix;
        t.selected = 0;
      } else if (t.cursor > t.prefix) {
        --t.cursor;
        if (word)
          while (t.cursor > t.prefix && !IsSpace(t.cells[t.cursor - 1])) --t.cursor;
      }
      break;
    case KEYCODE_DELETE:
      if (t.selected) {
        EntryClearToEnd();
      } else if (word) {
        int end = t.cursor;
        while (end < length && !IsSpace(t.cells[end])) ++end;
        if (end < length) ++end;  // and the space
        RemoveCells(t.cursor, end);
      } else {
        EntryDelete();
      }
      break;
    case KEYCODE_COPY: EntryCopy(); return;
    case KEYCODE_HOME:
      t.cursor = t.prefix;
      t.selected = 0;
      break;
    case KEYCODE_END:
      t.cursor = length;
      t.selected = 0;
      break;
    case KEYCODE_PASTE: EntryPaste(); return;
    case KEYCODE_CUT:
      if (!t.selected) return;
      EntryCopy();
      EntryClearToEnd();
      return;
    case KEYCODE_CTRL_LETTER + 'A':
      if (length > t.prefix) t.selected = 1;
      break;
    case 8:
      if (t.selected) EntryClearToEnd();
      else EntryBackspace();
      return;
    case 127:
      if (t.selected) {
        EntryClearToEnd();
      } else {
        int from = t.cursor;
        while (from > t.prefix && IsSpace(t.cells[from - 1])) --from;
        while (from > t.prefix && !IsSpace(t.cells[from - 1])) --from;
        RemoveCells(from, t.cursor);
      }
      break;
    default:
      if (key >= 0 && key < 256) {
        EntryTypeChar(key);
        return;
      }
      if (key >= 256 && key < 0x10000) {
        // A character beyond the bytes: into the input code page.
        char utf8[8], bytes[4];
        const uint32_t cp = static_cast<uint32_t>(key);
        int n = 0;
        if (cp < 0x800) {
          utf8[n++] = static_cast<char>(0xC0 | (cp >> 6));
        } else {
          utf8[n++] = static_cast<char>(0xE0 | (cp >> 12));
          utf8[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        utf8[n++] = static_cast<char>(0x80 | (cp & 0x3F));
        utf8[n] = 0;
        const int count = Utf8ToCodePage(utf8, InputCodePage, bytes, sizeof bytes);
        if (count == 2) EntryInsertChar(static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(bytes[1]), InputCodePage, t.colour);
        else if (count == 1) EntryInsertChar(static_cast<uint8_t>(bytes[0]), 0, InputCodePage, t.colour);
      }
      return;
  }
  EncodeEntryText();
}

void EntryRecallHistory() {
  TextEntryLine& t = L();
  if (t.functionKeyMessage > 0) {
    const int index = t.functionKeyMessage - 1;
    t.functionKeyMessage = 0;
    const char* text = FunctionKeyMessageText ? FunctionKeyMessageText(index) : nullptr;
    if (!text) return;
    CharCell cells[TEXT_ENTRY_CELLS];
    const int count = DecodeCodedText(cells, nullptr, text, CODE_PAGE_LATIN1, TEXT_ENTRY_CELLS);
    EntryInsertCells(cells, count);
    return;
  }
  if (t.placementRequested && !TextClickProbe) {
    t.placementRequested = 0;
    t.cursor = std::clamp(TextClickProbeCount, t.prefix, EntryLength());
    t.selected = 0;
    EncodeEntryText();
  }
}

void RequestEntryClickPlacement() { TextEntry.placementRequested = 1; }

// ---- [Clipboard] ----

const char* CopyTextToClipboard(const char* text, int codePage) {
  char utf8[TEXT_ENTRY_CELLS * 4 * 4];
  CodePageToUtf8(text ? text : "", -1, codePage, utf8, sizeof utf8);
  const char* failed = nullptr;
  SetClipboardUtf8(utf8, &failed);
  return failed;
}

void EntryCopy() {
  TextEntryLine& t = L();
  char utf8[sizeof t.copiedUtf8];
  int n = 0;
  const int length = EntryLength();
  for (int i = 0; i < length; ++i) {
    char one[8];
    const int k = CellToUtf8(t.cells[i], one, sizeof one);
    if (n + k >= static_cast<int>(sizeof utf8)) break;
    std::memcpy(utf8 + n, one, static_cast<size_t>(k));
    n += k;
  }
  utf8[n] = 0;
  const char* failed = nullptr;
  SetClipboardUtf8(utf8, &failed);
  if (failed) {
    ShowColouredMessagef(TextColours.error, "Could not copy text to clipboard : %s", failed);
    return;
  }
  std::memcpy(t.copiedUtf8, utf8, static_cast<size_t>(n) + 1);
  std::memcpy(t.copiedCells, t.cells, sizeof t.copiedCells);
  t.copiedCount = length;
}

void EntryPaste() {
  TextEntryLine& t = L();
  static char clip[CLIPBOARD_READ_BYTES];
  PlatformGetClipboardText(clip, sizeof clip);
  bool longer = false;
  const int headBytes = Utf8HeadOfUnits(clip, PASTE_UNITS, &longer);
  clip[headBytes] = 0;
  const char* text = clip;
  if (EntryLength() == 1 && t.cells[0].byte == '/' && text[0] == '/') ++text;
  ClearSelection();
  char converted[PASTE_UNITS + 1];
  Utf8ToCodePage(text, InputCodePage, converted, sizeof converted);
  if (!longer && t.copiedCount > 0 && std::strcmp(text, t.copiedUtf8) == 0) EntryInsertCells(t.copiedCells, t.copiedCount);
  else EntryInsertString(converted);
}

// ---- [IME] ----

void CreateImeContext() { Ime = ImeState{}; }
void DestroyImeContext() { FreeCandidates(); }

int OnIMENotify(int subCode) {
  switch (subCode) {
    case 1: case 2: case 8: case 12: Ime.pending |= IME_OPEN_CHANGED; return 0;
    case 3: case 5: Ime.pending |= IME_CANDIDATES_CHANGED; return 1;
    case 4: FreeCandidates(); return 1;
    case 6: case 7: Ime.pending |= IME_MODE_CHANGED; return 0;
    case 9: case 10: case 11: return 1;
    case 13: Ime.pending |= IME_GUIDE_LINE; return 1;
    default: return 0;
  }
}

void OnIMEComposition(uint32_t flags) {
  Ime.compositionFlags = flags;
  Ime.pending |= IME_COMPOSITION_CHANGED;
}

void UpdateIME() {
  if (ImeStateNeedsUpdate) {
    ImeStateNeedsUpdate = 0;
    Ime.pending |= IME_MODE_CHANGED;
  }
  const int pending = Ime.pending;
  Ime.pending = 0;
  if (pending & IME_COMPOSITION_CHANGED) UpdateComposition();
  if (pending & IME_SET_OPEN_STATUS) SetIMMStatus();
  if (pending & IME_OPEN_CHANGED) {
    GetIMEOpenStatus();
    ShowKeyboardLayout(true);
    Ime.nativeMode = PlatformImeNativeMode();
  }
  if (pending & IME_MODE_CHANGED) {
    ShowKeyboardLayout(true);
    Ime.nativeMode = PlatformImeNativeMode();
  }
  if (pending & IME_CANDIDATES_CHANGED) UpdateCandidates();
  if (pending & IME_GUIDE_LINE) GetGuideLine();
}

void UpdateComposition() {
  Ime.composition[0] = 0;
  std::memset(Ime.attributes, 0, sizeof Ime.attributes);
  Ime.compositionCursor = 0;
  Ime.compositionOpen = 0;
  ImeComposition = TextComposition{};
  if (!Ime.entryActive) return;
  // A result string reaches the line as typed characters (the window's text input).
  if (Ime.compositionFlags & IME_COMPOSITION_STRING) {
    char utf8[IME_COMPOSITION_BYTES];
    int cursorChars = 0;
    PlatformImeComposition(utf8, sizeof utf8, &cursorChars);
    bool longer = false;
    utf8[Utf8HeadOfUnits(utf8, PASTE_UNITS, &longer)] = 0;
    // At most 95 bytes, cut before a character that would not fit whole.
    const int bytes = Utf8ToCodePage(utf8, InputCodePage, Ime.composition, IME_COMPOSITION_SIZE);
    Ime.compositionOpen = bytes > 0;
    if (bytes > TextEntry.room) PlayUISound(ENTRY_ERROR_SOUND);
    if (Ime.compositionFlags & IME_COMPOSITION_CURSOR) {
      char head[IME_COMPOSITION_BYTES];
      CopyStringN(head, utf8, Utf8OffsetOfCharacter(utf8, cursorChars) + 1);
      char scratch[IME_COMPOSITION_SIZE];
      Ime.compositionCursor = std::min(bytes, Utf8ToCodePage(head, InputCodePage, scratch, sizeof scratch));
    }
  }
  if (Ime.compositionOpen) {
    ImeComposition.open = 1;
    ImeComposition.text = Ime.composition;
    ImeComposition.attributes = Ime.attributes;
    ImeComposition.cursor = Ime.compositionCursor;
  }
}

void SetIMMStatus() {
  // The Korean IME's native and alphanumeric modes are its open and closed states here.
  PlatformSetImeOpen(Ime.shouldBeOpen);
  Ime.open = PlatformImeOpen();
}

void GetIMEOpenStatus() {
  Ime.open = PlatformImeOpen();
  if (Ime.open && !Ime.entryActive) {
    Ime.pending |= IME_SET_OPEN_STATUS;
    Ime.shouldBeOpen = 0;
  }
}

void FreeCandidates() {
  Ime.candidateCount = 0;
  Ime.candidateSelected = -1;
}

void UpdateCandidates() {
  FreeCandidates();
  int selected = -1;
  const int count = PlatformImeCandidates(Ime.candidates, IME_CANDIDATES_MAX, &selected);
  if (count <= 0) {
    ShowMessage("UpdateCandidates : Could not get candidate list", TextColours.error);
    PlayUISound(IME_SOUND_FAILED);
    return;
  }
  Ime.candidateCount = std::min(count, IME_CANDIDATES_MAX);
  Ime.candidateSelected = selected;
}

const char* ImeGuideLineText(int code) {
  switch (code) {
    case 0: return "UNKNOWN";
    case 1: return "NOMODULE";
    case 16: return "NODICTIONARY";
    case 17: return "CANNOTSAVE";
    case 32: return "NOCONVERT";
    case 33: return "TYPINGERROR";
    case 34: return "TOOMANYSTROKE";
    case 35: return "READINGCONFLICT";
    case 36: return "INPUTREADING";
    case 37: return "INPUTRADICAL";
    case 38: return "INPUTCODE";
    case 40: return "CHOOSECANDIDATE";
    case 41: return "REVERSECONVERSION";
    default: return "Unknown Error";
  }
}

void GetGuideLine() { ShowMessagef("IMM : %s", ImeGuideLineText(PlatformImeGuideLine())); }

int GetIMEFontCodepage(uint32_t* colour, char* text, int textSize) {
  ColourWord c = TextColours.grey;
  const char* shown = "E";
  char mark[2] = {'\x95', 0};
  const int page = InputCodePage;
  const bool imePage = page == CODE_PAGE_JAPANESE || page == CODE_PAGE_TRADITIONAL_CHINESE ||
                       page == CODE_PAGE_SIMPLIFIED_CHINESE || page == CODE_PAGE_KOREAN;
  if (imePage && Ime.open) {
    c = TextColours.yellow;
    if (Ime.nativeMode) shown = mark;
  }
  if (colour) *colour = 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c);
  if (text && textSize > 0) CopyStringN(text, shown, textSize);
  return page == CODE_PAGE_TRADITIONAL_CHINESE || page == CODE_PAGE_SIMPLIFIED_CHINESE;
}

void OnIMEStartComposition() {
  Ime.entryActive = 1;
  TextEntryActive = 1;
  EncodeEntryText();
  if (Ime.rememberedOpen == InputCodePage + 1) {
    Ime.pending |= IME_SET_OPEN_STATUS;
    Ime.shouldBeOpen = 1;
  }
}

void OnIMEEndComposition() {
  Ime.entryActive = 0;
  TextEntryActive = 0;
  TextEntry.room = 0;
  Ime.rememberedOpen = Ime.open ? InputCodePage + 1 : 0;
  Ime.shouldBeOpen = 0;
  SetIMMStatus();
  FreeCandidates();
  Ime.composition[0] = 0;
  Ime.compositionOpen = 0;
  ImeComposition = TextComposition{};
  TextEntry.changed = 0;
}

void ResetTextEntry() {
  TextEntry = TextEntryLine{};
  TextEntry.pendingLead = -1;
  TextEntry.historySequence = -1;
  Ime = ImeState{};
  TextEntryActive = 0;
  ImeStateNeedsUpdate = 0;
  ImeComposition = TextComposition{};
  PlatformResetIme();
}

void OpenCommandEntryLine(int length) {}
