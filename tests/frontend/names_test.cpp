// names_test.cpp - the car name tests of the front end.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "text/messages.h"
#include "text/text_names.h"
#include "ui/dialogs.h"
#include "ui/interface.h"

namespace {

uint32_t IdOf(const char* three) {
  return uint32_t(uint8_t(three[0])) | uint32_t(uint8_t(three[1])) << 8 | uint32_t(uint8_t(three[2])) << 16;
}

TEST(CarNames, ShortNamesAreExactlyThreeLettersOrDigits) {
  EXPECT_TRUE(IsShortCarName("XR5"));
  EXPECT_TRUE(IsShortCarName("abc"));
  EXPECT_FALSE(IsShortCarName("AB"));
  EXPECT_FALSE(IsShortCarName("ABCD"));
  EXPECT_FALSE(IsShortCarName("A_C"));
  EXPECT_FALSE(IsShortCarName("A\xE9" "C"));  // not ASCII
  EXPECT_FALSE(IsShortCarName(""));
  EXPECT_FALSE(IsShortCarName(nullptr));
}

TEST(CarNames, ModIdsHaveThreeNonZeroBytesThatAreNoShortName) {
  EXPECT_TRUE(IsModCarId(0x1A2B3C));
  EXPECT_TRUE(IsModCarId(0xFFFFFF));
  EXPECT_FALSE(IsModCarId(IdOf("XR5")));  // reads as a short car name
  EXPECT_FALSE(IsModCarId(0x1A003C));     // a zero byte in the middle
  EXPECT_FALSE(IsModCarId(0x00ABCD));
  EXPECT_FALSE(IsModCarId(0xABCD00));
  EXPECT_FALSE(IsModCarId(0x01ABCDEF));   // more than 24 bits
  EXPECT_FALSE(IsModCarId(0));
}

// Going online needs a valid user name and a password of eight characters or more: seven are
// refused, eight pass (without an owner nothing is said).
TEST(Account, APasswordNeedsEightCharactersAndTheNameThree) {
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", "rider");
  std::snprintf(AccountPassword, sizeof AccountPassword, "%s", "1234567");
  EXPECT_EQ(CheckAccountName(nullptr), 0);
  std::snprintf(AccountPassword, sizeof AccountPassword, "%s", "12345678");
  EXPECT_EQ(CheckAccountName(nullptr), 1);
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", "ab");
  EXPECT_EQ(CheckAccountName(nullptr), 0) << "a name of two characters";
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", "abc");
  EXPECT_EQ(CheckAccountName(nullptr), 1);
  AccountPassword[0] = 0;
  EXPECT_EQ(CheckAccountName(nullptr), 0) << "no password";
  AccountUserName[0] = 0;
}

// A refusal with an owner but nothing drawn is told as a message line naming what is wrong;
// without an owner, or once the account is right, nothing is said.
TEST(Account, ARefusalIsToldAsAMessageWhenNothingIsDrawn) {
  const int graphics = GraphicsEnabled;
  GraphicsEnabled = 0;
  Prss owner{};
  ResetMessages();
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", "ab");
  std::snprintf(AccountPassword, sizeof AccountPassword, "%s", "12345678");
  EXPECT_EQ(CheckAccountName(nullptr), 0);
  EXPECT_EQ(MessageLineCount, 0) << "no owner: nothing said";
  EXPECT_EQ(CheckAccountName(&owner), 0);
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "You must enter a valid user name");
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", "rider");
  AccountPassword[0] = 0;
  EXPECT_EQ(CheckAccountName(&owner), 0);
  ASSERT_EQ(MessageLineCount, 2);
  EXPECT_STREQ(MessageLines[1].text, "You must enter a valid password");
  std::snprintf(AccountPassword, sizeof AccountPassword, "%s", "1234567");
  EXPECT_EQ(CheckAccountName(&owner), 0);
  ASSERT_EQ(MessageLineCount, 3);
  EXPECT_STREQ(MessageLines[2].text, "Password must have at least 8 characters");
  std::snprintf(AccountPassword, sizeof AccountPassword, "%s", "12345678");
  EXPECT_EQ(CheckAccountName(&owner), 1);
  EXPECT_EQ(MessageLineCount, 3);
  ResetMessages();
  AccountUserName[0] = AccountPassword[0] = 0;
  GraphicsEnabled = graphics;
}

// With the interface drawn, a refusal asks on the owner's page whether to put the account
// right on the web site: the refusal first, the address second, "Cancel" and "OK".  While that
// question shows, a second refusal asks nothing more and says nothing.
TEST(Account, ARefusalWithTheInterfaceDrawnAsksOnTheOwnersPage) {
  const int graphics = GraphicsEnabled, interactive = InteractiveMode, dialog = DialogOpen;
  GraphicsEnabled = 1;
  InteractiveMode = 1;
  Prss owner{};
  Prss_Init(&owner, nullptr, [](Prss* p) -> Prss* { return p->alive ? p : nullptr; }, nullptr, nullptr, nullptr,
            nullptr);
  ResetMessages();
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", "rider");
  std::snprintf(AccountPassword, sizeof AccountPassword, "%s", "short");
  EXPECT_EQ(CheckAccountName(&owner), 0);
  ASSERT_EQ(owner.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Password must have at least 8 characters");
  EXPECT_STREQ(MessageBoxDialog.second, WEB_SITE_ADDRESS);
  EXPECT_EQ(MessageBoxDialog.firstWord, 0u);
  EXPECT_EQ(MessageBoxDialog.secondWord, 0u);
  EXPECT_EQ(MessageBoxDialog.mode, MESSAGE_CANCEL_OK);
  EXPECT_NE(MessageBoxDialog.callback, nullptr);
  std::snprintf(AccountUserName, sizeof AccountUserName, "%s", "ab");
  EXPECT_EQ(CheckAccountName(&owner), 0);
  EXPECT_STREQ(MessageBoxDialog.first, "Password must have at least 8 characters") << "the question showing stays";
  EXPECT_EQ(MessageLineCount, 0);
  Prss_Terminate(&MessageBoxDialog.prss);
  Prss_ActSub(&owner);
  EXPECT_EQ(owner.sub, nullptr);
  AccountUserName[0] = AccountPassword[0] = 0;
  DialogOpen = dialog;
  InteractiveMode = interactive;
  GraphicsEnabled = graphics;
}

// A keyboard steering file that cannot be used is told with its path: one that is not such a
// file or is of a later version by what its header said, one cut short as damaged.  Its values
// are left as they were; a file that is not there says nothing.
TEST(KeyboardFile, AFileThatCannotBeUsedIsToldWithItsPath) {
  std::filesystem::create_directories("data/misc");
  const auto write = [](const char* name, const std::string& bytes) {
    std::ofstream(std::string("data/misc/") + name, std::ios::binary) << bytes;
  };
  // Eight bytes of header (the name, then the version in the last byte) and eight floats.
  write("notkbs.kbs", std::string("ZKTPLY\0\0", 8) + std::string(32, '\0'));
  write("later.kbs", std::string("ZKTKBS\0\x01", 8) + std::string(32, '\0'));
  write("short.kbs", std::string("ZKTKBS\0\0\0\0\x20\x41", 12));
  const float steer = CfgKeyboardSteer[0];
  ResetMessages();
  EXPECT_EQ(LoadKbsFile("missing"), 0);
  EXPECT_EQ(MessageLineCount, 0);
  EXPECT_EQ(LoadKbsFile("notkbs"), 0);
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "File failed header check : data\\misc\\notkbs.kbs");
  EXPECT_EQ(LoadKbsFile("later"), 0);
  ASSERT_EQ(MessageLineCount, 2);
  EXPECT_STREQ(MessageLines[1].text, "File was created by a later version : data\\misc\\later.kbs");
  EXPECT_EQ(LoadKbsFile("short"), 0);
  ASSERT_EQ(MessageLineCount, 3);
  EXPECT_STREQ(MessageLines[2].text, "File is damaged : data\\misc\\short.kbs");
  EXPECT_FLOAT_EQ(CfgKeyboardSteer[0], steer);
  ResetMessages();
  std::filesystem::remove_all("data/misc");
}

// The keyboard steering file's eight floats are, in order, the six steering values, the speed
// steer reduction and the half reduce speed: each read into its own setting, and written back
// in that order.
TEST(KeyboardFile, EachValueGoesToItsOwnSettingAndBack) {
  std::filesystem::create_directories("data/misc");
  const float values[8] = {4.5f, 0.25f, 0.5f, 2.5f, 0.75f, 0.625f, 0.125f, 150.0f};  // each within its range
  std::string bytes("ZKTKBS\0\0", 8);
  for (const float v : values) bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
  { std::ofstream("data/misc/order.kbs", std::ios::binary) << bytes; }
  float kept[8];
  for (int i = 0; i < 6; ++i) kept[i] = CfgKeyboardSteer[i];
  kept[6] = CfgSpeedSteerReductionKb;
  kept[7] = CfgHalfReduceSpeedKb;
  ASSERT_EQ(LoadKbsFile("order"), 1);
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(CfgKeyboardSteer[i], values[i]) << i;
  EXPECT_FLOAT_EQ(CfgSpeedSteerReductionKb, values[6]);
  EXPECT_FLOAT_EQ(CfgHalfReduceSpeedKb, values[7]);
  ASSERT_EQ(SaveKbsFile("again"), 1);
  std::ifstream in("data/misc/again.kbs", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
  in.close();
  for (int i = 0; i < 6; ++i) CfgKeyboardSteer[i] = kept[i];
  CfgSpeedSteerReductionKb = kept[6];
  CfgHalfReduceSpeedKb = kept[7];
  std::filesystem::remove_all("data/misc");
}

// The update setting is 1 unless the program's own version chose otherwise: a file of this
// version without an "Update" line asks for updates.
TEST(UpdateSetting, TheOwnVersionWithoutASettingAsksForUpdates) {
  const std::string own = std::string("Version ") + PROGRAM_VERSION + "\n";
  UpdateSetting = 0;
  ReadUpdateConfigFromText(own.data(), own.size());
  EXPECT_EQ(UpdateSetting, 1);
  EXPECT_EQ(UpdateSettingInForce, 1);
  const std::string chosen = own + "Update 2\n";
  ReadUpdateConfigFromText(chosen.data(), chosen.size());
  EXPECT_EQ(UpdateSetting, 2);
  EXPECT_EQ(UpdateSettingInForce, 2);
}

}  // namespace
