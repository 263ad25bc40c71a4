// config.cpp - the settings the frame loop reads, with their start values.
#include "core/config.h"

int ConfigRead;
int CfgStartWindowed = 1;
int CfgWelcome = 1;
int CfgBorderlessWindow;
uint32_t CfgScreenFlags = 0x60D203;
int CfgMaxFps = 100;
int CfgGameLimitFps = 1;
int CfgMinSleep = 1;
uint32_t CfgRenderHdr = 1;
char CfgPlayerName[24];
int CfgFontWeights[4] = {600, 600, 600, 600};
int32_t CfgScreenInfo[4];
int32_t CfgShiftF9[4];

int LoadConfig() {
  ConfigRead = 1;
  return 0;
}

int SaveConfig() { return ConfigRead; }

int ClampConfigLimits() { return 1; }
