// docs_check.h - what keeps the documentation true to the repository: every picture a page
// shows is a screen state of the list (tools/screenshots/screen_states.cpp), which the picture
// script remakes, and is there; every picture in docs/ is such a state and some page shows it;
// every relative link of a page reaches a file; the architecture page's hook table lists what
// the shell installs, in its order; every button the guide names is shown by some screen state
// and every key it names is a key.
//
// The pages are README.md at the root and every .md file under docs/.  A page shows a picture
// as pictures/<state>.png (from README.md, docs/pictures/<state>.png).  Each finding is one
// line naming the page or the picture, the paths relative to the root.
#pragma once
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The pages' paths relative to root, in a fixed order (README.md first, then docs/ sorted).
std::vector<std::string> DocsPages(const std::filesystem::path& root);

// The pictures the pages show against the states and the files in docs/.
std::vector<std::string> CheckDocsPictures(const std::filesystem::path& root, const std::set<std::string>& states);

// Every link and picture of a page whose target is a relative path ("http:", "https:",
// "mailto:" and "#..." are not) reaches a file or folder; an anchor after "#" is left out.
std::vector<std::string> CheckDocsLinks(const std::filesystem::path& root);

// The first column of docs/architecture.md's hook table (the rows whose first cell is a name in
// backticks, after the header "| installed |") against the statements of InstallShellHooks in
// app/app.cpp ("Name();" or "Name = ...;"): each name installed but not listed, listed but not
// installed, or listed out of order.
std::vector<std::string> CheckArchitectureHooks(const std::filesystem::path& root);

// ---- The guide's buttons and keys ----
// The guide is README.md and the pages of docs/guide.  A button or row is named in bold
// ("**LOAD**"); bold text that ends with "." or ":" leads a paragraph in ("**Keys.**") and
// names nothing.  A key is named as a key of the keyboard: a letter, digit or key name after
// Ctrl+, Shift+ or Alt+ ("Ctrl+O", "Shift+Ctrl+Z", "Alt+F4"), or a key name standing alone
// ("Escape", "Enter", "Backspace", "Tab", "Space", "F1" ... "F12").
struct GuideQuote {
  std::string page;  // relative to the root
  int line;          // where the quote begins, from 1
  std::string text;  // UTF-8
};
std::vector<std::string> GuidePages(const std::filesystem::path& root);
std::vector<GuideQuote> GuideButtons(const std::filesystem::path& root);
std::vector<GuideQuote> GuideKeys(const std::filesystem::path& root);

// The buttons the guide names that no screen state can show, each with the reason: the walk
// clicks only what shows a text.
struct UnreachedButton {
  const char* text;
  const char* reason;
};
extern const std::vector<UnreachedButton> GUIDE_BUTTONS_UNREACHED;
// Each quoted button that is none of the shown texts (UTF-8, without colour codes): a button's or
// a row's text, or a row's text before its value ("Fuel tank size" of "Fuel tank size 45.0
// litres", "auto mirror" of "auto mirror : OFF").  A quote of the unreached list is not looked
// for; an entry of the list the guide no longer names, or one a state shows, is a finding too
// (the list only shrinks).
std::vector<std::string> CheckGuideButtons(const std::vector<GuideQuote>& quotes, const std::set<std::string>& shown,
                                           const std::vector<UnreachedButton>& unreached = GUIDE_BUTTONS_UNREACHED);
// The keys the screen states' steps press ("/press ESCAPE", "/ctrl O"), as the guide writes
// them ("Escape", "Ctrl+O"): those whose work the walk tries.
std::set<std::string> KeysPressedBySteps(const std::vector<std::string>& steps);
// Each quoted key whose name the keyboard has not: keyCode gives a key name's code, 0 for none.
std::vector<std::string> CheckGuideKeys(const std::vector<GuideQuote>& quotes, int (*keyCode)(const char* name));
