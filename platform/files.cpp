// files.cpp - the file layer over POSIX.
#include "platform/files.h"

#include "platform/files_local.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/messages.h"

namespace {

int g_injectedFailures;
int g_injectedError;
int g_commitsBeforeFailures;  // commits that still succeed before the injected failures
int g_injectedBeginFailures;
int g_injectedBeginError;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  return *a == *b;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The entry of folder whose name equals name without regard to case.  Several candidates
// (possible on a case-sensitive disk) resolve to the smallest name, so the choice does not
// depend on the order the folder lists them in.
bool FindFolderEntry(const std::string& folder, const std::string& name, std::string& found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  bool any = false;
  while (const dirent* entry = ::readdir(dir)) {
    if (!EqualsIgnoringCase(entry->d_name, name.c_str())) continue;
    if (!any || std::strcmp(entry->d_name, found.c_str()) < 0) found = entry->d_name;
    any = true;
  }
  ::closedir(dir);
  return any;
}

// Renames from to the free name to; EEXIST when something has that name.  0 or the errno value.
int RenameNoReplace(const char* from, const char* to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace flag: check, then rename.
  struct stat existing;
  if (::lstat(to, &existing) == 0) return EEXIST;
  return ::rename(from, to) == 0 ? 0 : errno;
}

bool HasControlCharacter(const char* text) {
  for (; *text; ++text)
    if (static_cast<unsigned char>(*text) < 32) return true;
  return false;
}

}  // namespace

std::string LeafOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// ---- [Paths] ----

std::string PathToNative(const char* path) {
  std::string out(path ? path : "");
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::string FullPath(const char* path) {
  const std::string native = PathToNative(path);
  if (!native.empty() && native[0] == '/') return native;
  char folder[4096];
  if (!::getcwd(folder, sizeof folder)) return native;
  return Join(folder, native);
}

bool ResolvePath(const char* path, std::string& out) {
  const std::string native = PathToNative(path);
  if (native.empty()) {
    out.clear();
    return false;
  }
  if (Exists(native)) {
    out = native;
    return true;
  }
  std::string current = native[0] == '/' ? "/" : "";
  bool matching = true;
  size_t start = 0;
  while (start <= native.size()) {
    size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    const std::string component = native.substr(start, end - start);
    start = end + 1;
    if (component.empty()) continue;
    std::string candidate = Join(current, component);
    if (matching && component != "." && component != ".." && !Exists(candidate)) {
      std::string found;
      if (FindFolderEntry(current, component, found))
        candidate = Join(current, found);
      else
        matching = false;
    }
    current = candidate;
  }
  out = current;
  return matching && Exists(out);
}

bool IsSafeFileName(const char* name) {
  if (!name || !name[0]) return false;
  if (!std::strcmp(name, ".") || !std::strcmp(name, "..")) return false;
  if (std::strlen(name) >= static_cast<size_t>(FILE_PATH_SIZE)) return false;
  if (HasControlCharacter(name)) return false;
  return !std::strpbrk(name, "/\\:");
}

bool IsSafeRelativePath(const char* path) {
  if (!path || !path[0]) return false;
  if (path[0] == '/' || path[0] == '\\') return false;
  if (std::strlen(path) >= static_cast<size_t>(FILE_PATH_SIZE)) return false;
  if (HasControlCharacter(path) || std::strchr(path, ':')) return false;
  const char* component = path;
  for (const char* p = path;; ++p) {
    if (*p == '/' || *p == '\\' || *p == 0) {
      if (p - component == 2 && component[0] == '.' && component[1] == '.') return false;
      if (*p == 0) break;
      component = p + 1;
    }
  }
  return true;
}

bool IsValidUtf8(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    const unsigned c = *p;
    int trail;
    uint32_t code, least;
    if (c < 0x80) {
      ++p;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      trail = 1, code = c & 0x1F, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      trail = 2, code = c & 0x0F, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      trail = 3, code = c & 0x07, least = 0x10000;
    } else {
      return false;
    }
    for (int i = 1; i <= trail; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;  // a zero ends the text here too
      code = code << 6 | (p[i] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    p += trail + 1;
  }
  return true;
}

const char* FileNameFault(const char* name, int maxLength, bool asPath) {
  static char tooLong[48];
  if (!name || !name[0]) return "is empty";
  if (static_cast<int>(std::strlen(name)) > maxLength) {
    std::snprintf(tooLong, sizeof tooLong, "is longer than %d characters", maxLength);
    return tooLong;
  }
  if (HasControlCharacter(name) || std::strchr(name, 127)) return "holds a control character";
  for (const char* c = name; *c; ++c) {
    if (!std::strchr("*:\\#<?>/\"|", *c) || (asPath && (*c == '/' || *c == '\\'))) continue;
    static char held[48];
    std::snprintf(held, sizeof held, "holds \"%c\", which no file name may hold", *c);
    return held;
  }
  if (!IsValidUtf8(name)) return "is not valid UTF-8";
  if (asPath && (name[0] == '/' || name[0] == '\\')) return "is not inside the working folder";
  // Each component: neither "." nor "..", nor hidden.
  for (const char* component = name;;) {
    const size_t length = std::strcspn(component, asPath ? "/\\" : "");
    if (length == 0) return "ends with a separator or holds two together";
    if (length == 2 && component[0] == '.' && component[1] == '.') return asPath ? "leads out of the working folder" : "is \"..\"";
    if (component[0] == '.') return length == 1 ? "is \".\"" : "begins with \".\"";
    if (!component[length]) break;
    component += length + 1;
  }
  return nullptr;
}

bool MakeNamedPath(char* out, int outSize, const char* pathTemplate, const char* name) {
  if (outSize <= 0) return false;
  out[0] = 0;
  if (!IsSafeFileName(name)) return false;
  const size_t nameLength = std::strlen(name);
  size_t used = 0;
  auto put = [&](const char* text, size_t length) {
    if (used + length >= static_cast<size_t>(outSize)) return false;
    std::memcpy(out + used, text, length);
    used += length;
    return true;
  };
  for (const char* p = pathTemplate; *p; ++p) {
    bool fits;
    if (p[0] == '%' && p[1] == 's') {
      fits = put(name, nameLength);
      ++p;
    } else if (p[0] == '%' && p[1] == '%') {
      fits = put("%", 1);
      ++p;
    } else {
      fits = put(p, 1);
    }
    if (!fits) {
      out[0] = 0;
      return false;
    }
  }
  out[used] = 0;
  return true;
}

// ---- [Opening and probing] ----

FILE* FileOpen(const char* path, const char* mode) {
  std::string resolved;
  ResolvePath(path, resolved);
  if (resolved.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return std::fopen(resolved.c_str(), mode);
}

namespace {
// The device and inode of the file path names, or of the open file fd when path is null,
// asking for nothing more: once a file's change time has been looked at, the system stamps
// its next change with a finer time and writes it to disk, which for a log written line after
// line costs more than the line's write.
bool FileIdentity(int fd, const char* path, uint64_t& device, uint64_t& inode) {
  struct statx sx;
  if (::statx(path ? AT_FDCWD : fd, path ? path : "", path ? 0 : AT_EMPTY_PATH, STATX_INO, &sx) != 0) return false;
  device = uint64_t(makedev(sx.stx_dev_major, sx.stx_dev_minor));
  inode = uint64_t(sx.stx_ino);
  return true;
}
}  // namespace

bool HeldAppendFile::Append(const char* path, const char* data, size_t size) {
  uint64_t device = 0, inode = 0;
  const bool same = fd_ >= 0 && path_ == path && FileIdentity(-1, resolved_.c_str(), device, inode) &&
                    device == device_ && inode == inode_;
  if (!same) {
    Close();
    ResolvePath(path, resolved_);
    if (resolved_.empty()) return false;
    fd_ = ::open(resolved_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0 || !FileIdentity(fd_, nullptr, device_, inode_)) {
      Close();
      return false;
    }
    path_ = path;
  }
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= size_t(written);
  }
  return true;
}

void HeldAppendFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
}

bool FileExists(const char* path) {
  std::string resolved;
  return ResolvePath(path, resolved);
}

bool FileIsRegular(const char* path) {
  std::string resolved;
  struct stat st;
  return ResolvePath(path, resolved) && ::stat(resolved.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileIsFolder(const char* path) {
  std::string resolved;
  struct stat st;
  return ResolvePath(path, resolved) && ::stat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileLength(const char* path) {
  std::string resolved;
  struct stat st;
  if (!ResolvePath(path, resolved) || ::stat(resolved.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool FileRemove(const char* path) {
  std::string resolved;
  return ResolvePath(path, resolved) && ::unlink(resolved.c_str()) == 0;
}

bool MakeFolder(const char* path) {
  std::string resolved;
  if (ResolvePath(path, resolved)) return FileIsFolder(path);
  if (resolved.empty()) return false;
  return ::mkdir(resolved.c_str(), 0777) == 0 || errno == EEXIST;
}

int FileRename(const char* oldPath, const char* newPath) {
  std::string from, to;
  if (!ResolvePath(oldPath, from)) return ENOENT;
  const std::string literal = PathToNative(newPath);
  if (literal.empty()) return ENOENT;
  struct stat fromStat;
  if (::stat(from.c_str(), &fromStat) != 0) return errno;
  if (ResolvePath(newPath, to)) {
    // Only a change of case of the same file may land on an existing name.
    struct stat toStat;
    if (::stat(to.c_str(), &toStat) != 0) return errno;
    if (toStat.st_dev != fromStat.st_dev || toStat.st_ino != fromStat.st_ino) return EEXIST;
    to = Join(FolderOf(to), LeafOf(literal));
    if (to == from) return 0;
  }
  return RenameNoReplace(from.c_str(), to.c_str());
}

int FileCopy(const char* source, const char* dest, bool keepTime) {
  FILE* in = FileOpen(source, "rb");
  if (!in) return errno ? errno : ENOENT;
  uint64_t sourceTime = 0;
  if (keepTime && !FileGetWriteTime(source, sourceTime)) {
    std::fclose(in);
    return EIO;
  }
  SafeWrite w;
  FILE* out = SafeWriteBegin(w, dest);
  if (!out) {
    std::fclose(in);
    return w.error;
  }
  std::vector<char> chunk(65536);
  for (;;) {
    const size_t got = std::fread(chunk.data(), 1, chunk.size(), in);
    if (got && std::fwrite(chunk.data(), 1, got, out) != got) SafeWriteFail(w, errno ? errno : EIO);
    if (got < chunk.size()) break;
  }
  if (std::ferror(in)) SafeWriteFail(w, EIO);
  std::fclose(in);
  w.writeTime = keepTime ? sourceTime : 0;
  return SafeWriteCommit(w);
}

int FileReadAll(const char* path, std::string& out, int64_t maxBytes, std::string* opened) {
  out.clear();
  // The path as given first; the look-up without regard to case only when it names nothing.
  const std::string native = PathToNative(path);
  if (opened) *opened = native;
  int fd = native.empty() ? -1 : ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && (native.empty() || errno == ENOENT)) {
    std::string resolved;
    if (!ResolvePath(path, resolved)) return ENOENT;
    fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    if (opened) *opened = resolved;
  }
  if (fd < 0) return errno ? errno : ENOENT;
  // A file that fits the first buffer comes back short from its first read, which is its
  // end, and is neither measured nor read again; a longer one is measured and read on.
  char first[16384];
  const size_t ask = size_t(std::min<int64_t>(int64_t(sizeof first), std::max<int64_t>(maxBytes, 0) + 1));
  ssize_t got;
  do got = ::read(fd, first, ask);
  while (got < 0 && errno == EINTR);
  int result = 0;
  struct stat st;
  if (got < 0) {
    result = EIO;
  } else if (got > maxBytes) {
    result = EFBIG;
  } else if (size_t(got) < ask) {
    out.assign(first, size_t(got));
  } else if (::fstat(fd, &st) != 0) {
    result = errno;
  } else if (st.st_size > maxBytes) {
    result = EFBIG;
  } else if (st.st_size < got) {
    result = EIO;  // cut short while read
  } else {
    out.resize(static_cast<size_t>(st.st_size));
    std::memcpy(out.data(), first, size_t(got));
    for (size_t done = size_t(got); done < out.size();) {
      const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        result = EIO;
        out.clear();
        break;
      }
      done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  return result;
}

// ---- [File times] ----

uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  const int64_t since1601 = seconds + FILETIME_UNIX_EPOCH_SECONDS;
  if (since1601 < 0) return 0;
  return static_cast<uint64_t>(since1601) * FILETIME_UNITS_PER_SECOND + static_cast<uint64_t>(nanoseconds / 100);
}

void UnixFromFileTime(uint64_t fileTime, int64_t& seconds, int64_t& nanoseconds) {
  seconds = static_cast<int64_t>(fileTime / FILETIME_UNITS_PER_SECOND) - FILETIME_UNIX_EPOCH_SECONDS;
  nanoseconds = static_cast<int64_t>(fileTime % FILETIME_UNITS_PER_SECOND) * 100;
}

bool FileGetWriteTime(const char* path, uint64_t& fileTime) {
  std::string resolved;
  struct stat st;
  if (!ResolvePath(path, resolved) || ::stat(resolved.c_str(), &st) != 0) return false;
  fileTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  return true;
}

namespace {
bool SetWriteTimeNative(const char* nativePath, uint64_t fileTime) {
  int64_t seconds, nanoseconds;
  UnixFromFileTime(fileTime, seconds, nanoseconds);
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = static_cast<long>(nanoseconds);
  return ::utimensat(AT_FDCWD, nativePath, times, 0) == 0;
}
}  // namespace

bool FileSetWriteTime(const char* path, uint64_t fileTime) {
  std::string resolved;
  return ResolvePath(path, resolved) && SetWriteTimeNative(resolved.c_str(), fileTime);
}

// ---- [Safe writing] ----

int CreateUniqueFile(const char* before, const char* after, char* made, size_t madeSize) {
  static std::atomic<uint32_t> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 64; ++attempt) {
    uint32_t unique = static_cast<uint32_t>(::getpid()) * 2654435761u ^ static_cast<uint32_t>(now) ^
                      (counter.fetch_add(1) * 40503u);
    unique ^= unique >> 15;
    std::snprintf(made, madeSize, "%s%08x%s", before, unique, after);
    // The mode is the usual one of a new file (the umask applies).
    const int fd = ::open(made, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

namespace {

void SyncFolderOf(const char* path) {
  const std::string folder = FolderOf(path);
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // some file systems cannot sync a folder; the file itself was synced
  ::close(fd);
}

// The end of every commit: the temporary file takes the name (over the old file, or only while
// the name is free) or is removed.
int FinishCommit(SafeWrite& w, bool replace) {
  if (!w.stream) return w.error ? w.error : EBADF;
  if (std::fflush(w.stream) != 0) SafeWriteFail(w, errno);
  if (std::ferror(w.stream)) SafeWriteFail(w, EIO);
  if (!w.error && ::fdatasync(::fileno(w.stream)) != 0 && errno != EINVAL) SafeWriteFail(w, errno);
  if (std::fclose(w.stream) != 0) SafeWriteFail(w, errno);
  w.stream = nullptr;
  if (!w.error && g_injectedFailures > 0 && g_commitsBeforeFailures > 0) {
    --g_commitsBeforeFailures;
  } else if (!w.error && g_injectedFailures > 0) {
    --g_injectedFailures;
    SafeWriteFail(w, g_injectedError);
  }
  if (!w.error && w.writeTime && !SetWriteTimeNative(w.tempPath, w.writeTime)) SafeWriteFail(w, errno);
  if (!w.error) {
    if (replace) {
      if (std::rename(w.tempPath, w.path) != 0) SafeWriteFail(w, errno);
    } else if (const int renamed = RenameNoReplace(w.tempPath, w.path)) {
      SafeWriteFail(w, renamed);
    }
  }
  if (w.error) ::unlink(w.tempPath);
  ForgetTemporary(w.tempPath);
  if (w.error) return w.error;
  SyncFolderOf(w.path);  // the rename itself survives a power cut
  return 0;
}

}  // namespace

FILE* SafeWriteBegin(SafeWrite& w, const char* path) {
  std::memset(&w, 0, sizeof w);
  std::string resolved;
  ResolvePath(path, resolved);
  if (resolved.empty() || resolved.size() >= sizeof w.path) {
    w.error = ENAMETOOLONG;
    return nullptr;
  }
  std::memcpy(w.path, resolved.c_str(), resolved.size() + 1);
  if (g_injectedBeginFailures > 0) {
    --g_injectedBeginFailures;
    w.error = g_injectedBeginError;
    return nullptr;
  }
  const std::string before = std::string(w.path) + TEMPORARY_MARK;
  const int fd = CreateUniqueFile(before.c_str(), TEMPORARY_EXTENSION, w.tempPath, sizeof w.tempPath);
  if (fd < 0) {
    w.error = errno ? errno : EIO;
    return nullptr;
  }
  JournalTemporary(fd, w.tempPath);
  w.stream = ::fdopen(fd, "wb");
  if (!w.stream) {
    w.error = errno ? errno : EIO;
    ::close(fd);
    ::unlink(w.tempPath);
    ForgetTemporary(w.tempPath);
    return nullptr;
  }
  // The replacement keeps the permissions of the file it replaces.
  struct stat old;
  if (::stat(w.path, &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(::fileno(w.stream), old.st_mode & 07777);
  return w.stream;
}

void SafeWriteFail(SafeWrite& w, int error) {
  if (!w.error) w.error = error ? error : EIO;
}

int SafeWriteCommit(SafeWrite& w) { return FinishCommit(w, true); }

int SafeWriteCommitNew(SafeWrite& w) { return FinishCommit(w, false); }

void SafeWriteAbandon(SafeWrite& w) {
  if (w.stream) {
    std::fclose(w.stream);
    w.stream = nullptr;
    ::unlink(w.tempPath);
    ForgetTemporary(w.tempPath);
  }
}

bool IsOwnTemporaryName(const char* name) {
  const size_t length = std::strlen(name);
  const size_t markLength = std::strlen(TEMPORARY_MARK), extensionLength = std::strlen(TEMPORARY_EXTENSION);
  const size_t tail = markLength + 8 + extensionLength;
  if (length <= tail) return false;
  const char* mark = name + length - tail;
  if (std::strncmp(mark, TEMPORARY_MARK, markLength) != 0 ||
      std::strcmp(name + length - extensionLength, TEMPORARY_EXTENSION) != 0)
    return false;
  for (const char* digit = mark + markLength; digit < name + length - extensionLength; ++digit)
    if (!std::isdigit(static_cast<unsigned char>(*digit)) && !(*digit >= 'a' && *digit <= 'f')) return false;
  return true;
}

int ProbeFolderWrite(const char* folder, uint64_t& fileTime) {
  std::string resolved;
  ResolvePath(folder, resolved);
  char path[FILE_PATH_SIZE + 32];
  const std::string before = Join(resolved, "zkt_probe.");
  const int fd = CreateUniqueFile(before.c_str(), ".fl", path, sizeof path);
  if (fd < 0) return errno ? errno : EIO;
  struct stat st;
  const int error = ::fstat(fd, &st) == 0 ? 0 : errno;
  ::close(fd);
  ::unlink(path);
  if (error) return error;
  fileTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  return 0;
}

int FileWriteAll(const char* path, const void* bytes, size_t length) {
  SafeWrite w;
  FILE* out = SafeWriteBegin(w, path);
  if (!out) return w.error;
  if (length && std::fwrite(bytes, 1, length, out) != length) SafeWriteFail(w, errno ? errno : EIO);
  return SafeWriteCommit(w);
}

void IgnoreFileSizeLimitSignal() { std::signal(SIGXFSZ, SIG_IGN); }

// ---- [Test switches] ----

namespace {
// The pipes among the line sources, by descriptor, with their paths to open them afresh.
std::map<int, std::string> g_linePipes;
}  // namespace

int OpenLineSource(const char* path) {
  // Not waiting for a writer: a pipe opened for reading alone would block until one came.
  const std::string native = PathToNative(path);
  const int source = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info{};
  if (source >= 0 && fstat(source, &info) == 0 && S_ISFIFO(info.st_mode)) {
    g_linePipes[source] = native;
    WatchDescriptor(source);
  }
  return source;
}

void ReadLineSource(int source, std::string& into) {
  if (source < 0) return;
  char buffer[512];
  ssize_t got;
  while ((got = read(source, buffer, sizeof buffer)) > 0) into.append(buffer, size_t(got));
  // A pipe whose writers have gone reads as ended, and a wait would see that end at once,
  // again and again: the pipe is opened afresh under the same descriptor.
  const auto pipe = g_linePipes.find(source);
  if (got == 0 && pipe != g_linePipes.end()) {
    const int fresh = open(pipe->second.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fresh >= 0) {
      dup3(fresh, source, O_CLOEXEC);
      close(fresh);
    }
  }
}

void CloseLineSource(int source) {
  if (source < 0) return;
  UnwatchDescriptor(source);
  g_linePipes.erase(source);
  close(source);
}

void FilesInjectBeginFailures(int count, int error) {
  g_injectedBeginFailures = count;
  g_injectedBeginError = error;
}

void FilesInjectCommitFailures(int count, int error) { FilesInjectCommitFailuresAfter(0, count, error); }

void FilesInjectCommitFailuresAfter(int successes, int count, int error) {
  g_commitsBeforeFailures = successes;
  g_injectedFailures = count;
  g_injectedError = error;
}

int ChangeToProgramFolder(const char* requiredEntry) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return error.value();
  for (const std::filesystem::path& folder : {program.parent_path(), program.parent_path() / "work"}) {
    if (!std::filesystem::exists(folder / requiredEntry, error)) continue;
    std::filesystem::current_path(folder, error);
    return error ? error.value() : 0;
  }
  return ENOENT;
}

// ---- [Folder search] ----

bool MatchesWildcard(const char* name, const char* pattern) {
  // Iterative match with one backtrack point: the last "*" seen.
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name) {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || (*pattern && AsciiLower(*pattern) == AsciiLower(*name))) {
      ++pattern;
      ++name;
    } else if (starPattern) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}

bool FindFiles(const char* pattern, std::vector<FoundFile>& out) {
  out.clear();
  const std::string native = PathToNative(pattern);
  const std::string leaf = LeafOf(native);
  std::string folder = FolderOf(native);
  if (!folder.empty()) {
    std::string resolved;
    if (!ResolvePath(folder.c_str(), resolved)) return false;
    folder = resolved;
  }
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    if (!MatchesWildcard(entry->d_name, leaf.c_str())) continue;
    struct stat st;
    const std::string path = Join(folder, entry->d_name);
    if (::stat(path.c_str(), &st) != 0) continue;  // gone since it was listed
    out.push_back({entry->d_name, FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec), S_ISDIR(st.st_mode)});
  }
  ::closedir(dir);
  std::sort(out.begin(), out.end(), [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return true;
}

bool FolderRemoveAll(const char* path) {
  std::string native;
  if (!path || !*path || !ResolvePath(path, native)) return true;
  std::error_code error;
  std::filesystem::remove_all(native, error);
  return !error;
}
