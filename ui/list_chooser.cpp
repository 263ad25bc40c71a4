// list_chooser.cpp - the list chooser page.
#include "ui/list_chooser.h"

#include <algorithm>
#include <cstring>

#include "core/frame_globals.h"
#include "core/sound.h"
#include "text/language.h"
#include "text/language_keys.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_strings.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/widgets.h"

void (*GarageChooserNames)(std::vector<std::string>& out);

namespace {

constexpr float ROW_HEIGHT = 0.05f;
constexpr float FIRST_ROW_Y = -0.875f;
constexpr int TOO_LONG_SOUND = 4;

ListChooser& Of(void* owner) { return *static_cast<ListChooser*>(owner); }

}  // namespace

void FillFileList(ListChooser& c) {
  const bool second = c.secondPattern[0] != 0;
  c.list.Fill(c.pattern, c.sortByDate ? FILE_SORT_TIME : FILE_SORT_NAME, static_cast<uint32_t>(c.maxNameLength),
              nullptr, 0, second ? c.secondPattern : nullptr, second);
  if (GarageChooserNames) {
    std::vector<std::string> names;
    GarageChooserNames(names);
    int missing = 0;
    for (const std::string& n : names) missing += c.list.FindByName(n.c_str()) == nullptr;
    c.list.Grow(missing);
    for (const std::string& n : names)
      if (c.list.Accept(n.c_str(), nullptr, 0, 1)) c.list.InsertSorted(n.c_str(), 0);
  }
  if (c.nameToSelect) c.list.SelectByName(c.nameToSelect);
}

ListChooser* StartListChooser(Prss* parent, ListChooserCallback callback, const char* title, const char* pattern,
                              int maxNameLength, const char* nameToSelect, int sortByDate, const char* secondPattern) {
  ListChooser* c = Prss_New<ListChooser>();
  Prss_Init(&c->prss, parent, ListChooserScreenAction, Prss_SimpleKey, Prss_SimpleMouse, nullptr, nullptr);
  c->callback = callback;
  CopyStringN(c->title, title, sizeof c->title);
  CopyStringN(c->pattern, pattern, sizeof c->pattern);
  CopyStringN(c->secondPattern, secondPattern, sizeof c->secondPattern);
  c->maxNameLength = std::clamp(maxNameLength, 1, FILE_LIST_NAME_SIZE);
  c->nameToSelect = nameToSelect;
  c->sortByDate = sortByDate ? 1 : 0;
  FillFileList(*c);
  Prss_MakeCurrent(&c->prss);
  return c;
}

void ListChooserPick(void* owner, int, uintptr_t index) {
  ListChooser& c = Of(owner);
  const int i = static_cast<int>(index);
  if (i < 0 || i >= c.list.count) return;
  const char* name = c.list.entries[i].name;
  if (static_cast<int>(std::strlen(name)) >= c.maxNameLength) {
    ShowMessage(LanguageTexts[TX_3a_namelong], TextColours.error);
    PlayUISound(TOO_LONG_SOUND);
    return;
  }
  if (c.callback) c.callback(c.prss.parent, name, i);
  c.prss.terminate(&c.prss);
}

void ListChooserSort(void* owner, int, uintptr_t which) {
  ListChooser& c = Of(owner);
  c.sortByDate = which == 2 ? 1 : 0;
  FillFileList(c);
}

Prss* ListChooserScreenAction(Prss* process) {
  ListChooser& c = *reinterpret_cast<ListChooser*>(process);
  if (!process->alive) {
    c.list.Free();
    delete &c;
    return nullptr;
  }
  Prss_ActSub(process);
  if (process->sub) return process;
  if (ExitRequested) process->terminate(process);
  if (FrameSkipped || !process->alive) return process;

  InterfaceColourSettings& colours = InterfaceColours;
  AddScreenTitle(c.title, 0, 0);
  float dateEnd = 0.95f;
  if (c.list.count > LIST_CHOOSER_ROWS) {
    c.scroll = std::clamp(c.scroll, 0, c.list.count - LIST_CHOOSER_ROWS);
    AddScrollBar(process, &c.scroll, 0.925f, 0.95f, FIRST_ROW_Y, FIRST_ROW_Y + ROW_HEIGHT * LIST_CHOOSER_ROWS,
                 LIST_CHOOSER_ROWS, c.list.count);
    dateEnd = 0.925f;
  } else {
    c.scroll = 0;
  }
  float y = FIRST_ROW_Y;
  for (int i = c.scroll; i < c.scroll + LIST_CHOOSER_ROWS && i < c.list.count; ++i, y += ROW_HEIGHT) {
    const FileListEntry& e = c.list.entries[i];
    ColourWord* colour = i == c.list.selected ? &colours.textSelected : &colours.bigText;
    AddValueControl2(process, reinterpret_cast<void*>(static_cast<uintptr_t>(i)), IvText(e.name), IvInt(0),
                     IvText(nullptr), VALUE_TYPE_TEXT, colour, ListChooserPick, 0.2f, y, 0.75f, y + ROW_HEIGHT);
    AddValueControl2(nullptr, nullptr, IvText(e.second + FILE_LIST_DATE_TEXT), IvInt(0), IvText(nullptr),
                     VALUE_TYPE_TEXT, colour, nullptr, 0.75f, y, dateEnd, y + ROW_HEIGHT);
  }
  AddValueControl(process, reinterpret_cast<void*>(1), IvText(LanguageTexts[TX_3a_namesort]), IvInt(0),
                  IvText(nullptr), VALUE_TYPE_TEXT, c.sortByDate ? &colours.bigText : &colours.textSelected,
                  ListChooserSort, 0.2f, -0.95f, 0.75f, -0.9f);
  AddValueControl(process, reinterpret_cast<void*>(2), IvText(LanguageTexts[TX_3a_datesort]), IvInt(0),
                  IvText(nullptr), VALUE_TYPE_TEXT, c.sortByDate ? &colours.textSelected : &colours.bigText,
                  ListChooserSort, 0.75f, -0.95f, 0.95f, -0.9f);
  AddBackButton(process, 0, Prss_CloseHandler, nullptr);
  Prss_RestAfterDrawing(process);
  return process;
}
