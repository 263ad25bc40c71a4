// face_triangles.h - the triangles of one polygon face of an imported mesh: the fan from its
// first corner where the face is convex, ear clipping where it is not.
//
// A face is judged on its own best-fit plane (through Newell's normal).  It keeps the fan when
// it has fewer than four corners, is convex there, or is degenerate: no area on the plane, two
// corners in a row at one place, or a ring that winds round more than once (or not at all).
// Any other face is concave: its corners are cut off one ear at a time, each ear a triangle
// that holds no other corner, so the triangles cover the face's own area and no more.  Corners
// that come back to a place the ring passed before (the seam of a ring cut open to its hole)
// are allowed.  Ear clipping always ends: where no clean ear is left (a ring that crosses
// itself) a flat corner goes, then any corner.  Either way a face of n corners gives n - 2
// triangles, each in the face's own winding.
#pragma once
#include <array>
#include <vector>

struct ModelPoint;

class FaceTriangles {
 public:
  // The face of count corners, corners[k] indexing points.  True when it is concave and has been
  // ear clipped (its triangles are in Triangles()); false when it keeps its fan.
  bool Clip(const ModelPoint* points, const int* corners, int count);
  // The ear clipped triangles as corner numbers of the face (0 .. count - 1).
  const std::vector<std::array<int, 3>>& Triangles() const { return triangles_; }

 private:
  struct Corner {
    double x, y;      // on the plane
    int prev, next;   // the ring as it shrinks
    bool reflex;      // turns away from the inside
    bool gone;        // cut off
  };
  std::vector<Corner> ring_;
  std::vector<const ModelPoint*> at_;
  std::vector<std::array<double, 3>> place_;  // from the first corner, in 1/65536 m
  std::vector<std::array<int, 3>> triangles_;
  // The reflex corners by cell of a grid over the face, so an ear's test looks only near it.
  std::vector<int> cellStart_, cellCorners_, lateReflex_;
  std::vector<int> toTry_;  // corners to try as ears, the last first
  double gridLeft_ = 0, gridBottom_ = 0, cellWidth_ = 1, cellHeight_ = 1;
  int gridSize_ = 1;

  bool BestFitNormal(double (&normal)[3]) const;
  void OnPlane(const double (&normal)[3], int count);
  double Turn(int corner) const;
  void Classify(int corner);
  void BuildGrid(int count);
  int Column(double x) const;
  int Row(double y) const;
  int Cell(double x, double y) const;
  bool Blocks(int other, int a, int b, int c) const;
  bool IsEar(int corner, bool strict) const;
  void Cut(int corner);
  void EarClip(int count);
};
