// ogg_stream_test.cpp - the Ogg Vorbis decoder against the reference decoder, its end, bad
// files, and the interface sound files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/ogg_stream.h"
#include "core/sound_file.h"
#include "sound_test_util.h"

namespace {

namespace fs = std::filesystem;

// Steps the decoder as the music refill does until it ends; the frames written, in order.
uint32_t DecodeIntoRing(OggDecoder& d, std::vector<int16_t>& ring, uint32_t& position, uint32_t& bytesRead) {
  uint32_t frames = 0;
  while (!d.ended) frames += OggStreamStep(d, position, ring.data(), bytesRead, 2000) / 4;
  return frames;
}

TEST(OggStream, TheRingHoldsTheReferenceDecodeTimes32767RoundedAndClampedAcrossAWrap) {
  for (int channels : {2, 1}) {
    SCOPED_TRACE(channels);
    const std::vector<uint8_t> file = EncodeTestMusic(0.6, channels);
    const std::vector<int16_t> reference = ReferenceFrames(file);
    ASSERT_GT(reference.size(), 20000u);
    OggDecoder d;
    uint32_t bytesRead = 0;
    ASSERT_EQ(OggStreamOpen(d, file.data(), file.size(), bytesRead), OGG_OK);
    EXPECT_EQ(d.channels, channels);
    std::vector<int16_t> ring(OGG_RING_FRAMES * 2, 0);
    const uint32_t start = OGG_RING_FRAMES - 5000;  // the stream wraps to the ring's start
    uint32_t position = start;
    const uint32_t frames = DecodeIntoRing(d, ring, position, bytesRead);
    EXPECT_EQ(frames, reference.size() / 2);
    EXPECT_EQ(position, (start + frames) % OGG_RING_FRAMES);
    EXPECT_EQ(bytesRead, file.size()) << "the whole file was fed";
    bool clamped = false;
    for (uint32_t i = 0; i < frames && i < reference.size() / 2; ++i) {
      const uint32_t at = (start + i) % OGG_RING_FRAMES;
      ASSERT_EQ(ring[at * 2], reference[i * 2]) << "frame " << i;
      ASSERT_EQ(ring[at * 2 + 1], reference[i * 2 + 1]) << "frame " << i;
      clamped = clamped || reference[i * 2] == 32767 || reference[i * 2] == -32767;
    }
    EXPECT_TRUE(clamped) << "the loud part reaches the clamp";
    EXPECT_EQ(d.ended, 1);
    EXPECT_EQ(d.volume, 0.0f) << "the end sets the volume to 0";
    EXPECT_EQ(OggStreamStep(d, position, ring.data(), bytesRead, 2000), 0u);
    OggStreamClose(d);
  }
}

TEST(OggStream, AFillStopsShortOfTheMinimumAndAfterTheEndWritesSilence) {
  const std::vector<uint8_t> file = EncodeTestMusic(0.3, 2);
  const std::vector<int16_t> reference = ReferenceFrames(file);
  OggDecoder d;
  uint32_t bytesRead = 0;
  ASSERT_EQ(OggStreamOpen(d, file.data(), file.size(), bytesRead), OGG_OK);
  std::vector<int16_t> ring(OGG_RING_FRAMES * 2, 0x5555);
  uint32_t position = 0;
  EXPECT_EQ(OggStreamFill(d, position, ring.data(), bytesRead, 500, 1024), 0u) << "fewer than the minimum";
  EXPECT_EQ(position, 0u);
  const uint32_t wanted = 40000;  // more than the stream holds
  EXPECT_EQ(OggStreamFill(d, position, ring.data(), bytesRead, wanted, 1024), wanted);
  EXPECT_EQ(position, wanted);
  EXPECT_EQ(d.ended, 1);
  const uint32_t decoded = static_cast<uint32_t>(reference.size() / 2);
  EXPECT_EQ(ring[(decoded - 1) * 2], reference[(decoded - 1) * 2]);
  for (uint32_t f = decoded; f < wanted; ++f) ASSERT_EQ(ring[f * 2], 0) << "the ring goes quiet at " << f;
  EXPECT_EQ(ring[wanted * 2], 0x5555) << "nothing past the region";
  OggStreamClose(d);
}

// A fill whose frames left are exactly the minimum still decodes: one frame asked with a
// minimum of one writes the stream's first frame, and the frame after it is left alone.
TEST(OggStream, AFillOfExactlyTheMinimumWritesItsFrames) {
  const std::vector<uint8_t> file = EncodeTestMusic(0.3, 2);
  const std::vector<int16_t> reference = ReferenceFrames(file);
  ASSERT_GE(reference.size(), 2u);
  OggDecoder d;
  uint32_t bytesRead = 0;
  ASSERT_EQ(OggStreamOpen(d, file.data(), file.size(), bytesRead), OGG_OK);
  std::vector<int16_t> ring(OGG_RING_FRAMES * 2, 0x5555);
  uint32_t position = 0;
  EXPECT_EQ(OggStreamFill(d, position, ring.data(), bytesRead, 1, 1), 1u);
  EXPECT_EQ(position, 1u);
  EXPECT_EQ(ring[0], reference[0]) << "left of the first frame";
  EXPECT_EQ(ring[1], reference[1]) << "right of the first frame";
  EXPECT_EQ(ring[2], 0x5555) << "nothing past the one frame";
  OggStreamClose(d);
}

TEST(OggStream, FilesThatAreNotMonoOrStereoVorbisAt44100AreRefused) {
  OggDecoder d;
  // A refused open gives back all it took: no part of the decoder is left to close.
  const auto nothingHeld = [&d] { return d.syncReady + d.infoReady + d.streamReady + d.synthesisReady == 0; };
  uint32_t bytesRead = 0;
  EXPECT_EQ(OggStreamOpen(d, nullptr, 0, bytesRead), OGG_NO_HEADERS);
  EXPECT_TRUE(nothingHeld());
  const std::vector<uint8_t> text = {'O', 'g', 'g', 'S', 'n', 'o', 't', ' ', 'r', 'e', 'a', 'l', 'l', 'y'};
  EXPECT_EQ(OggStreamOpen(d, text.data(), text.size(), bytesRead), OGG_NO_HEADERS);
  EXPECT_TRUE(nothingHeld());
  const std::vector<uint8_t> good = EncodeTestMusic(0.2, 2);
  bytesRead = 0;
  EXPECT_EQ(OggStreamOpen(d, good.data(), 60, bytesRead), OGG_NO_HEADERS) << "cut inside the headers";
  EXPECT_TRUE(nothingHeld());

  std::vector<float> three(3 * 4410, 0.1f);
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeOggVorbis(three.data(), 4410, 3, 0.3f, 5, file));
  bytesRead = 0;
  EXPECT_EQ(OggStreamOpen(d, file.data(), file.size(), bytesRead), OGG_BAD_FORMAT);
  EXPECT_TRUE(nothingHeld()) << "three channels";
  OggStreamClose(d);  // harmless after a refused open
}

TEST(OggStream, ADamagedMiddleIsPassedOverAndTheStreamStillEnds) {
  std::vector<uint8_t> file = EncodeTestMusic(3.0, 2);
  const size_t whole = ReferenceFrames(file).size() / 2;
  for (size_t i = file.size() / 2; i < file.size() / 2 + 300; ++i) file[i] ^= 0xA5;
  OggDecoder d;
  uint32_t bytesRead = 0;
  ASSERT_EQ(OggStreamOpen(d, file.data(), file.size(), bytesRead), OGG_OK);
  std::vector<int16_t> ring(OGG_RING_FRAMES * 2, 0);
  uint32_t position = 0;
  const uint32_t frames = DecodeIntoRing(d, ring, position, bytesRead);
  EXPECT_GT(frames, whole / 2) << "the pages before and after the damage";
  EXPECT_LT(frames, whole);
  EXPECT_EQ(d.ended, 1);
  OggStreamClose(d);
}

TEST(OggStream, AStepWritesNoMoreFramesThanItIsAllowed) {
  const std::vector<uint8_t> file = EncodeTestMusic(0.3, 2);
  const std::vector<int16_t> reference = ReferenceFrames(file);
  OggDecoder d;
  uint32_t bytesRead = 0;
  ASSERT_EQ(OggStreamOpen(d, file.data(), file.size(), bytesRead), OGG_OK);
  std::vector<int16_t> ring(OGG_RING_FRAMES * 2, 0x5555);
  uint32_t position = 0, written = 0;
  // Seven frames at most a step: steps write 0 (paging and decoding) or exactly 7.
  for (int step = 0; step < 1000 && written < 70; ++step) {
    const uint32_t bytes = OggStreamStep(d, position, ring.data(), bytesRead, 7);
    ASSERT_TRUE(bytes == 0 || bytes == 7 * 4) << bytes;
    written += bytes / 4;
  }
  ASSERT_EQ(written, 70u);
  EXPECT_EQ(position, 70u);
  for (uint32_t f = 0; f < 70; ++f) ASSERT_EQ(ring[f * 2], reference[f * 2]) << f;
  EXPECT_EQ(ring[70 * 2], 0x5555) << "nothing past the frames written";
  OggStreamClose(d);
}

TEST(OggStream, AFileCutShortEndsTheStreamAtItsLastWholePage) {
  // No end-of-stream page: the bytes run out instead.  The stream must still end (and go
  // quiet), or the music refill would step it for ever.
  const std::vector<uint8_t> whole = EncodeTestMusic(2.0, 2);
  const size_t wholeFrames = ReferenceFrames(whole).size() / 2;
  const std::vector<uint8_t> file(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 2 / 3));
  OggDecoder d;
  uint32_t bytesRead = 0;
  ASSERT_EQ(OggStreamOpen(d, file.data(), file.size(), bytesRead), OGG_OK);
  std::vector<int16_t> ring(OGG_RING_FRAMES * 2, 0);
  uint32_t position = 0, frames = 0;
  for (int step = 0; step < 100000 && !d.ended; ++step)
    frames += OggStreamStep(d, position, ring.data(), bytesRead, 2000) / 4;
  ASSERT_EQ(d.ended, 1) << "the stream never ended";
  EXPECT_EQ(d.volume, 0.0f);
  EXPECT_EQ(bytesRead, file.size());
  EXPECT_GT(frames, wholeFrames / 3);
  EXPECT_LT(frames, wholeFrames);
  EXPECT_EQ(OggStreamStep(d, position, ring.data(), bytesRead, 2000), 0u) << "an ended stream writes nothing";
  OggStreamClose(d);
}

// ---- sound files ----

class SoundFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    folder_ = previous_ / "sound_files";
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "data" / "sound");
    fs::current_path(folder_);
    LoggingEnabled = 1;
    RestartLog("sound files", false);
    for (SampleRecord& s : SampleRecords) s = SampleRecord{};
  }
  void TearDown() override {
    for (SampleRecord& s : SampleRecords) s = SampleRecord{};
    fs::current_path(previous_);
  }
  static void Write(const char* name, const std::vector<uint8_t>& bytes) {
    std::ofstream(std::string("data/sound/") + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  static std::vector<std::string> LogTexts() {
    std::vector<std::string> lines;
    std::ifstream in(CurrentLogPath());
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(16));
    return lines;
  }
  void LoadAndCheck(bool prepared);
  fs::path previous_, folder_;
};

// With prepared, the sounds are decoded on the worker before LoadInterfaceSounds takes them.
void SoundFiles::LoadAndCheck(bool prepared) {
  RestartLog("sound files", false);
  for (SampleRecord& s : SampleRecords) s = SampleRecord{};
  const std::vector<uint8_t> mono = EncodeTestMusic(0.1, 1);
  const std::vector<uint8_t> stereo = EncodeTestMusic(0.2, 2);
  Write("click.ogg", mono);
  // tone.ogg is missing
  Write("chime.ogg", std::vector<uint8_t>(mono.begin(), mono.begin() + 40));  // cut in its headers
  Write("refuse.ogg", stereo);
  std::vector<float> slow(22050, 0.2f);
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeOggVorbis(slow.data(), 11025, 2, 0.3f, 3, file));
  Write("falling.ogg", std::vector<uint8_t>(file.size(), 0x4F));  // not Ogg at all

  if (prepared) PrepareInterfaceSounds();
  LoadInterfaceSounds();
  EXPECT_EQ(SampleRecords[0].stereo, 0);
  EXPECT_EQ(SampleRecords[0].length, ReferenceFrames(mono).size() / 2);
  EXPECT_EQ(SampleRecords[0].data.size(), SampleRecords[0].length) << "a mono sound keeps one value a frame";
  const std::vector<int16_t> reference = ReferenceFrames(stereo);
  EXPECT_EQ(SampleRecords[3].stereo, 1);
  EXPECT_EQ(SampleRecords[3].data, reference);
  for (int silent : {1, 2, 4}) EXPECT_EQ(SampleRecords[silent].length, 0u) << silent;

  const std::vector<std::string> log = LogTexts();
  const std::vector<std::string> wanted = {"sound 1 : data\\sound\\tone.ogg could not be read",
                                           "sound 2 : data\\sound\\chime.ogg not an Ogg Vorbis file",
                                           "sound 4 : data\\sound\\falling.ogg not an Ogg Vorbis file"};
  EXPECT_EQ(std::vector<std::string>(log.begin() + 1, log.end()), wanted);
}

TEST_F(SoundFiles, EachMissingOrDamagedFileLeavesItsSoundSilentWithOneLogLine) { LoadAndCheck(false); }

TEST_F(SoundFiles, DecodedOnAWorkerTheSameSoundsAndTheSameLinesArriveWhenTaken) {
  LoadAndCheck(true);
  LoadAndCheck(false);  // taken once: the next load decodes the files itself
  // Decoded for a start that ended before taking them, then the files changed: a new
  // preparation reads them again.
  Write("click.ogg", std::vector<uint8_t>(64, 0x4F));
  PrepareInterfaceSounds();
  LoadAndCheck(true);
}

TEST(SoundFile, SoundsLongerThanTheLimitOrWithoutAudioAreRefused) {
  std::vector<float> silence(1, 0.0f);
  std::vector<uint8_t> file;
  ASSERT_TRUE(EncodeOggVorbis(silence.data(), 0, 1, 0.3f, 4, file));
  SampleRecord s;
  EXPECT_EQ(DecodeSoundData(file.data(), file.size(), s), SOUND_FILE_EMPTY);
  EXPECT_EQ(s.length, 0u);

  std::vector<float> longer(SOUND_FILE_MAX_FRAMES + 44100, 0.0f);
  ASSERT_TRUE(EncodeOggVorbis(longer.data(), static_cast<uint32_t>(longer.size()), 1, 0.0f, 6, file));
  EXPECT_EQ(DecodeSoundData(file.data(), file.size(), s), SOUND_FILE_TOO_LONG);
  EXPECT_TRUE(s.data.empty());
}

TEST(SoundFile, TheBuiltInterfaceSoundsAreShortMonoSoundsThatDecode) {
  const char* work = std::getenv("ZKT_WORK_DIR");
  ASSERT_NE(work, nullptr);
  const fs::path folder = fs::path(work) / "data" / "sound";
  for (const char* name : {"click.ogg", "tone.ogg", "chime.ogg", "refuse.ogg", "falling.ogg"}) {
    SCOPED_TRACE(name);
    SampleRecord s;
    ASSERT_EQ(LoadSoundFile((folder / name).c_str(), s), SOUND_FILE_OK);
    EXPECT_EQ(s.stereo, 0);
    EXPECT_GT(s.length, 441u);
    EXPECT_LT(s.length, 44100u / 2);
    int peak = 0;
    for (int16_t v : s.data) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_GT(peak, 3000) << "audible";
  }
}

}  // namespace

namespace {

TEST(SoundFile, ASoundOfExactlyTheLimitIsTakenAndOneFrameMoreIsRefused) {
  std::vector<float> quiet(SOUND_FILE_MAX_FRAMES + 1, 0.0f);
  for (size_t i = 0; i < quiet.size(); ++i) quiet[i] = (i / 50) % 2 ? 0.25f : -0.25f;
  std::vector<uint8_t> file;
  SampleRecord s;
  ASSERT_TRUE(EncodeOggVorbis(quiet.data(), SOUND_FILE_MAX_FRAMES, 1, 0.0f, 4, file));
  ASSERT_EQ(DecodeSoundData(file.data(), file.size(), s), SOUND_FILE_OK);
  EXPECT_EQ(s.length, SOUND_FILE_MAX_FRAMES);
  ASSERT_TRUE(EncodeOggVorbis(quiet.data(), SOUND_FILE_MAX_FRAMES + 1, 1, 0.0f, 4, file));
  EXPECT_EQ(DecodeSoundData(file.data(), file.size(), s), SOUND_FILE_TOO_LONG);
}

}  // namespace
