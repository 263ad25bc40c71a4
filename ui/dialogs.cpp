// dialogs.cpp - no dialog opens yet.
#include "ui/dialogs.h"

int DialogOpen;
int DialogFunctionKey;
