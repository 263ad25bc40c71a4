// engine_power.h - the engine's power and torque in words: the three lines the engine page
// shows under its curves and the vehicle's information panel shows with the car.
//
// Main thread only (the language texts).
#pragma once

struct EngineModel;

constexpr int ENGINE_LINE_SIZE = 96;  // bytes of each line, with the terminating zero

// Fills the lines of engine, an electric motor when electric is set (transmission type 6):
//   engineLine (may be null): "Engine : 1.6 litre turbocharged inline 4", below 1000 cc in cc;
//                             empty for an electric motor, which has no engine line
//   torqueLine: "Torque : 180 Nm (133 lbft) @ 4500 rpm", one decimal below 50 Nm
//   powerLine:  "Power : 95 kW (127 bhp) @ 6000 rpm", one decimal below 50 kW
// A combustion engine's figures are its greatest net torque and power with their speeds; an
// electric motor's power is its base speed times its greatest torque, at its base speed.
// Each line is ENGINE_LINE_SIZE bytes, cut to fit.
void DescribeEnginePower(const EngineModel& engine, int electric, char* engineLine, char* torqueLine,
                         char* powerLine);
