// humans.h - the human (driver) models and the helmet.
#pragma once

int  LoadHumanSystem();   // 1 when loaded; the program cannot run without it
void FreeHumans();
void LoadHelmet();
void FreeHelmet();
void RebuildHumanMeshes();  // the helmet and human meshes, when loaded
