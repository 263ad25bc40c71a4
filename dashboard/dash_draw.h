// dash_draw.h - a car's dashboard drawn into the dashboard render texture: the frame (target,
// colours, backing, lamps), the analog dashboards of types 0 to 2, the formula display of
// type 3 and the steering-wheel displays of types 4 to 6; and the vehicle editor's preview.
//
// Colours that are not the block's own come from the configuration's dashboard colours:
// "Clock Text2 " the dial text of type 1 and type 5, "Clock Needle2 " every needle,
// "ZK2 Dash2 " the dial text of type 2 and type 3, "Split Text " the text of types 4 and 6,
// "Road Gear LED2 " the LED gear and digital speedometer of types 1 to 3, "ZK1 Dash2 " type
// 3's backing and "ZK4 Dash2 " type 6's panel.  Main thread only.
#pragma once

struct Car;
struct DashCarState;
struct ZKTETexture;

// The texture drawn into: the clocks render texture ("CLOCKS~T") unless a test installs
// another.  Null: nothing is drawn.
extern ZKTETexture* (*DashboardTarget)();

// Draws the car's dashboard.  Nothing (null) without a target, for a dash type of 7 or more,
// or when the target cannot be set; the render target, the dial colours, the text width
// factor and the 2D window are as before afterwards.  Returns the texture for types 4 to 6,
// else null.
ZKTETexture* DrawDashboard(const Car& car, float frameRate);
ZKTETexture* DrawDashboardState(const DashCarState& state, float frameRate);

// The editor's preview: the car in top gear with every lamp lit (and, where the dashboard
// shows it, the test speed and engine speed), for this frame only: the car is not changed.
constexpr float DASH_TEST_SPEED = 27.777779f;   // m/s: 100 km/h
constexpr float DASH_TEST_ENGINE_SHARE = 0.8f;  // of the maximum engine speed
ZKTETexture* DrawDashboardPreview(const Car& car, float frameRate);
