// list_chooser.h - the full-screen page on which the user picks one file name of a folder.
//
// Sections: [Chooser] [Outside names]
//
// A FileList of the folder in 36 rows with each file's date, sortable by name or date, and a
// "back" control.  A pick hands the name to the caller's callback and closes the page; the
// act function frees the chooser on its next step.  Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/process.h"
#include "ui/file_list.h"

// ---- [Chooser] ----
// (the chooser's parent, the picked name, valid only during the call, its entry index)
using ListChooserCallback = void (*)(Prss* parent, const char* name, int index);

constexpr int LIST_CHOOSER_ROWS = 36;
constexpr int LIST_CHOOSER_PATTERN_SIZE = 64;

struct ListChooser {
  Prss prss;
  int32_t scroll;
  FileList list;
  char title[128];
  int32_t maxNameLength;   // a picked name must be shorter
  int32_t sortByDate;      // 0 by name, 1 by date
  char pattern[LIST_CHOOSER_PATTERN_SIZE];
  char secondPattern[LIST_CHOOSER_PATTERN_SIZE];  // empty when none
  const char* nameToSelect;
  ListChooserCallback callback;
};

// Allocates the chooser, fills its list and makes it current; the parent attaches it with
// Prss_AddSub.  secondPattern may be null.
ListChooser* StartListChooser(Prss* parent, ListChooserCallback callback, const char* title, const char* pattern,
                              int maxNameLength, const char* nameToSelect, int sortByDate, const char* secondPattern);
Prss* ListChooserScreenAction(Prss* process);
void FillFileList(ListChooser& chooser);
// Row and header callbacks: a row's word is its entry index; the headers' 1 name, 2 date.
void ListChooserPick(void* owner, int code, uintptr_t index);
void ListChooserSort(void* owner, int code, uintptr_t which);

// ---- [Outside names] ----
// The names the garage page offers beside the folder's files (its car prefix joined to each
// entry's name).  STAND-IN: null until the garage page exists.
extern void (*GarageChooserNames)(std::vector<std::string>& out);
