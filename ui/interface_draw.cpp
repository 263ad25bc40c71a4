// interface_draw.cpp - the per-frame drawing of the interface.
#include "platform/clock.h"
#include "ui/interface.h"
#include "ui/messages.h"

void DrawInterface() { ExpireMessages(ClockNowMs()); }
void DrawButtons() {}
void DrawScreenLabels() {}
