// environment.cpp - the environment clock and the sun.
#include "world/environment.h"

#include <algorithm>
#include <cmath>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "platform/clock.h"
#include "solid/solid_hooks.h"
#include "world/race_state.h"

TrackPlace WorldTrackPlace;

namespace {
constexpr int DAYS_OF_MONTH[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr const char* TEXT_INVALID_DATE = "Invalid date";
constexpr float PI = 3.14159265f;
constexpr float AXIAL_TILT = -0.4084070324897766f;  // -23.4 degrees
}  // namespace

// ---- [Dates] ----

int DayOfYearToDate(int day, int& dayOfMonth, int& month) {
  dayOfMonth = 1;
  month = 1;
  if (day < 1) return 0;
  int m = 1;
  while (day > DAYS_OF_MONTH[m - 1]) {
    if (m == 12) return 0;
    day -= DAYS_OF_MONTH[m - 1];
    ++m;
  }
  dayOfMonth = day;
  month = m;
  return 1;
}

uint64_t DateToFileTime(int year) {
  WallTime date{};
  date.year = year;
  if (!DayOfYearToDate(static_cast<int>(std::lround(EnvironmentDayOfYear)), date.day, date.month))
    ReportLine(TEXT_INVALID_DATE, REPORT_MESSAGE, REPORT_TARGET_DEBUG);
  // The time of day cut to whole seconds from its exact value: cutting hours, minutes and
  // seconds one after the other in floats loses a second (9.125 h would give 9:07:29).
  // A time outside the day (settings not yet held in their limits) stays inside it.
  const double hours = EnvironmentTimeOfDay;
  const int seconds = hours > 0.0 ? static_cast<int>(std::min(std::floor(hours * 3600.0), 86399.0)) : 0;
  date.hour = seconds / 3600;
  date.minute = seconds / 60 % 60;
  date.second = seconds % 60;
  return FileTimeFromWallTime(date);
}

uint64_t GetEnvironmentDateTime() {
  switch (EnvironmentMode) {
    case 0:
      return DateToFileTime(SystemTimeUtc.year);
    case 1: {
      const int64_t seconds = std::lround(EnvironmentDayOffset) * 86400 + std::lround(EnvironmentHourOffset * 3600.0f);
      return SystemFileTime + static_cast<uint64_t>(seconds * FILE_TIME_PER_SECOND);
    }
    default:
      return SystemFileTime;
  }
}

void SetRaceDateTime() {
  RaceWords& race = RaceState;
  race.dateRuns = EnvironmentMode != 0;
  race.dateTime = GetEnvironmentDateTime();
  if (race.dateRuns) race.dateTime -= static_cast<uint64_t>(race.raceTimeMs) * FILE_TIME_PER_MS;
}

// ---- [Sun] ----

void SunDirectionAt(float day, float hour, float latitude, float longitude, float northHeading, float out[3]) {
  const float phi = latitude * PI / 180.0f, lambda = longitude * PI / 180.0f;
  const float year = (day + 10.0f + hour / 24.0f) / 365.0f * 2.0f * PI;
  const float angle = (hour - 12.0f) * PI / 12.0f + lambda + year;
  // The sun on the ecliptic, tilted about the x axis, then turned with the Earth.
  const float p[3] = {std::sin(year), std::cos(year) * std::cos(AXIAL_TILT), std::cos(year) * std::sin(AXIAL_TILT)};
  const float q[3] = {p[0] * std::cos(angle) - p[1] * std::sin(angle), p[0] * std::sin(angle) + p[1] * std::cos(angle),
                      p[2]};
  // Into the ground's frame at the latitude: x east, y north, z up.
  const float r[3] = {q[0], -q[1] * std::sin(phi) + q[2] * std::cos(phi), q[1] * std::cos(phi) + q[2] * std::sin(phi)};
  if (northHeading != 0.0f) {
    out[0] = r[0] * std::cos(northHeading) - r[1] * std::sin(northHeading);
    out[1] = r[0] * std::sin(northHeading) + r[1] * std::cos(northHeading);
  } else {
    out[0] = r[0];
    out[1] = r[1];
  }
  out[2] = r[2];
}

void ComputeSunDirection(float out[3]) {
  WallTime date;
  WallTimeFromFileTime(RaceState.dateTime, date);
  // The day of the year of the race's date, counted in its own (perhaps leap) year.
  WallTime newYear{};
  newYear.year = date.year;
  newYear.month = 1;
  newYear.day = 1;
  const uint64_t sinceNewYear = RaceState.dateTime - FileTimeFromWallTime(newYear);
  const float day = static_cast<float>(sinceNewYear / (86400 * FILE_TIME_PER_SECOND) + 1);
  const float hour = static_cast<float>(date.hour) + static_cast<float>(date.minute) / 60.0f +
                     static_cast<float>(date.second) / 3600.0f;
  const TrackPlace place = CWld ? WorldTrackPlace : TrackPlace{};
  SunDirectionAt(day, hour, place.latitude, place.longitude, place.northHeading, out);
}
