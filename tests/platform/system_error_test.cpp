// system_error_test.cpp - error texts from the C library's numbers: the text of a number, the
// text of the last error, and a text cut to the buffer it is written into.
#include "platform/system_error.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(SystemErrors, ANumberAndTheLastErrorGiveTheLibrarysTextCutToTheBuffer) {
  char text[64] = {};
  SystemErrorText(ENOENT, text, sizeof text);
  EXPECT_STREQ(text, "No such file or directory");
  errno = EACCES;
  LastSystemErrorText(text, sizeof text);
  EXPECT_STREQ(text, "Permission denied");
  SystemErrorText(ENOENT, text, 3);
  EXPECT_STREQ(text, "No") << "two characters and the zero";
  text[0] = 'x';
  SystemErrorText(ENOENT, text, 0);
  EXPECT_EQ(text[0], 'x') << "no room: nothing written";
  SystemErrorText(ENOENT, nullptr, 8);  // no buffer: nothing to do
}
