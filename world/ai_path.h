// ai_path.h - the computer drivers' path file: "data\knw\<track>_<car>.knw", read into an
// AiPath (world/racing_path.h), never written by this program.  The race places the line and
// works out its speeds (race/ai_line.h).
//
// The file is a data file (magic "ZKTKNW", versions 5 and 6) whose body holds: setupIndex,
// setupByte2, setupByte3, a skipped byte, setupWord (i16), setupByte4, a skipped byte,
// fuelPerLap, topSpeed, fileLapTime, fuelCapacity (f32 each), the node count and the curve
// count (i16 each), then the curve records (ReadPathCurve).  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "world/racing_path.h"

constexpr const char* AI_PATH_FILE_MAGIC = "ZKTKNW";
constexpr int AI_PATH_FILE_VERSION = 6;         // the newest version read
constexpr int AI_PATH_FILE_LOWEST_VERSION = 5;  // older files are passed over without a word
constexpr const char* AI_PATH_FILE_PATH = "data\\knw\\%s_%s.knw";
constexpr int AI_PATH_CURVE_BYTES = 24;
constexpr const char* TEXT_WRONG_NODE_COUNT = "Wrong number of nodes";
constexpr const char* TEXT_DAMAGED_CURVES = "Damaged curve records";

// Reads the file's header and curves into aiPath (its old curves freed; the nodes are made by
// the line's set-up).  1 on success.  0 when the file cannot be opened or is too new (the
// container's text with the path), older than version 5 (silently), holds another node count
// than expectedNodes ("<path> : Wrong number of nodes"), or holds a negative curve count, a
// curve whose start or end node lies outside the path or whose end angle or offset is not a
// number, or fewer bytes than its curves need ("<path> : Damaged curve records").  A refused
// file leaves no curves.
int LoadAiPath(AiPath& aiPath, const char* fileName, int expectedNodes);
// Frees the node and curve arrays and clears the whole record.
void FreeAiPath(AiPath& aiPath);
// Adds a vector in metres to a 16.16 position, each coordinate by nearest(v x 65536).
void AddFixedOffset(const float vector[3], IntVector& position);
