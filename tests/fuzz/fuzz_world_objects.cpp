// fuzz_world_objects.cpp - the object stream over arbitrary bytes: byte 0 chooses the stream
// version (248..253), byte 1 the object count, the rest is the stream.  Every type of the
// table but the pit area (its own class) has a stand-in class here that reads one word and,
// for a section, a mapping reference.  A stream that fails must leave every slot empty (the objects read so far
// freed) and name an object inside the count; one that succeeds fills every slot.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/data_file.h"
#include "world/fixed_ob.h"
#include "world/pit.h"

namespace {

struct StandIn : FixedOb {
  explicit StandIn(uint8_t t) : FixedOb(t) {}
  MappingRef ref{};
  void Load(DataFile& stream, int version) override {
    radius = stream.ReadInt();
    if (type == OBJECT_SECTION || type == OBJECT_SEGMENT) ReadMappingRef(ref, stream, version);
  }
  void GetPosition(IntVector& p, float& heading) override {
    p = {position[0], position[1], 0};
    heading = 0;
  }
  void SetPosition(const IntVector& p, float) override {
    position[0] = p.x;
    position[1] = p.y;
  }
  void Setup() override {}
};

template <int T>
FixedOb* Make(const IntVector& p) {
  auto* o = new StandIn(T);
  o->position[0] = p.x;
  o->position[1] = p.y;
  return o;
}

void InstallStandIns() {
  WorldObjectClasses[4] = Make<4>;
  WorldObjectClasses[5] = Make<5>;
  WorldObjectClasses[6] = Make<6>;
  WorldObjectClasses[7] = MakePit;  // the pit area reads its own record
  WorldObjectClasses[8] = Make<8>;
  WorldObjectClasses[9] = Make<9>;
  WorldObjectClasses[10] = Make<10>;
  WorldObjectClasses[11] = Make<11>;
  WorldObjectClasses[13] = Make<13>;
  WorldObjectClasses[14] = Make<14>;
  WorldObjectClasses[15] = Make<15>;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  InstallStandIns();
  const int version = 248 + data[0] % 6;
  const int count = data[1];
  std::vector<uint8_t> image = {'Q', 'X', 'W', 'O', 'R', 'L', 0, uint8_t(version)};
  image.insert(image.end(), data + 2, data + size);
  DataFile df{};
  int32_t v = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXWORL", &v, 300)) return 0;
  std::vector<FixedOb*> objects(size_t(count) + 1, nullptr);
  const ObjectStreamResult r = ReadWorldObjects(df, version, count, objects.data());
  if (r.failedNumber >= 0) {
    if (r.failedNumber >= count || r.result == CREATE_OBJECT_OK) std::abort();
    for (FixedOb* o : objects)
      if (o) std::abort();
    char text[128];
    ObjectStreamFailureText(r, text, sizeof text);
    if (text[0] == '\0') std::abort();
  } else {
    for (int i = 0; i < count; ++i) {
      FixedOb* o = objects[size_t(i)];
      if (!o || (o->configMask & CONFIG_MASK_ALWAYS) != CONFIG_MASK_ALWAYS) std::abort();
      if (o->type == OBJECT_SEGMENT && (o->position[0] != 0 || o->position[1] != 0)) std::abort();
      if (o->type == OBJECT_PIT) {
        o->Setup();
        if (o->IsVisible(true) || !(o->flags & 4) || o->radius < 0) std::abort();
      }
      DeleteWorldObject(o);
    }
  }
  df.Close();
  return 0;
}
