// files_test.cpp - paths, case-blind lookup, name checks, file times and safe writing.
#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "tests/platform/open_descriptors.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder under the test binary's scratch folder for each test.
std::string FreshFolder(const char* name) {
  const std::string folder = std::string("files_test/") + name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// True when no temporary file of a safe write is left in the folder.
bool NoTemporaryLeft(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".tmp") return false;
  return true;
}

std::string Backslashed(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

TEST(FilePaths, BackslashesBecomeSlashes) {
  EXPECT_EQ(PathToNative("data\\misc\\a.ply"), "data/misc/a.ply");
  EXPECT_EQ(PathToNative("data/misc\\b.ply"), "data/misc/b.ply");
  EXPECT_EQ(PathToNative(nullptr), "");
}

TEST(FilePaths, EachComponentIsFoundWithoutRegardToCase) {
  const std::string root = FreshFolder("case");
  fs::create_directories(root + "/Mods/Sub");
  WriteText(root + "/Mods/Sub/Car.DDS", "dds");
  std::string out;
  EXPECT_TRUE(ResolvePath(Backslashed(root + "/mods/SUB/car.dds").c_str(), out));
  EXPECT_EQ(out, root + "/Mods/Sub/Car.DDS");
  FILE* file = FileOpen(Backslashed(root + "/MODS/sub/CAR.dds").c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);

  // A missing leaf keeps its own name in the resolved folder.
  EXPECT_FALSE(ResolvePath((root + "/mods/sub/New.txt").c_str(), out));
  EXPECT_EQ(out, root + "/Mods/Sub/New.txt");
  EXPECT_FALSE(FileExists((root + "/mods/missing/x").c_str()));
}

TEST(FilePaths, SeveralCaseVariantsResolveToTheSmallestName) {
  const std::string root = FreshFolder("variants");
  WriteText(root + "/a.txt", "lower");
  WriteText(root + "/A.txt", "upper");
  std::string out;
  EXPECT_TRUE(ResolvePath((root + "/a.TXT").c_str(), out));
  EXPECT_EQ(out, root + "/A.txt");
  EXPECT_TRUE(ResolvePath((root + "/a.txt").c_str(), out));  // the exact name wins
  EXPECT_EQ(out, root + "/a.txt");
  // Both ends of the alphabet match their other case.
  WriteText(root + "/ZOA.txt", "z");
  EXPECT_TRUE(ResolvePath((root + "/zoa.TXT").c_str(), out));
  EXPECT_EQ(out, root + "/ZOA.txt");
  EXPECT_TRUE(ResolvePath((root + "/Zoa.txt").c_str(), out));
  EXPECT_EQ(out, root + "/ZOA.txt");
}

TEST(FilePaths, WritingUnderAnotherCaseReplacesTheExistingFile) {
  const std::string root = FreshFolder("write_case");
  WriteText(root + "/Player.ply", "old");
  ASSERT_EQ(FileWriteAll((root + "/PLAYER.PLY").c_str(), "new", 3), 0);
  EXPECT_EQ(ReadText(root + "/Player.ply"), "new");
  EXPECT_FALSE(fs::exists(root + "/PLAYER.PLY"));
}

TEST(FileNames, NamesFromOutsideNeverLeaveTheWorkingFolder) {
  EXPECT_TRUE(IsSafeFileName("car.veh"));
  EXPECT_TRUE(IsSafeFileName("..car"));
  for (const char* bad : {"", ".", "..", "a/b", "a\\b", "C:x", "x\ty"}) EXPECT_FALSE(IsSafeFileName(bad)) << bad;

  EXPECT_TRUE(IsSafeRelativePath("data\\misc\\a.ply"));
  EXPECT_TRUE(IsSafeRelativePath("data/..x/a"));
  EXPECT_TRUE(IsSafeRelativePath("data/.../a"));
  EXPECT_TRUE(IsSafeFileName("a")) << "one character";
  EXPECT_TRUE(IsSafeRelativePath("a"));
  for (const char* bad : {"", "/etc/passwd", "\\x", "C:\\ZKT", "data\\..\\..\\x", "..", "a/..", "a\\..\\b"})
    EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;

  char out[40];
  EXPECT_TRUE(MakeNamedPath(out, sizeof out, "mods\\vehicles\\%s\\%s.veh", "ABC"));
  EXPECT_STREQ(out, "mods\\vehicles\\ABC\\ABC.veh");
  EXPECT_FALSE(MakeNamedPath(out, sizeof out, "mods\\vehicles\\%s\\%s.veh", ".."));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(MakeNamedPath(out, sizeof out, "data\\%s", "..\\..\\cfg.txt"));
  EXPECT_FALSE(MakeNamedPath(out, 12, "data\\%s.txt", "long_name"));  // does not fit
  EXPECT_TRUE(MakeNamedPath(out, sizeof out, "100%% %s", "x"));
  EXPECT_STREQ(out, "100% x");
}

// A name or path of 259 characters fits the 260 bytes of a path; one of 260 does not.  A named
// path that fills its buffer to the last byte but the zero is made; one byte more is not.
// A control character (below 32) makes a name unsafe; a space (32) does not.  Names are matched
// without regard to the case of A to Z, the first and last letters included.
TEST(FileNames, ControlCharactersEndBelowTheSpaceAndCaseFoldsFromAToZ) {
  EXPECT_FALSE(IsSafeFileName("a\x1f" "b"));
  EXPECT_FALSE(IsSafeRelativePath("a/\x1f"));
  EXPECT_TRUE(IsSafeFileName("a b"));
  EXPECT_TRUE(IsSafeRelativePath("my cars/a b.veh"));
  EXPECT_TRUE(MatchesWildcard("AZ.JPG", "az.jpg"));
  EXPECT_TRUE(MatchesWildcard("az.jpg", "AZ.JPG"));
  EXPECT_FALSE(MatchesWildcard("@[", "`{")) << "the neighbours of A and Z are not letters";
}

// The temporary name of a safe write is "<name>.zkt-save-<8 lower-case hex digits>.tmp": the
// saved file's own name, our mark and exactly 8 digits that end at f.  A user's names of the
// old shape ("<name>.<8 hex digits>.tmp", a date passes for hex) are not ours.
TEST(SafeWriting, OnlyANamedTemporaryWithOurMarkCountsAsOurs) {
  EXPECT_TRUE(IsOwnTemporaryName("a.zkt-save-09afcdeb.tmp"));
  EXPECT_TRUE(IsOwnTemporaryName("cfg.txt.zkt-save-00000000.tmp"));
  for (const char* name : {".zkt-save-09afcdeb.tmp", "a.zkt-save-09afcdeg.tmp", "a.zkt-save-09afcdeB.tmp",
                           "a.zkt-save-09afcde/.tmp", "a.zkt-save-09afcde.tmp", "a.zkt-save-09afcdeb0.tmp",
                           "a.zkt-save-09afcdeb.tmq", "a.zkt_save-09afcdeb.tmp", "a.zkt-save-09afcdeb.tmp.bak",
                           "backup.20261209.tmp", "cfg.txt.0123abcd.tmp", "notes.deadbeef.tmp"})
    EXPECT_FALSE(IsOwnTemporaryName(name)) << name;
  SafeWrite w;
  const std::string root = FreshFolder("mark");
  ASSERT_NE(SafeWriteBegin(w, (root + "/x.veh").c_str()), nullptr);
  EXPECT_TRUE(IsOwnTemporaryName(fs::path(w.tempPath).filename().c_str())) << w.tempPath;
  SafeWriteAbandon(w);
}

// The one check of a name the user gives says why a name cannot be used.
TEST(FileNames, AUsersNameIsRefusedWithItsReason) {
  const struct {
    const char* name;
    int most;
    bool path;
    const char* fault;  // null: usable
  } cases[] = {
      {"Runabout", 31, false, nullptr},
      {"my car 2.veh", 31, false, nullptr},
      {"caf\xC3\xA9", 31, false, nullptr},                 // UTF-8 "cafe" with an acute e
      {"\xF0\x9F\x9A\x97", 31, false, nullptr},            // a four-byte character
      {"logs/run.log", 31, true, nullptr},
      {"logs\\run.log", 31, true, nullptr},
      {"", 31, false, "is empty"},
      {"0123456789012345678901234567890", 31, false, nullptr},
      {"01234567890123456789012345678901", 31, false, "is longer than 31 characters"},
      {"x\xff\xfe.log", 31, false, "is not valid UTF-8"},
      {"\xC0\xAF", 31, false, "is not valid UTF-8"},          // an overlong "/"
      {"\xED\xA0\x80", 31, false, "is not valid UTF-8"},      // a surrogate
      {"\xF4\x90\x80\x80", 31, false, "is not valid UTF-8"},  // above U+10FFFF
      {"a\xE2\x82", 31, false, "is not valid UTF-8"},          // cut short
      {"tab\there", 31, false, "holds a control character"},
      {"del\x7f", 31, false, "holds a control character"},
      {"a*b", 31, false, "holds \"*\", which no file name may hold"},
      {"a/b", 31, false, "holds \"/\", which no file name may hold"},
      {"a\\b", 31, false, "holds \"\\\", which no file name may hold"},
      {"c:x", 31, true, "holds \":\", which no file name may hold"},
      {".", 31, false, "is \".\""},
      {"..", 31, false, "is \"..\""},
      {".hidden", 31, false, "begins with \".\""},
      {"../x.log", 31, true, "leads out of the working folder"},
      {"a/../../x.log", 31, true, "leads out of the working folder"},
      {"/etc/x.log", 31, true, "is not inside the working folder"},
      {"logs//x.log", 31, true, "ends with a separator or holds two together"},
  };
  for (const auto& c : cases) {
    const char* fault = FileNameFault(c.name, c.most, c.path);
    EXPECT_STREQ(fault, c.fault) << c.name;
  }
}

TEST(FileNames, TheLongestNameAndPathFitTheirBuffersExactly) {
  const std::string longest(FILE_PATH_SIZE - 1, 'n'), tooLong(FILE_PATH_SIZE, 'n');
  EXPECT_TRUE(IsSafeFileName(longest.c_str()));
  EXPECT_FALSE(IsSafeFileName(tooLong.c_str()));
  EXPECT_TRUE(IsSafeRelativePath(longest.c_str()));
  EXPECT_FALSE(IsSafeRelativePath(tooLong.c_str()));
  char out[12];
  EXPECT_TRUE(MakeNamedPath(out, sizeof out, "data\\%s.txt", "ab"));  // 11 characters
  EXPECT_STREQ(out, "data\\ab.txt");
  EXPECT_FALSE(MakeNamedPath(out, sizeof out, "data\\%s.txt", "abc"));  // 12
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(MakeNamedPath(out, 0, "%s", "a"));
}

// A relative path is made full from the working folder, its backslashes turned; a full one
// stays.  Only a file is regular, and a line source gives all of a file longer than one read.
TEST(FilePaths, FullPathsRegularFilesAndLineSources) {
  EXPECT_EQ(FullPath("data\\a.txt"), (fs::current_path() / "data/a.txt").string());
  EXPECT_EQ(FullPath("/etc\\x"), "/etc/x");
  const std::string root = FreshFolder("full");
  const std::string text = std::string(700, 'x') + "\nlast line\n";  // more than one read of 512
  WriteText(root + "/lines.txt", text);
  EXPECT_TRUE(FileIsRegular((root + "/LINES.txt").c_str()));
  EXPECT_FALSE(FileIsRegular(root.c_str())) << "a folder";
  EXPECT_FALSE(FileIsRegular((root + "/none.txt").c_str()));
  const int source = OpenLineSource(Backslashed(root + "/lines.txt").c_str());
  ASSERT_GE(source, 0);
  std::string read = "before:";
  ReadLineSource(source, read);
  EXPECT_EQ(read, "before:" + text);
  CloseLineSource(source);
  EXPECT_LT(OpenLineSource((root + "/none.txt").c_str()), 0);
}

// A named pipe's lines wake a loop's wait as they arrive.  Once its writer has gone the pipe
// would read as ended at every wait, and the loop would never rest: it is opened afresh, and
// the next writer's lines wake the wait again.  A plain file is always readable and is never
// waited on.
TEST(FilePaths, ALinePipeWakesAWaitUntilItsWriterGoesAndAgainForTheNext) {
  const std::string root = FreshFolder("line_pipe");
  const std::string path = root + "/drive";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  WriteText(root + "/lines.txt", "a line\n");
  ClockUseFake(1000, WallTime{2026, 1, 1, 0, 0, 0, 0, 4});
  const int file = OpenLineSource((root + "/lines.txt").c_str());
  const int source = OpenLineSource(path.c_str());
  ASSERT_GE(source, 0);
  EXPECT_EQ(WaitForMessages(50), WAIT_TIMED_OUT) << "no writer yet; the plain file is not waited on";
  std::string read;
  for (const char* line : {"first\n", "second\n"}) {
    const int writer = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, line, std::strlen(line)), ssize_t(std::strlen(line)));
    EXPECT_EQ(WaitForMessages(50), WAIT_WOKEN) << line;
    ::close(writer);
    ReadLineSource(source, read);
    EXPECT_EQ(WaitForMessages(50), WAIT_TIMED_OUT) << "the writer of " << line << " has gone";
  }
  EXPECT_EQ(read, "first\nsecond\n");
  CloseLineSource(source);
  CloseLineSource(file);
  ClockUseReal();
}

TEST(FileTimes, LinuxTimesConvertToHundredNanosecondsSince1601) {
  EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000ull);
  EXPECT_EQ(FileTimeFromUnix(1, 123456789), 116444736000000000ull + 10000000ull + 1234567ull);
  EXPECT_EQ(FileTimeFromUnix(-FILETIME_UNIX_EPOCH_SECONDS - 1, 0), 0ull);
  int64_t seconds, nanoseconds;
  UnixFromFileTime(116444736000000000ull + 10000000ull + 1234567ull, seconds, nanoseconds);
  EXPECT_EQ(seconds, 1);
  EXPECT_EQ(nanoseconds, 123456700);
}

TEST(FileTimes, AWriteTimeSetIsTheWriteTimeRead) {
  const std::string root = FreshFolder("times");
  const std::string path = root + "/t.bin";
  WriteText(path, "x");
  const uint64_t wanted = 132000000001234567ull;  // 100-ns precision survives
  ASSERT_TRUE(FileSetWriteTime(Backslashed(path).c_str(), wanted));
  uint64_t got = 0;
  ASSERT_TRUE(FileGetWriteTime(path.c_str(), got));
  EXPECT_EQ(got, wanted);
  EXPECT_FALSE(FileGetWriteTime((root + "/none").c_str(), got));
}

TEST(SafeWriting, ACommittedWriteReplacesTheFileAndLeavesNoTemporary) {
  const std::string root = FreshFolder("commit");
  const std::string path = root + "/cfg.txt";
  WriteText(path, "old contents");
  SafeWrite w;
  FILE* out = SafeWriteBegin(w, path.c_str());
  ASSERT_NE(out, nullptr);
  std::fputs("new", out);
  EXPECT_EQ(ReadText(path), "old contents");  // nothing changes until the commit
  EXPECT_EQ(SafeWriteCommit(w), 0);
  EXPECT_EQ(ReadText(path), "new");
  EXPECT_TRUE(NoTemporaryLeft(root));
}

TEST(SafeWriting, AFailedWriteKeepsThePreviousFileAndReportsTheError) {
  const std::string root = FreshFolder("failures");
  const std::string path = root + "/player.ply";
  WriteText(path, "previous");

  FilesInjectCommitFailures(1, ENOSPC);  // the disk fills during the write
  EXPECT_EQ(FileWriteAll(path.c_str(), "partial", 7), ENOSPC);
  EXPECT_EQ(ReadText(path), "previous");
  EXPECT_TRUE(NoTemporaryLeft(root));

  SafeWrite w;  // the caller's own write failed
  ASSERT_NE(SafeWriteBegin(w, path.c_str()), nullptr);
  SafeWriteFail(w, EIO);
  EXPECT_EQ(SafeWriteCommit(w), EIO);
  EXPECT_EQ(ReadText(path), "previous");

  ASSERT_NE(SafeWriteBegin(w, path.c_str()), nullptr);  // abandoned
  std::fputs("half", w.stream);
  SafeWriteAbandon(w);
  EXPECT_EQ(ReadText(path), "previous");
  EXPECT_TRUE(NoTemporaryLeft(root));

  EXPECT_EQ(SafeWriteBegin(w, (root + "/no_folder/x.txt").c_str()), nullptr);  // cannot create
  EXPECT_NE(w.error, 0);

  fs::create_directories(root + "/a_folder/inside");  // the rename itself fails
  EXPECT_NE(FileWriteAll((root + "/a_folder").c_str(), "x", 1), 0);
  EXPECT_TRUE(fs::is_directory(root + "/a_folder/inside"));
  EXPECT_TRUE(NoTemporaryLeft(root));
}

TEST(SafeWriting, ALinkPlantedWhereATemporaryFileWouldGoIsNeverFollowed) {
  const std::string root = FreshFolder("planted");
  const std::string path = root + "/cfg.txt";
  WriteText(path, "old settings");
  WriteText(root + "/victim.txt", "not yours");
  fs::create_symlink("victim.txt", path + ".tmp");  // the name a fixed temporary name would take
  ASSERT_EQ(FileWriteAll(path.c_str(), "new settings", 12), 0);
  EXPECT_EQ(ReadText(path), "new settings");
  EXPECT_EQ(ReadText(root + "/victim.txt"), "not yours");
  EXPECT_TRUE(fs::is_symlink(path + ".tmp"));
  // Two writes in a row never share a temporary name.
  SafeWrite first, second;
  ASSERT_NE(SafeWriteBegin(first, path.c_str()), nullptr);
  ASSERT_NE(SafeWriteBegin(second, path.c_str()), nullptr);
  EXPECT_STRNE(first.tempPath, second.tempPath);
  SafeWriteAbandon(first);
  SafeWriteAbandon(second);
}

namespace {

// A child process that starts a journal in journalFolder, begins a save of each path and ends
// without committing them, as a killed program would.  It tells the parent through ready once
// its saves are under way, and ends when told through hold (-1: at once).
pid_t KillSavesInChild(const std::string& journalFolder, const std::vector<std::string>& paths, int ready = -1,
                       int hold = -1) {
  const pid_t child = fork();
  if (child != 0) return child;
  int removed = 0;
  if (StartSaveJournal(journalFolder.c_str(), removed) != 0) _exit(1);
  if (FileWriteAll((journalFolder + "/../committed.txt").c_str(), "whole", 5) != 0) _exit(2);
  for (const std::string& path : paths) {
    SafeWrite w;
    if (!SafeWriteBegin(w, path.c_str())) _exit(3);
    std::fputs("half a save", w.stream);
    std::fflush(w.stream);
  }
  char byte = 1;
  if (ready >= 0 && write(ready, &byte, 1) != 1) _exit(4);
  if (hold >= 0 && read(hold, &byte, 1) < 0) _exit(5);
  _exit(0);
}

// The temporary files beside path.
std::vector<std::string> TemporariesOf(const std::string& path) {
  std::vector<std::string> found;
  const fs::path p(path);
  for (const auto& entry : fs::directory_iterator(p.parent_path()))
    if (entry.path().filename().string().rfind(p.filename().string() + ".zkt-save-", 0) == 0)
      found.push_back(entry.path().string());
  return found;
}

// Makes every journal in folder look as old as a run that ended long ago.
void AgeJournals(const std::string& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    ASSERT_TRUE(FileSetWriteTime(entry.path().c_str(), FileTimeFromUnix(1000000000, 0)));
}

int StartJournal(const std::string& folder) {
  int removed = -1;
  EXPECT_EQ(StartSaveJournal(folder.c_str(), removed), 0);
  return removed;
}

// A journal line for the file at path as a run would write it: device, inode, birth time and
// the full path (empty when the file is missing or the file system keeps no birth times).
std::string JournalLineFor(const std::string& path) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &sx) != 0 ||
      !(sx.stx_mask & STATX_BTIME))
    return "";
  char identity[80];
  std::snprintf(identity, sizeof identity, "%llu %llu %lld.%09u ",
                static_cast<unsigned long long>(makedev(sx.stx_dev_major, sx.stx_dev_minor)),
                static_cast<unsigned long long>(sx.stx_ino), static_cast<long long>(sx.stx_btime.tv_sec),
                static_cast<unsigned>(sx.stx_btime.tv_nsec));
  return identity + fs::absolute(path).string() + "\n";
}

}  // namespace

// What saves killed before their rename leave is removed at the next start, found through the
// ended run's journal: only those very files.  A user's files that look like temporary files
// (of the old shape, or with our mark but never made by a save), a temporary file now owned by
// another user, a save of a run that still goes on and anything in the folders a save goes
// into stay; a save no longer sweeps its folder.
TEST(SaveJournal, AStartRemovesTheTemporariesOfKilledSavesAndNothingElse) {
  const std::string root = FreshFolder("journal");
  const std::string cache = root + "/cache", data = root + "/data";
  fs::create_directories(cache);
  fs::create_directories(data + "/sub");
  const uint64_t longAgo = FileTimeFromUnix(1000000000, 0);  // 2001
  const std::vector<std::string> users = {data + "/backup.20261209.tmp", data + "/notes.deadbeef.tmp",
                                          data + "/x.veh.zkt-save-0badf00d.tmp", data + "/sub/y.veh.12345678.tmp"};
  for (const std::string& path : users) {
    WriteText(path, "the user's");
    ASSERT_TRUE(FileSetWriteTime(path.c_str(), longAgo));
  }

  int status = -1;
  const pid_t killed = KillSavesInChild(cache, {data + "/a.veh", data + "/sub/b.veh", data + "/c.veh"});
  ASSERT_EQ(waitpid(killed, &status, 0), killed);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_EQ(TemporariesOf(data + "/a.veh").size(), 1u);
  ASSERT_EQ(TemporariesOf(data + "/sub/b.veh").size(), 1u);
  const std::string othersUsers = TemporariesOf(data + "/c.veh").at(0);
  ASSERT_EQ(chown(othersUsers.c_str(), 4242, 4242), 0);  // since given to another user

  int ready[2], hold[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(hold), 0);
  const pid_t running = KillSavesInChild(cache, {data + "/running.veh"}, ready[1], hold[0]);
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  AgeJournals(cache);

  // A save into the folder before the start touches nothing of what stands there.
  ASSERT_EQ(FileWriteAll((data + "/a.veh").c_str(), "saved", 5), 0);
  EXPECT_EQ(TemporariesOf(data + "/a.veh").size(), 1u);

  EXPECT_EQ(StartJournal(cache), 2);
  EXPECT_TRUE(TemporariesOf(data + "/a.veh").empty());
  EXPECT_TRUE(TemporariesOf(data + "/sub/b.veh").empty());
  EXPECT_TRUE(fs::exists(othersUsers));
  EXPECT_EQ(TemporariesOf(data + "/running.veh").size(), 1u) << "a run still going";
  for (const std::string& path : users) EXPECT_EQ(ReadText(path), "the user's") << path;
  EXPECT_EQ(ReadText(data + "/a.veh"), "saved");
  EXPECT_EQ(ReadText(root + "/committed.txt"), "whole");

  ASSERT_EQ(write(hold[1], &byte, 1), 1);
  ASSERT_EQ(waitpid(running, &status, 0), running);
  for (int fd : {ready[0], ready[1], hold[0], hold[1]}) close(fd);
  // Our own journal goes with the run; the one the ended run left is read by the next start.
  EndSaveJournal();
  AgeJournals(cache);
  EXPECT_EQ(StartJournal(cache), 1);
  EXPECT_TRUE(TemporariesOf(data + "/running.veh").empty());
  EndSaveJournal();
  EXPECT_TRUE(fs::is_empty(cache));
}

// A folder on a journalled temporary file's way that is swapped for a link, between the
// journal's reading and the removal, leads to a file that is not the one the save made: it
// stays, whatever its name.
TEST(SaveJournal, AFolderSwappedForALinkIsNotFollowed) {
  const std::string root = FreshFolder("journal_swap");
  const std::string cache = root + "/cache", data = root + "/data";
  fs::create_directories(cache);
  fs::create_directories(data + "/sub");
  fs::create_directories(root + "/elsewhere");
  int status = -1;
  const pid_t killed = KillSavesInChild(cache, {data + "/sub/b.veh"});
  ASSERT_EQ(waitpid(killed, &status, 0), killed);
  const std::string left = TemporariesOf(data + "/sub/b.veh").at(0);
  const std::string lookalike = root + "/elsewhere/" + fs::path(left).filename().string();
  WriteText(lookalike, "not the save's");
  AgeJournals(cache);
  static std::string swapRoot;
  swapRoot = root;
  FilesSetJournalRemovalHook([](const char*) {
    fs::rename(swapRoot + "/data/sub", swapRoot + "/data/sub.moved");
    fs::create_directory_symlink(fs::absolute(swapRoot + "/elsewhere"), swapRoot + "/data/sub");
  });
  EXPECT_EQ(StartJournal(cache), 0);
  FilesSetJournalRemovalHook(nullptr);
  EndSaveJournal();
  EXPECT_EQ(ReadText(lookalike), "not the save's");
  EXPECT_TRUE(fs::exists(data + "/sub.moved/" + fs::path(left).filename().string()));
}

// Journal lines that name a file other than the one the save made remove nothing: a temporary
// deleted and made again at its path (the file system may give it the same inode), a file
// outside the working folder named by a forged journal with its true identity, and anything a
// journal larger than any run writes names (that journal itself goes, unread).
TEST(SaveJournal, OnlyTheVeryFileInsideTheWorkingFolderIsRemoved) {
  const std::string root = FreshFolder("journal_identity");
  const std::string cache = root + "/cache", data = root + "/data";
  fs::create_directories(cache);
  fs::create_directories(data);
  int status = -1;
  const pid_t killed = KillSavesInChild(cache, {data + "/again.veh"});
  ASSERT_EQ(waitpid(killed, &status, 0), killed);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::string again = TemporariesOf(data + "/again.veh").at(0);
  const std::string journalled = JournalLineFor(again);
  if (journalled.empty()) GTEST_SKIP() << "the file system keeps no birth times";
  // Made again until it is born later, on the same inode when the file system gives it back.
  const auto deviceAndInode = [](const std::string& line) { return line.substr(0, line.find(' ', line.find(' ') + 1)); };
  for (int tries = 0; tries < 200; ++tries) {
    fs::remove(again);
    WriteText(again, "made again");
    const std::string line = JournalLineFor(again);
    if (line != journalled && deviceAndInode(line) == deviceAndInode(journalled)) break;
    usleep(1000);
  }
  ASSERT_NE(JournalLineFor(again), journalled);

  // Outside the working folder: a temporary-named file with its true identity in a forged
  // journal, beside a line for one inside that is removed.  A line without a birth time, as
  // older runs and file systems that keep none write it, keeps its file.
  char outsideFolder[] = "/tmp/zkt_journal_outside_XXXXXX";
  ASSERT_NE(mkdtemp(outsideFolder), nullptr);
  const std::string outside = std::string(outsideFolder) + "/notes.txt.zkt-save-0000abcd.tmp";
  WriteText(outside, "not the save's");
  const std::string inside = data + "/inside.veh.zkt-save-0000abcd.tmp";
  WriteText(inside, "a save's");
  const std::string older = data + "/older.veh.zkt-save-0000abcd.tmp", unborn = data + "/unborn.veh.zkt-save-0000abcd.tmp";
  WriteText(older, "a save's");
  WriteText(unborn, "a save's");
  const auto withoutBirth = [](const std::string& line, const char* instead) {
    const size_t birth = line.find(' ', line.find(' ') + 1) + 1;
    return line.substr(0, birth) + instead + line.substr(line.find(' ', birth) + 1);
  };
  std::ofstream(cache + "/saves.0000abcd.jnl") << JournalLineFor(outside) << JournalLineFor(inside)
                                               << withoutBirth(JournalLineFor(older), "")
                                               << withoutBirth(JournalLineFor(unborn), "- ");
  // A journal over 1 MB naming a temporary truly left behind.
  const std::string kept = data + "/large.veh.zkt-save-0000abcd.tmp";
  WriteText(kept, "a save's");
  std::string large;
  while (large.size() < 1100000) large += JournalLineFor(kept);
  std::ofstream(cache + "/saves.0000beef.jnl") << large;
  ASSERT_EQ(fs::file_size(cache + "/saves.0000beef.jnl"), large.size());
  AgeJournals(cache);

  EXPECT_EQ(StartJournal(cache), 1);
  EndSaveJournal();
  EXPECT_EQ(ReadText(again), "made again");
  EXPECT_EQ(ReadText(outside), "not the save's");
  EXPECT_FALSE(fs::exists(inside));
  EXPECT_TRUE(fs::exists(older));
  EXPECT_TRUE(fs::exists(unborn));
  EXPECT_TRUE(fs::exists(kept));
  EXPECT_TRUE(fs::is_empty(cache)) << "every ended run's journal is gone";
  fs::remove_all(outsideFolder);
}

// The data folder's probe: a new file of a new name each time, made and removed, that never
// opens what stands in the folder; a folder that is missing or takes no file fails.
TEST(FileProbing, AFolderIsProbedWithANewFileThatIsRemoved) {
  const std::string root = FreshFolder("probe");
  WriteText(root + "/victim.txt", "not yours");
  fs::create_symlink("victim.txt", root + "/file.fl");
  uint64_t time = 0;
  ASSERT_EQ(ProbeFolderWrite(root.c_str(), time), 0);
  uint64_t now = 0;
  ASSERT_TRUE(FileGetWriteTime((root + "/victim.txt").c_str(), now));
  EXPECT_NEAR(double(time), double(now), 600.0 * FILETIME_UNITS_PER_SECOND) << "the new file's time";
  EXPECT_EQ(ReadText(root + "/victim.txt"), "not yours");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root)) ++entries;
  EXPECT_EQ(entries, 2) << "the probe is removed";
  EXPECT_NE(ProbeFolderWrite((root + "/missing").c_str(), time), 0);
  EXPECT_NE(ProbeFolderWrite("/proc", time), 0);
}

TEST(SafeWriting, AReplacementKeepsTheModeBitsOfTheFileItReplaces) {
  const std::string root = FreshFolder("modes");
  const std::string path = root + "/private.txt";
  WriteText(path, "old");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(FileWriteAll(path.c_str(), "new", 3), 0);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const mode_t previous = umask(022);  // a new file gets the usual mode
  ASSERT_EQ(FileWriteAll((root + "/new.txt").c_str(), "x", 1), 0);
  umask(previous);
  struct stat st;
  ASSERT_EQ(stat((root + "/new.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST(SafeWriting, AWriteBeyondTheFileSizeLimitFailsAndKeepsTheOldFile) {
  const std::string root = FreshFolder("size_limit");
  const std::string path = root + "/big.bin";
  const std::string old(1000, 'o');
  WriteText(path, old);
  IgnoreFileSizeLimitSignal();  // as the program does at start-up: else the signal ends it
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string bigger(10000, 'n');
  const int error = FileWriteAll(path.c_str(), bigger.data(), bigger.size());
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(ReadText(path), old);
  EXPECT_TRUE(NoTemporaryLeft(root));
}

// A program started with its standard input closed gets descriptor 0 for the first file it
// opens: a save whose temporary file lands there still succeeds.  In a child process, so the
// test binary's own descriptor 0 is never touched.
TEST(SafeWriting, ASaveWhoseTemporaryFileGetsDescriptorZeroSucceeds) {
  const std::string root = FreshFolder("descriptor_zero");
  const std::string path = root + "/cfg.txt";
  WriteText(path, "old");
  const pid_t child = fork();
  if (child == 0) {
    ::close(0);
    SafeWrite w;
    FILE* out = SafeWriteBegin(w, path.c_str());
    if (!out) _exit(1);
    if (::fileno(out) != 0) _exit(5);
    std::fputs("saved without standard input", out);
    if (SafeWriteCommit(w) != 0) _exit(2);
    if (ReadText(path) != "saved without standard input") _exit(3);
    if (!NoTemporaryLeft(root)) _exit(4);
    if (::fcntl(0, F_GETFD) != -1) _exit(6);  // the folder, opened for its sync, closed again
    // A folder probe whose new file lands on descriptor 0 succeeds and closes it too.
    uint64_t probed = 0;
    if (ProbeFolderWrite(root.c_str(), probed) != 0 || probed == 0) _exit(7);
    if (::fcntl(0, F_GETFD) != -1) _exit(8);
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1 save refused, 2 commit failed, 3 wrong contents, 4 temporary left, 5 descriptor 0 not used, "
         "6 descriptor 0 left open, 7 probe failed, 8 probe left descriptor 0 open";
  EXPECT_EQ(ReadText(path), "saved without standard input");
  EXPECT_TRUE(NoTemporaryLeft(root));
}

// A real full disk: a 64 KiB tmpfs in a mount namespace of a child process of its own.
TEST(SafeWriting, ADiskThatFillsUpKeepsTheOldFile) {
  const std::string root = FreshFolder("disk_full");
  const pid_t child = fork();
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", root.c_str(), "tmpfs", 0, "size=64k") != 0)
      _exit(77);
    const std::string path = root + "/player.ply";
    const std::string old(3000, 'p');
    if (FileWriteAll(path.c_str(), old.data(), old.size()) != 0) _exit(1);
    std::ofstream filler(root + "/filler", std::ios::binary);  // fills the disk but for a little
    const std::string block(1024, 'f');
    for (int i = 0; i < 200 && filler.write(block.data(), block.size()); ++i) filler.flush();
    filler.close();
    const std::string bigger(32 * 1024, 'n');
    const int error = FileWriteAll(path.c_str(), bigger.data(), bigger.size());
    if (error != ENOSPC) _exit(2);
    if (ReadText(path) != old) _exit(3);
    if (!NoTemporaryLeft(root)) _exit(4);
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace here (needs root)";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1 old file not written, 2 wrong error, 3 old file changed, 4 temporary left";
}

TEST(FileRenaming, AnExistingTargetIsNeverReplaced) {
  const std::string root = FreshFolder("rename");
  WriteText(root + "/one.txt", "1");
  WriteText(root + "/Two.txt", "2");
  EXPECT_EQ(FileRename((root + "/one.txt").c_str(), (root + "/two.TXT").c_str()), EEXIST);
  EXPECT_EQ(ReadText(root + "/Two.txt"), "2");
  EXPECT_EQ(FileRename((root + "/missing.txt").c_str(), (root + "/x.txt").c_str()), ENOENT);
  EXPECT_EQ(FileRename((root + "/one.txt").c_str(), (root + "/three.txt").c_str()), 0);
  EXPECT_EQ(ReadText(root + "/three.txt"), "1");
  // A change of case only is a rename of the same file.
  EXPECT_EQ(FileRename((root + "/three.txt").c_str(), (root + "/Three.txt").c_str()), 0);
  EXPECT_TRUE(fs::exists(root + "/Three.txt"));
  EXPECT_FALSE(fs::exists(root + "/three.txt"));
}

TEST(FileCopying, ACopyCanKeepTheSourceWriteTime) {
  const std::string root = FreshFolder("copy");
  WriteText(root + "/a.bin", std::string(100000, 'q'));
  ASSERT_TRUE(FileSetWriteTime((root + "/a.bin").c_str(), 130000000000000000ull));
  ASSERT_EQ(FileCopy((root + "/a.bin").c_str(), (root + "/b.bin").c_str(), true), 0);
  EXPECT_EQ(ReadText(root + "/b.bin"), std::string(100000, 'q'));
  uint64_t time = 0;
  ASSERT_TRUE(FileGetWriteTime((root + "/b.bin").c_str(), time));
  EXPECT_EQ(time, 130000000000000000ull);
  ASSERT_EQ(FileCopy((root + "/a.bin").c_str(), (root + "/c.bin").c_str(), false), 0);
  ASSERT_TRUE(FileGetWriteTime((root + "/c.bin").c_str(), time));
  EXPECT_NE(time, 130000000000000000ull);
  EXPECT_EQ(FileCopy((root + "/none.bin").c_str(), (root + "/d.bin").c_str(), true), ENOENT);
  EXPECT_FALSE(fs::exists(root + "/d.bin"));
}

// A held file follows its name: each line lands in the file the name names at that moment,
// after the file was removed or renamed away, and in another working folder.
TEST(FileWriting, AHeldAppendFileWritesWhereItsNameNamesNow) {
  const std::string root = FreshFolder("held_append");
  const fs::path previous = fs::current_path();
  {
    HeldAppendFile held;
    const std::string path = root + "/log.txt";
    EXPECT_TRUE(held.Append(path.c_str(), "a\n", 2));
    EXPECT_TRUE(held.Append(path.c_str(), "b\n", 2));
    EXPECT_EQ(ReadText(path), "a\nb\n");
    fs::remove(path);
    EXPECT_TRUE(held.Append(path.c_str(), "c\n", 2));
    EXPECT_EQ(ReadText(path), "c\n");
    fs::rename(path, root + "/old.txt");
    EXPECT_TRUE(held.Append(path.c_str(), "d\n", 2));
    EXPECT_EQ(ReadText(path), "d\n");
    EXPECT_EQ(ReadText(root + "/old.txt"), "c\n");
    fs::create_directories(root + "/sub");
    EXPECT_TRUE(held.Append("here.txt", "e\n", 2));
    fs::current_path(root + "/sub");
    EXPECT_TRUE(held.Append("here.txt", "f\n", 2));
    fs::current_path(previous);
    EXPECT_EQ(ReadText("here.txt"), "e\n");
    EXPECT_EQ(ReadText(root + "/sub/here.txt"), "f\n");
    fs::remove("here.txt");
    EXPECT_FALSE(held.Append((root + "/no_such_folder/x.txt").c_str(), "g\n", 2));
  }
  fs::current_path(previous);
}

TEST(FileReading, AWholeFileIsReadUpToItsLimit) {
  const std::string root = FreshFolder("read_all");
  const int descriptors = OpenDescriptors();
  WriteText(root + "/f.txt", "abcdef");
  std::string text, opened;
  EXPECT_EQ(FileReadAll((root + "/F.TXT").c_str(), text, 100, &opened), 0);
  EXPECT_EQ(text, "abcdef");
  EXPECT_EQ(opened, root + "/f.txt") << "the file read, as it is named on disk";
  EXPECT_EQ(FileReadAll((root + "\\f.txt").c_str(), text, 100, &opened), 0);
  EXPECT_EQ(opened, root + "/f.txt");
  EXPECT_EQ(FileReadAll((root + "/none.txt").c_str(), text, 100, &opened), ENOENT);
  EXPECT_EQ(opened, root + "/none.txt") << "none read: the path as given";
  EXPECT_EQ(FileReadAll((root + "/f.txt").c_str(), text, 5), EFBIG);
  EXPECT_EQ(text, "") << "nothing of a file above the limit";
  EXPECT_EQ(FileReadAll((root + "/f.txt").c_str(), text, 6), 0);  // exactly the limit
  EXPECT_EQ(text, "abcdef");
  // A file longer than one read, read whole, at and above its limit.
  std::string longText(40000, 'x');
  for (size_t i = 0; i < longText.size(); i += 997) longText[i] = char('a' + i % 26);
  WriteText(root + "/long.txt", longText);
  EXPECT_EQ(FileReadAll((root + "/long.txt").c_str(), text, 40000), 0);
  EXPECT_EQ(text, longText);
  EXPECT_EQ(FileReadAll((root + "/long.txt").c_str(), text, 39999), EFBIG);
  EXPECT_EQ(text, "");
  EXPECT_EQ(FileReadAll((root + "/long.txt").c_str(), text, 16383), EFBIG) << "refused by the first read";
  EXPECT_EQ(FileReadAll((root + "/g.txt").c_str(), text, 5), ENOENT);
  EXPECT_EQ(text, "") << "nothing of a file that is not there";
  EXPECT_EQ(OpenDescriptors(), descriptors) << "every file read is closed, the refused one too";
  EXPECT_EQ(FileLength((root + "/f.txt").c_str()), 6);
  EXPECT_TRUE(MakeFolder((root + "/new_folder").c_str()));
  EXPECT_TRUE(FileIsFolder((root + "/NEW_FOLDER").c_str()));
  EXPECT_TRUE(FileRemove((root + "/F.txt").c_str()));
  EXPECT_FALSE(fs::exists(root + "/f.txt"));
}

TEST(FileCopying, CopiesOfAChunkExactlyOneByteMoreAndNothingMatchTheSourceAndCloseEveryFile) {
  const std::string root = FreshFolder("copy_sizes");
  const int before = OpenDescriptors();
  // 65536 bytes is one whole chunk of the copy; one more byte needs a second.
  for (size_t size : {size_t(0), size_t(1), size_t(65536), size_t(65537), size_t(3 * 65536 + 5)}) {
    std::string bytes(size, 0);
    for (size_t i = 0; i < size; ++i) bytes[i] = char('a' + i % 23);
    WriteText(root + "/src.bin", bytes);
    ASSERT_EQ(FileCopy((root + "/SRC.bin").c_str(), (root + "/dst.bin").c_str(), false), 0) << size;
    EXPECT_EQ(ReadText(root + "/dst.bin"), bytes) << size;
  }
  EXPECT_EQ(OpenDescriptors(), before) << "the source and the copy are closed";
  EXPECT_TRUE(NoTemporaryLeft(root));
}

TEST(FolderSearch, EntriesMatchingAPatternComeSortedWithTheirKindAndTime) {
  const std::string root = FreshFolder("search");
  fs::create_directories(root + "/Skins/sub.jpg");
  for (const char* name : {"b.JPG", "a.jpg", "c.png", "ab.jpgx", "z.jpg"}) WriteText(root + "/Skins/" + name, "x");
  ASSERT_TRUE(FileSetWriteTime((root + "/Skins/a.jpg").c_str(), 130000000000000000ull));
  std::vector<FoundFile> found;
  ASSERT_TRUE(FindFiles(Backslashed(root + "/skins/*.jpg").c_str(), found));  // the folder in another case
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].name, "a.jpg");
  EXPECT_EQ(found[0].writeTime, 130000000000000000ull);
  EXPECT_FALSE(found[0].folder);
  EXPECT_EQ(found[1].name, "b.JPG");
  EXPECT_EQ(found[2].name, "sub.jpg");
  EXPECT_TRUE(found[2].folder);
  EXPECT_EQ(found[3].name, "z.jpg");
  ASSERT_TRUE(FindFiles((root + "/Skins/?.*g").c_str(), found));
  ASSERT_EQ(found.size(), 4u);  // a.jpg b.JPG c.png z.jpg
  EXPECT_EQ(found[2].name, "c.png");
  EXPECT_FALSE(FindFiles((root + "/none/*").c_str(), found));
  EXPECT_TRUE(found.empty());

  // Removing a whole tree; a path that is not there counts as removed.
  EXPECT_TRUE(FolderRemoveAll((root + "/SKINS").c_str()));
  EXPECT_FALSE(fs::exists(root + "/Skins"));
  EXPECT_TRUE(FolderRemoveAll((root + "/none").c_str()));
  EXPECT_TRUE(FolderRemoveAll(""));
}

// A new file and a new folder get the usual modes less the umask (0666 and 0777); a folder
// asked for where a file already stands, or under a folder that is not there, is not made.
TEST(FileProbing, NewFilesAndFoldersGetTheUsualModesAndAFileIsNoFolder) {
  const std::string root = FreshFolder("new_modes");
  const mode_t mask = ::umask(022);  // 022 for this test, put back below
  EXPECT_EQ(FileWriteAll((root + "/new.txt").c_str(), "x", 1), 0);
  EXPECT_TRUE(MakeFolder((root + "/folder").c_str()));
  ::umask(mask);
  struct stat st;
  ASSERT_EQ(::stat((root + "/new.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u) << "0666 less 022";
  ASSERT_EQ(::stat((root + "/folder").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u) << "0777 less 022";

  WriteText(root + "/plain", "p");
  EXPECT_FALSE(MakeFolder((root + "/PLAIN").c_str())) << "a file of that name in another case";
  EXPECT_EQ(ReadText(root + "/plain"), "p");
  EXPECT_FALSE(MakeFolder((root + "/none/child").c_str()));
  EXPECT_FALSE(fs::exists(root + "/none"));
  EXPECT_TRUE(MakeFolder((root + "/FOLDER").c_str())) << "the folder is there in another case";
  EXPECT_FALSE(fs::exists(root + "/FOLDER"));
}

// 1 January 1601 itself is the first instant a file time holds: its nanoseconds count (500 ns
// are 5 units), and a second later is 10000000 units.
TEST(FileTimes, TheFirstSecondOf1601KeepsItsNanoseconds) {
  EXPECT_EQ(FileTimeFromUnix(-FILETIME_UNIX_EPOCH_SECONDS, 500), 5ull);
  EXPECT_EQ(FileTimeFromUnix(-FILETIME_UNIX_EPOCH_SECONDS + 1, 0), 10000000ull);
}

// A buffer of no bytes is never written, not even its first byte.
TEST(FileNames, ANamedPathIntoABufferOfNoBytesLeavesItUntouched) {
  char out[8] = "keep";
  EXPECT_FALSE(MakeNamedPath(out, 0, "%s", "a"));
  EXPECT_STREQ(out, "keep");
  EXPECT_FALSE(MakeNamedPath(out, -1, "%s", "a"));
  EXPECT_STREQ(out, "keep");
}

// A line source opened when descriptor 0 is free gets it, is read like any other, and is
// closed again.  In a forked process, so the test binary's own descriptor 0 is never touched.
TEST(FilePaths, ALineSourceOnDescriptorZeroIsReadAndClosed) {
  const std::string root = FreshFolder("line_zero");
  WriteText(root + "/lines.txt", "first\nsecond\n");
  const pid_t child = fork();
  if (child == 0) {
    ::close(0);
    const int source = OpenLineSource((root + "/lines.txt").c_str());
    if (source != 0) _exit(1);
    std::string read;
    ReadLineSource(source, read);
    if (read != "first\nsecond\n") _exit(2);
    CloseLineSource(source);
    if (::fcntl(0, F_GETFD) != -1) _exit(3);
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1 not on descriptor 0, 2 not read, 3 left open";
}

// The final path of a safe write, its zero included, fits FILE_PATH_SIZE bytes: a path of 259
// characters is written, one of 260 is refused as too long and nothing is made.
TEST(SafeWriting, APathOfTheLongestLengthIsWrittenAndOneLongerRefused) {
  const std::string root = FullPath(FreshFolder("long_path").c_str());
  ASSERT_LT(root.size() + 2, size_t(FILE_PATH_SIZE) - 100) << root;
  // Folders of 100 characters at most below root, then a leaf that makes the length exact.
  std::string folder = root;
  while (folder.size() + 1 + 100 + 1 + 20 < size_t(FILE_PATH_SIZE)) {
    folder += "/" + std::string(100, 'd');
    fs::create_directories(folder);
  }
  const size_t leafLongest = size_t(FILE_PATH_SIZE) - 1 - folder.size() - 1;
  const std::string longest = folder + "/" + std::string(leafLongest, 'f');
  const std::string tooLong = folder + "/" + std::string(leafLongest + 1, 'f');
  ASSERT_EQ(longest.size(), size_t(FILE_PATH_SIZE) - 1);
  EXPECT_EQ(FileWriteAll(longest.c_str(), "x", 1), 0);
  EXPECT_EQ(ReadText(longest), "x");
  EXPECT_EQ(FileWriteAll(tooLong.c_str(), "x", 1), ENAMETOOLONG);
  EXPECT_FALSE(fs::exists(tooLong));
  EXPECT_TRUE(NoTemporaryLeft(folder));
  fs::remove_all(root);
}

// An abandoned save closes its temporary file, and a copy whose destination cannot be made
// closes its source: no descriptor is left open by either.  An empty path resolves to nothing.
TEST(SafeWriting, AnAbandonedSaveAndACopyWithNowhereToGoCloseTheirFiles) {
  const std::string root = FreshFolder("closed");
  WriteText(root + "/src.txt", "source");
  const int before = OpenDescriptors();
  SafeWrite w;
  ASSERT_NE(SafeWriteBegin(w, (root + "/out.txt").c_str()), nullptr);
  std::fputs("half", w.stream);
  SafeWriteAbandon(w);
  EXPECT_EQ(w.stream, nullptr);
  EXPECT_EQ(OpenDescriptors(), before) << "the temporary file closed";
  EXPECT_TRUE(NoTemporaryLeft(root));
  EXPECT_FALSE(fs::exists(root + "/out.txt"));
  EXPECT_NE(FileCopy((root + "/src.txt").c_str(), (root + "/no_folder/dst.txt").c_str(), false), 0);
  EXPECT_EQ(OpenDescriptors(), before) << "the source closed";

  std::string out = "old";
  EXPECT_FALSE(ResolvePath("", out));
  EXPECT_EQ(out, "");
}

// The program's folder is the test binary's: an entry beside it makes it the working folder;
// an entry found neither there nor in its "work" subfolder leaves the working folder alone.
TEST(FilePaths, TheProgramFolderIsTheOneHoldingTheRequiredEntry) {
  const fs::path previous = fs::current_path();
  const fs::path program = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(ChangeToProgramFolder("no_such_entry_here"), ENOENT);
  EXPECT_EQ(fs::current_path(), previous);
  EXPECT_EQ(ChangeToProgramFolder(program.filename().c_str()), 0);
  EXPECT_EQ(fs::current_path(), program.parent_path());
  fs::current_path(previous);
}

// Injected commit failures come after the successes asked for, as many as asked, and then the
// saves succeed again: with one success and one failure, the first save is made, the second
// fails with the error given and keeps the first, the third is made.
TEST(SafeWriting, InjectedFailuresComeAfterTheSuccessesAndEndWhenUsedUp) {
  const std::string root = FreshFolder("injected");
  const std::string path = root + "/cfg.txt";
  FilesInjectCommitFailuresAfter(1, 1, ENOSPC);
  EXPECT_EQ(FileWriteAll(path.c_str(), "one", 3), 0);
  EXPECT_EQ(FileWriteAll(path.c_str(), "two", 3), ENOSPC);
  EXPECT_EQ(ReadText(path), "one");
  EXPECT_EQ(FileWriteAll(path.c_str(), "three", 5), 0);
  EXPECT_EQ(ReadText(path), "three");
  FilesInjectCommitFailures(1, EIO);
  EXPECT_EQ(FileWriteAll(path.c_str(), "four", 4), EIO);
  EXPECT_EQ(FileWriteAll(path.c_str(), "five", 4), 0);
  EXPECT_EQ(ReadText(path), "five");
  EXPECT_TRUE(NoTemporaryLeft(root));
}
