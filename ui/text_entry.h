// text_entry.h - the text entry line with clipboard and IME composition.
#pragma once

extern int TextEntryActive;

void CreateImeContext();
void DestroyImeContext();
void UpdateIme();
