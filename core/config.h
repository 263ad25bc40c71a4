// config.h - cfg.txt: the main configuration, read at start and written back at exit.
// Every setting is a global read directly by the code that uses it.
#pragma once
#include <cstdint>

extern int ConfigRead;  // LoadConfig has run

extern int CfgStartWindowed;
extern int CfgWelcome;
extern int CfgBorderlessWindow;
extern uint32_t CfgScreenFlags;
extern int CfgMaxFps;
extern int CfgGameLimitFps;
extern int CfgMinSleep;
extern uint32_t CfgRenderHdr;
extern char CfgPlayerName[24];
extern int CfgFontWeights[4];
extern int32_t CfgScreenInfo[4];  // the full-screen mode: refresh, width, height, mode index
extern int32_t CfgShiftF9[4];     // the quick-switch mode, the same four  // "FW_J ", "FW_H ", "FW_S ", "FW_K "

int LoadConfig();         // defaults first, then the file; 1 when the file was read
int SaveConfig();         // 1 on success
int ClampConfigLimits();  // applies what the device allows; 1 when the settings are usable
