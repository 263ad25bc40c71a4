// fuzz_text_files.cpp - the readers of the program's small files over arbitrary bytes: the
// views file, colour files, language and help files, TextFile's lines and blocks, and
// update_cfg.txt.  The first byte chooses the reader; the rest is the file.
//
// Besides the sanitizers' checks: a line or block read never passes its field, and a reader
// that refuses a file leaves what it would have filled untouched.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "core/log.h"
#include "frontend/player_file.h"
#include "fuzz_scratch.h"
#include "render/views.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "text/text_file.h"

namespace {

void ReadTextFileLines(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back(0);
  std::vector<char> again = text;
  TextFile file;
  if (file.OpenBuffer(text.data())) {
    char field[TEXT_LINE_SIZE + 8];
    for (int n = 0; n < 100000; ++n) {
      std::memset(field, 0x7F, sizeof field);
      if (!file.ReadLine(field, TEXT_LINE_SIZE)) break;
      if (std::strlen(field) >= TEXT_LINE_SIZE || field[TEXT_LINE_SIZE] != 0x7F) std::abort();
    }
  }
  file.Reset();
  if (file.OpenBuffer(again.data())) {
    TextBlock block;
    for (int n = 0; n < 100000 && file.ReadBlock(block, static_cast<uint32_t>(n)); ++n)
      if (std::strlen(block.text) >= TEXT_BLOCK_SIZE) std::abort();
  }
  file.Reset();
}

void ReadLanguageAndHelp(const uint8_t* data, size_t size, bool help) {
  if (help) {
    fuzz_scratch::WriteFile("data/language/help.txt", data, size);
    HelpText out;
    for (const char* key : {"agreement", "a", "welcome"})
      if (FindHelpText(key, out) && std::strlen(out.text) >= HELP_TEXT_SIZE) std::abort();
    return;
  }
  fuzz_scratch::WriteFile("data/language/Fuzzish.txt", data, size);
  char shown[64];
  ListLanguages("Fuzzish", shown, sizeof shown);
  if (std::strlen(shown) >= sizeof shown) std::abort();
  LoadLanguage("Fuzzish", 1);
  for (const char* text : LanguageTexts)
    if (!text) std::abort();
  FreeLanguages();  // every translation loaded is kept until this
}

void ReadViews(const uint8_t* data, size_t size) {
  fuzz_scratch::WriteFile("data/misc/views.bin", data, size);
  SetDefaultLayouts();
  LoadViewsFrom("data\\misc\\views.bin");
}

void ReadColours(const uint8_t* data, size_t size) {
  fuzz_scratch::WriteFile("data/colours/fuzz.col", data, size);
  ColourSet set;
  std::memset(&set, 0x5A, sizeof set);
  ColourSet before = set;
  if (!ReadColourConfig(set, "data\\colours\\fuzz.col")) {
    if (std::memcmp(&set, &before, sizeof set) != 0) std::abort();
    return;
  }
  if (!std::memchr(set.name, 0, sizeof set.name)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch::Enter("zkt_fuzz_text_files", {"language", "misc", "colours"});
  AppForceNoGraphics(1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t* body = data + 1;
  const size_t length = size - 1;
  switch (data[0] % 6) {
    case 0: ReadTextFileLines(body, length); break;
    case 1: ReadUpdateConfigFromText(reinterpret_cast<const char*>(body), length); break;
    case 2: ReadLanguageAndHelp(body, length, false); break;
    case 3: ReadLanguageAndHelp(body, length, true); break;
    case 4: ReadViews(body, length); break;
    default: ReadColours(body, length); break;
  }
  return 0;
}
