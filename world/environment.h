// environment.h - the environment clock: the race's date and time from the environment
// settings, the calendar of the settings' fixed date, and the sun's direction.
//
// Sections: [Track place] [Dates] [Sun]
//
// The five settings (mode, time of day, day of year, hour and day offsets) live with the
// configuration (core/config.h, ClampTimeOfDay).  The present moment is the frame loop's
// snapshot of the system time (core/frame_globals.h), in UTC; the race's date is a file time
// (100-ns units since 1601, UTC) in the race's state (solid/solid_hooks.h).
// Main thread only.
#pragma once
#include <cstdint>

// ---- [Track place] ----
// Where the loaded track lies on Earth, from its track file; read only while a world is
// loaded, and all zero without one (north 0, latitude 0, longitude 0, time zone 0).
struct TrackPlace {
  float northHeading;  // radians: the heading of the track's north
  float latitude;      // degrees
  float longitude;     // degrees
  int timeZoneHours;   // whole hours from UTC
};
extern TrackPlace WorldTrackPlace;

// ---- [Dates] ----
constexpr int64_t FILE_TIME_PER_SECOND = 10000000;  // 100-ns units
constexpr int64_t FILE_TIME_PER_MS = 10000;

// The calendar of the day of the year (1..365, no leap days): 1 and the day of the month and
// the month (1..12); 0 with day 1 and month 1 for a day below 1 or past the year.
int DayOfYearToDate(int day, int& dayOfMonth, int& month);
// The settings' fixed date (the day of the year to the nearest day, the time of day cut to
// whole seconds) in the given year, as a file time.  A day outside the year gives 1 January
// and the debug line "Invalid date".
uint64_t DateToFileTime(int year);
// The date and time the environment's mode asks for: 0 the fixed date in the present year,
// 1 the present moment moved by the day offset (to the nearest day) and the hour offset (to
// the nearest second), 2 the present moment.
uint64_t GetEnvironmentDateTime();
// Sets the race's date: it runs unless the mode is 0 (a fixed date), and a running date is
// taken back by the race time already run.
void SetRaceDateTime();

// ---- [Sun] ----
// The unit direction towards the sun (x east, y north, z up while the track's north heading
// is 0) for a day of the year, an hour of the day (UTC), a latitude and longitude in degrees
// and a north heading in radians; in 32-bit floats.
void SunDirectionAt(float day, float hour, float latitude, float longitude, float northHeading, float out[3]);
// The sun at the race's date, over the loaded track (over latitude and longitude 0 without
// a world).
void ComputeSunDirection(float out[3]);
