// screenshot.h - screenshots and screen copies.
#pragma once

void TakeScreenshot();   // takes a requested screenshot, if any
void CopyScreenAreaToClipboard();
