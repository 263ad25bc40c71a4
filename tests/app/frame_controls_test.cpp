// frame_controls_test.cpp - controller buttons standing in for keys, through the real main
// window's key handling and the frame loop; SDL's virtual joysticks stand in for devices.
#include <SDL.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_controls.h"
#include "app/text_commands.h"
#include "app_harness.h"
#include "core/controls.h"
#include "platform/controllers.h"
#include "platform/keys.h"
#include "race/race.h"
#include "render/vr.h"
#include "tests/platform/virtual_joystick.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/text_entry.h"

namespace {

// A process that keeps every key it is handed.
struct KeyProbe {
  Prss prss;
  std::vector<int> keys;
};

Prss* KeyProbeAct(Prss* process) {
  if (ExitRequested && !process->sub) process->terminate(process);
  if (!process->alive) {
    delete reinterpret_cast<KeyProbe*>(process);
    return nullptr;
  }
  Prss_ActSub(process);
  return process;
}

void KeyProbeKey(Prss* process, int key) { reinterpret_cast<KeyProbe*>(process)->keys.push_back(key); }

KeyProbe* OpenKeyProbe(int rawKeys, uint16_t flags) {
  KeyProbe* probe = Prss_New<KeyProbe>();
  Prss_Init(&probe->prss, nullptr, KeyProbeAct, KeyProbeKey, nullptr, nullptr, nullptr);
  probe->prss.rawKeys = static_cast<uint8_t>(rawKeys);
  probe->prss.flags = flags;
  Prss_MakeCurrent(&probe->prss);
  return probe;
}

class FrameKeys : public AppHarness {
 protected:
  void SetUp() override {
    AppHarness::SetUp();
    ASSERT_EQ(PlatformControllersStart(), 1);
    SetControlStartValues();
    ResetMainWindowState();
    ResetDialogs();
    ResetTypedMessage();
    ResetMessages();
    DialogOpen = 0;
    DialogFunctionKey = 0;
    ScreenPanel = 0;
    TextEntryActive = 0;
    CommandState.hideText = 0;
    VrEnabled = 0;
    CfgShiftDebounce = 20;
    FrameTime = 10;
  }

  void TearDown() override {
    stick_.reset();
    ResetDialogs();
    if (probe_) {
      CurrentProcess = nullptr;
      delete probe_;
      probe_ = nullptr;
    }
    ReleaseControls();
    PlatformControllersStop();
    VrEnabled = 0;
    AppHarness::TearDown();
  }

  // A stick of 16 buttons whose button n is bound to control n's neighbour in the test.
  void Stick() {
    stick_ = std::make_unique<VirtualJoystick>(2, 16, 0, "Button Box");
    FindControllers();
    ASSERT_EQ(ControllerDeviceCount, 1);
  }

  KeyProbe& Probe(int rawKeys = 1, uint16_t flags = PRSS_FLAG_KEY_ESCAPE) {
    probe_ = OpenKeyProbe(rawKeys, flags);
    return *probe_;
  }

  // One frame: the controls polled, then the per-pass keys.
  static void Frame() {
    ControlsPolledThisFrame = 0;
    ReadPedals();
    HandleFrameKeys();
  }

  // Presses the button for one frame and lets it go until its countdown has run out.
  void Tap(int button) {
    stick_->Button(button, true);
    Frame();
    stick_->Button(button, false);
    for (int i = 0; i < 5; ++i) Frame();
  }

  static bool Shown(const std::string& text) {
    for (int i = 0; i < MessageLineCount; ++i)
      if (text == MessageLines[i].text) return true;
    return false;
  }

  std::unique_ptr<VirtualJoystick> stick_;
  KeyProbe* probe_ = nullptr;
};

TEST_F(FrameKeys, FunctionKeyControlsSendFunctionKeysWithCtrlOrAlt) {
  Stick();
  Probe();
  AssignControlKey2(CONTROL_CTRL_F1, 0);       // Ctrl+F1
  AssignControlKey2(CONTROL_ALT_F1 + 8, 1);    // Alt+F9
  SetFunctionKeyMessage(8, "/echo sent by ctrl f1");
  Tap(0);
  EXPECT_TRUE(Shown("sent by ctrl f1"));
  EXPECT_EQ(CtrlHeld, 0);  // the modifier words come back

  // Held over several frames the key is sent once; while a dialog is open the dialog takes it.
  DialogOpen = 1;
  stick_->Button(0, true);
  for (int i = 0; i < 4; ++i) Frame();
  EXPECT_EQ(DialogFunctionKey, 9);  // Ctrl+F1: message 8
  DialogFunctionKey = 0;
  stick_->Button(0, false);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(DialogFunctionKey, 0);  // the release sends nothing

  AltHeld = 0;
  CtrlHeld = 1;  // held on the keyboard: kept, and not seen by the Alt key
  Tap(1);
  EXPECT_EQ(DialogFunctionKey, 29);  // Alt+F9: message 28
  EXPECT_EQ(CtrlHeld, 1);
  EXPECT_EQ(AltHeld, 0);
  EXPECT_TRUE(probe_->keys.empty());  // function keys go to their messages, not the screen
}

// The edges of the function-key controls, to an open dialog: the last Ctrl one is Ctrl+F12
// (message 19), the first Alt one Alt+F1 (message 20), the last Alt+F12 (message 31).
TEST_F(FrameKeys, TheLastCtrlAndTheFirstAndLastAltFunctionKeyControls) {
  Stick();
  Probe();
  AssignControlKey2(CONTROL_ALT_F1 - 1, 0);
  AssignControlKey2(CONTROL_ALT_F1, 1);
  AssignControlKey2(CONTROL_COUNT - 1, 2);
  DialogOpen = 1;
  const std::pair<int, int> cases[] = {{0, 20}, {1, 21}, {2, 32}};  // the message's number + 1
  for (const auto& [button, key] : cases) {
    DialogFunctionKey = 0;
    Tap(button);
    EXPECT_EQ(DialogFunctionKey, key) << button;
  }
  DialogOpen = 0;
  DialogFunctionKey = 0;
}

// A control held through the reset between runs is a new press afterwards: the reset forgets
// which controls were seen held.
TEST_F(FrameKeys, TheResetForgetsWhichControlsWereHeld) {
  Stick();
  Probe();
  AssignControlKey2(CONTROL_ALT_F1 - 1, 0);  // Ctrl+F12, message 19
  DialogOpen = 1;
  stick_->Button(0, true);
  Frame();
  EXPECT_EQ(DialogFunctionKey, 20);
  DialogFunctionKey = 0;
  Frame();
  EXPECT_EQ(DialogFunctionKey, 0) << "held: sent once";
  AppResetState();
  DialogOpen = 1;
  Frame();
  EXPECT_EQ(DialogFunctionKey, 20) << "after the reset the held button is pressed anew";
  stick_->Button(0, false);
  for (int i = 0; i < 5; ++i) Frame();
  DialogOpen = 0;
  DialogFunctionKey = 0;
}

TEST_F(FrameKeys, ArrowControlsPressAndReleaseTheArrowKeys) {
  Stick();
  KeyProbe& probe = Probe();
  for (int i = 0; i < 4; ++i) AssignControlKey2(CONTROL_ARROW_UP + i, i);  // up, down, left, right
  for (int i = 0; i < 4; ++i) stick_->Button(i, true);
  Frame();
  EXPECT_EQ(probe.keys, (std::vector<int>{KEYCODE_UP, KEYCODE_DOWN, KEYCODE_LEFT, KEYCODE_RIGHT}));
  EXPECT_EQ(ArrowKeysHeld[0], 1);
  EXPECT_EQ(ArrowKeysHeld[3], 1);
  stick_->Button(0, false);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(ArrowKeysHeld[0], 0);  // released once the debounce has run out
  EXPECT_EQ(ArrowKeysHeld[1], 1);
  EXPECT_EQ(probe.keys.size(), 4u);
}

TEST_F(FrameKeys, EscapeComesAsAKeyPressOrAsACharacter) {
  Stick();
  AssignControlKey2(CONTROL_ESCAPE, 5);
  Tap(5);  // no process: nothing to reach, nothing fails

  // A screen in raw-key mode with the flag takes it as a key press.
  KeyProbe& keys = Probe(1, PRSS_FLAG_KEY_ESCAPE);
  Tap(5);
  EXPECT_EQ(keys.keys, (std::vector<int>{KEY_ESCAPE}));
  EXPECT_EQ(KeyState[KEY_ESCAPE], 0);  // pressed and released
  CurrentProcess = nullptr;
  delete probe_;

  // A text field without the flag takes it as the character 27.
  KeyProbe& text = Probe(0, 0);
  Tap(5);
  EXPECT_EQ(text.keys, (std::vector<int>{27}));
  CurrentProcess = nullptr;
  delete probe_;

  // With the flag a text field gets the key press, which raw keys only reach.
  KeyProbe& both = Probe(0, PRSS_FLAG_KEY_ESCAPE);
  Tap(5);
  EXPECT_TRUE(both.keys.empty());
}

TEST_F(FrameKeys, TextAndMessageControls) {
  Stick();
  Probe();
  AssignControlKey2(CONTROL_HIDE_TEXT, 2);
  AssignControlKey2(CONTROL_TALK, 3);
  Tap(2);
  EXPECT_EQ(CommandState.hideText, 1);
  Tap(2);
  EXPECT_EQ(CommandState.hideText, 0);
  TextEntryActive = 1;  // not while text is being typed
  Tap(2);
  EXPECT_EQ(CommandState.hideText, 0);
  TextEntryActive = 0;

  Tap(3);
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter message");
  EXPECT_EQ(OpenTextEntry.maxLength, 96);
  EXPECT_EQ(CurrentProcess, &TextEntryDialogSub.prss);
  EXPECT_EQ(OpenTextEntry.owner, &probe_->prss);
}

TEST_F(FrameKeys, PanelHoldShowsTheFirstPanelOverTheThirdOrFourth) {
  Stick();
  AssignControlKey2(CONTROL_PANEL_HOLD, 4);
  ScreenPanel = 2;
  stick_->Button(4, true);
  Frame();
  EXPECT_EQ(ScreenPanel, 2);
  stick_->Button(4, false);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(ScreenPanel, 2);  // a release after a press that did nothing leaves it

  ScreenPanel = 4;
  stick_->Button(4, true);
  Frame();
  EXPECT_EQ(ScreenPanel, 1);
  stick_->Button(4, false);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(ScreenPanel, 0);
}

TEST_F(FrameKeys, OnlyTheirOwnButtonsMoveTheControlsEvenWithVrOn) {
  Stick();
  KeyProbe& probe = Probe();
  VrEnabled = 1;  // the VR controller's buttons stay 0
  AssignControlKey2(30, 6);  // gear_1: a car control, no key
  ScreenPanel = 3;
  Tap(6);
  for (int i = 0; i < 3; ++i) Frame();
  EXPECT_TRUE(probe.keys.empty());
  EXPECT_EQ(ScreenPanel, 3);
}

// ---- Through the frame loop ----

TEST_F(FrameKeys, TheFrameLoopPollsTheDevicesAndHandsTheirButtonsOn) {
  stick_ = std::make_unique<VirtualJoystick>(2, 16, 0, "Loop Stick");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_TRUE(LogHas("controllers"));
  EXPECT_FALSE(LogHas("controller 1")) << "the devices are found once the first frame is up";
  RunPasses(1);
  EXPECT_TRUE(LogHas("controller 1 : Loop Stick - 2 axes, 16 buttons, 0 hats"));
  KeyProbe* probe = OpenKeyProbe(1, PRSS_FLAG_KEY_ESCAPE);
  ReplaceTop(&probe->prss);
  Prss_MakeCurrent(&probe->prss);  // closing the entry page handed the input to its parent
  Prss_SendMessage(nullptr, "/button arrow_up 3", SOURCE_TYPED);
  stick_->Button(2, true);
  RunPasses(3);
  EXPECT_EQ(probe->keys, (std::vector<int>{KEYCODE_UP}));
  EXPECT_EQ(ArrowKeysHeld[0], 1);
  stick_->Button(2, false);
  for (int i = 0; i < 100 && ArrowKeysHeld[0]; ++i) {
    RedrawRequested = 1;
    RunPasses(1);
  }
  EXPECT_EQ(ArrowKeysHeld[0], 0);
  AppShutdown();
  EXPECT_EQ(ControllerDeviceCount, 0);
}

TEST_F(FrameKeys, WithNoDeviceStartUpLogsTheStepAndSaysNothingOfForceFeedback) {
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(1);
  EXPECT_TRUE(LogHas("controllers"));
  EXPECT_FALSE(LogHas("controller 1"));
  EXPECT_EQ(ControllerDeviceCount, 0);
  EXPECT_EQ(PollDevices(), 0);
  for (int i = 0; i < MessageLineCount; ++i) EXPECT_EQ(std::string(MessageLines[i].text).find("FF"), std::string::npos);
  RunPasses(5);
  AppShutdown();
}

}  // namespace
