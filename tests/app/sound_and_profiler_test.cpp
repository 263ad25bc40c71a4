// sound_and_profiler_test.cpp - the shell's part in sound and the frame profiler: sound opens
// at start-up with graphics and closes at exit, and the frame loop times itself.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/text_commands.h"
#include "app_harness.h"
#include "core/profiler.h"
#include "core/sound.h"
#include "platform/audio.h"
#include "text/messages.h"

namespace {

TEST_F(AppHarness, SoundOpensAtStartUpWithGraphicsAndTheInterfaceSoundsFromTheDataFolder) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const char* work = std::getenv("ZKT_WORK_DIR");
  ASSERT_NE(work, nullptr);
  std::filesystem::copy(std::filesystem::path(work) / "data" / "sound", "data/sound");
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_TRUE(LogHas("open sound"));
  EXPECT_EQ(SoundOpen, 0) << "the device opens once the first frame is up";
  RunPasses(1);
  EXPECT_EQ(SoundOpen, 1);
  for (int i = 0; i < INTERFACE_SOUNDS; ++i) EXPECT_GT(SampleRecords[i].length, 0u) << i;
  PlayUISound(2);
  EXPECT_TRUE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 2));
  // A block request within half a second of the last is refused with interface sound 3.
  ResetTextCommandState();
  Prss_SendMessage(nullptr, "/block 1", SOURCE_TYPED);
  EXPECT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3));
  Prss_SendMessage(nullptr, "/block 2", SOURCE_TYPED);
  EXPECT_TRUE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3)) << "refused";
  // So is a chat line within the flood guard's interval of the last.
  AudioStopBuffer(FIRST_INTERFACE_SOUND_BUFFER + 3);
  Prss_SendMessage(nullptr, "hello", SOURCE_TYPED);
  EXPECT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3)) << "the first line goes";
  Prss_SendMessage(nullptr, "hello again", SOURCE_TYPED);
  EXPECT_TRUE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3)) << "the second is refused at once";
  RunPasses(3);
  RequestExit(0, "test over");
  EXPECT_EQ(SoundOpen, 0) << "an exit closes the device";
  RunPasses(5);
  AppShutdown();
  EXPECT_EQ(SampleRecords[2].length, 0u) << "shut-down frees the samples";
}

TEST_F(AppHarness, WithoutAnAudioDeviceTheProgramRunsSilentAndWithoutGraphicsOpensNone) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ResetMessages();
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RunPasses(1);
  EXPECT_EQ(SoundOpen, 0);
  EXPECT_TRUE(LogHas("Sound error (DirectSoundCreate8:I -1)"));
  EXPECT_TRUE(LogHas("sound 0 : data\\sound\\click.ogg could not be read"));
  for (int i = 0; i < MessageLineCount; ++i) {
    const std::string line = MessageLines[i].text;
    EXPECT_EQ(line.find("Sound error"), std::string::npos) << "the log alone hears of it";
    EXPECT_EQ(line.find("No sound"), std::string::npos) << line;
  }
  RunPasses(3);
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_EQ(AppShutdown(), 0);
  setenv("SDL_AUDIODRIVER", "dummy", 1);

  // An exit asked for before the first frame is up leaves the device shut.
  AppResetState();
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  RequestExit(0, "test over");
  RunPasses(5);
  EXPECT_EQ(SoundOpen, 0);
  AppShutdown();

  AppResetState();
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  EXPECT_EQ(SoundOpen, 0);
  EXPECT_FALSE(LogHas("open sound"));
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}

TEST_F(AppHarness, TheFrameLoopRegistersItsThreeTimersOnceAndTimesItsSleep) {
  WriteConfigFile("Game Limit FPS 1\nMax FPS 50\n");
  AppForceNoGraphics(1);
  ASSERT_EQ(AppStartup(""), START_RUNNING);
  ASSERT_EQ(Profiler.timerCount, 4);
  EXPECT_STREQ(Profiler.timers[1].name, "Sleep");
  EXPECT_STREQ(Profiler.timers[2].name, "HUD");
  EXPECT_STREQ(Profiler.timers[3].name, "Flip");
  RunPasses(10);
  EXPECT_EQ(Profiler.timerCount, 4);
  EXPECT_EQ(Profiler.enabled, 1) << "the loop's starts and stops pair up";
  // The limiter sleeps inside "Sleep": with nothing else taking time, it takes every tick.
  EXPECT_GT(ProfilerShare(1), 50.0f);
  EXPECT_LE(ProfilerShare(1), 100.0f);
  RequestExit(0, "test over");
  RunPasses(5);
  AppShutdown();
}

}  // namespace
