// sound.h - sound output: the five interface sounds and the streamed-music ring.
//
// Sections: [Samples] [State] [Device] [Playing] [Music stream] [Reports] [Fault switch]
//
// Sound opens at start-up (with graphics) on the device that "Speaker GUID " names, else on
// the headset's or the default one, in one format: 44100 Hz, 16-bit, stereo.  The interface
// sounds are sample records 0..4, each copied into a buffer of its own behind 50 ms of
// silence.  The music ring of 65536 frames plays round and round and is refilled a block of
// 4096 frames at a time behind its play position from an Ogg Vorbis stream held in memory
// (no screen opens one; the tests and the fuzz target do).  Every failed call is logged with
// its tag (the letter after the colon names what failed: I the device, M the music ring,
// S an interface sound, U the stream update, B playing); while sound is open it also shows
// one message line (through the report seam, core/report.h), and a fatal failure closes
// sound.  Part of the foundation, over the platform's audio device (platform/audio.h); the
// interface's sound files are read by core/sound_file.h.  Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/config.h"

// ---- [Samples] ----
constexpr int SAMPLE_RECORDS = 26;
constexpr int INTERFACE_SOUNDS = 5;   // sample records 0..4

struct SampleRecord {
  uint8_t stereo;              // 1: two values a frame; 0: one
  uint32_t length;             // frames
  std::vector<int16_t> data;   // length x (stereo ? 2 : 1) values
  uint32_t position;           // the next frame FillSampleFrames reads
};
extern SampleRecord SampleRecords[SAMPLE_RECORDS];

// Writes `frames` stereo frames into dest from the sample's position, each value rounded from
// sample value x gain and clamped to 16 bits (a mono value goes to both channels); frames past
// the sample's end are silence.  1 when the sample ended within them, else 0.
int FillSampleFrames(int16_t* dest, uint32_t frames, SampleRecord& sample, float gain);

// ---- [State] ----
constexpr uint32_t INTERFACE_SOUND_LEAD_BYTES = 8820;  // 50 ms of silence before each sound
constexpr uint32_t MUSIC_RING_FRAMES = 65536;
constexpr uint32_t MUSIC_BLOCK_FRAMES = 4096;
constexpr uint32_t MUSIC_FILL_MIN_FRAMES = 1024;       // a refill stops with fewer left to fill
// "Audio Options ": the sounds go on while the window has no focus (on by default).
constexpr uint32_t AUDIO_OPTION_GLOBAL_FOCUS = 8;
// The buffers: the music ring, then one for each interface sound.
constexpr int MUSIC_BUFFER = 0;
constexpr int FIRST_INTERFACE_SOUND_BUFFER = 1;

extern int SoundOpen;
extern int SoundStreaming;        // the music ring plays
extern int InterfaceSoundOn;      // ToggleSound's switch: 0 silences the interface sounds
extern int FrontEndScreenState;   // written by the front end; while 2, interface sound 2 is silent
extern ConfigUuid VrAudioDevice;  // the headset's audio device, set by the VR code; all zero: none

// ---- [Device] ----
void OpenSound();       // nothing when open already
void CloseSound();      // when open: stops the music, releases every buffer and the device
void ShutdownSound();   // CloseSound, then frees every sample record and the music data

// ---- [Playing] ----
// Plays interface sound 0..4 once from its start (after its silence); any other index, a
// closed device, a silenced sound or a sound without data plays nothing.
void PlayUISound(int index);
// Shift+N on a simple process: the interface sounds off or on for the rest of the run (the
// device and the music stay), said as a message line ("Sound : Off", in the language of
// SoundSwitchText when the text services installed it).
void ToggleSound();
// Writes the line that says the interface sounds are on (1) or off (0); null: the English
// "Sound : On" and "Sound : Off".
extern void (*SoundSwitchText)(int on, char* line, size_t size);

// ---- [Music stream] ----
// Copies an Ogg Vorbis file, fills the ring from it and plays the ring; 1 when it plays.
int  PlayMusicData(const uint8_t* data, size_t size);
void UpdateSoundStream();  // per frame: refills the blocks the ring has played
// Milliseconds until the ring plays into its next block, when UpdateSoundStream has a block
// to refill (a loop at rest waits no longer); UINT32_MAX while no stream plays.
uint32_t SoundStreamRefillDueMs();
void StopMusicStream();    // closes the stream and stops the ring at position 0
void PauseMusicStream();   // the ring stops where it is; the stream stays open
int  RestartMusicStream(); // plays a paused ring again; 1 when it plays

// ---- [Reports] ----
// Log "No sound (tag code)" or "Sound error (tag code)"; while sound is open also the
// message line "%s ^L%s" in the error colour.  SoundFatal then closes sound.
void SoundFatal(const char* what, int code);
void SoundError(const char* what, int code);

// ---- [Fault switch] ----
// Every later call with that tag (as "Lock:U") fails with code; code 0 lets it work again.
void SoundFailCall(const char* tag, int code);
void SoundClearFailures();
