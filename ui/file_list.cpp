// file_list.cpp - filling, sorting, filtering and drawing file lists.
#include "ui/file_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "text/language.h"
#include "text/text_strings.h"
#include "ui/interface_config.h"
#include "ui/text_entry.h"
#include "ui/text_measure.h"
#include "ui/widgets.h"

uint32_t FileSortSetting;
void (*FileListBetweenPasses)();

namespace {

constexpr float SCROLL_BAR_WIDTH = 0.025f;
constexpr int NOTED_ROWS_MOST = 32;       // rows that may carry a note
constexpr float ROW_MARGIN_SHARE = 0.2f;  // of the row's height, a little over a text's margin to either side
constexpr float ROW_SQUEEZE = 0.85f;      // how far a noted row's texts may be squeezed across

// text, or as much of it as fits width with "..." after it, at size, into out (size bytes).
const char* FitWithEllipsis(char* out, int outSize, const char* text, float width, float size) {
  CopyStringN(out, text, outSize);
  if (TextWidth(out, 0, size) <= width) return out;
  for (int keep = static_cast<int>(std::strlen(out)); keep > 0; --keep) {
    if ((static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80) continue;  // never inside a character
    std::snprintf(out, static_cast<size_t>(outSize), "%.*s...", keep, text);
    if (TextWidth(out, 0, size) <= width) return out;
  }
  CopyStringN(out, "...", outSize);
  return out;
}

bool SortsByTime(uint32_t mode) { return mode == FILE_SORT_TIME || mode == FILE_SORT_TIME_SHAPED || mode == FILE_SORT_IMAGE_TIME; }
bool SortsByName(uint32_t mode) { return mode == FILE_SORT_NAME || mode == FILE_SORT_IMAGE_NAME; }

bool HasImageExtension(const char* name) {
  static const char* const EXTENSIONS[] = {"BMP", "DDS", "DIB", "HDR", "JPG", "PFM", "PNG", "PPM", "TGA"};
  const char* dot = std::strrchr(name, '.');
  if (!dot) return false;
  for (const char* e : EXTENSIONS)
    if (CompareNoCase(dot + 1, e) == 0) return true;
  return false;
}

// "abc_..." of 5 to 19 characters or "abcdef_..." of 8 to 22.
bool HasReplayShape(const char* name) {
  const size_t n = std::strlen(name);
  return (n >= 5 && n <= 19 && name[3] == '_') || (n >= 8 && n <= 22 && name[6] == '_');
}

void WriteTimeTexts(FileListEntry& e) {
  WallTime w{};
  WallTimeFromFileTime(e.fileTime, w);
  char text[24];
  std::snprintf(text, sizeof text, "%.2d:%.2d.%.2d", w.hour, w.minute, w.second);
  CopyStringN(e.second + FILE_LIST_TIME_TEXT, text, FILE_LIST_DATE_TEXT - FILE_LIST_TIME_TEXT);
  std::snprintf(text, sizeof text, "%d/%d/%.2d", w.day, w.month, w.year % 100);
  CopyStringN(e.second + FILE_LIST_DATE_TEXT, text, static_cast<int>(sizeof e.second) - FILE_LIST_DATE_TEXT);
}

// The files of one pattern, or none when it cannot be searched.
std::vector<FoundFile> Search(const char* pattern) {
  std::vector<FoundFile> found;
  if (pattern && pattern[0]) FindFiles(pattern, found);
  return found;
}

}  // namespace

int LanguageIndex(const char* name) {
  if (!name || !name[0]) return LANGUAGE_INDEX_NONE;
  const int row = GetLanguageIndex(name);
  return row < 0 ? LANGUAGE_INDEX_NONE : row;
}

// ---- [Filling] ----

void FileList::TakeName(char* buffer, const char* found) const {
  std::memset(buffer, 0, FILE_LIST_NAME_SIZE);
  const char* dot = keepExtension ? nullptr : std::strrchr(found, '.');
  size_t length = dot ? static_cast<size_t>(dot - found) : std::strlen(found);
  const size_t limit = lengthLimit > 0 ? lengthLimit - 1 : 0;
  length = std::min(length, limit);
  std::memcpy(buffer, found, length);
}

int FileList::Accept(const char* name, const char* leadingText, int characterCheck, int duplicateCheck) const {
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return 0;
  if (sortMode == FILE_SORT_IMAGE_NAME || sortMode == FILE_SORT_IMAGE_TIME) return HasImageExtension(name) ? 1 : 0;
  if (sortMode == FILE_SORT_LANGUAGE) {
    if (CompareNoCase(name, "English") == 0 || CompareNoCase(name, "max_len") == 0) return 0;
  } else if (sortMode == FILE_SORT_TIME_SHAPED) {
    return HasReplayShape(name) ? 1 : 0;
  }
  if (duplicateCheck && FindByName(name)) return 0;
  if (leadingText && leadingText[0] && StartsWithNoCase(name, leadingText)) return 0;
  if (characterCheck) {
    const size_t limit = lengthLimit > 0 ? lengthLimit - 1 : 0;
    for (size_t i = 0; i < limit && name[i]; ++i) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      if (c >= 127) return 0;
      if (characterCheck == 1 && c == '~') return 0;
    }
  }
  return 1;
}

FileListEntry* FileList::InsertSorted(const char* name, uint64_t fileTime) {
  if (count >= capacity) return nullptr;  // files that appeared after the counting pass
  const int language = sortMode == FILE_SORT_LANGUAGE ? LanguageIndex(name) : 0;
  int at = 0;
  for (; at < count; ++at) {
    const FileListEntry& e = entries[at];
    if (SortsByName(sortMode) && CompareNoCase(e.name, name) >= 0) break;
    if (SortsByTime(sortMode) && e.fileTime <= fileTime) break;
    if (sortMode == FILE_SORT_LANGUAGE && e.languageIndex >= language) break;
  }
  std::memmove(entries + at + 1, entries + at, sizeof(FileListEntry) * static_cast<size_t>(count - at));
  ++count;
  FileListEntry& e = entries[at];
  e = FileListEntry{};
  CopyStringN(e.name, name, FILE_LIST_NAME_SIZE);
  e.fileTime = fileTime;
  if (sortMode != FILE_SORT_LANGUAGE) WriteTimeTexts(e);
  e.languageIndex = static_cast<uint8_t>(language);
  return &e;
}

void FileList::Fill(const char* pattern, uint32_t mode, uint32_t limit, const char* leadingText, int characterCheck,
                    const char* secondPattern, int duplicateCheck) {
  Free();
  lengthLimit = std::min<uint32_t>(limit, FILE_LIST_NAME_SIZE);
  sortMode = mode;
  const size_t patternLength = pattern ? std::strlen(pattern) : 0;
  keepExtension = patternLength > 0 && pattern[patternLength - 1] == '*';

  // Counting pass: the first pattern's files, then the second's.
  int counted = 0;
  char name[FILE_LIST_NAME_SIZE];
  for (int pass = 0; pass < 2; ++pass) {
    for (const FoundFile& f : Search(pass == 0 ? pattern : secondPattern)) {
      TakeName(name, f.name.c_str());
      if (Accept(name, leadingText, characterCheck, 0)) ++counted;
    }
  }
  if (counted == 0) return;
  if (FileListBetweenPasses) FileListBetweenPasses();

  capacity = counted + (mode == FILE_SORT_LANGUAGE ? 1 : 0);
  entries = new FileListEntry[static_cast<size_t>(capacity)]();
  if (mode == FILE_SORT_LANGUAGE) InsertSorted("English", 0);

  for (int pass = 0; pass < 2; ++pass) {
    for (const FoundFile& f : Search(pass == 0 ? pattern : secondPattern)) {
      TakeName(name, f.name.c_str());
      if (!Accept(name, leadingText, characterCheck, duplicateCheck)) continue;
      FileListEntry* e = InsertSorted(name, f.writeTime);
      if (!e) return;  // full: the rest appeared after counting
      e->secondFolder = static_cast<uint8_t>(pass);
    }
  }
}

void FileList::Resort() {
  sortMode = FileSortSetting;
  FileListEntry* old = entries;
  const int oldCount = count;
  entries = capacity > 0 ? new FileListEntry[static_cast<size_t>(capacity)]() : nullptr;
  count = 0;
  for (int i = 0; i < oldCount; ++i) {
    FileListEntry* e = InsertSorted(old[i].name, old[i].fileTime);
    if (e) e->languageIndex = old[i].languageIndex;
  }
  delete[] old;
}

void FileList::Grow(int n) {
  if (n <= 0) return;
  FileListEntry* grown = new FileListEntry[static_cast<size_t>(capacity + n)]();
  if (count > 0) std::memcpy(grown, entries, sizeof(FileListEntry) * static_cast<size_t>(count));
  delete[] entries;
  entries = grown;
  capacity += n;
}

// ---- [Editing] ----

void FileList::RemoveByName(const char* name) {
  for (int i = count - 1; i >= 0; --i)
    if (CompareNoCase(entries[i].name, name) == 0) RemoveAt(i);
}

void FileList::RemoveAt(int index) {
  if (index < 0 || index >= count) return;
  std::memmove(entries + index, entries + index + 1, sizeof(FileListEntry) * static_cast<size_t>(count - index - 1));
  --count;
  if (count == 0) Free();
  else if (selected >= count) selected = count - 1;
}

void FileList::Free() {
  delete[] entries;
  *this = FileList{};
}

// ---- [Looking up] ----

FileListEntry* FileList::FindByName(const char* name) const {
  for (int i = 0; i < count; ++i)
    if (CompareNoCase(entries[i].name, name) == 0) return &entries[i];
  return nullptr;
}

void FileList::SelectByName(const char* name) {
  char cut[FILE_LIST_NAME_SIZE];
  CopyStringN(cut, name, FILE_LIST_NAME_SIZE);
  if (char* dot = std::strchr(cut, '.')) *dot = 0;
  selected = -1;
  for (int i = 0; i < count; ++i)
    if (CompareNoCase(entries[i].name, cut) == 0) selected = i;
}

int FileList::FindByPrefix(const char* text) const {
  for (int i = 0; i < count; ++i)
    if (StartsWithNoCase(entries[i].name, text)) return i;
  return -1;
}

int FileList::FindByPath() const {
  char typed[TEXT_ENTRY_CELLS + 1];
  EntryPlainText(typed, sizeof typed);
  return FindByPrefix(typed);
}

void FileList::ReadLanguageNames() {
  for (int i = 0; i < count; ++i) {
    FileListEntry& e = entries[i];
    char shown[sizeof e.second];
    if (!ListLanguages(e.name, shown, sizeof shown) || !shown[0]) CopyStringN(shown, e.name, sizeof shown);
    CopyStringN(e.second, shown, sizeof e.second);
  }
}

// ---- [Drawing] ----

int FileList::FirstShown(int rows) {
  scroll = count > rows ? std::clamp(scroll, 0, count - rows) : 0;
  return scroll;
}

void FileList::Draw(Prss* owner, InterfaceHandler callback, float left, float top, float right, float rowHeight,
                    int rows, int highlighted, const char* const* notes) {
  float rowsRight = right;
  FirstShown(rows);
  if (count > rows) {
    AddScrollBar(owner, &scroll, right - SCROLL_BAR_WIDTH, right, top, top + rowHeight * static_cast<float>(rows), rows,
                 count);
    rowsRight = right - SCROLL_BAR_WIDTH;
  }
  // A note stands whole at its row's right, at the least text size and squeezed a little, in up
  // to seven tenths of the row; the name before it is cut with "..." where it does not fit,
  // rather than squeezed past reading.
  static char cutNames[NOTED_ROWS_MOST][FILE_LIST_NAME_SIZE + 3];
  const float least = ScreenHeight > 0 ? LEAST_TEXT_PIXELS / (0.5f * static_cast<float>(ScreenHeight)) : rowHeight;
  const float margin = ROW_MARGIN_SHARE * rowHeight;
  float y = top;
  for (int i = scroll; i < scroll + rows && i < count; ++i, y += rowHeight) {
    ColourWord* colour = i == highlighted ? &InterfaceColours.textSelected : &InterfaceColours.bigText;
    void* row = reinterpret_cast<void*>(static_cast<uintptr_t>(i));
    const char* note = notes && i - scroll < NOTED_ROWS_MOST ? notes[i - scroll] : nullptr;
    const char* name = entries[i].name;
    float nameRight = rowsRight;
    if (note) {
      nameRight = std::max(left + 0.3f * (rowsRight - left),
                           rowsRight - ROW_SQUEEZE * TextWidth(note, 0, least) - 2.0f * margin);
      name = FitWithEllipsis(cutNames[i - scroll], sizeof cutNames[0], name,
                             (nameRight - left - 2.0f * margin) / ROW_SQUEEZE, least);
    }
    AddValueControl2(owner, row, IvText(name), IvInt(0), IvText(nullptr), VALUE_TYPE_TEXT, colour, callback, left, y,
                     nameRight, y + rowHeight);
    if (note)
      AddValueControl2(owner, row, IvText(note), IvInt(0), IvText(nullptr), VALUE_TYPE_TEXT, &TextColours.error,
                       callback, nameRight, y, rowsRight, y + rowHeight);
  }
}
