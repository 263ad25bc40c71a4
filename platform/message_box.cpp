// message_box.cpp - message boxes through SDL, echoed to standard error.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

namespace {
MessageBoxHandler g_handler = nullptr;
YesNoHandler g_yesNoHandler = nullptr;

// The text a box shows: the caption, when one was given, above the text.
std::string VisibleText(const char* text, const char* caption) {
  if (!caption) return text;
  return std::string(caption) + "\n\n" + text;
}
}  // namespace

void ShowPlatformMessageBox(const char* text, const char* caption, MessageBoxIcon icon) {
  if (!text) text = "";
  const std::string shown = VisibleText(text, caption);
  if (!caption) caption = icon == BOX_ICON_STOP ? "Error" : "ZKT";
  if (g_handler) {
    g_handler(text, caption, icon);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  if (icon == BOX_ICON_STOP) flags = SDL_MESSAGEBOX_ERROR;
  if (icon == BOX_ICON_EXCLAMATION) flags = SDL_MESSAGEBOX_WARNING;
  SDL_ShowSimpleMessageBox(flags, caption, shown.c_str(), nullptr);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = handler; }

int AskPlatformYesNo(const char* text, const char* caption) {
  if (g_yesNoHandler) return g_yesNoHandler(text, caption);
  const SDL_MessageBoxButtonData buttons[2] = {
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
  };
  const std::string shown = VisibleText(text, caption);
  const SDL_MessageBoxData data = {SDL_MESSAGEBOX_WARNING, nullptr, caption, shown.c_str(), 2, buttons, nullptr};
  int pressed = 0;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    std::fprintf(stderr, "%s: %s (no display: no)\n", caption, text);
    return 0;
  }
  return pressed == 1 ? 1 : 0;
}

void SetYesNoHandler(YesNoHandler handler) { g_yesNoHandler = handler; }
