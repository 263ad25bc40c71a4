// obj_import.cpp - the OBJ importer: the file read whole, a pass over its vertex lines, a pass
// over its face lines, then the points merged and the smoothing groups numbered.
#include "modeller/files/obj_import.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/report.h"
#include "model/model_object.h"
#include "modeller/files/face_triangles.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"

namespace {

// One line at a time from the bytes, [begin, end) in place.  A line that holds a character
// below 32 other than a tab is marked, for the text to be read again without them.
struct LineReader {
  const char* at;
  const char* stop;
  bool control = false;  // a line so far held one

  LineReader(const char* data, size_t size) : at(data), stop(data + size) {}
  bool Next(const char*& begin, const char*& end) {
    if (at >= stop) return false;
    const char* p = at;
    // Eight characters at a time to the first below 32 (a line end, tab or other control; the
    // lowest marked byte of the word is always one), then one at a time to the line's end.
    while (stop - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      const uint64_t below = (word - 0x2020202020202020ull) & ~word & 0x8080808080808080ull;
      if (below != 0) {
        p += __builtin_ctzll(below) / 8;
        break;
      }
      p += 8;
    }
    for (; p < stop && *p != '\n' && *p != '\r'; ++p) control |= IsControl(*p);
    begin = at, end = p;
    at = p < stop ? p + 1 : p;
    return true;
  }
  // Goes on from a line start found earlier.
  void Seek(const char* lineStart) { at = lineStart; }
  const char* Position() const { return at; }

  // Below 32, and not a tab (9), line feed (10) or carriage return (13).
  static bool IsControl(char c) {
    const unsigned code = static_cast<unsigned char>(c);
    return code < 32 && ((~((1u << 9) | (1u << 10) | (1u << 13)) >> code) & 1u);
  }
};

// The text without the characters below 32 other than tabs and line ends, into kept; gives
// its length.  Sixteen bytes at a time where that is plain: none to drop (all copied), or
// UTF-16 text whose characters are below 256 (every other byte dropped, the rest packed).
size_t WithoutControlCharacters(const char* data, size_t size, std::unique_ptr<char[]>& kept) {
  kept.reset(new char[size]);
  char* out = kept.get();
  const char* c = data;
  for (; data + size - c >= 16; c += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c));
    const __m128i below32 = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(31)), bytes);
    const __m128i lineOrTab = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')),
                                                        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))),
                                           _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
    const int control = _mm_movemask_epi8(_mm_andnot_si128(lineOrTab, below32));  // bit i: byte i dropped
    if (control == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
      out += 16;
    } else if (control == 0x5555 || control == 0xAAAA) {
      // The kept bytes as the low halves of 16-bit lanes, packed into eight.
      const __m128i lanes = control == 0x5555 ? _mm_srli_epi16(bytes, 8) : _mm_and_si128(bytes, _mm_set1_epi16(0xFF));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(lanes, lanes));
      out += 8;
    } else {
      for (int i = 0; i < 16; ++i) {
        *out = c[i];
        out += !((control >> i) & 1);
      }
    }
  }
  for (; c < data + size; ++c) {
    *out = *c;
    out += !LineReader::IsControl(*c);
  }
  return size_t(out - kept.get());
}

// The byte order of UTF-16 text by its byte-order mark: 1 big-endian, 0 little-endian, -1 none.
int Utf16Order(const char* data, size_t size) {
  if (size < 2) return -1;
  if (std::memcmp(data, "\xFE\xFF", 2) == 0) return 1;
  return std::memcmp(data, "\xFF\xFE", 2) == 0 ? 0 : -1;
}

// UTF-16 text (after its byte-order mark) as its characters, one byte each, into out: ASCII
// as itself, every other character (a surrogate pair as two) as '?'.  An odd last byte is no
// character.  Gives the characters' count.  out may be the text's own bytes, as far back as
// its mark: each character is written before the two bytes it comes from.
size_t FromUtf16(const char* data, size_t size, bool bigEndian, char* out) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  const size_t count = size / 2;
  const size_t high = bigEndian ? 0 : 1;
  for (size_t i = 0; i < count; ++i) {
    const unsigned unit = unsigned(bytes[2 * i + high]) << 8 | bytes[2 * i + (1 - high)];
    out[i] = unit < 128 ? char(unit) : '?';
  }
  return count;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A statement line of the letter: at least 3 characters, the letter, then a blank.
bool IsStatement(const char* begin, const char* end, char letter) {
  return end - begin >= 3 && begin[0] == letter && IsBlank(begin[1]);
}

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

// The common number without sign or exponent, "123", "1.25", ".5" or "1.", whose digits
// make a whole number of at most 2^24 with at most 10 after the point: both that number and
// the power of ten are floats exactly, so their quotient is the float nearest the text, as a
// full reading gives.  Null for anything else.
const char* ReadPlainDecimal(const char* p, const char* end, float& out) {
  static constexpr float TENS[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  uint64_t whole = 0;
  int digits = 0, after = 0;
  for (; p < end && unsigned(*p - '0') < 10u && digits < 12; ++p, ++digits) whole = whole * 10 + unsigned(*p - '0');
  if (p < end && *p == '.')
    for (++p; p < end && unsigned(*p - '0') < 10u && digits < 12; ++p, ++digits, ++after)
      whole = whole * 10 + unsigned(*p - '0');
  if (digits == 0 || whole > (1u << 24) || after > 10) return nullptr;
  if (p < end && (unsigned(*p - '0') < 10u || *p == 'e' || *p == 'E' || *p == '.')) return nullptr;
  out = float(whole) / TENS[after];
  return p;
}

// One number as "%f" reads it after its blanks: an optional sign ('+' too), decimal or "0x"
// hexadecimal digits with an exponent, "inf" or "nan".  Null when none could be read.
const char* ReadFloat(const char* p, const char* end, float& out) {
  p = SkipBlanks(p, end);
  if (p >= end) return nullptr;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
    if (p >= end || *p == '+' || *p == '-') return nullptr;
  }
  std::from_chars_result r;
  if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      (std::isxdigit(static_cast<unsigned char>(p[2])) || p[2] == '.')) {
    r = std::from_chars(p + 2, end, out, std::chars_format::hex);
    if (r.ec == std::errc::invalid_argument) {  // "0x" alone reads as 0 followed by "x"
      out = 0.0f;
      r.ptr = p + 1, r.ec = std::errc{};
    }
  } else if (const char* plain = ReadPlainDecimal(p, end, out)) {
    r.ptr = plain, r.ec = std::errc{};
  } else {
    r = std::from_chars(p, end, out, std::chars_format::general);
  }
  if (r.ec == std::errc::invalid_argument) return nullptr;
  if (r.ec == std::errc::result_out_of_range) {
    // strtof's answer: an infinity above the range, zero below it.
    double d = std::strtod(std::string(p, size_t(r.ptr - p)).c_str(), nullptr);
    out = std::fabs(d) > 1.0 ? INFINITY : 0.0f;
  }
  if (negative) out = -out;
  return r.ptr;
}

// A whole decimal integer with an optional sign; false when the text is anything else or the
// value does not fit 32 bits.
bool ReadIndex(const char* p, const char* end, int32_t& out) {
  if (p < end && *p == '+') ++p;
  if (p >= end) return false;
  const std::from_chars_result r = std::from_chars(p, end, out);
  return r.ec == std::errc{} && r.ptr == end;
}

int32_t ToFixed(float value) { return int32_t(std::nearbyint(double(value) * 65536.0)); }

// The copies of vertices used with a further normal index, by (vertex, normal index): open
// addressing over a power-of-two table that doubles before it is half full, so each look-up
// takes a step or two however many copies one vertex has.
class CopyTable {
 public:
  // The copy's point, or -1 when there is none.
  int Find(uint64_t key) const {
    if (slots_.empty()) return -1;
    for (size_t i = Home(key);; i = (i + 1) & mask_) {
      if (slots_[i].point < 0) return -1;
      if (slots_[i].key == key) return slots_[i].point;
    }
  }
  void Add(uint64_t key, int point) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    size_t i = Home(key);
    while (slots_[i].point >= 0) i = (i + 1) & mask_;
    slots_[i] = Slot{key, point};
    ++used_;
  }

 private:
  struct Slot {
    uint64_t key;
    int32_t point;  // -1: empty
  };
  std::vector<Slot> slots_;
  size_t mask_ = 0, used_ = 0;

  size_t Home(uint64_t key) const { return size_t((key * 0x9E3779B97F4A7C15ull) >> 40) & mask_; }
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<size_t>(64, old.size() * 2), Slot{0, -1});
    mask_ = slots_.size() - 1;
    used_ = 0;
    for (const Slot& slot : old)
      if (slot.point >= 0) Add(slot.key, slot.point);
  }
};

struct Importer {
  ModelObject& object;
  Prss* screen;
  const char* file = nullptr;  // named on a stopping box's second line; null for none
  std::vector<ModelPoint> points;
  std::vector<ModelTriangle> triangles;  // with a surface
  std::vector<ModelTriangle> noSurface;  // with two corners at one point
  std::vector<uint32_t> normalOf;   // per vertex: the normal index it was first used with, 0 none
  CopyTable copies;                 // the copies of vertices used with further normal indices
  int vertexCount = 0;              // of the vertex pass: the faces' bound
  int overflow = 0;
  std::vector<size_t> faceLines;    // where each face line starts, found by the vertex pass
  std::vector<int> faceCorners;     // the points of the face in hand
  FaceTriangles faceShape;

  Importer(ModelObject& into, Prss* page) : object(into), screen(page) {}
  // A box that stops the import: its reason, and the file on a line of its own (after several
  // imports a box must say which file it is about).
  void Stop(const char* format, int a, int b = 0) {
    char text[DIALOG_TEXT_SIZE];
    std::snprintf(text, sizeof text, format, a, b);
    if (file)
      ShowMessageBox2Lines(screen, text, file);
    else
      ShowMessageBox(screen, text);
  }

  // 1 when read to the end, 0 when stopped, -1 at the first line with a character to drop.
  int VertexPass(const char* data, size_t size) {
    LineReader lines(data, size);
    const char *begin = nullptr, *end = nullptr;
    for (const char* start = lines.Position(); lines.Next(begin, end); start = lines.Position()) {
      if (lines.control) return -1;
      if (IsStatement(begin, end, 'f')) faceLines.push_back(size_t(start - data));
      if (!IsStatement(begin, end, 'v')) continue;
      if (int(points.size()) >= OBJ_POINT_LIMIT) {
        Stop(TEXT_OBJ_TOO_MANY_VERTICES, OBJ_POINT_LIMIT);
        return 0;
      }
      float v[3] = {0, 0, 0};
      const char* p = begin + 1;
      for (int i = 0; i < 3 && p; ++i) p = ReadFloat(p, end, v[i]);
      if (!p) v[0] = v[1] = v[2] = 0.0f;
      for (float& value : v) {
        if (!std::isfinite(value)) value = 0.0f;
      }
      for (float value : v)
        if (value < -OBJ_COORDINATE_LIMIT || value > OBJ_COORDINATE_LIMIT) {
          Stop(TEXT_OBJ_VERTEX_OUT_OF_BOUNDS, int(points.size()) + 1);
          return 0;
        }
      ModelPoint point{};
      point.x = ToFixed(v[0]), point.y = ToFixed(v[1]), point.z = ToFixed(v[2]);
      points.push_back(point);
    }
    vertexCount = int(points.size());
    return 1;
  }

  // The point a corner of OBJ vertex index (1-based) and normal index uses: the vertex's own
  // point for the first normal index it is used with, else the copy made for that normal
  // index; -1 when a new copy would pass the limit (the import stops).
  int ChoosePoint(int vertex, uint32_t normal) {
    const int p = vertex - 1;
    uint32_t& first = normalOf[size_t(p)];
    if (first == 0) first = normal;
    if (first == normal) return p;
    const uint64_t key = uint64_t(p) << 32 | normal;
    const int found = copies.Find(key);
    if (found >= 0) return found;
    if (int(points.size()) >= OBJ_POINT_LIMIT) {
      Stop(TEXT_OBJ_TOO_MANY_VERTICES, OBJ_POINT_LIMIT);
      return -1;
    }
    const int copy = int(points.size());
    points.push_back(points[size_t(p)]);
    copies.Add(key, copy);
    return copy;
  }

  // One corner's token: its vertex and normal index, or a message and 0.
  int ReadCorner(const char* begin, const char* end, int face, int k, int32_t& vertex, uint32_t& normal) {
    const char* slash1 = static_cast<const char*>(std::memchr(begin, '/', size_t(end - begin)));
    const char* vertexEnd = slash1 ? slash1 : end;
    const char* uvEnd = end;
    const char* normalBegin = end;
    if (slash1) {
      const char* slash2 = static_cast<const char*>(std::memchr(slash1 + 1, '/', size_t(end - slash1 - 1)));
      if (slash2) uvEnd = slash2, normalBegin = slash2 + 1;
    }
    if (vertexEnd - begin > OBJ_INDEX_PART_LIMIT) return Stop(TEXT_OBJ_VERT_ID_TOO_LONG, face, k), 0;
    if (slash1 && uvEnd - (slash1 + 1) > OBJ_INDEX_PART_LIMIT) return Stop(TEXT_OBJ_UV_ID_TOO_LONG, face, k), 0;
    if (end - normalBegin > OBJ_INDEX_PART_LIMIT) return Stop(TEXT_OBJ_NORMAL_ID_TOO_LONG, face, k), 0;
    if (vertexEnd == begin) return Stop(TEXT_OBJ_INFO_TOO_SHORT, face, k), 0;
    if (!ReadIndex(begin, vertexEnd, vertex)) return Stop(TEXT_OBJ_BAD_VERTEX_INDEX, face, k), 0;
    int32_t n = 1;
    if (normalBegin < end && !ReadIndex(normalBegin, end, n)) return Stop(TEXT_OBJ_BAD_NORMAL_INDEX, face, k), 0;
    if (vertex < 1 || vertex > vertexCount) return Stop(TEXT_OBJ_FACE_VERTEX_OUT_OF_BOUNDS, face, k), 0;
    if (n < 1) return Stop(TEXT_OBJ_FACE_NORMAL_OUT_OF_BOUNDS, face, k), 0;
    normal = uint32_t(n);
    return 1;
  }

  // The common corner token read in one step: "v", "v/t", "v//n" or "v/t/n" where v and n
  // are 1 to 9 digits and not 0 and t is at most the part limit of anything but a slash, the
  // token ending at a blank or the line's end.  Gives where it ends, or null for any other
  // token, which ReadCorner then reads (and judges) in full.
  static const char* ReadPlainCorner(const char* p, const char* end, int32_t& vertex, uint32_t& normal) {
    const char* start = p;
    uint32_t v = 0;
    while (p < end && unsigned(*p - '0') < 10u) v = v * 10 + unsigned(*p++ - '0');
    if (p == start || p - start > 9 || v == 0) return nullptr;
    uint32_t n = 1;
    if (p < end && *p == '/') {
      const char* uv = ++p;
      while (p < end && *p != '/' && !IsBlank(*p)) ++p;
      if (p - uv > OBJ_INDEX_PART_LIMIT) return nullptr;
      if (p < end && *p == '/') {
        const char* digits = ++p;
        n = 0;
        while (p < end && unsigned(*p - '0') < 10u) n = n * 10 + unsigned(*p++ - '0');
        if (p == digits || p - digits > 9 || n == 0) return nullptr;
      }
    }
    if (p < end && !IsBlank(*p)) return nullptr;
    vertex = int32_t(v), normal = n;
    return p;
  }

  // A triangle of the file's faces (point indices), after the others when two of its corners
  // are one point; past the limit only counted.
  void AddTriangle(int a, int b, int c) {
    if (int(triangles.size() + noSurface.size()) >= OBJ_TRIANGLE_LIMIT) {
      ++overflow;
      return;
    }
    ModelTriangle t{};
    // The low normal share every new triangle gets: a model whose triangles all had 0 would
    // read back with 1.
    t.normalLevel = 1;
    t.corners[0] = uint16_t(a), t.corners[1] = uint16_t(b), t.corners[2] = uint16_t(c);
    (a == b || b == c || a == c ? noSurface : triangles).push_back(t);
  }

  // The face's triangles: cut along its outline when it is concave, else its fan (first,
  // previous, next).  Past the limit a face is not cut, only its corners - 2 counted.
  void AddFace() {
    const int count = int(faceCorners.size());
    if (int(triangles.size() + noSurface.size()) >= OBJ_TRIANGLE_LIMIT) {
      overflow += std::max(count - 2, 0);
      return;
    }
    if (faceShape.Cut(points.data(), faceCorners.data(), count)) {
      for (const std::array<int, 3>& t : faceShape.Triangles())
        AddTriangle(faceCorners[size_t(t[0])], faceCorners[size_t(t[1])], faceCorners[size_t(t[2])]);
      return;
    }
    for (int k = 2; k < count; ++k) AddTriangle(faceCorners[0], faceCorners[size_t(k - 1)], faceCorners[size_t(k)]);
  }

  int FacePass(const char* data, size_t size) {
    normalOf.assign(points.size(), 0);
    triangles.reserve(std::min<size_t>(faceLines.size() * 2, OBJ_TRIANGLE_LIMIT));
    faceCorners.reserve(16);
    LineReader lines(data, size);
    const char *begin = nullptr, *end = nullptr;
    int face = 0;
    for (size_t start : faceLines) {
      lines.Seek(data + start);
      lines.Next(begin, end);
      ++face;
      faceCorners.clear();
      int k = 0;
      const char* p = begin + 1;
      for (;;) {
        p = SkipBlanks(p, end);
        if (p >= end) break;
        ++k;
        int32_t vertex;
        uint32_t normal;
        const char* tokenEnd = ReadPlainCorner(p, end, vertex, normal);
        if (tokenEnd && vertex <= vertexCount) {
          p = tokenEnd;
        } else {
          tokenEnd = p;
          while (tokenEnd < end && !IsBlank(*tokenEnd)) ++tokenEnd;
          if (!ReadCorner(p, tokenEnd, face, k, vertex, normal)) return 0;
          p = tokenEnd;
        }
        const int point = ChoosePoint(vertex, normal);
        if (point < 0) return 0;
        faceCorners.push_back(point);
      }
      AddFace();
    }
    return 1;
  }

  // The arrays become the object's, each allocated for exactly its count: the triangles
  // with a surface first.
  void Hand() {
    std::free(object.points);
    std::free(object.triangles);
    object.points = nullptr, object.triangles = nullptr;
    object.pointCount = uint16_t(points.size());
    object.triangleCount = uint16_t(triangles.size() + noSurface.size());
    if (!points.empty()) {
      object.points = static_cast<ModelPoint*>(std::calloc(points.size(), sizeof(ModelPoint)));
      if (object.points) std::memcpy(object.points, points.data(), points.size() * sizeof(ModelPoint));
    }
    if (object.triangleCount > 0) {
      object.triangles = static_cast<ModelTriangle*>(std::calloc(object.triangleCount, sizeof(ModelTriangle)));
      if (object.triangles) {
        std::copy(triangles.begin(), triangles.end(), object.triangles);
        std::copy(noSurface.begin(), noSurface.end(), object.triangles + triangles.size());
      }
    }
    if (!object.points) object.pointCount = 0;
    if (!object.triangles) object.triangleCount = 0;
  }
};

// The import of text in single bytes (UTF-16 already decoded); a UTF-8 byte-order mark is
// dropped here.
int ImportText(ModelObject& object, Prss* screen, const char* data, size_t size, const char* file) {
  if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) data += 3, size -= 3;
  Importer in(object, screen);
  in.file = file;
  // Room for as many vertex and face lines as the shortest such lines (8 characters) would
  // fill, within the limit or a first few thousand.
  in.points.reserve(std::min<size_t>(size / 8 + 16, OBJ_POINT_LIMIT));
  in.faceLines.reserve(std::min<size_t>(size / 8 + 16, 4096));
  int ok = in.VertexPass(data, size);
  std::unique_ptr<char[]> kept;
  if (ok < 0) {
    // Read again without the characters below 32 (tabs and line ends stay).
    size = WithoutControlCharacters(data, size, kept);
    data = kept.get();
    in.points.clear();
    in.faceLines.clear();
    ok = in.VertexPass(data, size);
  }
  if (ok && in.points.empty()) ShowMessage(TEXT_OBJ_NO_VERTICES, TextColours.error);
  if (ok) ok = in.FacePass(data, size);
  in.Hand();
  if (!ok) return 0;
  if (in.overflow > 0) ShowMessagef(TEXT_OBJ_TOO_MANY_TRIANGLES, OBJ_TRIANGLE_LIMIT, in.overflow);
  // A triangle with two equal corners has no surface, and the point merge drops it.  The
  // grouping leaves it out (a fan over one repeated vertex makes thousands, all on one edge):
  // such triangles come last and are not counted while it runs.  They stay until the merge,
  // so that their points count as used there as they always did.
  const int whole = object.triangleCount;
  object.triangleCount = uint16_t(std::min<size_t>(in.triangles.size(), whole));
  AssignGroupsByEdges(object, 0);
  object.triangleCount = uint16_t(whole);
  object.MergeDuplicatePoints();
  AssignSmoothingGroups(object, 0);
  int largest = 0;
  for (int t = 0; t < object.triangleCount; ++t) largest = std::max<int>(largest, object.triangles[t].group);
  object.groupCount = uint16_t(largest + 1);
  ShowMessagef(TEXT_OBJ_COUNTS, object.pointCount, object.triangleCount, object.groupCount);
  return 1;
}

}  // namespace

int ImportObjMesh(ModelObject& object, Prss* screen, const char* data, size_t size, const char* file) {
  const int order = Utf16Order(data, size);
  if (order < 0) return ImportText(object, screen, data, size, file);
  std::unique_ptr<char[]> text(new char[size / 2]);
  return ImportText(object, screen, text.get(), FromUtf16(data + 2, size - 2, order == 1, text.get()), file);
}

int ImportObjFile(ModelObject& object, Prss* screen, const char* path) {
  std::string bytes, shown;  // shown: the file as the messages name it, the one read
  if (FileReadAll(path, bytes, OBJ_FILE_LIMIT, &shown) != 0) {
    ShowMessageBoxPair(screen, TEXT_OBJ_FILE_NOT_FOUND, PathOnDisk(path).c_str());
    return 0;
  }
  // UTF-16 text is decoded over its own bytes: no second copy of the file.
  if (const int order = Utf16Order(bytes.data(), bytes.size()); order >= 0)
    bytes.resize(FromUtf16(bytes.data() + 2, bytes.size() - 2, order == 1, bytes.data()));
  return ImportText(object, screen, bytes.data(), bytes.size(), shown.c_str());
}
