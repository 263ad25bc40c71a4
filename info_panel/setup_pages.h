// setup_pages.h - the set-up pages (2 to 8) of the vehicle information panel: brakes and driver
// aids, suspension, steering, final drive, tyres, downforce and passengers.
//
// Each page edits fields of the car's current set-up record through the panel's value rows
// (info_panel_layout.h) and reports every change through the owner's callbacks
// (InfoPanelArgs); the units and the test speed are the panel's globals (info_panel.h).
// Lines whose data the car lacks are left out.  Main thread only.
#pragma once

struct Car;
struct InfoPanelArgs;

// Draws set-up page `page` (2..8) of the panel for args.car; other pages draw nothing.
void DrawInfoSetupPage(const InfoPanelArgs& args, int page);

// ---- Figures the pages show, for the pages and their checks ----
// The brake torque rows' upper bound M = 0.41 x the design load x the front tyres' radius (the
// rear's on a car whose front set carries no wheel), N m; the rows run from 0.24 M to M.
float BrakeTorqueBound(const Car& car);
// The car's steering wheel turn, lock to lock, in degrees, for the current lock setting, held
// within 90..1080; 0 (no line) when the vehicle stores no set-up or its first one's lock is 0.
float SteeringWheelTurnDegrees(const Car& car);
// The speed at the engine's rev limit (m/s) in a forward gear of the set-up (0 first), 0 when
// the gear's ratio times the final drive is not above 0.001.
float GearTopSpeed(const Car& car, int gear);
// The tyre pressure rows' range (kPa) of an axle (0 rear, 1 front), in the vehicle editor or
// in the garage.
void PressureRowRange(const Car& car, int axle, int inEditor, float& lowest, float& highest);
// A wheel's present camber in degrees: the arc sine of its tilt (its spin axis's fall, measured
// outwards; the top leaning out is positive), 0 for a wheel the car does not have.
float LiveCamberDegrees(const Car& car, int wheel);
