// screenshot.cpp - screenshots; none are requested yet.
#include "render/screenshot.h"

void TakeScreenshot() {}
void CopyScreenAreaToClipboard() {}

int ScreenshotRequest;
