// ai_speed.h - a computer driver's speeds along its line: the car's figures the passes use,
// the axle tyre law, the cornering limit, the braking and acceleration passes, the lap time
// and the fuel a lap takes, and the set-up step that balances the car's downforce.
//
// Axle 0 of these figures is the front axle (the car's wheel set 1), axle 1 the rear (set 0);
// a node's grip holds front left, front right, rear left, rear right.  Speeds are m/s, forces
// N.  The line must be placed first (race/ai_line.h).  Main thread only.
#pragma once

#include "world/racing_path.h"

constexpr float AI_GRAVITY = 9.81f;
constexpr float AI_LEAST_SPEED = 1.0f;      // m/s: an open path's ends, and the floor of every corner speed
constexpr int AI_REFINE_STEPS = 10;         // cornering speed and traction: at most this many rounds
constexpr float AI_REFINE_CHANGE = 0.01f;   // until the relative change falls below this
constexpr int AI_SPEED_PASSES = 8;          // a closed path's passes are repeated at most this often
constexpr float AI_FUEL_ELECTRIC = 2.777778e-7f;      // J to the fuel unit, a motor
constexpr float AI_FUEL_COMBUSTION = 1.75f * 3.3333333e-8f;  // and an engine

// The car's figures (aiPath.car): effective mass and the wheels' inertia term, the axles'
// downforce from Car::SplitLoadsToAxles, the weight's front share from the centre of mass
// along the wheel base, the load per unit of shared mass, the axle geometry terms, grip
// factors 1 and the fuel capacity.
void InitAiCarModel(AiPath& aiPath);
// While the front axle's share of the downforce is not above the weight's front share and
// setupIndex is below the car's highest front wing setting: one setting up, the car set up
// again and its downforce split again.  Nothing for a car without downforce.
void AdjustAiSetup(AiPath& aiPath);
// The lateral force (N) of one side of an axle under load (N) on the grip of a node: 0 for no
// load; else with x = load / (the tyre's load scale x the side's tyre count), L = (2.25 sqrt x
// + x) 0.4 count, r = (200000 k (0.75 load / L)^2)^(1/3) L A / load: grip x r x load.  The
// load scale is the tyre's unpressurised radial stiffness times its greatest deflection, k its
// compound's first brush figure, A the brush model's pressure integral (InitWheelTables).
float AiAxleTyreForce(const AiPath& aiPath, const float grip[4], int axle, int side, float load);
// The lateral acceleration the weaker axle holds at a node at speed squared v2: each axle's
// load (its share of the weight on the surface's normal and the vertical curvature, and its
// downforce), its tyre force over its share of the mass, and gravity along the camber (with
// the curve when camber and curvature have one sign, against it otherwise).
float AiLateralGrip(const AiPath& aiPath, const AiPathNode& node, float v2);
// Grip of each wheel on the node's surface, cornering speeds, braking and acceleration passes.
void BuildAiSpeedProfile(AiPath& aiPath, int closed);
// The lap time: each segment's length over its mean target speed (nodeCount segments on a
// closed path, one fewer on an open one); kept in lapTime and returned.
float CalcAiLapTime(AiPath& aiPath, int closed);
// The fuel a lap takes at the engine's peak power (a motor's power limit) over the segments
// driven with throttle, and the top speed of those segments; the world's racing path says
// whether the last node's segment counts.
void CalcAiFuelPerLap(AiPath& aiPath);
// The engine power the passes and the fuel use: a motor's power limit (transmission type 6),
// else the curve's torque at the speed of peak power times that speed and the boost multiplier.
float AiEnginePower(const AiPath& aiPath);
