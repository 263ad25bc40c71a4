// screenshot.h - screenshots and screen copies.
#pragma once

void TakeScreenshot();   // takes a requested screenshot, if any
void CopyScreenAreaToClipboard();

extern int ScreenshotRequest;  // 1 Ctrl+S, 2 Ctrl+P; taken with the next presented frame
