// fuzz_model_file.cpp - the model file's object records through the memory reader.
//
// Input: a mode byte (mode % 3), a version byte (248 + byte % 5), a flag byte (bit 0 main
// object, bit 1 layer names), then the body.  After any read the object must be valid
// (indices in range, counts within their limits, names terminated, enumerations in range;
// layers may stay 16 or more), a read that ran past the end must have failed with error 9,
// and writing the object, reading it back and writing again must give the same bytes.  Seeds:
// the sample models and the inputs kept in corpus/model_file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "model/model_file.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Terminated(const char* field, int size) { return std::memchr(field, 0, size) != nullptr; }

void CheckValid(const ModelObject& o, int depth) {
  Require(o.pageCount >= 1 && o.pageCount <= MAX_MODEL_PAGES && o.pages);
  Require(o.cutoutCount >= 1 && o.cutoutCount <= MAX_MODEL_CUTOUTS && o.cutouts);
  Require(o.mappingCount >= 1 && o.mappingCount <= MAX_MODEL_MAPPINGS && o.mappings);
  Require(o.childCount <= MAX_SUBOBJECTS && (depth == 0 || o.childCount == 0));
  Require(o.lodCount >= 1 && o.lodCount <= MAX_LOD_COUNT);
  Require(o.groupCount >= 1 && o.groupCount <= MAX_SMOOTHING_GROUPS);
  Require(o.type < SUBOBJECT_TYPE_COUNT && o.sideFunction >= SIDE_STATIC && o.sideFunction <= SIDE_SWAP_ONLY);
  Require(Terminated(o.name, MODEL_NAME_SIZE));
  for (const char* layer : o.layerNames) Require(Terminated(layer, LAYER_NAME_SIZE));
  Require(o.colourChoiceCount == 0 || o.colourChoices);
  for (int i = 0; i < o.pointCount; ++i)
    Require((o.points[i].flags & POINT_MIRROR_STATE) != POINT_MIRROR_STATE);
  for (int i = 0; i < o.triangleCount; ++i) {
    const ModelTriangle& t = o.triangles[i];
    Require(t.mapping < o.mappingCount && t.lod < o.lodCount && t.group < MAX_SMOOTHING_GROUPS &&
            t.normalLevel < NORMAL_LEVEL_COUNT);
    for (uint16_t corner : t.corners) Require((corner & CORNER_INDEX_MASK) < o.pointCount);
  }
  for (int i = 0; i < o.pageCount; ++i)
    Require(o.pages[i].type < PAGE_TYPE_COUNT && Terminated(o.pages[i].name, MODEL_NAME_SIZE));
  for (int i = 0; i < o.cutoutCount; ++i) {
    const Cutout& c = o.cutouts[i];
    Require(c.page < o.pageCount && c.orientation < ORIENTATION_COUNT && (c.flags & ~CUTOUT_STORED_FLAGS) == 0);
    Require(c.material.alphaType < ALPHA_TYPE_COUNT && c.material.envMapType < ENV_MAP_TYPE_COUNT &&
            c.material.shineType < SHINE_TYPE_COUNT && Terminated(c.name, CUTOUT_NAME_SIZE));
  }
  for (int i = 0; i < o.mappingCount; ++i) {
    const ModelMapping& m = o.mappings[i];
    Require(m.cutout[0] < o.cutoutCount && m.cutout[1] < o.cutoutCount && Terminated(m.name, CUTOUT_NAME_SIZE));
    Require((m.colour >> 24 & ~(MAPPING_COLOUR_FLAGS >> 24)) == 0);
  }
  for (int c = 0; c < o.childCount; ++c) CheckValid(o.children[c], depth + 1);
}

// Reads a body at a version; result, and whether the read ran past the end.
int Read(ModelObject& o, const uint8_t* body, size_t size, int version, int mode, int isMain, int layers,
         bool* ranShort) {
  const std::vector<uint8_t> image = DataFileImage(MODEL_FILE_MAGIC, std::vector<uint8_t>(body, body + size), version);
  DataFile file;
  int32_t stored = 0;
  o.Init();
  *ranShort = false;
  if (!file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), MODEL_FILE_MAGIC, &stored,
                           MODEL_FILE_VERSION))
    return -1;
  const int result = ReadModelObject(o, file, version, isMain, mode, layers, nullptr);
  *ranShort = file.readPastEnd != 0;
  file.Close();
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    SetDefaultTextColours();
    InitSinCosTables();
    MessagesToStdout = 0;
    return true;
  }();
  (void)ready;
  if (size < 4) return 0;
  const int mode = data[0] % 3;
  const int version = MODEL_FILE_LOWEST_VERSION + data[1] % 5;
  const int isMain = data[2] & 1, layers = (data[2] >> 1) & 1;

  ModelObject object;
  bool ranShort;
  const int result = Read(object, data + 3, size - 3, version, mode, isMain, layers, &ranShort);
  if (result >= 0) {
    if (ranShort) Require(result == 0 && LastDataFileError == DATA_FILE_TOO_SHORT);
    CheckValid(object, 0);
    const std::vector<uint8_t> first = ModelRecordBytes(object, 1, layers);
    Require(!first.empty());
    ModelObject again;
    Require(Read(again, first.data(), first.size(), MODEL_FILE_VERSION, mode, isMain, layers, &ranShort) == 1);
    Require(!ranShort);
    CheckValid(again, 0);
    Require(ModelRecordBytes(again, 1, layers) == first);
    again.Free();
  }
  object.Free();
  ResetMessages();
  return 0;
}
