// onscreen_keyboard.h - the on-screen keyboard.
#pragma once

// Set when the on-screen keyboard asks for the next key press to be translated.
extern int KeyboardWantsTranslation;

extern int OnscreenKeyboardShown;
// The pump's bracket around a key press the keyboard asked to see translated: 1 before the
// key's messages, 0 after.
extern int KeyboardTranslating;
void ToggleOnscreenKeyboard();
void ReleaseOnscreenKeyboardModifiers();  // a mouse release lets go of its Shift and Ctrl keys
