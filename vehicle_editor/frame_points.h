// frame_points.h - the frame's points and tubes as the vehicle editor changes them: the wheel
// points a suspension link may end on, and the growing and shrinking of the two arrays.
//
// Sections: [Wheel points] [Arrays] [Markers]
//
// The editor's own actions on the frame (new, duplicate and delete a point, add and delete a
// tube, drag a point, delete the frame) are VehicleEditor members (vehicle_editor.h); every
// one records its edit first, refuses without changing anything, and sets the car up once.
// Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "core/fixed_math.h"
#include "vehicle_data/frame_records.h"

struct Car;
struct VehicleData;
struct VehicleEditor;

// ---- [Wheel points] ----
// Six points -6..-1 computed from the car's wheels: -6, -4 and -3 from the rear axle, -5, -2
// and -1 from the front axle.  A tube may end at one only when both wheels of its axle exist.
constexpr int WHEEL_POINTS = 6;
// 0 rear, 1 front, -1 for an index that names no wheel point.
int WheelPointAxle(int point);
// 1 when the car has two wheels on the axle (0 rear, 1 front).
int AxleHasBothWheels(const Car& car, int axle);
// The wheel points' positions (16.16 car axes; slot s is point s - 6) and whether each exists.
void WheelPointPositions(const Car& car, IntVector out[WHEEL_POINTS], uint8_t present[WHEEL_POINTS]);

// ---- [Arrays] ----
// The point and tube arrays hold exactly their counts and are freed when they empty.  The
// growing calls return the new entry (zeroed), or null when memory runs out (nothing changed).
FramePoint* AppendFramePoint(VehicleData& data);
FrameTube* AppendFrameTube(VehicleData& data);
// The last entry moves into the removed slot; tube ends that named the last point are
// renumbered to the slot.
void RemoveFramePoint(VehicleData& data, int index);
void RemoveFrameTube(VehicleData& data, int index);
// 1 when any tube ends at the point.
int PointHasTube(const VehicleData& data, int point);
// The point's coordinate on axis 0 x, 1 y, 2 z.
int32_t* FrameCoordinate(FramePoint& point, int axis);
// The editor's selected frame point, or null (none selected, or a wheel point).
FramePoint* SelectedFramePoint(VehicleEditor& editor);

// ---- [Markers] ----
// What the 2D views mark of the frame: with display bit 0x100 one marker per tube at the
// middle of its ends, with 0x80 one per frame point (lettered "L", "U", "T" for the pivots and
// the thrust bearing) and one per wheel point the car has.  The views project `at` and make
// each marker a button: a point's calls VehicleEditor::SelectPoint, a tube's SelectTube.
enum FrameMarkerKind : uint8_t { MARK_POINT = 0, MARK_TUBE = 1, MARK_WHEEL_POINT = 2 };
struct FrameMarker {
  IntVector at;          // 16.16 car axes
  int32_t index;         // the point (-6..-1 a wheel point) or the tube
  uint8_t kind;          // FrameMarkerKind
  uint8_t highlighted;   // the selected point or tube
  uint8_t secondColour;  // a tube with flag bit 0
  char label[2];         // "" or one letter
};
void CollectFrameMarkers(const VehicleEditor& editor, std::vector<FrameMarker>& out);
