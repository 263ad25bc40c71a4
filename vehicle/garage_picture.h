// garage_picture.h - one car alone in a picture, as the garage and the mod thumbnails show it
// (DrawEditorCar): seen from a heading and an eighth of a turn above, drawn at a near level of
// detail; into a render texture, with the camera moved and zoomed until the car fills a 16:9
// frame; or fitted into a room of the picture, standing on the editors' floor.
//
// The current view is saved whole and given back.  Main thread only.
#pragma once
#include <cstdint>

struct Car;
struct CarViewSettings;
struct ZKTETexture;

struct EditorCarPicture {
  uint16_t heading;     // 65536 a turn
  float offsets[3];     // m: the camera moved along the view's right, up and forward axes
  float distance;       // m from the car's reference point
  float fieldFactor;    // the view's width at distance 1 before any fit
  ZKTETexture* target;  // a render texture, or null for the current target
  int width, height;    // of the target, pixels (into the frame, 0 for the whole screen)
  int fit;              // into a render texture: zoom and move until the car fills 16:9
  uint32_t clearColour; // the target's background when one is drawn into
  // The rectangle of the picture the car is fitted into (normalised: x -1 left to 1 right,
  // y -1 top to 1 bottom), by the view's width and its centre alone, so that the car is seen
  // from the same place wherever it lands; all 0: none, the car at the picture's middle.
  float room[4];        // left, top, right, bottom
  // Into the frame: the frame cleared to the light's ambient colour and the editors' floor
  // drawn under the car.
  int floor;
};
constexpr uint16_t EDITOR_CAR_PITCH = 0x2000;  // looking down an eighth of a turn
constexpr float EDITOR_CAR_LOD_SCALE = 0.1f;
constexpr float EDITOR_CAR_NEAR = 0.25f;        // m
constexpr int EDITOR_CAR_FIT_PASSES = 3;
constexpr int EDITOR_CAR_SKY_OUTLINE = 3;     // this sky mode draws the car in outline:
constexpr int EDITOR_CAR_OUTLINE_RASTER = 7;  // the wireframe rasterizer state, both faces
// 1 when drawn; 0 (nothing drawn) while the device is busy, without graphics, into a frame
// that draws nothing, for a car without its levels or a target that cannot be made current.
// The picture is lit by the settings' sun, sky and ground colours; the frame's light is put
// back after.  settings give the garage level, sky mode and options; the level-of-detail
// scale is EDITOR_CAR_LOD_SCALE for the picture.
int DrawEditorCar(Car& car, const EditorCarPicture& picture, const CarViewSettings& settings);
// The last fit's box in the view's normalised units (x across -1..1, y up), for the tests.
extern float EditorCarFitBox[4];  // min x, min y, max x, max y
// The factor of the view's width and its centre offsets (the projection's, in the picture's
// normalised units, y down) that put a car's box (the view's units: x across -1..1 at the
// width given, y up in the same unit) into the room at the picture's aspect (width / height):
// as large as the room allows, in its middle.  0 (nothing changes) for a box or room of no size.
struct RoomFit {
  float widthFactor;
  float centreX, centreY;
};
int FitBoxIntoRoom(const float box[4], const float room[4], float aspect, RoomFit& out);
