// dialogs.cpp - the text entry's record of what was asked; no dialog is drawn yet.
#include "ui/dialogs.h"

#include <algorithm>

#include "core/process.h"
#include "ui/interface.h"
#include "ui/text_strings.h"

int DialogOpen;
int DialogFunctionKey;
TextEntryDialog OpenTextEntry;

int OpenTextEntrySub(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength,
                     uint32_t answerWord, const char* initialText, int prefixLength, int type,
                     const char* filePattern) {
  if (!InteractiveMode) return 0;
  TextEntryDialog& d = OpenTextEntry;
  d = TextEntryDialog{};
  d.open = 1;
  d.owner = owner;
  d.callback = callback;
  CopyStringN(d.prompt, prompt, DIALOG_TEXT_SIZE);
  d.maxLength = std::clamp(maxLength, 1, TEXT_ENTRY_MAX_LENGTH);
  d.answerWord = answerWord;
  CopyStringN(d.initialText, initialText, DIALOG_TEXT_SIZE);
  d.prefixLength = prefixLength;
  d.type = type;
  d.filePattern = filePattern;
  return 1;
}

int AskText(Prss* owner, TextEntryCallback callback, const char* prompt, int maxLength, uint32_t answerWord,
            const char* initialText, int prefixLength, int type, const char* filePattern) {
  if (owner && owner->sub) return 0;
  return OpenTextEntrySub(owner, callback, prompt, maxLength, answerWord, initialText, prefixLength, type,
                          filePattern);
}

int ConfirmTextEntry(const char* text) {
  if (!OpenTextEntry.open) return 0;
  const TextEntryDialog d = OpenTextEntry;  // the callback may open the next entry
  OpenTextEntry.open = 0;
  char line[TEXT_ENTRY_MAX_LENGTH + 1];     // the entry line holds no more than its maximum
  CopyStringN(line, text, d.maxLength + 1);
  if (d.callback) d.callback(d.owner, line, d.answerWord);
  return 1;
}

void CancelTextEntry() { OpenTextEntry.open = 0; }
