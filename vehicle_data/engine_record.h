// engine_record.h - the car's power unit (EngineModel) and its stored form, the engine record:
// the definition, the 29 sound figures and the eight sound waves.
//
// Sections: [Waves] [Engine] [Model] [Record] [Failures]
//
// One EngineModel is embedded in every car.  The record is stored alone in an engine file and
// embedded, without sound and waves, in the vehicle file; records older than sub-version 16
// are converted with the vehicle class's figures as they are read, and those of sub-version 7
// and below carry sound and waves even inside a vehicle file.  The curve, the recomputation
// and the running steps are the engine model's (engine_model.cpp), stepped by the car every
// 1 ms.  All speeds are crank speeds in radians per second, torques in newton-metres, powers
// in watts.  Main thread only.
#pragma once
#include <cstdint>

struct DataFile;

// ---- [Waves] ----
constexpr int ENGINE_WAVE_COUNT = 8;
constexpr int ENGINE_WAVE_FORM = 3;  // the form written; 0..3 are read
struct EngineWave {
  uint8_t bytes[4];    // only the fourth, the wave byte, is kept
  uint32_t count;      // samples
  uint32_t* samples;   // count 32-bit samples (malloc'd), null when empty
  void Free();         // releases the samples and clears the first eight bytes
};

// ---- [Engine] ----
constexpr uint32_t ENGINE_TURBO = 1;
constexpr uint32_t ENGINE_CROSS_PLANE = 2;
constexpr uint32_t ENGINE_OLD_SPREAD = 4;     // records of sub-version 13 or lower: spread and redline stored
constexpr uint32_t ENGINE_SUB_VERSION = 8;    // the record carries its sub-version byte
constexpr uint32_t ENGINE_TWO_STROKE = 16;
// Vehicle files only: the redline is the user's own, not the class's (see ClassRedline), and a
// read keeps it.  Never held in memory nor written to an engine file.
constexpr uint32_t ENGINE_OWN_REDLINE = 32;
constexpr int ENGINE_RECORD_VERSION = 16;
constexpr int ENGINE_SOUND_PARAMS = 29;
constexpr int ENGINE_MAX_CYLINDERS = 12;
enum EngineLayout : uint8_t { ENGINE_INLINE = 0, ENGINE_FLAT = 1, ENGINE_V = 2 };

struct EngineModel {
  uint32_t flags;
  int32_t index;
  float resistance;       // derived: friction k
  float inertia;          // derived
  float idleSpeed;        // stored
  float clutchHeatRate;   // set by the car
  float engineSize;       // stored: cc
  uint8_t cylinders;      // stored: 1..12
  uint8_t layout;         // stored: EngineLayout
  float turboMaxBoost;    // stored: bar, 0..3
  float boostMultiplier;  // derived
  float turboInertiaMul;  // stored
  float torquePerCc;      // stored; 1.0 for an electric motor
  float spreadMul;        // stored
  float torqueLimit;      // stored: 0 no limit
  float redline;          // stored: rev limit, or an electric motor's maximum speed
  float camTiming;        // stored
  float resistanceMul;    // stored
  float inertiaMul;       // stored
  float stiffness;        // derived
  float ratio;            // set by the car
  uint32_t slipping;      // state
  float clutchTorque;     // state
  float peakTorque;       // derived (electric: the maximum torque)
  float inertiaFactor;
  float peakSpeed, spread;         // derived
  float turboInertia, turboDrag;   // derived
  float maxPower, maxPowerSpeed;   // derived; an electric motor's maximum power is stored
  float maxTorque, maxTorqueSpeed; // derived; an electric motor's maximum torque is stored
  float clutchCapacity;   // derived
  float health;           // state: 1.0 new
  float clutchHeat;       // state
  float clutchPedal;      // set by the car
  float drivelineAngle, speed, smoothedSpeed;  // state
  float throttle;         // set by the car
  float crankAngle;       // state
  uint32_t running;       // state
  float spareState;       // state: cleared with the rest, read by nothing here
  float turboSpeed, manifoldPressure, manifoldPressureSmoothed, boost;  // state
  uint8_t firingOrder[ENGINE_MAX_CYLINDERS];  // derived
  uint8_t soundState[32];                     // the sound output's; zeroed when sound is read
  float soundParams[ENGINE_SOUND_PARAMS];     // stored with the waves
  uint16_t soundWord;                         // 3078 after ResetSound; not stored
  uint8_t soundByte;
  EngineWave waves[ENGINE_WAVE_COUNT];        // stored in engine files

  // The defaults of a new engine: flags 0, index -1, the sound defaults, a 2000 cc inline four
  // with 1 bar of boost; the other fields are left as they are (a new record is zeroed first).
  void Reset();
  void ResetSound();  // the 29 sound figures and the two tail values
  void FreeWaves();   // releases the eight wave buffers
  // The class's engine figures: torque per cc, spread and cam timing, resistance, inertia and
  // idle speed (vehicle_class.h).
  void TakeClassFigures(int vehicleClass);

  // ---- [Model] ---- (engine_model.cpp)
  // The curve's torque at crank speed w: 0 at or below 0 (and for a speed that is not a
  // number); a bell about the peak speed, eased in below 1.5 x the idle speed, and held to
  // the torque limit when one is set.
  float TorqueAtRpm(float w) const;
  // The net torque at crank speed w with the boost multiplier: the curve's torque times it,
  // less the friction.  What BuildCurve scans for the greatest torque and power (the power is
  // it times w) and what the engine page draws.
  float NetTorqueAt(float w) const;
  // Clamps the definition (boost 0..3, size to the class's range, 1..12 cylinders) and
  // derives every derived figure of a combustion engine from it: the curve, the turbo, the
  // greatest net torque and power with their speeds (a scan of 255 speeds up to the redline),
  // the clutch and the firing order.
  void BuildCurve(int vehicleClass);
  // The derived figures by the power unit: BuildCurve for a combustion engine, the electric
  // motor's own set-up for transmission type 6, and none at all (zeros) for type 0.
  void Recompute(int transmissionType, int vehicleClass);
  // One clutch step of a combustion engine: the torque the clutch passes, its slip and heat.
  void UpdateClutch();
  // One combustion step over dt: the engine's speed, health, crank and turbo.  power gets the
  // engine's output; limiter gets the rev limiter's factor while it acts (0 when not running
  // or at the redline) and is left alone otherwise.  Returns the net torque.
  float UpdateTorque(float dt, float& power, float& limiter);
  // One electric motor step over dt; direction is the selected gear (0 reverse, 1 neutral,
  // 2 and up forward).  power gets the motor's output.  Returns the net torque.
  float UpdateElectric(float dt, float& power, int direction);
  // Marks the engine running; raises a speed below a quarter of the idle speed to it and
  // returns 1 then, else 0.
  int Start();
  // The field that keeps this engine from being stepped by a car of the transmission type and
  // vehicle class, or null when it can be: with the figures Recompute makes from the
  // definition, one the steps use that is not finite, or one they divide by that is not above
  // 0 (a combustion engine's torque spread, idle speed, redline and inertia multiplier and the
  // spread and inertia made of them; an electric motor's redline, greatest torque and
  // inertia), or a combustion engine's curve that is not finite at a speed BuildCurve scans or
  // at the redline ("torque curve").  Null for no power unit, which nothing steps.  The engine
  // is not changed.
  const char* SimulationFault(int transmissionType, int vehicleClass) const;
  // Zeroes the running state (throttle, crank, speeds, turbo, manifold, clutch); health and
  // clutch heat stay.
  void ClearState();

  // ---- [Record] ----
  // Writes the record at sub-version 16 in any write mode.  skipWaves leaves out the waves and
  // the sound figures (the vehicle file); otherwise the waves that do not apply to the power
  // unit are released first, in memory as well as in the file.  ownRedline writes
  // ENGINE_OWN_REDLINE among the flags (the vehicle file's mark).
  void Write(DataFile& file, int skipWaves, int electric, int ownRedline = 0);
  // Reads a record of any sub-version into this engine and its sound and waves into
  // soundTarget; classIndex picks the class row that converts records below sub-version 16.
  // With skipWaves the sound is read only from records of sub-version 7 and below, which
  // carry it even in a vehicle file.  1, or 0 when the sub-version is above 16, a wave's form
  // above 3, a wave's samples run past the data or the data ends early; the failure is then
  // in LastEngineReadFailure and what was read so far stays in the engines (callers that must
  // keep an engine read into a copy).  Shows nothing.
  int Read(DataFile& file, EngineModel& soundTarget, int skipWaves, int classIndex);
  // The sound figures and waves of a record of sub-version subVersion; 1 or 0 as above.
  int ReadSound(DataFile& file, int subVersion);
};

// The record's failure texts, for the callers that show them.
constexpr const char* TEXT_COULD_NOT_READ_ENGINE = "Could not read engine";
constexpr const char* TEXT_COULD_NOT_READ_WAVE = "Could not read wave";

// One wave block: bytes 0, 0, the form 3 and the wave byte, the count, the samples.
void WriteWave(const EngineWave& wave, DataFile& file);
// Releases the wave, then reads one block of any form; 1, or 0 for a form above 3, a block
// that runs past the data (a sample count beyond the bytes left fails before anything is
// allocated) or samples that cannot be allocated, with LastEngineReadFailure's text set.
int ReadWave(EngineWave& wave, DataFile& file);

// ---- [Failures] ----
// What the last failed read of a record met: the failure's text (TEXT_COULD_NOT_READ_ENGINE,
// TEXT_COULD_NOT_READ_WAVE for a wave of an unknown form, or the data file's text for samples
// that cannot be allocated), the field that failed ("sub-version", "engine figures", "wave 3",
// "sound figures" ...) and the data file's error it stands for (DATA_FILE_LATER_VERSION for a
// later sub-version, else DATA_FILE_TOO_SHORT: damaged or cut short).
struct EngineReadFailure {
  const char* text;
  const char* field;
  int error;
};
extern EngineReadFailure LastEngineReadFailure;
// The form of the last record read: 1 an electric motor's (its kind byte set), 0 a combustion
// engine's.  Written again in the form it was read in, a record keeps its bytes.
extern int LastEngineReadElectric;
