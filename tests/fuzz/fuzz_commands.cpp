// fuzz_commands.cpp - every way a line of commands reaches the program, over arbitrary
// bytes: the command line and command files, "ZKT://" requests and handed files, requests
// of a later start to the running instance, scripts and typed lines (from each source).
// The first byte chooses the way; the rest is the text or file.
//
// Program launching is switched off ("exec", "wait" and web pages then fail), message boxes
// go nowhere and every question is answered yes.  Files are written only inside the
// target's own scratch folder: a name that led outside it would show up as a write there.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "app/command_line.h"
#include "app/text_commands.h"
#include "core/config.h"
#include "core/log.h"
#include "fuzz_scratch.h"
#include "platform/message_box.h"
#include "platform/spawn.h"

namespace {

// The text up to the first zero byte, at most limit bytes.
std::string TextOf(const uint8_t* data, size_t size, size_t limit) {
  std::string text(reinterpret_cast<const char*>(data), std::min(size, limit));
  text.resize(std::strlen(text.c_str()));
  return text;
}

void NoBox(const char*, const char*, MessageBoxIcon) {}
int AnswerYes(const char*, const char*) { return 1; }

void FreshState() {
  AppResetState();
  ConfigRead = 0;
  ConfigPath[0] = 0;
  SetLogFileName("");
}

void HandedFile(const uint8_t* data, size_t size) {
  if (size == 0) return;
  static const char* const kinds[] = {"hand/x.spr", "hand/x.mpr", "hand/x.set", "hand/x.lyt"};
  const char* path = kinds[data[0] % 4];
  fuzz_scratch::WriteFile(path, data + 1, size - 1);
  HandleUrlRequest(0, path);
}

void Request(const uint8_t* data, size_t size) {
  uint32_t code = 0;
  for (size_t i = 0; i < 4 && i < size; ++i) code |= static_cast<uint32_t>(data[i]) << (8 * i);
  const std::string text = size > 4 ? TextOf(data + 4, size - 4, 63) : std::string();
  const uint32_t reply = HandleInstanceRequest(code, text.c_str());
  if (reply > REPLY_NO_TRACK) std::abort();
}

void TypedLines(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const int source = data[0] % 4;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t start = 0;
  for (int lines = 0; start <= text.size() && lines < 64; ++lines) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = TextOf(reinterpret_cast<const uint8_t*>(text.data()) + start, end - start, 1024);
    Prss_SendMessage(nullptr, line.c_str(), source);
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch::Enter("zkt_fuzz_commands", {"script", "spr", "mpr", "setups", "layout", "misc"});
  std::filesystem::create_directories("hand");
  AppForceNoGraphics(1);
  SpawnSetAllowed(0);
  SetMessageBoxHandler(NoBox);
  SetYesNoHandler(AnswerYes);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FreshState();
  const uint8_t* body = data + 1;
  const size_t length = size - 1;
  switch (data[0] % 8) {
    case 0:
      ParseCommandLine(TextOf(body, length, 8192).c_str());
      break;
    case 1:
      fuzz_scratch::WriteFile("opts.txt", body, length);
      ParseCommandLine("/cfg=opts.txt");
      break;
    case 2:
      if (HandleUrlRequest(0, ("zkt://" + TextOf(body, length, 2048)).c_str()) == URL_PARSE_OPTIONS && UrlRequestActive)
        ParseCommandLine(UrlCommandLine);
      break;
    case 3:
      HandedFile(body, length);
      break;
    case 4:
      HandleUrlRequest(0, TextOf(body, length, 512).c_str());  // any name a desktop might hand over
      break;
    case 5:
      Request(body, length);
      break;
    case 6:
      fuzz_scratch::WriteFile("data/script/fz.zkt", body, length);
      Prss_SendMessage(nullptr, "//fz", SOURCE_TYPED);
      break;
    default:
      TypedLines(body, length);
      break;
  }
  if (ScriptDepth != 0) std::abort();  // every script run unwinds
  return 0;
}
