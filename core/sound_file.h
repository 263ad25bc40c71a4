// sound_file.h - the sound files: Ogg Vorbis files decoded whole into sample records.
//
// The interface sounds are "data\sound\<name>.ogg" (written by tools/sound_gen at build time),
// read into sample records 0..4 through the same Ogg and Vorbis steps as the music.  A missing
// or damaged file leaves its sound silent and writes one log line.  Main thread only, but for
// the decoding that PrepareInterfaceSounds starts on a worker of its own.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/sound.h"

constexpr uint32_t SOUND_FILE_MAX_FRAMES = 30 * 44100;  // longer files are refused
constexpr int64_t SOUND_FILE_MAX_BYTES = 8 << 20;

enum SoundFileResult : int {
  SOUND_FILE_OK = 0,
  SOUND_FILE_NO_HEADERS = 1,   // the decoder's OGG_NO_HEADERS
  SOUND_FILE_BAD_FORMAT = 2,   // the decoder's OGG_BAD_FORMAT
  SOUND_FILE_TOO_LONG = 3,
  SOUND_FILE_EMPTY = 4,        // no audio at all
  SOUND_FILE_UNREADABLE = 5,   // missing, or could not be read
};

extern const char* const InterfaceSoundFiles[INTERFACE_SOUNDS];

const char* SoundFileResultText(int result);
// Decodes a whole file held in memory into out (replacing what it held; emptied on failure).
int  DecodeSoundData(const uint8_t* data, size_t size, SampleRecord& out);
int  LoadSoundFile(const char* path, SampleRecord& out);
// Starts decoding the interface sounds on a worker, so that LoadInterfaceSounds finds them
// decoded (the start-up calls it before the window system starts, which takes longer); what
// an earlier call decoded and no load took is dropped.  Optional: without it
// LoadInterfaceSounds decodes them itself.
void PrepareInterfaceSounds();
// The interface sounds into sample records 0..4, a log line for each that failed.
void LoadInterfaceSounds();
