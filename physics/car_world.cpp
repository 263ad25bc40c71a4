// car_world.cpp - the car's world hooks answered from the loaded world.
#include "physics/car_world.h"

#include "physics/car_race.h"
#include "world/autocross.h"
#include "world/fixed_ob.h"
#include "world/pit.h"
#include "world/racing_path.h"
#include "world/world.h"

namespace {

const TrackPath* Path() {
  const TrackPath* p = CWld ? CWld->currentPath : nullptr;
  return p && p->nodeCount > 0 && p->nodes ? p : nullptr;
}

PathPoint ToPoint(const PathNode& n) {
  return {{n.x, n.y, n.z}, n.dirX, n.dirY, n.limitLeft, n.limitRight, n.roadLeft, n.roadRight, n.distance};
}
int ZoneAt(int32_t x, int32_t y) {
  if (!CWld) return -1;
  const WPit* zone = CWld->FindSpeedLimitZoneAt(x, y);
  for (int i = 0; zone && i < CWld->pitZoneCount; ++i)
    if (CWld->pitZones[i] == zone) return i;
  return -1;
}
int ZoneLimit(int zone) {
  return CWld && zone >= 0 && zone < CWld->pitZoneCount ? CWld->pitZones[zone]->speedLimit : 0;
}
int StopCount() { return CWld ? CWld->pitStopCount : 0; }
IntVector StopPoint(int index) {
  if (!CWld || index < 0 || index >= CWld->pitStopCount) return {};
  const FixedOb* o = CWld->objects[CWld->pitStops[index]];
  return o ? IntVector{o->position[0], o->position[1], o->centre.z} : IntVector{};
}
int NodeCount() {
  const TrackPath* p = Path();
  return p ? p->nodeCount : 0;
}
PathPoint Node(int index) {
  const TrackPath* p = Path();
  if (!p || index < 0 || index >= p->nodeCount) return {};
  return ToPoint(p->nodes[index]);
}
float Interpolate(int a, int b, float fraction, PathPoint& out) {
  const TrackPath* p = Path();
  if (!p || a < 0 || b < 0 || a >= p->nodeCount || b >= p->nodeCount) {
    out = {};
    return 0;
  }
  PathNode n;
  const float result = InterpolatePathNodes(n, p->nodes[a], p->nodes[b], fraction);
  out = ToPoint(n);
  return result;
}
float LateralOffset(const PathPoint& point, const IntVector& position) {
  // Only the point and its direction enter the offset.
  PathNode n;
  n.x = point.position.x;
  n.y = point.position.y;
  n.dirX = point.dirX;
  n.dirY = point.dirY;
  return PathNodeLateralOffset(n, position.x, position.y);
}

int Nearest(const IntVector& position) {
  const TrackPath* p = Path();
  PathNodeCache cache;
  return p ? FindNearestPathNode(cache, position, *p) : -1;
}
int IsLoop() {
  const TrackPath* p = Path();
  return p && p->IsLoop() ? 1 : 0;
}
int FinishNode() {
  const TrackPath* p = Path();
  return p ? p->checkpointNodes[0] : -1;
}

const char* Name() { return CWld ? CWld->GetPathName(CWld->currentPath) : "?"; }

// The layout's pit markers: within 2.5 m, the reach the car asks for.
int NearPitMarker(const IntVector& position, float) { return IsNearLayoutObject186(position.x, position.y); }

}  // namespace

void InstallCarWorld() {
  CarWorld.PathName = Name;
  CarWorld.NearestPathNode = Nearest;
  CarWorld.PathIsLoop = IsLoop;
  CarWorld.PathFinishNode = FinishNode;
  CarWorld.FindSpeedLimitZoneAt = ZoneAt;
  CarWorld.PitSpeedLimit = ZoneLimit;
  CarWorld.PitStopPointCount = StopCount;
  CarWorld.PitStopPoint = StopPoint;
  CarWorld.PathNodeCount = NodeCount;
  CarWorld.PathNode = Node;
  CarWorld.InterpolatePathNodes = Interpolate;
  CarWorld.PathNodeLateralOffset = LateralOffset;
  CarWorld.IsNearLayoutObject186 = NearPitMarker;
}
