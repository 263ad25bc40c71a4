// app.cpp - start-up, the frame loop and shut-down.
//
// Sections: [State] [Start-up] [Frame loop] [Limiter] [Device recovery] [Shut-down] [Services]
// Start-up runs its steps in a fixed order, each logged by name before it runs; a failed
// essential step cleans up what it lists, shows an error box and ends the program with a
// non-zero exit code (so a failed start is never reported as success).
#include "app/app.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/command_line.h"
#include "app/drive_file.h"
#include "app/frame_controls.h"
#include "app/main_window.h"
#include "app/start_pages.h"
#include "app/text_commands.h"
#include "core/checksum.h"
#include "core/config.h"
#include "core/controls.h"
#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/log.h"
#include "core/process.h"
#include "core/profiler.h"
#include "core/sort_tree.h"
#include "core/sound.h"
#include "core/sound_echo.h"
#include "core/sound_file.h"
#include "frontend/frontend.h"
#include "frontend/mod_export.h"
#include "frontend/player_file.h"
#include "modeller/screen/model_checks.h"
#include "modeller/screen/modeller.h"
#include "modeller/editor/object_editor.h"
#include "modeller/world/world_models.h"
#include "physics/car_world.h"
#include "physics/physics.h"
#include "platform/files.h"
#include "platform/gfx.h"
#include "platform/keys.h"
#include "platform/memory.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/signals.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/build_list.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/env_maps.h"
#include "render/frame.h"
#include "render/humans.h"
#include "render/kept_scene.h"
#include "render/object_picture.h"
#include "render/post_process.h"
#include "render/primitives.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/screenshot.h"
#include "render/sky.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "render/view_constants.h"
#include "render/views.h"
#include "render/vr.h"
#include "skeleton/human_system.h"
#include "text/code_pages.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_strings.h"
#include "ui/character_set.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/onscreen_keyboard.h"
#include "ui/profiler_display.h"
#include "ui/report_sink.h"
#include "ui/text_entry.h"
#include "ui/vr_panel.h"
#include "vehicle/car_drawing.h"
#include "vehicle/vehicle.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_editor.h"
#include "world/autocross.h"
#include "world/layout_file.h"
#include "world/sphere_directions.h"
#include "world/track_file.h"
#include "world/world.h"

// ---- [State] ----

char MprPathTemplate[64];
char MprSearchTemplate[64];
char LayoutPathTemplate[64];
char LayoutSearchTemplate[64];
uint32_t DataFolderTimeMinutes;
DisplayModeRecord CurrentModeRecord;

namespace {

// Where a pass's time went, in milliseconds: told in the log when a pass outlasts the frame
// time's bound, and on standard output while passes are traced (AppTracePasses).
enum PassPart { PART_PREPARE, PART_ACT, PART_INTERFACE, PART_PRESENT, PART_AFTER_PRESENT, PART_WORK_AT_REST,
                PART_REST, PART_MESSAGES, PASS_PART_COUNT };
constexpr const char* PASS_PART_NAMES[PASS_PART_COUNT] = {"prepare", "act", "interface", "present", "after present",
                                                          "work at rest", "rest", "messages"};
struct PassParts {
  uint32_t ms[PASS_PART_COUNT];
  uint32_t mark;  // the clock where the part under way began
};

struct LoopState {
  Prss* top = nullptr;
  uint32_t now = 0;          // read at the top of this pass, refreshed by the limiter
  uint32_t frameStart = 0;   // the previous pass's now
  uint32_t anchor = 0;       // the limiter's schedule starts here
  uint32_t frameCount = 0;   // the limiter's passes since the anchor
  uint32_t nextBlink = 0;
  int modifierMask = 0;
  int cursorShown = 1;
  int runningInstance = 0;
  int savedWidth = 0, savedHeight = 0;   // screen size while a render texture is the target
  int recoveryNoted = 0;
  uint32_t recoveryNotedAt = 0;
  uint32_t passLimit = 0;
  int reportFirstFrame = 0;
  // What start-up leaves until the first frame is up (made before the first page is drawn,
  // it would only delay it).
  int controllersAfterFirstFrame = 0;
  int soundAfterFirstFrame = 0;
  int framePresented = 0;  // a frame was presented: the program cache was written then
  int memoryReleased = 0;  // the heap's free pages were given back at the first rest
  uint32_t passes = 0;
  PassParts parts{};  // the pass under way's, until the next pass has read them
  int tracePasses = 0;
  int forceNoGraphics = 0;
  // What asked for the next drawn pass.  Only the interface's own changes (the blink tick,
  // a message line, an alarm, a pointer moved with no button held, a typed character) let a
  // pass try the kept scene (render/kept_scene.h); anything else (another message, a screen
  // or deferred work asking, something moving, the last trial finding the scene changed) may
  // change the scene or set something in motion, and the pass draws it.
  int interfaceOnly = 0;
  int redrawAtEnd = 0;  // RedrawRequested as the last pass left it
  // The simulated time of passes that tried the kept scene, given to the next pass that draws
  // its scene (at most the bound of a pass's time).
  uint32_t heldSimTime = 0;
  // The frame loop's profiler timers.
  int sleepTimer = 0, hudTimer = 0, flipTimer = 0;
};

LoopState g_loop;

// The start-up trace (a developer's switch, AppTraceStartup): each step's milliseconds in the
// log once the next begins, and the time from the start to the first presented frame.
struct StartupTrace {
  int on = 0;
  double start = 0;              // AppStartup began (ClockTraceMs)
  double stepStart = 0;
  const char* step = nullptr;    // the step under way
};
StartupTrace g_trace;

// The step under way ends and the next, name, begins.
void TraceStep(const char* name) {
  if (!g_trace.on) return;
  const double now = ClockTraceMs();
  if (g_trace.step) LogF("trace : %-22s %6.1f ms", g_trace.step, now - g_trace.stepStart);
  g_trace.step = name;
  g_trace.stepStart = now;
}

// The part of the pass under way that ends now.
void PartEnds(PassPart part) {
  const uint32_t now = ClockNowMs();
  g_loop.parts.ms[part] += now - g_loop.parts.mark;
  g_loop.parts.mark = now;
}

// "<frame time> ms : prepare 1, act 2, ..." of the last pass.
void FormatPassParts(char* out, size_t size, uint32_t frameMs) {
  int at = std::snprintf(out, size, "%u ms :", static_cast<unsigned>(frameMs));
  for (int i = 0; i < PASS_PART_COUNT && at > 0 && size_t(at) < size; ++i)
    at += std::snprintf(out + at, size - size_t(at), "%s %s %u", i ? "," : "", PASS_PART_NAMES[i],
                        static_cast<unsigned>(g_loop.parts.ms[i]));
}

// A start-up step as the log names it; traced when the trace is on.
void StartupStep(const char* name) {
  TraceStep(name);
  LogLine(name);
}

constexpr int CLICK_MOUSE_LOCK_WINDOW = 256;      // "Screen Flags " bit 8
constexpr int CLICK_MOUSE_LOCK_FULLSCREEN = 512;  // "Screen Flags " bit 9
constexpr uint32_t SCREEN_FLAG_4K_CAPTURE = 1u << 28;

// A start-up error the user must see: logged, then shown in the error box with graphics (the
// box writes it to standard error as well), else written to standard error.  A detail, when
// given, says more than the box: the log and standard error take it in place of the text.
void ShowStartError(const char* text, const char* title, MessageBoxIcon icon, const char* second = nullptr) {
  const std::string lines = second ? std::string(text) + "\n" + second : std::string(text);
  if (title)
    LogF("%s : %s", title, text);
  else if (second)
    LogF("%s: %s", text, second);
  else
    LogLine(text);
  if (GraphicsEnabled) {
    // Said before the box opens: a script waiting on the program learns it at once.
    if (second) std::fprintf(stderr, "%s\n", lines.c_str());
    ShowPlatformMessageBox(lines.c_str(), title, icon);
  } else if (title) {
    std::fprintf(stderr, "%s : %s\n", title, lines.c_str());
  } else {
    std::fprintf(stderr, "%s\n", lines.c_str());
  }
}

// Step 4: logging on, deb.log started afresh.  A second instance appends, so the running
// one's log survives.
void StartLog(const char* versionLine) {
  LoggingEnabled = 1;
  RestartLog(versionLine, g_loop.runningInstance != 0);
}

// A failed essential start-up step: the error box, and the end of the program.
StartResult FailStart(const char* text) {
  ErrorBox(text);
  DestroyMainWindow();
  ExitCode = EXIT_START_FAILED;
  return START_ENDED;
}

int RoundRefresh(const DisplayMode& mode) {
  if (mode.refreshDenominator == 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(mode.refreshNumerator) / mode.refreshDenominator));
}

bool ModeEquals(const DisplayMode& mode, const DisplayModeRecord& record) {
  return RoundRefresh(mode) == record.refreshHz && mode.width == record.width && mode.height == record.height;
}

void RecordFromMode(DisplayModeRecord& record, const DisplayMode& mode, int index) {
  record.refreshHz = RoundRefresh(mode);
  record.width = mode.width;
  record.height = mode.height;
  record.index = index;
}

// The write probe: the program cannot run without its data folder, nor from one it cannot
// write to.  The probe is a file of a new name each run, made only where nothing of that name
// exists and never through a link, and removed at once (ProbeFolderWrite), so nothing planted
// in the folder is ever opened.  Its time is the data folder's current time.
enum DataFolderState { DATA_FOLDER_WRITABLE, DATA_FOLDER_MISSING, DATA_FOLDER_UNWRITABLE };
DataFolderState ProbeDataFolder() {
  if (!FileIsFolder("data")) return DATA_FOLDER_MISSING;
  uint64_t time = 0;
  if (ProbeFolderWrite("data", time) != 0) return DATA_FOLDER_UNWRITABLE;
  DataFolderTimeMinutes = FileTimeToMinutes(time);
  return DATA_FOLDER_WRITABLE;
}

constexpr const char* PROGRAM_CACHE_PATH = "cache/programs.bin";

// Writes the programs linked since the cache was read or last written; a failure is logged.
void SaveProgramCache() {
  if (const int error = GfxSaveProgramCache()) LogF("could not save %s : %s", PROGRAM_CACHE_PATH, std::strerror(error));
}

// The journal of saves in flight, in "cache": what saves killed in an earlier run left (named
// in that run's journal) is removed first.  Without a journal the saves go on as ever.
void StartJournalOfSaves() {
  MakeFolder("cache");
  int removed = 0;
  if (const int error = StartSaveJournal("cache", removed))
    LogF("no journal of saves in flight : cache : %s", std::strerror(error));
  if (removed) LogF("removed %d temporary files of unfinished saves", removed);
}

void SetBlinkColours() {
  TextColourTable& c = TextColours;
  if (BlinkPhase) {
    c.blink[0] = c.lightText;
    c.blink[1] = c.yellow;
    c.blink[2] = c.error;
    c.blink[3] = c.lightYellow;
    BlinkingListIndex = 0;
  } else {
    c.blink[0] = c.panelGrey;
    c.blink[1] = c.error;
    c.blink[2] = c.red;
    c.blink[3] = c.lightGreen;
    BlinkingListIndex = 1;
  }
}

void SetFrameProjection(int width, int height) {
  FrameProjection& p = Projection;
  if (RenderTargetMode == 1 || RenderTargetMode == 2) {
    // The eye texture holds both eyes side by side: each eye is square in the units.
    p.aspect = ViewAreaHeightFraction / ViewAreaWidthFraction;
    p.inverseAspect = ViewAreaWidthFraction / ViewAreaHeightFraction;
    const float s = static_cast<float>(width) * (VrLayoutFlags[0] ? 1.0f : 0.5f);
    p.xScale = 2.0f / (s * ViewAreaWidthFraction);
    p.yScale = 2.0f / (s * ViewAreaHeightFraction);
    if (VrLayoutFlags[1]) p.yScale *= VrLayoutFlags[0] ? 2.0f : 0.5f;
  } else {
    const float a = static_cast<float>(height) * ViewAreaHeightFraction;
    const float b = static_cast<float>(width) * ViewAreaWidthFraction;
    p.aspect = a / b;
    p.inverseAspect = b / a;
    p.xScale = 2.0f / b;
    p.yScale = 2.0f / a;
  }
  p.fieldFactor = 1.0f / std::max(p.inverseAspect, 1.3333334f) * 0.8695652f;
}

void SetNeutralProjection() { Projection = FrameProjection{}; }

int ChooseRenderTargetMode() {
  const bool capture4k = (CfgScreenFlags & SCREEN_FLAG_4K_CAPTURE) != 0;
  if (capture4k) return CfgRenderHdr ? 7 : 6;
  if (CfgRenderHdr && !VrEnabled) return 5;
  return 0;
}

bool KeyHeldForRedraw() {
  if (ShiftHeld || CtrlHeld) return true;
  for (int held : ArrowKeysHeld)
    if (held) return true;
  return PageKeysHeld[0] || PageKeysHeld[1];
}

bool IsModifierKey(uint64_t key) { return key == 16 || key == 17 || key == 18; }  // Shift, Ctrl, Alt

bool IsCharacterMessage(const WindowMessage& message) { return message.id == MSG_CHAR || message.id == MSG_SYSCHAR; }

// A message that changes only the interface: the pointer moved with no button held (a hover),
// a character typed, the pointer gone from the window.
bool InterfaceMessage(const WindowMessage& message) {
  if (message.id == MSG_MOUSEMOVE)
    return (message.wParam & (MOUSE_LEFT_DOWN | MOUSE_RIGHT_DOWN | MOUSE_MIDDLE_DOWN)) == 0;
  return message.id == MSG_CHAR || message.id == MSG_MOUSELEAVE;
}

void PumpMessages() {
  WindowMessage message;
  while (PeekWindowMessage(message)) {
    RedrawRequested = 1;
    if (!InterfaceMessage(message)) g_loop.interfaceOnly = 0;
    LastInputClock = ProgramClock;
    if (message.id == MSG_QUIT) {
      QuitFlag = 1;  // the queue is still drained
      continue;
    }
    const bool keyDown = message.id == MSG_KEYDOWN || message.id == MSG_SYSKEYDOWN;
    if (VrOverlayPrompt && keyDown && message.wParam == 27) {
      VrOverlayPrompt = 0;
      VrPromptEscaped = 1;
      continue;
    }
    // Only a process that takes characters has its keys translated into characters.
    const bool translated = CurrentProcess && !CurrentProcess->rawKeys;
    if (translated && keyDown && KeyboardWantsTranslation && !IsModifierKey(message.wParam)) {
      // The on-screen keyboard sees the characters of this one key press bracketed.  The
      // window layer queues a key's characters right behind the key, so they are taken now.
      KeyboardWantsTranslation = 0;
      MainWndProc(message);
      MainWndProc(WindowMessage{MSG_USER, 1, 0});
      WindowMessage character;
      while (PeekWindowMessageIf(character, IsCharacterMessage)) MainWndProc(character);
      MainWndProc(WindowMessage{MSG_USER, 0, 0});
      continue;
    }
    MainWndProc(message);
    if (keyDown && !translated) {
      // A key that reached a process taking key numbers types nothing, not even into the
      // text entry it opened ("/" and the chat key): its characters, queued right behind
      // it, are dropped.
      WindowMessage character;
      while (PeekWindowMessageIf(character, IsCharacterMessage)) {
      }
    }
  }
}

// Each change asked for by keys and window messages is carried out here, between frames,
// and logged.
void ApplyDeferredWindowChanges() {
  if (FullScreenRequest != -1) {
    if (!(IsFullScreen() && FullScreenModeIndex == FullScreenRequest)) {
      LogF("window change : full screen mode %d", FullScreenRequest);
      GoFullScreen(FullScreenRequest);
    }
    FullScreenRequest = -1;
  }
  if (GoWindowedRequest) {
    LogLine("window change : window");
    GoWindowed();
    GoWindowedRequest = 0;
  }
  if (WindowRequest) {
    static const char* const NAMES[6] = {"", "minimise", "maximise", "normal window", "borderless over its display",
                                         "borderless over the desktop"};
    LogF("window change : %s", WindowRequest > 0 && WindowRequest < 6 ? NAMES[WindowRequest] : "?");
    ApplyWindowRequest(WindowRequest);
    WindowRequest = 0;
  }
  if (ResizeRequest) {
    LogLine("window change : resize");
    HandleWindowResize();
    ResizeRequest = 0;
  }
  if (!GraphicsEnabled) return;
  UpdateDisplayFlags();
  if (ReinitialiseRequest || SwapChainFullScreenDiffers()) {
    SetFullscreenMode(FullScreenModeIndex, CfgStartWindowed);
    CheckScreenDimensions("resize");
    RenderTexturesNeedRefresh = 1;
    ReinitialiseRequest = 0;
  }
}

// Limiter helpers: the clock after a sleep, and the time spent sleeping.
void UpdateAfterSleep(uint32_t entry) {
  g_loop.now = ClockNowMs();
  const int32_t elapsed = static_cast<int32_t>(g_loop.now - g_loop.frameStart);
  FrameTime = elapsed > 0 ? static_cast<uint32_t>(elapsed) : 0;
  CurrentFrameTiming.bytes[0] = static_cast<uint8_t>(g_loop.now - entry);
}

DisplayModeRecord RecordFromConfig(const int32_t values[4]) {
  return DisplayModeRecord{values[0], values[1], values[2], values[3]};
}

void RecordToConfig(const DisplayModeRecord& record, int32_t values[4]) {
  values[0] = record.refreshHz;
  values[1] = record.width;
  values[2] = record.height;
  values[3] = record.index;
}

// What the first look for a human figure or the helmet makes (installed at start-up).
void MakeHumanFiguresAndHelmet() {
  BuildHumanMeshes();
  LoadHelmet();
}

// After the first drawn frame: what start-up left for later.
void MakeWhatStartUpLeft() {
  // A worker decodes the sounds while the controllers are looked for.
  if (g_loop.soundAfterFirstFrame) PrepareInterfaceSounds();
  if (g_loop.controllersAfterFirstFrame) {
    g_loop.controllersAfterFirstFrame = 0;
    StartControllers();
  }
  // An exit asked for on the first pass has closed what there was: the sound stays shut.
  if (g_loop.soundAfterFirstFrame) {
    g_loop.soundAfterFirstFrame = 0;
    LoadInterfaceSounds();
    if (!ExitRequested) OpenSound();
  }
}

// ---- [Rest] ----
// A screen at rest waits for the next thing that needs a pass instead of sleeping a
// millisecond a pass: the window's events, a second start on the instance socket and drive
// lines wake the wait as they arrive (platform/messages.h); the alarms below end it in time.
// The longest wait stays below the frame-time bound, so a pass after a rest is never cut.
constexpr uint32_t REST_WAIT_MAX_MS = 1000;
static_assert(REST_WAIT_MAX_MS < FRAME_TIME_BOUND_MS, "a rest is no stall");

// Milliseconds from now until something needs a pass; 0 when one is due now.
uint32_t RestWaitMs(uint32_t now) {
  uint32_t wait = REST_WAIT_MAX_MS;
  const auto until = [&](uint32_t at) {
    const int32_t left = static_cast<int32_t>(at - now);
    wait = std::min(wait, left > 0 ? static_cast<uint32_t>(left) : 0u);
  };
  if (RedrawAlarmSet) until(RedrawAlarmMs);           // redraw alarms; message lines leaving
  if (FrameChangesWithTime) until(g_loop.nextBlink);  // the blink tick draws again
  wait = std::min({wait, DriveLineDueMs(now), SoundStreamRefillDueMs()});
  // Work each pass does a step of: a deferred mouse move, the network poll, device recovery.
  if (DeferredMouseMovePending() || NetworkPollPending() ||
      (LastPresentStatus != PRESENT_OK && LastPresentStatus != PRESENT_OCCLUDED))
    wait = 0;
  // A run limited to a number of passes keeps its passes a millisecond apart, as it always has.
  if (g_loop.passLimit) wait = std::min(wait, 1u);
  return wait;
}

void SleepUntilClockChanges() {
  const uint32_t start = ClockNowMs();
  do {
    ClockSleepMs(1);
  } while (ClockNowMs() == start);
}

// Step 11's rest, in place of its millisecond's sleep; the pump follows at once.  Work a
// screen left for the rest (WorkAtRest) is done instead of a wait.  A rest
// still lasts until the clock moves on, as that sleep made sure: a frame drawn for what
// woke it never has a frame time of 0 (a car on show steps by it).
void RestUntilNextPass() {
  const uint32_t start = ClockNowMs();
  if (void (*work)() = WorkAtRest) {
    // A screen's work for the rest is done in its place; the next pass rests again.
    WorkAtRest = nullptr;
    work();
    PartEnds(PART_WORK_AT_REST);
    if (ClockNowMs() == start) SleepUntilClockChanges();
    return;
  }
  // The first rest after start-up's work (what it left until the first frame is up included):
  // the heap's pages that work freed go back to the system.
  if (!g_loop.memoryReleased && g_loop.framePresented && !g_loop.soundAfterFirstFrame) {
    g_loop.memoryReleased = 1;
    ReleaseFreeMemory();
  }
  const uint32_t wait = RestWaitMs(start);
  ProfilerStart(g_loop.sleepTimer);
  if (wait > 0) WaitForMessages(wait);
  if (ClockNowMs() == start) SleepUntilClockChanges();
  ProfilerStop(g_loop.sleepTimer);
}

}  // namespace

// ---- [Start-up] ----

StartResult AppStartup(const char* commandLine) {
  if (!commandLine) commandLine = "";
  IgnoreFileSizeLimitSignal();  // an over-size write fails like any other and is reported
  InstallShellHooks();
  if (g_loop.forceNoGraphics) GraphicsEnabled = 0;

  // 1..3: a running instance, the version, and a request that another instance serves.
  g_loop.runningInstance = FindRunningInstance();
  char versionLine[32];
  std::snprintf(versionLine, sizeof versionLine, "ZKT : %d.%d%c%d", 1, 4, 'C', 20);
  BuildUpperCaseTable();
  const char* options = commandLine;
  switch (HandleUrlRequest(g_loop.runningInstance, commandLine)) {
    case URL_DONE:
      ExitCode = 0;  // handed over or copied: this instance has done its work
      return START_ENDED;
    case URL_FAILED:
      // Said like every failed start; the log is written only in the working folder.
      if (FileIsFolder("data")) StartLog(versionLine);
      ShowStartError(StartupErrorText, nullptr, BOX_ICON_STOP);
      ExitCode = EXIT_START_FAILED;
      return START_ENDED;
    case URL_OPEN_HANDED_REPLAY:
      options = "";  // the file's name is no option
      break;
    case URL_PARSE_OPTIONS:
      if (UrlRequestActive) options = UrlCommandLine;
      break;
  }

  // 4: the log.
  StartLog(versionLine);
  if (g_trace.on) {
    g_trace.start = g_trace.stepStart = ClockTraceMs();
    g_trace.step = "log and instance";
  }

  // 5, 6: timing.
  if (const char* error = InitTimerResolution()) {
    ShowStartError(error, nullptr, BOX_ICON_STOP);
    ExitCode = EXIT_START_FAILED;
    return START_ENDED;
  }
  CaptureSystemTime();

  // 7: settings that must exist before the command line.
  StartupStep("read config");
  for (int& weight : CfgFontWeights) weight = 600;
  ReadInterfaceCfg();
  ReadUpdateConfig();
  SetPlayerDefaults();
  SetLanguageDefaults();
  ResetLanguageTexts();
  RandomSeed = ClockNowMs() & 0xFFFF;
  std::snprintf(MprPathTemplate, sizeof MprPathTemplate, "%s", "data\\mpr\\%s.mpr");
  std::snprintf(MprSearchTemplate, sizeof MprSearchTemplate, "%s", "data\\mpr\\*.mpr");
  std::snprintf(LayoutPathTemplate, sizeof LayoutPathTemplate, "%s", "data\\layout\\%s.lyt");
  std::snprintf(LayoutSearchTemplate, sizeof LayoutSearchTemplate, "%s", "data\\layout\\%s_*.lyt");
  SetLayoutFolder(nullptr);

  // 8: the views file and the command line.
  StartupStep("get command line");
  LoadViews();
  ParseCommandLine(options);
  if (g_loop.forceNoGraphics) GraphicsEnabled = 0;
  if (RunMode == 9) return START_ENDED;
  if (RunMode == 0) {
    ShowStartError(StartupErrorText, nullptr, BOX_ICON_STOP, StartupErrorSecond[0] ? StartupErrorSecond : nullptr);
    ExitCode = EXIT_BAD_COMMAND_LINE;
    return START_ENDED;
  }
  if (RunMode == RUN_MODE_VEHICLE_OUTPUT) {
    InitSinCosTables();  // the car's set-up on loading reads them
    ExitCode = ExportVehicleWithLog(RequestText);
    return START_ENDED;
  }

  // 9, 10: cfg.txt, and the data folder must be writable.
  // With graphics the window system starts first: the stored window rectangle is checked
  // against the desktop, and the device makes its context on the same video.  Without a
  // screen to show it the program would run unseen: it ends at once, saving nothing.  While
  // the window system starts (the longest step), workers read the character set's file and
  // the shaders' sources, and fill the sine and cosine tables, which nothing reads before:
  // steps 16, 18 and 21 take them, with the lines they always logged.  (The system's font list
  // is read only for double-byte text, which most runs never draw: from step 17 on a worker
  // when the player's language is not English, else when such text first asks for it.)
  // The main thread starts one worker, which starts the readers: on a busy machine each
  // thread the main thread starts costs it its processor for a while.  (The interface sounds
  // are decoded once the first frame is up, beside the rest of what start-up leaves until
  // then.)
  TraceStep("window system");
  struct ForgetReadsNotTaken {  // by a start that ends before it takes them
    ~ForgetReadsNotTaken() {
      ForgetPreparedCharacterSet();
      ForgetPreparedShaderSources();
    }
  } forgetReadsNotTaken;
  std::jthread startWorkers([graphics = GraphicsEnabled != 0] {
    if (graphics) {
      PrepareCharacterSet();
      PrepareShaderSources();
    }
    InitSinCosTables();
  });
  if (GraphicsEnabled && !(StartWindowSystem() && PlatformVideoHasDisplay())) {
    LogLine("No display");
    std::fprintf(stderr, "No display\n");
    ExitCode = EXIT_START_FAILED;
    return START_ENDED;
  }
  DrawPreparedGlyphsAhead();
  TraceStep("config and data folder");
  if (!ConfigRead) LoadConfig();
  if (!GraphicsEnabled) CfgStartWindowed = 1;
  switch (ProbeDataFolder()) {
    case DATA_FOLDER_WRITABLE: break;
    case DATA_FOLDER_MISSING: {
      char text[FILE_PATH_SIZE + 96];
      std::snprintf(text, sizeof text, "%s is missing: start ZKT in the folder it is installed in",
                    FullPath("data").c_str());
      ShowStartError(text, "Could not find data folder", BOX_ICON_EXCLAMATION);
      ExitCode = EXIT_START_FAILED;
      return START_ENDED;
    }
    case DATA_FOLDER_UNWRITABLE:
      ShowStartError("Is ZKT correctly installed on a hard drive?", "Could not write to data folder",
                     BOX_ICON_EXCLAMATION);
      ExitCode = EXIT_START_FAILED;
      return START_ENDED;
  }
  StartJournalOfSaves();
  // The driver's binaries of the programs linked in earlier runs: the first frame links its
  // programs from them instead of compiling (written once the first frame is up, and at exit).
  if (GraphicsEnabled) GfxUseProgramCache(PROGRAM_CACHE_PATH);

  // 11..13: the device's choices, made before the window exists.  Without graphics there
  // is no device at all.
  if (GraphicsEnabled) {
    if (CommandLineVrChoice == 1) VrEnabled = 0;
    if (CommandLineVrChoice == 2) VrEnabled = 1;
    if (CommandLineVrPlugin) VrConfig.plugin = CommandLineVrPlugin - 1;  // "rift" the first, "openvr" the second
    StartupStep("preinit d3d");
    if (const char* error = PreInitD3D()) return FailStart(error);
    if (!CheckCoInitialize()) {
      ShutdownGraphics();
      ExitCode = EXIT_START_FAILED;
      return START_ENDED;
    }
    ReconcileDeviceChoices();
    if (VrEnabled) {
      StartupStep("check VR");
      CheckVr();
    }
    DisplayModeRecord screenInfo = RecordFromConfig(CfgScreenInfo);
    DisplayModeRecord quickSwitch = RecordFromConfig(CfgShiftF9);
    MatchDisplayMode(screenInfo, quickSwitch);
    RecordToConfig(screenInfo, CfgScreenInfo);
    RecordToConfig(quickSwitch, CfgShiftF9);

    // 14: the main window.
    TraceStep("main window");
    if (!CreateMainWindow(1, CfgStartWindowed)) {
      ShutdownGraphics();
      return FailStart("Could not create window");
    }
  }

  // 15, 16: colours, the CRC table, the status output and the character set.
  SetDefaultTextColours();
  Crc32InitTable();
  if (!GraphicsEnabled) {
    PrepareStatusOutput();
    MessagesToStdout = 1;
  }
  StartupStep("load font");
  startWorkers.join();  // the readers are started and the tables filled
  if (!LoadCharacterSet()) {
    ShutdownGraphics();
    return FailStart("Could not load font");
  }

  // 17, 18: the player, then the device for the screen and the system textures.
  TraceStep("player and device");
  if (CfgPlayerName[0]) LoadPlayerFile(1);
  // A language other than English may need the double-byte pages' fonts (step 19 finds out).
  if (GraphicsEnabled && LanguageName[0]) PrepareGlyphFonts();
  InitSinTable();
  if (GraphicsEnabled) {
    if (const char* error = InitialiseGraphicsForScreen()) {
      ShutdownGraphics();
      FreeCharacterSet();
      return FailStart(error);
    }
    if (!ClampConfigLimits()) {
      ShutdownGraphics();
      FreeCharacterSet();
      return FailStart("Your graphics driver does not support ZKT");
    }
    TraceStep("system textures");
    LoadSystemTextures();
  }
  TraceStep("language and light");

  // 19..22: language, light scheme, code page and the start-up tables.
  if (LanguageName[0]) {
    StartupStep("load language");
    LoadLanguage(LanguageName, 1);
  }
  LoadLightScm();  // not fatal: the default scheme always stands
  Global3DMode = GraphicsEnabled;
  TakeCurrentCodePage();
  ShowKeyboardLayout();
  StartupStep("initialisations");
  LogLine("tables");
  TraceStep("tables");
  ResetViewMatrices();
  LoadAIDriverNames();
  LoadFunctionKeyMessages();
  InitSphereDirections();

  // 23..26: humans, interface metrics, wheel tables, helmet, controllers, profiler, view.
  if (DedicatedMode < 2) {
    StartupStep("human system");
    if (!LoadHumanSystem()) {
      ShutdownGraphics();
      FreeCharacterSet();
      return FailStart("Could not load humans");
    }
    // Display meshes need the device: a run without graphics keeps the models alone.  No first
    // page shows a human, nor the helmet: both are made when a screen first looks for one.
    if (GraphicsEnabled) MakeHumanFigures = MakeHumanFiguresAndHelmet;
  }
  TraceStep("metrics and wheels");
  SetInterfaceMetrics();
  InitWheelTables();
  if (GraphicsEnabled) {
    StartupStep("helmet");  // read with the figures, when a screen first looks for one
    // The controls' tables take their start values now; the devices (the controller layer
    // starts and scans for them, some milliseconds) are found once the first frame is up.
    StartupStep("controllers");
    SetControlStartValues();
    g_loop.controllersAfterFirstFrame = 1;
  }
  TraceStep("profiler and view");
  ProfilerInit();
  g_loop.sleepTimer = ProfilerAddTimer("Sleep");
  g_loop.hudTimer = ProfilerAddTimer("HUD");
  g_loop.flipTimer = ProfilerAddTimer("Flip");
  SetDefaultView();

  // 27..33: the first screen, the warning, IME, mouse clip, VR and the draw tree.
  StartupStep("start entry");
  g_loop.top = (CfgWelcome && GraphicsEnabled) ? CreateStartScreens(nullptr) : CreateEntryPage(nullptr);
  if (g_loop.runningInstance)
    AddMessage(LanguageTexts[TX_3a_wrninsta], TextColours.error, MSG_TARGET_LOCAL);
  else
    OpenInstanceRequests();  // later starts hand their requests to this instance
  TraceStep("IME and mouse clip");
  CreateImeContext();
  if (CfgScreenFlags & (IsFullScreen() ? CLICK_MOUSE_LOCK_FULLSCREEN : CLICK_MOUSE_LOCK_WINDOW)) ClipCursorToWindow();
  if (GraphicsEnabled && VrEnabled) {
    StartupStep("open VR");
    if (const char* error = InitVrDevice()) {
      VrEnabled = 0;
      AddMessage(error, TextColours.error, MSG_TARGET_LOCAL);
    }
  }
  // Sound opens after the VR step (the headset may bring its own audio device), once the
  // first frame is up: the first page plays nothing before it is seen.
  if (GraphicsEnabled) {
    StartupStep("open sound");
    g_loop.soundAfterFirstFrame = 1;
  }
  TraceStep("draw tree");
  SharedDrawTree.Init(8000, 256, 20, SHARED_DRAW_TREE_PAYLOAD);
  StartupStep("end of initialisation");
  TraceStep("first frame : begin");
  g_loop.now = g_loop.frameStart = g_loop.anchor = ClockNowMs();
  g_loop.frameCount = 0;
  return START_RUNNING;
}

// ---- [Frame loop] ----

namespace {

// Whether this pass may try the kept scene: only the interface would change.  The kept scene
// is stale after any change of
//  - the camera, the car, the model, and whatever else the act's 3D view draws: a trial
//    fingerprints that drawing and compares it with the kept scene's (render/kept_scene.h);
//  - the window's size and the device: the kept picture is of the back buffer it was taken
//    from, and is released with the device's resources (FreeAllGraphics);
//  - the render textures (a refresh releases it), the HDR mode and the 4K capture (the
//    picture is of one render target mode; the capture modes and VR keep none);
//  - the mapping tool's screen copy and screenshots: a frame that is copied or saved is
//    drawn whole;
// and a pass that is known to change the scene draws it without a trial.
bool SceneTrialAllowed() {
  return g_loop.interfaceOnly && !RenderTexturesNeedRefresh && !ScreenshotRequest && !MappingScreenshotRequested &&
         !VrEnabled && !(CfgScreenFlags & SCREEN_FLAG_4K_CAPTURE);
}

bool MouseButtonHeld() { return KeyState[1] || KeyState[2] || KeyState[3]; }


// One of the loop's own steps after the pump: when it asks for a frame, the frame may change
// the scene.
template <class Step>
void RunStep(Step step) {
  const int asked = RedrawRequested;
  RedrawRequested = 0;
  step();
  if (RedrawRequested) g_loop.interfaceOnly = 0;
  RedrawRequested |= asked;
}

}  // namespace

void AppRunPass() {
  // A frame asked for from outside the loop since its last pass may change anything.
  if (RedrawRequested && !g_loop.redrawAtEnd) g_loop.interfaceOnly = 0;
  // 1..8: the clock, the limiter, the timing history and the blink tick.  The profiler's
  // counts of the last pass roll into its history first.
  ProfilerEndFrame();
  ProfilerStart(g_loop.sleepTimer);
  RandomSeed = (RandomSeed * 5 + 1) % 65536;
  g_loop.now = ClockNowMs();
  const int32_t elapsed = static_cast<int32_t>(g_loop.now - g_loop.frameStart);
  FrameTime = elapsed > 0 ? static_cast<uint32_t>(elapsed) : 0;

  float period = 0.0f;
  if (DedicatedMode)
    period = 10.0f;
  else if (CfgGameLimitFps && CfgMaxFps > 0)
    period = 1000.0f / static_cast<float>(CfgMaxFps);
  if ((GameState == 1 || NetStatusByte) && !VrPresenting)
    period = std::max(period, static_cast<float>(MenuFramePeriodMs));

  const bool presentationPaces = VrEnabled || ((IsFullScreen() || CfgBorderlessWindow) && VSyncEnabled);
  if (g_loop.passes == 0) {
    // The first pass draws at once: no frame came before it to keep its distance from.
  } else if (presentationPaces) {
    if (FrameSkipped) LimitFrameRate(1, period);
  } else if (CurrentFrameTiming.bytes[3] != 0) {
    if (period > 0.0f) LimitFrameRate(0, period);
  } else if (CfgMinSleep || GameState <= 1 || NetStatusByte || FrameSkipped) {
    LimitFrameRate(1, period);
  } else if (period > 0.0f) {
    LimitFrameRate(0, period);
  }

  std::memmove(&FrameTimingHistory[0], &FrameTimingHistory[1], sizeof(FrameTimingRecord) * (FRAME_HISTORY_LENGTH - 1));
  FrameTimingHistory[FRAME_HISTORY_LENGTH - 1] = CurrentFrameTiming;
  CurrentFrameTiming = FrameTimingRecord{};

  if (g_loop.tracePasses || FrameTime > FRAME_TIME_BOUND_MS) {
    char parts[192];
    FormatPassParts(parts, sizeof parts, FrameTime);
    if (FrameTime > FRAME_TIME_BOUND_MS) LogF("frame time %s", parts);  // what the stall was
    if (g_loop.tracePasses) {
      std::printf("pass %s\n", parts);
      std::fflush(stdout);
    }
  }
  if (FrameTime > FRAME_TIME_BOUND_MS) {
    // No simulated time jump may exceed the bound, however long the stall.
    ProgramClock += FRAME_TIME_BOUND_MS;
    FrameTime = FRAME_TIME_BOUND_MS;
    AddMessage("\x9B LOCAL^3 : GRAPHICS TIMER BOUNDED", TextColours.grey, MSG_TARGET_DEBUG);
  } else {
    ProgramClock += FrameTime;
  }

  if (static_cast<int32_t>(g_loop.now - g_loop.nextBlink) >= 0 || DrawnFrameCount == 100) {
    CaptureSystemTime();
    BlinkPhase ^= 1;
    // A screen at rest is drawn again only when the tick changes what it shows.
    if (FrameChangesWithTime) RedrawRequested = 1;
    DrawnFrameCount = 0;
    // The next tick falls 100 ms after the next half second of the wall clock.
    const int wallMs = SystemTimeUtc.millisecond;
    g_loop.nextBlink = g_loop.now - static_cast<uint32_t>(wallMs) + (wallMs < 500 ? 600u : 1100u);
  }
  ProfilerStop(g_loop.sleepTimer);
  SimFrameTime = FrameTime;
  g_loop.frameStart = g_loop.now;
  g_loop.parts = PassParts{};
  g_loop.parts.mark = g_loop.now;

  // 9, 10: blink colours and per-frame flags.
  SetBlinkColours();
  FrameBegun3D = 0;
  EditorFrameCleared = 0;
  ControlsPolledThisFrame = 0;

  // 11: the redraw test.  Alt alone does not draw a frame; a changed message line does, and
  // so does a resting screen whose last frame still moved or whose alarm has come, and
  // deferred work waiting for its frame.  A presenting headset shows a view that follows the
  // head: it is drawn every pass.  A pass that draws nothing waits (RestUntilNextPass).
  if (!RedrawRequested) {
    if (WorldBuildStage() != 0 || KeyHeldForRedraw() || InterfaceRedraw || KeepDrawing ||
        RedrawAlarmDue(g_loop.now) || DeferredWorkPending() || VrPresenting)
      RedrawRequested = 1;
  }
  if (WorldBuildStage() != 0 || KeyHeldForRedraw() || KeepDrawing || DeferredWorkPending() || VrPresenting ||
      MouseButtonHeld())
    g_loop.interfaceOnly = 0;
  if (RedrawRequested) {
    // 12..15: prepare the drawn frame.  What it shows asks again for the next frame and the
    // alarm as it needs them.
    ++DrawnFrameCount;
    InterfaceRedraw = 0;
    FrameChangesWithTime = 0;
    KeepDrawing = 0;
    RedrawAlarmSet = 0;
    ClearInterface();
    ResetTempMeshes();
    bool skippedOnlyForOcclusion = false;
    if (GraphicsEnabled && LastPresentStatus == PRESENT_OK) {
      CfgScreenFlags &= ~(1u << 31);
      g_loop.savedWidth = ScreenWidth;
      g_loop.savedHeight = ScreenHeight;
      // With VR the eye texture is the target (modes 1, 2); a refused VR frame draws to the screen.
      RenderTargetMode = VrEnabled && VrPresenting ? BeginVrFrame() : 0;
      if (RenderTargetMode == 0) {
        RenderTargetMode = ChooseRenderTargetMode();
        if (RenderTargetMode != 0) BeginRenderTargetMode(RenderTargetMode);
      }
      if (ScreenLayoutNeedsSetup) SetupScreenLayout(ScreenWidth, ScreenHeight);
      if (ScreenWidth != 0 && ScreenHeight != 0) {
        FrameSkipped = 0;
        SetFrameProjection(ScreenWidth, ScreenHeight);
      } else {
        FrameSkipped = 1;
        SetNeutralProjection();
      }
      // Lines whose time is up leave before the frame is laid out: this frame shows them gone.
      DropExpiredMessages(ClockNowMs());
      SetInterfaceRectangleToScreen();
      const bool trial = SceneTrialAllowed();
      if (RenderTexturesNeedRefresh) RefreshRenderTextures();
      // A trial's 3D view is the kept one only if nothing in it moved on: the simulated time
      // of the car and the figures stands still in it, and is handed to the next pass that
      // draws its scene.
      if (StartScene(FrameSkipped ? -1 : RenderTargetMode, trial)) {
        g_loop.heldSimTime = std::min<uint32_t>(g_loop.heldSimTime + SimFrameTime, FRAME_TIME_BOUND_MS);
        SimFrameTime = 0;
      } else {
        SimFrameTime += g_loop.heldSimTime;
        g_loop.heldSimTime = 0;
      }
      if (!FrameSkipped && !BeginFrameClear()) FrameSkipped = 1;
      SceneStarted();
    } else {
      FrameSkipped = 1;
      StartScene(-1, 0);
      skippedOnlyForOcclusion = GraphicsEnabled && LastPresentStatus == PRESENT_OCCLUDED && ScreenWidth != 0 &&
                                ScreenHeight != 0;
    }
    Draw2DPixelScale = GraphicsEnabled ? 1024.0f / 1920.0f : 1.0f;
    ScreenTitleY = -1.0f;
    ClearVrFrameWord();
    if (VrPresenting) UpdateVrTracking();
    GameMessageFlag = 0;
    ReadPedals();
    ClearCaptionWords();
    FullScreenQuadOffsets[0] = FullScreenQuadOffsets[1] = 0.0f;

    // 16: the act call steps the whole chain of screens.
    if (g_trace.step) TraceStep("first frame : the act");
    PartEnds(PART_PREPARE);
    Prss* top = g_loop.top;
    g_loop.top = top ? top->act(top) : nullptr;
    PartEnds(PART_ACT);

    // 17, 18: the editor's hook, screen labels, hover under changed modifiers, the cursor.
    if (FrameBegun3D) {
      if (EditorFrameHook) EditorFrameHook(EditorFrameHookArgument);
      if (!VrEnabled) DrawScreenLabels();
    }
    const int mask = (AltHeld ? 4 : 0) + (CtrlHeld ? 2 : 0) + (ShiftHeld ? 1 : 0);
    if (mask != g_loop.modifierMask) {
      g_loop.modifierMask = mask;
      FindButtonUnderMouse();
    }
    const int wantCursor = !(MouseInWindow && ScreenWidth != 0 && ScreenHeight != 0 && VrEnabled);
    if (wantCursor != g_loop.cursorShown) {
      g_loop.cursorShown = wantCursor;
      SetSystemCursorVisible(wantCursor);
    }

    // 19..21: finish the render texture, draw the interface, finish the other modes.  A pass
    // whose act drew the kept scene again draws its interface over the kept picture; one that
    // drew another scene while only fingerprinting it is thrown away, and the next draws.
    // Only the back buffer the interface leaves (modes 0 and 5) can be compared with the last.
    const bool interfaceLast = RenderTargetMode == 0 || RenderTargetMode == 5;
    const SceneOutcome scene = EndScene();
    bool thrownAway = false;
    if (RenderTargetMode == 5) {
      UnsetRenderTarget();
      ScreenWidth = g_loop.savedWidth;
      ScreenHeight = g_loop.savedHeight;
      if (!FrameSkipped && scene == SCENE_DRAWN) DrawFullScreenQuad(1, 0, &BloomChain);
      if (PostFrameHidden) RedrawRequested = 1;  // the picture waits for its exposure: draw again
      RenderTargetMode = 0;
    }
    if (!FrameSkipped) {
      if (!FrameBegun3D && !BeginFrame()) FrameSkipped = 1;
      if (!FrameSkipped) {
        BeginInterface(scene);
        InterfaceDrawing = 1;
        if (g_trace.step) TraceStep("first frame : interface");
        ProfilerStart(g_loop.hudTimer);
        if (VrOverlayPrompt && (RenderTargetMode == 1 || RenderTargetMode == 2)) DrawVrPanel(g_loop.top);
        DrawInterface();
        if (ProfilerDisplayOn) {
          ProfilerShow(PROFILER_TABLE_Y);
          DrawProfilerLabels();
        }
        DrawBackgroundPicture();
        // In VR the interface, the panel among it, is drawn into the eye texture before it
        // is submitted: the headset is where the user looks.
        FlushDraw2D();
        ResetDraw2D();
        DrawButtons();
        ProfilerStop(g_loop.hudTimer);
        InterfaceDrawing = 0;
        thrownAway = !EndInterface();
      }
    }
    int presents = 1;
    if (RenderTargetMode != 0) {
      UnsetRenderTarget();
      ScreenWidth = g_loop.savedWidth;
      ScreenHeight = g_loop.savedHeight;
      if (!FrameSkipped) {
        if (RenderTargetMode == 1 || RenderTargetMode == 2) presents = SubmitVrFrame();
        if (RenderTargetMode == 6) DrawFullScreenQuad(2, 0, nullptr);
        if (RenderTargetMode == 7) DrawFullScreenQuad(2, 0, &BloomChain);
      }
      RenderTargetMode = 0;
    }

    // 22..24: an occluded window still tries to present; present, deferred work, sound.
    if (skippedOnlyForOcclusion) FrameSkipped = 0;
    // What this pass asks of the next: a thrown-away pass's frame is drawn again, the scene
    // too when it changed; only a pass whose interface alone was not the one foreseen leaves
    // the next a frame of the interface alone.
    const int askedAgain = RedrawRequested || scene == SCENE_CHANGED;
    if (thrownAway) {
      presents = 0;
      RedrawRequested = 1;
    }
    PartEnds(PART_INTERFACE);
    if (presents && !FrameSkipped && GraphicsEnabled) {
      TakeScreenshot();
      TickMappingScreenshot();
      ProfilerStart(g_loop.flipTimer);
      const uint32_t presentStart = ClockNowMs();
      if (g_trace.step) TraceStep("first frame : present");
      // A frame that differs from the last presented only in a few pixels (a cursor's blink)
      // sends only those where the window keeps the rest.
      GfxRect changed;
      const bool part = interfaceLast && ChangedSinceShown(&changed);
      PresentFrame(part ? &changed : nullptr);
      PassPresented(interfaceLast && LastPresentStatus == PRESENT_OK);
      CurrentFrameTiming.bytes[3] = static_cast<uint8_t>(ClockNowMs() - presentStart);
      if (g_loop.reportFirstFrame) {
        // The frame is told once it is drawn: a window without a screen (the offscreen video
        // the benchmarks use) takes a present without waiting for the drawing to end.
        if (g_trace.step) TraceStep("first frame : drawn");
        GfxFinish(Gfx.context);
        std::printf("first frame\n");
        std::fflush(stdout);
        g_loop.reportFirstFrame = 0;
      }
      if (!g_loop.framePresented) {
        // The programs linked for the first frame are kept once it is up: the user sees the
        // frame without waiting for their binaries to be written.
        if (g_trace.step) TraceStep("first frame : program cache");
        g_loop.framePresented = 1;
        SaveProgramCache();
      }
      if (g_trace.on && g_trace.step) {
        TraceStep(nullptr);
        LogF("trace : start to first frame %.1f ms", ClockTraceMs() - g_trace.start);
      }
      ProfilerStop(g_loop.flipTimer);
      PartEnds(PART_PRESENT);
      if (RunDeferredWork() | TakeCarModelRebuilt()) RedrawRequested = 1;
    }
    if (!g_loop.top)
      QuitFlag = 1;
    else if (SoundOpen && SoundStreaming)
      UpdateSoundStream();
    MakeWhatStartUpLeft();
    g_loop.interfaceOnly = !(askedAgain || (RedrawRequested && !thrownAway));
    PartEnds(PART_AFTER_PRESENT);
  } else {
    // A screen at rest still plays its music: the stream is refilled as on a drawn pass.
    if (SoundOpen && SoundStreaming) UpdateSoundStream();
    PartEnds(PART_PREPARE);
    RestUntilNextPass();
    PartEnds(PART_REST);
  }

  // 25..28: messages, per-pass input, window changes and device recovery.
  if (!QuitFlag) PumpMessages();
  // A signal to end (Ctrl+C in the terminal, SIGTERM, a hang-up) is an exit request like the
  // window's close: work no file holds is asked about first.
  RunStep([] {
    if (const int signal = TakeEndSignal()) RequestExit(0, EndSignalName(signal));
  });
  RunStep(RunDriveLines);
  DeliverDeferredMouseMove();
  if (!GraphicsEnabled) UpdateStatusOutput();
  RunStep(HandleFrameKeys);
  RunStep(PollNetwork);
  RunStep(ServeInstanceRequests);
  if (TextEntryActive) RunStep(UpdateIME);
  RunStep(ApplyDeferredWindowChanges);
  if (LastPresentStatus != PRESENT_OK) RecoverD3DDevice();
  g_loop.redrawAtEnd = RedrawRequested;
  PartEnds(PART_MESSAGES);

  ++g_loop.passes;
  if (g_loop.passLimit && g_loop.passes >= g_loop.passLimit) RequestExit(0, "pass limit");
}

// ---- [Limiter] ----

void LimitFrameRate(int wakeAtLeastOnce, float periodMs) {
  const uint32_t entry = ClockNowMs();
  if (periodMs <= 0.0f) {
    SleepUntilClockChanges();
    UpdateAfterSleep(entry);
    return;
  }
  // A long-run schedule (count x period from an anchor) rather than per-frame sleeps, so a
  // fractional period keeps its average; double precision keeps hours of frames exact.
  const double period = periodMs;
  ++g_loop.frameCount;
  double remaining = g_loop.frameCount * period - static_cast<double>(g_loop.now - g_loop.anchor);
  if (remaining < -1.999 || remaining > period) {
    if (wakeAtLeastOnce) {
      SleepUntilClockChanges();
      UpdateAfterSleep(entry);
    }
    g_loop.frameCount = 0;
    g_loop.anchor = g_loop.now;
    return;
  }
  uint32_t wait = wakeAtLeastOnce ? 1u : 0u;
  if (remaining > 0.499) wait = std::max<uint32_t>(static_cast<uint32_t>(std::lround(remaining)), 1u);
  if (wait) {
    uint32_t slept = 0;
    uint32_t last = ClockNowMs();
    while (slept < wait) {
      ClockSleepMs(wait - slept);
      const uint32_t now = ClockNowMs();
      const int32_t step = static_cast<int32_t>(now - last);
      if (step > 0) slept += static_cast<uint32_t>(step);
      last = now;
    }
    UpdateAfterSleep(entry);
    remaining = g_loop.frameCount * period - static_cast<double>(g_loop.now - g_loop.anchor);
  }
  if (std::fabs(remaining) < 0.001) {
    g_loop.frameCount = 0;
    g_loop.anchor = g_loop.now;
  }
}

// ---- [Device recovery] ----

void RecoverD3DDevice() {
  if (LastPresentStatus == PRESENT_OCCLUDED) return;
  ClockSleepMs(1);
  if (ExitRequested) return;
  if (!g_loop.recoveryNoted) {
    g_loop.recoveryNoted = 1;
    g_loop.recoveryNotedAt = ClockNowMs();
    if (VrEnabled) VrDeviceLost();
    return;
  }
  if (ClockNowMs() - g_loop.recoveryNotedAt < 1000) return;

  ReleaseRaceCarLighting();
  g_loop.recoveryNoted = 0;
  CloseD3D();
  ResetForDeviceReload();
  for (int tries = 0;;) {
    const char* error = PreInitD3D();
    if (!error) {
      error = InitialiseGraphicsForScreen();
      if (!error) {
        LastPresentStatus = PRESENT_OK;
        ReleaseMediaForReload();
        LogLine("Recovered from D3D device error");
        AddMessage("Recovered from D3D device error", TextColours.yellow, MSG_TARGET_LOCAL);
        return;
      }
      CloseD3D();
    }
    ++tries;
    LogF("%s (%d)", error, tries);
    if (tries >= 10) {
      // Giving up is a failure: the program ends, and says so in its exit code.
      ExitCode = EXIT_DEVICE_LOST;
      RequestExit(0, "recovery check");
      return;
    }
    ClockSleepMs(tries <= 3 ? 1000 : tries <= 6 ? 2000 : 4000);
  }
}

void ResetForDeviceReload() {
  ReleaseSystemTextures();
  ClearVrRecords();
  if (CWld) CWld->ResetObjectStates(0);
  ClearLightSchemeLightWords();
  ReleaseAllCarModels();
  ReleaseTrackThumbnails();
  FreeViewObjects();
  ClearCachedMeshWords();
}

// ---- [Shut-down] ----

namespace {

// A user's file not saved at exit: said on standard error (the program ends before anyone
// could read a message line), in a box while the window is still up, in the log and in the
// exit code.
void ReportFailedExitSave(const char* path, int error) {
  if (!error) return;
  char text[FILE_PATH_SIZE + 96];
  std::snprintf(text, sizeof text, "Could not save %s : %s", path, std::strerror(error));
  std::fprintf(stderr, "%s\n", text);
  ErrorBox(text);
  if (ExitCode == 0) ExitCode = EXIT_SAVE_FAILED;
}

void SaveUserFilesAtExit() {
  int error = 0;
  SaveConfig(&error);
  ReportFailedExitSave(ConfigPath, error);
  WriteInterfaceCfg(&error);
  ReportFailedExitSave(InterfaceCfgPath, error);
  SavePlayerFile(&error);
  char path[FILE_PATH_SIZE];
  if (error && PlayerFilePath(path, sizeof path)) ReportFailedExitSave(path, error);
}

}  // namespace

int AppShutdown() {
  // A loop ended by a quit message leaves its screens open: close them so that each one
  // frees what it owns.
  if (Prss* top = g_loop.top) {
    top->terminate(top);
    g_loop.top = top->act(top);
  }
  DeleteWorld();  // a world still loaded frees its meshes while the device lasts
  LogLine("shutting down");
  char path[96];
  std::snprintf(path, sizeof path, MprPathTemplate, "temp_mpr");
  FileRemove(path);
  CloseCtrlink();
  CloseMprRecorder();
  LogLine("free languages");
  FreeLanguages();
  FreeModList();
  CancelModExport();  // a quit mid-export leaves no half mod
  FreeSolidList();
  FileRemove("data\\spr\\temp_spr.spr");
  LogLine("delete env maps");
  ReleaseEnvironmentTextures();
  LogLine("close sound");
  ShutdownSound();
  LogLine("close VR");
  CloseVr();
  LogLine("free humans");
  MakeHumanFigures = nullptr;  // none were wanted
  FreeHumans();
  LogLine("free font");
  FreeCharacterSet();
  LogLine("free helmet");
  FreeHelmet();
  ReleaseControls();  // the force stops before the window goes
  LogLine("kill graphics");
  if (GraphicsEnabled) SaveProgramCache();
  ShutdownGraphics();
  StopSkyThread();
  LogLine("save config");
  SaveUserFilesAtExit();
  SaveReplayState();
  LogLine("free mouse");
  ClipCursorToClient(0);
  if (!g_loop.cursorShown) {  // the system cursor hidden under a headset comes back
    g_loop.cursorShown = 1;
    SetSystemCursorVisible(1);
  }
  CleanupSockets();
  ReleaseStatusOutput();
  CloseInstanceRequests();
  EndSaveJournal();
  CloseDriveFile();
  LogLine("EXIT");
  DestroyImeContext();
  DestroyMainWindow();
  return ExitCode;
}

int WinMain(const char* commandLine) {
  CatchEndSignals();  // from the first step on: one coming during start-up is taken by the first pass
  if (AppStartup(commandLine) == START_ENDED) return ExitCode;
  while (!QuitFlag) AppRunPass();
  return AppShutdown();
}

Prss* AppTopProcess() { return g_loop.top; }
void AppSetTopProcess(Prss* top) { g_loop.top = top; }

// ---- [Services] ----

void RequestExit(uint32_t actionCode, const char* reason) {
  if (ExitRequested) return;
  if (reason) LogF("exit : %s", reason);
  ExitRequested = 1;
  RedrawRequested = 1;  // screens that rest act again, to close
  if (actionCode != 0) {
    ExitAction = actionCode;
  } else {
    CloseCtrlink();
    CloseSound();
    CurrentBackground = nullptr;
  }
}

const char* InitTimerResolution() {
  // The counter's source is as fine as the system allows; we ask for no less than 0.5 ms.
  const uint32_t resolution = std::max<uint32_t>(ClockResolution100ns(), 5000);
  LogF("timer resolution %d microsec", static_cast<int>(resolution / 10));
  return nullptr;
}

void CaptureSystemTime() {
  SystemFileTime = ClockFileTimeNow();
  WallTimeFromFileTime(SystemFileTime, SystemTimeUtc);
}

uint64_t NoonOfRaceDate() {
  WallTime date;
  WallTimeFromFileTime(HotlapDateTime, date);
  date.hour = 12;
  date.minute = 0;
  date.second = 0;
  date.millisecond = 0;
  return FileTimeFromWallTime(date) - static_cast<uint64_t>(static_cast<int64_t>(WorldTimeZoneHours()) * 3600 * 10000000LL);
}

namespace {
// The body of the ClipCursorToWindow hook (core/window_state.h).
void ClipCursorToClientArea() { ClipCursorToClient(1); }
}  // namespace

namespace {
// The body of the UpdateCursorClip hook (core/window_state.h).
void ClipCursorForMode() {
  const uint32_t lockBit = IsFullScreen() ? CLICK_MOUSE_LOCK_FULLSCREEN : CLICK_MOUSE_LOCK_WINDOW;
  ClipCursorToClient((CfgScreenFlags & lockBit) ? 1 : 0);
}
}  // namespace

namespace {
// The body of the SendTypedLine hook (race/race.h): a typed line goes in as typed.
void SendTyped(const char* line) { Prss_SendMessage(nullptr, line, SOURCE_TYPED); }
// The body of the PlayerGearbox hook (core/controls.h): the player's gearbox option.
int GearboxOfPlayer() { return Player.options[3]; }
// The body of the PlayerEngineChoice hook (vehicle_data/engine_file.h): the engine the player
// chose for a built-in vehicle, its 32-byte text in the player file.
char* EngineOfPlayer(int builtinIndex) {
  return builtinIndex >= 0 && builtinIndex < PLAYER_CAR_COUNT ? Player.cars[builtinIndex].longText : nullptr;
}
// What the vehicle editor asks of the front end and the race.
void InstallVehicleEditorShell() {
  VehicleEditorShellHooks& s = EditorShellHooks;
  s.openOptions = OpenOptions;
  s.openCoverGarage = [](Prss* parent, const char* vehicleName) {
    CoverState = COVER_TAKING;
    return OpenGaragePage(parent, vehicleName);
  };
  s.takeCover = [] {
    const int made = CoverState == COVER_MADE ? 1 : 0;
    CoverState = COVER_NONE;
    return made;
  };
  s.startExport = [] { CheckModForExport(nullptr, 0, MOD_UPLOAD); };
  s.exportStep = ExportMod;
  s.checkModForExport = CheckModForExport;
  s.carChanged = [](Car* car) { ModExportCar = car; };
  s.fillCarChoice = SetupPlayerCarChoice;
  s.checkTextures = [](const Car& car, float* megapixels) { return car.CheckTextures(megapixels); };
  s.driveSideChanged = [](int left) { Player.options[1] = uint8_t((Player.options[1] & ~1) | (left & 1)); };
  // The texture names of the model and the spoke object in one list, exported as one.
  s.exportTextures = [](Prss* screen, const ModelObject* model, const ModelObject* spoke, int format) {
    static TextureNameList names;
    names.count = 0;
    if (model) CollectObjectTextureNames(*model, names);
    if (spoke) CollectObjectTextureNames(*spoke, names);
    return ExportModFiles(screen, names, format, 0);
  };
  // A vehicle saved in the editor names the local player's vehicle, when there is one.
  s.setLocalPlayerName = [](const char* name) {
    RacePlayer* local = Race::GetLocalPlayer();
    if (local && local->car) std::snprintf(local->car->vehicleName, sizeof local->car->vehicleName, "%s", name);
  };
  s.checkVehicleSkins = CheckVehicleSkins;
  s.testExportFolder = TestExportFolder;
  s.testExportFolderSize = TEST_EXPORT_FOLDER_SIZE;
}
}  // namespace

void InstallShellHooks() {
  InstallInterface();
  InstallMainWindowHooks();
  InstallModellerHooks();
  InstallVehicleEditorHooks();
  OpenVehicleEditorScreen = [](Prss* parent) { return &VehicleEditor::Create(parent)->prss; };
  InstallVehicleEditorShell();
  InstallVehicleLooks();
  InstallRaceHooks();
  OpenOptionsScreen = OpenOptions;
  InstallWorld();
  InstallCarWorld();
  InstallWorldModelServices();
  GatherWorldTextureNames = GatherLoadedWorldTextureNames;
  SoundListenerCamera = CameraForSound;
  ClipCursorToWindow = ClipCursorToClientArea;
  UpdateCursorClip = ClipCursorForMode;
  SendTypedLine = SendTyped;
  PlayerGearbox = GearboxOfPlayer;
  PlayerEngineChoice = EngineOfPlayer;
  VrFunctionKeyMessage = FunctionKeyMessage;
}

void TickMappingScreenshot() {
  if (!MappingScreenshotRequested || !MappingToolIsOpen()) return;
  if (MappingScreenshotRequested >= 4) {
    MappingScreenshotRequested = 0;
    MappingChanged = 1;
    RedrawRequested = 1;
    return;
  }
  if (++MappingScreenshotRequested == 4) {
    // The frames since the request were drawn without the tool's buttons and overlays.
    ClockSleepMs(200);
    CopyMappingToClipboard();
    ClockSleepMs(200);
    EditViewState &= 0x1FFFFFu;  // the roll the view took for the shot goes
  }
}

int FindDisplayMode(const DisplayModeRecord& record) {
  const DisplayMode* modes = DisplayModes();
  for (int i = 0; i < DisplayModeCount(); ++i)
    if (ModeEquals(modes[i], record)) return 1;
  return 0;
}

int PickDefaultDisplayMode(DisplayModeRecord& record) {
  const DisplayMode* modes = DisplayModes();
  const int count = DisplayModeCount();
  if (count <= 0) return -1;
  int pick = 0;
  for (int i = 1; i < count; ++i) {
    const bool common = (modes[i].width == 640 && modes[i].height == 480) ||
                        (modes[i].width == 1024 && modes[i].height == 768);
    if (common) pick = i;
  }
  RecordFromMode(record, modes[pick], pick);
  return pick;
}

void MatchDisplayMode(DisplayModeRecord& screenInfo, DisplayModeRecord& quickSwitch) {
  const DisplayMode* modes = DisplayModes();
  const int count = DisplayModeCount();
  CurrentModeRecord = DisplayModeRecord{0, 0, 0, -1};
  if (CurrentDisplayModeIndex >= 0 && CurrentDisplayModeIndex < count)
    RecordFromMode(CurrentModeRecord, modes[CurrentDisplayModeIndex], CurrentDisplayModeIndex);
  if (!FindDisplayMode(screenInfo)) screenInfo = CurrentModeRecord;

  quickSwitch.index = -1;
  CurrentModeRecord.index = -1;
  FullScreenModeIndex = -1;
  for (int i = 0; i < count; ++i) {  // the last equal mode wins
    if (ModeEquals(modes[i], quickSwitch)) quickSwitch.index = i;
    if (ModeEquals(modes[i], CurrentModeRecord)) CurrentModeRecord.index = i;
    if (ModeEquals(modes[i], screenInfo)) FullScreenModeIndex = i;
  }
  if (quickSwitch.index < 0) PickDefaultDisplayMode(quickSwitch);
  if (CurrentModeRecord.index < 0) PickDefaultDisplayMode(CurrentModeRecord);
  if (FullScreenModeIndex < 0) FullScreenModeIndex = PickDefaultDisplayMode(screenInfo);
  screenInfo.index = FullScreenModeIndex;
  ScreenWidth = screenInfo.width;
  ScreenHeight = screenInfo.height;
}

// ---- [Test switches] ----

void AppForceNoGraphics(int noGraphics) {
  g_loop.forceNoGraphics = noGraphics;
  GraphicsEnabled = noGraphics ? 0 : 1;
}

void AppSetPassLimit(uint32_t passes) { g_loop.passLimit = passes; }

void AppReportFirstFrame(int report) { g_loop.reportFirstFrame = report; }

void AppTracePasses(int trace) { g_loop.tracePasses = trace; }

void AppTraceStartup(int trace) {
  g_trace = StartupTrace{};
  g_trace.on = trace;
}

void AppResetState() {
  ResetFrameKeys();
  const int forceNoGraphics = g_loop.forceNoGraphics;
  const int reportFirstFrame = g_loop.reportFirstFrame;
  const int tracePasses = g_loop.tracePasses;
  g_loop = LoopState{};
  g_loop.forceNoGraphics = forceNoGraphics;
  g_loop.reportFirstFrame = reportFirstFrame;
  g_loop.tracePasses = tracePasses;
  CloseInstanceRequests();
  ResetCommandLineState();
  ResetTextCommandState();
  ShutdownSound();
  QuitFlag = 0;
  ProgramClock = 0;
  LastInputClock = 0;
  FrameTime = SimFrameTime = 0;
  RandomSeed = 0;
  RedrawRequested = 1;
  KeepDrawing = 0;
  RedrawAlarmSet = 0;
  FrameSkipped = 0;
  DrawnFrameCount = 0;
  BlinkPhase = 0;
  GraphicsEnabled = forceNoGraphics ? 0 : 1;
  DedicatedMode = 0;
  LayoutGroundLookups = 1;
  SetLayoutFolder(nullptr);
  RunMode = 1;
  ExitCode = 0;
  ExitRequested = 0;
  MenuFramePeriodMs = 25;
  CurrentFrameTiming = FrameTimingRecord{};
  std::memset(FrameTimingHistory, 0, sizeof FrameTimingHistory);
  EditorFrameHook = nullptr;
  EditorFrameHookArgument = nullptr;
  WorkAtRest = nullptr;
  RenderTargetMode = 0;
  FullScreenModeIndex = -1;
  CurrentProcess = nullptr;
  CurrentBackground = nullptr;
  LastPresentStatus = PRESENT_OK;
  ResetVrState();
  VrEnabled = 0;
  VrConfig = VrSettings{};
  ScreenshotRequest = 0;
}
