// mesh_fixtures.h - small meshes and materials for the mesh tests, and what the renderer
// reported (the tests that ask hold a ReportRecorder).
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "tests/core/report_recorder.h"

// Whether a line reported while a ReportRecorder was in force holds the text.
inline bool MessageShown(const std::string& text) { return ReportRecorder::CountLines(text) > 0; }

inline MaterialParams AlphaParams(int alphaMode) {
  MaterialParams p{};
  p.alphaMode = uint8_t(alphaMode);
  p.shineRed = p.shineGreen = p.shineBlue = 0xFF;
  return p;
}

// A material of its own for each flags value (the flags byte keeps them apart in the map).
inline Material* KeyMaterial(int flags, int alphaMode = 0, ZKTETexture* texture = nullptr) {
  return CreateMaterial(texture, 0, 0, flags, AlphaParams(alphaMode), 0);
}

inline GouraudO3d* NewGouraud() {
  GouraudO3d* mesh = new GouraudO3d();
  mesh->Init();
  return mesh;
}

inline Obj3d* NewObj3d() {
  Obj3d* mesh = new Obj3d();
  mesh->Init();
  return mesh;
}

// A Gouraud mesh of parts (key, points, triangles): the points of each part on a line along x
// one centimetre apart, normals up; triangle t of a part names its points t, t+1, t+2 (wrapped).
struct PartShape {
  TextureKey key;
  int points, triangles;
};
inline void FillGouraud(GouraudO3d& mesh, const std::vector<PartShape>& shapes, const GouraudColour* colour = nullptr) {
  int points = 0, triangles = 0;
  for (const PartShape& s : shapes) {
    points += s.points;
    triangles += s.triangles;
  }
  AllocateMeshArrays(mesh, points, triangles, int(shapes.size()));
  int firstPoint = 0, firstTriangle = 0;
  for (size_t k = 0; k < shapes.size(); ++k) {
    const PartShape& s = shapes[k];
    mesh.parts[k] = GouraudPart{uint8_t(k), s.key, s.points, s.triangles};
    for (int i = 0; i < s.points; ++i) {
      GouraudPoint& p = mesh.points[firstPoint + i];
      p.x = (firstPoint + i) * 655;
      p.nz = 1.0f;
      p.colour = colour;
    }
    for (int t = 0; t < s.triangles; ++t) {
      GouraudTriangle& tri = mesh.triangles[firstTriangle + t];
      for (int k3 = 0; k3 < 3; ++k3) tri.index[k3] = uint16_t(firstPoint + (t + k3) % s.points);
      tri.value = uint32_t(firstTriangle + t);
    }
    firstPoint += s.points;
    firstTriangle += s.triangles;
  }
}
