// locale.cpp - the input locale from the environment.
#include "platform/locale.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

void InputLocaleName(char* out, int outSize) {
  if (outSize <= 0) return;
  const char* name = "C";
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && value[0]) {
      name = value;
      break;
    }
  }
  std::snprintf(out, static_cast<size_t>(outSize), "%s", name);
}

bool UserLanguageIsEnglish() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (!value || !value[0]) continue;
    if (std::strncmp(value, "en", 2) == 0 && (value[2] == 0 || value[2] == '_' || value[2] == '.' || value[2] == '@'))
      return true;
    return std::strcmp(value, "C") == 0 || std::strncmp(value, "C.", 2) == 0 || std::strcmp(value, "POSIX") == 0;
  }
  return true;
}
