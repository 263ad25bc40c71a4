// obj_import.h - a mesh from a Wavefront OBJ text file as a new main object: vertex positions
// and polygon faces (a fan of triangles, or cut along the outline where concave), with the
// faces' normal indices splitting points at hard edges.  Texture coordinates, normals'
// values, materials, groups and every other statement are ignored.
//
// Sections: [Limits] [Import] [Texts]
//
// Lines end at a carriage return or a line feed (a CR LF pair gives an empty line between,
// which is skipped); a line of any length is read whole.  A tab is a blank, every other
// character below 32 is dropped.  A byte-order mark at the start is dropped: UTF-8, or UTF-16
// of either byte order, whose text is read as its characters (each beyond ASCII as '?').
// Numbers are read the way "%f" reads them in the C locale ('+', exponents, "inf", hex), in any
// locale.  OBJ x, y and z become the point's x (right), y (forward) and z (up) unchanged.
// Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>

struct ModelObject;
struct Prss;

// ---- [Limits] ----
constexpr int OBJ_POINT_LIMIT = 32768;      // vertices and their split copies together
constexpr int OBJ_TRIANGLE_LIMIT = 32768;   // further triangles are counted and dropped
constexpr int OBJ_INDEX_PART_LIMIT = 15;    // characters of each part of a face's vertex token
constexpr float OBJ_COORDINATE_LIMIT = 1024.0f;  // metres either way
constexpr int64_t OBJ_FILE_LIMIT = int64_t(1) << 31;  // bytes read at most
constexpr const char* OBJ_FILE_PATTERN = "data\\obj\\%s.obj";
constexpr const char* OBJ_LICENSE_HELP = "obj_license";
constexpr const char* OBJ_LICENSE_TITLE = "License warning";

// ---- [Import] ----
// Opens the file (read whole) and imports it into object, which the caller has set to its
// defaults (ModelObject::Init).  A file that cannot be read shows "File not found : <path>".
// 1 when the import ran to its end; 0 when it stopped with a message box on screen (none:
// a message line), leaving object valid but partly filled.
int ImportObjFile(ModelObject& object, Prss* screen, const char* path);
// The two passes over the file's bytes: vertices, then faces.  Each face becomes triangles in
// group 0 on level 0, layer 0, mapping 0, with the low normal share (1): a fan (first,
// previous, next), or, where the face is concave on its own plane, its cut along its outline
// (modeller/files/face_triangles.h); once the triangle limit is reached a face is no longer
// cut, its corners - 2 only counted.  A vertex used with a second normal index becomes a copy
// of its point.  Afterwards each edge-connected surface gets its own smoothing region,
// points equal in position are merged (triangles they make degenerate drop out), the
// smoothing groups are numbered and "V %d / T %d / G %d" reports the counts.  Same result as
// ImportObjFile, whose boxes name the file (file, or null for none) on their second line.
int ImportObjMesh(ModelObject& object, Prss* screen, const char* data, size_t size,
                  const char* file = nullptr);

// ---- [Texts] ----
constexpr const char* TEXT_OBJ_FILE_NOT_FOUND = "File not found :";
constexpr const char* TEXT_OBJ_TOO_MANY_VERTICES = "Too many vertices (%d)";
constexpr const char* TEXT_OBJ_VERTEX_OUT_OF_BOUNDS = "Vertex %d is out of bounds";
constexpr const char* TEXT_OBJ_NO_VERTICES = "No vertices";
constexpr const char* TEXT_OBJ_VERT_ID_TOO_LONG = "Face %d : vertex %d vert id is too long";
constexpr const char* TEXT_OBJ_UV_ID_TOO_LONG = "Face %d : vertex %d uv id is too long";
constexpr const char* TEXT_OBJ_NORMAL_ID_TOO_LONG = "Face %d : vertex %d normal id is too long";
constexpr const char* TEXT_OBJ_INFO_TOO_SHORT = "Face %d : vertex %d info is too short";
constexpr const char* TEXT_OBJ_BAD_VERTEX_INDEX = "Face %d : could not read vertex index of vertex %d";
constexpr const char* TEXT_OBJ_BAD_NORMAL_INDEX = "Face %d : could not read normal index of vertex %d";
constexpr const char* TEXT_OBJ_FACE_VERTEX_OUT_OF_BOUNDS = "Face %d : vertex %d is out of bounds";
constexpr const char* TEXT_OBJ_FACE_NORMAL_OUT_OF_BOUNDS = "Face %d : normal %d is out of bounds";
constexpr const char* TEXT_OBJ_TOO_MANY_TRIANGLES = "Too many triangles - limit %d - exceeded by %d";
constexpr const char* TEXT_OBJ_COUNTS = "V %d / T %d / G %d";
