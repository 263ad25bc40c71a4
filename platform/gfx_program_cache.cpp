// gfx_program_cache.cpp - linked programs kept between runs as the driver's own binaries.
//
// A software driver's first compile of a run is its dearest (its compiler sets itself up), and
// every link costs more than reading a binary back; a start that finds its programs kept spares
// both.  The file (GfxUseProgramCache) is read when first needed, with the context current;
// programs linked since are added by GfxSaveProgramCache.  A file another driver wrote, or a
// damaged one, is passed over (the programs are compiled as ever) and written anew.
//
// The file, little-endian, field by field:
//   char[4] "ZKPB", uint32 version (1),
//   uint32 length and the bytes of the driver's name ("<renderer> | <version>"),
//   uint32 count, then per program: uint64 vertex source hash, uint64 pixel source hash
//   (0: no pixel stage), uint32 binary format, uint32 length, and the binary's bytes;
//   uint32 count, then per source that compiled: uint64 its hash.
#include "platform/gfx_local.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"

namespace {

constexpr char MAGIC[4] = {'Z', 'K', 'P', 'B'};
constexpr uint32_t VERSION = 1;
constexpr uint32_t MAX_PROGRAMS = 4096;
constexpr uint32_t MAX_SOURCES = 4096;
constexpr uint32_t MAX_BINARY_BYTES = 16u << 20;
constexpr int64_t MAX_FILE_BYTES = 256ll << 20;

struct KeptProgram {
  uint64_t vertexHash = 0, pixelHash = 0;
  uint32_t format = 0;
  std::vector<uint8_t> binary;
};

struct ProgramCache {
  std::string path;  // empty: nothing is kept
  bool read = false;
  bool changed = false;
  std::string driver;
  std::vector<KeptProgram> programs;
  std::vector<uint64_t> compiled;  // hashes of the sources that compiled
};
ProgramCache g_cache;

bool Active() { return !g_cache.path.empty() && GfxGlContextExists() && !GfxNullBackend(); }

std::string DriverName() {
  const GLubyte* renderer = GL(GetString)(GL_RENDERER);
  const GLubyte* version = GL(GetString)(GL_VERSION);
  std::string name = renderer ? reinterpret_cast<const char*>(renderer) : "";
  name += " | ";
  name += version ? reinterpret_cast<const char*>(version) : "";
  return name;
}

class Reader {
 public:
  explicit Reader(const std::string& bytes) : at_(bytes.data()), end_(bytes.data() + bytes.size()) {}
  bool Bytes(void* out, size_t n) {
    if (size_t(end_ - at_) < n) return false;
    std::memcpy(out, at_, n);
    at_ += n;
    return true;
  }
  bool U32(uint32_t& v) {
    uint8_t b[4];
    if (!Bytes(b, 4)) return false;
    v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
  }
  bool U64(uint64_t& v) {
    uint32_t low = 0, high = 0;
    if (!U32(low) || !U32(high)) return false;
    v = uint64_t(high) << 32 | low;
    return true;
  }
  bool AtEnd() const { return at_ == end_; }

 private:
  const char* at_;
  const char* end_;
};

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void PutU64(std::vector<uint8_t>& out, uint64_t v) {
  PutU32(out, uint32_t(v));
  PutU32(out, uint32_t(v >> 32));
}

// The file's programs and compiled sources when it is whole and this driver's; false otherwise.
bool Parse(const std::string& bytes, const std::string& driver, std::vector<KeptProgram>& out,
           std::vector<uint64_t>& compiled) {
  Reader r(bytes);
  char magic[4];
  uint32_t version = 0, nameLength = 0, count = 0;
  if (!r.Bytes(magic, 4) || std::memcmp(magic, MAGIC, 4) != 0 || !r.U32(version) || version != VERSION ||
      !r.U32(nameLength) || nameLength != driver.size())
    return false;
  std::string name(nameLength, '\0');
  if (!r.Bytes(name.data(), nameLength) || name != driver || !r.U32(count) || count > MAX_PROGRAMS) return false;
  for (uint32_t i = 0; i < count; ++i) {
    KeptProgram p;
    uint32_t length = 0;
    if (!r.U64(p.vertexHash) || !r.U64(p.pixelHash) || !r.U32(p.format) || !r.U32(length) ||
        length > MAX_BINARY_BYTES)
      return false;
    p.binary.resize(length);
    if (!r.Bytes(p.binary.data(), length)) return false;
    out.push_back(std::move(p));
  }
  if (!r.U32(count) || count > MAX_SOURCES) return false;
  compiled.resize(count);
  for (uint64_t& hash : compiled)
    if (!r.U64(hash)) return false;
  return r.AtEnd();
}

// Reads the file once a context is there to name the driver.
void ReadOnce() {
  if (g_cache.read || !Active()) return;
  g_cache.read = true;
  g_cache.driver = DriverName();
  std::string bytes;
  if (FileReadAll(g_cache.path.c_str(), bytes, MAX_FILE_BYTES) != 0) return;  // none yet
  if (!Parse(bytes, g_cache.driver, g_cache.programs, g_cache.compiled)) {
    g_cache.programs.clear();
    g_cache.compiled.clear();
    g_cache.changed = true;  // written anew
  }
}

KeptProgram* Find(uint64_t vertexHash, uint64_t pixelHash) {
  for (KeptProgram& p : g_cache.programs)
    if (p.vertexHash == vertexHash && p.pixelHash == pixelHash) return &p;
  return nullptr;
}

}  // namespace

void GfxUseProgramCache(const char* path) {
  g_cache = ProgramCache();
  if (path) g_cache.path = path;
}

int GfxSaveProgramCache() {
  if (!g_cache.changed || g_cache.path.empty()) return 0;
  std::vector<uint8_t> out(MAGIC, MAGIC + 4);
  PutU32(out, VERSION);
  PutU32(out, uint32_t(g_cache.driver.size()));
  out.insert(out.end(), g_cache.driver.begin(), g_cache.driver.end());
  PutU32(out, uint32_t(g_cache.programs.size()));
  for (const KeptProgram& p : g_cache.programs) {
    PutU64(out, p.vertexHash);
    PutU64(out, p.pixelHash);
    PutU32(out, p.format);
    PutU32(out, uint32_t(p.binary.size()));
    out.insert(out.end(), p.binary.begin(), p.binary.end());
  }
  PutU32(out, uint32_t(g_cache.compiled.size()));
  for (uint64_t hash : g_cache.compiled) PutU64(out, hash);
  const int error = FileWriteAll(g_cache.path.c_str(), out.data(), out.size());
  if (error == 0) g_cache.changed = false;
  return error;
}

uint64_t GfxSourceHash(const char* source, size_t length) {
  uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a, then the length
  for (size_t i = 0; i < length; ++i) h = (h ^ uint8_t(source[i])) * 0x100000001b3ull;
  return (h ^ length) * 0x100000001b3ull;
}

bool GfxSourceCompiledBefore(uint64_t sourceHash) {
  ReadOnce();
  return Active() && std::find(g_cache.compiled.begin(), g_cache.compiled.end(), sourceHash) != g_cache.compiled.end();
}

void GfxKeepCompiled(uint64_t sourceHash) {
  if (GfxSourceCompiledBefore(sourceHash) || !Active() || g_cache.compiled.size() >= MAX_SOURCES) return;
  g_cache.compiled.push_back(sourceHash);
  g_cache.changed = true;
}

GLuint GfxProgramFromCache(uint64_t vertexHash, uint64_t pixelHash) {
  ReadOnce();
  if (!Active()) return 0;
  KeptProgram* kept = Find(vertexHash, pixelHash);
  if (!kept) return 0;
  GLuint program = GL(CreateProgram)();
  GL(ProgramBinary)(program, kept->format, kept->binary.data(), GLsizei(kept->binary.size()));
  GLint ok = 0;
  GL(GetProgramiv)(program, GL_LINK_STATUS, &ok);
  if (ok) return program;
  GL(DeleteProgram)(program);
  // Refused (the driver changed under the same name): linked from the sources and kept again.
  g_cache.programs.erase(g_cache.programs.begin() + (kept - g_cache.programs.data()));
  g_cache.changed = true;
  return 0;
}

void GfxKeepProgram(uint64_t vertexHash, uint64_t pixelHash, GLuint program) {
  ReadOnce();
  if (!Active() || g_cache.programs.size() >= MAX_PROGRAMS) return;
  GLint length = 0;
  GL(GetProgramiv)(program, GL_PROGRAM_BINARY_LENGTH, &length);
  if (length <= 0 || uint32_t(length) > MAX_BINARY_BYTES) return;
  KeptProgram p;
  p.vertexHash = vertexHash;
  p.pixelHash = pixelHash;
  p.binary.resize(size_t(length));
  GLsizei written = 0;
  GLenum format = 0;
  GL(GetProgramBinary)(program, length, &written, &format, p.binary.data());
  if (written <= 0) return;
  p.binary.resize(size_t(written));
  p.format = format;
  if (KeptProgram* old = Find(vertexHash, pixelHash))
    *old = std::move(p);
  else
    g_cache.programs.push_back(std::move(p));
  g_cache.changed = true;
}
