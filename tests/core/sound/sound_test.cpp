// sound_test.cpp - sound output on SDL's dummy and disk audio drivers: the interface sounds
// read back from the mixed output, every failure path, the device choice and the music ring.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/log.h"
#include "core/sound.h"
#include "core/sound_echo.h"
#include "platform/audio.h"
#include "sound_test_util.h"
#include "tests/core/report_recorder.h"

namespace {

constexpr uint32_t LEAD_FRAMES = INTERFACE_SOUND_LEAD_BYTES / AUDIO_FRAME_BYTES;

// A sample whose every value differs from its neighbours, so a shifted copy cannot pass.
SampleRecord PatternSample(uint32_t frames, bool stereo, int seed) {
  SampleRecord s{};
  s.stereo = stereo ? 1 : 0;
  s.length = frames;
  for (uint32_t i = 0; i < frames * (stereo ? 2u : 1u); ++i)
    s.data.push_back(static_cast<int16_t>(((i + 1) * 7919u + static_cast<uint32_t>(seed) * 104729u) % 60001u) - 30000);
  return s;
}

std::vector<std::string> ReadLines(const char* path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line.size() > 16 ? line.substr(16) : line);
  return lines;
}

int CountLines(const std::vector<std::string>& lines, const std::string& text) {
  int n = 0;
  for (const std::string& line : lines) n += line == text;
  return n;
}

int CountLinesStartingWith(const std::vector<std::string>& lines, const std::string& start) {
  int n = 0;
  for (const std::string& line : lines) n += line.compare(0, start.size(), start) == 0;
  return n;
}

ConfigUuid UuidOf(const AudioIdentity& identity) {
  const uint8_t* b = identity.bytes;
  ConfigUuid u{};
  u.data1 = static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 | b[3];
  u.data2 = static_cast<uint16_t>(b[4] << 8 | b[5]);
  u.data3 = static_cast<uint16_t>(b[6] << 8 | b[7]);
  for (int i = 0; i < 8; ++i) u.data4[i] = b[8 + i];
  return u;
}

class Sound : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ShutdownSound();
    SoundClearFailures();
    ReportRecorder::Reports() = RecordedReports{};
    LoggingEnabled = 1;
    RestartLog("sound test", false);
    CfgSpeakerGuid = ConfigUuid{};
    VrAudioDevice = ConfigUuid{};
    CfgAudioOptions = AUDIO_OPTION_GLOBAL_FOCUS;
    InterfaceSoundOn = 1;
    FrontEndScreenState = 0;
    AudioNoteWindowFocus(1);
    for (int i = 0; i < INTERFACE_SOUNDS; ++i) SampleRecords[i] = PatternSample(400 + 100 * i, i == 1, i);
  }
  void TearDown() override {
    ShutdownSound();
    SoundClearFailures();
  }

  // Opens sound with SDL's thread held still, so that the test mixes every frame itself.
  void OpenHeld() {
    OpenSound();
    ASSERT_EQ(SoundOpen, 1);
    ASSERT_EQ(AudioPauseDevice(1), AUDIO_OK);
  }

  static std::vector<int16_t> Mix(uint32_t frames) {
    std::vector<int16_t> out(frames * 2);
    AudioMixFrames(out.data(), frames);
    return out;
  }

  static std::vector<std::string> Log() { return ReadLines(CurrentLogPath()); }

  // The lines reported to the user, "<colour>|<target>|<text>" (core/report.h's colours).
  static const std::vector<std::string>& Reported() { return ReportRecorder::Reports().lines; }
  static std::string Newest() { return Reported().empty() ? "" : Reported().back(); }

  ReportRecorder recorder_;
};

// ---- the mixed output ----

TEST_F(Sound, AnInterfaceSoundComesOutOfTheDeviceAfterExactly2205FramesBitForBit) {
  const std::string file = (std::filesystem::current_path() / "mixed.raw").string();
  std::filesystem::remove(file);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  SampleRecords[2] = PatternSample(1000, false, 9);  // mono: the same value on both channels
  OpenSound();
  ASSERT_EQ(SoundOpen, 1);

  // A mono sound of 1000 frames sits in 8820 + 4000 bytes.
  uint8_t* data = nullptr;
  uint32_t bytes = 0;
  ASSERT_EQ(AudioLockBuffer(FIRST_INTERFACE_SOUND_BUFFER + 2, &data, &bytes), AUDIO_OK);
  EXPECT_EQ(bytes, 8820u + 4000u);
  ASSERT_EQ(AudioUnlockBuffer(FIRST_INTERFACE_SOUND_BUFFER + 2), AUDIO_OK);

  PlayUISound(2);
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 2) && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 2)) << "the sound never ended";
  const uint64_t started = AudioBufferStartFrame(FIRST_INTERFACE_SOUND_BUFFER + 2);
  CloseSound();  // the device is closed: the file holds everything that was mixed
  const uint64_t mixed = AudioFramesMixed();

  std::ifstream in(file, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> frames(raw.size() / 2);
  std::memcpy(frames.data(), raw.data(), frames.size() * 2);
  const uint64_t written = frames.size() / 2;
  // The device may write silence of its own before the first mixed frame.
  ASSERT_GE(written, mixed);
  const uint64_t first = written - mixed + started;
  ASSERT_GE(written, first + LEAD_FRAMES + 1000);
  for (uint64_t f = first; f < first + LEAD_FRAMES; ++f) {
    ASSERT_EQ(frames[f * 2], 0) << "frame " << f - first;
    ASSERT_EQ(frames[f * 2 + 1], 0) << "frame " << f - first;
  }
  const SampleRecord& s = SampleRecords[2];
  for (uint32_t i = 0; i < 1000; ++i) {
    const uint64_t f = first + LEAD_FRAMES + i;
    ASSERT_EQ(frames[f * 2], s.data[i]) << "sound frame " << i;
    ASSERT_EQ(frames[f * 2 + 1], s.data[i]) << "sound frame " << i;
  }
  EXPECT_EQ(frames[(first + LEAD_FRAMES + 1000) * 2], 0) << "nothing after the sound";
}

TEST_F(Sound, APlayRestartsTheSoundAndStereoSoundsKeepTheirChannels) {
  OpenHeld();
  PlayUISound(1);  // stereo, 500 frames
  Mix(LEAD_FRAMES + 100);
  PlayUISound(1);
  const std::vector<int16_t> out = Mix(LEAD_FRAMES + 500);
  for (uint32_t f = 0; f < LEAD_FRAMES; ++f) ASSERT_EQ(out[f * 2], 0) << f;
  const SampleRecord& s = SampleRecords[1];
  for (uint32_t i = 0; i < 500; ++i) {
    ASSERT_EQ(out[(LEAD_FRAMES + i) * 2], s.data[i * 2]);
    ASSERT_EQ(out[(LEAD_FRAMES + i) * 2 + 1], s.data[i * 2 + 1]);
  }
}

// A close forgets which sounds were made: a sound whose record is emptied before sound is
// opened again is not made again, and asking for it plays nothing and reports no failure,
// while a sound made again still plays.
TEST_F(Sound, AfterAReopeningOnlyTheSoundsMadeAgainPlay) {
  OpenHeld();
  CloseSound();
  SampleRecords[0] = SampleRecord{};
  OpenHeld();
  const size_t reported = Reported().size();
  PlayUISound(0);
  const std::vector<int16_t> silent = Mix(LEAD_FRAMES + 500);
  EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t v) { return v == 0; }));
  EXPECT_EQ(Reported().size(), reported) << Newest();
  PlayUISound(1);
  const std::vector<int16_t> out = Mix(LEAD_FRAMES + 500);
  EXPECT_EQ(out[LEAD_FRAMES * 2], SampleRecords[1].data[0]);
  EXPECT_EQ(out[(LEAD_FRAMES + 499) * 2 + 1], SampleRecords[1].data[499 * 2 + 1]);
  EXPECT_EQ(Reported().size(), reported) << Newest();
}

TEST_F(Sound, IndexesOutsideTheFiveScreenStateTwoAndTheSwitchPlayNothing) {
  OpenHeld();
  auto anyPlaying = [] {
    for (int i = 0; i < INTERFACE_SOUNDS; ++i)
      if (AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + i)) return true;
    return false;
  };
  for (int index : {5, 6, -1, INT_MIN, INT_MAX}) PlayUISound(index);
  EXPECT_FALSE(anyPlaying());

  FrontEndScreenState = 2;
  PlayUISound(2);
  EXPECT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 2));
  PlayUISound(3);  // only sound 2 is silenced in that state
  EXPECT_TRUE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3));
  FrontEndScreenState = 0;

  ToggleSound();
  EXPECT_EQ(InterfaceSoundOn, 0);
  EXPECT_EQ(Newest(), "2|-1|Sound : Off");
  PlayUISound(0);
  EXPECT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 0));
  ToggleSound();
  EXPECT_EQ(Newest(), "2|-1|Sound : On");
  PlayUISound(0);
  EXPECT_TRUE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 0));
}

TEST_F(Sound, WithoutTheGlobalFocusOptionSoundsAreSilentWhileTheWindowHasNoFocus) {
  CfgAudioOptions = 0;
  OpenHeld();
  AudioNoteWindowFocus(0);
  PlayUISound(0);
  std::vector<int16_t> out = Mix(LEAD_FRAMES + 400);
  for (int16_t v : out) ASSERT_EQ(v, 0);
  EXPECT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER)) << "a silent sound still moves on";
  AudioNoteWindowFocus(1);
  PlayUISound(0);
  out = Mix(LEAD_FRAMES + 400);
  EXPECT_EQ(out[LEAD_FRAMES * 2], SampleRecords[0].data[0]);

  ShutdownSound();
  SampleRecords[0] = PatternSample(400, false, 0);
  CfgAudioOptions = AUDIO_OPTION_GLOBAL_FOCUS;  // the default: the sounds go on
  OpenHeld();
  AudioNoteWindowFocus(0);
  PlayUISound(0);
  out = Mix(LEAD_FRAMES + 400);
  EXPECT_EQ(out[LEAD_FRAMES * 2], SampleRecords[0].data[0]);
  AudioNoteWindowFocus(1);
}

TEST_F(Sound, FillSampleFramesRoundsClampsToSixteenBitsAndSaysWhenTheSampleEnded) {
  SampleRecord s{};
  s.stereo = 0;
  s.length = 4;
  s.data = {30000, -30000, 101, -101};
  int16_t out[12];
  std::fill(std::begin(out), std::end(out), int16_t{7});
  EXPECT_EQ(FillSampleFrames(out, 3, s, 2.0f), 0);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], 32767);
  EXPECT_EQ(out[2], -32768);
  EXPECT_EQ(out[4], 202);
  for (int i = 6; i < 12; ++i) EXPECT_EQ(out[i], 7) << "nothing written past the three frames asked for";
  EXPECT_EQ(FillSampleFrames(out, 3, s, 0.5f), 1) << "the last frame ends it";
  EXPECT_EQ(out[0], -51);  // -50.5 rounds away from zero
  EXPECT_EQ(out[1], -51);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(out[i], 0) << "silence after the end";
  EXPECT_EQ(s.position, 4u);
}

// A record claiming more frames than its data holds ends with its data: 3 stereo frames of a
// claimed 5 fill 3 of 4 frames asked for, the fourth is silence and the sample has ended.
TEST_F(Sound, FillSampleFramesStopsAtTheEndOfTheDataWhateverTheLengthSays) {
  SampleRecord s{};
  s.stereo = 1;
  s.length = 5;
  s.data = {1, 2, 3, 4, 5, 6};
  int16_t out[8];
  std::fill(std::begin(out), std::end(out), int16_t{7});
  EXPECT_EQ(FillSampleFrames(out, 4, s, 1.0f), 1);
  const int16_t expected[8] = {1, 2, 3, 4, 5, 6, 0, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << i;
  EXPECT_EQ(s.position, 3u);
}

// ---- failures ----

struct FailureCase {
  const char* tag;
  bool fatal;
};

TEST_F(Sound, EachFailedCallIsLoggedAndShownOnceWhileOpenAndFatalOnesCloseSound) {
  const FailureCase cases[] = {
      {"SetCooperativeLevel:I", true}, {"CreateSoundBuffer:M", true}, {"QueryInterface:M", true},
      {"CreateSoundBuffer:S", false},  {"QueryInterface:S", true},    {"Lock:S", true},
      {"Unlock:S", true},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.tag);
    ShutdownSound();
    for (int i = 0; i < INTERFACE_SOUNDS; ++i) SampleRecords[i] = SampleRecord{};
    SampleRecords[3] = PatternSample(300, false, 3);  // one sound, so one buffer to fail
    ReportRecorder::Reports() = RecordedReports{};
    SoundFailCall(c.tag, -77);
    OpenSound();
    const std::string detail = std::string("(") + c.tag + " -77)";
    const std::string lead = c.fatal ? "No sound" : "Sound error";
    EXPECT_EQ(CountLines(Log(), lead + " " + detail), 1);
    EXPECT_EQ(Reported().size(), 1u);
    EXPECT_EQ(Newest(), "1|-1|" + lead + " ^L" + detail);
    EXPECT_EQ(SoundOpen, c.fatal ? 0 : 1);
    if (!c.fatal) {
      PlayUISound(3);
      EXPECT_FALSE(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + 3)) << "that sound stays silent";
    }
    SoundClearFailures();
  }
}

TEST_F(Sound, TheFirstCallsFailureGoesToTheLogOnlyAndTheProgramRunsSilent) {
  SoundFailCall("DirectSoundCreate8:I", -5);
  OpenSound();
  EXPECT_EQ(SoundOpen, 0);
  EXPECT_EQ(CountLines(Log(), "Sound error (DirectSoundCreate8:I -5)"), 1);
  EXPECT_EQ(CountLinesStartingWith(Log(), "sound : "), 1) << "the layer's own text is logged too";
  EXPECT_EQ(Reported().size(), 0u) << "sound was never marked open";
  SoundClearFailures();

  // No driver at all: the same, with the layer's own code.
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  OpenSound();
  EXPECT_EQ(SoundOpen, 0);
  EXPECT_EQ(CountLines(Log(), "Sound error (DirectSoundCreate8:I -1)"), 1);
  EXPECT_EQ(Reported().size(), 0u);
  PlayUISound(0);
  UpdateSoundStream();
  EXPECT_EQ(PlayMusicData(nullptr, 0), 0);
  EXPECT_EQ(SoundOpen, 0);
}

TEST_F(Sound, PlayingAndStreamFailuresAreReportedByTheirTags) {
  OpenHeld();
  SoundFailCall("Play:B", -3);
  PlayUISound(0);
  EXPECT_EQ(Newest(), "1|-1|Sound error ^L(Play:B -3)");
  EXPECT_EQ(SoundOpen, 1) << "a failed play is not fatal";
  SoundClearFailures();

  const std::vector<uint8_t> music = EncodeTestMusic(2.0, 2);
  for (const char* tag : {"Lock:M", "Unlock:M"}) {
    SCOPED_TRACE(tag);
    if (!SoundOpen) OpenHeld();
    SoundFailCall(tag, -9);
    EXPECT_EQ(PlayMusicData(music.data(), music.size()), 0);
    EXPECT_EQ(SoundOpen, 0);
    EXPECT_EQ(CountLines(Log(), std::string("No sound (") + tag + " -9)"), 1);
    SoundClearFailures();
  }
  OpenHeld();
  SoundFailCall("Play:M", -4);
  EXPECT_EQ(PlayMusicData(music.data(), music.size()), 0);
  EXPECT_EQ(SoundStreaming, 0);
  EXPECT_EQ(SoundOpen, 1);
  SoundClearFailures();

  for (const char* tag : {"GetCurrentPosition:U", "Lock:U", "Unlock:U"}) {
    SCOPED_TRACE(tag);
    if (!SoundOpen) OpenHeld();
    ASSERT_EQ(PlayMusicData(music.data(), music.size()), 1);
    Mix(MUSIC_BLOCK_FRAMES);  // a new block to refill
    SoundFailCall(tag, -6);
    UpdateSoundStream();
    EXPECT_EQ(SoundOpen, 0);
    EXPECT_EQ(SoundStreaming, 0);
    EXPECT_EQ(Newest(), std::string("1|-1|No sound ^L(") + tag + " -6)");
    SoundClearFailures();
  }

  // The reload's restart reports its own failure through its caller.
  OpenHeld();
  ASSERT_EQ(PlayMusicData(music.data(), music.size()), 1);
  PauseMusicStream();
  SoundFailCall("Play:S", -2);
  EXPECT_EQ(RestartMusicStream(), 0);
}

// ---- the device ----

TEST_F(Sound, SpeakerGuidChoosesTheDeviceByItsNameAndAnUnknownOneIsClearedWithAMessage) {
  // An unknown device: the message, the setting cleared, and the default device instead.
  CfgSpeakerGuid = ConfigUuid{0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
  OpenSound();
  EXPECT_EQ(SoundOpen, 1);
  EXPECT_EQ(Newest(), "1|-1|Specified audio device was not found");
  EXPECT_EQ(CountLinesStartingWith(Log(), "Specified audio device was not found ("), 1) << "logged with its code";
  const ConfigUuid zero{};
  EXPECT_EQ(std::memcmp(&CfgSpeakerGuid, &zero, sizeof zero), 0);
  EXPECT_STREQ(AudioDeviceName(), "default");
  ASSERT_GE(AudioOutputCount(), 1);
  const std::string name = AudioOutputName(0);
  ShutdownSound();

  // A device named by the identity made from its name.
  ReportRecorder::Reports() = RecordedReports{};
  SampleRecords[0] = PatternSample(100, false, 0);
  CfgSpeakerGuid = UuidOf(AudioIdentityOfName(name.c_str()));
  const ConfigUuid chosen = CfgSpeakerGuid;
  OpenSound();
  EXPECT_EQ(SoundOpen, 1);
  EXPECT_EQ(Reported().size(), 0u);
  EXPECT_EQ(AudioDeviceName(), name);
  EXPECT_EQ(std::memcmp(&CfgSpeakerGuid, &chosen, sizeof chosen), 0) << "kept";
  ShutdownSound();

  // All zero: the default device without a message.
  CfgSpeakerGuid = ConfigUuid{};
  OpenSound();
  EXPECT_EQ(SoundOpen, 1);
  EXPECT_EQ(Reported().size(), 0u);
  EXPECT_STREQ(AudioDeviceName(), "default");
}

TEST_F(Sound, TheLogNamesEachOutputWithItsIdentityInTheUuidTextForm) {
  OpenSound();
  ASSERT_EQ(SoundOpen, 1);
  ASSERT_GE(AudioOutputCount(), 1);
  const std::string name = AudioOutputName(0);
  const AudioIdentity id = AudioIdentityOfName(name.c_str());
  // Eight, four, four, four and twelve hexadecimal digits, in the bytes' order.
  std::string text;
  char two[3];
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    std::snprintf(two, sizeof two, "%02x", id.bytes[i]);
    text += two;
  }
  EXPECT_EQ(CountLines(Log(), "sound output " + text + " : " + name), 1) << text;
  EXPECT_EQ(CountLines(Log(), std::string("sound device : ") + AudioDeviceName()), 1) << "the open device first";
}

TEST_F(Sound, ShutdownSoundFreesTheSamplesAndCloseKeepsThem) {
  OpenSound();
  CloseSound();
  EXPECT_EQ(SoundOpen, 0);
  EXPECT_EQ(SampleRecords[0].length, 400u) << "closing keeps the samples for a reopening";
  OpenSound();
  EXPECT_EQ(SoundOpen, 1);
  ShutdownSound();
  EXPECT_EQ(SoundOpen, 0);
  for (const SampleRecord& s : SampleRecords) {
    EXPECT_EQ(s.length, 0u);
    EXPECT_TRUE(s.data.empty());
  }
  PlayUISound(0);  // harmless when closed
}

// ---- the music ring ----

TEST_F(Sound, TheRingIsRefilledOnlyWhenItsPlayPositionReachesANewBlock) {
  const std::vector<uint8_t> music = EncodeTestMusic(2.5, 2);
  const std::vector<int16_t> reference = ReferenceFrames(music);
  ASSERT_GT(reference.size() / 2, MUSIC_RING_FRAMES + 2 * MUSIC_BLOCK_FRAMES);
  OpenHeld();
  ASSERT_EQ(PlayMusicData(music.data(), music.size()), 1);
  EXPECT_EQ(SoundStreaming, 1);

  auto ringFrame = [](uint32_t frame) {
    uint8_t* data = nullptr;
    uint32_t bytes = 0;
    EXPECT_EQ(AudioLockBuffer(MUSIC_BUFFER, &data, &bytes), AUDIO_OK);
    int16_t pair[2];
    std::memcpy(pair, data + frame * AUDIO_FRAME_BYTES, sizeof pair);
    AudioUnlockBuffer(MUSIC_BUFFER);
    return std::vector<int16_t>{pair[0], pair[1]};
  };
  // The ring holds the stream's start (a fill stops with fewer than 1024 frames left to fill).
  for (uint32_t f : {0u, 1u, 4095u, 40000u, MUSIC_RING_FRAMES - MUSIC_FILL_MIN_FRAMES})
    EXPECT_EQ(ringFrame(f), (std::vector<int16_t>{reference[f * 2], reference[f * 2 + 1]})) << f;

  // A loop at rest wakes for the refill when the ring plays into its next block: 4096 frames
  // at 44100 Hz are 92.9 ms, one frame 0.02 ms; never early, so rounded up.
  EXPECT_EQ(SoundStreamRefillDueMs(), 93u);
  std::vector<int16_t> played = Mix(MUSIC_BLOCK_FRAMES - 1);
  EXPECT_EQ(played[0], reference[0]) << "the ring plays from its start";
  EXPECT_EQ(SoundStreamRefillDueMs(), 1u);
  UpdateSoundStream();
  EXPECT_EQ(ringFrame(0)[0], reference[0]) << "still in the first block: no refill";
  Mix(1);
  EXPECT_EQ(SoundStreamRefillDueMs(), 93u);
  UpdateSoundStream();
  // The ring's end and the first block now hold the frames that follow (short of the last
  // frames before the block being played, which the next refill takes).
  EXPECT_EQ(ringFrame(MUSIC_RING_FRAMES - 1)[0], reference[(MUSIC_RING_FRAMES - 1) * 2]);
  for (uint32_t f : {0u, 100u, MUSIC_BLOCK_FRAMES - MUSIC_FILL_MIN_FRAMES})
    EXPECT_EQ(ringFrame(f), (std::vector<int16_t>{reference[(MUSIC_RING_FRAMES + f) * 2],
                                                  reference[(MUSIC_RING_FRAMES + f) * 2 + 1]}))
        << f;
  EXPECT_EQ(ringFrame(4096)[0], reference[4096 * 2]) << "the block being played is left alone";
  UpdateSoundStream();  // the same block again: nothing changes
  EXPECT_EQ(ringFrame(0)[0], reference[MUSIC_RING_FRAMES * 2]);

  // A paused ring stands where it is and restarts from there.
  PauseMusicStream();
  EXPECT_EQ(SoundStreaming, 0);
  EXPECT_EQ(SoundStreamRefillDueMs(), UINT32_MAX) << "nothing to refill";
  Mix(1000);
  uint32_t position = 0;
  AudioGetPlayPosition(MUSIC_BUFFER, &position);
  EXPECT_EQ(position, MUSIC_BLOCK_FRAMES * AUDIO_FRAME_BYTES);
  EXPECT_EQ(RestartMusicStream(), 1);
  EXPECT_EQ(RestartMusicStream(), 0) << "nothing paused any more";

  StopMusicStream();
  EXPECT_EQ(SoundStreaming, 0);
  position = 1;
  EXPECT_EQ(AudioGetPlayPosition(MUSIC_BUFFER, &position), AUDIO_OK);
  EXPECT_EQ(position, 0u) << "stopped at its start";
  EXPECT_FALSE(AudioBufferPlaying(MUSIC_BUFFER));
  UpdateSoundStream();  // nothing open: nothing happens
  EXPECT_EQ(SoundOpen, 1);
}

// The ring is cleared before its first fill: the frames at its end that the fill leaves (it
// stops with fewer than MUSIC_FILL_MIN_FRAMES to go) are silent, not what the buffer held.
TEST_F(Sound, TheFramesTheFirstFillLeavesAreSilentNotWhatTheBufferHeldBefore) {
  const std::vector<uint8_t> music = EncodeTestMusic(2.5, 2);
  const std::vector<int16_t> reference = ReferenceFrames(music);
  ASSERT_GT(reference.size() / 2, MUSIC_RING_FRAMES);
  OpenHeld();
  uint8_t* data = nullptr;
  uint32_t bytes = 0;
  ASSERT_EQ(AudioLockBuffer(MUSIC_BUFFER, &data, &bytes), AUDIO_OK);
  ASSERT_EQ(bytes, MUSIC_RING_FRAMES * AUDIO_FRAME_BYTES);
  std::memset(data, 0x5A, bytes);  // an earlier tune's frames
  AudioUnlockBuffer(MUSIC_BUFFER);
  ASSERT_EQ(PlayMusicData(music.data(), music.size()), 1);
  std::vector<int16_t> ring(MUSIC_RING_FRAMES * 2);
  ASSERT_EQ(AudioLockBuffer(MUSIC_BUFFER, &data, &bytes), AUDIO_OK);
  std::memcpy(ring.data(), data, ring.size() * sizeof ring[0]);
  AudioUnlockBuffer(MUSIC_BUFFER);
  uint32_t silent = 0;
  for (uint32_t f = 0; f < MUSIC_RING_FRAMES; ++f) {
    if (ring[f * 2] == reference[f * 2] && ring[f * 2 + 1] == reference[f * 2 + 1]) continue;
    ++silent;
    ASSERT_EQ(ring[f * 2], 0) << "frame " << f;
    ASSERT_EQ(ring[f * 2 + 1], 0) << "frame " << f;
  }
  EXPECT_GT(silent, 0u) << "the fill stopped short of the ring's end";
  EXPECT_LT(silent, MUSIC_FILL_MIN_FRAMES);
}

// ---- echo lines, listener and the marked voice ----

TEST_F(Sound, TheEchoLinesLieFrom80ToTheEighthTo80MetresWithTheirDelaysInSamples) {
  std::memset(&Echo, 0x5A, sizeof Echo);  // whatever an earlier screen left
  InitEchoDelayLines();
  const double step = std::pow(80.0, 1.0 / 8.0);
  for (int k = 0; k < ECHO_LINES; ++k) {
    const double distance = std::pow(step, k + 1);
    EXPECT_FLOAT_EQ(Echo.distances[k], static_cast<float>(distance)) << k;
    EXPECT_EQ(Echo.lines[k].delay, static_cast<uint32_t>(std::lround(distance * 2.0 * 44100.0 / 330.0))) << k;
    EXPECT_EQ(Echo.lines[k].gains[0], 0.2f);
    EXPECT_EQ(Echo.lines[k].gains[1], 0.2f);
    for (float sample : Echo.lines[k].samples) ASSERT_EQ(sample, 0.0f) << k;
  }
  EXPECT_EQ(Echo.lines[0].delay, 462u);
  EXPECT_EQ(Echo.lines[ECHO_LINES - 1].delay, 21382u);
  EXPECT_FLOAT_EQ(Echo.distances[ECHO_LINES - 1], 80.0f);
  EXPECT_EQ(Echo.counters[0], 0u);
  EXPECT_EQ(Echo.counters[1], 0u);
  EXPECT_EQ(Echo.ready, 1);
}

void TestCamera(int32_t position[3], float front[4], float top[4]) {
  const int32_t p[3] = {65536, -2 * 65536, 3 * 65536};
  const float f[4] = {0.0f, 0.0f, 1.0f, 0.0f}, t[4] = {0.0f, 1.0f, 0.0f, 0.0f};
  std::memcpy(position, p, sizeof p);
  std::memcpy(front, f, sizeof f);
  std::memcpy(top, t, sizeof t);
}

TEST_F(Sound, ResettingTheListenerTakesTheCameraAndClearsTheEchoFlagAndCounters) {
  InitEchoDelayLines();
  SoundListener = SoundListenerRecord{{7, 7, 7}, {}, {}, {1, 2, 3}};
  SoundListenerCamera = TestCamera;
  ResetSoundListener();
  SoundListenerCamera = nullptr;
  EXPECT_EQ(SoundListener.position[0], 65536);
  EXPECT_EQ(SoundListener.position[1], -2 * 65536);
  EXPECT_EQ(SoundListener.position[2], 3 * 65536);
  EXPECT_EQ(SoundListener.front[2], 1.0f);
  EXPECT_EQ(SoundListener.top[1], 1.0f);
  for (uint32_t counter : SoundListener.counters) EXPECT_EQ(counter, 0u);
  EXPECT_EQ(Echo.ready, 0);
  ResetSoundListener();  // no camera: the listener stays where it was
  EXPECT_EQ(SoundListener.position[1], -2 * 65536);
}

TEST_F(Sound, AMarkedVoiceFallsSilentWhenTheListenerIsReset) {
  const std::string file = (std::filesystem::current_path() / "marked.raw").string();
  std::filesystem::remove(file);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  OpenSound();
  ASSERT_EQ(SoundOpen, 1);
  // A voice of its own beside the interface sounds: a steady value, round and round.
  constexpr int VOICE = FIRST_INTERFACE_SOUND_BUFFER + INTERFACE_SOUNDS;
  constexpr int16_t LEVEL = 1234;
  ASSERT_EQ(AudioCreateBuffer(VOICE, 4096 * AUDIO_FRAME_BYTES, AUDIO_BUFFER_GLOBAL_FOCUS), AUDIO_OK);
  uint8_t* data = nullptr;
  uint32_t bytes = 0;
  ASSERT_EQ(AudioLockBuffer(VOICE, &data, &bytes), AUDIO_OK);
  int16_t* values = reinterpret_cast<int16_t*>(data);
  for (uint32_t i = 0; i < bytes / 2; ++i) values[i] = LEVEL;
  ASSERT_EQ(AudioUnlockBuffer(VOICE), AUDIO_OK);
  ASSERT_EQ(AudioPlayBuffer(VOICE, 1), AUDIO_OK);
  MarkSoundBuffer(VOICE);

  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (AudioFramesMixed() < 8192 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GE(AudioFramesMixed(), 8192u) << "the device never mixed";
  ResetSoundListener();
  const uint64_t stoppedAt = AudioFramesMixed();
  EXPECT_EQ(MarkedSound.buffer, -1);
  EXPECT_EQ(MarkedSound.playing, 0);
  EXPECT_FALSE(AudioBufferPlaying(VOICE));
  while (AudioFramesMixed() < stoppedAt + 8192 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  CloseSound();
  const uint64_t mixed = AudioFramesMixed();

  std::ifstream in(file, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> frames(raw.size() / 2);
  std::memcpy(frames.data(), raw.data(), frames.size() * 2);
  const uint64_t written = frames.size() / 2;
  ASSERT_GE(written, mixed);
  const uint64_t first = written - mixed, stop = first + stoppedAt;
  ASSERT_GT(written, stop + 4096) << "mixed on after the stop";
  int loud = 0;
  for (uint64_t f = first; f < stop; ++f) loud += frames[f * 2] == LEVEL && frames[f * 2 + 1] == LEVEL;
  EXPECT_GT(loud, 4096) << "the voice sounded before";
  for (uint64_t f = stop; f < written; ++f) ASSERT_EQ(frames[f * 2], 0) << "frame " << f - stop << " after the stop";

  ResetSoundListener();  // nothing marked: nothing to stop
  EXPECT_EQ(MarkedSound.buffer, -1);
}

}  // namespace

TEST_F(Sound, TheMusicRingPlaysRoundAndRoundAndAnUnreadableStreamIsLogged) {
  const std::vector<uint8_t> music = EncodeTestMusic(2.5, 2);
  OpenHeld();
  ASSERT_EQ(PlayMusicData(music.data(), music.size()), 1);
  Mix(MUSIC_RING_FRAMES + 10);  // past the ring's end
  EXPECT_TRUE(AudioBufferPlaying(MUSIC_BUFFER)) << "the ring loops";
  PauseMusicStream();
  ASSERT_EQ(RestartMusicStream(), 1);
  Mix(MUSIC_RING_FRAMES + 10);
  EXPECT_TRUE(AudioBufferPlaying(MUSIC_BUFFER)) << "and loops again after a pause";
  // Buffer 0 is a buffer like any other: marked, it is stopped when the listener is reset.
  MarkSoundBuffer(MUSIC_BUFFER);
  ResetSoundListener();
  EXPECT_FALSE(AudioBufferPlaying(MUSIC_BUFFER));
  EXPECT_EQ(MarkedSound.buffer, -1);
  StopMusicStream();

  const uint8_t notOgg[64] = {'n', 'o', 't'};
  EXPECT_EQ(PlayMusicData(notOgg, sizeof notOgg), 0);
  bool logged = false;
  for (const std::string& line : Log()) logged |= line.find("music : not an Ogg Vorbis stream") != std::string::npos;
  EXPECT_TRUE(logged);
}

TEST_F(Sound, ASampleThatHasEndedGivesOnlySilenceHoweverMuchDataLiesBeyondItsLength) {
  SampleRecord s{};
  s.stereo = 0;
  s.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  s.length = 5;  // the data goes on past the sample's length
  int16_t out[16];
  EXPECT_EQ(FillSampleFrames(out, 8, s, 1.0f), 1);
  const int16_t first[16] = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(out, first, sizeof first), 0);
  EXPECT_EQ(s.position, 5u);
  std::fill(std::begin(out), std::end(out), int16_t{99});
  EXPECT_EQ(FillSampleFrames(out, 3, s, 1.0f), 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], 0) << i;
  EXPECT_EQ(s.position, 5u);
}
