// docs_check.h - what keeps the documentation true to the repository: every picture a page
// shows is a screen state of the list (tools/screenshots/screen_states.cpp), which the picture
// script remakes, and is there; every picture in docs/ is such a state and some page shows it;
// every relative link of a page reaches a file; the architecture page's hook table lists what
// the shell installs, in its order.
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
