// views.h - views, projection, picking, the camera, the screen layout and the views file.
//
// Sections: [View] [Shared view state] [Setting up] [Projection] [Clipping] [Moving]
//           [Picking] [Lighting] [Screen layouts] [Views file] [Camera] [Neighbour hooks]
//
// Every 3D drawing goes through CurrentView.  Positions are 16.16 fixed point (metres x
// 65536), z up.  The view's rotation has the rows right, up and forward; depth is measured
// along forward, so points in front of the eye have a positive depth.  Screen pixels run
// right and down from the window's top-left corner.  Perspective and orthographic views
// (the editors' plan and side views, which use a fixed depth for every point) share the
// same code.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

struct MouseRecord;

// ---- [View] ----
struct View {
  int32_t position[3];          // eye, 16.16
  int32_t lightDirection[3];    // 16.16, not normalised
  float direction[3];           // unit, from the viewed point back towards the eye
  float lightDirectionUnit[3];  // z below 0 counts as 0 for the ambient
  int32_t fieldFactorH;         // 16.16: the width of the view at distance 1
  int32_t fieldFactorV;         // 16.16: fieldFactorH / aspect
  int32_t centreX, centreY;     // pixels
  int32_t scale;                // pixels per unit at distance 1
  float aspect;                 // width / height; 1 when the rectangle is empty
  float halfFieldFactor;
  uint16_t heading;             // 65536 a turn; 0 with pitch 0 looks along -y
  uint16_t pitch;               // a positive pitch (as int16) looks down
  int16_t roll;
  uint8_t ambientColour[4];     // r, g, b, 0
  float sunFactors[3];
  float ambient[3];
  float lightColours[2][3];
  float lightFactors[3][3];     // the per-channel light factor rows
  float lightFactorSingle;
  float lightMatrices[3][16];   // one 4x4 per colour channel
  float channelScales[3];
  float smallFactor;            // 1/4096
  float fogDistance;            // metres
  int32_t viewDistance;         // 16.16, 400 m
  int32_t cameraPosition[3];    // copy of the camera's position, 16.16
  // The rectangle the view fills, in pixels (right and bottom exclusive), and the centre
  // offsets it was set up with.  Picking inverts the projection through these.
  int32_t left, top, right, bottom;
  float centreOffsetX, centreOffsetY;
};

extern View MainView;      // the program's main view, made by SetDefaultView
extern View* CurrentView;  // the view in use; never null after InitView

// ---- [Shared view state] ----
constexpr int32_t VIEW_NEAR_LIMIT = 16384;          // 0.25 m in front of the eye
constexpr int32_t VIEW_ORTHO_DEPTH_MIN = 1024;       // a smaller fixed depth projects nothing
constexpr int32_t VIEW_DEFAULT_DISTANCE = 26214400;  // 400 m
constexpr float VIEW_FAR_DISTANCE_M = 2112.0f;
constexpr float VIEW_ORTHO_NEAR_M = 1.0f, VIEW_ORTHO_FAR_M = 2048.0f;
constexpr float VIEW_ORTHO_EYE_BACK_M = 128.0f;      // the shaders' eye in an orthographic view
constexpr int32_t VIEW_CLAMP_XY = 1048576000;        // 16000 m
constexpr int32_t VIEW_CLAMP_Z = 524288000;          // 8000 m

extern FixedMatrix ViewRotation;    // rows right, up, forward (16.16)
extern float ViewBasis[3][3];       // the same rows as floats
// The four side planes: view-space unit normals (16.16) of the left, right, bottom and top
// edges; a point p is inside a plane n when n . p >= 0.  The slopes (16.16) are the
// distances from the view's centre to those edges at depth 1.
extern int32_t ViewSidePlanes[4][3];
extern int32_t ViewSideSlopes[4];
extern int32_t ViewOrthoDepth;      // 0 for perspective, else the depth used for every point

// The float matrices for the shaders (row vectors multiplied on the left, as the 2D list's
// matrix state holds them), built by BuildViewMatrices.
struct ViewMatrixState {
  float view[16];
  float projection[16];
  float viewProjection[16];
  float nearPlane, farPlane;  // metres
  float offsetX, offsetY;     // the projection's centre offsets, clip space
  float nearParameter;        // as SetupViewRectangle received it
  int32_t viewport[4];        // x, y, width, height in pixels, set with apply
};
extern ViewMatrixState ViewMatrices;

// Where a side panel is shown, the projection's inside test uses its edges instead of the
// whole screen width.
extern int ViewPanelShown;
extern int32_t ViewPanelLeft, ViewPanelRight;

// ---- [Setting up] ----
// Zeroes the record and makes it current: field factor 1.0, heading 0xE800, pitch 0x0C00,
// the light colours and factors 1.0, the view distance 400 m.
void InitView(View& view, const int32_t position[3], const float direction[3], const int32_t lightDirection[3]);
void SetDefaultView();  // the main view at (10, 10, 5) m looking at the origin
// Fits CurrentView to a rectangle (pixels; right and bottom exclusive).  The centre offsets
// run -1..1 across the rectangle; fieldFactor is the width of the view at distance 1.  With
// apply the viewport and the shaders' matrices are set as well.
void SetupViewRectangle(int left, int top, int right, int bottom, float centreOffsetX, float centreOffsetY,
                        float fieldFactor, float nearParameter, int apply);
// The same on the small view window (fractions of the 3D view area, see SmallViewWindow).
void SetupSmallViewRectangle(float fieldFactor);
void ComputeViewAxes();   // direction from heading and pitch
void ComputeViewBasis();  // the rotation from direction and roll
void BuildViewMatrices();
void GetViewAxes(float out[3][3]);  // the transposed basis: columns right, up, forward
void OrbitView(const int32_t target[3], int32_t distance);  // eye at target + distance x direction
void ClampViewPosition();

// ---- [Projection] ----
void WorldToView(const int32_t point[3], int32_t out[3]);  // 16.16 right, up, depth
// 1 when the point is in front (or the orthographic depth is usable) and inside the
// screen's view area; x, y are set in both cases whenever the point could be projected.
int ProjectPointToScreen(const int32_t point[3], float* x, float* y, int32_t* depth);
// 1 with u, v divided by the half field factor (-1..1 across the view), 0 behind the near limit.
int ProjectPointDepth(const int32_t point[3], float* u, float* v);
// As ProjectPointToScreen for a view-space point.  With wholeScreen the test accepts the band
// of one screen around the screen (x in [-width, 2 width], y in [-height, 2 height]).
int ProjectAndTestOnScreen(const int32_t viewPoint[3], float* x, float* y, int wholeScreen);
struct ShadedVertex {
  int32_t position[3];  // view space, 16.16
  float normal[3];      // view space
};
void ProjectVertexForShading(const int32_t position[3], const float normal[3], ShadedVertex& out);

// ---- [Clipping] ----
// 1 when a sphere (view-space centre, 16.16 radius) is not wholly outside the near limit or
// one of the four side planes.
int SphereInView(const int32_t viewCentre[3], int32_t radius);
// Clips a view-space segment to the near limit and the four side planes.  Returns 1 and the
// clipped ends in place, or 0 when nothing of it is visible.
int ClipSegmentToView(int32_t a[3], int32_t b[3]);

// ---- [Moving] ----
// Per-frame arrow-key movement of CurrentView (FrameTime milliseconds) at the speed of
// "ModelEd Speed ".  Without Ctrl the eye moves in the horizontal plane; with Ctrl, Up and
// Down scale its height.
void MoveViewByKeys();
// The editors' mouse handling of CurrentView: turning, panning, and the wheel zoom about
// the point under the mouse.
struct ViewMouseEvent {
  int32_t dx, dy;         // motion in pixels since the last event
  int32_t firstHeld;      // left button
  int32_t secondHeld;     // right button
  int32_t middleHeld;
  int32_t press;          // a button went down with this event
  int32_t wheel;          // 1 up (closer), 2 down (away), 0 none
  int32_t ctrlHeld;
};
ViewMouseEvent ViewMouseEventFromRecord(const MouseRecord& record);
void DragView(const ViewMouseEvent& event);

// ---- [Picking] ----
// The variants with At take the pointer position; the others use MouseX and MouseY.
int PickFromMouse(float direction[3]);  // 1 and a unit world direction, 0 outside the view
int PickFromMouseAt(int mouseX, int mouseY, float direction[3]);
int PickGroundPoint(int32_t point[3]);  // 1 and the point on z = 0 under the mouse
int PickGroundPointAt(int mouseX, int mouseY, int32_t point[3]);
// In an orthographic view, the world point under the pointer on the plane through the eye.
// In a perspective view, the point on the pointer's ray at the view distance.  0 when the
// pointer is outside the view.
int PickPointOnViewPlane(float forward[3], int32_t point[3]);
int PickPointOnViewPlaneAt(int mouseX, int mouseY, float forward[3], int32_t point[3]);
// 1 with the nearest triangle hit by the ray from the eye through the pointer: its index
// and its distance (16.16, along the ray).  Triangles are three 16.16 points each.
int PickTriangleAt(int mouseX, int mouseY, const int32_t (*triangles)[3][3], int count, int* index, int32_t* distance);
// 1 with the index of the point that projects nearest the pointer, within radius pixels.
int PickPointAt(int mouseX, int mouseY, const int32_t (*points)[3], int count, float radius, int* index);

// ---- [Lighting] ----
// Mode 0 neutral white; 1 the settings' colours ("Sun Colour " the first light, "Sky High "
// the second, "Ground " the sun factors); other modes the second light only.
void SetViewLightColours(int mode);
// The diffuse light lit meshes take (the view's light matrices): ambient from every side,
// sky times the normal's upward part, and direct times the cosine of the normal towards the
// view's light direction; none below 0.  A view starts with the neutral light (ambient 1, no
// sky, no direct), which SetViewLightColours leaves alone; a screen that shades by its own
// light sets this after it and gives the neutral light back when it closes.  Uploads the
// view's lighting.
void SetViewDiffuseLight(float ambient, float sky, float direct);
// The constants for the vertex shader, as uploaded with the view's lighting into the vertex
// rows of the same names (render/constant_buffers.h): block0 the light scale, block1 the
// view's lights, block2 the channels, lightVS the light matrices.
struct ViewLightingConstants {
  float block0[8];     // channels x light scale, 1; then a zero vector
  float block1[24];    // light direction (m), light 1, light 2, unit light direction, channels, scaled
  float block2[4];     // channels, 0
  float lightVS[64];   // three 4x4 matrices, three factor rows with the colour, fog factor, 0, 0, 0
};
extern ViewLightingConstants ViewLighting;
void UploadViewLighting();
void UploadLightMatricesVS(const float matrices[3][16], const float colour[3]);
// How the batches being drawn are lit.  Modes 4, 5 and 6 draw paint colours without the
// view's light.  0 until a drawing pass sets it.
extern int LightingMode;
// The vertex colour 0xFFRRGGBB of a paint colour (red in byte 0, byte 3 bit 0 unlit) on a
// surface facing normal (16.16, unit length) under CurrentView's light: the view's first and
// second light colours mixed by the normal's height (first facing down, second facing up),
// plus the sun colour times the normal's cosine towards the light direction where positive,
// times the channel scales.  Unlit colours and modes 4..6 only pass through BrightnessTable.
uint32_t ColourWithLighting(const int32_t normal[3], uint32_t colour);

// ---- [Screen layouts] ----
enum LayoutKind { LAYOUT_SINGLE = 0, LAYOUT_WIDE = 1, LAYOUT_TRIPLE = 2 };
struct ViewLayout {
  uint8_t equalWidths;     // 1: every screen counts 1024 wide
  uint8_t wholeWidth;      // 1: the 3D view area keeps the whole window width
  int32_t leftScreens;     // 0..5
  int32_t rightScreens;    // 0..5
  float fieldOfView;       // degrees
  float narrowingPercent;  // 0..20
  int32_t centreWidth;     // 1024..4096
  int32_t sideWidth;       // 1024..4096
  float screenAngle;       // degrees between screens
  float centreOffset;      // -0.75..0.75
};
extern ViewLayout ViewLayouts[3];  // single, wide, triple

constexpr int LAYOUT_MAX_SCREENS = 11;
// One screen of the layout, left to right.
struct LayoutScreen {
  int32_t left, right;  // pixels, right exclusive
  float turn;           // radians, positive to the left
  float fieldFactor;    // width of the screen's view at distance 1
  float centreOffset;   // -1..1 across the screen
  int32_t laidOut;      // 0: beyond where the screen angles let the layout reach
};
struct ScreenLayoutState {
  int kind;             // LayoutKind
  ViewLayout* layout;
  int screenCount;      // left + 1 + right
  int sideBySide;       // the screens are laid out across the window
  int32_t viewLeft, viewRight;  // the 3D view area, pixels
  int32_t viewHeight;
  int32_t width, height;        // the screen the layout was made for
  int centreIndex;              // index of the centre screen in screens
  LayoutScreen screens[LAYOUT_MAX_SCREENS];
};
extern ScreenLayoutState ScreenLayout;
extern int ScreenLayoutNeedsSetup;  // the layout-changed flag: set up at the next drawn frame
extern int ViewsWideSideOnRight;    // the player's choice for the wide layout's side screen

// The small view window, as fractions of the 3D view area.
struct SmallViewWindowSettings {
  float width, height, x, y;
};
extern SmallViewWindowSettings SmallViewWindow;

// Per-frame: chooses the layout for a width x height screen and sets the view area, the
// frame's view-area fractions and the screens.
void SetupScreenLayout(int width, int height);
void MarkLayoutChanged();
// The field of view in use (degrees), clamped in place into [minimum, maximum].
float GetFovLimits(float* minimum, float* maximum, float* angle);
// Sets the field of view in use (degrees), clamped into its limits; returns the value kept.
float SetFieldOfView(float degrees);
void ScreenSplit(int leftCount, int rightCount, float* leftFraction, float* rightEdge);
extern int EditorViewsMode;          // the editors choose the field of view by layout kind
extern float EditorFieldOfView[3];

// ---- [Views file] ----
constexpr const char* VIEWS_FILE_PATH = "data\\misc\\views.bin";
constexpr const char* VIEWS_FILE_MAGIC = "ZKTVSF";
constexpr int VIEWS_FILE_VERSION = 2;
constexpr int VIEWS_RECORD_SIZE = 48;
void SetDefaultLayouts();
// Resets the layouts to their defaults, then reads the file when it opens.  Returns 1 when
// the file was read; a missing, damaged or later file leaves the defaults.
int LoadViews();
int LoadViewsFrom(const char* path);
int SaveViews(const char* path);  // version 2; 1 when written

// ---- [Camera] ----
struct CameraPickState {
  int32_t rayOrigin[3];      // the eye when the drag began, 16.16
  int32_t planePoint[3];     // a point on the pick plane
  int32_t pickResult[3];     // the picked point
  float pickNormal[3];       // its surface normal
  float planeNormal[3];      // the pick plane's normal
};
struct ViewCameraRecord {
  int32_t position[3];
  FixedMatrix orientation;
  // The view matrix last derived from the orientation (its transpose) and the position it
  // went with (ResetViewMatrices).
  FixedMatrix viewMatrix;
  int32_t viewPosition[3];
  CameraPickState pick;
  // Mouse control state.
  uint32_t lastPressMs;      // program clock of the last press
  int pressRemembered;
  int dragMode;              // 0 none, 1 panning on the pick plane, 2 turning about the pick
  int32_t dragMouseX, dragMouseY;
  int32_t dragMotionX, dragMotionY;
  int32_t dragStartOffset[3];
  int32_t dragStartEye[3];
  int32_t dragDistance;      // 16.16, eye to the picked point
  uint16_t dragHeading, dragPitch;
};
extern ViewCameraRecord ViewCamera;

// The camera at the origin with the identity orientation, its view matrix derived and kept
// with its position (start-up).
void ResetViewMatrices();
// The current view matrix (ViewRotation) becomes the transpose of the camera's orientation.
void CopyViewMatrix();

// The camera as the sound listener takes it (core/sound_echo.h): its position and its forward
// and up directions (the orientation's third and second columns), the fourth values 0.
void CameraForSound(int32_t position[3], float front[4], float top[4]);

int PickRayPlane(int32_t point[3]);
int PickRayPlaneAt(int mouseX, int mouseY, int32_t point[3]);
int UpdateCameraPick(int mode);  // 1 world, 2 the vehicle editor's selection, else the ground
void GetCameraPickPoint(int32_t point[3]);
// Turns and moves CurrentView with the mouse; the change of the eye is added to viewOffset.
void CameraMouseControl(const ViewMouseEvent& event, int32_t viewOffset[3], int mode);

// ---- [Neighbour hooks] ----
// Set by the subsystems that own these services; null while they are absent.
extern int (*CameraWorldPickHook)(ViewCameraRecord& camera);      // the world's pick under the mouse
extern int (*CameraSelectionPickHook)(ViewCameraRecord& camera);  // the vehicle editor's selection
extern void (*CameraPickShiftHook)(int32_t point[3]);             // the race view's shift of the point
extern float WorldFarDistanceM;  // the loaded world's far distance; 0 without a world
extern float VrFieldOfView;      // the VR field-of-view setting (degrees)
