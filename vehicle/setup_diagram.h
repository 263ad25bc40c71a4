// setup_diagram.h - the flat diagram of one axle beside the editor's 3D view: its scale, the
// thick lines it is drawn with, the column of live values under each wheel and the track
// line with its warnings.
//
// Sections: [Scale and lines] [Texts] [The diagram]
//
// Main thread only.
#pragma once
#include <cstdint>

struct Car;

// ---- [Scale and lines] ----
constexpr float DIAGRAM_LEAST_WIDTH = 0.5f;  // m: a narrower car is drawn at this width's scale
constexpr uint32_t DIAGRAM_SECTION_COLOUR = 0xFFD0D0D0;
constexpr uint32_t DIAGRAM_SECTION_FLAGGED = 0xFF000000;
constexpr uint32_t DIAGRAM_LINK_COLOURS[3] = {0xFFFF0000, 0xFFFFFF00, 0xFF0000FF};
constexpr uint32_t DIAGRAM_PLATE_COLOUR = 0xFF000000;
constexpr uint32_t DIAGRAM_MARKER_COLOUR = 0xFF008080;
constexpr uint32_t DIAGRAM_GROUND_COLOUR = 0xFF404040;
constexpr uint32_t DIAGRAM_WEDGE_COLOURS[2] = {0xFF807070, 0xFF708070};
// Pixels per metre across: 0.4 x panel width / max(car width, 0.5 m).
float DiagramScale(float panelWidth, float carWidth);
// A thick line as three quads (8 vertices: u 0, 0.5, 1 across).
struct ThickLineVertex {
  float x, y, u;
};
constexpr int THICK_LINE_VERTICES = 8;
// 0 (nothing) for a segment of zero length.
int MakeThickLine(float x0, float y0, float x1, float y1, float width, float height,
                  ThickLineVertex out[THICK_LINE_VERTICES]);

// The tyre's lateral force as a wedge on the ground from the contact point: along the force
// by force / DIAGRAM_WEDGE_NEWTONS metres, its outer edge 1.2 times as long and raised by a
// third of that; the first colour when the force points against the wheel's side (inwards on
// the wheel), the second when outwards; wound by the force's sign.  0 (nothing) for a force
// that is 0 or not finite.
constexpr float DIAGRAM_WEDGE_NEWTONS = 20000.0f;  // N drawn as 1 m
struct ForceWedge {
  float x[3], y[3];  // panel units: the contact point, the inner tip, the outer tip
  uint32_t colour;
};
int MakeForceWedge(float contactX, float contactY, float force, float side, float scaleX, float scaleY,
                   ForceWedge& out);

// ---- [Texts] ----
constexpr float TRACK_TOLERANCE = 0.01f;  // m, both limits inclusive
constexpr const char* TEXT_TRACK_NARROW = "Track : %.3f ^3(TOO NARROW)";
constexpr const char* TEXT_TRACK_WIDE = "Track : %.3f ^3(TOO WIDE)";
constexpr const char* TEXT_SLIP_ANGLE = "SA %.1f";
constexpr const char* TEXT_GRIP_AIR = "\xB5 : %.2f / air %.1f\xB0";  // the first code page's mu and degree sign
constexpr const char* TEXT_PRESSURE = "%.1f psi / %.2f bar";
constexpr float PSI_PER_PASCAL = 0.00014498821f;
constexpr float BAR_PER_PASCAL = 0.00001f;
constexpr float AIR_HEAT_CAPACITY = 1005.0f;  // J / kg K
// The track line; the warnings only with checkTrack.
void FormatTrackLine(char* out, int size, float track, float target, int checkTrack);
// What a wheel's column shows.  The slip angle's four coefficients are the tyre's: the
// radial stiffness's slope and its value at zero pressure, the brush stiffness and the tread
// contact width.
struct DiagramWheelValues {
  float camber;       // rad
  float sideSign;     // the wheel's sign value (0 counts as 1)
  float inclination, caster;  // rad
  float scrub;        // m
  float pressure;     // Pa
  float mu;
  float airHeat, airMass;  // J, kg
  float coefficients[4];
};
constexpr int DIAGRAM_WHEEL_LINES = 7;
constexpr int DIAGRAM_LINE_SIZE = 48;
// The column's lines; none for a remote car.  Returns the count.
int FormatWheelColumn(const DiagramWheelValues& wheel, int remote, char lines[DIAGRAM_WHEEL_LINES][DIAGRAM_LINE_SIZE]);
// The suspension type's name ("Linear" has no language text).
const char* SuspensionTypeName(int type);

// ---- [The diagram] ----
// The texts of a drawn diagram, for the caller's text calls: each with its place (the same
// units as the panel), right-aligned ones ending at x.
constexpr int DIAGRAM_TEXTS = 2 * DIAGRAM_WHEEL_LINES + 4;
struct DiagramText {
  float x, y;
  int rightAligned;
  char text[DIAGRAM_LINE_SIZE];
};
struct DiagramTexts {
  DiagramText lines[DIAGRAM_TEXTS];
  int count;
  float track;  // the measured track (m), or -1 with fewer than two wheels
};
// Draws wheel set setIndex (0 rear, 1 front) of the car into the 2D list within the panel
// (x right, y down; lineHeight apart for the texts): the wheels of the set on side -1 then
// the others, each with its tyre section, upright, links by suspension type and ground;
// the lateral force's wedge and the columns of live values (neither for a remote car), the
// title and the track line.  The title and the track line stand at the panel's top, the
// columns at its foot (side by side, or with columnsOver the right wheel's under the left
// wheel's, and the title's type and the track line's warning each on a line of its own), the
// ground DIAGRAM_GROUND_LINES above them (PlaceDiagramFigure).
constexpr float DIAGRAM_GROUND_LINES = 1.2f, DIAGRAM_HEADING_LINES = 2.2f;
constexpr float DIAGRAM_FIGURE_REACH_M = 1.0f;  // a wheel with its strut or wishbones above its ground
// The height of the tyre sections an axle's figure draws, in metres (0 with none): twice the
// profile's deepest point below the axle.  Each drawn section is recorded as an area
// AREA_WHEEL_FIGURE (ui/draw_record.h).
float DiagramSectionHeight(const Car& car, int setIndex);
// The figure's place in a panel (panel units): its scale per metre, its ground and the top of
// the columns, for columns side by side, one over the other, or none (a remote car's).  Side
// by side the scale is DiagramScale's unless DIAGRAM_FIGURE_REACH_M at it would reach the
// track line; one over the other the figure, the car with its tyres, spans the panel.  The
// scale is the panel's across; aspect is a length up in the panel's units over the same
// length across (the window's width over its height for its normalised units), so that a
// wheel is drawn round.
enum DiagramColumns { DIAGRAM_COLUMNS_NONE = 0, DIAGRAM_COLUMNS_BESIDE = 1, DIAGRAM_COLUMNS_OVER = 2 };
struct DiagramFigure {
  float scale, groundY, columnsTop;
};
DiagramFigure PlaceDiagramFigure(const Car& car, float top, float width, float height, float lineHeight, int columns,
                                 float aspect = 1.0f);
void DrawSetupDiagram(const Car& car, int setIndex, float left, float top, float width, float height, int checkTrack,
                      float lineHeight, DiagramTexts& texts, int columnsOver = 0, float aspect = 1.0f);
// The diagram's texts through the interface's text calls (drawn with the interface's batch),
// at size in colour; the right-aligned ones end at their x.
void QueueDiagramTexts(const DiagramTexts& texts, float size, uint32_t colour);
