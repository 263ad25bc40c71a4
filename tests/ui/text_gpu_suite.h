// text_gpu_suite.h - the suite of tests that draw text on a real device: the device of the
// size given, and the generated character set with its font pages, made once for the suite.
#pragma once
#include <gtest/gtest.h>

#include "tests/gpu_device.h"
#include "tests/ui/charset_test_util.h"
#include "ui/character_set.h"
#include "ui/font_pages.h"

template <int WIDTH, int HEIGHT>
class TextGpuSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ready_ = StartTestDevice(WIDTH, HEIGHT);
    charset_ = ReadGeneratedCharset();
    if (ready_ && charset_) BuildFontPages();
  }
  static void TearDownTestSuite() {
    FreeCharacterSet();
    StopTestDevice();
  }

  static inline bool ready_ = false;    // the device stands
  static inline bool charset_ = false;  // the generated set was read whole
};
