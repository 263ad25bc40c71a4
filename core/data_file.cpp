// data_file.cpp - the data-file container and the file helpers.
#include "core/data_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "core/report.h"

int LastDataFileError;

namespace {
unsigned char g_inMemoryMarker;

void Report(Prss* page, const char* text, const char* path) {
  if (page) ReportBox(page, text, PathOnDisk(path).c_str());
}

// Null when the first length bytes hold the magic and a version up to highest (the version is
// given out whenever the magic matches); else the failure, with LastDataFileError set.
const char* CheckHeader(const uint8_t* header, int64_t length, const char* magic, int32_t* versionOut,
                        int32_t highest) {
  if (!header || length < DATA_FILE_HEADER_SIZE || std::memcmp(header, magic, DATA_FILE_MAGIC_SIZE) != 0) {
    LastDataFileError = DATA_FILE_WRONG_TYPE;
    return TEXT_FILE_FAILED_HEADER;
  }
  const int32_t version = header[6] << 8 | header[7];
  if (versionOut) *versionOut = version;
  if (version > highest) {
    LastDataFileError = DATA_FILE_LATER_VERSION;
    return TEXT_FILE_LATER_VERSION;
  }
  return nullptr;
}
}  // namespace

FILE* const DATA_FILE_IN_MEMORY = reinterpret_cast<FILE*>(&g_inMemoryMarker);

const char* DataFileErrorText(int error) {
  switch (error) {
    case DATA_FILE_OK: return nullptr;
    case DATA_FILE_NOT_FOUND: return TEXT_COULD_NOT_OPEN_FILE;
    case DATA_FILE_LATER_VERSION: return TEXT_FILE_LATER_VERSION;
    case DATA_FILE_OBSOLETE: return TEXT_FILE_OBSOLETE;
    case DATA_FILE_TOO_SHORT: return TEXT_FILE_TOO_SHORT;
    default: return TEXT_FILE_FAILED_HEADER;
  }
}

// ---- [Opening] ----

const char* DataFile::OpenAndCheckHeader(const char* path, const char* magic, int32_t* versionOut,
                                         int32_t highest) {
  *this = DataFile{};
  LastDataFileError = DATA_FILE_OK;
  FILE* stream = FileOpen(path, "rb");
  if (!stream) {
    LastDataFileError = DATA_FILE_NOT_FOUND;
    return TEXT_COULD_NOT_OPEN_FILE;
  }
  uint8_t header[DATA_FILE_HEADER_SIZE];
  const size_t got = std::fread(header, 1, sizeof header, stream);
  if (const char* failure = CheckHeader(header, int64_t(got), magic, versionOut, highest)) {
    std::fclose(stream);
    return failure;
  }
  file = stream;
  return nullptr;
}

int DataFile::OpenRead(Prss* page, const char* path, const char* magic, int32_t* versionOut, int32_t highest,
                       int keepStreaming) {
  if (const char* failure = OpenAndCheckHeader(path, magic, versionOut, highest)) {
    Report(page, failure, path);
    return 0;
  }
  if (keepStreaming) return 1;

  FILE* stream = file;
  file = nullptr;
  long length = -1;
  if (std::fseek(stream, 0, SEEK_END) == 0) length = std::ftell(stream);
  if (length < DATA_FILE_HEADER_SIZE + 1) {
    std::fclose(stream);
    LastDataFileError = DATA_FILE_TOO_SHORT;
    Report(page, TEXT_FILE_TOO_SHORT, path);
    return 0;
  }
  const int64_t bodyLength = static_cast<int64_t>(length) - DATA_FILE_HEADER_SIZE;
  uint8_t* body = bodyLength <= DATA_FILE_MAX_BODY ? static_cast<uint8_t*>(std::malloc(bodyLength)) : nullptr;
  if (!body) {
    std::fclose(stream);
    if (page) ReportBox(page, TEXT_COULD_NOT_ALLOCATE);
    return 0;
  }
  const bool complete = std::fseek(stream, DATA_FILE_HEADER_SIZE, SEEK_SET) == 0 &&
                        std::fread(body, 1, bodyLength, stream) == static_cast<size_t>(bodyLength);
  std::fclose(stream);
  if (!complete) {  // the file shrank under us
    std::free(body);
    LastDataFileError = DATA_FILE_TOO_SHORT;
    Report(page, TEXT_FILE_TOO_SHORT, path);
    return 0;
  }
  mode = DATA_FILE_MEMORY_READ;
  file = DATA_FILE_IN_MEMORY;
  buffer = cursor = body;
  end = body + bodyLength;
  size = static_cast<int32_t>(length);
  return 1;
}

int DataFile::OpenReadMemory(Prss* page, const uint8_t* image, int64_t length, const char* magic,
                             int32_t* versionOut, int32_t highest) {
  *this = DataFile{};
  LastDataFileError = DATA_FILE_OK;
  const char* failure = CheckHeader(image, length, magic, versionOut, highest);
  if (!failure && length < DATA_FILE_HEADER_SIZE + 1) {
    LastDataFileError = DATA_FILE_TOO_SHORT;
    failure = TEXT_FILE_TOO_SHORT;
  }
  if (failure) {
    if (page) ReportBox(page, failure);
    return 0;
  }
  const int64_t bodyLength = length - DATA_FILE_HEADER_SIZE;
  uint8_t* body = bodyLength <= DATA_FILE_MAX_BODY ? static_cast<uint8_t*>(std::malloc(bodyLength)) : nullptr;
  if (!body) {
    if (page) ReportBox(page, TEXT_COULD_NOT_ALLOCATE);
    return 0;
  }
  std::memcpy(body, image + DATA_FILE_HEADER_SIZE, bodyLength);
  mode = DATA_FILE_MEMORY_READ;
  file = DATA_FILE_IN_MEMORY;
  buffer = cursor = body;
  end = body + bodyLength;
  size = static_cast<int32_t>(length);
  return 1;
}

int DataFile::CheckLowestVersion(Prss* page, const char* path, int32_t version, int32_t lowest) {
  if (version >= lowest) return 1;
  Close();
  LastDataFileError = DATA_FILE_OBSOLETE;
  Report(page, TEXT_FILE_OBSOLETE, path);
  return 0;
}

int DataFile::OpenWrite(Prss* page, const char* path, const char* magic, int32_t version) {
  *this = DataFile{};
  reportPage = page;
  std::snprintf(writePath, sizeof writePath, "%s", path);
  FILE* stream = SafeWriteBegin(out, path);
  if (!stream) {
    LogF("Could not create %s (%s)", path, std::strerror(out.error));
    ReportSaveFailure(page, TEXT_COULD_NOT_CREATE_FILE, path, out.error);
    return 0;
  }
  file = stream;
  writing = 1;
  WriteBlock(magic, DATA_FILE_MAGIC_SIZE);
  WriteByte(version >> 8);
  WriteByte(version);
  return 1;
}

const char* DataFile::BeginMemoryWrite(int pass, int* failedFlag) {
  if (pass == 0) {
    *this = DataFile{};
    mode = DATA_FILE_COUNTING;
    size = DATA_FILE_HEADER_SIZE;
    return nullptr;
  }
  const int64_t bodyLength = static_cast<int64_t>(size) - DATA_FILE_HEADER_SIZE;
  // malloc(0) may give null; a body of no bytes still gets a valid buffer.
  uint8_t* body = (writeFailed || bodyLength < 0) ? nullptr : static_cast<uint8_t*>(std::malloc(bodyLength ? bodyLength : 1));
  if (!body) {
    if (failedFlag) *failedFlag = 1;
    return TEXT_COULD_NOT_ALLOCATE;
  }
  mode = DATA_FILE_MEMORY_WRITE;
  buffer = cursor = body;
  end = body + bodyLength;
  return nullptr;
}

int DataFile::FinishMemoryWrite() {
  if (mode == DATA_FILE_MEMORY_WRITE && !writeFailed && cursor == end) return 1;
  if (!writeFailed) LogF("DataFile: the second pass wrote %ld of %ld counted bytes",
                         static_cast<long>(cursor - buffer), static_cast<long>(end - buffer));
  writeFailed = 1;
  return 0;
}

void DataFile::StartMemoryRead() {
  mode = DATA_FILE_MEMORY_READ;
  cursor = buffer;
  readPastEnd = 0;
}

int DataFile::Close() {
  int result = 1;
  if (mode == DATA_FILE_STREAM && file && file != DATA_FILE_IN_MEMORY) {
    if (writing) {
      if (writeFailed) SafeWriteFail(out, EIO);
      const int error = SafeWriteCommit(out);
      if (error) {
        ReportWriteFailure(error);
        result = 0;
      }
    } else {
      std::fclose(file);
    }
  } else if (mode == DATA_FILE_MEMORY_READ) {
    std::free(buffer);
    buffer = nullptr;
    end = nullptr;
  } else if (mode == DATA_FILE_COUNTING || mode == DATA_FILE_MEMORY_WRITE) {
    if (writeFailed) result = 0;
  }
  writing = 0;
  file = nullptr;
  cursor = nullptr;
  return result;
}

void DataFile::Abandon() {
  if (mode == DATA_FILE_STREAM && writing) {
    SafeWriteAbandon(out);
    writing = 0;
    file = nullptr;
    cursor = nullptr;
    return;
  }
  Close();
}

void DataFile::ReportWriteFailure(int error) {
  LogF("%s %s (%s)", TEXT_COULD_NOT_WRITE_FILE, writePath, std::strerror(error));
  ReportSaveFailure(reportPage, TEXT_COULD_NOT_WRITE_FILE, writePath, error);
}

// ---- [Reads] ----
// The fast paths are inline in the header; these serve the stream, the end of a memory body
// and a record in the wrong mode (which reads nothing).

int DataFile::ReadByteSlow() {
  if (mode == DATA_FILE_STREAM && file && file != DATA_FILE_IN_MEMORY && !writing) {
    const int c = std::fgetc(file);
    if (c == EOF) readPastEnd = 1;
    return c == EOF ? -1 : c;
  }
  readPastEnd = 1;
  if (mode == DATA_FILE_MEMORY_READ) cursor = end;
  return -1;
}

int DataFile::ReadShortSlow() {
  uint8_t bytes[2];
  if (!ReadBlock(bytes, 2)) return 0;
  return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | bytes[1] << 8));
}

int DataFile::ReadIntSlow() {
  uint8_t bytes[4];
  if (!ReadBlock(bytes, 4)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                              static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

int DataFile::ReadBlock(void* dest, int n) {
  if (n <= 0) return n == 0;
  uint8_t* to = static_cast<uint8_t*>(dest);
  if (mode == DATA_FILE_MEMORY_READ) {
    const int64_t available = end - cursor;
    if (available >= n) {
      std::memcpy(to, cursor, n);
      cursor += n;
      return 1;
    }
    std::memcpy(to, cursor, available);
    std::memset(to + available, 0, n - available);
    cursor = end;
    readPastEnd = 1;
    return 0;
  }
  if (mode == DATA_FILE_STREAM && file && file != DATA_FILE_IN_MEMORY && !writing) {
    const size_t got = std::fread(to, 1, n, file);
    if (got == static_cast<size_t>(n)) return 1;
    std::memset(to + got, 0, n - got);
    readPastEnd = 1;
    return 0;
  }
  std::memset(to, 0, n);
  readPastEnd = 1;
  return 0;
}

int DataFile::Skip(int n) {
  if (mode == DATA_FILE_MEMORY_READ) {
    if (n >= 0 && end - cursor >= n) {
      cursor += n;
      return 1;
    }
    if (n < 0 && cursor - buffer >= -static_cast<int64_t>(n)) {
      cursor += n;
      return 1;
    }
    if (n > 0) {
      cursor = end;
      readPastEnd = 1;
    }
    return 0;
  }
  if (mode == DATA_FILE_STREAM && file && file != DATA_FILE_IN_MEMORY && !writing) {
    // A file lets a seek pass its end, so a skip over the end is marked here, as in memory.
    if (n > 0 && BytesLeft() < n) {
      std::fseek(file, 0, SEEK_END);
      readPastEnd = 1;
      return 0;
    }
    return std::fseek(file, n, SEEK_CUR) == 0;
  }
  return 0;
}

int64_t DataFile::BytesLeft() {
  if (mode == DATA_FILE_MEMORY_READ) return end - cursor;
  if (mode != DATA_FILE_STREAM || writing || !file || file == DATA_FILE_IN_MEMORY) return 0;
  const long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
  const long last = std::ftell(file);
  std::fseek(file, here, SEEK_SET);
  return last > here ? int64_t(last - here) : 0;
}

// ---- [Writes] ----

void DataFile::WriteSlow(const uint8_t* bytes, int n) {
  if (n <= 0) return;
  switch (mode) {
    case DATA_FILE_COUNTING:
      if (size > INT32_MAX - n) {
        if (!writeFailed) LogLine("DataFile: the counted size passed 2 GB");
        writeFailed = 1;
        return;
      }
      size += n;
      return;
    case DATA_FILE_MEMORY_WRITE:
      if (end - cursor < n) {
        // The second pass writes more than the first counted: refuse rather than overrun.
        if (!writeFailed) LogF("DataFile: a write of %d bytes passed the counted size", n);
        writeFailed = 1;
        cursor = end;
        return;
      }
      std::memcpy(cursor, bytes, n);
      cursor += n;
      return;
    case DATA_FILE_STREAM:
      if (file && writing && std::fwrite(bytes, 1, n, file) == static_cast<size_t>(n)) return;
      if (writing) SafeWriteFail(out, errno ? errno : EIO);
      writeFailed = 1;
      return;
    default:
      writeFailed = 1;
      return;
  }
}

void DataFile::WriteByte(int value) {
  const uint8_t byte = static_cast<uint8_t>(value);
  WriteSlow(&byte, 1);
}

void DataFile::WriteInt(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                            static_cast<uint8_t>(v >> 24)};
  WriteSlow(bytes, 4);
}

void DataFile::WriteBlock(const void* source, int n) { WriteSlow(static_cast<const uint8_t*>(source), n); }

void DataFile::WriteFixedString(const char* text, int n) {
  if (n <= 0) return;
  uint8_t field[256];
  uint8_t* bytes = n <= static_cast<int>(sizeof field) ? field : static_cast<uint8_t*>(std::malloc(n));
  if (!bytes) {
    writeFailed = 1;
    return;
  }
  std::memset(bytes, 0, n);
  for (int i = 0; i < n - 1 && text && text[i]; ++i) bytes[i] = static_cast<uint8_t>(text[i]);
  WriteSlow(bytes, n);
  if (bytes != field) std::free(bytes);
}

void DataFile::WriteWords(int n) {
  for (int i = 0; i < n / 4; ++i) WriteInt(0);
}

void WriteRimWords(const uint32_t words[4], DataFile& file) {
  for (int i = 0; i < 4; ++i) {
    file.WriteByte(static_cast<int>(words[i] & 0xFF));
    file.WriteByte(static_cast<int>(words[i] >> 8 & 0xFF));
  }
}

// ---- [Images in memory] ----

std::vector<uint8_t> DataFileImage(const char* magic, const std::vector<uint8_t>& body, int version) {
  std::vector<uint8_t> image(magic, magic + DATA_FILE_MAGIC_SIZE);
  image.push_back(static_cast<uint8_t>(version >> 8));
  image.push_back(static_cast<uint8_t>(version));
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

// ---- [File helpers] ----

uint32_t FileTimeMinutes(const char* path) {
  uint64_t time;
  if (!FileGetWriteTime(path, time)) return 0;
  return FileTimeToMinutes(time);
}

uint32_t FileTimeToMinutes(uint64_t fileTime) { return static_cast<uint32_t>(fileTime / 600000000u); }

int ModVehicleFileExists(const char* name) {
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, "mods\\vehicles\\%s\\%s.veh", name)) return 0;
  return FileExists(path) && !FileIsFolder(path);
}

int CanAppendToFile(const char* path) {
  FILE* file = FileOpen(path, "ab");
  if (!file) return 0;
  return std::fclose(file) == 0;
}

int CopyFileKeepTime(const char* source, const char* dest, int* skippedCount) {
  uint64_t sourceTime, destTime;
  if (FileGetWriteTime(source, sourceTime) && FileGetWriteTime(dest, destTime) && sourceTime == destTime) {
    if (skippedCount) ++*skippedCount;
    return 1;
  }
  if (CopyFileSimple(source, dest, 1)) return 1;
  char text[FILE_PATH_SIZE + 64];
  std::snprintf(text, sizeof text, "%s %s", TEXT_COULD_NOT_COPY_FILE, source);
  ReportLine(text, REPORT_ERROR);
  return 0;
}

int CopyFileSimple(const char* source, const char* dest, int useSystemCopy) {
  const int error = FileCopy(source, dest, useSystemCopy != 0);
  if (error) LogF("Could not copy %s to %s (%s)", source, dest, std::strerror(error));
  return error == 0;
}

int CompareFiles(const char* a, const char* b) {
  FILE* first = FileOpen(a, "rb");
  if (!first) return 0;
  FILE* second = FileOpen(b, "rb");
  if (!second) {
    std::fclose(first);
    return 0;
  }
  int result = 1;
  uint8_t chunkA[16384], chunkB[16384];
  for (;;) {
    const size_t gotA = std::fread(chunkA, 1, sizeof chunkA, first);
    const size_t gotB = std::fread(chunkB, 1, sizeof chunkB, second);
    // Equal only when both end together: a longer file that begins with the other differs.
    if (gotA != gotB || std::memcmp(chunkA, chunkB, gotA) != 0) {
      result = 2;
      break;
    }
    if (gotA < sizeof chunkA) break;
  }
  std::fclose(first);
  std::fclose(second);
  return result;
}

int GetFileWriteTime(const char* path, uint64_t* timeOut) {
  uint64_t time;
  if (!FileGetWriteTime(path, time)) return 0;
  if (timeOut) *timeOut = time;
  return 1;
}

int SetFileWriteTime(const char* path, uint64_t time) { return FileSetWriteTime(path, time) ? 1 : 0; }

int KeepUnreadFileAside(const char* path, const char* reason) {
  if (!FileExists(path)) return 1;
  char kept[FILE_PATH_SIZE + 16];
  int error = EEXIST;
  for (int n = 1; n <= KEPT_ASIDE_MAX && error == EEXIST; ++n) {
    if (n == 1)
      std::snprintf(kept, sizeof kept, "%s.kept", path);
    else
      std::snprintf(kept, sizeof kept, "%s.kept%d", path, n);
    error = FileRename(path, kept);
  }
  char text[2 * FILE_PATH_SIZE + 128];
  if (error == 0)
    std::snprintf(text, sizeof text, "%s %s - kept as %s", reason, path, kept);
  else
    std::snprintf(text, sizeof text, "%s %s - it could not be kept aside (%s) and is not written over", reason,
                  path, std::strerror(error));
  ReportLine(text, REPORT_ERROR);
  if (!LogFileName[0]) LogLine(text);  // message lines reach the log only while one is named
  std::fprintf(stderr, "%s\n", text);  // read even when it happens before any window, or without one
  std::fflush(stderr);
  return error == 0 ? 1 : 0;
}

int HasVisibleText(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (static_cast<unsigned char>(text[i]) > ' ') return 1;
  return 0;
}

const char* RenameFileReport(const char* oldPath, const char* newPath) {
  switch (FileRename(oldPath, newPath)) {
    case 0: return nullptr;
    case ENOENT: return "Not found";
    case EACCES:
    case EPERM:
    case EEXIST: return "Access denied";
    case EINVAL: return "Invalid characters";
    default: return "Unknown error";
  }
}
