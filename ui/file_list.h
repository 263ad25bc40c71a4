// file_list.h - the sorted list of file names that the file-choosing screens show.
//
// Sections: [Records] [Filling] [Editing] [Looking up] [Drawing]
//
// A list is filled from one or two folder patterns ("data\\skins\\*.jpg"), filtered by
// rules that depend on its sort mode and kept sorted by name, by file time or by language.
// It owns its entries; Free (or an emptying removal) releases them.  Main thread only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

// ---- [Records] ----
constexpr int FILE_LIST_NAME_SIZE = 64;  // 63 characters and a zero
constexpr int FILE_LIST_TIME_TEXT = 32;  // in second: "%.2d:%.2d.%.2d" at 32, "%d/%d/%.2d" at 44
constexpr int FILE_LIST_DATE_TEXT = 44;

struct FileListEntry {
  char name[FILE_LIST_NAME_SIZE];
  char second[56];         // a language's own name, or the time and date texts
  uint64_t fileTime;       // the last write (FILETIME)
  uint8_t secondFolder;    // 1: found through the second pattern
  uint8_t languageIndex;   // the row in LanguageNameTable (mode 3), else 0
  uint8_t unused[2];
};

enum FileSortMode : uint32_t {
  FILE_SORT_NAME = 0,
  FILE_SORT_TIME = 1,
  FILE_SORT_TIME_SHAPED = 2,  // only replay-like names: "abc_..." or "abcdef_..."
  FILE_SORT_LANGUAGE = 3,     // "English" first
  FILE_SORT_IMAGE_NAME = 4,   // only image files
  FILE_SORT_IMAGE_TIME = 5,
};

constexpr int LANGUAGE_INDEX_NONE = 255;
// The row of name in LanguageNameTable (any case), 255 when absent.
int LanguageIndex(const char* name);

// The sort mode Resort applies; shared by the file screens.
extern uint32_t FileSortSetting;

struct FileList {
  int32_t selected = -1;   // -1 none
  int32_t count = 0;
  int32_t scroll = 0;      // the first visible row
  uint32_t sortMode = 0;
  uint32_t lengthLimit = 0;  // names keep lengthLimit - 1 characters; at most 64
  FileListEntry* entries = nullptr;
  int32_t capacity = 0;    // entries allocated; nothing is ever inserted beyond it
  int keepExtension = 0;   // the pattern ended with "*"

  // ---- [Filling] ----
  // Fills from pattern, then secondPattern (may be null).  leadingText refuses names that
  // begin with it; characterCheck 1 or 2 refuses bytes above 126 (1 also "~");
  // duplicateCheck refuses names already listed.
  void Fill(const char* pattern, uint32_t mode, uint32_t limit, const char* leadingText, int characterCheck,
            const char* secondPattern, int duplicateCheck);
  int Accept(const char* name, const char* leadingText, int characterCheck, int duplicateCheck) const;
  // The found name into the 64-byte buffer, up to its last "." unless extensions are kept,
  // and never beyond lengthLimit - 1 characters.
  void TakeName(char* buffer, const char* found) const;
  // Inserts in sort order when there is room; null when the list is full.
  FileListEntry* InsertSorted(const char* name, uint64_t fileTime);
  void Resort();
  void Grow(int n);

  // ---- [Editing] ----
  void RemoveByName(const char* name);
  void RemoveAt(int index);
  void Free();

  // ---- [Looking up] ----
  FileListEntry* FindByName(const char* name) const;
  void SelectByName(const char* name);
  // The first entry that begins with the entry line's whole text, -1 when none.
  int FindByPath() const;
  // The first entry that begins with text (any case), -1 when none.
  int FindByPrefix(const char* text) const;
  void ReadLanguageNames();

  // ---- [Drawing] ----
  // The first of rows shown rows: scroll, held so that the rows stay filled.
  int FirstShown(int rows);
  // rows rows of rowHeight from top, a scroll bar at the right when they do not all fit;
  // a release on a row calls callback(owner, 0, entry index).  notes, when given, holds for
  // each shown row (from the first visible one, at most 32) a text shown whole in the error
  // colour at the row's right, the name cut with "..." before it where need be; or null.
  void Draw(Prss* owner, InterfaceHandler callback, float left, float top, float right, float rowHeight, int rows,
            int highlighted, const char* const* notes = nullptr);
};

// Called between the counting and the filling pass (tests make files appear there).
extern void (*FileListBetweenPasses)();
