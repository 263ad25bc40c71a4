// code_pages.cpp - code pages; Latin 1 stands until the tables exist.
#include "ui/code_pages.h"

void TakeCurrentCodePage() {}
void ShowKeyboardLayout() {}
