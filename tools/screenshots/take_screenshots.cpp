// take_screenshots.cpp - the program taken to each screen state of the list, its frame saved
// as a PNG named after the state.  Run by take_screenshots.sh on a private virtual display.
//
//   screen_shots --work <working folder> --out <folder> [--size <w>x<h>] [--only <name>]
//                [--labels]
//
// --labels writes, beside each picture, what the screen shows (its buttons' and controls'
// texts), for writing the steps of new states.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/config.h"
#include "core/window_state.h"
#include "render/screenshot.h"
#include "text/messages.h"
#include "ui/draw_record.h"
#include "tools/screenshots/screen_states.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: screen_shots --work <folder> --out <folder> [--size <w>x<h>] [--only <name>] [--labels]\n");
  return 2;
}

// The frame's record, one entry a line: role, owner, rectangle, colour, text or label.
std::string RecordListing() {
  static const char* const ROLES[] = {"panel", "button", "label box", "fill", "backing", "text", "message", "status", "area"};
  std::string out;
  for (const DrawRecordEntry& e : DrawRecord) {
    char line[160];
    std::snprintf(line, sizeof line, "%-9s %s%-4d %5.0f %5.0f %5.0f %5.0f %08X ", ROLES[e.role],
                  e.ownerKind == RECORD_OWNER_BUTTON ? "b" : e.ownerKind == RECORD_OWNER_CONTROL ? "c" : "-", e.owner,
                  e.left, e.top, e.right, e.bottom, e.colour);
    out += line + (e.text.empty() ? "[" + e.label + "]" : e.text) + "\n";
  }
  return out;
}

// The frame drawn next, as the program's own screenshot writes it, moved to path.
bool Shoot(const std::filesystem::path& path) {
  char written[64];
  std::snprintf(written, sizeof written, "data/shots/zkt_%08d.png", CfgNextShot);
  ScreenshotRequest = 1;
  DrawStateFrame();
  // The shot's own message line ("data/shots/...") would show in the next pictures, the
  // history's among them: it goes, and its place in the history is left empty.
  for (int i = MessageLineCount - 1; i >= 0; --i)
    if (std::strstr(MessageLines[i].text, "shots")) RemoveMessage(i);
  for (MessageLine& line : MessageHistory)
    if (std::strstr(line.text, "shots")) line.text[0] = 0;
  std::error_code error;
  std::filesystem::rename(written, path, error);
  if (error) std::filesystem::copy_file(written, path, std::filesystem::copy_options::overwrite_existing, error);
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  std::string work, out, only;
  int width = 1280, height = 1024;
  bool labels = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--work" && hasValue) work = argv[++i];
    else if (a == "--out" && hasValue) out = argv[++i];
    else if (a == "--only" && hasValue) only = argv[++i];
    else if (a == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < LEAST_WINDOW_WIDTH || height < LEAST_WINDOW_HEIGHT) return Usage();
    } else if (a == "--labels") labels = true;
    else return Usage();
  }
  if (work.empty() || out.empty()) return Usage();
  namespace fs = std::filesystem;
  const fs::path outFolder = fs::absolute(out), workFolder = fs::absolute(work);
  fs::create_directories(outFolder);
  const fs::path scratch = outFolder / ".program";

  int failures = 0;
  std::string session;
  for (const ScreenState& state : ScreenStates) {
    if (!only.empty() && only != state.name && only != state.session) continue;
    if (session != state.session) {
      if (!session.empty()) StopStatesProgram();
      session = state.session;
      const std::string failed = StartStatesProgram(workFolder.string(), scratch.string(), width, height,
                                                    session == "first run", 0);
      if (!failed.empty()) {
        std::fprintf(stderr, "%s: %s\n", state.session.c_str(), failed.c_str());
        return 1;
      }
    }
    const std::string failed = ReachState(state);
    if (!failed.empty()) {
      std::fprintf(stderr, "%s: %s\n", state.name.c_str(), failed.c_str());
      ++failures;
    }
    // The picture a user looks at: once the state holds still.
    ShotPicture settling;
    const std::string moving = DrawSettledStateWithoutGlyphs(settling);
    if (!moving.empty()) std::fprintf(stderr, "%s: %s\n", state.name.c_str(), moving.c_str());
    const fs::path picture = outFolder / (std::string(state.name) + ".png");
    DrawRecording = labels ? 1 : 0;
    const bool shot = Shoot(picture);
    DrawRecording = 0;
    if (!shot) {
      std::fprintf(stderr, "%s: the picture was not written\n", state.name.c_str());
      ++failures;
    }
    if (labels) std::ofstream(outFolder / (std::string(state.name) + ".txt")) << ShownLabels() << RecordListing();
    std::printf("%s\n", picture.string().c_str());
  }
  if (!session.empty()) StopStatesProgram();
  std::error_code error;
  fs::remove_all(scratch, error);
  return failures == 0 ? 0 : 1;
}
