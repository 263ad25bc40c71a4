// text_entry.h - the text entry line with clipboard and IME composition.
#pragma once

extern int TextEntryActive;

void CreateImeContext();
void DestroyImeContext();
void UpdateIme();

// Marked when the keyboard layout changed; the IME step reads its state again.
extern int ImeStateNeedsUpdate;
// Opens the command entry line used without graphics; keys then go to CommandEntryKey.
void OpenCommandEntryLine(int length);
