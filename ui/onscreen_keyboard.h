// onscreen_keyboard.h - the on-screen keyboard.
#pragma once

// Set when the on-screen keyboard asks for the next key press to be translated.
extern int KeyboardWantsTranslation;
