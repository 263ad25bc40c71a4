// sound.cpp - sound output over the platform's audio device: the interface sounds, the
// music ring and the reports of failed calls.
//
// Sections: [State] [Reports] [Fault switch] [Samples] [Device] [Playing] [Music stream]
#include "core/sound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/ogg_stream.h"
#include "core/report.h"
#include "platform/audio.h"

// ---- [State] ----

SampleRecord SampleRecords[SAMPLE_RECORDS];
int SoundOpen;
int SoundStreaming;
int InterfaceSoundOn = 1;
int FrontEndScreenState;
ConfigUuid VrAudioDevice;
void (*SoundSwitchText)(int on, char* line, size_t size);

namespace {

struct MusicStream {
  std::vector<uint8_t> data;  // the whole file while a stream is open
  OggDecoder decoder{};
  int open = 0;
  int paused = 0;             // stopped by PauseMusicStream, to be restarted
  uint32_t bytesRead = 0;
  uint32_t writeFrame = 0;    // the next ring frame the decoder fills
  uint32_t lastBlock = 0;     // the block the last refill reached
};

MusicStream g_music;
int g_soundReady[INTERFACE_SOUNDS];  // the interface sound's buffer holds its sound

struct InjectedFailure {
  char tag[24];
  int code;
};
constexpr int MAX_INJECTED_FAILURES = 16;
InjectedFailure g_failures[MAX_INJECTED_FAILURES];

// ---- [Reports] ----

void Report(const char* lead, const char* what, int code) {
  char detail[64];
  std::snprintf(detail, sizeof detail, "(%s %d)", what ? what : "?", code);
  LogF("%s %s", lead, detail);
  if (!SoundOpen) return;  // before the device is marked open, the log alone hears of it
  char line[96];
  std::snprintf(line, sizeof line, "%s ^L%s", lead, detail);
  ReportLine(line, REPORT_ERROR);
}

// ---- [Fault switch] ----

int Injected(const char* tag) {
  for (const InjectedFailure& f : g_failures)
    if (f.code && std::strcmp(f.tag, tag) == 0) return f.code;
  return 0;
}

// A call's result: the injected failure when a test set one, else the call's own.
template <typename Call>
int Checked(const char* tag, Call call) {
  if (const int code = Injected(tag)) return code;
  return call();
}

// ---- [Device] ----

uint32_t BufferFlags() { return (CfgAudioOptions & AUDIO_OPTION_GLOBAL_FOCUS) ? AUDIO_BUFFER_GLOBAL_FOCUS : 0; }

// The identity's bytes in the order of the text form.
AudioIdentity IdentityOfUuid(const ConfigUuid& u) {
  AudioIdentity identity{};
  for (int i = 0; i < 4; ++i) identity.bytes[i] = static_cast<uint8_t>(u.data1 >> (24 - 8 * i));
  identity.bytes[4] = static_cast<uint8_t>(u.data2 >> 8);
  identity.bytes[5] = static_cast<uint8_t>(u.data2);
  identity.bytes[6] = static_cast<uint8_t>(u.data3 >> 8);
  identity.bytes[7] = static_cast<uint8_t>(u.data3);
  std::memcpy(identity.bytes + 8, u.data4, 8);
  return identity;
}

void IdentityText(const AudioIdentity& identity, char* out, size_t size) {
  const uint8_t* b = identity.bytes;
  std::snprintf(out, size, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1], b[2],
                b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

// The log names every output with the "Speaker GUID " that chooses it.
void LogOutputs() {
  LogF("sound device : %s", AudioDeviceName());
  for (int i = 0; i < AudioOutputCount(); ++i) {
    const char* name = AudioOutputName(i);
    if (!name) break;
    char text[40];
    IdentityText(AudioIdentityOfName(name), text, sizeof text);
    LogF("sound output %s : %s", text, name);
  }
}

// Copies an interface sound into its buffer behind the silence; false after a fatal failure.
bool MakeInterfaceSound(int index) {
  SampleRecord& sample = SampleRecords[index];
  const int buffer = FIRST_INTERFACE_SOUND_BUFFER + index;
  const uint32_t bytes = INTERFACE_SOUND_LEAD_BYTES + sample.length * AUDIO_FRAME_BYTES;
  int result = Checked("CreateSoundBuffer:S", [&] { return AudioCreateBuffer(buffer, bytes, BufferFlags()); });
  if (result) {
    SoundError("CreateSoundBuffer:S", result);  // this sound stays silent
    return true;
  }
  result = Checked("QueryInterface:S", [&] { return AudioCheckBuffer(buffer); });
  if (result) {
    SoundFatal("QueryInterface:S", result);
    return false;
  }
  uint8_t* data = nullptr;
  uint32_t size = 0;
  result = Checked("Lock:S", [&] { return AudioLockBuffer(buffer, &data, &size); });
  if (result) {
    SoundFatal("Lock:S", result);
    return false;
  }
  std::memset(data, 0, INTERFACE_SOUND_LEAD_BYTES);
  sample.position = 0;
  FillSampleFrames(reinterpret_cast<int16_t*>(data + INTERFACE_SOUND_LEAD_BYTES), sample.length, sample, 1.0f);
  result = AudioUnlockBuffer(buffer);  // always, so that the mixer runs again
  if (const int injected = Injected("Unlock:S")) result = injected;
  if (result) {
    SoundFatal("Unlock:S", result);
    return false;
  }
  g_soundReady[index] = 1;
  return true;
}

// ---- [Music stream] ----

int16_t* LockRing(const char* tag) {
  uint8_t* data = nullptr;
  uint32_t size = 0;
  const int result = Checked(tag, [&] { return AudioLockBuffer(MUSIC_BUFFER, &data, &size); });
  if (result) {
    SoundFatal(tag, result);
    return nullptr;
  }
  return reinterpret_cast<int16_t*>(data);
}

bool UnlockRing(const char* tag) {
  int result = AudioUnlockBuffer(MUSIC_BUFFER);
  if (const int injected = Injected(tag)) result = injected;
  if (result) {
    SoundFatal(tag, result);
    return false;
  }
  return true;
}

void CloseMusicFile() {
  if (!g_music.open) return;
  OggStreamClose(g_music.decoder);
  g_music.open = 0;
  g_music.data.clear();
  g_music.data.shrink_to_fit();
}

}  // namespace

// ---- [Reports] ----

void SoundFatal(const char* what, int code) {
  Report("No sound", what, code);
  CloseSound();
}

void SoundError(const char* what, int code) { Report("Sound error", what, code); }

// ---- [Fault switch] ----

void SoundFailCall(const char* tag, int code) {
  InjectedFailure* slot = nullptr;
  for (InjectedFailure& f : g_failures) {
    if (f.code && std::strcmp(f.tag, tag) == 0) {
      slot = &f;
      break;
    }
    if (!f.code && !slot) slot = &f;
  }
  if (!slot) return;
  std::snprintf(slot->tag, sizeof slot->tag, "%s", tag);
  slot->code = code;
}

void SoundClearFailures() {
  for (InjectedFailure& f : g_failures) f = InjectedFailure{};
}

// ---- [Samples] ----

int FillSampleFrames(int16_t* dest, uint32_t frames, SampleRecord& sample, float gain) {
  const uint32_t perFrame = sample.stereo ? 2 : 1;
  const uint32_t length = std::min<uint32_t>(sample.length, static_cast<uint32_t>(sample.data.size() / perFrame));
  const uint32_t left = sample.position < length ? length - sample.position : 0;
  const uint32_t count = std::min(frames, left);
  auto scaled = [gain](int16_t value) {
    float v = static_cast<float>(value) * gain;
    if (!(v >= -32768.0f)) v = -32768.0f;
    if (v > 32767.0f) v = 32767.0f;
    return static_cast<int16_t>(std::lround(v));
  };
  const int16_t* from = sample.data.data() + static_cast<size_t>(sample.position) * perFrame;
  for (uint32_t i = 0; i < count; ++i, from += perFrame) {
    dest[i * 2] = scaled(from[0]);
    dest[i * 2 + 1] = scaled(from[perFrame - 1]);
  }
  std::memset(dest + static_cast<size_t>(count) * 2, 0, static_cast<size_t>(frames - count) * AUDIO_FRAME_BYTES);
  sample.position += count;
  return sample.position >= length ? 1 : 0;
}

// ---- [Device] ----

void OpenSound() {
  if (SoundOpen) return;
  bool opened = false;
  const AudioIdentity configured = IdentityOfUuid(CfgSpeakerGuid);
  if (!AudioIdentityIsZero(configured)) {
    const int result = Checked("DirectSoundCreate8:I", [&] { return AudioOpenDevice(configured); });
    opened = result == AUDIO_OK;
    if (!opened) {
      const char* text = "Specified audio device was not found";
      LogF("%s (%d)", text, result);
      ReportLine(text, REPORT_ERROR);
      CfgSpeakerGuid = ConfigUuid{};
    }
  }
  if (!opened) {
    const AudioIdentity fallback = IdentityOfUuid(VrAudioDevice);  // all zero: the default device
    const int result = Checked("DirectSoundCreate8:I", [&] { return AudioOpenDevice(fallback); });
    if (result) {
      LogF("sound : %s", AudioErrorText());
      SoundError("DirectSoundCreate8:I", result);  // sound stays off; the program runs silent
      return;
    }
  }
  SoundOpen = 1;
  LogOutputs();
  int result = Checked("SetCooperativeLevel:I", [] { return AudioStartDevice(); });
  if (result) return SoundFatal("SetCooperativeLevel:I", result);
  result = Checked("CreateSoundBuffer:M",
                   [] { return AudioCreateBuffer(MUSIC_BUFFER, MUSIC_RING_FRAMES * AUDIO_FRAME_BYTES, BufferFlags()); });
  if (result) return SoundFatal("CreateSoundBuffer:M", result);
  result = Checked("QueryInterface:M", [] { return AudioCheckBuffer(MUSIC_BUFFER); });
  if (result) return SoundFatal("QueryInterface:M", result);
  for (int i = 0; i < INTERFACE_SOUNDS; ++i)
    if (SampleRecords[i].length && !MakeInterfaceSound(i)) return;
}

void CloseSound() {
  if (!SoundOpen) return;
  StopMusicStream();
  AudioCloseDevice();  // every buffer goes with it
  std::fill(std::begin(g_soundReady), std::end(g_soundReady), 0);
  g_music.paused = 0;
  SoundOpen = 0;
}

void ShutdownSound() {
  CloseSound();
  for (SampleRecord& sample : SampleRecords) sample = SampleRecord{};
  CloseMusicFile();
}

// ---- [Playing] ----

void PlayUISound(int index) {
  if (!SoundOpen || index < 0 || index >= INTERFACE_SOUNDS || !InterfaceSoundOn) return;
  if (index == 2 && FrontEndScreenState == 2) return;
  if (!g_soundReady[index]) return;
  const int buffer = FIRST_INTERFACE_SOUND_BUFFER + index;
  const int result = Checked("Play:B", [buffer] {
    const int moved = AudioSetBufferPosition(buffer, 0);  // a play starts the sound again
    return moved ? moved : AudioPlayBuffer(buffer, 0);
  });
  if (result) SoundError("Play:B", result);
}

void ToggleSound() {
  InterfaceSoundOn = !InterfaceSoundOn;
  char line[64];
  if (SoundSwitchText)
    SoundSwitchText(InterfaceSoundOn, line, sizeof line);
  else
    std::snprintf(line, sizeof line, "Sound : %s", InterfaceSoundOn ? "On" : "Off");
  ReportLine(line, REPORT_GREY);
}

// ---- [Music stream] ----

int PlayMusicData(const uint8_t* data, size_t size) {
  if (!SoundOpen) return 0;
  StopMusicStream();
  g_music.data.assign(data, data + size);
  g_music.bytesRead = 0;
  const int opened = OggStreamOpen(g_music.decoder, g_music.data.data(), g_music.data.size(), g_music.bytesRead);
  if (opened != OGG_OK) {
    LogF("music : %s", opened == OGG_BAD_FORMAT ? "not mono or stereo at 44100 Hz" : "not an Ogg Vorbis stream");
    g_music.data.clear();
    return 0;
  }
  g_music.open = 1;
  // The whole ring is filled before it plays.
  int16_t* ring = LockRing("Lock:M");
  if (!ring) return 0;
  std::memset(ring, 0, MUSIC_RING_FRAMES * AUDIO_FRAME_BYTES);
  g_music.writeFrame = 0;
  OggStreamFill(g_music.decoder, g_music.writeFrame, ring, g_music.bytesRead, MUSIC_RING_FRAMES, MUSIC_FILL_MIN_FRAMES);
  if (!UnlockRing("Unlock:M")) return 0;
  g_music.lastBlock = 0;
  const int result = Checked("Play:M", [] {
    const int moved = AudioSetBufferPosition(MUSIC_BUFFER, 0);
    return moved ? moved : AudioPlayBuffer(MUSIC_BUFFER, 1);
  });
  if (result) {
    SoundError("Play:M", result);
    CloseMusicFile();
    return 0;
  }
  SoundStreaming = 1;
  return 1;
}

void UpdateSoundStream() {
  if (!SoundOpen || !SoundStreaming) return;
  uint32_t bytes = 0;
  const int result = Checked("GetCurrentPosition:U", [&] { return AudioGetPlayPosition(MUSIC_BUFFER, &bytes); });
  if (result) return SoundFatal("GetCurrentPosition:U", result);
  uint32_t target = bytes / AUDIO_FRAME_BYTES % MUSIC_RING_FRAMES;
  target -= target % MUSIC_BLOCK_FRAMES;
  if (target == g_music.lastBlock) return;
  int16_t* ring = LockRing("Lock:U");
  if (!ring) return;
  if (g_music.open) {
    const uint32_t frames = (target + MUSIC_RING_FRAMES - g_music.writeFrame) % MUSIC_RING_FRAMES;
    OggStreamFill(g_music.decoder, g_music.writeFrame, ring, g_music.bytesRead, frames, MUSIC_FILL_MIN_FRAMES);
  }
  if (!UnlockRing("Unlock:U")) return;
  g_music.lastBlock = target;
}

uint32_t SoundStreamRefillDueMs() {
  if (!SoundOpen || !SoundStreaming) return UINT32_MAX;
  uint32_t bytes = 0;
  if (AudioGetPlayPosition(MUSIC_BUFFER, &bytes) != 0) return 0;  // the refill reports it
  const uint32_t frame = bytes / AUDIO_FRAME_BYTES % MUSIC_RING_FRAMES;
  const uint32_t framesLeft = MUSIC_BLOCK_FRAMES - frame % MUSIC_BLOCK_FRAMES;
  return (framesLeft * 1000u + AUDIO_RATE - 1) / AUDIO_RATE;  // rounded up: never before it
}

void StopMusicStream() {
  CloseMusicFile();
  g_music.paused = 0;
  if (!SoundStreaming) return;
  AudioStopBuffer(MUSIC_BUFFER);
  AudioSetBufferPosition(MUSIC_BUFFER, 0);
  SoundStreaming = 0;
}

void PauseMusicStream() {
  if (!SoundStreaming) return;
  AudioStopBuffer(MUSIC_BUFFER);
  SoundStreaming = 0;
  g_music.paused = 1;
}

int RestartMusicStream() {
  if (!SoundOpen || !g_music.paused) return 0;
  g_music.paused = 0;
  if (Checked("Play:S", [] { return AudioPlayBuffer(MUSIC_BUFFER, 1); })) return 0;
  SoundStreaming = 1;
  return 1;
}
