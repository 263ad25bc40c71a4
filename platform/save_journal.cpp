// save_journal.cpp - the run's journal of temporary files in flight, and the removal of what
// runs that ended mid-save left behind.
//
// A journal is "<folder>/saves.<8 hex digits>.jnl", made new by each run and held locked
// (flock) by it until it ends; a run that ends normally removes its own.  It holds one line
// for each temporary file in flight: "<device> <inode> <full path>\n".  The whole text is
// written again whenever a line comes or goes (it is usually one line or none), first over
// the old text and then cut to length, so a run killed at any moment leaves every temporary it
// had in flight written down.  Nothing is synced: a killed program's writes reach the file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/files_local.h"

namespace {

constexpr const char* JOURNAL_PREFIX = "saves.";
constexpr const char* JOURNAL_EXTENSION = ".jnl";
constexpr int64_t JOURNAL_MAX_BYTES = 1 << 20;  // far more than any run has in flight
// A journal written this recently may be a run's that is starting now and has not locked it yet.
constexpr auto JOURNAL_MARGIN = std::chrono::seconds(2);

struct JournalLine {
  std::string tempPath;  // as the safe write has it
  std::string line;
};

std::mutex g_mutex;  // saves run on worker threads too
int g_journal = -1;
std::string g_journalPath;
std::string g_workingFolder;  // relative paths are written down from here
std::vector<JournalLine> g_lines;
void (*g_beforeRemoval)(const char* path);

void RewriteJournal() {
  std::string text;
  for (const JournalLine& l : g_lines) text += l.line;
  if (!text.empty() && ::pwrite(g_journal, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) return;
  (void)!::ftruncate(g_journal, static_cast<off_t>(text.size()));
}

bool IsJournalName(const char* name) {
  const size_t prefix = std::strlen(JOURNAL_PREFIX), extension = std::strlen(JOURNAL_EXTENSION);
  const size_t length = std::strlen(name);
  if (length != prefix + 8 + extension || std::strncmp(name, JOURNAL_PREFIX, prefix) != 0 ||
      std::strcmp(name + prefix + 8, JOURNAL_EXTENSION) != 0)
    return false;
  for (size_t i = prefix; i < prefix + 8; ++i)
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
  return true;
}

bool OwnedPlainFile(const struct stat& st) { return S_ISREG(st.st_mode) && st.st_uid == ::geteuid(); }

bool WrittenRecently(const struct stat& st) {
  const auto written = std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
  return written + JOURNAL_MARGIN > std::chrono::system_clock::now();
}

// Removes the temporary file one journal line names, when it is still the very file the ended
// run made: a plain file of ours, our mark in its name, on the same device and inode.  A
// folder on its way that was swapped for a link since leads elsewhere, where no file has that
// inode; the file itself is looked at and removed through its folder, never followed.
bool RemoveJournalled(const std::string& line) {
  unsigned long long device = 0, inode = 0;
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%llu %llu %n", &device, &inode, &consumed) != 2 || consumed <= 0) return false;
  const std::string path = line.substr(static_cast<size_t>(consumed));
  const std::string folder = FolderOf(path), leaf = LeafOf(path);
  if (path.empty() || path[0] != '/' || !IsOwnTemporaryName(leaf.c_str())) return false;
  if (g_beforeRemoval) g_beforeRemoval(path.c_str());
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  struct stat st;
  const bool same = ::fstatat(dir, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && OwnedPlainFile(st) &&
                    st.st_dev == device && st.st_ino == inode;
  const bool removed = same && ::unlinkat(dir, leaf.c_str(), 0) == 0;
  ::close(dir);
  return removed;
}

// The journal of a run that has ended: its temporaries removed, then the journal itself.
// Journals of runs still going (locked) and not of ours are left alone.
int SweepJournal(int folder, const char* name) {
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  int removed = 0;
  if (::fstat(fd, &st) == 0 && OwnedPlainFile(st) && !WrittenRecently(st) && st.st_size <= JOURNAL_MAX_BYTES &&
      ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    std::string text(static_cast<size_t>(st.st_size), '\0');
    const ssize_t got = text.empty() ? 0 : ::pread(fd, text.data(), text.size(), 0);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) break;  // a line cut short by a killed rewrite
      removed += RemoveJournalled(text.substr(start, end - start));
      start = end + 1;
    }
    ::unlinkat(folder, name, 0);
  }
  ::close(fd);
  return removed;
}

}  // namespace

int StartSaveJournal(const char* folder, int& removed) {
  removed = 0;
  const std::lock_guard<std::mutex> lock(g_mutex);
  if (g_journal >= 0) return 0;
  char working[4096];
  if (!::getcwd(working, sizeof working)) return errno;
  const std::string native = PathToNative(folder);
  const int dir = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir < 0) return errno;
  if (DIR* listing = ::fdopendir(::dup(dir))) {
    std::vector<std::string> journals;
    while (const dirent* entry = ::readdir(listing))
      if (IsJournalName(entry->d_name)) journals.push_back(entry->d_name);
    ::closedir(listing);
    for (const std::string& name : journals) removed += SweepJournal(dir, name.c_str());
  }
  ::close(dir);
  char made[FILE_PATH_SIZE + 32];
  const std::string before = native + "/" + JOURNAL_PREFIX;
  const int fd = CreateUniqueFile(before.c_str(), JOURNAL_EXTENSION, made, sizeof made);
  if (fd < 0) return errno ? errno : EIO;
  if (::flock(fd, LOCK_EX) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(made);
    return error;
  }
  g_journal = fd;
  g_journalPath = made;
  g_workingFolder = working;
  g_lines.clear();
  return 0;
}

void EndSaveJournal() {
  const std::lock_guard<std::mutex> lock(g_mutex);
  if (g_journal < 0) return;
  ::unlink(g_journalPath.c_str());
  ::close(g_journal);
  g_journal = -1;
  g_lines.clear();
}

void JournalTemporary(int fd, const char* tempPath) {
  const std::lock_guard<std::mutex> lock(g_mutex);
  struct stat st;
  if (g_journal < 0 || std::strchr(tempPath, '\n') || ::fstat(fd, &st) != 0) return;
  const std::string full = tempPath[0] == '/' ? std::string(tempPath) : g_workingFolder + "/" + tempPath;
  char identity[48];
  std::snprintf(identity, sizeof identity, "%llu %llu ", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  g_lines.push_back({tempPath, identity + full + "\n"});
  RewriteJournal();
}

void ForgetTemporary(const char* tempPath) {
  const std::lock_guard<std::mutex> lock(g_mutex);
  for (size_t i = 0; i < g_lines.size(); ++i) {
    if (g_lines[i].tempPath != tempPath) continue;
    g_lines.erase(g_lines.begin() + static_cast<std::ptrdiff_t>(i));
    RewriteJournal();
    return;
  }
}

void FilesSetJournalRemovalHook(void (*hook)(const char* path)) { g_beforeRemoval = hook; }
