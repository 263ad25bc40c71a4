// audio_test.cpp - the sound output's buffers and mixer on SDL's dummy driver, mixed by hand
// (the device stays paused, so SDL's audio thread takes nothing), and the device identities.
#include "platform/audio.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class Audio : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tests run on SDL's dummy driver (SDL_AUDIODRIVER=dummy), which is always there.
    ASSERT_EQ(AudioOpenDevice(AudioIdentity{}), AUDIO_OK) << AudioErrorText();
    AudioNoteWindowFocus(1);
  }
  void TearDown() override {
    AudioCloseDevice();
    AudioNoteWindowFocus(1);
  }

  // Makes a buffer of `frames` frames, frame i holding (left0 + i, -(left0 + i)).
  static void MakeRamp(int buffer, uint32_t frames, int16_t left0, uint32_t flags = AUDIO_BUFFER_GLOBAL_FOCUS) {
    ASSERT_EQ(AudioCreateBuffer(buffer, frames * AUDIO_FRAME_BYTES, flags), AUDIO_OK);
    uint8_t* data = nullptr;
    uint32_t bytes = 0;
    ASSERT_EQ(AudioLockBuffer(buffer, &data, &bytes), AUDIO_OK);
    ASSERT_EQ(bytes, frames * AUDIO_FRAME_BYTES);
    std::vector<int16_t> samples(frames * 2);
    for (uint32_t i = 0; i < frames; ++i) {
      samples[i * 2] = static_cast<int16_t>(left0 + int(i));
      samples[i * 2 + 1] = static_cast<int16_t>(-(left0 + int(i)));
    }
    std::memcpy(data, samples.data(), bytes);
    ASSERT_EQ(AudioUnlockBuffer(buffer), AUDIO_OK);
  }

  static std::vector<int16_t> Mix(uint32_t frames) {
    std::vector<int16_t> out(frames * 2 + 2, 0x5A5A);
    AudioMixFrames(out.data(), frames);
    EXPECT_EQ(out[frames * 2], 0x5A5A) << "nothing written past the frames asked for";
    out.resize(frames * 2);
    return out;
  }
};

}  // namespace

TEST_F(Audio, BufferNumbersAndSizesAreCheckedAtTheirLimits) {
  EXPECT_EQ(AudioCreateBuffer(-1, 64, 0), AUDIO_BAD_BUFFER);
  EXPECT_EQ(AudioCreateBuffer(AUDIO_BUFFERS, 64, 0), AUDIO_BAD_BUFFER);
  EXPECT_EQ(AudioCreateBuffer(AUDIO_BUFFERS - 1, 64, 0), AUDIO_OK);
  EXPECT_EQ(AudioCreateBuffer(0, 0, 0), AUDIO_BAD_SIZE) << "empty";
  EXPECT_EQ(AudioCreateBuffer(0, 6, 0), AUDIO_BAD_SIZE) << "a frame and a half";
  EXPECT_EQ(AudioCreateBuffer(0, AUDIO_BUFFER_MAX_BYTES + 4, 0), AUDIO_BAD_SIZE);
  EXPECT_EQ(AudioCreateBuffer(0, AUDIO_BUFFER_MAX_BYTES, 0), AUDIO_OK) << "the largest";
  EXPECT_EQ(AudioCheckBuffer(AUDIO_BUFFERS - 1), AUDIO_OK) << "the last number";
  EXPECT_EQ(AudioCreateBuffer(0, 4, 0), AUDIO_OK) << "one frame";
  EXPECT_EQ(AudioCheckBuffer(0), AUDIO_OK);
  EXPECT_EQ(AudioCheckBuffer(1), AUDIO_BAD_BUFFER) << "never made";
  EXPECT_EQ(AudioCheckBuffer(AUDIO_BUFFERS), AUDIO_BAD_BUFFER);

  // Positions: whole frames up to the end and no further.
  ASSERT_EQ(AudioCreateBuffer(2, 40, 0), AUDIO_OK);
  EXPECT_EQ(AudioSetBufferPosition(2, 40), AUDIO_OK) << "the end itself";
  EXPECT_EQ(AudioSetBufferPosition(2, 44), AUDIO_BAD_SIZE);
  EXPECT_EQ(AudioSetBufferPosition(2, 6), AUDIO_BAD_SIZE);
  uint32_t at = 1;
  EXPECT_EQ(AudioGetPlayPosition(2, &at), AUDIO_OK);
  EXPECT_EQ(at, 40u);

  // A buffer is locked once; unlocking needs a lock.
  uint8_t* data = nullptr;
  uint32_t bytes = 0;
  EXPECT_EQ(AudioUnlockBuffer(2), AUDIO_LOCKED);
  EXPECT_EQ(AudioLockBuffer(2, &data, &bytes), AUDIO_OK);
  EXPECT_EQ(AudioLockBuffer(2, &data, &bytes), AUDIO_LOCKED);
  EXPECT_EQ(AudioUnlockBuffer(2), AUDIO_OK);
  AudioReleaseBuffer(2);
  EXPECT_EQ(AudioCheckBuffer(2), AUDIO_BAD_BUFFER);
  AudioReleaseBuffer(0);  // the first number
  EXPECT_EQ(AudioCheckBuffer(0), AUDIO_BAD_BUFFER);
  AudioReleaseBuffer(AUDIO_BUFFERS - 1);  // and the last
  EXPECT_EQ(AudioCheckBuffer(AUDIO_BUFFERS - 1), AUDIO_BAD_BUFFER);
  // Numbers just outside the range release nothing, and the mixer still runs.
  AudioReleaseBuffer(-1);
  AudioReleaseBuffer(AUDIO_BUFFERS);
  ASSERT_EQ(AudioCreateBuffer(AUDIO_BUFFERS - 1, 8, 0), AUDIO_OK);
  EXPECT_EQ(AudioPlayBuffer(AUDIO_BUFFERS - 1, 0), AUDIO_OK);
  const uint64_t mixed = AudioFramesMixed();
  Mix(2);
  EXPECT_EQ(AudioFramesMixed(), mixed + 2);
  AudioReleaseBuffer(AUDIO_BUFFERS - 1);
  EXPECT_EQ(AudioPlayBuffer(2, 0), AUDIO_BAD_BUFFER);
}

TEST_F(Audio, APlayedOnceBufferGivesEachFrameOnceThenStops) {
  MakeRamp(0, 3000, 100);  // longer than one mixing chunk
  ASSERT_EQ(AudioPlayBuffer(0, 0), AUDIO_OK);
  const std::vector<int16_t> out = Mix(3100);
  for (uint32_t i = 0; i < 3000; ++i) {
    ASSERT_EQ(out[i * 2], 100 + int(i)) << i;
    ASSERT_EQ(out[i * 2 + 1], -(100 + int(i))) << i;
  }
  for (uint32_t i = 3000; i < 3100; ++i) ASSERT_EQ(out[i * 2], 0) << "silence after the end, " << i;
  EXPECT_EQ(AudioBufferPlaying(0), 0);
  uint32_t at = 0;
  AudioGetPlayPosition(0, &at);
  EXPECT_EQ(at, 3000u * AUDIO_FRAME_BYTES);
  EXPECT_EQ(AudioFramesMixed(), 3100u);
}

TEST_F(Audio, ALoopingBufferStartsAgainAtItsFirstFrame) {
  MakeRamp(1, 5, 10);
  ASSERT_EQ(AudioPlayBuffer(1, 1), AUDIO_OK);
  const std::vector<int16_t> out = Mix(12);
  const int expected[12] = {10, 11, 12, 13, 14, 10, 11, 12, 13, 14, 10, 11};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(out[i * 2], expected[i]) << i;
  EXPECT_EQ(AudioBufferPlaying(1), 1);
  uint32_t at = 0;
  AudioGetPlayPosition(1, &at);
  EXPECT_EQ(at, 2u * AUDIO_FRAME_BYTES);
  // Played from a position inside: the first chunk starts there.
  AudioStopBuffer(1);
  ASSERT_EQ(AudioSetBufferPosition(1, 3 * AUDIO_FRAME_BYTES), AUDIO_OK);
  ASSERT_EQ(AudioPlayBuffer(1, 0), AUDIO_OK);
  const std::vector<int16_t> tail = Mix(4);
  EXPECT_EQ(tail[0], 13);
  EXPECT_EQ(tail[2], 14);
  EXPECT_EQ(tail[4], 0);
  EXPECT_EQ(AudioBufferPlaying(1), 0);
}

// A buffer mixed exactly to its last frame ends there: played once it stops, looping it is
// back at its start; and a later mix goes on from there.
TEST_F(Audio, ABufferMixedExactlyToItsEndStopsOrStartsAgain) {
  MakeRamp(0, 5, 10);
  MakeRamp(1, 5, 100);
  ASSERT_EQ(AudioPlayBuffer(0, 0), AUDIO_OK);
  ASSERT_EQ(AudioPlayBuffer(1, 1), AUDIO_OK);
  const std::vector<int16_t> out = Mix(5);
  EXPECT_EQ(out[8], 14 + 104) << "the last frames of both";
  EXPECT_EQ(AudioBufferPlaying(0), 0);
  EXPECT_EQ(AudioBufferPlaying(1), 1);
  uint32_t at = 99;
  AudioGetPlayPosition(1, &at);
  EXPECT_EQ(at, 0u);
  AudioGetPlayPosition(0, &at);
  EXPECT_EQ(at, 5u * AUDIO_FRAME_BYTES);
  EXPECT_EQ(Mix(1)[0], 100) << "only the looping one, from its first frame";
  // Buffer 0 stands at its end: played again looping it starts at its first frame, not past it.
  AudioStopBuffer(1);
  ASSERT_EQ(AudioPlayBuffer(0, 1), AUDIO_OK);
  const std::vector<int16_t> again = Mix(2);
  EXPECT_EQ(again[0], 10);
  EXPECT_EQ(again[2], 11);
  // A device closed and opened again has no buffers left.
  AudioCloseDevice();
  ASSERT_EQ(AudioOpenDevice(AudioIdentity{}), AUDIO_OK);
  EXPECT_EQ(AudioCheckBuffer(0), AUDIO_BAD_BUFFER);
  EXPECT_EQ(AudioCheckBuffer(1), AUDIO_BAD_BUFFER);
  EXPECT_EQ(AudioFramesMixed(), 0u);
}

TEST_F(Audio, BuffersAreAddedAndTheSumIsClampedToSixteenBits) {
  MakeRamp(0, 4, 32000);  // 32000..32003 on the left, their negatives on the right
  MakeRamp(1, 4, 766);    // 766..769
  AudioPlayBuffer(0, 0);
  AudioPlayBuffer(1, 0);
  const std::vector<int16_t> out = Mix(4);
  // Left sums 32766, 32768, 32770, 32772: the first stands, the rest clamp to 32767.
  EXPECT_EQ(out[0], 32766);
  EXPECT_EQ(out[2], 32767);
  EXPECT_EQ(out[4], 32767);
  // Right sums -32766, -32768, -32770: -32768 stands and below it clamps.
  EXPECT_EQ(out[1], -32766);
  EXPECT_EQ(out[3], -32768);
  EXPECT_EQ(out[5], -32768);
}

TEST_F(Audio, WithoutFocusOnlyGlobalBuffersSoundButEveryBufferMovesOn) {
  MakeRamp(0, 8, 1000, AUDIO_BUFFER_GLOBAL_FOCUS);
  MakeRamp(1, 8, 100, 0);
  AudioPlayBuffer(0, 0);
  AudioPlayBuffer(1, 0);
  AudioNoteWindowFocus(0);
  const std::vector<int16_t> out = Mix(2);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[2], 1001);
  uint32_t at = 0;
  AudioGetPlayPosition(1, &at);
  EXPECT_EQ(at, 2u * AUDIO_FRAME_BYTES) << "a silent buffer keeps its place in time";
  AudioNoteWindowFocus(1);
  const std::vector<int16_t> next = Mix(1);
  EXPECT_EQ(next[0], 1002 + 102);
  // A locked buffer is left out of the mix and does not move.
  uint8_t* data = nullptr;
  uint32_t bytes = 0;
  AudioLockBuffer(1, &data, &bytes);
  EXPECT_EQ(Mix(1)[0], 1003);
  AudioUnlockBuffer(1);
  EXPECT_EQ(Mix(1)[0], 1004 + 103);
}

TEST_F(Audio, ABufferPlayedFromItsStartNotesTheFrameItStartedAt) {
  MakeRamp(0, 4, 1);
  Mix(100);
  AudioPlayBuffer(0, 0);
  Mix(10);
  EXPECT_EQ(AudioBufferStartFrame(0), 100u);
  AudioSetBufferPosition(0, 0);
  AudioPlayBuffer(0, 1);
  Mix(1);
  EXPECT_EQ(AudioBufferStartFrame(0), 110u);
}

TEST(AudioIdentity, IsTheNamesTwoHashesBigEndianWithVersionAndVariantBits) {
  // 64-bit FNV-1a of "a" is af63dc4c8601ec8c (the published value); byte 6 keeps its low
  // nibble under the version 8.
  const AudioIdentity a = AudioIdentityOfName("a");
  const uint8_t first[8] = {0xAF, 0x63, 0xDC, 0x4C, 0x86, 0x01, 0x8C, 0x8C};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(a.bytes[i], first[i]) << i;
  // The second half: FNV-1a from the other start, big-endian, variant bits 10 in byte 8.
  uint64_t h = 0x84222325CBF29CE4ull;
  h = (h ^ 'a') * 0x100000001B3ull;
  for (int i = 0; i < 8; ++i) {
    uint8_t expected = static_cast<uint8_t>(h >> (8 * (7 - i)));
    if (i == 0) expected = static_cast<uint8_t>((expected & 0x3F) | 0x80);
    EXPECT_EQ(a.bytes[8 + i], expected) << 8 + i;
  }
  // The empty name hashes to the start values: cbf29ce484222325.
  const AudioIdentity empty = AudioIdentityOfName("");
  const uint8_t start[8] = {0xCB, 0xF2, 0x9C, 0xE4, 0x84, 0x22, 0x83, 0x25};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(empty.bytes[i], start[i]) << i;
  EXPECT_FALSE(AudioIdentityIsZero(empty));
  EXPECT_TRUE(AudioIdentityIsZero(AudioIdentity{}));
  EXPECT_EQ(std::memcmp(AudioIdentityOfName(nullptr).bytes, empty.bytes, 16), 0);
}

TEST_F(Audio, AnIdentityNoDeviceHasIsNotFoundAndTheDefaultIsNamed) {
  EXPECT_STREQ(AudioDeviceName(), "default");
  EXPECT_EQ(AudioStartDevice(), AUDIO_OK);
  EXPECT_EQ(AudioPauseDevice(1), AUDIO_OK);
  AudioCloseDevice();
  EXPECT_EQ(AudioDeviceOpen(), 0);
  EXPECT_STREQ(AudioDeviceName(), "") << "a closed device has no name";
  EXPECT_EQ(AudioStartDevice(), AUDIO_NOT_OPEN);
  EXPECT_EQ(AudioCreateBuffer(0, 64, 0), AUDIO_NOT_OPEN);
  EXPECT_EQ(AudioOutputCount(), 0);
  EXPECT_EQ(AudioOutputName(0), nullptr);
  EXPECT_EQ(AudioOpenDevice(AudioIdentityOfName("no such device here")), AUDIO_NOT_FOUND);
  EXPECT_EQ(AudioDeviceOpen(), 0);
}

// SDL's dummy driver lists one output, "System audio output device".  The list runs from 0 to
// the count less one, and a device opened by the identity of that name is that output, named so.
TEST_F(Audio, TheDriversOneOutputIsListedAndOpenedByTheIdentityOfItsName) {
  const char* const name = "System audio output device";
  EXPECT_EQ(AudioOutputCount(), 1);
  ASSERT_NE(AudioOutputName(0), nullptr) << "the first output";
  EXPECT_STREQ(AudioOutputName(0), name);
  EXPECT_EQ(AudioOutputName(1), nullptr) << "one past the last";
  EXPECT_EQ(AudioOutputName(-1), nullptr);
  AudioCloseDevice();
  ASSERT_EQ(AudioOpenDevice(AudioIdentityOfName(name)), AUDIO_OK) << AudioErrorText();
  EXPECT_EQ(AudioDeviceOpen(), 1);
  EXPECT_STREQ(AudioDeviceName(), name) << "the output found, not the default";
  EXPECT_EQ(AudioOpenDevice(AudioIdentityOfName("another name")), AUDIO_OK) << "an open device stays open";
  EXPECT_STREQ(AudioDeviceName(), name);
}

// The device opens paused, so SDL's audio thread takes nothing until it is started; a start sets
// it playing, and pausing and unpausing follow the call.  SDL numbers its open devices from 1,
// and ours is the one open device, found by its paused state.
TEST_F(Audio, AStartSetsTheDevicePlayingAndAPauseHoldsItAgain) {
  SDL_AudioDeviceID id = 0;
  for (SDL_AudioDeviceID i = 1; i < 64 && id == 0; ++i)
    if (SDL_GetAudioDeviceStatus(i) == SDL_AUDIO_PAUSED) id = i;
  ASSERT_NE(id, 0u) << "the opened device is paused";
  ASSERT_EQ(AudioStartDevice(), AUDIO_OK);
  EXPECT_EQ(SDL_GetAudioDeviceStatus(id), SDL_AUDIO_PLAYING);
  ASSERT_EQ(AudioPauseDevice(1), AUDIO_OK);
  EXPECT_EQ(SDL_GetAudioDeviceStatus(id), SDL_AUDIO_PAUSED);
  ASSERT_EQ(AudioPauseDevice(0), AUDIO_OK);
  EXPECT_EQ(SDL_GetAudioDeviceStatus(id), SDL_AUDIO_PLAYING);
  ASSERT_EQ(AudioPauseDevice(7), AUDIO_OK) << "any number but 0 pauses";
  EXPECT_EQ(SDL_GetAudioDeviceStatus(id), SDL_AUDIO_PAUSED);
  AudioCloseDevice();
  EXPECT_EQ(SDL_GetAudioDeviceStatus(id), SDL_AUDIO_STOPPED) << "closed";
  EXPECT_EQ(AudioPauseDevice(0), AUDIO_NOT_OPEN);
}

// A closed device lets go of SDL's audio, and so does an open that finds no such output.
TEST_F(Audio, ACloseOrAnOutputNotFoundLetsGoOfSdlsAudio) {
  ASSERT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  AudioCloseDevice();
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "closed";
  ASSERT_EQ(AudioOpenDevice(AudioIdentityOfName("no such output")), AUDIO_NOT_FOUND);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "not found";
}
