// audio.h - sound output over SDL2 audio: one device in one format, sound buffers mixed on
// SDL's audio thread, and the identities that name the output devices.
//
// Sections: [Format and results] [Devices] [Buffers] [Mixer]
//
// The device plays 44100 Hz signed 16-bit stereo and takes no other format (SDL converts for
// hardware that wants another).  A buffer holds interleaved frames in that format; a played
// buffer is mixed from its position to its end (once) or round and round (looping), and its
// play position is the bytes it has given to the mixer.  Mixed buffers are added and clamped
// to 16 bits.  Every call is for the main thread; the mixer runs on SDL's audio thread under
// the device lock, which a locked buffer holds until it is unlocked.
#pragma once
#include <cstdint>

// ---- [Format and results] ----
constexpr int AUDIO_RATE = 44100;
constexpr int AUDIO_CHANNELS = 2;
constexpr uint32_t AUDIO_FRAME_BYTES = 4;
constexpr int AUDIO_BUFFERS = 8;                 // buffer numbers 0..7
constexpr uint32_t AUDIO_BUFFER_MAX_BYTES = 1u << 26;

enum AudioResult : int {
  AUDIO_OK = 0,
  AUDIO_NO_DRIVER = -1,    // SDL's audio could not start: no driver works here
  AUDIO_NOT_FOUND = -2,    // no output device has the identity asked for
  AUDIO_OPEN_FAILED = -3,  // the device would not open
  AUDIO_NOT_OPEN = -4,     // no device is open
  AUDIO_BAD_BUFFER = -5,   // no such buffer number, or the buffer was not made
  AUDIO_BAD_SIZE = -6,     // not whole frames, empty, or larger than AUDIO_BUFFER_MAX_BYTES
  AUDIO_LOCKED = -7,       // the buffer is locked already (or, for unlock, is not locked)
};

// ---- [Devices] ----
// An output device is known by a 16-byte identity made from its name; all zero is the
// system's default device.
struct AudioIdentity {
  uint8_t bytes[16];
};
AudioIdentity AudioIdentityOfName(const char* name);
bool AudioIdentityIsZero(const AudioIdentity& identity);

// Opens the device with that identity (the default when all zero), paused.
int  AudioOpenDevice(const AudioIdentity& identity);
int  AudioStartDevice();            // the mixer starts feeding the device
void AudioCloseDevice();            // releases every buffer too
int  AudioDeviceOpen();
const char* AudioDeviceName();      // the open device's name; "default" for the default one
const char* AudioErrorText();       // SDL's words for the last failure
// The output devices SDL lists while a device is open (0 otherwise).
int  AudioOutputCount();
const char* AudioOutputName(int index);  // null past the end

// ---- [Buffers] ----
constexpr uint32_t AUDIO_BUFFER_GLOBAL_FOCUS = 1;  // keeps sounding while the window has no focus

// Makes buffer number `buffer` of `bytes` bytes of silence at position 0, stopped.
int  AudioCreateBuffer(int buffer, uint32_t bytes, uint32_t flags);
int  AudioCheckBuffer(int buffer);  // AUDIO_OK when the buffer was made and can play
// The whole buffer for writing; the mixer waits until AudioUnlockBuffer.
int  AudioLockBuffer(int buffer, uint8_t** data, uint32_t* bytes);
int  AudioUnlockBuffer(int buffer);
int  AudioPlayBuffer(int buffer, int looping);  // from its position
int  AudioStopBuffer(int buffer);
int  AudioSetBufferPosition(int buffer, uint32_t bytes);
int  AudioGetPlayPosition(int buffer, uint32_t* bytes);
int  AudioBufferPlaying(int buffer);            // 1 while it sounds, else 0
// The mixer's frame count at the first frame the buffer gave after it was last played from
// position 0 (for timing checks); 0 before that.
uint64_t AudioBufferStartFrame(int buffer);
void AudioReleaseBuffer(int buffer);

// ---- [Mixer] ----
// The window's focus, told by the window layer: buffers without the global-focus flag are
// silent (and still move on) while the window has none.
void AudioNoteWindowFocus(int focused);
// Holds the mixer still (1) or lets SDL drive it again (0); while held a test mixes by hand.
int  AudioPauseDevice(int paused);
// Mixes `frames` frames into out exactly as SDL's thread does, moving every playing buffer on.
void AudioMixFrames(int16_t* out, uint32_t frames);
uint64_t AudioFramesMixed();  // frames mixed since the device was opened
