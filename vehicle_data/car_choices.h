// car_choices.h - the set-up and the colour set the player has chosen for cars: a named file of
// the car, or one of the built-in defaults the caller fills in.
//
// The choices are the configuration's "Setup Index " and setup name, "Colours Index " and
// colour set name (core/config.h): an index of -1 names a file, any other value a default.
// A file that is missing or cannot be read never stops the caller: the choice falls back to
// default 0 (so the next call does not try the file again) and the record is zeroed for the
// caller to fill; the message is shown only above "Debug Level " 0.  Main thread only.
#pragma once
#include "text/text_colours.h"
#include "vehicle_data/setup_record.h"

constexpr const char* TEXT_COULD_NOT_LOAD_SETTINGS = "Could not load settings - using default";

// "data\setups\<car code>_<setup name>.set" into setup when the choice is -1.  1 when a named
// set-up was wanted but could not be read, else 0; every other outcome leaves setup zeroed.
int LoadCarSettings(SetupRecord& setup, const char* carCode);
// "data\colours\<car code>_<colour set name>.col" into colours likewise.
int LoadCarColours(ColourSet& colours, const char* carCode);
