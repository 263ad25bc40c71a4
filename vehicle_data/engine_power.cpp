// engine_power.cpp - the engine's power and torque in words, in the language's texts.
#include "vehicle_data/engine_power.h"

#include <cstdio>

#include "text/language.h"
#include "vehicle_data/engine_record.h"

namespace {

constexpr float NM_PER_LBFT = 1.35582f;
constexpr float BHP_PER_WATT = 0.0013413f;
constexpr float KW_PER_WATT = 0.001f;
constexpr float WHOLE_FIGURES_FROM = 50.0f;  // N m and kW: below it the lines show a decimal
constexpr float LITRES_FROM = 1000.0f;       // cc

const char* LayoutWord(const EngineModel& e) {
  if (e.cylinders == 1) return "";
  switch (e.layout) {
    case ENGINE_INLINE: return LanguageTexts[TX_3a_etl_inli];
    case ENGINE_FLAT: return LanguageTexts[TX_3a_etl_flat];
    case ENGINE_V: return LanguageTexts[TX_3a_etl_veng];
    default: return "";  // a layout no engine is built with names none
  }
}

const char* CylinderWord(int cylinders) {
  switch (cylinders) {
    case 1: return LanguageTexts[TX_3a_etn_1cyl];
    case 2: return LanguageTexts[TX_3a_etn_2cyl];
    case 3: return LanguageTexts[TX_3a_etn_3cyl];
    case 4: return LanguageTexts[TX_3a_etn_4cyl];
    case 5: return LanguageTexts[TX_3a_etn_5cyl];
    case 6: return LanguageTexts[TX_3a_etn_6cyl];
    case 8: return LanguageTexts[TX_3a_etn_8cyl];
    case 10: return LanguageTexts[TX_3a_etn10cyl];
    case 12: return LanguageTexts[TX_3a_etn12cyl];
    default: return LanguageTexts[TX_3a_etn_qcyl];
  }
}

// rad/s in rpm, as "x 60 / 2 pi" in single precision.
float Rpm(float speed) { return speed * 60.0f / 6.2831855f; }

}  // namespace

void DescribeEnginePower(const EngineModel& e, int electric, char* engineLine, char* torqueLine, char* powerLine) {
  if (engineLine) {
    engineLine[0] = 0;
    if (!electric) {
      const char* turbo = e.flags & ENGINE_TURBO ? LanguageTexts[TX_3a_trbochrg] : "";
      if (e.engineSize < LITRES_FROM)
        std::snprintf(engineLine, ENGINE_LINE_SIZE, LanguageTexts[TX_3a_engccfmt], double{e.engineSize}, turbo,
                      LayoutWord(e), CylinderWord(e.cylinders));
      else
        std::snprintf(engineLine, ENGINE_LINE_SIZE, LanguageTexts[TX_3a_engltfmt], double{e.engineSize / 1000.0f},
                      turbo, LayoutWord(e), CylinderWord(e.cylinders));
    }
  }

  const char* torqueFormat =
      e.maxTorque < WHOLE_FIGURES_FROM ? "Torque : %.1f Nm (%.1f lbft) @ %.0f rpm" : LanguageTexts[TX_3a_trqnmlbr];
  std::snprintf(torqueLine, ENGINE_LINE_SIZE, torqueFormat, double{e.maxTorque}, double{e.maxTorque / NM_PER_LBFT},
                double{Rpm(e.maxTorqueSpeed)});

  // An electric motor's power is constant above its base speed: the torque there times it.
  const float power = electric ? e.maxTorqueSpeed * e.maxTorque : e.maxPower;
  const float powerSpeed = electric ? e.maxTorqueSpeed : e.maxPowerSpeed;
  const char* powerFormat = e.maxPower * KW_PER_WATT < WHOLE_FIGURES_FROM ? "Power : %.1f kW (%.1f bhp) @ %.0f rpm"
                                                                          : LanguageTexts[TX_3a_pwrkwbhr];
  std::snprintf(powerLine, ENGINE_LINE_SIZE, powerFormat, double{power * KW_PER_WATT}, double{power * BHP_PER_WATT},
                double{Rpm(powerSpeed)});
}
