// code_pages.h - the ten code pages of coded text and the keyboard's input code page.
#pragma once

void TakeCurrentCodePage();   // the input code page from the keyboard layout
void ShowKeyboardLayout();
