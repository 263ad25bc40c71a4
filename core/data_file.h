// data_file.h - the container of every binary data file, and the file helpers beside it.
//
// Sections: [Errors and texts] [DataFile] [Reads] [Writes] [Images in memory] [File helpers]
//
// A data file is a 6-byte magic, a 16-bit version stored HIGH byte first, then the body.
// In the body every 16- and 32-bit integer and every float is little-endian; formats read
// and write it one field at a time through the operations below, never as a struct.
//
// Modes: 0 straight from or to a file; 3 reading the whole body held in memory; 4 a
// counting pass that only measures what would be written; 5 writing into a memory buffer
// of exactly the counted size.  A reader touches the disk once in mode 3: the whole body is
// read into memory of its own and the file closed at the open, so every typed read is then a
// bounds-checked pointer step, and a file that another program cuts short or rewrites
// afterwards changes nothing of what is read.
//
// Reading past the end gives 0 (-1 for a byte) in every mode and sets readPastEnd, so a
// format can refuse a truncated file.  A write that fails, or that runs past the size a
// counting pass measured, sets writeFailed; Close then reports the failure and returns 0.
// Files are written through a temporary file and replace the old one only in Close, when
// every byte was written.
//
// A record is used by one thread at a time; LastDataFileError is written by whichever
// thread opens a file.
#pragma once
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/files.h"

struct Prss;

// ---- [Errors and texts] ----
enum DataFileError {
  DATA_FILE_OK = 0,
  DATA_FILE_NOT_FOUND = 2,
  DATA_FILE_LATER_VERSION = 3,
  DATA_FILE_OBSOLETE = 4,
  DATA_FILE_WRONG_TYPE = 5,
  DATA_FILE_TOO_SHORT = 9,
};
extern int LastDataFileError;

// Shown as "%s %s" with the path.
constexpr const char* TEXT_COULD_NOT_OPEN_FILE = "Could not open file :";
constexpr const char* TEXT_FILE_FAILED_HEADER = "File failed header check :";
constexpr const char* TEXT_FILE_LATER_VERSION = "File was created by a later version :";
constexpr const char* TEXT_FILE_OBSOLETE = "File version is obsolete :";
constexpr const char* TEXT_FILE_TOO_SHORT = "File is too short :";
constexpr const char* TEXT_COULD_NOT_CREATE_FILE = "Could not create file :";
constexpr const char* TEXT_COULD_NOT_WRITE_FILE = "Could not write file :";
constexpr const char* TEXT_COULD_NOT_COPY_FILE = "Could not copy file :";
constexpr const char* TEXT_COULD_NOT_ALLOCATE = "Could not allocate memory";
// The text of a read failure's error (LastDataFileError); null for DATA_FILE_OK.
const char* DataFileErrorText(int error);

// ---- [DataFile] ----
enum DataFileMode {
  DATA_FILE_STREAM = 0,
  DATA_FILE_MEMORY_READ = 3,
  DATA_FILE_COUNTING = 4,
  DATA_FILE_MEMORY_WRITE = 5,
};

constexpr int DATA_FILE_MAGIC_SIZE = 6;
constexpr int DATA_FILE_HEADER_SIZE = 8;
// A body held in memory is refused above this size (a damaged length, not a real file).
constexpr int64_t DATA_FILE_MAX_BODY = 1 << 30;

struct DataFile {
  int32_t mode;
  // The open file; null when closed.  After a successful open in memory mode the stream is
  // already closed but this stays non-null (DATA_FILE_IN_MEMORY): callers test it to learn
  // whether an open succeeded.  Only this file's code may hand it to stdio.
  FILE* file;
  uint8_t* cursor;   // next byte to read or write in the memory modes
  uint8_t* buffer;   // start of the memory body (malloc'd; mode 5's buffer belongs to the caller)
  int32_t size;      // memory read: the whole file's length; counting: bytes so far; both with the header
  uint8_t* end;      // end of the memory body
  int32_t readPastEnd;  // a read wanted more bytes than the file holds
  int32_t writeFailed;  // a write failed or overran the counted size
  int32_t writing;      // mode 0 opened by OpenWrite
  Prss* reportPage;     // where OpenWrite's failures are shown; may be null
  SafeWrite out;        // the temporary file of a mode-0 write
  char writePath[FILE_PATH_SIZE];  // the path OpenWrite was given, as its failures name it

  // Null on success, else the failure text.  version out gets the 16-bit version.
  const char* OpenAndCheckHeader(const char* path, const char* magic, int32_t* versionOut, int32_t highest);
  // Returns 1 on success (file is then non-null).  Failures are shown on reportPage when given.
  int OpenRead(Prss* page, const char* path, const char* magic, int32_t* versionOut, int32_t highest,
               int keepStreaming);
  // Reads a whole file image (header and body) held in memory, as OpenRead does a file.
  int OpenReadMemory(Prss* page, const uint8_t* image, int64_t length, const char* magic, int32_t* versionOut,
                     int32_t highest);
  // For formats with a lowest version: below it, closes the record, sets error 4 and shows
  // the failure.  Returns 1 when the version is accepted.
  int CheckLowestVersion(Prss* page, const char* path, int32_t version, int32_t lowest);
  // Returns 1 when the temporary file was created and the header written.  A save that
  // fails here or in Close is told as every save failure is (ReportSaveFailure), on page's
  // box too when one is given.
  int OpenWrite(Prss* page, const char* path, const char* magic, int32_t version);
  // Pass 0 starts counting; pass 1 allocates the counted body.  Null, or the error text.
  const char* BeginMemoryWrite(int pass, int* failedFlag);
  // After the second pass: 1 when the body was filled exactly, else reports and returns 0.
  int FinishMemoryWrite();
  // Reads a memory-written body back from its start (mode 3; Close then frees it).
  void StartMemoryRead();
  // Ends any mode.  A write is committed here: 1 on success; 0 (reported) when any write
  // failed, in which case the previous file is kept.
  int Close();
  // Ends a write without replacing the previous file.
  void Abandon();

  // ---- [Reads] ----
  int ReadByte();     // 0..255, -1 past the end
  int ReadShort();    // sign-extended
  int32_t ReadInt();
  uint32_t ReadUInt() { return static_cast<uint32_t>(ReadInt()); }
  float ReadFloat() { return std::bit_cast<float>(ReadInt()); }
  int ReadBlock(void* dest, int n);  // 1 when all n bytes were there (the rest of dest is zeroed)
  int Skip(int n);                   // 1 on success
  // Bytes between the read position and the end of the file (0 when writing), so that a
  // format can check a stored count before it allocates for it.
  int64_t BytesLeft();

  // ---- [Writes] ----
  void WriteByte(int value);
  void WriteInt(int32_t value);
  void WriteFloat(float value) { WriteInt(std::bit_cast<int32_t>(value)); }
  void WriteBlock(const void* source, int n);
  // n bytes: text cut to n - 1 characters, then zeros up to the end of the field.
  void WriteFixedString(const char* text, int n);
  void WriteWords(int n);  // n / 4 zero words (a format's reserved space)

 private:
  int ReadIntSlow();
  int ReadShortSlow();
  int ReadByteSlow();
  void WriteSlow(const uint8_t* bytes, int n);
  void ReportWriteFailure(int error);
};

// The non-null file of a record whose body is held in memory.
extern FILE* const DATA_FILE_IN_MEMORY;

inline int32_t DataFile::ReadInt() {
  if (mode == DATA_FILE_MEMORY_READ && end - cursor >= 4) {
    const uint32_t v = static_cast<uint32_t>(cursor[0]) | static_cast<uint32_t>(cursor[1]) << 8 |
                       static_cast<uint32_t>(cursor[2]) << 16 | static_cast<uint32_t>(cursor[3]) << 24;
    cursor += 4;
    return static_cast<int32_t>(v);
  }
  return ReadIntSlow();
}

inline int DataFile::ReadShort() {
  if (mode == DATA_FILE_MEMORY_READ && end - cursor >= 2) {
    const uint16_t v = static_cast<uint16_t>(cursor[0] | cursor[1] << 8);
    cursor += 2;
    return static_cast<int16_t>(v);
  }
  return ReadShortSlow();
}

inline int DataFile::ReadByte() {
  if (mode == DATA_FILE_MEMORY_READ && cursor < end) return *cursor++;
  return ReadByteSlow();
}

// A rim surface's four words (point, point, group, mapping), each written as its low 16 bits,
// little-endian: 8 bytes in any mode.
void WriteRimWords(const uint32_t words[4], DataFile& file);

// ---- [Images in memory] ----
// The body write(file) gives, written into memory: a counting pass, then a pass into a buffer
// of exactly the counted size.  Empty when a pass failed or the two passes disagree.
template <class Write>
std::vector<uint8_t> MemoryWriteBody(Write write) {
  DataFile file{};
  file.BeginMemoryWrite(0, nullptr);
  write(file);
  std::vector<uint8_t> body;
  if (!file.BeginMemoryWrite(1, nullptr)) {
    write(file);
    if (file.FinishMemoryWrite()) body.assign(file.buffer, file.end);
  }
  std::free(file.buffer);
  return body;
}
// A whole file image: the magic, the version high byte first, then the body.
std::vector<uint8_t> DataFileImage(const char* magic, const std::vector<uint8_t>& body, int version);

// ---- [File helpers] ----
// Last-write time in minutes (FILETIME / 600000000); 0 when there is no such file.
uint32_t FileTimeMinutes(const char* path);
uint32_t FileTimeToMinutes(uint64_t fileTime);  // a FILETIME in minutes
// 1 when "mods\vehicles\<name>\<name>.veh" exists; 0 also for a name that would leave the folder.
int ModVehicleFileExists(const char* name);
// Opens for appending (creating a missing file) and closes at once: the write probe.
int CanAppendToFile(const char* path);
// Skips the copy (adding 1 to skippedCount) when both files exist with equal write times;
// otherwise copies keeping the time.  A failed copy is shown as a message line.
int CopyFileKeepTime(const char* source, const char* dest, int* skippedCount);
// Copies source over dest; useSystemCopy keeps the source's write time.  1 on success.
int CopyFileSimple(const char* source, const char* dest, int useSystemCopy);
// 0 when either cannot be opened, 1 when both hold the same bytes and end together, else 2.
int CompareFiles(const char* a, const char* b);
int GetFileWriteTime(const char* path, uint64_t* timeOut);  // FILETIME; non-zero on success
int SetFileWriteTime(const char* path, uint64_t time);
// Null on success, else "Not found", "Access denied", "Invalid characters" or "Unknown error".
// An existing target is never replaced ("Access denied").
const char* RenameFileReport(const char* oldPath, const char* newPath);
// A user's file that exists but could not be read is moved aside before anything is written
// in its place, so that defaults never replace what another version (or a damaged disk) left:
// it is renamed "<path>.kept" ("<path>.kept2" .. ".kept99" when taken) with one message line
// "<reason> <path> - kept as <new path>", said on standard error too.  Returns 1 when it was
// kept aside (or is not there), 0 when it could not be moved (also said): the caller must then
// leave it as it is and write nothing over it.
int KeepUnreadFileAside(const char* path, const char* reason);
constexpr int KEPT_ASIDE_MAX = 99;
// 1 when text holds anything but blanks and control characters.
int HasVisibleText(const char* text, size_t length);
