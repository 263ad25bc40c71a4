// car_skins_test.cpp - skin names, their files and the skin check.
#include <gtest/gtest.h>

#include <cstring>

#include "vehicle/car_skins.h"

namespace {

TEST(JoinedNames, PrefixUnderscoreAndTheNameCutTo22) {
  char out[64];
  JoinUnderscoreName(out, sizeof out, "XR5", "blue");
  EXPECT_STREQ(out, "XR5_blue");
  JoinUnderscoreName(out, sizeof out, "1A2B3C", "abcdefghijklmnopqrstuvwxyz");
  EXPECT_STREQ(out, "1A2B3C_abcdefghijklmnopqrstuv");
  JoinUnderscoreName(out, sizeof out, "XR5", nullptr);
  EXPECT_STREQ(out, "XR5_");
}

TEST(JoinedNames, NeverWritesPastTheBuffer) {
  char out[12];
  std::memset(out, 'z', sizeof out);
  JoinUnderscoreName(out, 8, "prefix", "name");
  EXPECT_STREQ(out, "prefix_");
  EXPECT_EQ(out[8], 'z');
}

}  // namespace
