// car_controls.cpp - the driver's requests turned into car state once a step: the gear
// requests with their protections, the switches (ignition, pit limiter, traction control and
// two toggles) with their refusals, and how much the driver moves the controls.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/report.h"
#include "physics/car.h"
#include "solid/solid_hooks.h"
#include "text/language.h"

namespace {

constexpr uint8_t GEAR_REVERSE = 0, GEAR_NEUTRAL = 1, GEAR_FIRST = 2, GEAR_SECOND = 3;
constexpr float MOTORBIKE_SECOND_SPEED = 2.0f;  // m/s
constexpr int ERROR_SOUND = 3;

// A refused switch: its language text to the local driver, with the error sound when asked.
void Refuse(int text, int sound) {
  ReportLine(LanguageTexts[text], REPORT_MESSAGE);
  if (sound) ReportSound(ERROR_SOUND);
}

}  // namespace

void Car::ProcessControls(int player, int watchChanged) {
  RaceDuties(player, watchChanged);
  const uint8_t kind = transmissionType;
  if (kind == TRANSMISSION_CENTRIFUGAL || watch.warmUp < WATCH_WARM_UP) return;
  CarRequests& r = inputs.requests;
  if (gearbox.shiftTimer) --gearbox.shiftTimer;
  const uint8_t top = static_cast<uint8_t>(std::max(gearCount - 1, 0));
  if (r.gear != GEAR_REQUEST_NONE) {
    gearbox.requested = std::min(r.gear, top);
    r.gear = GEAR_REQUEST_NONE;
  } else {
    // Shift down.
    if (r.shiftDown) {
      if (r.shiftUp && !gearbox.upLatch && !gearbox.downLatch) {
        gearbox.requested = gear;
        gearbox.upLatch = gearbox.downLatch = 1;
      } else if (!gearbox.downLatch) {
        if (kind == TRANSMISSION_MOTORBIKE) {
          gearbox.requested = gear == GEAR_REVERSE ? GEAR_NEUTRAL : gear <= GEAR_FIRST ? GEAR_FIRST : gear - 1;
        } else if (gearbox.shiftTimer == 0 || gear != GEAR_NEUTRAL || gearbox.requested == GEAR_NEUTRAL) {
          gearbox.requested = static_cast<uint8_t>(gear > GEAR_REVERSE ? gear - 1 : GEAR_REVERSE);
        } else {
          ReportLine(TEXT_AVOIDED_REVERSE, REPORT_MESSAGE);
        }
        gearbox.downLatch = 1;
        gearbox.shiftTimer = SHIFT_DOWN_STEPS;
      }
    } else if (gearbox.downLatch) {
      gearbox.requested = gear;
      gearbox.downLatch = 0;
    }
    // Shift up.
    if (r.shiftUp) {
      if (!gearbox.upLatch) {
        if (kind == TRANSMISSION_MOTORBIKE) {
          if (gear <= GEAR_NEUTRAL)
            gearbox.requested = GEAR_NEUTRAL;
          else if (gear == GEAR_FIRST)
            gearbox.requested = speed >= MOTORBIKE_SECOND_SPEED ? std::min(GEAR_SECOND, top) : GEAR_NEUTRAL;
          else
            gearbox.requested = std::min<uint8_t>(gear + 1, top);
        } else if (gearbox.shiftTimer != 0 && gear == GEAR_NEUTRAL && gearbox.requested != GEAR_NEUTRAL) {
          ReportLine(TEXT_AVOIDED_FIRST, REPORT_MESSAGE);
        } else {
          gearbox.requested = std::min<uint8_t>(gear + 1, top);
        }
        gearbox.upLatch = 1;
        gearbox.shiftTimer = SHIFT_UP_STEPS;
      }
    } else if (gearbox.upLatch) {
      gearbox.requested = gear;
      gearbox.upLatch = 0;
    }
  }
  if (engineFlag) {
    if (gearAssist[2] && gearbox.shiftTimer == 0) AutoShift();
    if (gearbox.requested != gear) ExecuteGearChange();
    if (gearbox.requested == gear) gearbox.changeStarted = 0;
  } else {
    gear = gearbox.requested;
  }
}

void Car::ProcessToggles(int player) {
  StartLineCheck(player);
  CarRequests& r = inputs.requests;
  const auto handled = [&](uint16_t& word) {
    word = 0;
    gearbox.lastInputTime = stepCount;
    restCount = 0;
  };
  if (r.ignition) {
    if (engine.running) {
      engine.running = 0;
    } else if (!engineFlag) {
      engine.running = 1;
    } else if (options2 & OPT2_STARTER) {
      engine.Start();
    } else {
      Refuse(TX_3h_thisnost, 1);
    }
    handled(r.ignition);
  }
  if (r.pitLimiter) {
    if (assists.pitLimit) {
      assists.pitLimit = 0;
    } else if (options & OPT1_PIT_LIMITER) {
      if (options2 & OPT2_FLASHER) flashCounter = 0;
      assists.pitLimit = static_cast<uint8_t>(std::clamp(WorldLink.PitSpeedLimit(), 0, 255));
    } else {
      Refuse(TX_3g_notequip, 1);
    }
    handled(r.pitLimiter);
  }
  if (r.assist) {
    if (assists.tractionDisabled) {
      if (assists.word & ASSIST_TRACTION)
        assists.tractionDisabled = 0;
      else
        Refuse(TX_3h_thisnotc, 1);
    } else if (currentSetup.bytes[SETUP_FLAGS] & SETUP_FLAG_RESET) {
      assists.tractionDisabled = 1;
    } else {
      Refuse(TX_3h_tcnotena, 0);
    }
    handled(r.assist);
  }
  if (r.toggles[0]) {
    gearbox.toggle ^= 1;
    handled(r.toggles[0]);
  }
  if (r.toggles[1]) {
    if (gearbox.mode == 0) gearbox.modeWord = 0;
    gearbox.mode = static_cast<uint8_t>(r.toggles[1] - 1);
    handled(r.toggles[1]);
  }
}

void Car::TrackInputActivity(int) {
  CarActivity& a = activity;
  const uint8_t throttle = assists.pitLimit ? static_cast<uint8_t>(std::clamp(std::nearbyint(controls.throttle * 255.0f), 0.0f, 255.0f))
                                            : static_cast<uint8_t>(inputs.throttle >> 8);
  const uint8_t brake = static_cast<uint8_t>(inputs.brake >> 8);
  const int ds = std::abs(int{inputs.steering} - int{a.previousSteering});
  const float steer = static_cast<float>(ds) * (speed / 100.0f + 1.0f) * (static_cast<float>(steeringLock) / 90.0f);
  const uint32_t moved = std::isfinite(steer) ? static_cast<uint32_t>(std::clamp(std::nearbyint(steer), 0.0f, 1e9f)) : 0u;
  const uint32_t grown = moved + 2u * static_cast<uint32_t>(std::abs(throttle - a.previousThrottle) + std::abs(brake - a.previousBrake));
  a.accumulator += grown;
  if (a.accumulator < a.budget) {
    a.budget -= grown;
  } else {
    a.accumulator = a.budget = 0;
  }
  a.previousSteering = inputs.steering;
  a.previousThrottle = throttle;
  a.previousBrake = brake;
  uint8_t loose = 0;
  for (int i = 0; i < std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS); ++i) loose = static_cast<uint8_t>(loose + (looseWheels[i] ? 1 : 0));
  a.looseWheels = loose;
}
