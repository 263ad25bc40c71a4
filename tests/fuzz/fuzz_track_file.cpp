// fuzz_track_file.cpp - the track file's staged loading over arbitrary bodies.  The input's
// first byte chooses: bit 0 set sends the second half of the rest to a lighting file ("t.lgh"),
// the rest (or its first half) is the world file's body, placed after a good header in an
// image of the one accepted length: zeros, with a barrier of 16 bytes of 0xFF every 4 KB, so
// that a list read on past the body (the camera occlusion records, which zeros never end)
// stops at the next barrier rather than 7.5 MB later at the file's end.  The loader's view of
// the body ends READ_MARGIN bytes after the input: a count the input sets high (32,767 mapping
// records, tables of 255 x 255 cells) is refused as longer than the file rather than read from
// megabytes of the image's zeros, the same code on the same bytes, which made most of the
// target's time and left the rest of the load few inputs.  The load is stepped
// headless through every step with a clock that stands still (each long step ends in one call)
// until it ends: it must end (finished or failed) within a bounded number of calls, never read
// past a body, a world that got past its paths keeps its path count and configuration in range,
// and a finished world keeps its objects, paths and map squares whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "fuzz_scratch.h"
#include "platform/clock.h"
#include "world/fixed_ob.h"
#include "world/racing_path.h"
#include "world/track_file.h"
#include "world/world.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Writes bytes at offset of a file that already has its length.
void WriteAt(const char* path, size_t offset, const uint8_t* data, size_t size) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(std::streamoff(offset));
  file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

constexpr const char* WORLD_PATH = "data/wld/t.wld";
constexpr int MAX_CALLS = 64;  // far above the steps a load can take with a still clock
constexpr size_t BARRIER_SPACING = 4096, BARRIER_SIZE = 16;
constexpr size_t READ_MARGIN = 4 * BARRIER_SPACING;  // the image the load may read past the input
std::vector<uint8_t> Image;  // the world file as it stands between inputs

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch::Enter("fuzz_track_file", {"wld"});
  Image.assign(size_t(TRACK_FILE_SIZE), 0);
  for (size_t at = BARRIER_SPACING; at + BARRIER_SIZE <= Image.size(); at += BARRIER_SPACING)
    std::fill(Image.begin() + long(at), Image.begin() + long(at + BARRIER_SIZE), 0xFF);
  const uint8_t header[8] = {'Q', 'X', 'W', 'O', 'R', 'L', 0, 252};
  std::copy(header, header + 8, Image.begin());
  fuzz_scratch::WriteFile(WORLD_PATH, Image.data(), Image.size());
  ClockUseFake(1000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  GraphicsEnabled = 0;  // headless: the textures and the meshes' steps are not run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool lighting = data[0] & 1;
  const uint8_t* body = data + 1;
  size_t bodySize = size - 1;
  bodySize = std::min<size_t>(bodySize, size_t(TRACK_FILE_SIZE) - 8);
  size_t worldSize = lighting ? bodySize / 2 : bodySize;
  WriteAt(WORLD_PATH, 8, body, worldSize);
  if (lighting) {
    std::vector<uint8_t> file = {'Q', 'X', 'L', 'G', 'H', 'T', 0, 252};
    file.insert(file.end(), body + worldSize, body + bodySize);
    fuzz_scratch::WriteFile("data/wld/t.lgh", file.data(), file.size());
  }

  Wld* world = new Wld;
  Check(world->LoadTrackFile("t") == 1);
  DataFile* worldFile = world->worldFile;
  worldFile->end = std::min(worldFile->end, worldFile->buffer + worldSize + READ_MARGIN);
  int calls = 0;
  while (world->loadStep != 0 && calls < MAX_CALLS) {
    SetupWorldInGameCode();
    ++calls;
    const DataFile* file = world->worldFile;
    Check(!file || file->cursor <= file->end);
    if (world->loadStep > 1 && !world->loadFailed) {
      Check(world->pathCount <= TRACK_MAX_PATHS);
      Check(world->configNumber >= 1 && world->configNumber <= (world->pathCount > 0 ? world->pathCount : 1));
      Check(world->worldFlags & TRACK_FLAG_LOADED || world->loadStep == 2);
    }
  }
  Check(world->loadStep == 0);
  if (!world->loadFailed) {
    Check(world->objectCount >= 0 && world->objectCount <= WORLD_MAX_OBJECTS);
    for (int i = 0; i < world->objectCount; ++i) Check(world->objects[i] != nullptr);
    for (int i = 0; i < world->pathCount; ++i)
      Check(world->paths[i].path && world->paths[i].path->nodeCount >= 0 && world->paths[i].name[32] == 0);
    Check(world->grid.width >= 0 && world->grid.height >= 0);
    Check(world->worldFile == nullptr && world->lightingFile == nullptr);
  }
  DeleteWorld();

  // The image as it was for the next input.
  WriteAt(WORLD_PATH, 8, Image.data() + 8, worldSize);
  if (lighting) std::remove("data/wld/t.lgh");
  return 0;
}
