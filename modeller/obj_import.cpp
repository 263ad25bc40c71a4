// obj_import.cpp - the OBJ importer: the file read whole, a pass over its vertex lines, a pass
// over its face lines, then the points merged and the smoothing groups numbered.
#include "modeller/obj_import.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/model_object.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"

namespace {

// One line at a time from the bytes: [begin, end) in place, or a cleaned copy in scratch when
// the line holds characters below 32 other than tabs (those are dropped).
struct LineReader {
  const char* at;
  const char* stop;
  std::string scratch;

  LineReader(const char* data, size_t size) : at(data), stop(data + size) {
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) at += 3;
  }
  bool Next(const char*& begin, const char*& end) {
    if (at >= stop) return false;
    const char* p = at;
    bool control = false;
    for (;;) {
      // Eight characters at a time while none is below 32 (no line end, tab or other control).
      while (stop - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (((word - 0x2020202020202020ull) & ~word & 0x8080808080808080ull) != 0) break;
        p += 8;
      }
      if (p >= stop || *p == '\n' || *p == '\r') break;
      control |= static_cast<unsigned char>(*p) < 32 && *p != '\t';
      ++p;
    }
    begin = at, end = p;
    at = p < stop ? p + 1 : p;
    if (control) {
      scratch.clear();
      for (const char* c = begin; c < end; ++c)
        if (static_cast<unsigned char>(*c) >= 32 || *c == '\t') scratch.push_back(*c);
      begin = scratch.data(), end = scratch.data() + scratch.size();
    }
    return true;
  }
  // Goes on from a line start found earlier.
  void Seek(const char* lineStart) { at = lineStart; }
  const char* Position() const { return at; }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A statement line of the letter: at least 3 characters, the letter, then a blank.
bool IsStatement(const char* begin, const char* end, char letter) {
  return end - begin >= 3 && begin[0] == letter && IsBlank(begin[1]);
}

const char* SkipBlanks(const char* p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
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
  std::vector<ModelPoint> points;
  std::vector<ModelTriangle> triangles;
  std::vector<uint32_t> normalOf;   // per vertex: the normal index it was first used with, 0 none
  CopyTable copies;                 // the copies of vertices used with further normal indices
  int vertexCount = 0;              // of the vertex pass: the faces' bound
  int overflow = 0;
  std::vector<size_t> faceLines;    // where each face line starts, found by the vertex pass

  void Stop(const char* format, int a, int b = 0) { ShowMessageBoxF(screen, format, a, b); }

  int VertexPass(const char* data, size_t size) {
    LineReader lines(data, size);
    const char *begin = nullptr, *end = nullptr;
    for (const char* start = lines.Position(); lines.Next(begin, end); start = lines.Position()) {
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

  int FacePass(const char* data, size_t size) {
    normalOf.assign(points.size(), 0);
    LineReader lines(data, size);
    const char *begin = nullptr, *end = nullptr;
    int face = 0;
    for (size_t start : faceLines) {
      lines.Seek(data + start);
      lines.Next(begin, end);
      ++face;
      int first = -1, previous = -1, k = 0;
      const char* p = begin + 1;
      for (;;) {
        p = SkipBlanks(p, end);
        if (p >= end) break;
        const char* tokenEnd = p;
        while (tokenEnd < end && !IsBlank(*tokenEnd)) ++tokenEnd;
        ++k;
        int32_t vertex;
        uint32_t normal;
        if (!ReadCorner(p, tokenEnd, face, k, vertex, normal)) return 0;
        p = tokenEnd;
        const int point = ChoosePoint(vertex, normal);
        if (point < 0) return 0;
        if (k == 1) {
          first = point;
        } else if (k >= 3) {
          if (int(triangles.size()) >= OBJ_TRIANGLE_LIMIT) {
            ++overflow;
          } else {
            ModelTriangle t{};
            // The low normal share every new triangle gets: a model whose triangles all had
            // 0 would read back with 1.
            t.normalLevel = 1;
            t.corners[0] = uint16_t(first), t.corners[1] = uint16_t(previous), t.corners[2] = uint16_t(point);
            triangles.push_back(t);
          }
        }
        previous = point;
      }
    }
    return 1;
  }

  // The arrays become the object's, each allocated for exactly its count.
  void Hand() {
    std::free(object.points);
    std::free(object.triangles);
    object.points = nullptr, object.triangles = nullptr;
    object.pointCount = uint16_t(points.size());
    object.triangleCount = uint16_t(triangles.size());
    if (!points.empty()) {
      object.points = static_cast<ModelPoint*>(std::calloc(points.size(), sizeof(ModelPoint)));
      if (object.points) std::memcpy(object.points, points.data(), points.size() * sizeof(ModelPoint));
    }
    if (!triangles.empty()) {
      object.triangles = static_cast<ModelTriangle*>(std::calloc(triangles.size(), sizeof(ModelTriangle)));
      if (object.triangles) std::memcpy(object.triangles, triangles.data(), triangles.size() * sizeof(ModelTriangle));
    }
    if (!object.points) object.pointCount = 0;
    if (!object.triangles) object.triangleCount = 0;
  }
};

// Puts the triangles with two equal corners after the others, each side in its order; gives
// how many others there are.
int MoveTwoEqualCornersLast(ModelObject& o) {
  ModelTriangle* const end = std::stable_partition(o.triangles, o.triangles + o.triangleCount, [](const ModelTriangle& t) {
    const uint16_t* c = t.corners;
    return c[0] != c[1] && c[1] != c[2] && c[0] != c[2];
  });
  return int(end - o.triangles);
}

}  // namespace

int ImportObjMesh(ModelObject& object, Prss* screen, const char* data, size_t size) {
  Importer in{object, screen, {}, {}, {}, {}, 0, 0, {}};
  in.points.reserve(1024);
  int ok = in.VertexPass(data, size);
  if (ok && in.points.empty()) ShowMessage(TEXT_OBJ_NO_VERTICES, TextColours.error);
  if (ok) ok = in.FacePass(data, size);
  in.Hand();
  if (!ok) return 0;
  if (in.overflow > 0) ShowMessagef(TEXT_OBJ_TOO_MANY_TRIANGLES, OBJ_TRIANGLE_LIMIT, in.overflow);
  // A triangle with two equal corners has no surface, and the point merge drops it.  The
  // grouping leaves it out (a fan over one repeated vertex makes thousands, all on one edge):
  // such triangles go last and are not counted while it runs.  They stay until the merge, so
  // that their points count as used there as they always did.
  const int whole = object.triangleCount;
  object.triangleCount = uint16_t(MoveTwoEqualCornersLast(object));
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

int ImportObjFile(ModelObject& object, Prss* screen, const char* path) {
  std::string bytes;
  if (FileReadAll(path, bytes, OBJ_FILE_LIMIT) != 0) {
    ShowMessageBoxPair(screen, TEXT_OBJ_FILE_NOT_FOUND, path);
    return 0;
  }
  return ImportObjMesh(object, screen, bytes.data(), bytes.size());
}
