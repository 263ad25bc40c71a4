// docs_check.cpp - the documentation's pictures and links held to the repository.
#include "tests/docs/docs_check.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The targets of a page's links and pictures: "[text](target)" and "![alt](target)", with an
// optional title after the target.
std::vector<std::string> LinkTargets(const std::string& page) {
  static const std::regex LINK(R"(\]\(([^)\s]+)(\s+"[^"]*")?\))");
  std::vector<std::string> targets;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), LINK); it != std::sregex_iterator(); ++it)
    targets.push_back((*it)[1].str());
  return targets;
}

// The states a page shows: the names of pictures/<name>.png it links to.
std::set<std::string> ShownStates(const std::string& page) {
  static const std::regex PICTURE(R"(^(.*/)?pictures/([^/]+)\.png$)");
  std::set<std::string> names;
  for (const std::string& target : LinkTargets(page)) {
    std::smatch m;
    if (std::regex_match(target, m, PICTURE)) names.insert(m[2].str());
  }
  return names;
}

bool IsOutsideLink(const std::string& target) {
  return target.starts_with("http://") || target.starts_with("https://") || target.starts_with("mailto:") ||
         target.starts_with("#");
}

}  // namespace

std::vector<std::string> DocsPages(const fs::path& root) {
  std::vector<std::string> pages;
  if (fs::is_regular_file(root / "README.md")) pages.push_back("README.md");
  std::vector<std::string> docs;
  if (fs::is_directory(root / "docs"))
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root / "docs"))
      if (e.is_regular_file() && e.path().extension() == ".md")
        docs.push_back(fs::relative(e.path(), root).generic_string());
  std::sort(docs.begin(), docs.end());
  pages.insert(pages.end(), docs.begin(), docs.end());
  return pages;
}

std::vector<std::string> CheckDocsPictures(const fs::path& root, const std::set<std::string>& states) {
  std::vector<std::string> findings;
  std::set<std::string> shown;
  for (const std::string& page : DocsPages(root)) {
    for (const std::string& name : ShownStates(ReadWhole(root / page))) {
      shown.insert(name);
      if (!states.contains(name))
        findings.push_back(page + ": shows " + name + ".png, which is no screen state of the list");
      else if (!fs::is_regular_file(root / "docs" / "pictures" / (name + ".png")))
        findings.push_back(page + ": shows " + name + ".png, which is not in docs/pictures");
    }
  }
  std::vector<std::string> pictures;
  if (fs::is_directory(root / "docs"))
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root / "docs"))
      if (e.is_regular_file() && e.path().extension() == ".png")
        pictures.push_back(fs::relative(e.path(), root).generic_string());
  std::sort(pictures.begin(), pictures.end());
  for (const std::string& picture : pictures) {
    const fs::path path(picture);
    const std::string name = path.stem().string();
    if (path.parent_path() != fs::path("docs/pictures"))
      findings.push_back(picture + ": outside docs/pictures, where the picture script writes");
    else if (!states.contains(name))
      findings.push_back(picture + ": no screen state of the list has its name");
    else if (!shown.contains(name))
      findings.push_back(picture + ": no page shows it");
  }
  return findings;
}

std::vector<std::string> CheckDocsLinks(const fs::path& root) {
  std::vector<std::string> findings;
  for (const std::string& page : DocsPages(root)) {
    const fs::path folder = (root / page).parent_path();
    for (std::string target : LinkTargets(ReadWhole(root / page))) {
      if (IsOutsideLink(target)) continue;
      const std::string written = target;
      if (const size_t anchor = target.find('#'); anchor != std::string::npos) target.resize(anchor);
      if (!fs::exists(folder / target)) findings.push_back(page + ": links to " + written + ", which is not there");
    }
  }
  return findings;
}

std::vector<std::string> CheckArchitectureHooks(const fs::path& root) {
  std::vector<std::string> installed, listed, findings;
  {
    std::istringstream app(ReadWhole(root / "app/app.cpp"));
    static const std::regex STATEMENT(R"(^\s+([A-Za-z_]\w*)(\(\);| = ))");
    bool inside = false;
    for (std::string line; std::getline(app, line);) {
      if (line.starts_with("void InstallShellHooks() {")) inside = true;
      else if (inside && line.starts_with("}")) break;
      else if (std::smatch m; inside && std::regex_search(line, m, STATEMENT)) installed.push_back(m[1].str());
    }
  }
  {
    std::istringstream page(ReadWhole(root / "docs/architecture.md"));
    static const std::regex ROW(R"(^\| `([A-Za-z_]\w*)` \|)");
    bool inside = false;
    for (std::string line; std::getline(page, line);) {
      if (line.starts_with("| installed |")) inside = true;
      else if (inside && !line.starts_with("|")) break;
      else if (std::smatch m; inside && std::regex_search(line, m, ROW)) listed.push_back(m[1].str());
    }
  }
  auto has = [](const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  for (const std::string& name : installed)
    if (!has(listed, name)) findings.push_back("docs/architecture.md: the hook table does not list " + name);
  for (const std::string& name : listed)
    if (!has(installed, name))
      findings.push_back("docs/architecture.md: the hook table lists " + name + ", which InstallShellHooks does not install");
  // The order of the names both have.
  std::vector<std::string> both, order;
  for (const std::string& name : listed)
    if (has(installed, name)) both.push_back(name);
  for (const std::string& name : installed)
    if (has(listed, name)) order.push_back(name);
  for (size_t i = 0; i < both.size(); ++i)
    if (both[i] != order[i]) {
      findings.push_back("docs/architecture.md: the hook table lists " + both[i] + " where InstallShellHooks installs " +
                         order[i]);
      break;
    }
  if (installed.empty()) findings.push_back("app/app.cpp: no InstallShellHooks found");
  return findings;
}
