// dialogs.h - the modal dialogs: message boxes and questions, the text entry with its file
// list, and the option list; the dialog state the window's key handling reads.
//
// Sections: [Callbacks] [Message boxes] [Text entry] [Option list] [Dialog state]
//
// A dialog is a process opened as its owner's sub-screen: while open it is the current
// process (keys and clicks go to it) and the owner's act steps it.  Each dialog object lives
// for the whole run and is reused.  A callback runs only for a positive answer, after the
// dialog has closed and its owner is current again, so it may open the next dialog.  With
// InteractiveMode clear nothing opens: a message box's text becomes a message line and the
// caller of a text entry or option list gets no answer.  Main thread only.
#pragma once
#include <cstdint>

#include "core/process.h"
#include "core/report.h"
#include "ui/file_list.h"

// ---- [Callbacks] ----
// A question answered "yes": QuestionCallback (core/report.h).
// A confirmed text: (owner, the plain text, valid only during the call, the answer word).
using TextEntryCallback = void (*)(Prss* owner, const char* text, uint32_t answerWord);
// A chosen option: (owner, answer word, the chosen item's index).
using SelectCallback = void (*)(Prss* owner, uint32_t answerWord, int chosenIndex);

constexpr int DIALOG_TEXT_SIZE = 128;      // 127 characters and a zero
constexpr int TEXT_ENTRY_MAX_LENGTH = 96;  // the entry line's size

// ---- [Message boxes] ----
enum MessageBoxMode : uint8_t {
  MESSAGE_PLAIN = 0,
  MESSAGE_TWO_LINES = 1,  // the second text drawn without the current code page
  MESSAGE_CANCEL_OK = 2,  // "cancel" and "OK" in place of "no" and "yes"
};

struct MessageSub;
// Draws into the box each frame in place of the second text line.
using MessageDrawCallback = void (*)(MessageSub* box, float left, float top, float right, float bottom);

struct MessageSub {
  Prss prss;
  QuestionCallback callback;  // null: a message box with one "OK"
  MessageDrawCallback drawCallback;
  char first[DIALOG_TEXT_SIZE];
  char second[DIALOG_TEXT_SIZE];
  uint32_t firstWord, secondWord;
  int32_t answer;             // 1 yes, -1 no, 0 not answered
  float pageHeight;           // room under the first text for drawCallback's page (normalised units)
  uint8_t mode;               // MessageBoxMode
  uint8_t savedDialogWord;
};
extern MessageSub MessageBoxDialog;

// A box on owner's page, or a message line when there is no owner or it shows a sub-screen.
void ShowMessageBox(Prss* owner, const char* text);
void ShowMessageBoxPair(Prss* owner, const char* first, const char* second);  // "%s %s"
void ShowMessageBoxF(Prss* owner, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ShowMessageBox2Lines(Prss* owner, const char* first, const char* second);
// A running status: the open box's first text moves to its (empty) second line and the new
// text takes its place.
void UpdateMessageBoxF(Prss* owner, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Opens a question when owner shows no sub-screen; 1 when opened.
int AskQuestion(Prss* owner, QuestionCallback callback, const char* first, const char* second, uint32_t firstWord,
                uint32_t secondWord, int mode);
// The opener under them all (object null: the shared box); replaces an open sub-screen.
// 1 when opened.
int OpenMessageSub(MessageSub* object, Prss* owner, QuestionCallback callback, const char* first, const char* second,
                   uint32_t firstWord, uint32_t secondWord, int mode, MessageDrawCallback drawCallback);
// A question whose page of option controls (drawn each frame by page into the rectangle under
// the title, pageHeight normalised units high) stands between the title and "no" / "yes".
// Opens only when owner shows no sub-screen; 1 when opened.
int OpenMessagePage(Prss* owner, QuestionCallback callback, const char* title, MessageDrawCallback page,
                    float pageHeight);
Prss* MessageSubAct(Prss* process);
void MessageSubKey(Prss* process, int keyCode);

// ---- [Text entry] ----
// Entry types: 0 free text, 1 a name, 2 a password (masked, single-byte), 3 single-byte text,
// 4 load a file, 5 choose a file, 6 save a file.  Colour choice is offered with free text
// only: a number is asked as single-byte text.
constexpr int ENTRY_TYPE_SINGLE_BYTE = 3;
enum TextEntryState : uint8_t {
  ENTRY_EDITING = 0,
  ENTRY_RENAMING = 1,       // "Enter new name for file"
  ENTRY_ASK_DELETE = 2,     // "Delete existing file?"
  ENTRY_ASK_OVERWRITE = 3,  // "Overwrite existing file?"
  ENTRY_NAME_EXISTS = 4,    // "File name already exists"
  ENTRY_NOT_FOUND = 5,      // "Could not find file"
  ENTRY_NO_FILES = 6,       // "No files to load"
  ENTRY_NO_NAME = 7,        // "Can't save with no name"
};

// Button words of the text entry.
constexpr int ENTRY_BUTTON_KEYBOARD = -4, ENTRY_BUTTON_PLAIN = -3, ENTRY_BUTTON_LIST = -2,
              ENTRY_BUTTON_CODE_PAGE = -1, ENTRY_BUTTON_SORT_NAME = 9, ENTRY_BUTTON_SORT_DATE = 10,
              ENTRY_BUTTON_RENAME = 11, ENTRY_BUTTON_DELETE = 12;
constexpr int ENTRY_LIST_ROWS = 16;

struct TextEntrySub {
  Prss prss;
  uint32_t answerWord;
  uint8_t showList;         // toggled by the list button
  uint8_t entryType;
  uint8_t sortMode;         // 0 name, 1 date
  uint8_t state;            // TextEntryState
  uint8_t pinned;
  uint8_t accent;
  uint8_t savedDialogWord;
  uint8_t colourChoice;     // the colour buttons are offered
  char prompt[DIALOG_TEXT_SIZE];
  char filterPrefix[8];
  char oldName[FILE_LIST_NAME_SIZE];  // the name being renamed
  const char* filePattern;  // a format with one "%s", or null
  FileList pick;            // the files of the pattern, or the handed-over suggestions
  TextEntryCallback callback;
};
extern TextEntrySub TextEntryDialogSub;

// A list of names offered by the next text entry opened without a file pattern; taken (and
// the count cleared) when it opens.
extern const char* const* TextEntrySuggestions;
extern int TextEntrySuggestionCount;

// What the open text entry was asked for (open is 1 from opening until it closes).
struct TextEntryDialog {
  int open;
  Prss* owner;
  TextEntryCallback callback;
  char prompt[DIALOG_TEXT_SIZE];
  int maxLength;                     // at most TEXT_ENTRY_MAX_LENGTH
  uint32_t answerWord;
  char initialText[DIALOG_TEXT_SIZE];
  int prefixLength;                  // the fixed beginning; -1 the whole initial text
  int type;                          // entry type 0..6
  const char* filePattern;
};
extern TextEntryDialog OpenTextEntry;

// Opens the text entry over owner when owner has no open sub-screen; 1 when opened.
int AskText(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength, uint32_t answerWord,
            const char* initialText, int prefixLength, int type, const char* filePattern);
// Opens it in any case (replacing an open sub-screen) unless the program runs unattended;
// 1 when opened.
int OpenTextEntrySub(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength,
                     uint32_t answerWord, const char* initialText, int prefixLength, int type,
                     const char* filePattern);
Prss* TextEntrySubAct(Prss* process);
void TextEntrySubKey(Prss* process, int keyCode);
void TextEntryButton(void* owner, int code, uintptr_t word);   // by the words above, 0..8 colours
void TextEntryListClick(void* owner, int code, uintptr_t index);
// Confirming (Enter, OK, a second click on a listed file) and cancelling (Escape, cancel).
void TextEntryConfirm();
void TextEntryCancel();
// Replaces the text after the fixed beginning with text, then confirms: what a user typing
// it and pressing Enter does.  0 when no entry was open.
int ConfirmTextEntry(const char* text);
void CancelTextEntry();

// ---- [Option list] ----
struct SelectSub {
  Prss prss;
  SelectCallback callback;
  char title[DIALOG_TEXT_SIZE];
  const char* const* const* textSlots;  // pointers to text slots (a language change shows at once)
  const char* const* texts;             // used when textSlots is null
  int count;
  uint32_t answerWord;
  int current;                          // -1 none
  int32_t answer;                       // 1 when an item was chosen
  uint8_t savedDialogWord, savedMouseMode;
};
extern SelectSub SelectDialog;

int AskSelect(Prss* owner, SelectCallback callback, const char* title, const char* const* const* textSlots,
              const char* const* texts, int count, uint32_t answerWord, int current);
int OpenSelectSub(Prss* owner, SelectCallback callback, const char* title, const char* const* const* textSlots,
                  const char* const* texts, int count, uint32_t answerWord, int current);
Prss* SelectSubAct(Prss* process);
void SelectSubKey(Prss* process, int keyCode);
void SelectItemClick(void* owner, int code, uintptr_t index);
// The rows of a list of count items: its top (the panel's) and row height.
void SelectListGeometry(int count, float& top, float& rowHeight);

// ---- [Dialog state] ----
// The dialog word: 2 while a dialog is open, else 0 (DrawInterface and the keys read it).
extern int DialogOpen;
// 0 normal, 1 a text entry is open, 2 a message or option list is open.
extern int MouseMode;
constexpr int MOUSE_MODE_ENTRY = 1, MOUSE_MODE_BOX = 2;
// A function key pressed while a dialog is open: its message index + 1, for the dialog to
// take (0 none).
extern int DialogFunctionKey;
// Closes every dialog without answers and clears the state (between tests).
void ResetDialogs();
