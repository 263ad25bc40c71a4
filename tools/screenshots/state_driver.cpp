// state_driver.cpp - starts the program in a scratch copy of its working folder and takes it
// through a state's steps as a user would: text commands, clicks on what the screen shows,
// typed answers and time passing.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/text_commands.h"
#include "core/config.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/process.h"
#include "core/window_state.h"
#include "info_panel/info_panel.h"
#include "modeller/editor/edit_views.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "render/screenshot.h"
#include "render/texture_table.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/screenshots/screen_states.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"

namespace {

constexpr uint32_t FRAME_MS = 20;
constexpr int FRAMES_TO_APPEAR = 5;  // a screen that closes draws once more before the one under it
// A state holds still when the program would rest (draw no more frames by itself) and two
// frames this far apart are equal outside the message and status lines, but for a
// 1/SETTLE_SHARE_MOST of the window's pixels, and no texture waits to load; so many looks are
// given for it, each waiting at most SETTLE_MOST_MS for the program to rest.  (The second
// frame steps a car on show by the half second, which the resting program would not draw: its
// edges move by a pixel here and there, a few hundred pixels, where a car still loading or
// falling into place changes tens of thousands.)
constexpr uint32_t SETTLE_MS = 500;
constexpr int SETTLE_LOOKS = 4;
constexpr uint32_t SETTLE_MOST_MS = 3000, SETTLE_STEP_MS = 250;
constexpr int SETTLE_SHARE_MOST = 250;
constexpr int WINDOW_LEFT = 0, WINDOW_TOP = 0, WINDOW_START_WIDTH = 640, WINDOW_START_HEIGHT = 480;

std::filesystem::path g_startFolder;
bool g_running = false;

// A platform message box would wait for a user: the driver notes it in the log instead.
void NoteBox(const char* text, const char* caption, MessageBoxIcon) {
  std::fprintf(stderr, "message box: %s: %s\n", caption ? caption : "", text ? text : "");
}

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  const size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

// The copies' times are those of the copying, in an order that varies from run to run: lists
// sorted by date would too.  Each file takes a time of its own from its path's place in order,
// a minute apart from 1 December 2026 on, whatever the machine; a file a step writes comes a
// day after them all.
std::filesystem::file_time_type FixedFileTime(int minute) {
  using namespace std::chrono;
  return file_clock::from_sys(time_point_cast<seconds>(sys_days{year{2026} / 12 / 1}) + minutes(minute));
}
constexpr int WRITTEN_FILE_MINUTE = 100000;

void GiveFilesFixedTimes(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code error;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder, error))
    if (e.is_regular_file(error)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (size_t i = 0; i < files.size(); ++i) fs::last_write_time(files[i], FixedFileTime(int(i)), error);
}

// The button (pixel table) or control (value table) showing the text, the last added first;
// only what takes presses unless anyShown.  False when none does.
// Whether the shown text is the label, or begins with it where the label ends in "*".
bool Shows(const std::string& label, const char* shown) {
  if (label.ends_with('*')) return std::string_view(shown).starts_with(std::string_view(label).substr(0, label.size() - 1));
  return label == shown;
}

bool FindShown(const std::string& label, const std::string& hint, int* pixelX, int* pixelY, bool anyShown = false) {
  char shown[256];
  for (int i = ButtonCount - 1; i >= 0; --i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if ((!b.owner && !anyShown) || !ButtonText(b, shown, sizeof shown) || (!label.empty() && !Shows(label, shown))) continue;
    if (!hint.empty() && (!b.hint || hint != b.hint)) continue;
    *pixelX = (b.left + b.right) / 2;
    *pixelY = (b.top + b.bottom) / 2;
    return true;
  }
  if (!hint.empty()) return false;
  for (int i = ValueControlCount - 1; i >= 0; --i) {
    const ValueControl& c = ValueControls[i];
    if ((!c.owner && !anyShown) || !ValueControlText(c, shown, sizeof shown) || !Shows(label, shown)) continue;
    *pixelX = static_cast<int>((0.5f * (c.left + c.right) + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
    *pixelY = static_cast<int>((0.5f * (c.top + c.bottom) + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
    return true;
  }
  return false;
}

void Deliver(MouseRecord record, int x, int y) {
  MouseX = x;
  MouseY = y;
  Prss_DeliverMouse(&record);
}

// What takes presses and shows the label (with the hint, when one is given), a few frames
// given for it to appear; the pointer moved over it.  False when it did not appear.
bool PointAtShown(const std::string& label, const std::string& hint, int* x, int* y) {
  for (int frame = 0; !FindShown(label, hint, x, y); ++frame) {
    if (frame == FRAMES_TO_APPEAR) return false;
    DrawStateFrame();
  }
  MouseRecord move{};
  move.dx = *x - MouseX;
  move.dy = *y - MouseY;
  Deliver(move, *x, *y);
  return true;
}

std::string Click(const std::string& what, bool right) {
  const size_t bar = what.find('|');
  const std::string label = Trim(what.substr(0, bar)), hint = bar == std::string::npos ? "" : Trim(what.substr(bar + 1));
  int x, y;
  if (!PointAtShown(label, hint, &x, &y)) return "nothing shows \"" + what + "\"";
  MouseRecord press{};
  press.clickCode = right ? CLICK_RIGHT : CLICK_LEFT;
  press.leftHeld = right ? 0 : 1;
  press.rightHeld = right ? 1 : 0;
  Deliver(press, x, y);
  MouseRecord release{};
  release.releaseCode = right ? 2 : 1;
  Deliver(release, x, y);
  return "";
}

// The wheel turned down `notches` times with the pointer over what shows the label.
std::string Wheel(const std::string& what) {
  const size_t gap = what.find_last_of(' ');
  const std::string label = what.substr(0, gap);
  const int notches = gap == std::string::npos ? 0 : std::atoi(what.c_str() + gap + 1);
  int x, y;
  if (notches <= 0) return "no number of notches in \"" + what + "\"";
  if (!FindShown(label, "", &x, &y, true)) return "nothing shows \"" + label + "\"";
  for (int i = 0; i < notches; ++i) {
    MouseRecord wheel{};
    wheel.wheel = 2;
    Deliver(wheel, x, y);
    DrawStateFrame();
  }
  return "";
}

// The button a drag step left held (CLICK_LEFT or CLICK_RIGHT), 0 for none: "release" lets
// it go.
int g_heldButton = 0;
// A drag moves the pointer over this many frames, as a hand would.
constexpr int DRAG_FRAMES = 8;
// KeyState's entries of the left and right buttons.
constexpr int KEY_STATE_LEFT_BUTTON = 1, KEY_STATE_RIGHT_BUTTON = 2;

void HoldButton(int button) {
  g_heldButton = button;
  KeyState[KEY_STATE_LEFT_BUTTON] = button == CLICK_LEFT ? 1 : 0;
  KeyState[KEY_STATE_RIGHT_BUTTON] = button == CLICK_RIGHT ? 1 : 0;
}

MouseRecord HeldRecord() {
  MouseRecord m{};
  m.leftHeld = g_heldButton == CLICK_LEFT ? 1 : 0;
  m.rightHeld = g_heldButton == CLICK_RIGHT ? 1 : 0;
  return m;
}

// The pointer moved to pixel (x, y) with the held button still down.
void MoveHeldTo(int x, int y) {
  MouseRecord move = HeldRecord();
  move.dx = x - MouseX;
  move.dy = y - MouseY;
  Deliver(move, x, y);
}

// "X1 Y1 X2 Y2", fractions of the view area (the largest part of the window that no button
// or row covers) from its top left: the button pressed at the first point and moved to the
// second over DRAG_FRAMES frames, left held there.
std::string Drag(const std::string& where, int button) {
  float f[4];
  char extra;
  if (std::sscanf(where.c_str(), "%f %f %f %f %c", &f[0], &f[1], &f[2], &f[3], &extra) != 4)
    return "not four fractions of the view area in \"" + where + "\"";
  for (const float v : f)
    if (!(v >= 0.0f && v <= 1.0f)) return "a fraction outside 0..1 in \"" + where + "\"";
  if (g_heldButton) return "a button is still held from the drag before (\"release\" lets it go)";
  const std::array<int, 4> room = EditViewFreeRoom();
  auto pixel = [](float v, int from, int to) {
    return from + static_cast<int>(std::lround(v * static_cast<float>(to - 1 - from)));
  };
  const int x0 = pixel(f[0], room[0], room[2]), y0 = pixel(f[1], room[1], room[3]);
  const int x1 = pixel(f[2], room[0], room[2]), y1 = pixel(f[3], room[1], room[3]);
  MoveHeldTo(x0, y0);  // no button is held yet: a plain move
  DrawStateFrame();
  HoldButton(button);
  MouseRecord press = HeldRecord();
  press.clickCode = button;
  Deliver(press, x0, y0);
  for (int i = 1; i <= DRAG_FRAMES; ++i) {
    DrawStateFrame();
    MoveHeldTo(x0 + (x1 - x0) * i / DRAG_FRAMES, y0 + (y1 - y0) * i / DRAG_FRAMES);
  }
  return "";
}

// The button a drag left held let go where the pointer is.
std::string Release() {
  if (!g_heldButton) return "no button is held";
  MouseRecord release{};
  release.releaseCode = g_heldButton == CLICK_LEFT ? 1 : 2;
  HoldButton(0);
  Deliver(release, MouseX, MouseY);
  return "";
}

// The pointer rests a second over what shows the label: long enough for its hint.
std::string Hover(const std::string& label) {
  constexpr uint32_t REST_MS = 1000;
  int x, y;
  if (!PointAtShown(label, "", &x, &y)) return "nothing shows \"" + label + "\"";
  ClockAdvanceFake(REST_MS);
  return "";
}

}  // namespace

std::string StartStatesProgram(const std::string& workFolder, const std::string& scratchFolder, int width,
                               int height, int firstRun, int quick) {
  namespace fs = std::filesystem;
  std::error_code error;
  g_startFolder = fs::current_path();
  fs::remove_all(scratchFolder, error);
  fs::create_directories(scratchFolder, error);
  fs::copy(workFolder, scratchFolder, fs::copy_options::recursive, error);
  if (error) return "cannot copy " + workFolder + " to " + scratchFolder + ": " + error.message();
  GiveFilesFixedTimes(scratchFolder);
  fs::remove(fs::path(scratchFolder) / "cfg.txt", error);
  fs::remove(fs::path(scratchFolder) / "deb.log", error);
  fs::current_path(scratchFolder, error);
  if (error) return "cannot enter " + scratchFolder;

  ClockUseFake(100000, WallTime{2026, 12, 6, 14, 3, 59, 250, 0});
  SetMessageBoxHandler(NoteBox);
  AppResetState();
  ResetMessages();  // the lines of an earlier start are not this one's
  InfoPageShown = INFO_PAGE_INFO;  // nor the information panel's tab
  ConfigRead = 0;
  GameState = 0;
  ShiftHeld = CtrlHeld = AltHeld = 0;
  HoldButton(0);
  LogFileName[0] = 0;
  {
    std::ofstream cfg("cfg.txt");
    cfg << "Welcome C " << (firstRun ? 1 : 0) << "\nRender HDR 0\nStart Windowed 1\n"
        << "Window " << WINDOW_LEFT << ' ' << WINDOW_TOP << ' ' << WINDOW_LEFT + WINDOW_START_WIDTH << ' '
        << WINDOW_TOP + WINDOW_START_HEIGHT
        << "\nSS Type 2\nNext Shot 1\nCompressed Tex 0\n";
    if (quick) cfg << "Antialiasing 0\nFilter AF 1\n";
  }
  if (AppStartup("") != START_RUNNING) {
    fs::current_path(g_startFolder, error);
    return "the program did not start";
  }
  g_running = true;
  DrawStateFrame();  // the window's first moves and sizes are taken in
  DrawStateFrame();
  // The settings keep a window inside the desktop; the command sizes it as asked.
  if (ScreenWidth != width || ScreenHeight != height) {
    const std::string command = "/window " + std::to_string(width) + " " + std::to_string(height);
    DispatchTextCommand(command.c_str(), SOURCE_TYPED, 0);
    for (int i = 0; i < 5; ++i) DrawStateFrame();
  }
  if (ScreenWidth != width || ScreenHeight != height) {
    StopStatesProgram();
    return "the window is " + std::to_string(ScreenWidth) + " x " + std::to_string(ScreenHeight) + ", not " +
           std::to_string(width) + " x " + std::to_string(height);
  }
  DrawStateFrame();
  DrawStateFrame();
  return "";
}

void StopStatesProgram() {
  if (g_running && AppTopProcess()) AppShutdown();
  g_running = false;
  ClockUseReal();
  SetMessageBoxHandler(nullptr);
  std::error_code error;
  std::filesystem::current_path(g_startFolder, error);
}

void DrawStateFrame() {
  ClockAdvanceFake(FRAME_MS);
  RedrawRequested = 1;
  AppRunPass();
}

namespace {

// A frame drawn now, without the texts' glyphs, read back.
void DrawNowWithoutGlyphs(ShotPicture& picture) {
  TextInkHidden = 1;
  DrawRecording = 1;
  ScreenshotRequest = 3;
  RedrawRequested = 1;
  AppRunPass();
  DrawRecording = 0;
  TextInkHidden = 0;
  std::swap(picture, KeptShot);
}

// The frame drawn `ms` after the one before, without the texts' glyphs, read back.
void DrawWithoutGlyphs(ShotPicture& picture, uint32_t ms) {
  ClockAdvanceFake(ms);
  DrawNowWithoutGlyphs(picture);
}

struct LineBox {
  int left, top, right, bottom;
};

// The boxes of the frame's message and status lines, their backings with them: they come and
// go with time.
void AddLineBoxes(std::vector<LineBox>& boxes) {
  std::vector<LineBox> lines;
  for (const DrawRecordEntry& e : DrawRecord)
    if (e.role == RECORD_MESSAGE || e.role == RECORD_STATUS)
      lines.push_back({int(e.left) - 1, int(e.top) - 1, int(e.right) + 2, int(e.bottom) + 2});
  for (const DrawRecordEntry& e : DrawRecord) {
    if (e.role != RECORD_BACKING) continue;
    const LineBox b{int(e.left) - 1, int(e.top) - 1, int(e.right) + 2, int(e.bottom) + 2};
    for (const LineBox& l : lines)
      if (b.left < l.right && l.left < b.right && b.top < l.bottom && l.top < b.bottom) {
        boxes.push_back(b);
        break;
      }
  }
  boxes.insert(boxes.end(), lines.begin(), lines.end());
}

// Pixels that differ between the two pictures outside the boxes.
int DifferingOutside(const ShotPicture& a, const ShotPicture& b, const std::vector<LineBox>& boxes) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height + 1;
  int differing = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const size_t i = size_t(y) * size_t(a.width) + size_t(x);
      if (a.pixels[i] == b.pixels[i]) continue;
      bool inLine = false;
      for (const LineBox& l : boxes) inLine = inLine || (x >= l.left && x < l.right && y >= l.top && y < l.bottom);
      differing += !inLine;
    }
  return differing;
}

}  // namespace

std::string DrawSettledStateWithoutGlyphs(ShotPicture& picture) {
  ShotPicture earlier;
  std::vector<LineBox> lines;
  int differing = 0;
  for (int look = 0; look < SETTLE_LOOKS; ++look) {
    // Frames while the program would go on drawing by itself (a car on show still moving,
    // textures still loading), a quarter of a second apart: a user sees the frame it rests on.
    for (uint32_t t = 0; t < SETTLE_MOST_MS && (KeepDrawing || DeferredWorkPending()); t += SETTLE_STEP_MS) {
      ClockAdvanceFake(SETTLE_STEP_MS - FRAME_MS);
      DrawStateFrame();
    }
    DrawWithoutGlyphs(earlier, FRAME_MS);
    lines.clear();
    AddLineBoxes(lines);
    DrawWithoutGlyphs(picture, SETTLE_MS);
    AddLineBoxes(lines);
    differing = DifferingOutside(earlier, picture, lines);
    if (differing <= picture.width * picture.height / SETTLE_SHARE_MOST && !DeferredWorkPending()) return "";
  }
  return DeferredWorkPending() ? "textures were still loading after " + std::to_string(SETTLE_LOOKS * SETTLE_MS) + " ms"
                               : std::to_string(differing) + " pixels still changed after " +
                                     std::to_string(SETTLE_LOOKS * SETTLE_MS) + " ms";
}

void DrawStateOverBackdrop(uint32_t rgb, ShotPicture& picture) {
  DialogBackdrop = 0xFF000000u | rgb;
  DrawNowWithoutGlyphs(picture);
  DialogBackdrop = 0;
}

namespace {

std::string RunStep(const std::string& stepText, bool frameAfter) {
  const std::string step = Trim(stepText);
  if (step.empty()) return "";
  std::string result;
  const size_t space = step.find(' ');
  const std::string word = step.substr(0, space), rest = space == std::string::npos ? "" : Trim(step.substr(space));
  if (step[0] == '/') {
    // As a script line: its replies come back here instead of becoming message lines.
    CommandReply[0] = 0;
    DispatchTextCommand(step.c_str(), SOURCE_SCRIPT, 0);
    if (CommandReply[0]) result = std::string("the program replied \"") + CommandReply + "\"";
  } else if (word == "click" || word == "rclick") {
    result = Click(rest, word == "rclick");
  } else if (word == "drag" || word == "rdrag") {
    result = Drag(rest, word == "rdrag" ? CLICK_RIGHT : CLICK_LEFT);
  } else if (word == "release") {
    result = Release();
  } else if (word == "hover") {
    result = Hover(rest);
  } else if (word == "wheel") {
    result = Wheel(rest);
  } else if (word == "type") {
    for (int frame = 0; !OpenTextEntry.open && frame < FRAMES_TO_APPEAR; ++frame) DrawStateFrame();
    if (!ConfirmTextEntry(rest.c_str())) result = "no text entry is open for \"" + rest + "\"";
  } else if (word == "enter") {
    for (int frame = 0; !OpenTextEntry.open && frame < FRAMES_TO_APPEAR; ++frame) DrawStateFrame();
    if (!OpenTextEntry.open) result = "no text entry is open for \"" + rest + "\"";
    for (const char c : rest) {
      if (result.empty()) Prss_DeliverKey(static_cast<unsigned char>(c));
    }
  } else if (word == "wait") {
    for (int t = 0; t < std::atoi(rest.c_str()); t += static_cast<int>(FRAME_MS)) DrawStateFrame();
  } else if (word == "message") {
    AddMessage(rest.c_str(), TextColours.error, MSG_TARGET_LOCAL);
  } else if (word == "file") {
    const size_t gap = rest.find(' ');
    const std::filesystem::path path = rest.substr(0, gap);
    std::string text = gap == std::string::npos ? "" : rest.substr(gap + 1);
    for (size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n", at + 1)) text.replace(at, 2, "\n");
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file) result = "cannot write " + path.string();
    std::filesystem::last_write_time(path, FixedFileTime(WRITTEN_FILE_MINUTE), error);
  } else {
    result = "unknown step \"" + step + "\"";
  }
  if (!AppTopProcess()) return "the program ended at \"" + step + "\"";
  if (frameAfter) DrawStateFrame();
  return result.empty() ? "" : "\"" + step + "\": " + result;
}

}  // namespace

std::string RunStateStep(const std::string& step) { return RunStep(step, true); }

std::string ReachState(const ScreenState& state) {
  // Each state shows the messages its own steps bring, not those of the states before it.
  ClearMessages();
  const std::string steps = state.steps;
  size_t from = 0;
  while (from <= steps.size()) {
    const size_t to = steps.find(';', from);
    const std::string step = steps.substr(from, to == std::string::npos ? std::string::npos : to - from);
    // The last step's frame is the caller's: the frame that shows the state.
    const std::string failed = RunStep(step, to != std::string::npos);
    if (!failed.empty()) return failed;
    if (to == std::string::npos) break;
    from = to + 1;
  }
  return "";
}

std::string ShownLabels() {
  std::string out;
  char shown[256];
  for (int i = 0; i < ButtonCount; ++i)
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && shown[0])
      out += std::string("button ") + (InterfaceButtons[i].owner ? "" : "(shown) ") + shown + "\n";
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControlText(ValueControls[i], shown, sizeof shown) && shown[0])
      out += std::string("control ") + (ValueControls[i].owner ? "" : "(shown) ") + shown + "\n";
  return out;
}
