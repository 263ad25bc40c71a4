// name_lists.cpp - the setups, colours and installed mods the front end lists.
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"

NameList SetupList, ColourList, ModList;

namespace {

// The names of the pattern's entries (folders or files), without the first `skip`
// characters and the last `trim`, in name order.
void FillList(NameList& list, const char* what, const char* pattern, bool folders, size_t skip, size_t trim) {
  list.count = 0;
  std::vector<FoundFile> found;
  if (!FindFiles(pattern, found)) return;
  int left = 0;
  for (const FoundFile& entry : found) {
    if (entry.folder != folders || entry.name == "." || entry.name == "..") continue;
    if (entry.name.size() <= skip + trim) continue;
    const std::string name = entry.name.substr(skip, entry.name.size() - skip - trim);
    if (name.size() >= LIST_NAME_SIZE) continue;  // no file this program writes has such a name
    if (list.count == LIST_NAMES_MAX) {
      ++left;
      continue;
    }
    std::memcpy(list.names[list.count++], name.c_str(), name.size() + 1);
  }
  if (left) {
    char line[96];
    std::snprintf(line, sizeof line, "%d %s left out (at most %d)", left, what, LIST_NAMES_MAX);
    AddMessage(line, TextColours.error, MSG_TARGET_LOCAL);
  }
}

}  // namespace

void ListSetupsAndColours() {
  SetupList.count = ColourList.count = 0;
  if (!FindCurrentCarInfo()) return;  // no car of the table is selected
  char pattern[FILE_PATH_SIZE];
  const size_t prefix = std::strlen(CfgSelectedCar) + 1;  // "<car>_"
  if (MakeNamedPath(pattern, sizeof pattern, "data\\setups\\%s_*.set", CfgSelectedCar))
    FillList(SetupList, "setups", pattern, false, prefix, 4);
  if (MakeNamedPath(pattern, sizeof pattern, "data\\colours\\%s_*.col", CfgSelectedCar))
    FillList(ColourList, "colours", pattern, false, prefix, 4);
}

void RefreshModList() { FillList(ModList, "mods", "mods\\vehicles\\*", true, 0, 0); }

void FreeModList() { ModList.count = 0; }
