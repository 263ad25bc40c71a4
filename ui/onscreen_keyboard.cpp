// onscreen_keyboard.cpp - the on-screen keyboard.
#include "ui/onscreen_keyboard.h"

int KeyboardWantsTranslation;
int OnscreenKeyboardShown;
int KeyboardTranslating;

void ToggleOnscreenKeyboard() { OnscreenKeyboardShown ^= 1; }
void ReleaseOnscreenKeyboardModifiers() {}
