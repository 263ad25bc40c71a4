// save_journal.cpp - the run's journal of temporary files in flight, and the removal of what
// runs that ended mid-save left behind.
//
// A journal is "<folder>/saves.<8 hex digits>.jnl", made new by each run and held locked
// (flock) by it until it ends; a run that ends normally removes its own.  It holds one line
// for each temporary file in flight: "<device> <inode> <birth> <full path>\n", where birth is
// the file's birth time as "<seconds>.<nanoseconds>", or "-" on a file system that keeps none
// (older journals have no birth field at all), and the full path has the links on its way
// resolved when the temporary is made.  The line is written when the temporary is
// made, before any byte of it, so its birth time is the one thing besides device and inode
// that tells the very file from another made later at the same path, which may well be given
// the same inode.  The whole text is written again whenever a line comes or goes (it is
// usually one line or none), first over the old text and then cut to length, so a run killed
// at any moment leaves every temporary it had in flight written down.  Nothing is synced: a
// killed program's writes reach the file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

// A temporary file as its journal line tells it: device, inode and birth time.
struct TemporaryIdentity {
  unsigned long long device = 0, inode = 0;
  long long bornSeconds = 0;
  unsigned bornNanoseconds = 0;
  bool born = false;  // the file system keeps birth times
};

// The identity of the file the descriptor dir and name give (name empty: dir itself), never
// through a link; false when it is not a plain file of this user's.
bool IdentityOf(int dir, const char* name, TemporaryIdentity& id) {
  struct statx sx;
  const int flags = name[0] ? AT_SYMLINK_NOFOLLOW : AT_EMPTY_PATH;
  if (::statx(dir, name, flags, STATX_TYPE | STATX_UID | STATX_INO | STATX_BTIME, &sx) != 0 ||
      !S_ISREG(sx.stx_mode) || sx.stx_uid != ::geteuid())
    return false;
  id.device = static_cast<unsigned long long>(makedev(sx.stx_dev_major, sx.stx_dev_minor));
  id.inode = static_cast<unsigned long long>(sx.stx_ino);
  id.born = (sx.stx_mask & STATX_BTIME) != 0;
  id.bornSeconds = id.born ? static_cast<long long>(sx.stx_btime.tv_sec) : 0;
  id.bornNanoseconds = id.born ? sx.stx_btime.tv_nsec : 0;
  return true;
}

// The folder that holds path, opened one component at a time from the working folder (the
// descriptor working) without following a link; leaf gets the last component.  -1 when path
// is not below the working folder or a component on its way is a link or not a folder.
int OpenFolderBelow(int working, const std::string& workingPath, const std::string& path, std::string& leaf) {
  const std::string prefix = workingPath == "/" ? workingPath : workingPath + "/";
  if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return -1;
  int dir = ::dup(working);
  for (size_t start = prefix.size(); dir >= 0;) {
    const size_t slash = path.find('/', start);
    const std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == "." || part == "..") break;
    if (slash == std::string::npos) {
      leaf = part;
      return dir;
    }
    const int next = ::openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    ::close(dir);
    dir = next;
    start = slash + 1;
  }
  if (dir >= 0) ::close(dir);
  return -1;
}

bool WrittenRecently(const struct stat& st) {
  const auto written = std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
  return written + JOURNAL_MARGIN > std::chrono::system_clock::now();
}

// Removes the temporary file one journal line names, when it is still the very file the ended
// run made: a plain file of ours, our mark in its name, inside the working folder of this run,
// on the same device and inode and born at the same moment.  A line without a birth time, or a
// file system that keeps none, keeps the file.  The file is reached from the working folder
// one folder at a time, never through a link, and removed through its folder.
bool RemoveJournalled(const std::string& line, int working, const std::string& workingPath) {
  TemporaryIdentity written;
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%llu %llu %lld.%u %n", &written.device, &written.inode, &written.bornSeconds,
                  &written.bornNanoseconds, &consumed) != 4 || consumed <= 0)
    return false;
  const std::string path = line.substr(static_cast<size_t>(consumed));
  if (path.empty() || path[0] != '/' || !IsOwnTemporaryName(LeafOf(path).c_str())) return false;
  if (g_beforeRemoval) g_beforeRemoval(path.c_str());
  std::string leaf;
  const int dir = OpenFolderBelow(working, workingPath, path, leaf);
  if (dir < 0) return false;
  TemporaryIdentity found;
  const bool same = IdentityOf(dir, leaf.c_str(), found) && found.born && found.device == written.device &&
                    found.inode == written.inode && found.bornSeconds == written.bornSeconds &&
                    found.bornNanoseconds == written.bornNanoseconds;
  const bool removed = same && ::unlinkat(dir, leaf.c_str(), 0) == 0;
  ::close(dir);
  return removed;
}

// The journal of a run that has ended: its temporaries removed, then the journal itself; one
// larger than any run writes is removed without acting on its lines.  Journals of runs still
// going (locked) and not of ours are left alone.
int SweepJournal(int folder, const char* name, int working, const std::string& workingPath) {
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  int removed = 0;
  if (::fstat(fd, &st) == 0 && OwnedPlainFile(st) && !WrittenRecently(st) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    std::string text(st.st_size <= JOURNAL_MAX_BYTES ? static_cast<size_t>(st.st_size) : 0, '\0');
    const ssize_t got = text.empty() ? 0 : ::pread(fd, text.data(), text.size(), 0);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) break;  // a line cut short by a killed rewrite
      removed += RemoveJournalled(text.substr(start, end - start), working, workingPath);
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
    const int here = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const std::string& name : journals) removed += SweepJournal(dir, name.c_str(), here, working);
    if (here >= 0) ::close(here);
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
  TemporaryIdentity id;
  if (g_journal < 0 || std::strchr(tempPath, '\n') || !IdentityOf(fd, "", id)) return;
  std::string full = tempPath[0] == '/' ? std::string(tempPath) : g_workingFolder + "/" + tempPath;
  // The folder as it is now, with the links on its way resolved while the temporary just made is
  // in it: the sweep follows no link.
  if (char* real = ::realpath(FolderOf(full).c_str(), nullptr)) {
    full = std::string(real) + "/" + LeafOf(full);
    std::free(real);
  }
  char identity[80];
  if (id.born)
    std::snprintf(identity, sizeof identity, "%llu %llu %lld.%09u ", id.device, id.inode, id.bornSeconds,
                  id.bornNanoseconds);
  else
    std::snprintf(identity, sizeof identity, "%llu %llu - ", id.device, id.inode);
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
