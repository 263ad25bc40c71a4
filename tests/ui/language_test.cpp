// language_test.cpp - the text table, language files, help texts and the help screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "core/frame_globals.h"
#include "core/process.h"
#include "tests/ui/control_clicks.h"
#include "text/language.h"
#include "text/messages.h"
#include "ui/character_set.h"
#include "ui/help_screen.h"
#include "ui/widgets.h"

namespace {

std::string Conversions(const char* text) {
  char out[32];
  return PrintfConversions(text, out, sizeof out) < 0 ? std::string("refused") : std::string(out);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Each test starts in English with an empty language folder and no language chosen.
class LanguageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/language");
    LanguageName[0] = 0;
    RelatedLanguage[0] = 0;
    for (int i = 0; i < CODE_PAGE_COUNT; ++i) SetCodePageHasFont(i, i != 4 && i < 7);
    ResetLanguageTexts();
    MessagesToStdout = 1;  // without graphics every message line is printed: the tests read them there
  }
  void TearDown() override {
    MessagesToStdout = 0;
    FreeLanguages();
    LanguageName[0] = 0;
    RelatedLanguage[0] = 0;
  }
  // The calls that may show messages, with what they show collected for Messages().
  template <typename Call>
  auto Showing(Call call) {
    testing::internal::CaptureStdout();
    const auto result = call();
    shown_ += testing::internal::GetCapturedStdout();
    return result;
  }
  int Load(const char* name, int report) { return Showing([&] { return LoadLanguage(name, report); }); }
  int Set(const char* name) { return Showing([&] { return SetLanguage(name); }); }
  int List(const char* name, char* out, int size) { return Showing([&] { return ListLanguages(name, out, size); }); }
  // The message lines shown since the last call.
  std::string Messages() { return std::exchange(shown_, std::string()); }

 private:
  std::string shown_;

 protected:
  static void WriteLanguage(const std::string& name, const std::string& bytes) {
    WriteFile("data/language/" + name + ".txt", bytes);
  }
  static bool AllEnglish() {
    for (int i = 0; i < LANGUAGE_TEXT_COUNT; ++i)
      if (LanguageTexts[i] != LanguageTextTable[i].english) return false;
    return true;
  }
};

}  // namespace

// ---- The table ----

TEST(LanguageTable, KeysAreUniqueElevenCharactersAndFoundByKey) {
  std::set<std::string> keys;
  for (int i = 0; i < LANGUAGE_TEXT_COUNT; ++i) {
    const char* key = LanguageTextTable[i].key;
    EXPECT_EQ(std::strlen(key), static_cast<size_t>(LANGUAGE_KEY_LENGTH)) << key;
    EXPECT_TRUE(keys.insert(key).second) << "twice: " << key;
    EXPECT_EQ(FindLanguageText(key), i) << key;
  }
  EXPECT_EQ(FindLanguageText("3a_cancelbT"), -1);  // keys are case-sensitive
  EXPECT_EQ(FindLanguageText("3a_cancelb"), -1);
  EXPECT_STREQ(LanguageTextTable[TX_tx_codepage].key, "tx_codepage");
  EXPECT_STREQ(LanguageTextTable[TX_3a_cancelbt].key, "3a_cancelbt");
  EXPECT_STREQ(LanguageTextTable[LANGUAGE_TEXT_COUNT - 1].key, "3h_guestnoc");
}

TEST(LanguageTable, EveryEnglishTextFitsItsMaximumAndIsASafeFormat) {
  for (const LanguageTextEntry& entry : LanguageTextTable) {
    ASSERT_NE(entry.english, nullptr) << entry.key;
    EXPECT_GE(entry.maxLength, 4) << entry.key;
    EXPECT_LE(entry.maxLength, 120) << entry.key;
    EXPECT_LT(std::strlen(entry.english), entry.maxLength) << entry.key;
    // Any text may end up as a format; ours take only ints, doubles and strings.
    const std::string kinds = Conversions(entry.english);
    EXPECT_EQ(kinds.find_first_not_of("ifs"), std::string::npos) << entry.key << " " << entry.english;
  }
}

TEST(LanguageTable, StatedMaximaAndSecondLengthValues) {
  EXPECT_EQ(LanguageTextTable[TX_tx_codepage].maxLength, 8);
  EXPECT_EQ(LanguageTextTable[TX_tx_langname].maxLength, 24);
  EXPECT_EQ(LanguageTextTable[TX_tx_noun_adj].maxLength, 4);
  EXPECT_EQ(LanguageTextTable[TX_3a_exit_btn].maxLength, 16);
  EXPECT_EQ(LanguageTextTable[TX_3a_agre_zkt].maxLength, 64);
  EXPECT_EQ(LanguageTextTable[TX_3g_live_cmb].maxLength, 24);
  EXPECT_EQ(LanguageTextTable[TX_3h_s_coln_s].maxLength, 8);
  int nonZero = 0;
  for (const LanguageTextEntry& entry : LanguageTextTable) nonZero += entry.lengthExtra != 0;
  EXPECT_EQ(nonZero, 12);
  EXPECT_EQ(LanguageTextTable[TX_3h_cfg_oc_X].lengthExtra, 2);
  EXPECT_EQ(LanguageTextTable[TX_3g_spenalty].lengthExtra, 6);
  EXPECT_EQ(LanguageTextTable[TX_3h_cruise_w].lengthExtra, 12);
  EXPECT_EQ(LanguageTextTable[TX_3h_a3_ctemp].lengthExtra, 4);
}

TEST(LanguageTable, TextsUsedAsFormatsTakeTheirCallersArguments) {
  const struct {
    LanguageTextId id;
    const char* kinds;
  } formats[] = {
      {TX_3h_s_coln_s, "ss"}, {TX_3g_live_cmb, "f"},    {TX_3g_live_inc, "f"},    {TX_3g_live_cst, "f"},
      {TX_3g_live_scr, "f"},  {TX_3g_live_trk, "f"},    {TX_3a_ttlmaskl, "ff"},   {TX_3a_pwrwtmti, "ff"},
      {TX_3a_wdistrfr, "ff"}, {TX_3h_ddistrfr, "ff"},   {TX_3g_cpct_x_l, "f"},    {TX_3h_bcap_x_k, "f"},
      {TX_3g_fl_pc_pl, "f"},  {TX_3g_fuel_sta, "f"},    {TX_3g_fuel_pit, "f"},    {TX_3h_chrg_sta, "f"},
      {TX_3h_chrg_pit, "f"},  {TX_3g_tyre_lim, "f"},    {TX_3h_x_kilogr, "i"},    {TX_3h_x_pc_res, "i"},
      {TX_3h_vol_tres, "f"},  {TX_3h_vol_powr, "f"},    {TX_3h_vol_mass, "f"},    {TX_3h_mass_pos, "f"},
      {TX_3a_maxperwt, "f"},  {TX_3g_b_bal_fr, "f"},    {TX_3h_engbrred, "f"},    {TX_3h_tcmaxslp, "f"},
      {TX_3h_tcminspd, "f"},  {TX_3a_brkmotrg, "f"},    {TX_3g_stif_val, "f"},    {TX_3g_bump_val, "f"},
      {TX_3g_rebd_val, "f"},  {TX_3g_arol_val, "f"},    {TX_3a_maxlkval, "f"},    {TX_3g_prllsval, "f"},
      {TX_3g_castrval, "f"},  {TX_3g_toeinval, "f"},    {TX_3g_car_tn_x, "f"},    {TX_3g_con_tn_x, "f"},
      {TX_3g_lock_o_o, "ff"}, {TX_3g_lock_one, "f"},    {TX_3h_dpreload, "f"},    {TX_3g_fvistorq, "f"},
      {TX_3g_ftrqsplt, "f"},  {TX_3a_grrat1st, "f"},    {TX_3a_grrat4th, "f"},    {TX_3a_grrat7th, "f"},
      {TX_3a_fnldvval, "f"},  {TX_3g_optt_x_d, "f"},    {TX_3g_press_lr, "ff"},   {TX_3g_conv_bar, "ff"},
      {TX_3g_conv_psi, "ff"}, {TX_3g_camb_abs, "ff"},   {TX_3g_camb_adj, "ff"},   {TX_3g_livecamb, "ff"},
      {TX_3h_tyrewarm, "f"},  {TX_3g_fwingang, "f"},    {TX_3g_rwingang, "f"},    {TX_3g_tst_x_ms, "f"},
      {TX_3g_lift_x_n, "f"},  {TX_3g_drag_x_n, "f"},    {TX_3g_refl_f_x, "f"},    {TX_3g_chrg_f_x, "f"},
      {TX_3a_trqnmlbr, "fff"}, {TX_3a_pwrkwbhr, "fff"}, {TX_3a_engccfmt, "fsss"}, {TX_3a_engltfmt, "fsss"},
      {TX_3a_newvalfx, "s"},  {TX_3a_xalready, "s"},    {TX_3a_accpxnof, "i"},    {TX_3a_acxchckp, "i"},
      {TX_3h_catwidth, "f"},  {TX_3h_catlengt, "f"},    {TX_3h_catsizex, "f"},    {TX_3h_catsizey, "f"},
      {TX_3h_catheigh, "f"},  {TX_3h_catpitch, "f"},    {TX_3h_catangle, "f"},    {TX_3g_xlnxtool, "si"},
      {TX_3g_x_ln_x_x, "sis"}, {TX_3g_cantopen, "s"},   {TX_3g_notallow, "s"},    {TX_3g_no_x_car, "s"},
      {TX_3m_inrt_err, "i"},  {TX_3m_tex_1err, "s"},    {TX_3m_tex_nerr, "is"},   {TX_3m_tex_area, "f"},
      {TX_3m_tex_maxu, "i"},  {TX_3m_skn_miss, "s"},    {TX_3m_col_name, "ii"},
  };
  for (const auto& format : formats)
    EXPECT_EQ(Conversions(LanguageTextTable[format.id].english), format.kinds) << LanguageTextTable[format.id].key;
  // Texts joined by "%s %s" or shown as labels carry no conversion of their own.
  for (const LanguageTextId id : {TX_3a_cnocolon, TX_3a_outcnopn, TX_3h_copyclip, TX_3g_cnotfind, TX_3a_wrninsta,
                                  TX_3g_enterfor, TX_3g_drthrtxt, TX_3h_estmaxsp, TX_3h_cant_add, TX_3a_ctrcclip})
    EXPECT_EQ(Conversions(LanguageTextTable[id].english), "") << LanguageTextTable[id].key;
}

TEST(LanguageTable, StatedEnglishTexts) {
  EXPECT_STREQ(LanguageTextTable[TX_tx_codepage].english, "1252");
  EXPECT_STREQ(LanguageTextTable[TX_tx_langname].english, "English");
  EXPECT_STREQ(LanguageTextTable[TX_tx_noun_adj].english, "an");
  EXPECT_STREQ(LanguageTextTable[TX_3a_cancelbt].english, "cancel");
  EXPECT_STREQ(LanguageTextTable[TX_3h_cp_si_ch].english, "Simplified Chinese");
  EXPECT_STREQ(LanguageTextTable[TX_3a_trbochrg].english, " turbocharged");
  EXPECT_STREQ(LanguageTextTable[TX_3g_castrval].english, "Caster %.1f\xB0");  // the degree sign of code page 0
  EXPECT_STREQ(LanguageTextTable[TX_3a_wrninsta].english, "Warning : Another instance of ZKT is running");
}

TEST(LanguageTable, RepliesFollowTheTextsByCode) {
  EXPECT_EQ(LANGUAGE_TEXT_COUNT - FIRST_REPLY_TEXT, 55);
  EXPECT_STREQ(ReplyText(0), "Host is full");
  EXPECT_STREQ(ReplyText(1), "Host is loading track");
  EXPECT_STREQ(ReplyText(13), "Unknown error");
  EXPECT_STREQ(ReplyText(17), "Wrong password");
  EXPECT_STREQ(ReplyText(33), "Host not found on master server");
  EXPECT_STREQ(ReplyText(62), "Connection has no car selected");
  EXPECT_EQ(ReplyTextEntry(40), TX_3b_reqparam);
  // A code a host may send that names no entry reads "Unknown error" instead of a null text.
  for (const int code : {11, 22, 23, 24, 28, 29, 30, 31, -1, 63, 1000}) {
    EXPECT_EQ(ReplyTextEntry(code), -1) << code;
    EXPECT_STREQ(ReplyText(code), "Unknown error") << code;
  }
  int withEntry = 0;
  for (int code = 0; code < REPLY_CODE_COUNT; ++code) withEntry += ReplyTextEntry(code) >= 0;
  EXPECT_EQ(withEntry, 55);
}

// ---- Printf conversions ----

TEST(PrintfConversions, ReadsFlagsWidthsPrecisionsAndSizes) {
  EXPECT_EQ(Conversions("plain 100%% sure"), "");
  EXPECT_EQ(Conversions("%+.2f %-8s %05d %x %c %%"), "fsiii");
  EXPECT_EQ(Conversions("%*.*f"), "iif");
  EXPECT_EQ(Conversions("%ld %lld %zu %Lf %lf %hhd"), "lqzDfi");
  EXPECT_EQ(Conversions("%p"), "p");
  char tiny[2];
  EXPECT_EQ(PrintfConversions("%d %s %f", tiny, sizeof tiny), 3);  // counted even when cut
  EXPECT_STREQ(tiny, "i");
}

TEST(PrintfConversions, RefusesWhatNoCallerCanPassSafely) {
  for (const char* text : {"%n", "count%hn", "%1$s", "%ls", "%S", "%C", "%lc", "end %", "%hf", "%y", "%zs"})
    EXPECT_EQ(Conversions(text), "refused") << text;
}

// ---- Language files ----

TEST_F(LanguageFiles, WithoutALanguageFileEveryTextIsEnglish) {
  EXPECT_TRUE(AllEnglish());
  EXPECT_EQ(Load("English", 1), 1);
  EXPECT_EQ(Load("eNGLISH", 1), 1);
  EXPECT_TRUE(AllEnglish());
  EXPECT_EQ(Messages(), "");

  std::strcpy(LanguageName, "Deutsch");
  EXPECT_EQ(Load("Deutsch", 1), 0);
  EXPECT_STREQ(LanguageName, "");  // the missing language is no longer current
  EXPECT_TRUE(AllEnglish());
  EXPECT_EQ(Messages(), "Could not find file : ^Ldata\\language\\Deutsch.txt\n");
  EXPECT_EQ(Load("Deutsch", 0), 0);
  EXPECT_EQ(Messages(), "");
}

TEST_F(LanguageFiles, ALineReplacesTheTextOfItsKeyWithAnySeparator) {
  WriteLanguage("Deutsch",
                "tx_langname=Deutsch\r\n"
                "3a_cancelbt=abbrechen\r\n"
                "\r\n"
                "3a_capitlok\tJa\r"    // a lone carriage return ends a line too
                "3a_small_no#nein\n"   // any single character separates
                "3a_smallyesxja\n"     // so does a letter
                "zz_notakey_=ignored\n"
                "3a_backbut\n"         // 10 characters: ignored
                "3a_del_butt\n"        // 11 characters: ignored
                "3a_new_butt=\n"       // 12 characters: an empty text
                "3a_exit_btn=^3Ende");  // caret codes pass; no line end at the end of the file
  EXPECT_EQ(Load("Deutsch", 1), 1);
  EXPECT_STREQ(LanguageTexts[TX_tx_langname], "Deutsch");
  EXPECT_STREQ(LanguageTexts[TX_3a_cancelbt], "abbrechen");
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "Ja");
  EXPECT_STREQ(LanguageTexts[TX_3a_small_no], "nein");
  EXPECT_STREQ(LanguageTexts[TX_3a_smallyes], "ja");
  EXPECT_STREQ(LanguageTexts[TX_3a_backbutt], "back");
  EXPECT_STREQ(LanguageTexts[TX_3a_del_butt], "Delete");
  EXPECT_STREQ(LanguageTexts[TX_3a_new_butt], "");
  EXPECT_STREQ(LanguageTexts[TX_3a_exit_btn], "^3Ende");
  EXPECT_STREQ(LanguageTexts[TX_3a_next_btn], "next");
  EXPECT_EQ(Messages(), "");
}

TEST_F(LanguageFiles, OnlyTheFirst127CharactersOfALineCount) {
  const std::string longText(200, 'w');
  WriteLanguage("Long", "3h_rdssound=" + longText + "\n3a_cancelbt=x\n");
  ASSERT_EQ(LanguageTextTable[TX_3h_rdssound].maxLength, 120);
  EXPECT_EQ(Load("Long", 1), 1);
  EXPECT_EQ(std::string(LanguageTexts[TX_3h_rdssound]), std::string(LANGUAGE_LINE_MAX - 12, 'w'));
  EXPECT_STREQ(LanguageTexts[TX_3a_cancelbt], "x");  // the rest of the long line is skipped, not read as a line
}

TEST_F(LanguageFiles, ATextAsLongAsItsSlotIsRefusedAndTheSlotKeepsItsText) {
  ASSERT_EQ(LanguageTextTable[TX_3a_agre_zkt].maxLength, 64);
  WriteLanguage("Fits", "3a_agre_zkt=" + std::string(63, 'a') + "\n");
  EXPECT_EQ(Load("Fits", 1), 1);
  EXPECT_EQ(std::strlen(LanguageTexts[TX_3a_agre_zkt]), 63u);
  EXPECT_EQ(Messages(), "");

  WriteLanguage("TooLong", "3a_agre_zkt=first\n3a_agre_zkt=" + std::string(64, 'b') + "\n3a_exit_btn=" +
                               std::string(20, 'c') + "\n");
  EXPECT_EQ(Load("TooLong", 1), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_agre_zkt], "first");  // the previous text of the slot
  EXPECT_STREQ(LanguageTexts[TX_3a_exit_btn], "exit");
  EXPECT_EQ(Messages(), "Too long : 3a_agre_zkt (by 1)\nToo long : 3a_exit_btn (by 5)\n");
}

TEST_F(LanguageFiles, ASpaceIsPutInFrontWhereTheEnglishHasOne) {
  WriteLanguage("Space", "3a_trbochrg=turbo\n3a_etl_inli= en ligne\n3a_etn_4cyl=" + std::string(15, '4') + "\n");
  EXPECT_EQ(Load("Space", 1), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_trbochrg], " turbo");
  EXPECT_STREQ(LanguageTexts[TX_3a_etl_inli], " en ligne");
  // The added space counts towards the length.
  EXPECT_STREQ(LanguageTexts[TX_3a_etn_4cyl], " 4");
  EXPECT_EQ(Messages(), "Too long : 3a_etn_4cyl (by 1)\n");
}

TEST_F(LanguageFiles, ATranslatedFormatWithOtherConversionsIsRefused) {
  WriteLanguage("Formats",
                "3a_ttlmaskl=Masse : %.1f kg (%.1f lb)\n"  // other precisions are fine
                "3g_b_bal_fr=Bremsbalance %.0f %%\n"
                "3a_pwrwtmti=Leistung : %s\n"               // a string where a double is passed
                "3g_live_cmb=Sturz %d\n"                    // an int where a double is passed
                "3h_x_kilogr=%d kg %n\n"                    // a write through an argument
                "3a_cancelbt=100%s\n"                       // a conversion where the English has none
                "3h_s_coln_s=%2$s:%s\n"                     // positional arguments
                "3a_engccfmt=Motor : %.0f ccm%s%s\n");      // one argument fewer
  EXPECT_EQ(Load("Formats", 1), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_ttlmaskl], "Masse : %.1f kg (%.1f lb)");
  EXPECT_STREQ(LanguageTexts[TX_3g_b_bal_fr], "Bremsbalance %.0f %%");
  for (const LanguageTextId id : {TX_3a_pwrwtmti, TX_3g_live_cmb, TX_3h_x_kilogr, TX_3a_cancelbt, TX_3h_s_coln_s,
                                  TX_3a_engccfmt})
    EXPECT_EQ(LanguageTexts[id], LanguageTextTable[id].english) << LanguageTextTable[id].key;
  EXPECT_EQ(Messages(),
            "Wrong format : 3a_pwrwtmti\nWrong format : 3g_live_cmb\nWrong format : 3h_x_kilogr\n"
            "Wrong format : 3a_cancelbt\nWrong format : 3h_s_coln_s\nWrong format : 3a_engccfmt\n");
}

TEST_F(LanguageFiles, ATranslationWhoseCodePageHasNoFontIsRefusedAsAWhole) {
  WriteLanguage("Japanese", "tx_codepage=932\n3a_cancelbt=torikeshi\n");
  std::strcpy(LanguageName, "Japanese");
  EXPECT_EQ(Load("Japanese", 1), 0);
  EXPECT_TRUE(AllEnglish());
  EXPECT_STREQ(LanguageName, "");
  EXPECT_EQ(Messages(), "Japanese is not available on your computer\n");

  SetCodePageHasFont(4, 1);  // a Japanese font was found
  EXPECT_EQ(Load("Japanese", 1), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_cancelbt], "torikeshi");

  // Single-byte pages and numbers that are none of the ten are taken.
  WriteLanguage("Russian", "tx_codepage=1251\n3a_cancelbt=otmena\n");
  EXPECT_EQ(Load("Russian", 1), 1);
  WriteLanguage("Odd", "tx_codepage=12345\n3a_cancelbt=odd\n");
  EXPECT_EQ(Load("Odd", 1), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_cancelbt], "odd");
  EXPECT_EQ(Messages(), "");
}

TEST_F(LanguageFiles, SwitchingLanguageNeverFreesATextAScreenStillHolds) {
  WriteLanguage("Deutsch", "3a_cancelbt=abbrechen\n");
  WriteLanguage("French", "3a_cancelbt=annuler\n");
  ASSERT_EQ(Set("Deutsch"), 1);
  EXPECT_STREQ(LanguageName, "Deutsch");
  const char* held = LanguageTexts[TX_3a_cancelbt];  // e.g. a dialog's button text

  ASSERT_EQ(Set("French"), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_cancelbt], "annuler");
  EXPECT_STREQ(held, "abbrechen");
  ResetLanguageTexts();
  EXPECT_STREQ(held, "abbrechen");
  ASSERT_EQ(Set("English"), 1);
  EXPECT_STREQ(LanguageName, "");
  EXPECT_STREQ(held, "abbrechen");

  // Going back to a language already read reuses its text instead of keeping a second copy.
  ASSERT_EQ(Set("deutsch"), 1);
  EXPECT_EQ(LanguageTexts[TX_3a_cancelbt], held);
  EXPECT_STREQ(LanguageName, "deutsch");
}

// Each language set starts from the English texts: what the one before translated and the
// next does not goes back to English, and English itself is every text.
TEST_F(LanguageFiles, SettingALanguageStartsFromTheEnglishTexts) {
  WriteLanguage("Deutsch", "3a_cancelbt=abbrechen\n3a_capitlok=Ja\n");
  WriteLanguage("French", "3a_cancelbt=annuler\n");
  ASSERT_EQ(Set("Deutsch"), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_capitlok], "Ja");
  ASSERT_EQ(Set("French"), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_cancelbt], "annuler");
  EXPECT_EQ(LanguageTexts[TX_3a_capitlok], LanguageTextTable[TX_3a_capitlok].english);
  ASSERT_EQ(Set("English"), 1);
  EXPECT_TRUE(AllEnglish());
}

TEST_F(LanguageFiles, NamesAreFoundWithoutRegardToCaseButNeverLeaveTheFolder) {
  WriteLanguage("Deutsch", "3a_cancelbt=abbrechen\n");
  EXPECT_EQ(Load("DEUTSCH", 0), 1);
  EXPECT_STREQ(LanguageTexts[TX_3a_cancelbt], "abbrechen");

  WriteFile("data/secret.txt", "3a_cancelbt=stolen\n");
  for (const char* name : {"../secret", "..\\secret", "/etc/passwd", ".hidden", "a:b", "thirty-two-characters-long-name!"}) {
    EXPECT_EQ(Load(name, 0), 0) << name;
    EXPECT_TRUE(AllEnglish()) << name;
  }
  EXPECT_EQ(Set("../secret"), 0);
  EXPECT_STREQ(LanguageName, "");
}

TEST_F(LanguageFiles, DamagedFilesNeverBreakTheTexts) {
  std::mt19937 random(14);
  const char* keys[] = {"3a_cancelbt", "tx_codepage", "3h_s_coln_s", "3a_ttlmaskl", "3a_trbochrg", "3h_guestnoc"};
  for (int round = 0; round < 200; ++round) {
    std::string bytes;
    const int pieces = static_cast<int>(random() % 40);
    for (int i = 0; i < pieces; ++i) {
      if (random() % 2) bytes += keys[random() % 6];
      const int noise = static_cast<int>(random() % 140);
      for (int j = 0; j < noise; ++j) bytes += static_cast<char>(random() % 256);
      if (random() % 3) bytes += '\n';
    }
    WriteLanguage("Noise", bytes);
    if (Load("Noise", 1) == 0) continue;  // a code page without a font
    for (int i = 0; i < LANGUAGE_TEXT_COUNT; ++i) {
      ASSERT_NE(LanguageTexts[i], nullptr);
      ASSERT_LT(std::strlen(LanguageTexts[i]), LanguageTextTable[i].maxLength) << round;
      ASSERT_EQ(Conversions(LanguageTexts[i]), Conversions(LanguageTextTable[i].english)) << round;
    }
  }
  Messages();
}

TEST_F(LanguageFiles, TheLanguageListShowsEachLanguageInItsOwnScript) {
  char shown[56];
  WriteLanguage("Russian", "tx_codepage=1251\ntx_langname=Russkij\n");
  EXPECT_EQ(List("Russian", shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "^CRusskij");
  WriteLanguage("Deutsch", "tx_langname=Deutsch (DE)\n");  // code page 1252 by default
  EXPECT_EQ(List("Deutsch", shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "Deutsch (DE)");
  WriteLanguage("Japanese", "tx_codepage=932\ntx_langname=Nihongo\n");
  EXPECT_EQ(List("Japanese", shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "Japanese");  // no font: the name must stay readable
  WriteLanguage("Nameless", "3a_cancelbt=x\n");
  EXPECT_EQ(List("Nameless", shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "Nameless");
  WriteLanguage("Wordy", "tx_langname=" + std::string(24, 'n') + "\n");
  EXPECT_EQ(List("Wordy", shown, sizeof shown), 1);
  EXPECT_STREQ(shown, "Wordy");
  EXPECT_TRUE(AllEnglish());  // the list reads files without touching the texts
  EXPECT_EQ(Messages(), "");

  EXPECT_EQ(List("Gone", shown, sizeof shown), 0);
  EXPECT_STREQ(shown, "Gone");
  EXPECT_EQ(Messages(), "Could not find file : ^Ldata\\language\\Gone.txt\n");
}

TEST_F(LanguageFiles, LanguageNamesAndTheirRelatedLanguages) {
  EXPECT_EQ(GetLanguageIndex(""), 0);
  EXPECT_EQ(GetLanguageIndex("English"), 0);
  EXPECT_EQ(GetLanguageIndex("deutsch"), 1);
  EXPECT_EQ(GetLanguageIndex("Romanian"), 36);
  EXPECT_EQ(GetLanguageIndex("Elvish"), -1);
  const struct {
    const char* name;
    const char* related;
  } pairs[] = {{"Portuguese", "Brazilian"}, {"brazilian", "Portuguese"}, {"Castellano", "Latino"},
               {"Latino", "Castellano"},     {"Serbian", "Croatian"},     {"Croatian", "Serbian"},
               {"Deutsch", ""},              {"Elvish", ""}};
  for (const auto& pair : pairs) {
    Load(pair.name, 0);  // the related language is taken even when the file is missing
    EXPECT_STREQ(RelatedLanguage, pair.related) << pair.name;
  }
}

// ---- Help texts ----

TEST_F(LanguageFiles, HelpComesFromTheLanguageThenItsRelativeThenTheCommonFile) {
  WriteFile("data/language/help.txt", "\\agreement\nCommon agreement.\n\\host_nm\nCommon host help.\n");
  WriteFile("data/language/help_Brazilian.txt", "\\agreement\nAcordo.\n");
  WriteFile("data/language/help_Portuguese.txt", "\\host_nm\nNome do anfitriao.\n");
  WriteLanguage("Portuguese", "3a_cancelbt=cancelar\n");
  ASSERT_EQ(Set("Portuguese"), 1);

  HelpText help;
  EXPECT_EQ(FindHelpText("host_nm", help), 1);
  EXPECT_STREQ(help.text, "Nome do anfitriao.");
  EXPECT_EQ(FindHelpText("agreement", help), 1);  // missing in its own file: the related language's
  EXPECT_STREQ(help.text, "Acordo.");
  std::filesystem::remove("data/language/help_Portuguese.txt");
  EXPECT_EQ(FindHelpText("host_nm", help), 1);  // missing in both: the common file
  EXPECT_STREQ(help.text, "Common host help.");
  EXPECT_EQ(FindHelpText("obj_license", help), 0);
  EXPECT_STREQ(help.text, "");

  ASSERT_EQ(Set("English"), 1);
  EXPECT_EQ(FindHelpText("agreement", help), 1);
  EXPECT_STREQ(help.text, "Common agreement.");
}

TEST_F(LanguageFiles, HelpBlocksAreReadWithTheTextFileRules) {
  WriteFile("data/language/help.txt",
            "@ file comment\r\n"
            "\\host_nm@ a note for translators\r\n"
            "\r\n"
            "\tFirst line,\r\n"
            "a \\inside a line\r\n"
            "\r\n"
            "\\agreement\nAgree.\n\n\n"
            "\\empty\n"
            "\\long\n" +
                std::string(3000, 'x'));
  HelpText help;
  EXPECT_EQ(FindHelpText("host_nm", help), 1);
  EXPECT_STREQ(help.text, " First line,\na \\inside a line");
  EXPECT_EQ(FindHelpText("agreement", help), 1);
  EXPECT_STREQ(help.text, "Agree.");
  EXPECT_EQ(FindHelpText("empty", help), 1);
  EXPECT_STREQ(help.text, "");
  EXPECT_EQ(FindHelpText("long", help), 1);
  EXPECT_EQ(std::strlen(help.text), static_cast<size_t>(HELP_TEXT_SIZE - 1));
  // The first block whose key begins with the key asked for wins; its text starts after that key.
  EXPECT_EQ(FindHelpText("host", help), 1);
  EXPECT_STREQ(help.text, "_nm@ a note for translators\n\n First line,\na \\inside a line");
  // A key is looked for after every "\", inside a line too; the block then runs to the next
  // "\" at the start of a line.
  EXPECT_EQ(FindHelpText("inside", help), 1);
  EXPECT_STREQ(help.text, " a line");
}

TEST_F(LanguageFiles, HelpTextsCarryTheCodePageOfTheTranslation) {
  WriteFile("data/language/help_Greek.txt", "\\agreement\nSymfonia.\n");
  WriteLanguage("Greek", "tx_codepage=1253\n");
  ASSERT_EQ(Set("Greek"), 1);
  HelpText help;
  EXPECT_EQ(FindHelpText("agreement", help), 1);
  EXPECT_EQ(help.codePage, 6);
}

// ---- The help screen ----

TEST_F(LanguageFiles, TheHelpScreenAcceptsClosesOrIgnoresKeysByMode) {
  WriteFile("data/language/help.txt", "\\agreement\nAgree.\n");
  Prss owner{};
  Prss_Init(&owner, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);

  struct Case {
    int mode;
    int key;
    bool closes;
    bool accepts;
  } cases[] = {{HELP_MODE_OK, 13, true, true},          {HELP_MODE_OK, 27, true, false},
               {HELP_MODE_OK_CANCEL, 'Q', true, false},  {HELP_MODE_OK_CANCEL, 'X', true, false},
               {HELP_MODE_OK, 'A', false, false},        {HELP_MODE_NO_BUTTONS, 13, false, false},
               {HELP_MODE_NO_BUTTONS, 27, false, false}};
  for (const Case& c : cases) {
    Prss* process = LoadHelpText(&owner, "Agreement", "agreement", c.mode);
    HelpScreen* screen = reinterpret_cast<HelpScreen*>(process);
    EXPECT_EQ(CurrentProcess, process);
    EXPECT_STREQ(screen->title, "Agreement");
    EXPECT_STREQ(screen->help.text, "Agree.");
    process->key(process, c.key);
    EXPECT_EQ(process->alive == 0, c.closes) << c.mode << " " << c.key;
    EXPECT_EQ(screen->accepted != 0, c.accepts) << c.mode << " " << c.key;
    if (!c.closes) process->terminate(process);
    EXPECT_EQ(CurrentProcess, &owner);
    EXPECT_EQ(process->act(process), nullptr);  // frees itself once closed
  }

  Prss* process = LoadHelpText(&owner, "Licence", "missing", HELP_MODE_OK_CANCEL);
  EXPECT_STREQ(reinterpret_cast<HelpScreen*>(process)->help.text, "");
  EXPECT_EQ(process->act(process), process);
  HelpScreenOk(process, 1, 0);
  EXPECT_EQ(reinterpret_cast<HelpScreen*>(process)->accepted, 1);
  EXPECT_EQ(process->act(process), nullptr);
  process = LoadHelpText(&owner, "Licence", "missing", HELP_MODE_OK_CANCEL);
  HelpScreenCancel(process, 1, 0);
  EXPECT_EQ(reinterpret_cast<HelpScreen*>(process)->accepted, 0);
  EXPECT_EQ(process->act(process), nullptr);
  CurrentProcess = nullptr;
}

namespace {

Prss* HelpOwnerAct(Prss* p) {
  Prss_ActSub(p);
  return p;
}

// The live controls of the frame whose text is text.
const ValueControl* LiveControl(const char* text) {
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.owner && c.minimum.text && std::string(c.minimum.text) == text) return &c;
  }
  return nullptr;
}

}  // namespace

TEST_F(LanguageFiles, TheHelpScreenLaysItsTextOverABoxAndClosesWithItsButtons) {
  WriteFile("data/language/help.txt", "\\host_nm\nThe name others see.\n\nA second paragraph.\n");
  ResetInterfaceState();
  ScreenWidth = 800;
  ScreenHeight = 600;
  FrameSkipped = 0;
  Prss owner{};
  Prss_Init(&owner, nullptr, HelpOwnerAct, nullptr, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(&owner);

  // Opened by a help button (a row's VALUE_TYPE_HELP control), it has one "OK" in the corner.
  OpenHelpSub(&owner, 1, reinterpret_cast<uintptr_t>("host_nm"));
  ASSERT_NE(owner.sub, nullptr);
  HelpScreen* screen = reinterpret_cast<HelpScreen*>(owner.sub);
  ClearInterface();
  owner.act(&owner);
  const ValueControl* ok = LiveControl("OK");
  ASSERT_NE(ok, nullptr);
  EXPECT_FLOAT_EQ(ok->left, -1.0f);
  EXPECT_FLOAT_EQ(ok->top, 0.85f);
  EXPECT_EQ(LiveControl("cancel"), nullptr);
  ClickControl(*ok);
  EXPECT_EQ(screen->accepted, 1);
  owner.act(&owner);
  EXPECT_EQ(owner.sub, nullptr) << "a click closes it";
  EXPECT_EQ(CurrentProcess, &owner);

  // Mode 2 has "cancel" and "OK"; cancel closes without accepting.  Mode 1 has none.
  Prss* help = LoadHelpText(&owner, "Host", "host_nm", HELP_MODE_OK_CANCEL);
  Prss_AddSub(&owner, help);
  ClearInterface();
  owner.act(&owner);
  ASSERT_NE(LiveControl("OK"), nullptr);
  const ValueControl* cancel = LiveControl("cancel");
  ASSERT_NE(cancel, nullptr);
  ClickControl(*cancel);
  EXPECT_EQ(reinterpret_cast<HelpScreen*>(help)->accepted, 0);
  owner.act(&owner);
  EXPECT_EQ(owner.sub, nullptr);
  help = LoadHelpText(&owner, "Host", "host_nm", HELP_MODE_NO_BUTTONS);
  Prss_AddSub(&owner, help);
  ClearInterface();
  owner.act(&owner);
  EXPECT_EQ(LiveControl("OK"), nullptr);
  EXPECT_EQ(LiveControl("cancel"), nullptr);
  help->terminate(help);
  owner.act(&owner);
  CurrentProcess = nullptr;
  ResetInterfaceState();
}
