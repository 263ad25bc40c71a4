// car_services.cpp - what the race offers the car and the vehicle editor offline: the live-
// setting line, the local player's car choice and the end of a car's event recording.
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "physics/car.h"
#include "race/race.h"
#include "race/race_start.h"
#include "world/track_file.h"

int LiveSettingSelector;
CarChoice LocalCarChoice;
void (*CloseCarRecording)(Car& car);

void FormatSetupLine(char* out, int outSize, const Car& car) {
  if (outSize <= 0) return;
  switch (LiveSettingSelector) {
    case 0: std::snprintf(out, size_t(outSize), "Brake Bal Fr %2d%%", int(car.liveBrakeBalance)); break;
    case 1: std::snprintf(out, size_t(outSize), "Front ARB %6.1f", double(car.liveAntiRoll[1]) / 1000.0); break;
    case 2: std::snprintf(out, size_t(outSize), "Rear ARB %6.1f", double(car.liveAntiRoll[0]) / 1000.0); break;
    case 3: std::snprintf(out, size_t(outSize), "Ballast %3d kg", int(car.appliedBallast)); break;
    case LIVE_SETTING_PIT: std::snprintf(out, size_t(outSize), "Pit Instructions"); break;
    default: out[0] = 0; break;
  }
}

void SetupPlayerCarChoice(const Car& car) {
  if (!Race::GetLocalPlayer()) return;
  CarChoice& c = LocalCarChoice;
  c = CarChoice{};
  std::snprintf(c.vehicleName, sizeof c.vehicleName, "%s", car.vehicleName);
  std::snprintf(c.shortName, sizeof c.shortName, "%s", car.shortName);
  std::snprintf(c.skin, sizeof c.skin, "%.*s", int(sizeof car.currentColours.name), car.currentColours.name);
  c.setupIndex = car.setupIndex;
  c.colourIndex = car.colourIndex;
}

void WriteCarEventRecord(Car& car) {
  if (car.recordingState == CAR_RECORDING_OPEN) {
    char text[64];
    std::snprintf(text, sizeof text, "Event recording of %s closed", car.shortName);
    ReportLine(text, REPORT_GREY);
    ReportSound(2);
    if (CloseCarRecording) CloseCarRecording(car);
  }
  car.recordingState = 0;
}

void InstallRaceHooks() {
  CarRelease.writeEventRecord = WriteCarEventRecord;
  InstallRaceLayoutHooks();
  GetTrackSelection = AnswerTrackSelection;
}
