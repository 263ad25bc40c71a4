// sound_gen.cpp - writes the five interface sounds as Ogg Vorbis files:
//
//   sound_gen --out <folder>
//
// click.ogg, tone.ogg, chime.ogg, refuse.ogg and falling.ogg (interface sounds 0 to 4):
// short mono sounds at 44100 Hz made from plain tones, so every build writes the same bytes.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/sound_gen/ogg_writer.h"
#include "tools/sound_gen/sound_shapes.h"

namespace {

constexpr float QUALITY = 0.4f;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "sound_gen: cannot write %s\n", path.c_str());
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) std::fprintf(stderr, "sound_gen: cannot finish %s\n", path.c_str());
  return written && closed;
}

}  // namespace

int main(int argc, char** argv) {
  const char* folder = nullptr;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--out") == 0) folder = argv[i + 1];
  if (!folder) {
    std::fprintf(stderr, "usage: sound_gen --out <folder>\n");
    return 2;
  }
  for (int i = 0; i < INTERFACE_SOUND_COUNT; ++i) {
    const std::vector<float> samples = MakeInterfaceSound(i);
    std::vector<uint8_t> bytes;
    if (!EncodeOggVorbis(samples.data(), static_cast<uint32_t>(samples.size()), 1, QUALITY, 1000 + i, bytes)) {
      std::fprintf(stderr, "sound_gen: the encoder refused %s\n", InterfaceSoundName(i));
      return 1;
    }
    if (!WriteFile(std::string(folder) + "/" + InterfaceSoundName(i), bytes)) return 1;
  }
  return 0;
}
