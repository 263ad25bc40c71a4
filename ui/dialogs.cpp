// dialogs.cpp - message boxes, questions, the text entry and the option list.
#include "ui/dialogs.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/frame_globals.h"
#include "core/log.h"
#include "core/sound.h"
#include "core/window_state.h"
#include "platform/files.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "text/language_keys.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_names.h"
#include "text/text_strings.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/onscreen_keyboard.h"
#include "ui/text_entry.h"
#include "ui/text_measure.h"
#include "ui/widgets.h"

int DialogOpen;
int MouseMode;
int DialogFunctionKey;
MessageSub MessageBoxDialog;
TextEntrySub TextEntryDialogSub;
TextEntryDialog OpenTextEntry;
SelectSub SelectDialog;
const char* const* TextEntrySuggestions;
int TextEntrySuggestionCount;

namespace {

constexpr int DIALOG_WORD_OPEN = 2;
constexpr float BOX_TEXT_SIZE = 0.068f;
constexpr float ROW_HEIGHT = 0.06f;
constexpr float ENTRY_TOP = -0.53f;  // the text entry's panel
constexpr ColourWord ENTRY_FIELD = RgbWord(0, 0, 0);  // the entry line's field: an opaque black panel
constexpr int ERROR_SOUND = 3;
constexpr int KEY_ENTER = 13, KEY_ESCAPE = 27, KEY_SPACE = 32, KEY_BACKSPACE = 8;

InterfaceColourSettings& C = InterfaceColours;
const char* Text(int id) { return LanguageTexts[id]; }

// ---- opening and closing, shared by the three dialogs ----

// A dialog opened again while open first closes without an answer, restoring what it saved.
void CloseIfOpen(Prss* dialog) {
  if (dialog->alive) dialog->terminate(dialog);
}

void OpenDialog(Prss* dialog, Prss* owner, PrssAct act, PrssKey key, PrssTerminate terminate,
                uint8_t& savedDialogWord, int mouseMode) {
  // The owner's open sub-screen goes first, so the words saved are those from before it.
  if (owner && owner->sub) Prss_RemoveSub(owner, "AddSub");
  Prss_Init(dialog, owner, act, key, Prss_SimpleMouse, terminate, nullptr);
  savedDialogWord = static_cast<uint8_t>(DialogOpen);
  DialogOpen = DIALOG_WORD_OPEN;
  MouseMode = mouseMode;
  Prss_MakeCurrent(dialog);  // no background of its own: the current one stays
  if (owner) Prss_AddSub(owner, dialog);
}

void CloseDialog(Prss* dialog, int savedDialogWord, int mouseMode) {
  DialogOpen = savedDialogWord;
  MouseMode = mouseMode;
  ReleaseInterfaceOwner(dialog);
  dialog->alive = 0;
  Prss* owner = dialog->parent;
  if (owner && owner->sub == dialog) owner->sub = nullptr;
  Prss_MakeCurrent(owner);
}

// The half width of a box that holds text at the dialogs' text size.
float BoxHalfWidth(const char* a, const char* b) {
  const float w = std::max(TextWidth(a ? a : "", CurrentCodePage, BOX_TEXT_SIZE),
                           TextWidth(b ? b : "", CurrentCodePage, BOX_TEXT_SIZE));
  return std::clamp((w + 0.024f) * 0.5f, 0.42f, 0.69f);
}

// A dialog's panel is opaque, whatever the button alpha: its texts are read against the panel
// alone, not against the car or the screen that shows through a see-through one.
void AddPanel(float left, float top, float right, float bottom) {
  if (DialogFirstControl < 0) DialogFirstControl = ValueControlCount;
  AddValueControl(nullptr, nullptr, IvText(""), IvInt(0), IvText(nullptr), VALUE_TYPE_DARK_TEXT, &C.buttonCol, nullptr,
                  left, top, right, bottom);
  RecordAreaUnits(AREA_DIALOG, left, top, right, bottom);
}

void AddTextLine(const char* text, ColourWord* colour, float top, float bottom, float halfWidth, int plain) {
  (plain ? AddValueControl2 : AddValueControl)(nullptr, nullptr, IvText(text), IvInt(-1), IvText(nullptr),
                                               VALUE_TYPE_TEXT_LINE, colour, nullptr, -halfWidth, top, halfWidth,
                                               bottom);
}

void AddDialogButton(Prss* dialog, const char* text, ColourWord* colour, intptr_t word, InterfaceHandler handler,
                     float left, float right, float top, float bottom) {
  AddValueControl(dialog, reinterpret_cast<void*>(word), IvText(text), IvInt(0), IvText(nullptr), VALUE_TYPE_BUTTON,
                  colour, handler, left, top, right, bottom);
}

// ---- message box ----

void AnswerMessage(MessageSub& box, int answer) {
  box.answer = answer;
  CloseDialog(&box.prss, box.savedDialogWord, 0);
  if (answer > 0 && box.callback) box.callback(box.prss.parent, box.firstWord, box.secondWord);
}

void MessageSubTerminate(Prss* process) { AnswerMessage(*reinterpret_cast<MessageSub*>(process), 0); }

void MessageButton(void* owner, int, uintptr_t word) {
  MessageSub& box = *static_cast<MessageSub*>(owner);
  AnswerMessage(box, static_cast<int>(static_cast<intptr_t>(word)));
}

// The line goes to the log once: with the message when a log is named, else here.
void MessageLineInstead(const char* text) {
  if (!text) text = "";
  if (!AddMessage(text, TextColours.message, MSG_TARGET_LOCAL)) LogLine(text);
}

// first, separator and second one after the other in out, cut to its size.
void JoinTexts(char* out, size_t size, const char* first, const char* separator, const char* second) {
  size_t used = 0;
  for (const char* part : {first ? first : "", separator, second ? second : ""}) {
    const size_t length = std::min(std::strlen(part), size - 1 - used);
    std::memcpy(out + used, part, length);
    used += length;
  }
  out[used] = 0;
}

bool HasOpenSub(const Prss* owner) { return owner && owner->sub; }

// ---- text entry ----

TextEntrySub& E() { return TextEntryDialogSub; }

int EntryModeOfType(int type) {
  if (type == 1 || type == 4 || type == 5 || type == 6) return ENTRY_MODE_NAME;
  if (type == 2 || type == 3) return ENTRY_MODE_SINGLE_BYTE;
  return ENTRY_MODE_FREE;
}

// The entry line counts its terminating zero in its size.
int LineSize() { return std::min(OpenTextEntry.maxLength + 1, TEXT_ENTRY_CELLS); }

bool SingleByteType(int type) { return type == 2 || type == 3; }

// A typed name becomes a path only inside the pattern's folder; refusal says why another
// cannot (NAME_REFUSAL_SIZE bytes).
bool EntryPath(const char* name, char* out, int outSize, char* refusal) {
  const TextEntrySub& d = E();
  return d.filePattern && MakeUserFilePath(out, outSize, d.filePattern, name, refusal);
}

void BuildPickList() {
  TextEntrySub& d = E();
  d.pick.Free();
  if (!d.filePattern) return;
  char search[FILE_PATH_SIZE];
  char wildcard[sizeof d.filterPrefix + 1];
  CopyStringN(wildcard, d.filterPrefix, sizeof d.filterPrefix);
  std::strcat(wildcard, "*");
  if (!MakeNamedPath(search, sizeof search, d.filePattern, wildcard)) return;
  d.pick.Fill(search, d.sortMode ? FILE_SORT_TIME : FILE_SORT_NAME, FILE_LIST_NAME_SIZE, nullptr, 0, nullptr, 0);
}

void TakeSuggestions() {
  TextEntrySub& d = E();
  d.pick.Free();
  const int n = std::max(0, TextEntrySuggestionCount);
  if (n > 0 && TextEntrySuggestions) {
    d.pick.sortMode = 99;  // kept in the order given
    d.pick.lengthLimit = FILE_LIST_NAME_SIZE;
    d.pick.Grow(n);
    for (int i = 0; i < n; ++i)
      if (TextEntrySuggestions[i]) d.pick.InsertSorted(TextEntrySuggestions[i], 0);
  }
  TextEntrySuggestionCount = 0;
  TextEntrySuggestions = nullptr;
}

void SetLineText(const char* text) {
  const int prefix = TextEntry.prefix;
  StartTextEntry(LineSize(), text, prefix, EntryModeOfType(E().entryType));
  TextEntry.selected = 0;
}

// The list scrolls so that the first name starting with the typed text is the eighth row.
void ScrollToTyped() {
  FileList& list = E().pick;
  if (list.count <= ENTRY_LIST_ROWS) return;
  const int found = list.FindByPath();
  if (found >= 0) list.scroll = std::clamp(found - 7, 0, list.count - ENTRY_LIST_ROWS);
}

void CloseTextEntry(bool answered) {
  TextEntrySub& d = E();
  char text[TEXT_ENTRY_CELLS + 1];
  EntryPlainText(text, sizeof text);
  OnIMEEndComposition();
  d.pick.Free();
  OpenTextEntry.open = 0;
  OnscreenKeyboardRaised = 0;
  CloseDialog(&d.prss, d.savedDialogWord, 0);
  if (answered && d.callback) d.callback(d.prss.parent, text, d.answerWord);
}

void TextEntrySubTerminate(Prss*) { CloseTextEntry(false); }

void ReportFileFailure(int actionText) {
  ShowFailedMessage(Text(actionText));
  PlayUISound(ERROR_SOUND);
}

void ConfirmRename() {
  TextEntrySub& d = E();
  char name[TEXT_ENTRY_CELLS + 1], oldPath[FILE_PATH_SIZE], newPath[FILE_PATH_SIZE], refusal[NAME_REFUSAL_SIZE];
  EntryPlainText(name, sizeof name);
  if (!EntryPath(name, newPath, sizeof newPath, refusal) || !EntryPath(d.oldName, oldPath, sizeof oldPath, refusal)) {
    ShowMessage(refusal, TextColours.error);
    PlayUISound(ERROR_SOUND);
    return;
  }
  if (FileExists(newPath) && CompareNoCase(name, d.oldName) != 0) {
    d.state = ENTRY_NAME_EXISTS;
    return;
  }
  if (FileRename(oldPath, newPath) != 0) {  // reported, and the dialog stays renaming
    ReportFileFailure(TX_3g_rename_b);
    return;
  }
  d.state = ENTRY_EDITING;
  BuildPickList();
}

void ConfirmDelete() {
  TextEntrySub& d = E();
  char name[TEXT_ENTRY_CELLS + 1], path[FILE_PATH_SIZE], refusal[NAME_REFUSAL_SIZE];
  EntryPlainText(name, sizeof name);
  if (!EntryPath(name, path, sizeof path, refusal) || !FileRemove(path)) {
    ReportFileFailure(TX_3a_del_butt);
    d.state = ENTRY_EDITING;  // the file stays listed, as it still exists
    return;
  }
  d.state = ENTRY_EDITING;
  BuildPickList();
}

// ---- option list ----

const char* ItemText(const SelectSub& s, int i) {
  if (s.textSlots) return s.textSlots[i] ? *s.textSlots[i] : "";
  return s.texts && s.texts[i] ? s.texts[i] : "";
}

void AnswerSelect(int chosen) {
  SelectSub& s = SelectDialog;
  s.answer = chosen >= 0 ? 1 : 0;
  CloseDialog(&s.prss, s.savedDialogWord, s.savedMouseMode);
  if (chosen >= 0 && s.callback) s.callback(s.prss.parent, s.answerWord, chosen);
}

void SelectCancel(void*, int, uintptr_t) { AnswerSelect(-1); }
void SelectSubTerminate(Prss*) { AnswerSelect(-1); }

void CodePageChosen(Prss*, uint32_t, int index) { InputCodePage = std::clamp(index, 0, CODE_PAGE_COUNT - 1); }

}  // namespace

// ---- [Message boxes] ----

int OpenMessageSub(MessageSub* object, Prss* owner, QuestionCallback callback, const char* first, const char* second,
                   uint32_t firstWord, uint32_t secondWord, int mode, MessageDrawCallback drawCallback) {
  if (!InteractiveMode) {
    MessageLineInstead(first);
    return 0;
  }
  MessageSub& box = object ? *object : MessageBoxDialog;
  CloseIfOpen(&box.prss);
  box.callback = callback;
  box.drawCallback = drawCallback;
  CopyStringN(box.first, first, DIALOG_TEXT_SIZE);
  CopyStringN(box.second, second, DIALOG_TEXT_SIZE);
  LogLine(box.first);  // what a box said stays in the log after it closes
  box.firstWord = firstWord;
  box.secondWord = secondWord;
  box.answer = 0;
  box.pageHeight = 0.0f;
  box.mode = static_cast<uint8_t>(mode);
  OpenDialog(&box.prss, owner, MessageSubAct, MessageSubKey, MessageSubTerminate, box.savedDialogWord,
             MOUSE_MODE_BOX);
  return 1;
}

void ShowMessageBox(Prss* owner, const char* text) {
  if (!owner || HasOpenSub(owner)) {
    MessageLineInstead(text);
    return;
  }
  OpenMessageSub(nullptr, owner, nullptr, text, nullptr, 0, 0, MESSAGE_PLAIN, nullptr);
}

void ShowMessageBoxPair(Prss* owner, const char* first, const char* second) {
  char joined[2 * DIALOG_TEXT_SIZE];
  JoinTexts(joined, sizeof joined, first, " ", second);
  ShowMessageBox(owner, joined);
}

void ShowMessageBoxF(Prss* owner, const char* format, ...) {
  char text[DIALOG_TEXT_SIZE];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ShowMessageBox(owner, text);
}

void ShowMessageBox2Lines(Prss* owner, const char* first, const char* second) {
  if (!owner || HasOpenSub(owner)) {
    char line[2 * DIALOG_TEXT_SIZE + 4];
    JoinTexts(line, sizeof line, first, " ^L", second);
    MessageLineInstead(line);
    return;
  }
  OpenMessageSub(nullptr, owner, nullptr, first, second, 0, 0, MESSAGE_TWO_LINES, nullptr);
}

void UpdateMessageBoxF(Prss* owner, const char* format, ...) {
  MessageSub& box = MessageBoxDialog;
  if (!owner || owner->sub != &box.prss || !box.prss.alive || box.second[0]) return;
  CopyStringN(box.second, box.first, DIALOG_TEXT_SIZE);
  va_list args;
  va_start(args, format);
  std::vsnprintf(box.first, sizeof box.first, format, args);
  va_end(args);
}

int AskQuestion(Prss* owner, QuestionCallback callback, const char* first, const char* second, uint32_t firstWord,
                uint32_t secondWord, int mode) {
  if (HasOpenSub(owner)) return 0;
  return OpenMessageSub(nullptr, owner, callback, first, second, firstWord, secondWord, mode, nullptr);
}

int OpenMessagePage(Prss* owner, QuestionCallback callback, const char* title, MessageDrawCallback page,
                    float pageHeight) {
  if (HasOpenSub(owner)) return 0;
  if (!OpenMessageSub(nullptr, owner, callback, title, nullptr, 0, 0, MESSAGE_PLAIN, page)) return 0;
  MessageBoxDialog.pageHeight = std::max(0.0f, pageHeight);
  return 1;
}

Prss* MessageSubAct(Prss* process) {
  MessageSub& box = *reinterpret_cast<MessageSub*>(process);
  if (!process->alive) return nullptr;
  Prss_ActSub(process);
  if (process->sub || FrameSkipped) return process;
  const float half = BoxHalfWidth(box.first, box.second);
  const float top = -0.53f, bottom = -0.19f + box.pageHeight;
  AddPanel(-half, top, half, bottom);
  AddTextLine(box.first, &C.textUnselected, -0.45f, -0.37f, half, 0);
  if (box.drawCallback) box.drawCallback(&box, -half, -0.37f, half, -0.29f + box.pageHeight);
  else AddTextLine(box.second, &C.textSelected, -0.37f, -0.29f, half, box.mode == MESSAGE_TWO_LINES);
  const float y1 = bottom - 0.1f, y2 = bottom - 0.02f;
  if (box.callback) {
    const bool cancelOk = box.mode == MESSAGE_CANCEL_OK;
    AddDialogButton(process, Text(cancelOk ? TX_3a_cancelbt : TX_3a_small_no), &C.buttonRed, -1, MessageButton, -0.35f,
                    -0.15f, y1, y2);
    AddDialogButton(process, Text(cancelOk ? TX_3a_capitlok : TX_3a_smallyes), &C.buttonGreen, 1, MessageButton,
                    0.15f, 0.35f, y1, y2);
  } else {
    AddDialogButton(process, Text(TX_3a_capitlok), &C.buttonGreen, 1, MessageButton, -0.13f, 0.13f, y1, y2);
  }
  Prss_RestAfterDrawing(process);  // a question holds still until answered
  return process;
}

void MessageSubKey(Prss* process, int keyCode) {
  MessageSub& box = *reinterpret_cast<MessageSub*>(process);
  if (!box.callback) {
    if (keyCode == KEY_ENTER || keyCode == KEY_ESCAPE || keyCode == KEY_SPACE) AnswerMessage(box, 1);
    return;
  }
  AnswerMessage(box, keyCode == KEY_ENTER || keyCode == 'Y' ? 1 : -1);
}

// ---- [Text entry] ----

int OpenTextEntrySub(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength,
                     uint32_t answerWord, const char* initialText, int prefixLength, int type,
                     const char* filePattern) {
  if (!InteractiveMode) return 0;
  TextEntrySub& d = E();
  CloseIfOpen(&d.prss);
  TextEntryDialog& r = OpenTextEntry;
  r = TextEntryDialog{};
  r.open = 1;
  r.owner = owner;
  r.callback = callback;
  CopyStringN(r.prompt, prompt, DIALOG_TEXT_SIZE);
  r.maxLength = std::clamp(maxLength, 1, TEXT_ENTRY_MAX_LENGTH);
  r.answerWord = answerWord;
  CopyStringN(r.initialText, initialText, DIALOG_TEXT_SIZE);
  r.prefixLength = prefixLength;
  r.type = type;
  r.filePattern = filePattern;

  d.pick.Free();
  d = TextEntrySub{};
  d.answerWord = answerWord;
  d.entryType = static_cast<uint8_t>(type);
  d.state = ENTRY_EDITING;
  d.showList = 1;
  d.colourChoice = type == 0;
  CopyStringN(d.prompt, prompt, DIALOG_TEXT_SIZE);
  if (prefixLength >= 1 && prefixLength <= 7) CopyStringN(d.filterPrefix, initialText, prefixLength + 1);
  d.filePattern = filePattern;
  d.callback = callback;
  d.sortMode = type == 6 && !(initialText && initialText[0]) ? 0 : 1;

  StartTextEntry(LineSize(), initialText ? initialText : "", prefixLength, EntryModeOfType(type));
  if (filePattern) {
    BuildPickList();
    if (type == 4 && d.pick.count == 0) d.state = ENTRY_NO_FILES;
  } else {
    TakeSuggestions();
  }
  if ((initialText && initialText[0] == '/') || SingleByteType(type)) {
    TextEntryActive = 1;  // plain text: no history, no composition
  } else {
    OnIMEStartComposition();
  }
  OpenDialog(&d.prss, owner, TextEntrySubAct, TextEntrySubKey, TextEntrySubTerminate, d.savedDialogWord,
             MOUSE_MODE_ENTRY);
  OnscreenKeyboardRaised = 1;  // the keyboard, when shown, goes above the dialog
  d.prss.rawKeys = 0;  // characters, not key numbers
  return 1;
}

int AskText(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength, uint32_t answerWord,
            const char* initialText, int prefixLength, int type, const char* filePattern) {
  if (HasOpenSub(owner)) return 0;
  return OpenTextEntrySub(owner, callback, prompt, maxLength, answerWord, initialText, prefixLength, type,
                          filePattern);
}

void TextEntryConfirm() {
  TextEntrySub& d = E();
  if (!d.prss.alive) return;
  switch (d.state) {
    case ENTRY_NAME_EXISTS: d.state = ENTRY_RENAMING; return;
    case ENTRY_NOT_FOUND:
    case ENTRY_NO_NAME: d.state = ENTRY_EDITING; return;
    case ENTRY_NO_FILES: CloseTextEntry(false); return;
    case ENTRY_RENAMING: ConfirmRename(); return;
    case ENTRY_ASK_DELETE: ConfirmDelete(); return;
    default: break;
  }
  char name[TEXT_ENTRY_CELLS + 1], path[FILE_PATH_SIZE], refusal[NAME_REFUSAL_SIZE];
  EntryPlainText(name, sizeof name);
  if (d.filePattern) {
    if (d.entryType == 6 && d.state != ENTRY_ASK_OVERWRITE && EntryLength() <= TextEntry.prefix) {
      d.state = ENTRY_NO_NAME;
      return;
    }
    if (!EntryPath(name, path, sizeof path, refusal)) {  // said with the reason
      ShowMessage(refusal, TextColours.error);
      PlayUISound(ERROR_SOUND);
      return;
    }
    if (d.entryType == 6 && d.state != ENTRY_ASK_OVERWRITE && FileExists(path)) {
      d.state = ENTRY_ASK_OVERWRITE;
      return;
    }
    if (d.entryType == 4 && !FileExists(path)) {
      d.state = ENTRY_NOT_FOUND;
      return;
    }
  } else if (d.entryType == 6 && EntryLength() <= TextEntry.prefix) {
    d.state = ENTRY_NO_NAME;
    return;
  }
  CloseTextEntry(true);
}

void TextEntryCancel() {
  TextEntrySub& d = E();
  if (!d.prss.alive) return;
  switch (d.state) {
    case ENTRY_RENAMING:
      SetLineText(d.oldName);
      d.state = ENTRY_EDITING;
      return;
    case ENTRY_ASK_DELETE:
    case ENTRY_ASK_OVERWRITE: d.state = ENTRY_EDITING; return;
    default: CloseTextEntry(false); return;
  }
}

void TextEntrySubKey(Prss* process, int keyCode) {
  TextEntrySub& d = *reinterpret_cast<TextEntrySub*>(process);
  if (d.state == ENTRY_ASK_DELETE || d.state == ENTRY_ASK_OVERWRITE) {
    if (keyCode == KEY_ENTER || keyCode == 'Y' || keyCode == 'y') TextEntryConfirm();
    else TextEntryCancel();
    return;
  }
  if (d.state >= ENTRY_NAME_EXISTS) {
    if (keyCode == KEY_ENTER || keyCode == KEY_ESCAPE || keyCode == KEY_SPACE) TextEntryConfirm();
    return;
  }
  switch (keyCode) {
    case KEY_ENTER: TextEntryConfirm(); return;
    case KEY_ESCAPE: TextEntryCancel(); return;
    case KEY_BACKSPACE: EntryBackspace(); break;
    case KEYCODE_PAGE_UP:
    case KEYCODE_PAGE_DOWN: {
      FileList& list = d.pick;
      if (list.count > ENTRY_LIST_ROWS)
        list.scroll = std::clamp(list.scroll + (keyCode == KEYCODE_PAGE_UP ? -15 : 15), 0, list.count - ENTRY_LIST_ROWS);
      return;
    }
    default:
      if (keyCode >= 0x10000) EntryKeyDown(keyCode);
      else if (keyCode >= 32 && keyCode < 256) EntryTypeChar(keyCode);
      break;
  }
  ScrollToTyped();
}

void TextEntryButton(void* owner, int, uintptr_t word) {
  TextEntrySub& d = *static_cast<TextEntrySub*>(owner);
  const int w = static_cast<int>(static_cast<intptr_t>(word));
  switch (w) {
    case ENTRY_BUTTON_KEYBOARD: ToggleOnscreenKeyboard(); return;
    case ENTRY_BUTTON_PLAIN:
      if (SingleByteType(d.entryType)) PlayUISound(ERROR_SOUND);
      else TextEntry.mode = TextEntry.mode == ENTRY_MODE_SINGLE_BYTE ? EntryModeOfType(d.entryType) : ENTRY_MODE_SINGLE_BYTE;
      return;
    case ENTRY_BUTTON_LIST: d.showList = !d.showList; return;
    case ENTRY_BUTTON_CODE_PAGE: {
      static const char* const* slots[CODE_PAGE_COUNT];
      for (int i = 0; i < CODE_PAGE_COUNT; ++i) slots[i] = &LanguageTexts[CODE_PAGES[i].nameText];
      OpenSelectSub(&d.prss, CodePageChosen, Text(TX_3g_seldefcp), slots, nullptr, CODE_PAGE_COUNT, 0, InputCodePage);
      return;
    }
    case ENTRY_BUTTON_SORT_NAME:
    case ENTRY_BUTTON_SORT_DATE:
      d.sortMode = static_cast<uint8_t>(w == ENTRY_BUTTON_SORT_DATE);
      BuildPickList();
      return;
    case ENTRY_BUTTON_RENAME:
      EntryPlainText(d.oldName, sizeof d.oldName);
      d.state = ENTRY_RENAMING;
      return;
    case ENTRY_BUTTON_DELETE: d.state = ENTRY_ASK_DELETE; return;
    default:
      if (w >= 0 && w <= ENTRY_COLOUR_DEFAULT) TextEntry.colour = w;
      return;
  }
}

// Why a listed file cannot be taken into the line (a name longer than the line's room, or
// one no file name may be), null when it can; suggestions name no files.  The words last
// until the next call.
const char* PickFault(const FileListEntry& e) { return E().filePattern ? FileNameFault(e.name, LineSize() - 1) : nullptr; }

void TextEntryListClick(void* owner, int, uintptr_t index) {
  TextEntrySub& d = *static_cast<TextEntrySub*>(owner);
  const int i = static_cast<int>(index);
  if (i < 0 || i >= d.pick.count) return;
  if (const char* fault = PickFault(d.pick.entries[i])) {  // a cut name would name another file
    char refusal[NAME_REFUSAL_SIZE];
    FormatNameRefusal(refusal, sizeof refusal, Text(TX_3h_invalidf), d.pick.entries[i].name, fault);
    ShowMessage(refusal, TextColours.error);
    PlayUISound(ERROR_SOUND);
    return;
  }
  char line[TEXT_ENTRY_CELLS + 1];
  EntryPlainText(line, sizeof line);
  if (CompareNoCase(line, d.pick.entries[i].name) == 0 && d.state == ENTRY_EDITING) {
    TextEntryConfirm();
    return;
  }
  SetLineText(d.pick.entries[i].name);
}

Prss* TextEntrySubAct(Prss* process) {
  TextEntrySub& d = *reinterpret_cast<TextEntrySub*>(process);
  if (!process->alive) return nullptr;
  Prss_ActSub(process);
  if (process->sub || FrameSkipped) return process;
  // A function key pressed while the entry is open inserts its message.
  if (DialogFunctionKey) {
    TextEntry.functionKeyMessage = DialogFunctionKey;
    DialogFunctionKey = 0;
  }
  EntryRecallHistory();
  static const int STATE_TEXTS[8] = {-1, TX_3g_newnamef, TX_3g_deleteex, TX_3a_overwrex,
                                     TX_3g_filealre, TX_3g_cnotfind, -1, TX_3a_nosvnonm};
  const char* message = STATE_TEXTS[d.state] < 0 ? d.prompt : Text(STATE_TEXTS[d.state]);
  const float half = 0.69f;
  const bool listShown = d.showList && d.pick.count > 0 && d.state <= ENTRY_RENAMING;
  const int rows = listShown ? std::min(d.pick.count, ENTRY_LIST_ROWS) : 0;
  const bool sortButtons = listShown && d.filePattern && d.entryType >= 4;
  // Under a raised keyboard the whole dialog stands below it.
  const float dy = OnscreenKeyboardShown && OnscreenKeyboardRaised ? std::max(0.0f, OnscreenKeyboardBottom() + 0.02f - ENTRY_TOP) : 0.0f;
  const float listTop = (sortButtons ? -0.13f : -0.19f) + dy;
  AddPanel(-half, ENTRY_TOP + dy, half, listShown ? listTop + ROW_HEIGHT * static_cast<float>(rows) + 0.02f : -0.19f + dy);
  AddTextLine(message, &C.textUnselected, -0.45f + dy, -0.37f + dy, half, 0);
  // The keyboard and plain-text switches sit in the panel's top right corner, above the
  // prompt, lit while on.  The keyboard serves every state (they all take keys).
  AddDialogButton(process, "kb", OnscreenKeyboardShown ? &C.textSelected : &C.buttonAlt, ENTRY_BUTTON_KEYBOARD,
                  TextEntryButton, 0.57f, 0.67f, -0.52f + dy, -0.46f + dy);
  if (d.state <= ENTRY_RENAMING)
    AddDialogButton(process, "abc", TextEntry.mode == ENTRY_MODE_SINGLE_BYTE ? &C.textSelected : &C.buttonAlt,
                    ENTRY_BUTTON_PLAIN, TextEntryButton, 0.45f, 0.55f, -0.52f + dy, -0.46f + dy);
  if (d.state == ENTRY_NO_FILES) {
    AddTextLine(Text(TX_3g_nofilesl), &C.textSelected, -0.37f + dy, -0.29f + dy, half, 0);
  } else {
    // The entry line is a field of its own on the panel, seen even empty.
    static ColourWord field = ENTRY_FIELD;
    AddValueControl(nullptr, nullptr, IvText(""), IvInt(0), IvText(nullptr), VALUE_TYPE_DARK_TEXT, &field, nullptr,
                    -half + 0.02f, -0.37f + dy, half - 0.02f, -0.29f + dy);
    AddValueControl(process, nullptr, IvText(TextEntry.coded), IvInt(TextEntry.drawCursor), IvText(nullptr),
                    d.entryType == 2 ? VALUE_TYPE_PASSWORD_LINE : VALUE_TYPE_TEXT_LINE, &C.textString, nullptr,
                    -half + 0.02f, -0.37f + dy, half - 0.02f, -0.29f + dy);
  }
  const float y1 = -0.29f + dy, y2 = -0.21f + dy;
  if (d.state <= ENTRY_RENAMING) {
    AddDialogButton(process, Text(TX_3a_cancelbt), &C.buttonRed, 0, [](void*, int, uintptr_t) { TextEntryCancel(); },
                    -0.35f, -0.15f, y1, y2);
    // Beside "Rename" and "Delete" OK gives them room to show unsqueezed in a narrow window.
    const bool fileButtons = d.filePattern && d.state == ENTRY_EDITING && d.pick.count > 0;
    AddDialogButton(process, Text(TX_3a_capitlok), &C.buttonGreen, 0, [](void*, int, uintptr_t) { TextEntryConfirm(); },
                    fileButtons ? 0.12f : 0.15f, fileButtons ? 0.30f : 0.35f, y1, y2);
    if (d.colourChoice) {
      static ColourWord* const COLOURS[9] = {&TextColours.darkText, &TextColours.red,  &TextColours.green,
                                             &TextColours.yellow, &TextColours.blue, &TextColours.magenta,
                                             &TextColours.cyan,  &TextColours.lightText, &TextColours.panelGrey};
      // Each a swatch of its colour; the chosen one stands twice as tall rather than carrying
      // a mark, which at the swatches' height (0.03) would be too small a text to read.
      for (int i = 0; i < 9; ++i) {
        const float x = -0.1f + 0.0222f * static_cast<float>(i);
        AddValueControl(process, reinterpret_cast<void*>(intptr_t{i}), IvText(""), IvInt(0), IvText(nullptr),
                        VALUE_TYPE_DARK_TEXT, COLOURS[i], TextEntryButton, x, (i == TextEntry.colour ? -0.27f : -0.24f) + dy,
                        x + 0.0222f, -0.21f + dy);
      }
    }
    AddDialogButton(process, "...", &C.buttonAlt, ENTRY_BUTTON_LIST, TextEntryButton, -0.55f, -0.45f, y1, y2);
    AddDialogButton(process, "^", &C.buttonAlt, ENTRY_BUTTON_CODE_PAGE, TextEntryButton, -0.67f, -0.57f, y1, y2);
    if (fileButtons) {
      AddDialogButton(process, Text(TX_3g_rename_b), &C.buttonAlt, ENTRY_BUTTON_RENAME, TextEntryButton, 0.31f, 0.50f,
                      y1, y2);
      AddDialogButton(process, Text(TX_3a_del_butt), &C.buttonRed, ENTRY_BUTTON_DELETE, TextEntryButton, 0.51f, 0.67f,
                      y1, y2);
    }
  } else if (d.state <= ENTRY_ASK_OVERWRITE) {
    AddDialogButton(process, Text(TX_3a_small_no), &C.buttonRed, 0, [](void*, int, uintptr_t) { TextEntryCancel(); },
                    -0.35f, -0.15f, y1, y2);
    AddDialogButton(process, Text(TX_3a_smallyes), &C.buttonGreen, 0,
                    [](void*, int, uintptr_t) { TextEntryConfirm(); }, 0.15f, 0.35f, y1, y2);
  } else {
    AddDialogButton(process, Text(TX_3a_capitlok), &C.buttonGreen, 0,
                    [](void*, int, uintptr_t) { TextEntryConfirm(); }, -0.13f, 0.13f, y1, y2);
  }
  Prss_RestAfterDrawing(process);  // its cursor blinks by the blink tick
  if (!listShown) return process;
  if (sortButtons) {
    AddDialogButton(process, Text(TX_3a_namesort), d.sortMode == 0 ? &C.textSelected : &C.textUnselected,
                    ENTRY_BUTTON_SORT_NAME, TextEntryButton, -0.4f, 0.1f, -0.19f + dy, -0.13f + dy);
    AddDialogButton(process, Text(TX_3a_datesort), d.sortMode == 1 ? &C.textSelected : &C.textUnselected,
                    ENTRY_BUTTON_SORT_DATE, TextEntryButton, 0.1f, 0.4f, -0.19f + dy, -0.13f + dy);
  }
  char line[TEXT_ENTRY_CELLS + 1];
  EntryPlainText(line, sizeof line);
  const FileListEntry* same = d.pick.FindByName(line);
  static char faults[ENTRY_LIST_ROWS][48];
  const char* notes[ENTRY_LIST_ROWS] = {};
  const int first = d.pick.FirstShown(ENTRY_LIST_ROWS);
  for (int row = 0; row < ENTRY_LIST_ROWS && first + row < d.pick.count; ++row)
    if (const char* fault = PickFault(d.pick.entries[first + row])) {
      CopyStringN(faults[row], fault, sizeof faults[row]);
      notes[row] = faults[row];
    }
  d.pick.Draw(process, TextEntryListClick, -0.4f, listTop, 0.4f, ROW_HEIGHT, ENTRY_LIST_ROWS,
              same ? static_cast<int>(same - d.pick.entries) : -1, notes);
  static char counter[32];
  std::snprintf(counter, sizeof counter, "%d / %d", d.pick.FindByPath() + 1, d.pick.count);
  AddValueControl(nullptr, nullptr, IvText(counter), IvInt(0), IvText(nullptr), VALUE_TYPE_TEXT, &C.titleGrey, nullptr,
                  0.42f, -0.19f + dy, 0.67f, -0.13f + dy);
  return process;
}

int ConfirmTextEntry(const char* text) {
  if (!OpenTextEntry.open || !E().prss.alive) return 0;
  const int prefix = TextEntry.prefix;
  CharCell fixed[TEXT_ENTRY_CELLS];
  std::memcpy(fixed, TextEntry.cells, sizeof fixed);
  StartTextEntry(LineSize(), "", 0, TextEntry.mode);
  EntryInsertCells(fixed, prefix);
  TextEntry.prefix = prefix;
  EntryInsertString(text);
  EncodeEntryText();
  TextEntryConfirm();
  return 1;
}

void CancelTextEntry() {
  if (E().prss.alive) CloseTextEntry(false);
  OpenTextEntry.open = 0;
}

// ---- [Option list] ----

void SelectListGeometry(int count, float& top, float& rowHeight) {
  top = -0.47f;
  rowHeight = ROW_HEIGHT;
  const float excess = static_cast<float>(count) * ROW_HEIGHT - 1.23f;
  if (excess > 0.53f) {
    top = -1.0f;
    rowHeight = 1.76f / static_cast<float>(count);
  } else if (excess > 0.0f) {
    top -= excess;
  }
}

int OpenSelectSub(Prss* owner, SelectCallback callback, const char* title, const char* const* const* textSlots,
                  const char* const* texts, int count, uint32_t answerWord, int current) {
  if (!InteractiveMode) return 0;
  SelectSub& s = SelectDialog;
  CloseIfOpen(&s.prss);
  s.callback = callback;
  CopyStringN(s.title, title, DIALOG_TEXT_SIZE);
  s.textSlots = textSlots;
  s.texts = texts;
  s.count = std::max(0, count);
  s.answerWord = answerWord;
  s.current = current >= 0 && current < s.count ? current : -1;
  s.answer = 0;
  s.savedMouseMode = static_cast<uint8_t>(MouseMode);
  OpenDialog(&s.prss, owner, SelectSubAct, SelectSubKey, SelectSubTerminate, s.savedDialogWord, MOUSE_MODE_BOX);
  return 1;
}

int AskSelect(Prss* owner, SelectCallback callback, const char* title, const char* const* const* textSlots,
              const char* const* texts, int count, uint32_t answerWord, int current) {
  if (HasOpenSub(owner)) return 0;
  return OpenSelectSub(owner, callback, title, textSlots, texts, count, answerWord, current);
}

Prss* SelectSubAct(Prss* process) {
  SelectSub& s = *reinterpret_cast<SelectSub*>(process);
  if (!process->alive) return nullptr;
  Prss_ActSub(process);
  if (process->sub || FrameSkipped) return process;
  float top, row;
  SelectListGeometry(s.count, top, row);
  const float half = BoxHalfWidth(s.title, nullptr);
  const float bottom = top + row * static_cast<float>(s.count) + 0.24f;
  AddPanel(-half, top, half, bottom);
  AddTextLine(s.title, &C.textUnselected, top + 0.02f, top + 0.1f, half, 0);
  for (int i = 0; i < s.count; ++i) {
    const float y = top + 0.12f + row * static_cast<float>(i);
    AddValueControl(process, reinterpret_cast<void*>(static_cast<uintptr_t>(i)),
                    s.textSlots ? IvAddress(const_cast<const char**>(s.textSlots[i])) : IvText(ItemText(s, i)),
                    IvInt(i), IvText(nullptr), s.textSlots ? VALUE_TYPE_TEXT_SLOT : VALUE_TYPE_TEXT,
                    i == s.current ? &C.textSelected : &C.bigText, SelectItemClick, -0.35f, y, 0.35f, y + row);
  }
  if (s.current < 0)
    AddDialogButton(process, Text(TX_3a_cancelbt), &C.buttonRed, 0, SelectCancel, -0.13f, 0.13f, bottom - 0.1f,
                    bottom - 0.02f);
  Prss_RestAfterDrawing(process);
  return process;
}

void SelectSubKey(Prss* process, int keyCode) {
  const SelectSub& s = *reinterpret_cast<SelectSub*>(process);
  if ((keyCode == KEY_ENTER || keyCode == 'Y') && s.current >= 0) AnswerSelect(s.current);
  else AnswerSelect(-1);
}

void SelectItemClick(void*, int code, uintptr_t index) {
  SelectSub& s = SelectDialog;
  // Text-slot items call with (maximum, variable) and plain text items likewise: the index is in both.
  const int i = static_cast<int>(index);
  (void)code;
  if (!s.prss.alive || i < 0 || i >= s.count) return;
  s.current = i;
  AnswerSelect(i);
}

// ---- [Dialog state] ----

void ResetDialogs() {
  E().pick.Free();
  E() = TextEntrySub{};
  MessageBoxDialog = MessageSub{};
  SelectDialog = SelectSub{};
  OpenTextEntry = TextEntryDialog{};
  TextEntrySuggestions = nullptr;
  TextEntrySuggestionCount = 0;
  DialogOpen = 0;
  MouseMode = 0;
  DialogFunctionKey = 0;
  OnscreenKeyboardRaised = 0;
}
