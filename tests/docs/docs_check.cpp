// docs_check.cpp - the documentation's pictures and links held to the repository.
#include "tests/docs/docs_check.h"

#include <algorithm>
#include <cctype>
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

// ---- The guide's buttons and keys ----

namespace {

int LineAt(const std::string& text, size_t offset) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// Code spans ("`...`") name files and commands: their letters are no bold marks or keys.
std::string WithoutCodeSpans(std::string text) {
  for (size_t at = text.find('`'); at != std::string::npos;) {
    const size_t end = text.find('`', at + 1);
    if (end == std::string::npos) break;
    for (size_t i = at; i <= end; ++i)
      if (text[i] != '\n') text[i] = ' ';
    at = text.find('`', end + 1);
  }
  return text;
}

}  // namespace

std::vector<std::string> GuidePages(const fs::path& root) {
  std::vector<std::string> pages;
  for (const std::string& page : DocsPages(root))
    if (page == "README.md" || page.starts_with("docs/guide/")) pages.push_back(page);
  return pages;
}

std::vector<GuideQuote> GuideButtons(const fs::path& root) {
  static const std::regex BOLD(R"(\*\*([^*]+?)\*\*)");
  std::vector<GuideQuote> quotes;
  for (const std::string& page : GuidePages(root)) {
    const std::string text = WithoutCodeSpans(ReadWhole(root / page));
    for (auto it = std::sregex_iterator(text.begin(), text.end(), BOLD); it != std::sregex_iterator(); ++it) {
      // One blank for each run of blanks and line breaks: a quote may wrap.
      std::string quoted;
      for (char c : (*it)[1].str())
        if (c != ' ' && c != '\n') quoted += c;
        else if (!quoted.empty() && quoted.back() != ' ') quoted += ' ';
      if ((quoted.ends_with(".") && quoted != "...") || quoted.ends_with(":")) continue;  // a paragraph's lead-in
      quotes.push_back({page, LineAt(text, size_t(it->position(0))), quoted});
    }
  }
  return quotes;
}

std::vector<GuideQuote> GuideKeys(const fs::path& root) {
  // A chord's last part is its key; a modifier there ("Shift+Ctrl" held for a drag) is none.
  static const std::regex KEY(
      R"(\b((?:(?:Ctrl|Shift|Alt)\+)+(?:F1[0-2]|F[1-9]|[A-Z0-9](?![A-Za-z0-9])|(?!Ctrl\b|Shift\b|Alt\b)[A-Z][a-z]+)|)"
      R"(Escape|Enter|Backspace|Tab|Space|F1[0-2]|F[1-9])\b)");
  std::vector<GuideQuote> quotes;
  for (const std::string& page : GuidePages(root)) {
    const std::string text = WithoutCodeSpans(ReadWhole(root / page));
    for (auto it = std::sregex_iterator(text.begin(), text.end(), KEY); it != std::sregex_iterator(); ++it)
      quotes.push_back({page, LineAt(text, size_t(it->position(0))), (*it)[1].str()});
  }
  return quotes;
}

const std::vector<UnreachedButton> GUIDE_BUTTONS_UNREACHED = {
    {"delete tube", "shown with a frame tube selected by a click on its unlabelled marker"},
    {"clr", "the selected tube's clear, shown with a frame tube selected"},
};

std::vector<std::string> CheckGuideButtons(const std::vector<GuideQuote>& quotes, const std::set<std::string>& shown,
                                           const std::vector<UnreachedButton>& unreached) {
  std::vector<std::string> findings;
  auto isShown = [&shown](const std::string& text) {
    if (shown.contains(text)) return true;
    // A row's text before its value: the text and a blank, then a figure or " : ".
    for (auto it = shown.lower_bound(text + " "); it != shown.end() && it->starts_with(text + " "); ++it) {
      const std::string rest = it->substr(text.size() + 1);
      if ((!rest.empty() && std::isdigit(static_cast<unsigned char>(rest[0]))) || rest.starts_with(": ")) return true;
    }
    return false;
  };
  std::set<std::string> unreachedQuoted;
  for (const GuideQuote& q : quotes) {
    const bool listed = std::any_of(unreached.begin(), unreached.end(),
                                    [&q](const UnreachedButton& u) { return q.text == u.text; });
    if (listed) unreachedQuoted.insert(q.text);
    else if (!isShown(q.text))
      findings.push_back(q.page + ":" + std::to_string(q.line) + ": **" + q.text +
                         "** is no button or row of any screen state");
  }
  for (const UnreachedButton& u : unreached)
    if (!unreachedQuoted.contains(u.text))
      findings.push_back("**" + std::string(u.text) + "** is listed as unreached, but the guide no longer names it");
    else if (isShown(u.text))
      findings.push_back("**" + std::string(u.text) + "** is listed as unreached, but a screen state shows it now");
  return findings;
}

std::vector<std::string> CheckGuideKeys(const std::vector<GuideQuote>& quotes, int (*keyCode)(const char* name)) {
  std::vector<std::string> findings;
  for (const GuideQuote& q : quotes) {
    const std::string key = q.text.substr(q.text.rfind('+') == std::string::npos ? 0 : q.text.rfind('+') + 1);
    const bool single = key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]));
    if (!single && keyCode(key.c_str()) <= 0)
      findings.push_back(q.page + ":" + std::to_string(q.line) + ": " + q.text + " is no key of the keyboard");
  }
  return findings;
}

std::set<std::string> KeysPressedBySteps(const std::vector<std::string>& steps) {
  static const std::regex KEY_STEP(R"((?:^|;)\s*/(press|ctrl|shift|alt)\s+([^;\s]+))");
  std::set<std::string> keys;
  for (const std::string& step : steps)
    for (auto it = std::sregex_iterator(step.begin(), step.end(), KEY_STEP); it != std::sregex_iterator(); ++it) {
      std::string key = (*it)[2].str();
      for (size_t i = 1; i < key.size(); ++i) key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
      const std::string word = (*it)[1].str();
      const std::string modifier = word == "ctrl" ? "Ctrl+" : word == "shift" ? "Shift+" : word == "alt" ? "Alt+" : "";
      keys.insert(modifier + key);
    }
  return keys;
}
