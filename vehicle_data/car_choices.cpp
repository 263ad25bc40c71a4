// car_choices.cpp - loading the player's chosen set-up and colour set for a car.
#include "vehicle_data/car_choices.h"

#include "core/config.h"
#include "core/report.h"
#include "platform/files.h"

namespace {

constexpr int SOUND_WARNING = 4;
constexpr int NAMED_FILE = -1;

// The choice falls back to default 0 with no name.
void FallBack(int& index, char* name) {
  index = 0;
  name[0] = 0;
}

void ReportFailure(const char* text) {
  if (CfgDebugLevel <= 0) return;
  ReportLine(text, REPORT_ERROR);
  ReportSound(SOUND_WARNING);
}

}  // namespace

int LoadCarSettings(SetupRecord& setup, const char* carCode) {
  setup = SetupRecord{};
  if (CfgSetupIndex != NAMED_FILE) {
    CfgSetupName[0] = 0;
    return 0;
  }
  if (!carCode || !carCode[0]) {
    FallBack(CfgSetupIndex, CfgSetupName);
    return 0;
  }
  char path[FILE_PATH_SIZE];
  if (MakeCarSetupPath(path, sizeof path, carCode, CfgSetupName) && LoadSetupFile(setup, path)) return 0;
  ReportFailure(TEXT_COULD_NOT_LOAD_SETTINGS);
  FallBack(CfgSetupIndex, CfgSetupName);
  setup = SetupRecord{};
  return 1;
}

int LoadCarColours(ColourSet& colours, const char* carCode) {
  colours = ColourSet{};
  if (CfgColoursIndex != NAMED_FILE) {
    CfgColoursName[0] = 0;
    return 0;
  }
  if (!carCode || !carCode[0]) {
    FallBack(CfgColoursIndex, CfgColoursName);
    return 0;
  }
  char path[FILE_PATH_SIZE];
  if (MakeCarColourPath(path, sizeof path, carCode, CfgColoursName) && ReadColourConfig(colours, path)) return 0;
  ReportFailure(TEXT_COULD_NOT_LOAD_COLOURS);
  FallBack(CfgColoursIndex, CfgColoursName);
  colours = ColourSet{};
  return 1;
}
