// locale.cpp - the input locale from the environment.
#include "platform/locale.h"

#include <cstdio>
#include <cstdlib>
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
