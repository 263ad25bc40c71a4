// layout.cpp - the layout look-ups the world's set-up uses.
#include "world/layout.h"

#include <cmath>
#include <cstdio>

#include "core/report.h"
#include "world/fixed_ob.h"
#include "world/placed_object.h"
#include "world/world.h"
#include "world/world_setup.h"

int LayoutObjectRole(const FixedOb& object) {
  const FObject* placed = AsPlacedObject(object);
  if (!placed) return 0;
  const uint32_t role = object.FlagsWord() & ROLE_MASK;
  if (role == ROLE_START) return 2;
  if (role == ROLE_TIMING) return 3 + (placed->indexByte & 3);
  return role == 0 ? 1 : 0;
}

void CheckLayoutCheckpoints(Wld& world, FixedOb& object, uint8_t& filled) {
  const FObject* placed = AsPlacedObject(object);
  if (!placed) return;
  const int number = placed->indexByte & 3;
  if (filled & (1u << number)) {
    char text[64];
    if (number == 0)
      std::snprintf(text, sizeof text, "More than one finish line");
    else
      std::snprintf(text, sizeof text, "More than one checkpoint %d", number);
    ReportLine(text, REPORT_ERROR);
    return;
  }
  filled = uint8_t(filled | (1u << number));
  IntVector at;
  float heading;
  object.GetPosition(at, heading);
  const double s = std::sin(heading), c = std::cos(heading);
  TimingLine line = {};
  line.x = object.position[0];
  line.y = object.position[1];
  line.z = NearestSaturated(double(placed->heightMetres) * 65536.0);
  line.direction[0] = NearestSaturated(-s * 65536.0);
  line.direction[1] = NearestSaturated(c * 65536.0);
  line.direction[2] = NearestSaturated(c * 65536.0);
  line.direction[3] = NearestSaturated(s * 65536.0);
  line.halfWidth = int32_t(placed->byteB) << 16;
  SetTimingLine(world, number, line);
}

int DescribeLayout(uint8_t filled, int& count, int plain, int noFinishAllowed, char* text, int size) {
  count = 0;
  for (int n = 0; n < TIMING_LINES; ++n)
    if (filled & (1u << n)) count = n + 1;
  if (!(filled & 1) && !noFinishAllowed) {
    std::snprintf(text, size, "%s %s", "No finish line", "- laps will not be timed");
    count = 0;
    return 0;
  }
  if (count <= 1) {
    std::snprintf(text, size, "Finish line but no checkpoints");
    count = 0;
    return 0;
  }
  for (int k = 1; k < count; ++k)
    if (!(filled & (1u << k))) {
      std::snprintf(text, size, "Checkpoint %d not found", k);
      count = 0;
      return 0;
    }
  const int checkpoints = count - 1;
  if (plain)
    std::snprintf(text, size, checkpoints == 1 ? "1 checkpoint" : "%d checkpoints", checkpoints);
  else
    std::snprintf(text, size, checkpoints == 1 ? "Autocross : 1 checkpoint" : "Autocross : %d checkpoints", checkpoints);
  return 1;
}

FixedOb* FindAddedObject(const Wld& world, int route, int index) {
  const uint32_t wanted = index < 0 ? 65535u : uint32_t(index);
  for (int i = world.objectCount - world.addedCount; i < world.objectCount; ++i) {
    FixedOb* o = world.objects[i];
    const FObject* placed = o ? AsPlacedObject(*o) : nullptr;
    if (placed && o->PreGenIndex() == wanted && placed->indexByte == route) return o;
  }
  return nullptr;
}
