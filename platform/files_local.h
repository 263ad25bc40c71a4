// files_local.h - what the safe writes of files.cpp share with the journal of temporary files
// in flight (save_journal.cpp).  Not for other layers.
#pragma once
#include <cstddef>
#include <string>

// A temporary file of a save: "<the saved file's name><TEMPORARY_MARK><8 lower-case hex
// digits><TEMPORARY_EXTENSION>".
inline constexpr const char* TEMPORARY_MARK = ".zkt-save-";
inline constexpr const char* TEMPORARY_EXTENSION = ".tmp";

// Creates "<before><8 hex digits><after>" with a number not used before in this run, under a
// name nothing has yet, never through a link.  The descriptor, or -1 with errno set.
int CreateUniqueFile(const char* before, const char* after, char* made, size_t madeSize);
// The folder part and the last component of a native path.
std::string FolderOf(const std::string& path);
std::string LeafOf(const std::string& path);

// Writes down the temporary file just made on fd at tempPath in the run's journal (nothing
// when no journal was started).
void JournalTemporary(int fd, const char* tempPath);
// Strikes tempPath from the journal: it was renamed into place or removed.
void ForgetTemporary(const char* tempPath);
