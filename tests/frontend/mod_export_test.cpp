// mod_export_test.cpp - a sample vehicle of the build checked and exported as a mod: the
// problems of crafted cars, the test export stepped frame by frame and read back by the
// loader and the texture table, the upload packed by the real 7zr, the share copy, the
// texture files, and every way an export can fail.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/log.h"
#include "core/report.h"
#include "frontend/mod_export.h"
#include "model/model_file.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "render/texture_files.h"
#include "render/texture_names.h"
#include "render/texture_table.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/png_test_util.h"
#include "text/text_colours.h"
#include "vehicle/car_load.h"
#include "vehicle/car_skins.h"
#include "vehicle_data/vehicle_file.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* SOURCE = "Testcar";
constexpr uint8_t MOD_ID[3] = {0x12, 0x34, 0x56};

fs::path Work() {
  const char* work = std::getenv("ZKT_WORK_DIR");
  return work ? work : "work";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> g_lines;
std::vector<ReportColour> g_colours;  // each line's colour
std::vector<int> g_sounds;            // the interface sounds played

bool Said(const std::string& part) {
  for (const std::string& line : g_lines)
    if (line.find(part) != std::string::npos) return true;
  return false;
}

// The lines of the log in force (a test may have moved it) that hold part.
int LoggedLines(const std::string& part) {
  std::ifstream in(CurrentLogPath());
  int n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(part) != std::string::npos;
  return n;
}

// Steps an export to its end as the editor's frames would; the number of frames it took.
int RunExport() {
  int frames = 0;
  for (; ExportMod() && frames < 60000; ++frames) ClockSleepMs(1);  // the packer runs meanwhile
  return frames;
}

class ModExport : public NullRenderer {
 protected:
  ReportSink saved{};
  Car* car = nullptr;
  void SetUp() override {
    NullRenderer::SetUp();
    for (const char* folder : {"data", "mods", "share", "export", "bin", "elsewhere"}) {
      std::error_code error;  // a folder a failed test left read-only is removed all the same
      fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, error);
      fs::remove_all(folder);
    }
    fs::remove("cover.png");
    for (const char* folder : {"data/veh", "data/engine", "data/png", "data/skins_dds", "bin"}) fs::create_directories(folder);
    fs::copy_file(Work() / "data/engine/DEFAULT.eng", "data/engine/DEFAULT.eng");
    for (const char* page : {"sample_page.png", "sample_glass_ALP.png"})
      fs::copy_file(Work() / "data/png" / page, fs::path("data/png") / page);
    if (fs::exists("/usr/bin/7zr")) fs::create_symlink("/usr/bin/7zr", "bin/7zr");
    SetDefaultTextColours();
    InitSinCosTables();
    g_lines.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour colour, int) {
      g_lines.push_back(text);
      g_colours.push_back(colour);
    };
    sink.sound = [](int index) { g_sounds.push_back(index); };
    g_sounds.clear();
    g_colours.clear();
    saved = InstallReportSink(sink);
    KeepUnmirrored = NoModPath = 0;
    PackerTimeLimitMs = 120000;
    // The sample saloon with a mod's Skin ID, written as the vehicle being edited.
    fs::copy_file(Work() / "data/veh/Runabout.veh", "data/veh/Runabout.veh");
    Car sample;
    ASSERT_EQ(sample.LoadVehicle("Runabout", Args()), 1);
    std::memcpy(sample.shortCode, MOD_ID, 3);
    sample.shortCode[3] = 0;
    for (int i = 0; i < sample.colourConfigCount; ++i)  // the sample leaves one unnamed
      if (!sample.colourConfigs[i].name[0]) std::snprintf(sample.colourConfigs[i].name, COLOUR_SET_NAME_SIZE, "plain%d", i);
    ASSERT_EQ(WriteVehicleFile(sample, SOURCE, nullptr, 1), 1);
    car = Load(SOURCE);
    ASSERT_NE(car, nullptr);
    car->position.z = 65536;  // standing on the ground, as the editor places it
    // Its default skins, made from a sample page.
    std::string png = ReadAll("data/png/sample_page.png");
    texconv::Blob dds;
    ASSERT_EQ(ConvertImageToDds(png.data(), png.size(), texconv::FORMAT_BC1_UNORM, &dds), 1);
    for (int i = 0; i < car->colourConfigCount; ++i) {
      if (!car->colourConfigs[i].name[0]) continue;
      WriteBytes(fs::path("data/skins_dds") / (std::string(car->shortName) + "_" + car->colourConfigs[i].name + ".dds"),
                 std::string(reinterpret_cast<const char*>(dds.data()), dds.size()));
    }
    ModExportCar = car;
    std::snprintf(TestExportFolder, sizeof TestExportFolder, "%s", fs::current_path().c_str());
  }
  void TearDown() override {
    CancelModExport();
    ModExportCar = nullptr;
    delete car;
    InstallReportSink(saved);
    TestExportFolder[0] = 0;
  }
  static VehicleLoadArgs Args() { return VehicleLoadArgs{0, 0, 0, nullptr, 0, nullptr, 0, {}, 1, nullptr, 0}; }
  static Car* Load(const char* name) {
    Car* c = new Car;
    if (c->LoadVehicle(name, Args())) return c;
    delete c;
    return nullptr;
  }
  static fs::path ModFolder(const fs::path& root, const char* mod) { return root / "mods/vehicles" / mod; }
  // Every regular file under a folder, by its path relative to it.
  static std::vector<std::string> Files(const fs::path& root) {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root))
      if (entry.is_regular_file()) out.push_back(fs::relative(entry.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
  }
  int Problems(int forUpload = 0) {
    g_lines.clear();
    return ListModProblems(*car, forUpload);
  }
};

}  // namespace

TEST_F(ModExport, NamesOfModsAndTheTexturesAModelNeeds) {
  char name[MOD_NAME_SIZE];
  ASSERT_EQ(NextModName(name, sizeof name, "Testcar", "mods\\vehicles"), 1);
  EXPECT_STREQ(name, "Testcar~001");
  EXPECT_EQ(IsModVehicleName(name), 1);
  fs::create_directories("mods/vehicles/Testcar~007");
  fs::create_directories("mods/vehicles/Testcar~1234");  // not one of ours: more digits
  ASSERT_EQ(NextModName(name, sizeof name, "Testcar~003", "mods\\vehicles"), 1) << "a mod's own suffix is replaced";
  EXPECT_STREQ(name, "Testcar~008");
  // A short name is padded to a mod name; a long one cut so that the number fits 31 characters.
  ASSERT_EQ(NextModName(name, sizeof name, "Go", "mods\\vehicles"), 1);
  EXPECT_STREQ(name, "Go__~001");
  EXPECT_EQ(IsModVehicleName(name), 1);
  ASSERT_EQ(NextModName(name, sizeof name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "mods\\vehicles"), 1);
  EXPECT_STREQ(name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0~001");
  fs::create_directories("mods/vehicles/Full~999");
  EXPECT_EQ(NextModName(name, sizeof name, "Full", "mods\\vehicles"), 0) << "no number left";
  fs::create_directories("mods/vehicles/Nearly~998");
  ASSERT_EQ(NextModName(name, sizeof name, "Nearly", "mods\\vehicles"), 1);
  EXPECT_STREQ(name, "Nearly~999") << "the last number is still free";
  // A packed mod ("<mod>.7z") holds its number as its folder does.
  WriteBytes("mods/vehicles/Packed~012.7z", "archive");
  ASSERT_EQ(NextModName(name, sizeof name, "Packed", "mods\\vehicles"), 1);
  EXPECT_STREQ(name, "Packed~013");
  // Names that would leave their folder are refused.
  for (const char* bad : {"../evil", "a/b", "C:car", "..", ""}) EXPECT_EQ(NextModName(name, sizeof name, bad, "mods\\vehicles"), 0) << bad;

  // The pages of the body and the spoke object: each name once, no skin or special pages.
  TextureNameList* list = new TextureNameList{};
  ASSERT_EQ(CollectObjectTextureNames(*car->model, *list), 1);
  ASSERT_EQ(CollectObjectTextureNames(car->spoke, *list), 1);
  std::vector<std::string> names(list->names, list->names + list->count);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"sample_glass_ALP", "sample_page"}));
  delete list;

  // The list holds 512 names: a model of 512 pages fits, one of 513 is refused and said.
  std::vector<TexturePage> pages(513);
  for (int i = 0; i < 513; ++i) std::snprintf(pages[size_t(i)].name, MODEL_NAME_SIZE, "page%d", i % 1000);
  ModelObject object{};
  object.pages = pages.data();
  object.pageCount = 512;
  list = new TextureNameList{};
  EXPECT_EQ(CollectObjectTextureNames(object, *list), 1);
  EXPECT_EQ(list->count, 512);
  delete list;
  object.pageCount = 513;
  list = new TextureNameList{};
  g_lines.clear();
  EXPECT_EQ(CollectObjectTextureNames(object, *list), 0);
  EXPECT_TRUE(Said("Too many texture names (limit 512)"));
  delete list;
}

// The base of a mod name needs 28 bytes (27 characters and a zero), the whole name 32; a
// buffer one byte short gets nothing and is left empty.
TEST_F(ModExport, AModNameNeedsRoomForItsLongestForm) {
  char out[MOD_NAME_SIZE];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(ModBaseName(out, 28, "Testcar~003"), 1);
  EXPECT_STREQ(out, "Testcar");
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(ModBaseName(out, 27, "Testcar"), 0);
  EXPECT_EQ(out[0], 0);
  // 27 characters stay whole; the padding stops at four.
  EXPECT_EQ(ModBaseName(out, sizeof out, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0"), 1);
  EXPECT_STREQ(out, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0");
  EXPECT_EQ(ModBaseName(out, sizeof out, "Abc"), 1);
  EXPECT_STREQ(out, "Abc_");
  EXPECT_EQ(ModBaseName(out, sizeof out, "Abcd"), 1);
  EXPECT_STREQ(out, "Abcd");
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(NextModName(out, MOD_NAME_SIZE - 1, "Testcar", "mods\\vehicles"), 0);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(NextModName(out, MOD_NAME_SIZE, "Testcar", "mods\\vehicles"), 1);
  EXPECT_STREQ(out, "Testcar~001");
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(ModBaseName(out, 1, "Testcar"), 0);
  EXPECT_EQ(out[0], 0) << "a buffer of one byte is left empty";
  EXPECT_EQ(out[1], 'x');
  out[0] = 'x';
  EXPECT_EQ(NextModName(out, 1, "Testcar", "mods\\vehicles"), 0);
  EXPECT_EQ(out[0], 0);
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(ModBaseName(out, 0, "Testcar"), 0);
  EXPECT_EQ(NextModName(out, 0, "Testcar", "mods\\vehicles"), 0);
  EXPECT_EQ(out[0], 'x') << "a buffer of no bytes is not written";
}

// The search for a mod's numbers is "<folder>\\<base>~*" and must fit a path of 259
// characters.  With "Testcar" the pattern is the folder's length plus 10 (the backslash, the
// seven letters, the tilde and the star): a folder of 249 characters still fits, one of 250
// makes it 260 and no name is offered rather than one found by a cut pattern.
TEST_F(ModExport, AModsFolderWhoseSearchWouldNotFitAPathGetsNoName) {
  char name[MOD_NAME_SIZE];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(NextModName(name, sizeof name, "Testcar", std::string(250, 'm').c_str()), 0);
  EXPECT_EQ(name[0], 0);
  ASSERT_EQ(NextModName(name, sizeof name, "Testcar", std::string(249, 'm').c_str()), 1);
  EXPECT_STREQ(name, "Testcar~001");
}

TEST_F(ModExport, TheCheckListsEachProblemOfACraftedCarAndNothingOnASoundOne) {
  EXPECT_EQ(Problems(), 0) << (g_lines.empty() ? "" : g_lines[0]);
  EXPECT_TRUE(Said("Vehicle is valid for mod export"));
  EXPECT_EQ(g_colours.back(), REPORT_SUCCESS);
  float megapixels = 0;
  EXPECT_EQ(car->CheckTextures(&megapixels), 0);
  EXPECT_GT(megapixels, 0.0f);

  car->inertiaStatus = 2;
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Moment of inertia error (2)"));
  car->inertiaStatus = INERTIA_VALID;

  const int32_t z = car->position.z;
  car->position.z = -100 * 65536;
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("The reference point is not above 0"));
  car->position.z = z;

  // A missing texture, then also one that is not a picture.
  fs::rename("data/png/sample_page.png", "data/png/kept.png");
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("There was an error with one of the textures (click the H button for more info)"));
  EXPECT_TRUE(Said("sample_page : file not found"));
  WriteBytes("data/png/sample_glass_ALP.png", "\x89PNG not really");
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("There were errors with 2 of the textures"));
  EXPECT_EQ(car->CheckTextures(&megapixels), 2);
  fs::rename("data/png/kept.png", "data/png/sample_page.png");
  fs::copy_file(Work() / "data/png/sample_glass_ALP.png", "data/png/sample_glass_ALP.png", fs::copy_options::overwrite_existing);

  // A default skin gone.
  const std::string skin = std::string(car->shortName) + "_" + car->colourConfigs[0].name;
  fs::remove(fs::path("data/skins_dds") / (skin + ".dds"));
  EXPECT_EQ(CheckVehicleSkins(*car), 1);
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Default skin not found : " + skin));
  // Only the car's own configurations count (a named one past the last has no skin either),
  // and a name used twice is one skin.
  const int configs = car->colourConfigCount;
  ASSERT_GE(configs, 2);
  ASSERT_LT(configs, VEHICLE_MAX_COLOUR_CONFIGS);
  std::snprintf(car->colourConfigs[configs].name, COLOUR_SET_NAME_SIZE, "unused");
  EXPECT_EQ(CheckVehicleSkins(*car), 1);
  // Nor is such a name refused as one that could leave its folder: it is not the car's.
  std::snprintf(car->colourConfigs[configs].name, COLOUR_SET_NAME_SIZE, "a/b");
  EXPECT_EQ(UnsafeModName(*car), nullptr);
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Default skin not found : " + skin));
  EXPECT_FALSE(Said("name can not be used in a mod"));
  car->colourConfigs[configs].name[0] = 0;
  char second[COLOUR_SET_NAME_SIZE];
  std::memcpy(second, car->colourConfigs[1].name, COLOUR_SET_NAME_SIZE);
  std::memcpy(car->colourConfigs[1].name, car->colourConfigs[0].name, COLOUR_SET_NAME_SIZE);
  EXPECT_EQ(CheckVehicleSkins(*car), 1) << "the missing skin named twice";
  std::memcpy(car->colourConfigs[1].name, second, COLOUR_SET_NAME_SIZE);

  // A colour configuration without a name, and a built-in car's code instead of a mod's id.
  car->colourConfigs[0].name[0] = 0;
  std::memcpy(car->shortCode, "ABC", 4);
  EXPECT_EQ(Problems(), 2);
  EXPECT_TRUE(Said("Colour configurations need their own names"));
  EXPECT_TRUE(Said(std::string("Choose a skin file data/skins/") + car->shortName + "_<name>.jpg on the Colours tab"));
  EXPECT_TRUE(Said("Official Skin ID: get 6 hex digits (mod exchange)"));
  // A model that paints no skin page has no use for a skin's name.
  {
    ASSERT_NE(car->model->HasTypeOneMapping(), 0);
    std::vector<TexturePage*> skins;
    std::function<void(ModelObject&)> unskin = [&](ModelObject& o) {
      for (int i = 0; i < o.pageCount; ++i)
        if (o.pages[i].type == PAGE_SKIN) skins.push_back(&o.pages[i]);
      for (int i = 0; i < o.childCount; ++i) unskin(o.children[i]);
    };
    unskin(*car->model);
    for (TexturePage* page : skins) page->type = PAGE_FIXED;
    ASSERT_EQ(car->model->HasTypeOneMapping(), 0);
    EXPECT_EQ(Problems(), 1);
    EXPECT_FALSE(Said("Colour configurations need their own names"));
    for (TexturePage* page : skins) page->type = PAGE_SKIN;
  }
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  EXPECT_EQ(g_lines.back(), "Nothing was exported : the check found 2 problems");

  // A page or skin name that could leave its folder is refused, naming the vehicle.
  car->colourConfigs[0].name[0] = 'a';
  std::memcpy(car->shortCode, MOD_ID, 3);
  char page[MODEL_NAME_SIZE];
  std::memcpy(page, car->model->pages[0].name, MODEL_NAME_SIZE);
  std::snprintf(car->model->pages[0].name, MODEL_NAME_SIZE, "../evil");
  car->model->pages[0].type = PAGE_FIXED;
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Testcar : name can not be used in a mod : ../evil"));
  std::memcpy(car->model->pages[0].name, page, MODEL_NAME_SIZE);
  std::snprintf(car->colourConfigs[1].name, COLOUR_SET_NAME_SIZE, "a\\b");
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Testcar : name can not be used in a mod : a\\b"));

  // A name that could leave its folder is refused before anything else is looked at.
  std::snprintf(car->vehicleName, sizeof car->vehicleName, "../up");
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Vehicle name can not be used for a mod : ../up"));
  // Words 1 and 2 refuse to export such a car, and say so.
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_TEST);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_EQ(g_lines.back(), "Nothing was exported : the check found 1 problem");
  EXPECT_EQ(g_colours.back(), REPORT_ERROR);
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  EXPECT_EQ(ModExportRunning(), 0);
}

// The pages checked are the model's and the spoke object's: a spoke page whose picture is
// missing is a texture error of its own, and one whose name could leave its folder is refused.
TEST_F(ModExport, TheSpokeObjectsPagesAreCheckedAsTheModelsAre) {
  ASSERT_GT(car->spoke.pageCount, 0);
  TexturePage& page = car->spoke.pages[0];
  const TexturePage kept = page;
  std::memset(page.name, 0, MODEL_NAME_SIZE);
  std::snprintf(page.name, MODEL_NAME_SIZE, "spoke_only");
  page.type = PAGE_FIXED;
  float megapixels = 0;
  EXPECT_EQ(car->CheckTextures(&megapixels), 1);
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("spoke_only : file not found"));
  std::snprintf(page.name, MODEL_NAME_SIZE, "../spoke");
  const char* unsafe = UnsafeModName(*car);
  ASSERT_NE(unsafe, nullptr);
  EXPECT_STREQ(unsafe, "../spoke");
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Testcar : name can not be used in a mod : ../spoke"));
  page = kept;
}

// A Skin ID is a mod's when any one of its three bytes is no letter or digit, whichever byte
// that is: such a car passes the check.  Three letters are a built-in car's official code, and
// a code with an empty byte is none: the check says which, and what a mod needs.
TEST_F(ModExport, ASkinIdWithAnyOneByteNoLetterOrDigitIsAModsId) {
  for (const char* code : {"\x80" "BC", "A\x80" "C", "AB\x80"}) {
    std::memcpy(car->shortCode, code, 3);
    car->shortCode[3] = 0;
    EXPECT_EQ(Problems(), 0) << (g_lines.empty() ? "" : g_lines[0]);
    EXPECT_FALSE(Said("Skin ID:"));
  }
  std::memcpy(car->shortCode, "ABC", 4);
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("Official Skin ID: get 6 hex digits (mod exchange)"));
  std::memcpy(car->shortCode, "AB\0", 4);
  EXPECT_EQ(Problems(), 1);
  EXPECT_TRUE(Said("No mod Skin ID: get 6 hex digits (mod exchange)"));
  std::memcpy(car->shortCode, MOD_ID, 3);
}

// The names of an object tree: every page's name once (in any case), a name of one character
// too, the children's after the object's own, no empty names and no skin pages.  A child whose
// pages overflow the list fails the whole tree.
TEST_F(ModExport, TheTextureNamesOfAnObjectAndItsChildren) {
  TexturePage own[4] = {};
  std::snprintf(own[0].name, MODEL_NAME_SIZE, "x");
  std::snprintf(own[2].name, MODEL_NAME_SIZE, "X");
  std::snprintf(own[3].name, MODEL_NAME_SIZE, "painted");
  own[3].type = PAGE_SKIN;
  TexturePage childPages[1] = {};
  std::snprintf(childPages[0].name, MODEL_NAME_SIZE, "y");
  ModelObject child{};
  child.pages = childPages;
  child.pageCount = 1;
  ModelObject object{};
  object.pages = own;
  object.pageCount = 4;
  object.children = &child;
  object.childCount = 1;
  TextureNameList* list = new TextureNameList{};
  EXPECT_EQ(CollectObjectTextureNames(object, *list), 1);
  EXPECT_EQ(std::vector<std::string>(list->names, list->names + list->count), (std::vector<std::string>{"x", "y"}));
  delete list;
  std::vector<TexturePage> many(513);
  for (int i = 0; i < 513; ++i) std::snprintf(many[size_t(i)].name, MODEL_NAME_SIZE, "many%d", i);
  child.pages = many.data();
  child.pageCount = 513;
  list = new TextureNameList{};
  EXPECT_EQ(CollectObjectTextureNames(object, *list), 0) << "the child's overflow";
  delete list;
}

// Of several names that could leave their folder, the first is named, however short: the
// model's pages in their order before the colour configurations, and those from the first on.
TEST_F(ModExport, TheFirstUnsafeNameIsTheOneNamed) {
  ASSERT_GE(car->model->pageCount, 2);
  ASSERT_GE(car->colourConfigCount, 2);
  TexturePage* pages = car->model->pages;
  const TexturePage first = pages[0], second = pages[1];
  const ColourSet colours0 = car->colourConfigs[0], colours1 = car->colourConfigs[1];
  const auto name = [](char* field, int size, const char* text) {
    std::memset(field, 0, size_t(size));
    std::snprintf(field, size_t(size), "%s", text);
  };
  name(pages[0].name, MODEL_NAME_SIZE, "/");
  name(pages[1].name, MODEL_NAME_SIZE, "../two");
  pages[0].type = pages[1].type = PAGE_FIXED;
  name(car->colourConfigs[1].name, COLOUR_SET_NAME_SIZE, "c/d");
  const char* unsafe = UnsafeModName(*car);
  ASSERT_NE(unsafe, nullptr);
  EXPECT_STREQ(unsafe, "/");
  pages[0] = first;
  pages[1] = second;
  unsafe = UnsafeModName(*car);
  ASSERT_NE(unsafe, nullptr);
  EXPECT_STREQ(unsafe, "c/d");
  name(car->colourConfigs[0].name, COLOUR_SET_NAME_SIZE, "a/b");
  unsafe = UnsafeModName(*car);
  ASSERT_NE(unsafe, nullptr);
  EXPECT_STREQ(unsafe, "a/b");
  car->colourConfigs[0] = colours0;
  car->colourConfigs[1] = colours1;
  EXPECT_EQ(UnsafeModName(*car), nullptr);
}

// A colour configuration named with one character has its default skin looked for like any
// other; a missing texture is written to the log with its reason.
TEST_F(ModExport, AOneCharacterSkinIsCheckedAndAMissingTextureLogged) {
  ASSERT_GE(car->colourConfigCount, 1);
  const ColourSet colours0 = car->colourConfigs[0];
  std::memset(car->colourConfigs[0].name, 0, COLOUR_SET_NAME_SIZE);
  car->colourConfigs[0].name[0] = 'r';
  g_lines.clear();
  EXPECT_EQ(CheckVehicleSkins(*car), 1);
  EXPECT_TRUE(Said("Default skin not found : " + std::string(car->shortName) + "_r"));
  car->colourConfigs[0] = colours0;
  const char* logged = "texture check : sample_page - file not found";
  const int before = LoggedLines(logged);
  fs::rename("data/png/sample_page.png", "data/png/kept.png");
  EXPECT_EQ(car->CheckTextures(nullptr), 1);
  fs::rename("data/png/kept.png", "data/png/sample_page.png");
  EXPECT_EQ(LoggedLines(logged), before + 1);
}

TEST_F(ModExport, TheTestExportIsSteppedAndReadsBackAsTheSource) {
  WriteBytes("cover.png", ReadAll("data/png/sample_page.png"));
  // The driver on the left: loaded for a right-hand drive this car would be mirrored.
  {
    Car plain;
    ASSERT_EQ(plain.LoadVehicle(SOURCE, Args()), 1);
    ASSERT_LT(plain.driverPosition.x, 0.0f);
    ASSERT_EQ(plain.mirrored, 1);
  }
  CheckModForExport(nullptr, 0, MOD_TEST);
  ASSERT_EQ(ModExportRunning(), 1);
  ASSERT_EQ(ExportMod(), 1);
  ASSERT_NE(ModExportLoadedCar(), nullptr);
  EXPECT_EQ(ModExportLoadedCar()->mirrored, 0) << "a mirrored twin stays a twin";
  EXPECT_EQ(KeepUnmirrored, 0) << "the flag is set around the load only";
  EXPECT_GE(RunExport(), 5) << "one step a frame";
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_STREQ(ModExportName, "Testcar~001");
  // The end is told in the colour of success, naming the mod's folder as it is on disk: the
  // test export's folder (here the working folder), then mods/vehicles/<mod name>.
  {
    const std::string told = "Mod exported : " + fs::current_path().string() + "/mods/vehicles/Testcar~001";
    const size_t at = static_cast<size_t>(std::find(g_lines.begin(), g_lines.end(), told) - g_lines.begin());
    ASSERT_LT(at, g_lines.size()) << "not told: " << told;
    EXPECT_EQ(g_colours[at], REPORT_SUCCESS);
  }
  EXPECT_EQ(ExportNameTable, nullptr);
  EXPECT_EQ(VehicleExportPath, nullptr);

  const fs::path mod = ModFolder(fs::current_path(), "Testcar~001");
  const std::string skin = std::string(car->shortName) + "_";
  std::vector<std::string> files = Files(mod);
  EXPECT_EQ(files.front(), "Testcar~001.veh");
  EXPECT_NE(std::find(files.begin(), files.end(), "cover.png"), files.end());
  EXPECT_NE(std::find(files.begin(), files.end(), "engine/DEFAULT.eng"), files.end());
  EXPECT_EQ(ReadAll(mod / "engine/DEFAULT.eng"), ReadAll("data/engine/DEFAULT.eng"));
  EXPECT_FALSE(fs::exists(mod.string() + ".partial"));
  // Each named colour set's default skin, "<short name>_<set name>.dds", copied as it is.
  int skins = 0;
  for (int i = 0; i < car->colourConfigCount; ++i) {
    const char* name = car->colourConfigs[i].name;
    if (!name[0]) continue;
    const std::string file = skin + std::string(name, strnlen(name, COLOUR_SET_NAME_SIZE)) + ".dds";
    ASSERT_TRUE(fs::exists(mod / "skins_dds" / file)) << file;
    EXPECT_EQ(ReadAll(mod / "skins_dds" / file), ReadAll(fs::path("data/skins_dds") / file)) << file;
    ++skins;
  }
  EXPECT_GT(skins, 0);

  // The loader reads it by its name, from the mod folder.
  Car* exported = Load("Testcar~001");
  ASSERT_NE(exported, nullptr);
  EXPECT_EQ(exported->isMod, 1);
  // Its file is the source's but for the renamed pages: named back, both write the same body.
  std::vector<std::string> renamed;
  TextureNameList* sourceNames = new TextureNameList{};
  CollectObjectTextureNames(*car->model, *sourceNames);
  CollectObjectTextureNames(car->spoke, *sourceNames);
  // A renamed page is "<Skin ID>~<name>", cut in its middle to 19 characters.
  auto original = [&](const std::string& page) -> std::string {
    for (int i = 0; i < sourceNames->count; ++i) {
      const std::string full = std::string(car->shortName) + "~" + sourceNames->names[i];
      if (full == page || (full.size() > 19 && page == full.substr(0, 15) + full.substr(full.size() - 4))) return sourceNames->names[i];
    }
    return "";
  };
  // Each page whose name was cut is told with the name it has in the mod; a whole one is not.
  int cut = 0;
  for (int i = 0; i < sourceNames->count; ++i) {
    const std::string name = sourceNames->names[i], full = std::string(car->shortName) + "~" + name;
    const bool shortened = full.size() > 19;
    cut += shortened;
    EXPECT_EQ(Said(name + " exported as"), shortened) << name;
    if (shortened) {
      EXPECT_TRUE(Said(name + " exported as " + full.substr(0, 15) + full.substr(full.size() - 4))) << name;
    }
  }
  EXPECT_GT(cut, 0) << "the sample has a page whose name is cut";
  EXPECT_LT(cut, sourceNames->count) << "and one whose name is whole";
  std::function<void(ModelObject&)> nameBack = [&](ModelObject& o) {
    for (int i = 0; i < o.pageCount; ++i) {
      TexturePage& page = o.pages[i];
      if (page.type == PAGE_SKIN || IsSpecialTextureName(page.name) || !page.name[0]) continue;
      const std::string name = original(page.name);
      EXPECT_FALSE(name.empty()) << page.name << " is renamed";
      renamed.push_back(page.name);
      std::memset(page.name, 0, MODEL_NAME_SIZE);
      std::snprintf(page.name, MODEL_NAME_SIZE, "%s", name.c_str());
    }
    for (int i = 0; i < o.childCount; ++i) nameBack(o.children[i]);
  };
  ASSERT_NE(exported->model, nullptr);
  // The texture table finds every renamed page in the mod's own folder.
  nameBack(*exported->model);
  nameBack(exported->spoke);
  delete sourceNames;
  ASSERT_FALSE(renamed.empty());
  for (const std::string& name : renamed) {
    std::snprintf(TextureConfig.textureModName, sizeof TextureConfig.textureModName, "Testcar~001");
    ZKTETexture* texture = GetTexture(name.c_str(), 3);
    TextureConfig.textureModName[0] = 0;
    ASSERT_NE(texture, nullptr) << name;
    EXPECT_EQ(texture->state, TEXTURE_OWNED) << name << ": no placeholder";
    FreeTextureRecord(texture);
  }
  Car* source = Load(SOURCE);
  ASSERT_NE(source, nullptr);
  std::vector<uint8_t> a, b;
  ASSERT_EQ(WriteVehicleBody(*exported, SOURCE, 1, a), 1);
  ASSERT_EQ(WriteVehicleBody(*source, SOURCE, 1, b), 1);
  size_t differ = 0;
  while (differ < std::min(a.size(), b.size()) && a[differ] == b[differ]) ++differ;
  EXPECT_TRUE(a == b) << "the mod's vehicle is the source's; sizes " << a.size() << " " << b.size() << ", first difference at "
                      << differ;
  delete exported;
  delete source;

  // A second export counts up; the first stays as it was.
  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  EXPECT_STREQ(ModExportName, "Testcar~002");
  EXPECT_TRUE(fs::exists(ModFolder(fs::current_path(), "Testcar~002") / "Testcar~002.veh"));
  EXPECT_TRUE(fs::exists(mod / "Testcar~001.veh"));

  // A following save goes to data/veh again.
  ASSERT_EQ(WriteVehicleFile(*car, "Aftersave", nullptr, 1), 1);
  EXPECT_TRUE(fs::exists("data/veh/Aftersave.veh"));
}

// Work folders left by crashes that differ from the mod's only in case: names are looked up
// without regard to case, the smallest name first.  The export removes the first at its start,
// writes into the second and moves that into place; once placed there is no work folder left
// to remove, so the third, which is not the export's, stays as it is.
TEST_F(ModExport, APlacedModLeavesAnotherWorkFolderOfTheSameNameInAnotherCase) {
  CheckModForExport(nullptr, 0, MOD_TEST);
  ASSERT_EQ(ModExportRunning(), 1);
  ASSERT_STREQ(ModExportName, "Testcar~001");
  const fs::path vehicles = "mods/vehicles";
  WriteBytes(vehicles / "TESTCAR~001.PARTIAL/a.txt", "one");
  WriteBytes(vehicles / "Testcar~001.PARTIAL/b.txt", "two");
  WriteBytes(vehicles / "testcar~001.partial/c.txt", "three");
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_TRUE(fs::exists(vehicles / "Testcar~001/Testcar~001.veh"));
  EXPECT_FALSE(fs::exists(vehicles / "TESTCAR~001.PARTIAL"));
  EXPECT_FALSE(fs::exists(vehicles / "Testcar~001.PARTIAL"));
  EXPECT_EQ(ReadAll(vehicles / "testcar~001.partial/c.txt"), "three");
  fs::remove_all(vehicles / "testcar~001.partial");
  fs::remove_all(vehicles / "Testcar~001");
}

// A default skin kept only as its JPG picture is converted to its DDS on the way (the DDS
// left in data/skins_dds too) and goes into the mod with the others.
TEST_F(ModExport, ASkinKeptOnlyAsAJpgIsConvertedIntoTheMod) {
  int first = 0;
  while (first < car->colourConfigCount && !car->colourConfigs[first].name[0]) ++first;
  ASSERT_LT(first, car->colourConfigCount);
  const char* set = car->colourConfigs[first].name;
  const std::string skin = std::string(car->shortName) + "_" + std::string(set, strnlen(set, COLOUR_SET_NAME_SIZE));
  fs::remove(fs::path("data/skins_dds") / (skin + ".dds"));
  fs::path jpg;
  for (const auto& entry : fs::directory_iterator(Work() / "data/skins"))
    if (entry.path().extension() == ".jpg") jpg = entry.path();
  ASSERT_FALSE(jpg.empty()) << "the build's sample skins";
  fs::create_directories("data/skins");
  fs::copy_file(jpg, fs::path("data/skins") / (skin + ".jpg"));
  ASSERT_EQ(Problems(), 0) << (g_lines.empty() ? "" : g_lines[0]);

  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  const fs::path made = fs::path("data/skins_dds") / (skin + ".dds");
  ASSERT_TRUE(fs::exists(made)) << "converted from the JPG";
  const fs::path copied = ModFolder(fs::current_path(), ModExportName) / "skins_dds" / (skin + ".dds");
  ASSERT_TRUE(fs::exists(copied)) << copied;
  EXPECT_EQ(ReadAll(copied).substr(0, 4), "DDS ");
  EXPECT_EQ(ReadAll(copied), ReadAll(made));
}

// The source's steering and seat animations ("str_" and "sit_" with the car's animation
// name) go into the mod's "move" folder as they are.
TEST_F(ModExport, TheDriversAnimationFilesAreCopiedIntoTheMod) {
  ASSERT_STREQ(car->steerAnimation, "saloon");
  fs::create_directories("data/move");
  for (const char* file : {"str_saloon.ban", "sit_saloon.ban"})
    fs::copy_file(Work() / "data/move" / file, fs::path("data/move") / file);
  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  const fs::path mod = ModFolder(fs::current_path(), "Testcar~001");
  for (const char* file : {"str_saloon.ban", "sit_saloon.ban"}) {
    ASSERT_TRUE(fs::exists(mod / "move" / file)) << file;
    EXPECT_EQ(ReadAll(mod / "move" / file), ReadAll(fs::path("data/move") / file)) << file;
    EXPECT_FALSE(ReadAll(mod / "move" / file).empty()) << file;
  }
}

// Two pages whose "<Skin ID>~<name>" cut to 19 characters read the same: the second takes
// two digits before its last four characters, so that each page has a file of its own.
// An engine and a driver's animation named with one character each are copied like any other.
TEST_F(ModExport, OneCharacterEngineAndAnimationNamesAreCopiedToo) {
  std::snprintf(car->engineName, sizeof car->engineName, "%s", "E");
  std::snprintf(car->steerAnimation, sizeof car->steerAnimation, "%s", "s");
  ASSERT_EQ(WriteVehicleFile(*car, SOURCE, nullptr, 1), 1);
  fs::copy_file("data/engine/DEFAULT.eng", "data/engine/E.eng");
  fs::create_directories("data/move");
  fs::copy_file(Work() / "data/move/str_saloon.ban", "data/move/str_s.ban");
  fs::copy_file(Work() / "data/move/sit_saloon.ban", "data/move/sit_s.ban");
  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  const fs::path mod = ModFolder(fs::current_path(), "Testcar~001");
  EXPECT_FALSE(ReadAll(mod / "engine/E.eng").empty());
  EXPECT_TRUE(ReadAll(mod / "engine/E.eng") == ReadAll("data/engine/E.eng"));
  for (const char* file : {"str_s.ban", "sit_s.ban"}) {
    EXPECT_FALSE(ReadAll(mod / "move" / file).empty()) << file;
    EXPECT_TRUE(ReadAll(mod / "move" / file) == ReadAll(fs::path("data/move") / file)) << file;
  }
}

TEST_F(ModExport, PagesWhoseCutNamesClashGetNumberedNames) {
  const char* first = "abcdefghijk_one_ALP";
  const char* second = "abcdefghijk_two_ALP";
  std::function<void(ModelObject&)> rename = [&](ModelObject& o) {
    for (int i = 0; i < o.pageCount; ++i) {
      TexturePage& page = o.pages[i];
      const char* to = std::strcmp(page.name, "sample_page") == 0        ? first
                       : std::strcmp(page.name, "sample_glass_ALP") == 0 ? second
                                                                          : nullptr;
      if (!to) continue;
      std::memset(page.name, 0, MODEL_NAME_SIZE);
      std::snprintf(page.name, MODEL_NAME_SIZE, "%s", to);
    }
    for (int i = 0; i < o.childCount; ++i) rename(o.children[i]);
  };
  ASSERT_NE(car->model, nullptr);
  rename(*car->model);
  rename(car->spoke);
  ASSERT_EQ(WriteVehicleFile(*car, SOURCE, nullptr, 1), 1);
  for (const char* name : {first, second})
    fs::copy_file("data/png/sample_glass_ALP.png", fs::path("data/png") / (std::string(name) + ".png"));

  // Worked by hand: the first 15 characters and the last 4 of each full name.
  const auto cut = [&](const char* name) {
    const std::string full = std::string(car->shortName) + "~" + name;
    return full.size() > 19 ? full.substr(0, 15) + full.substr(full.size() - 4) : full;
  };
  ASSERT_EQ(cut(first), cut(second)) << "the test needs a clash";
  const std::string one = cut(first), other = one.substr(0, 13) + "00" + one.substr(15);

  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  const fs::path dds = ModFolder(fs::current_path(), "Testcar~001") / "dds";
  std::vector<std::string> files = Files(dds);
  std::vector<std::string> expected = {one + ".dds", other + ".dds"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files, expected);
  // Both cut names are told, the numbered one as it is in the mod.
  EXPECT_TRUE(Said(std::string(first) + " exported as " + one));
  EXPECT_TRUE(Said(std::string(second) + " exported as " + other));
}

// One name and the hundred numbered ones, 00 to 99, are all a clash can be given: a hundred
// and one pages whose cut names clash all get files of their own.
TEST_F(ModExport, AHundredAndOnePagesWhoseCutNamesClashGetNumbers00To99) {
  ASSERT_NE(car->model, nullptr);
  const TexturePage* glass = nullptr;
  for (int i = 0; i < car->model->pageCount; ++i)
    if (std::strcmp(car->model->pages[i].name, "sample_glass_ALP") == 0) glass = &car->model->pages[i];
  ASSERT_NE(glass, nullptr);
  const TexturePage record = *glass;
  // Spread over every object, none holding more than 64 pages.
  std::vector<ModelObject*> objects = {car->model};
  for (int i = 0; i < car->model->childCount; ++i) objects.push_back(&car->model->children[i]);
  objects.push_back(&car->spoke);
  std::vector<std::string> names;
  for (int n = 0; n <= 100; ++n) {
    char name[MODEL_NAME_SIZE] = {};
    std::snprintf(name, sizeof name, "abcdefghijk_%03d_ALP", n);
    names.push_back(name);
  }
  size_t placed = 0;
  for (ModelObject* object : objects) {
    while (placed < names.size() && object->pageCount < 64) {
      TexturePage page = record;
      std::memset(page.name, 0, MODEL_NAME_SIZE);
      std::snprintf(page.name, MODEL_NAME_SIZE, "%s", names[placed].c_str());
      object->AddPage(&page);
      ++placed;
    }
  }
  ASSERT_EQ(placed, names.size()) << "the objects need room for 101 pages";
  ASSERT_EQ(WriteVehicleFile(*car, SOURCE, nullptr, 1), 1);
  for (const std::string& name : names)
    fs::copy_file("data/png/sample_glass_ALP.png", fs::path("data/png") / (name + ".png"));

  // Worked by hand: the first 15 characters and the last 4 of each full name, the same for all.
  const auto cut = [&](const std::string& name) {
    const std::string full = std::string(car->shortName) + "~" + name;
    return full.size() > 19 ? full.substr(0, 15) + full.substr(full.size() - 4) : full;
  };
  const std::string one = cut(names[0]);
  for (const std::string& name : names) ASSERT_EQ(cut(name), one) << "the test needs every name to clash";

  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  const fs::path dds = ModFolder(fs::current_path(), "Testcar~001") / "dds";
  // The first keeps the cut name, the other hundred have 00 .. 99 in characters 14 and 15.
  std::vector<std::string> expected = {one + ".dds"};
  for (int n = 0; n <= 99; ++n) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02d", n);
    expected.push_back(one.substr(0, 13) + digits + one.substr(15) + ".dds");
  }
  for (const std::string& file : expected) EXPECT_TRUE(fs::exists(dds / file)) << file;
  int clashing = 0;  // the files of the hundred and one pages, nothing else of theirs
  for (const std::string& file : Files(dds)) clashing += file.compare(0, 13, one, 0, 13) == 0;
  EXPECT_EQ(clashing, 101);
}

// The share copy does not check first: a name of the car that cannot be a file name ends the
// export when it builds the car, naming the vehicle and the name.
TEST_F(ModExport, AnUnsafeNameEndsTheShareCopyNamingIt) {
  ASSERT_GT(car->colourConfigCount, 0);
  std::memset(car->colourConfigs[0].name, 0, COLOUR_SET_NAME_SIZE);
  std::memcpy(car->colourConfigs[0].name, "a/b", 3);
  CheckModForExport(nullptr, 0, MOD_SHARE);
  RunExport();
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("Testcar : name can not be used in a mod : a/b")) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_FALSE(fs::exists("share/mods/vehicles/Testcar~001"));
}

TEST_F(ModExport, TheUploadIsPackedByThePackerAndUnpacksByteForByte) {
  if (!fs::exists("/usr/bin/7zr")) GTEST_SKIP() << "7zr (package p7zip) is not installed";
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  ASSERT_EQ(ModExportRunning(), 1);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  const fs::path archive = fs::path("export") / "Testcar~001.7z";
  ASSERT_TRUE(fs::exists(archive));
  EXPECT_FALSE(fs::exists("export/Testcar~001.partial")) << "the staging folder is removed";
  EXPECT_EQ(std::system(("/usr/bin/7zr t -bd '" + archive.string() + "' > /dev/null").c_str()), 0);
  fs::create_directories("unpacked");
  fs::remove_all("unpacked");
  ASSERT_EQ(std::system(("/usr/bin/7zr x -bd -y -ounpacked '" + archive.string() + "' > /dev/null").c_str()), 0);
  // The same export made into the test folder gives the same files, byte for byte.
  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE);
  const fs::path unpacked = "unpacked/mods/vehicles/Testcar~001";
  const fs::path local = ModFolder(fs::current_path(), ModExportName);
  std::vector<std::string> files = Files(unpacked);
  ASSERT_GE(files.size(), 4u);
  for (const std::string& file : files) {
    std::string twin = file;
    if (twin == "Testcar~001.veh") twin = std::string(ModExportName) + ".veh";
    if (twin.find(".veh") == std::string::npos) EXPECT_EQ(ReadAll(unpacked / file), ReadAll(local / twin)) << file;
    else EXPECT_EQ(ReadAll(unpacked / file).size(), ReadAll(local / twin).size()) << file;
  }
  fs::remove_all("unpacked");

  // Exactly the upload's area is allowed: two 2000 x 1250 pages are 5 megapixels.
  const std::vector<uint8_t> limit(size_t(2000) * 1250 * 4, 128);
  ASSERT_TRUE(WritePng("data/png/sample_page.png", limit, 2000, 1250));
  ASSERT_TRUE(WritePng("data/png/sample_glass_ALP.png", limit, 2000, 1250));
  EXPECT_EQ(Problems(1), 0) << "5 megapixels is the limit itself";
  // Refused past the upload's area: two 2048 x 2048 pages are 8.4 megapixels.  The test
  // export does not count the area.
  const std::vector<uint8_t> big(size_t(2048) * 2048 * 4, 128);
  ASSERT_TRUE(WritePng("data/png/sample_page.png", big, 2048, 2048));
  ASSERT_TRUE(WritePng("data/png/sample_glass_ALP.png", big, 2048, 2048));
  EXPECT_EQ(Problems(0), 0);
  EXPECT_EQ(Problems(1), 1);
  EXPECT_TRUE(Said("Combined area of the png textures is 8.4 megapixels"));
  EXPECT_TRUE(Said("(maximum for upload is 5 megapixels)"));
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  EXPECT_EQ(ModExportRunning(), 0);
}

TEST_F(ModExport, ThePackerFailingIsToldAndLeavesNoArchive) {
  // Missing.
  fs::remove("bin/7zr");
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_TRUE(Said("packer bin\\7zr not found"));
  // There but not allowed to run: told once, the export ending there (no packer that never
  // ran is waited for and told about again).
  WriteBytes("bin/7zr", "#!/bin/sh\nexit 0\n");
  fs::permissions("bin/7zr", fs::perms::owner_read | fs::perms::owner_write);
  g_lines.clear();
  ModExportResult = MOD_EXPORT_NONE;
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  RunExport();
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("packer bin\\7zr could not be started : Permission denied")) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_EQ(std::count_if(g_lines.begin(), g_lines.end(),
                          [](const std::string& line) { return line.find("packer ") != std::string::npos; }),
            1);
  EXPECT_FALSE(fs::exists("export/Testcar~001.7z"));
  // Exiting non-zero: its first error line is told.
  WriteBytes("bin/7zr", "#!/bin/sh\necho 'working'\necho 'ERROR: disk is on fire' >&2\nexit 2\n");
  fs::permissions("bin/7zr", fs::perms::owner_all);
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  RunExport();
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("packer bin\\7zr failed (exit 2) : ERROR: disk is on fire")) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_FALSE(fs::exists("export/Testcar~001.7z"));
  EXPECT_FALSE(fs::exists("export/Testcar~001.partial"));
  // Killed at its limit, its partial archive removed.
  WriteBytes("bin/7zr", "#!/bin/sh\necho partial > ../Testcar~001.7z\nexec sleep 30\n");
  fs::permissions("bin/7zr", fs::perms::owner_all);
  PackerTimeLimitMs = 300;
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  RunExport();
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("did not finish in"));
  EXPECT_FALSE(fs::exists("export/Testcar~001.7z"));
  EXPECT_EQ(ExportNameTable, nullptr);
  EXPECT_EQ(VehicleExportPath, nullptr);
}

// The packer is stopped once its time is up, on the fake clock (each frame sleeps 1 ms): with
// a limit of 1 ms at the first poll, as with none at all; with 1998 ms 1997 frames later.
// The limit is told in whole seconds, 1998 ms as "1 s".
TEST_F(ModExport, ThePackerIsStoppedWhenItsTimeIsUp) {
  fs::remove("bin/7zr");  // the link to the real packer, never written through
  WriteBytes("bin/7zr", "#!/bin/sh\nexec sleep 30\n");
  fs::permissions("bin/7zr", fs::perms::owner_all);
  ClockUseFake(1000, WallTime{2026, 12, 9, 12, 0, 0, 0, 3});
  const auto run = [&](uint32_t limit) {
    PackerTimeLimitMs = limit;
    g_lines.clear();
    CheckModForExport(nullptr, 0, MOD_UPLOAD);
    EXPECT_EQ(ModExportRunning(), 1) << limit;
    const int frames = RunExport();
    EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED) << limit;
    return frames;
  };
  const int none = run(0);
  EXPECT_TRUE(Said("packer bin\\7zr did not finish in : 0 s")) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_EQ(run(1), none);
  EXPECT_EQ(run(1998), none + 1997);
  EXPECT_TRUE(Said("packer bin\\7zr did not finish in : 1 s")) << (g_lines.empty() ? "" : g_lines.back());
  ClockUseReal();
}

// A mod's folders are made one by one; the first that cannot be made is named and fails the
// export.
TEST_F(ModExport, AModFolderThatCannotBeMadeIsNamed) {
  WriteBytes("blocked/engine", "a file where the folder would go");
  g_lines.clear();
  ModExportResult = MOD_EXPORT_NONE;
  EXPECT_EQ(CreateModFolders("blocked"), 0);
  EXPECT_TRUE(Said("Could not write blocked\\engine")) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_FALSE(fs::exists("blocked/move")) << "no folder after the failed one";
  fs::remove_all("blocked");
  EXPECT_EQ(CreateModFolders("made"), 1);
  for (const char* sub : {"engine", "move", "dds", "skins_dds"}) EXPECT_TRUE(fs::is_directory(fs::path("made") / sub)) << sub;
  fs::remove_all("made");
}

// An upload whose staging folder cannot be made (a file stands where "export" would be) does
// not start, and names the folder.
TEST_F(ModExport, AnUploadWithoutItsStagingFolderDoesNotStart) {
  if (!fs::exists("/usr/bin/7zr")) GTEST_SKIP() << "7zr (package p7zip) is not installed";
  WriteBytes("export", "a file where the folder would go");
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("Could not write export\\Testcar~001.partial\\mods\\vehicles"))
      << (g_lines.empty() ? "" : g_lines.back());
  fs::remove("export");
}

// An export writes the car as it stood when it started, whatever happens to the car or its
// file meanwhile: a Skin ID changed after the start does not rename its pages, and the file
// removed is not missed.
TEST_F(ModExport, AnExportWritesTheCarAsItStoodWhenItStarted) {
  const std::string id = car->shortName;
  CheckModForExport(nullptr, 0, MOD_TEST);
  ASSERT_EQ(ModExportRunning(), 1);
  std::memcpy(car->shortCode, "ABC", 4);
  std::snprintf(car->shortName, sizeof car->shortName, "ABC");
  ASSERT_TRUE(fs::remove("data/veh/Testcar.veh"));
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_TRUE(fs::exists(ModFolder(fs::current_path(), "Testcar~001") / "dds" / (id + "~sample_page.dds")));
  EXPECT_EQ(ExportMod(), 0) << "with no export under way there is nothing to step";
}

TEST_F(ModExport, FailuresAndQuitsLeaveNoHalfModAndNothingInForce) {
  // A full disk while the vehicle file is written: the file is named, nothing is left where
  // the loader looks, and nothing of the export stays in force.
  FilesInjectCommitFailures(1, ENOSPC);
  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  FilesInjectCommitFailures(0, 0);
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("Could not write")) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_TRUE(Said("Testcar~001.veh"));
  EXPECT_TRUE(fs::is_empty("mods/vehicles"));
  EXPECT_EQ(ExportNameTable, nullptr);
  EXPECT_EQ(VehicleExportPath, nullptr);

  // A full disk when the first converted page is written: that page's file is named.  The
  // steps before it are the load, the vehicle file and the other files, a frame each.
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_TEST);
  for (int frame = 0; frame < 3; ++frame) ASSERT_EQ(ExportMod(), 1) << frame;
  FilesInjectCommitFailures(1, ENOSPC);
  EXPECT_EQ(ExportMod(), 0);
  FilesInjectCommitFailures(0, 0);
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  bool named = false;
  for (const std::string& line : g_lines)
    named = named || (line.find("Could not write") != std::string::npos && line.find(".dds") != std::string::npos);
  EXPECT_TRUE(named) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_TRUE(fs::is_empty("mods/vehicles"));

  // A folder that cannot be made (a file stands in its place), and a read-only one.
  WriteBytes("elsewhere/mods", "not a folder");
  std::snprintf(TestExportFolder, sizeof TestExportFolder, "%s/elsewhere", fs::current_path().c_str());
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_TEST);
  RunExport();
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("Could not write")) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_TRUE(Said("elsewhere"));
  fs::remove("elsewhere/mods");
  fs::create_directories("elsewhere/mods/vehicles");
  fs::permissions("elsewhere/mods/vehicles", fs::perms::owner_read | fs::perms::owner_exec);
  if (access("elsewhere/mods/vehicles", W_OK) != 0) {  // not for a user who writes anywhere
    g_lines.clear();
    CheckModForExport(nullptr, 0, MOD_TEST);
    RunExport();
    EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
    EXPECT_TRUE(Said("Could not write"));
  }
  fs::permissions("elsewhere/mods/vehicles", fs::perms::owner_all);
  EXPECT_TRUE(fs::is_empty("elsewhere/mods/vehicles"));

  // With every mod number taken the export does not start, and says so.
  fs::create_directories("elsewhere/mods/vehicles/Testcar~999");
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_TEST);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_TRUE(Said("no mod number left for Testcar")) << (g_lines.empty() ? "" : g_lines.back());
  fs::remove_all("elsewhere/mods/vehicles/Testcar~999");

  // A test folder not set is told before anything is checked.
  TestExportFolder[0] = 0;
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_TEST);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_EQ(g_lines, std::vector<std::string>{"Nothing was exported : the folder for TEST export is not set"});

  // A test folder that is not an absolute path is refused.
  std::snprintf(TestExportFolder, sizeof TestExportFolder, "relative");
  g_lines.clear();
  g_sounds.clear();
  fs::remove("export.log");
  SetLogFileName("export.log");
  const int logging = LoggingEnabled;
  LoggingEnabled = 1;
  CheckModForExport(nullptr, 0, MOD_TEST);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_TRUE(Said("absolute path"));
  EXPECT_EQ(g_sounds, std::vector<int>{3}) << "a failure plays the error sound";
  EXPECT_NE(ReadAll("export.log").find("the folder for TEST export must be an absolute path"), std::string::npos)
      << "and is logged";
  SetLogFileName("");
  LoggingEnabled = logging;

  // Quit mid-export: an existing mod of that name is kept, the partial folder removed.
  std::snprintf(TestExportFolder, sizeof TestExportFolder, "%s", fs::current_path().c_str());
  CheckModForExport(nullptr, 0, MOD_TEST);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(ExportMod(), 1);
  EXPECT_EQ(ExportNameTable, nullptr) << "only while the vehicle file is written";
  CancelModExport();
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_FALSE(fs::exists("mods/vehicles/Testcar~001.partial"));
  EXPECT_FALSE(fs::exists("mods/vehicles/Testcar~001"));
  EXPECT_EQ(ExportNameTable, nullptr);
  EXPECT_EQ(VehicleExportPath, nullptr);
  ASSERT_EQ(WriteVehicleFile(*car, "Aftersave", nullptr, 1), 1);
  EXPECT_TRUE(fs::exists("data/veh/Aftersave.veh")) << "a following save goes to data/veh";

  // A page that cannot be read stops the export (the share copy does not check first).
  fs::remove("data/png/sample_glass_ALP.png");
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_SHARE);
  RunExport();
  EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  EXPECT_TRUE(Said("sample_glass_ALP"));
  EXPECT_FALSE(fs::exists("share/mods/vehicles/Testcar~001"));
  EXPECT_FALSE(fs::exists("share/mods/vehicles/Testcar~001.partial"));
}

// A test export whose names are taken meanwhile still ends as a whole mod: a partial folder
// left by a crash is emptied before the files are written, a mod standing under the new name
// is set aside and replaced, and an older one set aside is removed.
TEST_F(ModExport, ATestExportReplacesWhatStandsUnderItsNames) {
  CheckModForExport(nullptr, 0, MOD_TEST);
  ASSERT_EQ(ModExportRunning(), 1);
  ASSERT_STREQ(ModExportName, "Testcar~001");
  const fs::path vehicles = fs::current_path() / "mods/vehicles";
  WriteBytes(vehicles / "Testcar~001.partial/stale.txt", "left by a crash");
  WriteBytes(vehicles / "Testcar~001/old.txt", "the mod standing");
  WriteBytes(vehicles / "Testcar~001.old/older.txt", "set aside before");
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  EXPECT_TRUE(fs::exists(vehicles / "Testcar~001/Testcar~001.veh"));
  EXPECT_FALSE(fs::exists(vehicles / "Testcar~001/stale.txt"));
  EXPECT_FALSE(fs::exists(vehicles / "Testcar~001/old.txt"));
  EXPECT_FALSE(fs::exists(vehicles / "Testcar~001.old"));
  EXPECT_FALSE(fs::exists(vehicles / "Testcar~001.partial"));
}

// The upload packs a fresh staging folder (what a crash left there is gone) and writes the
// packer's output to the log; a failed export is written to the log too.
TEST_F(ModExport, TheUploadPacksAFreshStagingFolderAndTheLogKeepsWhatHappened) {
  fs::remove("bin/7zr");
  // A packer that lists what it was given to pack beside the staging folder.
  WriteBytes("bin/7zr", "#!/bin/sh\nfind mods -type f | sort > ../listing.txt\necho 'packed it all'\n");
  fs::permissions("bin/7zr", fs::perms::owner_all);
  WriteBytes("export/Testcar~001.partial/mods/vehicles/Other~001/stale.txt", "left by a crash");
  const int packerLines = LoggedLines("packer output : packed it all");
  CheckModForExport(nullptr, 0, MOD_UPLOAD);
  ASSERT_EQ(ModExportRunning(), 1);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE) << (g_lines.empty() ? "" : g_lines.back());
  const std::string listing = ReadAll("export/listing.txt");
  EXPECT_NE(listing.find("mods/vehicles/Testcar~001/Testcar~001.veh"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("stale.txt"), std::string::npos) << listing;
  EXPECT_EQ(LoggedLines("packer output : packed it all"), packerLines + 1);

  const char* failed = "Nothing was exported : the folder for TEST export must be an absolute path";
  const int failures = LoggedLines(failed);
  std::snprintf(TestExportFolder, sizeof TestExportFolder, "%s", "relative");
  CheckModForExport(nullptr, 0, MOD_TEST);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_EQ(LoggedLines(failed), failures + 1);
}

// A packer that fails is told with its first line that names an error, even its very first
// line; failing without one, with its last line that holds anything, spaces and carriage
// returns cut.
TEST_F(ModExport, AFailedPackerIsToldWithItsErrorLineOrItsLastWords) {
  fs::remove("bin/7zr");
  const auto fail = [&](const char* script) {
    WriteBytes("bin/7zr", script);
    fs::permissions("bin/7zr", fs::perms::owner_all);
    g_lines.clear();
    CheckModForExport(nullptr, 0, MOD_UPLOAD);
    RunExport();
    EXPECT_EQ(ModExportResult, MOD_EXPORT_FAILED);
  };
  fail("#!/bin/sh\necho 'Error: no room'\necho 'then more'\nexit 2\n");
  EXPECT_TRUE(Said("packer bin\\7zr failed (exit 2) : Error: no room")) << (g_lines.empty() ? "" : g_lines.back());
  fail("#!/bin/sh\nprintf 'first\\r\\nlast words  \\r\\n\\n'\nexit 3\n");
  EXPECT_TRUE(Said("packer bin\\7zr failed (exit 3) : last words")) << (g_lines.empty() ? "" : g_lines.back());
}

TEST_F(ModExport, TheShareCopyAndTheTextureFiles) {
  CheckModForExport(nullptr, 0, MOD_SHARE);
  RunExport();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE);
  EXPECT_TRUE(fs::exists("share/mods/vehicles/Testcar~001/Testcar~001.veh"));

  TextureNameList* list = new TextureNameList{};
  list->count = 4;
  std::snprintf(list->names[0], MODEL_NAME_SIZE, "sample_page");
  std::snprintf(list->names[1], MODEL_NAME_SIZE, "sample_glass_ALP");
  std::snprintf(list->names[2], MODEL_NAME_SIZE, "photo");
  std::snprintf(list->names[3], MODEL_NAME_SIZE, "absent");
  WriteBytes("data/png/photo.jpg", "jpeg bytes");
  g_lines.clear();
  g_colours.clear();
  EXPECT_EQ(ExportModFiles(nullptr, *list, 0, 0), 1);
  EXPECT_TRUE(Said("Exported 2 .png and 1 .jpg to png_export (skip 0 / fail 1)"));
  EXPECT_TRUE(Said("Could not export absent")) << "each failed file is named";
  ASSERT_FALSE(g_colours.empty());
  EXPECT_EQ(g_colours.back(), REPORT_ERROR) << "a failed file makes the summary an error";
  EXPECT_EQ(g_colours.front(), REPORT_ERROR) << g_lines.front();
  EXPECT_EQ(ReadAll("data/png_export/sample_page.png"), ReadAll("data/png/sample_page.png"));
  EXPECT_EQ(ReadAll("data/png_export/photo.jpg"), "jpeg bytes");
  g_lines.clear();
  EXPECT_EQ(ExportModFiles(nullptr, *list, 0, 0), 1);
  EXPECT_TRUE(Said("Exported 0 .png and 0 .jpg to png_export (skip 3 / fail 1)")) << "unchanged sources are skipped";
  g_lines.clear();
  EXPECT_EQ(ExportModFiles(nullptr, *list, 1, 0), 1);
  EXPECT_TRUE(Said("Exported 2 .dds and 1 .jpg to dds_export (skip 0 / fail 1)"));
  std::string dds = ReadAll("data/dds_export/sample_glass_ALP.dds");
  ASSERT_GE(dds.size(), 128u);
  EXPECT_EQ(dds.substr(84, 4), "DXT3") << "an alpha name converts with alpha";
  EXPECT_EQ(ReadAll("data/dds_export/sample_page.dds").substr(84, 4), "DXT1");
  // Without a failure the summary is in the colour of success.
  list->count = 3;
  g_lines.clear();
  g_colours.clear();
  EXPECT_EQ(ExportModFiles(nullptr, *list, 0, 0), 0);
  ASSERT_EQ(g_lines.size(), 1u);
  EXPECT_EQ(g_lines[0], "Exported 0 .png and 0 .jpg to png_export (skip 3 / fail 0)");
  EXPECT_EQ(g_colours[0], REPORT_SUCCESS);
  delete list;

  // A vehicle name that cannot name a folder is refused, naming it.
  std::snprintf(car->vehicleName, sizeof car->vehicleName, "%s", "../evil");
  g_lines.clear();
  CheckModForExport(nullptr, 0, MOD_SHARE);
  EXPECT_EQ(ModExportRunning(), 0);
  EXPECT_TRUE(Said("Vehicle name can not be used for a mod : ../evil")) << (g_lines.empty() ? "" : g_lines.back());
}
