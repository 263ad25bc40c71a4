// message_box.cpp - message boxes through SDL, or standard error when no display exists.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

namespace {
MessageBoxHandler g_handler = nullptr;
YesNoHandler g_yesNoHandler = nullptr;
}

void ShowPlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon) {
  if (!caption) caption = icon == BOX_ICON_STOP ? "Error" : "ZKT";
  if (g_handler) {
    g_handler(text, caption, icon);
    return;
  }
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  if (icon == BOX_ICON_STOP) flags = SDL_MESSAGEBOX_ERROR;
  if (icon == BOX_ICON_EXCLAMATION) flags = SDL_MESSAGEBOX_WARNING;
  if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) != 0)
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = handler; }

int AskPlatformYesNo(const char* text, const char* caption) {
  if (g_yesNoHandler) return g_yesNoHandler(text, caption);
  const SDL_MessageBoxButtonData buttons[2] = {
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
  };
  const SDL_MessageBoxData data = {SDL_MESSAGEBOX_WARNING, nullptr, caption, text, 2, buttons, nullptr};
  int pressed = 0;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    std::fprintf(stderr, "%s: %s (no display: no)\n", caption, text);
    return 0;
  }
  return pressed == 1 ? 1 : 0;
}

void SetYesNoHandler(YesNoHandler handler) { g_yesNoHandler = handler; }
