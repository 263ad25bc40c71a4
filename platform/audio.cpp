// audio.cpp - the sound output device over SDL2 audio and its mixer.
#include "platform/audio.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Buffer {
  bool made = false;
  std::vector<int16_t> samples;  // interleaved stereo frames
  uint32_t flags = 0;
  uint32_t position = 0;         // bytes
  bool playing = false;
  bool looping = false;
  bool locked = false;
  bool fromStart = false;        // played from position 0: its start frame is noted when mixed
  uint64_t startFrame = 0;
  uint32_t Bytes() const { return static_cast<uint32_t>(samples.size() * sizeof(int16_t)); }
};

struct Device {
  SDL_AudioDeviceID id = 0;
  std::string name;
  uint64_t framesMixed = 0;
  Buffer buffers[AUDIO_BUFFERS];
};

Device g_device;
std::atomic<int> g_focused{1};

constexpr uint32_t MIX_CHUNK_FRAMES = 1024;

// Holds SDL's audio thread out of the mixer's state while it lives.
class MixerLock {
 public:
  MixerLock() : id_(g_device.id) {
    if (id_) SDL_LockAudioDevice(id_);
  }
  ~MixerLock() {
    if (id_) SDL_UnlockAudioDevice(id_);
  }
  MixerLock(const MixerLock&) = delete;
  MixerLock& operator=(const MixerLock&) = delete;

 private:
  SDL_AudioDeviceID id_;
};

Buffer* MadeBuffer(int buffer) {
  if (buffer < 0 || buffer >= AUDIO_BUFFERS || !g_device.buffers[buffer].made) return nullptr;
  return &g_device.buffers[buffer];
}

// Adds one buffer's next frames into the sums and moves it on.
void MixBuffer(Buffer& b, int32_t* sums, uint32_t frames, uint64_t chunkStart) {
  const bool audible = (b.flags & AUDIO_BUFFER_GLOBAL_FOCUS) || g_focused.load(std::memory_order_relaxed);
  const uint32_t totalFrames = b.Bytes() / AUDIO_FRAME_BYTES;
  if (b.fromStart) {
    b.startFrame = chunkStart;
    b.fromStart = false;
  }
  uint32_t done = 0;
  while (done < frames && b.playing) {
    uint32_t at = b.position / AUDIO_FRAME_BYTES;
    if (at >= totalFrames) {
      if (!b.looping) {
        b.playing = false;
        break;
      }
      at = 0;
    }
    const uint32_t n = std::min(frames - done, totalFrames - at);
    if (audible) {
      const int16_t* from = b.samples.data() + at * 2;
      int32_t* to = sums + done * 2;
      for (uint32_t i = 0; i < n * 2; ++i) to[i] += from[i];
    }
    done += n;
    b.position = (at + n) * AUDIO_FRAME_BYTES;
    if (at + n >= totalFrames) {
      if (b.looping)
        b.position = 0;
      else
        b.playing = false;
    }
  }
}

void MixLocked(int16_t* out, uint32_t frames) {
  int32_t sums[MIX_CHUNK_FRAMES * 2];
  while (frames > 0) {
    const uint32_t n = std::min(frames, MIX_CHUNK_FRAMES);
    std::memset(sums, 0, sizeof(int32_t) * n * 2);
    for (Buffer& b : g_device.buffers)
      if (b.made && b.playing && !b.locked) MixBuffer(b, sums, n, g_device.framesMixed);
    for (uint32_t i = 0; i < n * 2; ++i) out[i] = static_cast<int16_t>(std::clamp(sums[i], -32768, 32767));
    g_device.framesMixed += n;
    out += n * 2;
    frames -= n;
  }
}

void SDLCALL FeedDevice(void*, Uint8* stream, int length) {
  // SDL holds the device lock around this call.
  MixLocked(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(length) / AUDIO_FRAME_BYTES);
}

// 64-bit FNV-1a over the name from a given start.
uint64_t HashName(const char* name, uint64_t hash) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    hash ^= *p;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

}  // namespace

// ---- [Devices] ----

AudioIdentity AudioIdentityOfName(const char* name) {
  AudioIdentity identity{};
  const uint64_t high = HashName(name ? name : "", 0xCBF29CE484222325ull);
  const uint64_t low = HashName(name ? name : "", 0x84222325CBF29CE4ull);
  for (int i = 0; i < 8; ++i) {
    identity.bytes[i] = static_cast<uint8_t>(high >> (56 - 8 * i));
    identity.bytes[8 + i] = static_cast<uint8_t>(low >> (56 - 8 * i));
  }
  // Marked as a name-made identity of the standard text form (version 8, variant 10), so it
  // is never all zero.
  identity.bytes[6] = static_cast<uint8_t>((identity.bytes[6] & 0x0F) | 0x80);
  identity.bytes[8] = static_cast<uint8_t>((identity.bytes[8] & 0x3F) | 0x80);
  return identity;
}

bool AudioIdentityIsZero(const AudioIdentity& identity) {
  for (uint8_t b : identity.bytes)
    if (b) return false;
  return true;
}

int AudioOpenDevice(const AudioIdentity& identity) {
  if (g_device.id) return AUDIO_OK;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return AUDIO_NO_DRIVER;
  std::string chosen;
  if (!AudioIdentityIsZero(identity)) {
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count && chosen.empty(); ++i) {
      const char* name = SDL_GetAudioDeviceName(i, 0);
      if (name && std::memcmp(AudioIdentityOfName(name).bytes, identity.bytes, 16) == 0) chosen = name;
    }
    if (chosen.empty()) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return AUDIO_NOT_FOUND;
    }
  }
  SDL_AudioSpec want{};
  want.freq = AUDIO_RATE;
  want.format = AUDIO_S16SYS;
  want.channels = AUDIO_CHANNELS;
  want.samples = 1024;
  want.callback = FeedDevice;
  SDL_AudioSpec have{};
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(chosen.empty() ? nullptr : chosen.c_str(), 0, &want, &have, 0);
  if (!id) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return AUDIO_OPEN_FAILED;
  }
  g_device.id = id;
  g_device.name = chosen.empty() ? "default" : chosen;
  g_device.framesMixed = 0;
  return AUDIO_OK;
}

int AudioStartDevice() {
  if (!g_device.id) return AUDIO_NOT_OPEN;
  SDL_PauseAudioDevice(g_device.id, 0);
  return AUDIO_OK;
}

void AudioCloseDevice() {
  if (!g_device.id) return;
  SDL_CloseAudioDevice(g_device.id);  // waits for the audio thread
  g_device.id = 0;
  for (Buffer& b : g_device.buffers) b = Buffer{};
  g_device.name.clear();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int AudioDeviceOpen() { return g_device.id ? 1 : 0; }

const char* AudioDeviceName() { return g_device.name.c_str(); }

const char* AudioErrorText() { return SDL_GetError(); }

int AudioOutputCount() {
  if (!g_device.id) return 0;
  return std::max(SDL_GetNumAudioDevices(0), 0);
}

const char* AudioOutputName(int index) {
  if (index < 0 || index >= AudioOutputCount()) return nullptr;
  return SDL_GetAudioDeviceName(index, 0);
}

// ---- [Buffers] ----

int AudioCreateBuffer(int buffer, uint32_t bytes, uint32_t flags) {
  if (!g_device.id) return AUDIO_NOT_OPEN;
  if (buffer < 0 || buffer >= AUDIO_BUFFERS) return AUDIO_BAD_BUFFER;
  if (bytes == 0 || bytes % AUDIO_FRAME_BYTES || bytes > AUDIO_BUFFER_MAX_BYTES) return AUDIO_BAD_SIZE;
  Buffer fresh;
  fresh.made = true;
  fresh.samples.assign(bytes / sizeof(int16_t), 0);
  fresh.flags = flags;
  MixerLock lock;
  g_device.buffers[buffer] = std::move(fresh);
  return AUDIO_OK;
}

int AudioCheckBuffer(int buffer) { return MadeBuffer(buffer) ? AUDIO_OK : AUDIO_BAD_BUFFER; }

int AudioLockBuffer(int buffer, uint8_t** data, uint32_t* bytes) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return AUDIO_BAD_BUFFER;
  if (b->locked) return AUDIO_LOCKED;
  if (g_device.id) SDL_LockAudioDevice(g_device.id);
  b->locked = true;
  *data = reinterpret_cast<uint8_t*>(b->samples.data());
  *bytes = b->Bytes();
  return AUDIO_OK;
}

int AudioUnlockBuffer(int buffer) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return AUDIO_BAD_BUFFER;
  if (!b->locked) return AUDIO_LOCKED;
  b->locked = false;
  if (g_device.id) SDL_UnlockAudioDevice(g_device.id);
  return AUDIO_OK;
}

int AudioPlayBuffer(int buffer, int looping) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return AUDIO_BAD_BUFFER;
  MixerLock lock;
  b->looping = looping != 0;
  b->playing = true;
  if (b->position == 0) b->fromStart = true;
  return AUDIO_OK;
}

int AudioStopBuffer(int buffer) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return AUDIO_BAD_BUFFER;
  MixerLock lock;
  b->playing = false;
  return AUDIO_OK;
}

int AudioSetBufferPosition(int buffer, uint32_t bytes) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return AUDIO_BAD_BUFFER;
  if (bytes % AUDIO_FRAME_BYTES || bytes > b->Bytes()) return AUDIO_BAD_SIZE;
  MixerLock lock;
  b->position = bytes;
  if (b->playing && bytes == 0) b->fromStart = true;
  return AUDIO_OK;
}

int AudioGetPlayPosition(int buffer, uint32_t* bytes) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return AUDIO_BAD_BUFFER;
  MixerLock lock;
  *bytes = b->position;
  return AUDIO_OK;
}

int AudioBufferPlaying(int buffer) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return 0;
  MixerLock lock;
  return b->playing ? 1 : 0;
}

uint64_t AudioBufferStartFrame(int buffer) {
  Buffer* b = MadeBuffer(buffer);
  if (!b) return 0;
  MixerLock lock;
  return b->startFrame;
}

void AudioReleaseBuffer(int buffer) {
  if (buffer < 0 || buffer >= AUDIO_BUFFERS) return;
  Buffer& b = g_device.buffers[buffer];
  if (b.locked) AudioUnlockBuffer(buffer);
  MixerLock lock;
  b = Buffer{};
}

// ---- [Mixer] ----

void AudioNoteWindowFocus(int focused) { g_focused.store(focused ? 1 : 0, std::memory_order_relaxed); }

int AudioPauseDevice(int paused) {
  if (!g_device.id) return AUDIO_NOT_OPEN;
  SDL_PauseAudioDevice(g_device.id, paused ? 1 : 0);
  return AUDIO_OK;
}

void AudioMixFrames(int16_t* out, uint32_t frames) {
  MixerLock lock;
  MixLocked(out, frames);
}

uint64_t AudioFramesMixed() {
  MixerLock lock;
  return g_device.framesMixed;
}
