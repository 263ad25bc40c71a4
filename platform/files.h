// files.h - the file layer: paths, opening, file times and safe writing.
//
// Sections: [Paths] [Names a user gives] [Opening and probing] [Folder search] [File times] [Safe writing] [Test switches]
//
// The program writes its paths the way its data names them, with backslashes
// ("data\misc\%s.ply"); they are mapped to '/' here and nowhere else.  Where the exact name
// does not exist, each component is looked up without regard to ASCII case, so a mod made
// on a case-blind system that names "Car.DDS" still finds "car.dds".
//
// Names that come from a file or a packet are checked with IsSafeFileName or
// IsSafeRelativePath (or built with MakeNamedPath) before they reach any path, and a name the
// user gives with FileNameFault, which says why it fails: such a name never leaves the
// working folder.
//
// File times are FILETIME values everywhere above this layer: 100-ns units since
// 1601-01-01 UTC.  They are converted from the Linux times in FileTimeFromUnix only.
//
// Every file written for the user goes through SafeWriteBegin/SafeWriteCommit: the bytes go
// to a temporary file of a new, unique name beside the file ("<name>.zkt-save-<8 hex
// digits>.tmp", created only when nothing of that name exists, never through a link), which
// replaces the old file only when every byte was written and flushed; the folder is synced
// after the rename.  A crash, a full disk or the file-size limit leaves the previous file as
// it was, and the run's journal (save_journal.cpp) names every temporary file in flight, so
// that the next start removes what a killed save left and nothing else.
//
// Layer: platform/, the bottom (with texconv/).  It knows nothing of the program; every
// other layer reaches the operating system, SDL2 and OpenGL through it (tools/layers.txt).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

constexpr int FILE_PATH_SIZE = 260;  // longest path the program builds, terminating zero included


// ---- [Paths] ----
// path with every backslash turned into '/': the one place the program's paths are mapped.
std::string PathToNative(const char* path);
// The native path to use for path: the exact name when it exists, else each component
// matched without regard to case.  Components from the first one that matches nothing on
// are kept as given (so a new file is created under its own name in a resolved folder).
// Returns true when the whole path names something that exists.
bool ResolvePath(const char* path, std::string& out);
// A single name: not empty, not "." or "..", no separator, no drive colon, no control
// character: the lower half of FileNameFault, which refuses all these too.  Only for names
// that come from the program's data files and packets, which may hold what a user's name may
// not (a "#", a byte of a code page); every name an option, a text command, a script, an
// entry or a handed-over file gives goes through FileNameFault.
bool IsSafeFileName(const char* name);
// A relative path that stays inside the working folder: not absolute, no drive, no ".."
// component, no control character.  Separators of either kind are allowed.
bool IsSafeRelativePath(const char* path);
// The absolute native path of path (a relative one is taken from the working folder), for
// telling the user where a file or folder was looked for.
std::string FullPath(const char* path);

// ---- [Names a user gives] ----
// The one check of a name the user gives a file: typed in a save or load entry, given on the
// command line, in a script or a text command, or handed over by a second start.  Null when
// the name may be used, else why not, as words that follow the name ("is longer than 31
// characters"), kept until the next call (main thread only).  maxLength is the
// most bytes the place keeps.  A plain name is one file's; a path (asPath) may also name
// folders below the working folder, with separators of either kind.  Refused: an empty name,
// "." and "..", a name that begins with ".", control characters, the ten characters no file
// name of the program holds (* : \ # < ? > / " |; separators allowed in a path), a ".."
// folder or a path from the root, and bytes that are not UTF-8 (file names on this system
// are UTF-8, whatever code page the program's texts are in).
constexpr int FILE_NAME_MAX = 255;  // the longest name of one file the system allows, in bytes
const char* FileNameFault(const char* name, int maxLength, bool asPath = false);
// True when text is valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(const char* text);

// Formats pathTemplate with name in place of every "%s" ("mods\vehicles\%s\%s.veh").
// Returns false, with out empty, when name is not a safe file name or the path does not fit.
bool MakeNamedPath(char* out, int outSize, const char* pathTemplate, const char* name);

// ---- [Opening and probing] ----
// fopen with the path resolved.  For write and append modes a missing leaf is created
// under its own name in the resolved folder.
FILE* FileOpen(const char* path, const char* mode);
bool FileExists(const char* path);         // a regular file or a folder
bool FileIsFolder(const char* path);
bool FileIsRegular(const char* path);     // a plain file: not a folder, pipe or device
int64_t FileLength(const char* path);      // -1 when it cannot be found
bool FileRemove(const char* path);
bool MakeFolder(const char* path);         // true also when it already exists
// Whether a new file can be made in folder: a file of a new name each call
// ("<folder>/zkt_probe.<8 hex digits>.fl") is created only where nothing of that name exists,
// never through a link, and removed again.  0 with the new file's write time (FILETIME) in
// fileTime, or the errno value.
int ProbeFolderWrite(const char* folder, uint64_t& fileTime);
// Removes a folder and everything in it (links are removed, never followed).  True also
// when nothing of that name exists.
bool FolderRemoveAll(const char* path);
// Renames without ever replacing another file: a target that exists (in any case) fails
// with EEXIST, as the system this program was written for does.  A change of case only
// of one file's name is allowed.  Returns 0 or the errno value.
int FileRename(const char* oldPath, const char* newPath);
// Copies source over dest through a safe write.  keepTime gives dest the source's write
// time.  Returns 0 or the errno value of the first failure.
int FileCopy(const char* source, const char* dest, bool keepTime);
// Reads a whole file into out.  Returns 0 or the errno value; EFBIG above maxBytes.  With
// opened, that is the path of the file read (found without regard to case where the path as
// given names nothing), or, when none was opened, the path as given in the native form.
int FileReadAll(const char* path, std::string& out, int64_t maxBytes, std::string* opened = nullptr);
// A file that lines are appended to, kept open between them, as a log that writes one line
// at a time.  Each line is one write to a descriptor opened for appending, so it is on disk as
// soon as Append returns and survives a crash of the program.  Before each line the path is
// looked at again: when it names another file than the one held (deleted, renamed, another
// working folder or another path), that one is opened instead.  Not thread-safe: the owner locks.
class HeldAppendFile {
 public:
  HeldAppendFile() = default;
  HeldAppendFile(const HeldAppendFile&) = delete;
  HeldAppendFile& operator=(const HeldAppendFile&) = delete;
  ~HeldAppendFile() { Close(); }
  // Appends size bytes to the file path names (created when missing).  False when it cannot
  // be opened or written.
  bool Append(const char* path, const char* data, size_t size);
  void Close();

 private:
  int fd_ = -1;
  std::string path_;      // as the caller gave it
  std::string resolved_;  // what it resolved to when opened
  uint64_t device_ = 0, inode_ = 0;
};

// Makes the program's own working folder current: the executable's folder or its "work"
// subfolder, whichever holds requiredEntry (a file or folder name).  0 or the errno value.
int ChangeToProgramFolder(const char* requiredEntry);

// ---- [Folder search] ----
struct FoundFile {
  std::string name;     // the entry's own name
  uint64_t writeTime;   // FILETIME of the last write
  bool folder;
};
// The entries of the pattern's folder whose names match its last component, where "*" is
// any run of characters and "?" any one, without regard to case ("data\\skins\\*.jpg").
// "." and ".." are listed as the system lists them.  Sorted by name, so two searches of an
// unchanged folder agree.  False when the folder cannot be read.
bool FindFiles(const char* pattern, std::vector<FoundFile>& out);
// The wildcard match FindFiles uses.
bool MatchesWildcard(const char* name, const char* pattern);

// ---- [File times] ----
constexpr uint64_t FILETIME_UNITS_PER_SECOND = 10000000u;
constexpr int64_t FILETIME_UNIX_EPOCH_SECONDS = 11644473600;  // 1601-01-01 to 1970-01-01
uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);  // 0 before 1601
void UnixFromFileTime(uint64_t fileTime, int64_t& seconds, int64_t& nanoseconds);
bool FileGetWriteTime(const char* path, uint64_t& fileTime);
// Sets the last-write time (there is no creation time to set on Linux).
bool FileSetWriteTime(const char* path, uint64_t fileTime);

// ---- [Safe writing] ----
struct SafeWrite {
  FILE* stream;                          // write here; null when not begun
  char path[FILE_PATH_SIZE];             // the resolved final path
  char tempPath[FILE_PATH_SIZE + 24];    // "<path>.zkt-save-<8 hex digits>.tmp"
  int error;                             // first errno seen; 0 while all is well
  uint64_t writeTime;                    // non-zero: the file's write time (FILETIME) on commit
};
// Creates the temporary file for writing (binary; text makes no difference on Linux).  It
// gets the old file's mode bits.  Returns the stream, or null with w.error set.
FILE* SafeWriteBegin(SafeWrite& w, const char* path);
// Records a failed write of the caller's own (e.g. a short fwrite) so Commit refuses.
void SafeWriteFail(SafeWrite& w, int error);
// Flushes, syncs and closes the temporary file and renames it over path.  On any failure
// the temporary file is removed, path is left as it was and the errno value is returned.
int SafeWriteCommit(SafeWrite& w);
// As SafeWriteCommit, but the file takes the name only while nothing has it (EEXIST else):
// for a new file that must never replace another.
int SafeWriteCommitNew(SafeWrite& w);
// Closes and removes the temporary file; path is left as it was.
void SafeWriteAbandon(SafeWrite& w);
// A temporary file of a safe write by its name: "<name>.zkt-save-<8 lower-case hex
// digits>.tmp" with a name before it.  No file of the user's carries that mark.
bool IsOwnTemporaryName(const char* name);
// Starts this run's journal of temporary files in flight in folder (which must exist), after
// taking the journals there of runs that ended (a run's journal is locked while it lasts):
// each temporary file one of them names is removed when it is still the very file that run
// made (a plain file of this user's, the mark in its name, inside this run's working folder
// and reached without following a link, the same device, inode and birth time; kept on a
// file system without birth times), and the journal with it; a journal too large for any run
// is removed unread.  Nothing is searched for and nothing else is touched.  0, with
// removed the count of temporary files removed, or the errno value (saves then go on without
// a journal).  Once a run.
int StartSaveJournal(const char* folder, int& removed);
// Removes this run's journal at its end (its saves are done).
void EndSaveJournal();
// Writes bytes as a whole file through a safe write.  Returns 0 or the errno value.
int FileWriteAll(const char* path, const void* bytes, size_t length);
// A write beyond the process's file-size limit then fails (EFBIG) like any other failed
// write instead of ending the program.  Called once at start-up.
void IgnoreFileSizeLimitSignal();

// ---- [Test switches] ----
// A file (usually a named pipe) read a little at a time without waiting: the benchmarks
// drive a running program through one.  OpenLineSource gives -1 when the path cannot be
// opened; ReadLineSource appends what has arrived (nothing when no writer has come yet).
// A pipe's arrivals wake a loop's wait (platform/messages.h); once its writers have all gone
// it is opened afresh, so that the next writer wakes it too.
int  OpenLineSource(const char* path);
void ReadLineSource(int source, std::string& into);
void CloseLineSource(int source);
// The next count safe writes fail to begin with error as if the folder refused the file.
void FilesInjectBeginFailures(int count, int error);
// Called with a journalled temporary file's full path just before it is looked at for removal
// (a test swaps a folder on its way then); null for none.
void FilesSetJournalRemovalHook(void (*hook)(const char* path));
// The next count commits fail with error as if the disk were full (count 0 turns it off).
void FilesInjectCommitFailures(int count, int error);
// As above after `successes` more commits have gone through (a failure in the middle of a
// save that writes several files).
void FilesInjectCommitFailuresAfter(int successes, int count, int error);
