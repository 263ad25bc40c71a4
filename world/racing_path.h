// racing_path.h - the track's racing path: its node and path records, the checks and
// distances worked out after loading, the nearest node to a position (with a per-object
// cache), reversing, interpolation and lateral offsets, and the chain of cubic curves a path
// is interpreted into for the computer drivers' line.
//
// Sections: [Records] [Reading] [Node operations] [Checks after loading] [Nearest node]
//           [Cubic curves] [Interpretation]
//
// Positions are signed 16.16 (65536 = 1 m), x and y horizontal, z up; directions, widths and
// distances are floats in metres.  A lateral offset is measured along (dirY, -dirX) of a
// node: positive offsets lie to the right of the direction of travel.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

struct DataFile;
struct Wld;

// ---- [Records] ----
struct PathNode {
  uint8_t flags = 0;  // as stored; carried unchanged
  int8_t turn = 0;    // 1, -1 or 0, written by InterpretPath
  int32_t x = 0, y = 0, z = 0;
  float dirX = 0, dirY = 0, dirZ = 0;  // unit direction of travel
  float roadLeft = 0, roadRight = 0;   // lateral offsets of the road edges (left negative)
  float limitLeft = 0, limitRight = 0; // and of the outer limits
  float distance = 0;                  // m from the start node, written by SetupPathChecks
};

constexpr uint32_t PATH_FLAG_LOOP = 1;        // closed: the last node leads back to the first
constexpr uint32_t PATH_FLAG_RACING = 4;      // the world uses this path as its racing path
constexpr uint32_t PATH_FLAG_REVERSIBLE = 8;  // may be driven in reverse
constexpr uint32_t PATH_FLAG_READ_CLEARED = 16;  // cleared when the path is read with nodes
constexpr int PATH_CHECKPOINTS = 4;           // the finish line and checkpoints 1 to 3
constexpr int PATH_NODE_BYTES = 44;           // a stored node

struct TrackPath {
  TrackPath() = default;
  ~TrackPath();
  TrackPath(const TrackPath&) = delete;
  TrackPath& operator=(const TrackPath&) = delete;

  uint32_t flags = 0;
  int32_t nodeCount = 0;
  PathNode* nodes = nullptr;
  // The second and third lists: read with the main one and reversed together with it.
  int32_t secondCount = 0;
  PathNode* secondNodes = nullptr;
  int32_t thirdCount = 0;
  PathNode* thirdNodes = nullptr;
  float onSurfaceFraction = 1.0f;  // share of nodes on a road surface
  int32_t checkpointNodes[PATH_CHECKPOINTS] = {-1, -1, -1, -1};

  bool IsLoop() const { return (flags & PATH_FLAG_LOOP) != 0; }
  void FreeNodes();
};

// The node found for one object, searched once (GetNearestPathNodeCached).
struct PathNodeCache {
  const TrackPath* path = nullptr;
  int32_t node = -1;
  uint8_t failed = 0;
};

// A signed 16.16 cubic a t^3 + b t^2 + c t + d over t = 0..65536.
struct CubicCurve {
  int32_t a = 0, b = 0, c = 0, d = 0;
  int32_t Evaluate(int32_t t) const;
};

struct PathCurve {
  uint16_t flags = 0;     // as read from the AI path file; 0 for curves made here
  int8_t startScale = 0;  // tangent length adjustment in percent
  int8_t endScale = 0;
  int32_t startNode = 0;
  int32_t endNode = 0;    // shared with the next curve's startNode
  float endAngle = 0;     // the AI line's heading change at endNode
  float endOffset = 0;    // and lateral offset there, m
  CubicCurve xCurve, yCurve;
};

// One computer driver's node of the racing path: where its line passes (the curves write the
// offset, the placing the point and direction), the surface under it, and the speed profile.
struct AiPathNode {
  float lineOffset = 0;          // m from the path node, positive to the right
  float cornerSpeed = 0;         // m/s after the cornering and braking passes
  float targetSpeed = 0;         // m/s after the acceleration pass
  float curvature = 0;           // horizontal, in the surface's frame, 1/m
  float verticalCurvature = 0;   // in height, 1/m
  float grip[4] = {};            // front left, front right, rear left, rear right
  float camber = 0;              // sideways tilt of the surface normal
  float grade = 0;               // its tilt along the line, uphill positive (a sine)
  float segmentLength = 0;       // m, horizontal, to the next node's line point
  float surfaceDrag = 0;         // the surface kind's drag figure
  uint8_t surfaceLeft = 0, surfaceRight = 0;  // kinds found beside the line, 0..11
  uint8_t surfaceKind = 0;       // the side the line turns towards
  uint8_t surfaceClass = 0;      // that kind's grip class
  uint8_t brake = 0, throttle = 0;
  uint8_t speedValid = 0;
  int32_t lineX = 0, lineY = 0, lineZ = 0;  // 16.16
  float dirX = 0, dirY = 0, dirZ = 0;       // the line's direction
  float normalX = 0, normalY = 0, normalZ = 0;  // across the road while placing, then the surface normal
};
constexpr int AI_PATH_WHEELS = 4;
constexpr int AI_CAR_MODEL_FIGURES = 6;
struct Car;
// One computer driver's line on one track: the curve chain (from the AI path file or made by
// InterpretPath), its nodes, the figures of the car and the file's header.
struct AiPath {
  AiPath() = default;
  ~AiPath() {
    delete[] curves;
    delete[] nodes;
  }
  AiPath(const AiPath&) = delete;
  AiPath& operator=(const AiPath&) = delete;
  Car* car = nullptr;          // the car the path is for; the race's, carried only
  float frontShare = 0, rearShare = 0;  // of the car's weight on each axle
  float frontLoad = 0, rearLoad = 0;    // the axles' downforce, N per (m/s)^2
  // Effective mass, the wheels' inertia term, the front and rear load per unit of shared mass,
  // and the front and rear axle geometry terms.
  float carModel[AI_CAR_MODEL_FIGURES] = {};
  float lapTime = 0;           // s, from the speed profile
  float gripFactorA[AI_PATH_WHEELS] = {};  // surfaces of grip class 0
  float gripFactorB[AI_PATH_WHEELS] = {};  // other classes
  uint8_t setupIndex = 0;      // the file's first header byte: the car's setting index
  uint8_t setupByte2 = 0, setupByte3 = 0;
  uint8_t oldVersion = 0;      // read from a file before version 6
  int16_t setupWord = 0;
  uint8_t setupByte4 = 0;
  float fuelPerLap = 0;        // in the unit of fuelCapacity
  float topSpeed = 0;          // m/s, the highest target speed of the lap
  float fileLapTime = 0;       // s, as stored
  float fuelCapacity = 0;
  int32_t nodeCount = 0;
  AiPathNode* nodes = nullptr;
  int32_t curveCount = 0;
  PathCurve* curves = nullptr;
};

// The track area: the centre, half extents and radius (16.16) the path checks set (and
// Wld::SetTrackAreaFromBounds without a path).
struct TrackAreaRecord {
  IntVector centre = {};
  int32_t halfX = 0, halfY = 0;
  int32_t radius = 0;
};
extern TrackAreaRecord TrackArea;
constexpr int32_t TRACK_AREA_LEAST_RADIUS = 384 << 16;

// ---- [Reading] ----
// One curve record of the AI path file (24 bytes): flags, 2 skipped, startScale, endScale, 2
// skipped, startNode, endNode, endAngle, endOffset.  The cubics are left as they are.
void ReadPathCurve(PathCurve& curve, DataFile& file);
// A stored node: flags, 3 skipped bytes, x, y, z, the direction, then roadLeft, roadRight,
// limitLeft, limitRight; turn and distance 0.
void ReadPathNode(PathNode& node, DataFile& file);
// A path record: flags, version, 3 skipped bytes, the node count and the second list's count
// (16-bit each), from version 2 the third list's count and 2 skipped bytes, then the nodes of
// the three lists.  0 (the path left empty) when a count is negative or more nodes are named
// than bytes are left; the nodes already held are freed first.
int ReadTrackPath(TrackPath& path, DataFile& file);

// ---- [Node operations] ----
// Reverses a node list in place: order, directions and the left and right offsets.
void ReversePathNodes(PathNode* nodes, int count);
// The lateral offset (m) of a 16.16 point from a node.
float PathNodeLateralOffset(const PathNode& node, int32_t px, int32_t py);
// The unit direction (z 0) of the line through the neighbours of node index.
void PathNodeDirection(const TrackPath& path, float out[3], int index);
// The node between a and b at fraction t; returns five times the displacement from a to b
// along the new direction, in metres.
float InterpolatePathNodes(PathNode& out, const PathNode& a, const PathNode& b, float t);
// 1 when the ground at the node (the map squares' probe from 1 m above it to 2 m below) is a
// road surface or nothing at all; 0 when something else or something without a surface is met.
int IsPathNodeOnSurface(const PathNode& node);

// ---- [Checks after loading] ----
// Distances, on-surface share, checkpoint nodes (against the world's timing lines) and the
// track area, after loading and after every change of configuration.
void SetupPathChecks(TrackPath& path);

// ---- [Nearest node] ----
// The first node of the segment nearest to the 16.16 point (the smallest height difference
// among the segments the point lies along and within the road's edges + 2 m), or -1 (failed
// set).  The cache holds the path and the node found.
int FindNearestPathNode(PathNodeCache& cache, const IntVector& point, const TrackPath& path);
// 0 when the cache holds a node (searching the world's current path once), else nonzero.
int GetNearestPathNodeCached(PathNodeCache& cache, const IntVector& point);

// ---- [Cubic curves] ----
// Fills startNode, endNode, xCurve and yCurve; aiNodes (null: the path's own directions)
// gives the line directions at the ends.
void BuildPathCurve(PathCurve& curve, const TrackPath& path, const AiPathNode* aiNodes, int startNode, int endNode,
                    float startOffset, float endOffset, float margin);
// The interior node where the curve passes furthest outside the limits, or -1.
int FindCurveLimitViolation(const PathCurve& curve, const TrackPath& path, float margin);
// 1 when every interior node's curve point lies nearest (along the path) to its own node.
int CheckCurveOrder(const PathCurve& curve, const TrackPath& path);
// Writes the curve's lateral offset at each interior node into that node's line offset.
void SampleCurveOffsets(const PathCurve& curve, const TrackPath& path, AiPathNode* aiNodes);
// The curve's lateral offset (m) at the k-th node after its start (1 .. span - 1), and its
// point there (16.16).
float CurveOffsetAtNode(const PathCurve& curve, const TrackPath& path, int k, int32_t* cx = nullptr,
                        int32_t* cy = nullptr);

// ---- [Interpretation] ----
constexpr int PATH_CURVES_MAX = 256;
constexpr int PATH_MERGE_SPAN = 30;  // pairs below this combined span may merge
// Builds the curve chain of a path into the AI path (its old curves freed); margin is the
// car's half width.
void InterpretPath(TrackPath& path, AiPath& aiPath, float margin);
