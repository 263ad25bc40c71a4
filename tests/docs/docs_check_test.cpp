// docs_check_test.cpp - the documentation check on made-up trees (each fault found, named once)
// and on the repository itself: its pages' pictures against the screen states of the list, and
// its links.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "race/race.h"
#include "tests/docs/docs_check.h"
#include "tools/screenshots/screen_states.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A fresh tree under the test's scratch folder.
fs::path MadeUpTree(const std::string& name) {
  const fs::path root = fs::absolute("docs_check") / name;
  fs::remove_all(root);
  fs::create_directories(root);
  return root;
}

const std::set<std::string> STATES = {"entry", "garage", "options"};

fs::path SourceRoot() {
  const char* source = std::getenv("ZKT_SOURCE_DIR");
  return source ? fs::path(source) : fs::path();
}

std::string Lines(const std::vector<std::string>& findings) {
  std::string out;
  for (const std::string& f : findings) out += f + "\n";
  return out;
}

}  // namespace

TEST(DocsCheck, AcceptsPagesWhosePicturesAndLinksAreAllThere) {
  const fs::path root = MadeUpTree("sound");
  WriteFile(root / "README.md", "![The entry](docs/pictures/entry.png)\nSee [the guide](docs/guide/index.md).\n");
  WriteFile(root / "docs/guide/index.md",
            "![garage](../pictures/garage.png \"the garage\")\n[back](../../README.md#top) "
            "[web](https://example.invalid/x.md) [here](#pages) [folder](../guide)\n");
  WriteFile(root / "docs/pictures/entry.png", "png");
  WriteFile(root / "docs/pictures/garage.png", "png");
  EXPECT_EQ(Lines(CheckDocsPictures(root, STATES)), "");
  EXPECT_EQ(Lines(CheckDocsLinks(root)), "");
  EXPECT_EQ(DocsPages(root), (std::vector<std::string>{"README.md", "docs/guide/index.md"}));
}

TEST(DocsCheck, NamesEachPictureWithoutAStateOrAFileAndEachPictureNoPageShows) {
  const fs::path root = MadeUpTree("pictures");
  WriteFile(root / "README.md", "![gone](docs/pictures/credits.png)\n![kept](docs/pictures/entry.png)\n");
  WriteFile(root / "docs/guide/a.md", "![missing](../pictures/garage.png)\n");
  WriteFile(root / "docs/pictures/entry.png", "png");
  WriteFile(root / "docs/pictures/options.png", "png");    // a state, but no page shows it
  WriteFile(root / "docs/pictures/old_page.png", "png");   // no state of that name
  WriteFile(root / "docs/guide/stray.png", "png");         // beside a page, not where the script writes
  EXPECT_EQ(Lines(CheckDocsPictures(root, STATES)),
            "README.md: shows credits.png, which is no screen state of the list\n"
            "docs/guide/a.md: shows garage.png, which is not in docs/pictures\n"
            "docs/guide/stray.png: outside docs/pictures, where the picture script writes\n"
            "docs/pictures/old_page.png: no screen state of the list has its name\n"
            "docs/pictures/options.png: no page shows it\n");
}

TEST(DocsCheck, NamesEachLinkThatReachesNoFile) {
  const fs::path root = MadeUpTree("links");
  WriteFile(root / "README.md", "[guide](docs/guide/index.md) [arch](docs/architecture.md#layers)\n");
  WriteFile(root / "docs/guide/index.md", "[start](start.md) [wrong folder](pictures/entry.png)\n");
  WriteFile(root / "docs/pictures/entry.png", "png");
  EXPECT_EQ(Lines(CheckDocsLinks(root)),
            "README.md: links to docs/architecture.md#layers, which is not there\n"
            "docs/guide/index.md: links to start.md, which is not there\n"
            "docs/guide/index.md: links to pictures/entry.png, which is not there\n");
}

TEST(DocsCheck, NamesEachHookTheTableMissesInventsOrListsOutOfOrder) {
  const fs::path root = MadeUpTree("hooks");
  WriteFile(root / "app/app.cpp",
            "void Other() {\n  Ignored();\n}\n\nvoid InstallShellHooks() {\n  InstallA();\n  HookB = BodyB;\n"
            "  InstallC();\n  InstallD();\n}\n");
  const std::string head = "# Architecture\n\n| installed | its body | fills |\n|---|---|---|\n";
  WriteFile(root / "docs/architecture.md",
            head + "| `InstallA` | a | x |\n| `HookB` | b | y |\n| `InstallC` | c | z |\n| `InstallD` | d | w |\n\ntext\n");
  EXPECT_EQ(Lines(CheckArchitectureHooks(root)), "");
  WriteFile(root / "docs/architecture.md",
            head + "| `HookB` | b | y |\n| `InstallA` | a | x |\n| `InstallGone` | g | v |\n| `InstallD` | d | w |\n");
  EXPECT_EQ(Lines(CheckArchitectureHooks(root)),
            "docs/architecture.md: the hook table does not list InstallC\n"
            "docs/architecture.md: the hook table lists InstallGone, which InstallShellHooks does not install\n"
            "docs/architecture.md: the hook table lists HookB where InstallShellHooks installs InstallA\n");
}

// The guide's pages are README.md and docs/guide; a bold text names a button or row unless it
// leads a paragraph in, a code span holds no bold or key, and a bold text may wrap.
TEST(DocsCheck, ReadsTheButtonsAndKeysTheGuideNames) {
  const fs::path root = MadeUpTree("quotes");
  WriteFile(root / "README.md", "Click **LOAD** (or Ctrl+O) and **SAVE**; Escape leaves.\n");
  WriteFile(root / "docs/guide/a.md",
            "**Keys.** Shift+click adds, hold Shift+Ctrl and drag, **Messages:** none.\n"
            "- **CHECK if vehicle is\n  valid** and `**not bold** Ctrl+Q`, Alt+F4, Ctrl+Foo, Shift+X.\n");
  WriteFile(root / "docs/architecture.md", "**A new screen.** **not the guide**\n");
  std::vector<std::string> buttons, keys;
  for (const GuideQuote& q : GuideButtons(root)) buttons.push_back(q.page + ":" + std::to_string(q.line) + " " + q.text);
  for (const GuideQuote& q : GuideKeys(root)) keys.push_back(q.page + ":" + std::to_string(q.line) + " " + q.text);
  EXPECT_EQ(buttons, (std::vector<std::string>{"README.md:1 LOAD", "README.md:1 SAVE",
                                               "docs/guide/a.md:2 CHECK if vehicle is valid"}));
  EXPECT_EQ(keys, (std::vector<std::string>{"README.md:1 Ctrl+O", "README.md:1 Escape", "docs/guide/a.md:3 Alt+F4",
                                            "docs/guide/a.md:3 Ctrl+Foo", "docs/guide/a.md:3 Shift+X"}));
  EXPECT_EQ(Lines(CheckGuideKeys(GuideKeys(root), LookupKeyName)), "docs/guide/a.md:3: Ctrl+Foo is no key of the keyboard\n");
}

// A quoted button is found as a shown text, or as a row's text before its value (a figure, or
// " : " and a word); the list of unreached buttons only shrinks.
TEST(DocsCheck, FindsEachQuotedButtonAmongTheShownTexts) {
  const std::set<std::string> shown = {"LOAD", "Fuel tank size 45.0 litres", "auto mirror : OFF", "load scm", "H"};
  const auto quote = [](const char* text) { return GuideQuote{"docs/guide/a.md", 7, text}; };
  const std::vector<UnreachedButton> unreached = {{"delete tube", "a tube selected"}, {"gone", "x"}, {"H", "y"}};
  EXPECT_EQ(Lines(CheckGuideButtons({quote("LOAD"), quote("Fuel tank size"), quote("auto mirror"), quote("load"),
                                     quote("Fuel tank"), quote("delete tube"), quote("H")},
                                    shown, unreached)),
            "docs/guide/a.md:7: **load** is no button or row of any screen state\n"
            "docs/guide/a.md:7: **Fuel tank** is no button or row of any screen state\n"
            "**gone** is listed as unreached, but the guide no longer names it\n"
            "**H** is listed as unreached, but a screen state shows it now\n");
  EXPECT_EQ(KeysPressedBySteps({"click next; /press ESCAPE", "/ctrl O; type a", "/shift L; click l", "/press D"}),
            (std::set<std::string>{"Escape", "Ctrl+O", "Shift+L", "D"}));
}

TEST(Docs, TheHookTableListsWhatTheShellInstallsInOrder) {
  ASSERT_FALSE(SourceRoot().empty()) << "ZKT_SOURCE_DIR is not set";
  EXPECT_EQ(Lines(CheckArchitectureHooks(SourceRoot())), "");
}

TEST(Docs, EveryPictureIsAScreenStateThePictureScriptMakesAndAPageShows) {
  ASSERT_FALSE(SourceRoot().empty()) << "ZKT_SOURCE_DIR is not set";
  std::set<std::string> states;
  for (const ScreenState& s : ScreenStates) states.insert(s.name);
  EXPECT_EQ(Lines(CheckDocsPictures(SourceRoot(), states)), "")
      << "tools/screenshots/docs_pictures.sh remakes docs/pictures from the pages";
  EXPECT_FALSE(DocsPages(SourceRoot()).empty());
}

TEST(Docs, EveryLinkOfThePagesReachesAFile) {
  ASSERT_FALSE(SourceRoot().empty()) << "ZKT_SOURCE_DIR is not set";
  EXPECT_EQ(Lines(CheckDocsLinks(SourceRoot())), "");
}

// Each key the guide names is a key of the keyboard.  Whether it does on its screen what the
// page says is tried only for the keys the screen states press (the walk of the layout check
// reaches their states); the others are listed.
TEST(Docs, EveryKeyTheGuideNamesIsAKey) {
  ASSERT_FALSE(SourceRoot().empty()) << "ZKT_SOURCE_DIR is not set";
  const std::vector<GuideQuote> keys = GuideKeys(SourceRoot());
  EXPECT_GT(keys.size(), 30u) << "the guide's keys were not read";
  EXPECT_EQ(Lines(CheckGuideKeys(keys, LookupKeyName)), "");
  std::vector<std::string> steps;
  for (const ScreenState& s : ScreenStates) steps.push_back(s.steps);
  const std::set<std::string> pressed = KeysPressedBySteps(steps);
  std::set<std::string> untried;
  for (const GuideQuote& q : keys)
    if (!pressed.contains(q.text)) untried.insert(q.text);
  std::string list;
  for (const std::string& key : untried) list += " " + key;
  std::printf("keys the guide names that no screen state presses:%s\n", list.c_str());
}
