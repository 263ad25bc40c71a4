// vr_test.cpp - the VR plug-in interface against the test plug-in on the null device: loading
// and its refusals, opening and its error texts, the device and its eye texture, tracking
// (positions kept, the neck model, recentring, the eased heading, broken samples), the submit
// error and the mirror's crop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/sound.h"
#include "platform/audio.h"
#include "render/exposure.h"
#include "render/frame.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/vr.h"
#include "tests/core/report_recorder.h"
#include "tests/render/null_renderer.h"
#include "tests/render/vr_test_plugins.h"
#include "text/language.h"

namespace {

class VrPlugin : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    ResetVrState();
    VrConfig = VrSettings{};
    VrEnabled = 1;
    savedFlags_ = CfgScreenFlags;
    CfgScreenFlags &= ~256u;
  }
  void TearDown() override {
    ResetVrState();
    RemoveVrTestPlugins();
    VrEnabled = 0;
    VrFunctionKeyMessage = nullptr;
    CfgScreenFlags = savedFlags_;
    VrAudioDevice = ConfigUuid{};
  }
  // Loads and opens the headset variant; its script block, null on failure.
  VrTestControl* OpenHeadset() {
    InstallVrTestPlugin("headset");
    if (LoadVrPlugin()) return nullptr;
    return VrTestScript();
  }
  // A headset with its device made; positional unless told otherwise.
  VrTestControl* StartHeadset(uint32_t flags = ZKTVR_FLAG_POSITIONAL) {
    VrTestControl* s = OpenHeadset();
    if (!s) return nullptr;
    s->flags = flags;
    if (OpenVrSession() || InitVrDevice()) return nullptr;
    return s;
  }
  // One frame's tracking.
  static int Frame() {
    ClearVrFrameWord();
    return UpdateVrTracking();
  }
  uint32_t savedFlags_ = 0;
};

TEST_F(VrPlugin, VersionOneIsRefusedAndUnloaded) {
  ReportRecorder recorder;
  const std::string path = InstallVrTestPlugin("version1");
  EXPECT_STREQ(LoadVrPlugin(), "Unknown version of VR DLL");
  EXPECT_EQ(Vr.library, nullptr);
  EXPECT_FALSE(VrLibraryLoaded(path));
  CheckVr();
  EXPECT_EQ(VrEnabled, 0);
  EXPECT_EQ(ReportRecorder::NewestText(), "Unknown version of VR DLL");
}

TEST_F(VrPlugin, APlugInWithoutItsVersionIsRefusedAndUnloaded) {
  const std::string path = InstallVrTestPlugin("no_version");
  EXPECT_STREQ(LoadVrPlugin(), "Could not get version of VR DLL");
  EXPECT_EQ(Vr.library, nullptr);
  EXPECT_FALSE(VrLibraryLoaded(path));
}

TEST_F(VrPlugin, OptionalFunctionsMayBeMissingButNotARequiredOne) {
  InstallVrTestPlugin("no_optional");
  EXPECT_EQ(LoadVrPlugin(), nullptr);
  EXPECT_NE(Vr.submitFrame, nullptr);
  EXPECT_EQ(Vr.getEvent, nullptr);
  EXPECT_EQ(Vr.getButtons, nullptr);
  ResetVrState();
  const std::string path = InstallVrTestPlugin("no_submit");
  EXPECT_STREQ(LoadVrPlugin(), "Could not connect to all VR DLL functions");
  EXPECT_EQ(Vr.library, nullptr);
  EXPECT_FALSE(VrLibraryLoaded(path));
}

TEST_F(VrPlugin, NoPluginFileLeavesVrOffWithItsMessage) {
  ReportRecorder recorder;
  RemoveVrTestPlugins();
  CheckVr();
  EXPECT_EQ(VrEnabled, 0);
  EXPECT_EQ(ReportRecorder::NewestText(), "Could not load VR DLL");
  EXPECT_EQ(ReportRecorder::CountLines("ZKTRiftVR.so"), 1) << "the system's own reason is shown too";
  // The second plug-in is looked for under its own name.
  VrConfig.plugin = 1;
  InstallVrTestPlugin("headset", 0);
  EXPECT_STREQ(LoadVrPlugin(), "Could not load VR DLL");
}

TEST_F(VrPlugin, OpenErrorsGiveTheirTexts) {
  const char* display = LanguageTexts[TX_3h_hsriftvr];
  char expected[128];
  for (int code : {1, 2, 3, 9}) {
    VrTestControl* s = OpenHeadset();
    ASSERT_NE(s, nullptr);
    s->openError = code;
    const char* text = OpenVrSession();
    ASSERT_NE(text, nullptr) << code;
    switch (code) {
      case 1: std::snprintf(expected, sizeof expected, LanguageTexts[TX_3h_vrnoilib], display); break;
      case 2: std::snprintf(expected, sizeof expected, LanguageTexts[TX_3h_vrnoinit], display); break;
      case 3: std::snprintf(expected, sizeof expected, "%s", LanguageTexts[TX_3h_ornodx11]); break;
      default: std::snprintf(expected, sizeof expected, "%s", LanguageTexts[TX_3h_ormuswin]); break;
    }
    EXPECT_STREQ(text, expected) << code;
    EXPECT_EQ(Vr.library, nullptr) << "the library is freed";
    EXPECT_EQ(Vr.sessionKind, 0);
  }
  // A refusal that gives no code at all has the text of an unknown code.
  VrTestControl* s = OpenHeadset();
  ASSERT_NE(s, nullptr);
  s->openKind = ZKTVR_SESSION_NONE;
  const char* text = OpenVrSession();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, LanguageTexts[TX_3h_ormuswin]);
}

TEST_F(VrPlugin, DeviceNameIsBoundedAndARiftIsNoted) {
  VrTestControl* s = OpenHeadset();
  ASSERT_NE(s, nullptr);
  std::memset(s->name, 'x', sizeof s->name - 1);  // 47 characters: the buffer is left unterminated
  ASSERT_EQ(OpenVrSession(), nullptr);
  EXPECT_EQ(std::strlen(Vr.deviceName), 31u);
  EXPECT_EQ(Vr.nameHasRift, 0);
  EXPECT_EQ(Vr.sessionKind, ZKTVR_SESSION_TRACKING);
  ResetVrState();

  VrConfig.plugin = 1;
  InstallVrTestPlugin("headset", 1);
  ASSERT_EQ(LoadVrPlugin(), nullptr);
  std::snprintf(VrTestScript()->name, 48, "Vendor RiFt S");
  ASSERT_EQ(OpenVrSession(), nullptr);
  EXPECT_EQ(Vr.nameHasRift, 1);
}

TEST(VrEyeTexture, SizesFollowTheRecommendationDensityAndLimit) {
  int w = 0, h = 0;
  ComputeVrEyeTextureSize(20, 1000, 100, 16384, &w, &h);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 16);
  ComputeVrEyeTextureSize(2000, 1100, 100, 16384, &w, &h);
  EXPECT_EQ(w, 2000);
  EXPECT_EQ(h, 1100);
  ComputeVrEyeTextureSize(2000, 1100, 25, 16384, &w, &h);  // a quarter of the area: half each side
  EXPECT_EQ(w, 1000);
  EXPECT_EQ(h, 550);
  ComputeVrEyeTextureSize(2000, 1100, 400, 1024, &w, &h);  // each eye at most half the largest texture
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 563);
}

// The ends of each rule: a recommendation 32 wide (and 1 high) is used, 31 wide or 0 high
// gives the 32 x 16 fallback; a density of 0 or less counts as 1 (a tenth of each side); a
// height that rounds to 0 is 1; an eye is at most half the largest texture and at least 1.
TEST(VrEyeTexture, EachRuleAtItsEnds) {
  struct Row {
    int width, height, density, maxTexture, eyeWidth, eyeHeight;
  };
  const Row rows[] = {
      {32, 1, 100, 16384, 32, 1},     {31, 1000, 100, 16384, 32, 16},   {2000, 0, 100, 16384, 32, 16},
      {2000, 1100, 1, 16384, 200, 110}, {2000, 1100, 0, 16384, 200, 110}, {2000, 1100, -5, 16384, 200, 110},
      {2000, 4, 1, 16384, 200, 1},    {2000, 1100, 100, 2000, 2000, 1100}, {2000, 1100, 100, 1999, 1998, 1099},
      {2000, 1100, 100, 1, 2, 1},
  };
  for (const Row& r : rows) {
    int w = 0, h = 0;
    ComputeVrEyeTextureSize(r.width, r.height, r.density, r.maxTexture, &w, &h);
    EXPECT_EQ(w, r.eyeWidth) << r.width << " " << r.height << " " << r.density << " " << r.maxTexture;
    EXPECT_EQ(h, r.eyeHeight) << r.width << " " << r.height << " " << r.density << " " << r.maxTexture;
  }
}

TEST_F(VrPlugin, DeviceHandsOverItsEyeTextureAndCloseUndoesEverything) {
  VrTestControl* s = OpenHeadset();
  ASSERT_NE(s, nullptr);
  void* held = HoldVrTestPlugin("dll/ZKTRiftVR.so");  // its script is read after it is closed
  s->recommendedWidth = 20;
  s->tilt = 0.5f;
  const float left[4] = {0.75f, 1.25f, 0.5f, 1.5f}, right[4] = {1.25f, 0.75f, 0.5f, 1.5f};
  std::copy(left, left + 4, s->tangents[0]);
  std::copy(right, right + 4, s->tangents[1]);
  ASSERT_EQ(OpenVrSession(), nullptr);
  ASSERT_EQ(InitVrDevice(), nullptr);
  // The exposure is told the left eye's frustum: horizontal left and right, vertical up and down.
  EXPECT_EQ(VrEyeTangents.known, 1);
  EXPECT_EQ(VrEyeTangents.horizontal[0], 0.75f);
  EXPECT_EQ(VrEyeTangents.horizontal[1], 1.25f);
  EXPECT_EQ(VrEyeTangents.vertical[0], 0.5f);
  EXPECT_EQ(VrEyeTangents.vertical[1], 1.5f);
  EXPECT_EQ(s->seen.size, sizeof(ZKTVR_DeviceInfo));
  EXPECT_EQ(s->seen.device, static_cast<void*>(&Gfx));
  EXPECT_EQ(Vr.eyeWidth, 32);
  EXPECT_EQ(Vr.eyeHeight, 16);
  ASSERT_NE(RenderTexture.texture, nullptr);
  EXPECT_EQ(RenderTexture.width, 32);
  EXPECT_EQ(s->accepts, 1);
  EXPECT_EQ(s->held.width, 32);
  EXPECT_EQ(s->held.format, uint32_t(GFX_FORMAT_R8G8B8A8_UNORM_SRGB));
  EXPECT_NEAR(Vr.tiltAngle, -0.5235988f, 1e-5f);
  EXPECT_EQ(VrPresenting, 1);
  EXPECT_EQ(Gfx.vrInUse, 1);
  EXPECT_EQ(SamplerLodBiasTable[0], 0.0f);
  EXPECT_TRUE(CfgScreenFlags & 256u) << "the mouse is kept in the window";
  EXPECT_EQ(Vr.recentreState, 2) << "a positional device recentres at its first frame";

  CloseVr();
  EXPECT_EQ(s->closes, 1);
  EXPECT_EQ(s->withdrawals, 0) << "the session was closed before the texture went";
  EXPECT_EQ(RenderTexture.texture, nullptr);
  EXPECT_FALSE(CfgScreenFlags & 256u);
  EXPECT_EQ(SamplerLodBiasTable[0], -0.5f);
  EXPECT_EQ(Vr.library, nullptr);
  EXPECT_EQ(VrPresenting, 0);
  EXPECT_EQ(Gfx.vrInUse, 0);
  EXPECT_EQ(VrEyeTangents.known, 0) << "no frustum without a headset";
  dlclose(held);
}

TEST_F(VrPlugin, TheEyeTextureGoingIsWithdrawnFromThePlugin) {
  VrTestControl* s = StartHeadset();
  ASSERT_NE(s, nullptr);
  ReleaseRenderTargetTexture();
  EXPECT_EQ(s->withdrawals, 1);
  EXPECT_EQ(s->held.glName, 0u);
  // The next frame makes it again and hands it over again.
  ASSERT_EQ(BeginVrFrame(), 1);
  UnsetRenderTarget();
  EXPECT_EQ(s->accepts, 2);
}

TEST_F(VrPlugin, RefusalsOfTheDeviceCloseThePluginWithBoundedTexts) {
  VrTestControl* s = OpenHeadset();
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(OpenVrSession(), nullptr);
  s->queryResult = 0;
  EXPECT_STREQ(InitVrDevice(), "Could not get VR device info");
  EXPECT_EQ(Vr.library, nullptr);

  s = OpenHeadset();
  ASSERT_NE(s, nullptr);
  static char longText[300];
  std::memset(longText, 'e', sizeof longText - 1);
  s->acceptError = longText;
  ASSERT_EQ(OpenVrSession(), nullptr);
  const char* text = InitVrDevice();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::strlen(text), 95u);
  EXPECT_EQ(RenderTexture.texture, nullptr);
  EXPECT_EQ(VrPresenting, 0);
}

TEST_F(VrPlugin, SoundFollowsTheHeadsetOnlyFromTheDefaultDevice) {
  VrTestControl* s = OpenHeadset();
  ASSERT_NE(s, nullptr);
  for (int i = 0; i < 16; ++i) s->guid[i] = uint8_t(i + 1);
  s->guidResult = 1;
  ASSERT_EQ(OpenVrSession(), nullptr);
  CfgSpeakerGuid = ConfigUuid{};
  ASSERT_EQ(InitVrDevice(), nullptr);
  EXPECT_EQ(VrAudioDevice.data1, 0x04030201u);
  EXPECT_EQ(VrAudioDevice.data2, 0x0605);
  EXPECT_EQ(VrAudioDevice.data4[7], 16);
  CloseVr();
  EXPECT_EQ(VrAudioDevice.data1, 0u) << "closing gives the sound back to the default device";

  s = OpenHeadset();
  s->guidResult = 1;
  s->guid[0] = 9;
  CfgSpeakerGuid.data1 = 77;  // a device chosen in cfg.txt stays chosen
  ASSERT_EQ(OpenVrSession(), nullptr);
  ASSERT_EQ(InitVrDevice(), nullptr);
  EXPECT_EQ(VrAudioDevice.data1, 0u);
  CfgSpeakerGuid = ConfigUuid{};
}

// Sound already open moves to the headset's device when the headset opens, and back to the
// default device when it closes.  The headset names its device by a GUID whose first three
// fields are little-endian: the audio identity's bytes 0-3, 4-5 and 6-7 each reversed.
TEST_F(VrPlugin, OpenSoundIsReopenedOnTheHeadsetAndGivenBackOnClosing) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  struct SoundClosed {
    ~SoundClosed() {
      ShutdownSound();
      unsetenv("SDL_AUDIODRIVER");
    }
  } closedAtTheEnd;
  CfgSpeakerGuid = ConfigUuid{};
  OpenSound();
  ASSERT_EQ(SoundOpen, 1);
  ASSERT_STREQ(AudioDeviceName(), "default");
  ASSERT_GE(AudioOutputCount(), 1);
  const std::string name = AudioOutputName(0);
  const AudioIdentity identity = AudioIdentityOfName(name.c_str());
  VrTestControl* s = OpenHeadset();
  ASSERT_NE(s, nullptr);
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) s->guid[order[i]] = identity.bytes[i];
  s->guidResult = 1;
  ASSERT_EQ(OpenVrSession(), nullptr);
  ASSERT_EQ(InitVrDevice(), nullptr);
  EXPECT_EQ(SoundOpen, 1);
  EXPECT_EQ(AudioDeviceName(), name) << "reopened on the headset's device";
  CloseVr();
  EXPECT_EQ(SoundOpen, 1);
  EXPECT_STREQ(AudioDeviceName(), "default") << "given back to the default device";
}

TEST_F(VrPlugin, OrientationOnlyKeepsTheLastPositionAndTrackingIsReadOncePerFrame) {
  VrTestControl* s = StartHeadset();
  ASSERT_NE(s, nullptr);
  Vr.recentreState = 0;
  AddVrSample(s, ZKTVR_TRACKING_POSITION, 0.1f, 0, 0, 1.0f, 2.0f, 3.0f);
  AddVrSample(s, ZKTVR_TRACKING_ORIENTATION, 0.2f, 0, 0, 9.0f, 9.0f, 9.0f);
  AddVrSample(s, ZKTVR_TRACKING_NONE, 0.3f, 0, 0, 0, 0, 0);
  ASSERT_EQ(Frame(), 1);
  EXPECT_EQ(Vr.positionValid, 1);
  EXPECT_EQ(Vr.headOffset[2], 3.0f);
  EXPECT_EQ(UpdateVrTracking(), 1);
  EXPECT_EQ(s->trackingReads, 1) << "once a frame";
  ASSERT_EQ(Frame(), 1);
  EXPECT_EQ(Vr.positionValid, 0);
  EXPECT_EQ(Vr.headOffset[0], 1.0f) << "the last valid position stays";
  EXPECT_EQ(Vr.headOffset[2], 3.0f);
  EXPECT_FLOAT_EQ(Vr.headAngles[0], 0.2f);
  EXPECT_EQ(Frame(), 0) << "no data";
  EXPECT_FLOAT_EQ(Vr.headAngles[0], 0.2f);
}

TEST_F(VrPlugin, BrokenSamplesAreIgnored) {
  VrTestControl* s = StartHeadset();
  ASSERT_NE(s, nullptr);
  Vr.recentreState = 0;
  AddVrSample(s, ZKTVR_TRACKING_POSITION, 0.1f, 0, 0, 1.0f, 1.0f, 1.0f);
  AddVrSample(s, ZKTVR_TRACKING_POSITION, NAN, 0, 0, 5.0f, 5.0f, 5.0f);
  AddVrSample(s, ZKTVR_TRACKING_POSITION, 0.2f, 0, 0, INFINITY, 5.0f, 5.0f);
  ASSERT_EQ(Frame(), 1);
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(Frame(), 0);
  EXPECT_FLOAT_EQ(Vr.headAngles[0], 0.1f);
  EXPECT_EQ(Vr.lastPosition[0], 1.0f);
}

TEST_F(VrPlugin, WithoutPositionalTrackingANeckModelMovesTheEyes) {
  VrTestControl* s = StartHeadset(0);
  ASSERT_NE(s, nullptr);
  const float quarter = 1.5707964f;
  AddVrSample(s, ZKTVR_TRACKING_ORIENTATION, quarter, 0, 0, 7, 7, 7);
  AddVrSample(s, ZKTVR_TRACKING_ORIENTATION, 0, quarter, 0, 7, 7, 7);
  Vr.recentreState = 0;
  ASSERT_EQ(Frame(), 1);
  // A quarter turn of heading swings the eyes from 0.12 m ahead to 0.12 m aside.
  EXPECT_NEAR(Vr.headOffset[0], 0.12f, 1e-6f);
  EXPECT_NEAR(Vr.headOffset[1], 0.0f, 1e-6f);
  EXPECT_NEAR(Vr.headOffset[2], -0.12f, 1e-6f);
  ASSERT_EQ(Frame(), 1);
  // Pitched a quarter turn down: the eyes 0.12 m ahead end 0.12 m below, those 0.09 m up ahead.
  EXPECT_NEAR(Vr.headOffset[0], 0.0f, 1e-6f);
  EXPECT_NEAR(Vr.headOffset[1], -0.12f - 0.09f, 1e-6f);
  EXPECT_NEAR(Vr.headOffset[2], 0.09f - 0.12f, 1e-6f);
}

TEST_F(VrPlugin, RecentringResetsThePluginAndTakesAnOrigin) {
  VrTestControl* s = StartHeadset();
  ASSERT_NE(s, nullptr);
  AddVrSample(s, ZKTVR_TRACKING_POSITION, 0.5f, 0.1f, 0, 1.0f, 1.0f, 1.0f);
  AddVrSample(s, ZKTVR_TRACKING_POSITION, 0.5f, 0.1f, 0, 2.0f, 1.0f, 1.0f);
  // The device's first frame recentres: the plug-in is reset and the pose is taken as zero.
  ASSERT_EQ(Frame(), 1);
  EXPECT_EQ(s->resets, 1);
  EXPECT_EQ(Vr.headAngles[0], 0.0f);
  EXPECT_EQ(Vr.headOffset[0], 0.0f);
  ASSERT_EQ(Frame(), 1);
  // Keeping the heading: the present pose becomes the origin.
  ASSERT_EQ(ApplyVrRecentre(0), 1);
  AddVrSample(s, ZKTVR_TRACKING_POSITION, 0.5f + 1.5707964f, 0, 0, 2.0f, 1.0f, 2.0f);
  ASSERT_EQ(Frame(), 1);
  EXPECT_NEAR(Vr.headAngles[0], 1.5707964f, 1e-6f) << "the heading from the origin's";
  // One metre forward of the origin in the tracker's frame, turned by the origin's heading.
  const float c = std::cos(-0.5f), sn = std::sin(-0.5f);
  EXPECT_NEAR(Vr.headOffset[0], 1.0f * sn, 1e-5f);
  EXPECT_NEAR(Vr.headOffset[2], 1.0f * c, 1e-5f);

  // The command: the stored position goes and the next frame resets the plug-in again.
  RequestVrRecentre();
  EXPECT_EQ(Vr.positionValid, 0);
  ASSERT_EQ(Frame(), 1);
  EXPECT_EQ(s->resets, 2);
  EXPECT_EQ(Vr.originSet, 0);
}

TEST_F(VrPlugin, AnUnknownPositionCannotBeAnOrigin) {
  ReportRecorder recorder;
  ASSERT_NE(StartHeadset(), nullptr);
  EXPECT_EQ(ApplyVrRecentre(1), 0);
  EXPECT_EQ(ReportRecorder::NewestText(), LanguageTexts[TX_3h_orposunk]);
  VrOverlayPrompt = 1;
  VrPanelButton(3);
  EXPECT_EQ(VrOverlayPrompt, 1) << "the prompt stays until an origin is taken";
  VrPanelButton(4);
  EXPECT_EQ(VrOverlayPrompt, 0);
}

TEST_F(VrPlugin, TheHeadingIsEasedToTheNewOriginAlongTheCurve) {
  VrTestControl* s = StartHeadset(0);
  ASSERT_NE(s, nullptr);
  AddVrSample(s, ZKTVR_TRACKING_ORIENTATION, 1.0f, 0, 0, 0, 0, 0);
  Vr.recentreState = 0;
  ASSERT_EQ(Frame(), 1);
  StartVrRecentre();
  EXPECT_EQ(Vr.recentreState, 1);
  EXPECT_EQ(VrOverlayPrompt, 1);
  // From 1 radian to 0 in one second: the curve of -12, 48, -72.
  EXPECT_NEAR(Vr.headingCurve.c1, -12.0f, 1e-3f);
  EXPECT_NEAR(Vr.headingCurve.c2, 48.0f, 1e-3f);
  EXPECT_NEAR(Vr.headingCurve.c3, -72.0f, 1e-3f);
  for (int frame = 0; frame < 50; ++frame) ASSERT_EQ(Frame(), 1);
  EXPECT_NEAR(Vr.headAngles[0], 1.0f - 0.6875f, 1e-4f);
  // A hundred steps of 0.01 s fall just short of the second in floats: the next one ends it.
  int frames = 50;
  while (Vr.recentreState == 1 && frames < 110) {
    ASSERT_EQ(Frame(), 1);
    ++frames;
  }
  EXPECT_LE(frames, 101);
  EXPECT_NEAR(Vr.headAngles[0], 0.0f, 1e-5f);
  EXPECT_EQ(Vr.recentreState, 0);
  EXPECT_NEAR(Vr.originHeading, 1.0f, 1e-6f);
  // A head turned on by most of a turn during an easing is not swung the long way round.
  Vr.originHeading = 0.0f;
  s->samples[0].values[0] = 0.2f;
  ASSERT_EQ(Frame(), 1);
  StartVrRecentre();
  s->samples[0].values[0] = 0.2f + 6.2831853f - 0.1f;
  ASSERT_EQ(Frame(), 1);
  EXPECT_NEAR(Vr.headAngles[0], 0.1f, 2e-3f);
}

TEST_F(VrPlugin, TheRecentreKeyIsFoundAmongTheFunctionKeys) {
  VrFunctionKeyMessage = [](int index) -> const char* { return index == 5 ? "hello /RIFT Reset" : ""; };
  ASSERT_NE(StartHeadset(), nullptr);
  EXPECT_EQ(Vr.recentreKey, 5);
}

TEST_F(VrPlugin, ASubmitErrorStopsVrAndTheProgramRunsOn) {
  ReportRecorder recorder;
  VrTestControl* s = StartHeadset();
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(BeginVrFrame(), 1);
  UnsetRenderTarget();
  EXPECT_EQ(SubmitVrFrame(), 1);
  EXPECT_EQ(s->submits, 1);
  s->submitError = "the headset went to sleep";
  ASSERT_EQ(BeginVrFrame(), 1);
  UnsetRenderTarget();
  RedrawRequested = 0;
  EXPECT_EQ(SubmitVrFrame(), 0) << "this pass does not present";
  EXPECT_EQ(ReportRecorder::NewestText(), "the headset went to sleep");
  EXPECT_EQ(VrEnabled, 0);
  EXPECT_EQ(VrPresenting, 0);
  EXPECT_EQ(RedrawRequested, 1);
  EXPECT_EQ(Vr.library, nullptr);
  EXPECT_EQ(BeginVrFrame(), 0) << "the next frame draws to the screen";
  EXPECT_EQ(SubmitVrFrame(), 1);
}

TEST(VrMirror, TheWindowShowsTheLeftEyeCroppedSymmetrically) {
  float uv[4];
  const float tangents[4] = {1.0f, 3.0f, 2.0f, 2.0f};
  VrMirrorCrop(tangents, uv);
  EXPECT_FLOAT_EQ(uv[0], 0.0f);
  EXPECT_FLOAT_EQ(uv[1], 0.25f);   // -1 .. 1 of -1 .. 3, in the left half
  EXPECT_FLOAT_EQ(uv[2], 0.0f);
  EXPECT_FLOAT_EQ(uv[3], 1.0f);
  const float skewed[4] = {2.0f, 1.0f, 1.0f, 3.0f};
  VrMirrorCrop(skewed, uv);
  EXPECT_FLOAT_EQ(uv[0], 0.5f * 1.0f / 3.0f);
  EXPECT_FLOAT_EQ(uv[1], 0.5f);
  EXPECT_FLOAT_EQ(uv[3], 0.5f);
  const float broken[4] = {NAN, 1.0f, 0.0f, 1.0f};
  VrMirrorCrop(broken, uv);
  EXPECT_FLOAT_EQ(uv[1], 0.5f);
  EXPECT_FLOAT_EQ(uv[3], 1.0f);
}

// The headset drives the view only in a tracking session, with VR on, and not while the
// headset's picture is only mirrored on the monitor.
TEST(VrTracking, OnlyATrackingSessionWithVrOnAndNoMonitorModeTracks) {
  const int savedKind = Vr.sessionKind, savedEnabled = VrEnabled, savedMonitor = Gfx.vrMonitorMode;
  Vr.sessionKind = ZKTVR_SESSION_TRACKING;
  VrEnabled = 1;
  Gfx.vrMonitorMode = 0;
  EXPECT_EQ(IsVrTracking(), 1);
  Gfx.vrMonitorMode = 1;
  EXPECT_EQ(IsVrTracking(), 0);
  Gfx.vrMonitorMode = 0;
  VrEnabled = 0;
  EXPECT_EQ(IsVrTracking(), 0);
  VrEnabled = 1;
  Vr.sessionKind = 0;
  EXPECT_EQ(IsVrTracking(), 0);
  Vr.sessionKind = savedKind;
  VrEnabled = savedEnabled;
  Gfx.vrMonitorMode = savedMonitor;
}

}  // namespace
