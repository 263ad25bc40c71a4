// environment_test.cpp - the environment clock against the C library's calendar (timegm) and
// the sun against the textbook declination.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "core/config.h"
#include "platform/clock.h"
#include "solid/solid_hooks.h"
#include "tests/core/report_recorder.h"
#include "world/environment.h"
#include "world/race_state.h"
#include "world/world.h"

namespace {

constexpr uint64_t UNIX_EPOCH_FILE_TIME = 116444736000000000ull;
constexpr double DEGREE = 3.14159265358979323846 / 180.0;

// The file time of a UTC calendar time through timegm, which normalises a day of the month
// past the month's end into the months after it.
uint64_t Reference(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<uint64_t>(timegm(&t)) * 10000000ull + UNIX_EPOCH_FILE_TIME;
}

class Environment : public ::testing::Test {
 protected:
  void SetUp() override {
    EnvironmentMode = 2;
    EnvironmentTimeOfDay = 12.0f;
    EnvironmentDayOfYear = 81.0f;
    EnvironmentHourOffset = 0.0f;
    EnvironmentDayOffset = 0.0f;
    SetPresent(WallTime{2026, 7, 4, 10, 20, 30, 0, 0});
    RaceState = RaceWords{};
  }
  void TearDown() override {
    RaceState = RaceWords{};
    DeleteWorld();
    SetUp();
  }
  static void SetPresent(const WallTime& now) {
    SystemFileTime = FileTimeFromWallTime(now);
    WallTimeFromFileTime(SystemFileTime, SystemTimeUtc);
  }
};

TEST_F(Environment, TheDayOfTheYearHasNoLeapDayAndRefusesDaysOutsideTheYear) {
  struct Case {
    int day, wantResult, wantDay, wantMonth;
  };
  const Case cases[] = {{1, 1, 1, 1},   {31, 1, 31, 1},  {32, 1, 1, 2},   {59, 1, 28, 2}, {60, 1, 1, 3},
                        {334, 1, 30, 11}, {335, 1, 1, 12}, {365, 1, 31, 12}, {366, 0, 1, 1}, {0, 0, 1, 1},
                        {-40, 0, 1, 1}};
  for (const Case& c : cases) {
    int day = 99, month = 99;
    EXPECT_EQ(DayOfYearToDate(c.day, day, month), c.wantResult) << c.day;
    EXPECT_EQ(day, c.wantDay) << c.day;
    EXPECT_EQ(month, c.wantMonth) << c.day;
  }
}

TEST_F(Environment, TheFixedDateIsTheCalendarsToTheSecond) {
  struct Time {
    float hours;
    int hour, minute, second;
  };
  const Time times[] = {{0.0f, 0, 0, 0},     {6.5f, 6, 30, 0},   {9.125f, 9, 7, 30},
                        {13.25f, 13, 15, 0}, {17.75f, 17, 45, 0}, {23.5f, 23, 30, 0}};
  // Day 59.6 is day 60; in 2026 day n is January n to timegm.
  const float days[] = {1.0f, 31.0f, 59.6f, 100.0f, 200.4f, 365.0f};
  for (const float day : days) {
    for (const Time& t : times) {
      EnvironmentDayOfYear = day;
      EnvironmentTimeOfDay = t.hours;
      const int whole = static_cast<int>(std::lround(day));
      EXPECT_EQ(DateToFileTime(2026), Reference(2026, 1, whole, t.hour, t.minute, t.second)) << day << " " << t.hours;
    }
  }
  // A leap year still has no 29 February: day 60 is 1 March.
  EnvironmentDayOfYear = 59.6f;
  EnvironmentTimeOfDay = 0.0f;
  EXPECT_EQ(DateToFileTime(2024), Reference(2024, 3, 1, 0, 0, 0));
  EnvironmentDayOfYear = 365.0f;
  EXPECT_EQ(DateToFileTime(2024), Reference(2024, 12, 31, 0, 0, 0));
  // The last minute of the day: 23:59 and no second past it.
  EnvironmentTimeOfDay = MAX_TIME_OF_DAY;
  EXPECT_EQ(DateToFileTime(2026), Reference(2026, 12, 31, 23, 59, 0));
  // A time past the day (a setting not yet held in its limits) stays in its last second, one
  // before it in its first.
  EnvironmentTimeOfDay = 30.0f;
  EXPECT_EQ(DateToFileTime(2026), Reference(2026, 12, 31, 23, 59, 59));
  EnvironmentTimeOfDay = -2.0f;
  EXPECT_EQ(DateToFileTime(2026), Reference(2026, 12, 31, 0, 0, 0));
}

TEST_F(Environment, ADayPastTheYearGivesTheFirstOfJanuaryWithADebugLine) {
  ReportRecorder recorder;
  EnvironmentDayOfYear = 365.6f;  // as the settings hold it unclamped
  EnvironmentTimeOfDay = 6.5f;
  EXPECT_EQ(DateToFileTime(2026), Reference(2026, 1, 1, 6, 30, 0));
  ASSERT_EQ(recorder.Reports().lines.size(), 1u);
  EXPECT_EQ(recorder.Reports().lines[0], "0|-3|Invalid date");
}

TEST_F(Environment, EachModeGivesItsDateFromTheFixedPresentMoment) {
  const uint64_t now = SystemFileTime;
  constexpr uint64_t DAY = 86400ull * 10000000ull, HOUR = 3600ull * 10000000ull;
  EnvironmentMode = 2;
  EXPECT_EQ(GetEnvironmentDateTime(), now);

  EnvironmentMode = 0;
  EnvironmentDayOfYear = 100.0f;
  EnvironmentTimeOfDay = 17.75f;
  EXPECT_EQ(GetEnvironmentDateTime(), Reference(2026, 4, 10, 17, 45, 0)) << "the fixed date in the present year";

  EnvironmentMode = 1;
  EnvironmentDayOffset = -0.4f;
  EXPECT_EQ(GetEnvironmentDateTime(), now) << "less than half a day adds nothing";
  EnvironmentDayOffset = 1.5f;
  EXPECT_EQ(GetEnvironmentDateTime(), now + 2 * DAY);
  EnvironmentDayOffset = -183.0f;
  EnvironmentHourOffset = -1.5f;
  EXPECT_EQ(GetEnvironmentDateTime(), now - 183 * DAY - HOUR - HOUR / 2);
  EnvironmentDayOffset = 0.0f;
  EnvironmentHourOffset = 0.0001f;  // 0.36 s: to the nearest second
  EXPECT_EQ(GetEnvironmentDateTime(), now);
}

TEST_F(Environment, ARunningRaceDateIsTakenBackByTheRaceTimeAlreadyRun) {
  RaceState.raceTimeMs = 90000;
  EnvironmentMode = 2;
  SetRaceDateTime();
  EXPECT_EQ(RaceState.dateRuns, 1);
  EXPECT_EQ(RaceState.dateTime, GetEnvironmentDateTime() - 90ull * 10000000ull);
  EnvironmentMode = 1;
  EnvironmentHourOffset = 2.0f;
  SetRaceDateTime();
  EXPECT_EQ(RaceState.dateTime, GetEnvironmentDateTime() - 90ull * 10000000ull);
  EnvironmentMode = 0;
  SetRaceDateTime();
  EXPECT_EQ(RaceState.dateRuns, 0);
  EXPECT_EQ(RaceState.dateTime, GetEnvironmentDateTime()) << "a fixed date does not run";
}

// ---- the sun ----

float Length(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
double ElevationDegrees(const float v[3]) { return std::asin(static_cast<double>(v[2])) / DEGREE; }

TEST_F(Environment, TheSunIsAUnitDirectionEverywhereAndAlways) {
  for (float day = 1.0f; day <= 365.0f; day += 17.0f)
    for (float hour = 0.0f; hour < 24.0f; hour += 1.75f)
      for (float latitude = -90.0f; latitude <= 90.0f; latitude += 22.5f)
        for (float longitude : {-180.0f, -75.0f, 0.0f, 33.0f, 179.0f})
          for (float north : {0.0f, 0.3f, -2.0f}) {
            float sun[3];
            SunDirectionAt(day, hour, latitude, longitude, north, sun);
            ASSERT_NEAR(Length(sun), 1.0f, 1e-5f) << day << " " << hour << " " << latitude << " " << longitude;
          }
}

TEST_F(Environment, TheSunStandsWhereTheCalendarPutsIt) {
  float sun[3];
  SunDirectionAt(81.0f, 12.0f, 0.0f, 0.0f, 0.0f, sun);
  EXPECT_NEAR(sun[0], 0.0f, 0.01f);
  EXPECT_NEAR(sun[1], 0.0f, 0.01f);
  EXPECT_NEAR(sun[2], 1.0f, 0.001f) << "overhead at the equator at noon at the equinox";

  SunDirectionAt(81.0f, 12.0f, 45.0f, 0.0f, 0.0f, sun);
  EXPECT_NEAR(ElevationDegrees(sun), 45.0, 0.5);
  EXPECT_LT(sun[1], -0.69f) << "towards -y, the south";
  EXPECT_NEAR(sun[0], 0.0f, 0.01f);

  SunDirectionAt(81.0f, 18.0f, 0.0f, 0.0f, 0.0f, sun);
  EXPECT_NEAR(sun[0], -1.0f, 0.01f) << "setting towards -x at 18:00";

  // At both solstices the noon sun stands 90 degrees less the latitude's distance from the
  // declination, the declination taken from the textbook formula.
  for (const int day : {172, 355}) {
    const double declination = -23.44 * std::cos(2.0 * 3.14159265358979323846 * (day + 10) / 365.0);
    for (const float latitude : {-35.0f, 0.0f, 23.0f, 51.5f, 60.0f}) {
      SunDirectionAt(static_cast<float>(day), 12.0f, latitude, 0.0f, 0.0f, sun);
      EXPECT_NEAR(ElevationDegrees(sun), 90.0 - std::fabs(latitude - declination), 0.5) << day << " " << latitude;
    }
  }

  // A north heading turns the horizontal part alone.
  float turned[3];
  SunDirectionAt(130.0f, 9.5f, 40.0f, 10.0f, 0.0f, sun);
  SunDirectionAt(130.0f, 9.5f, 40.0f, 10.0f, 0.6f, turned);
  EXPECT_FLOAT_EQ(turned[2], sun[2]);
  EXPECT_NEAR(turned[0], sun[0] * std::cos(0.6f) - sun[1] * std::sin(0.6f), 1e-6f);
  EXPECT_NEAR(turned[1], sun[0] * std::sin(0.6f) + sun[1] * std::cos(0.6f), 1e-6f);
}

TEST_F(Environment, TheSunFollowsTheRacesDateAndTheTracksPlace) {
  // 22 March 2026 12:00 UTC is day 81 at noon.
  RaceState.dateTime = Reference(2026, 3, 22, 12, 0, 0);
  float sun[3], want[3];
  ComputeSunDirection(sun);
  SunDirectionAt(81.0f, 12.0f, 0.0f, 0.0f, 0.0f, want);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sun[i], want[i]);

  WorldTrackPlace = TrackPlace{0.5f, 45.0f, 15.0f, 1};
  ComputeSunDirection(sun);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sun[i], want[i]) << "a place without a world is not read";
  CWld = new Wld;
  ComputeSunDirection(sun);
  SunDirectionAt(81.0f, 12.0f, 45.0f, 15.0f, 0.5f, want);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sun[i], want[i]);

  // In a leap year 22 March is day 82; the hour counts its minutes and seconds.
  RaceState.dateTime = Reference(2024, 3, 22, 18, 30, 36);
  ComputeSunDirection(sun);
  SunDirectionAt(82.0f, 18.51f, 45.0f, 15.0f, 0.5f, want);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(sun[i], want[i], 1e-6f);
}

}  // namespace
