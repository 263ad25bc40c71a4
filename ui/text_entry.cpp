// text_entry.cpp - the text entry line; no composition yet.
#include "ui/text_entry.h"

int TextEntryActive;

void CreateImeContext() {}
void DestroyImeContext() {}
void UpdateIme() {}

int ImeStateNeedsUpdate;

void OpenCommandEntryLine(int length) {}
