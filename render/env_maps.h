// env_maps.h - spherical-harmonic light and environment maps.
#pragma once

void DeleteEnvMaps();
