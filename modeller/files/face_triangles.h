// face_triangles.h - the triangles of one polygon face of an imported mesh: the fan from its
// first corner where the face is convex, a cut into triangles along its own outline where it
// is not.
//
// A face is judged on its own best-fit plane (through Newell's normal).  It keeps the fan when
// it has fewer than four corners, is convex there, or is degenerate: no area on the plane, two
// corners in a row at one place, or a ring that winds round more than once (or not at all).
// Any other face is concave and is cut along its outline, so the triangles cover the face's
// own area once and no more, each in the face's own winding.
//
// The ring may come back to a place it passed before (the same vertex again, or another
// vertex at that place).  Where it walks an edge there and back (the seam of a ring cut open
// to its hole) the two walks cancel and the hole stays out; where it only touches itself at a
// corner, the ring is cut there into its loops and each loop is triangulated on its own.  A
// spike of no width (out along a line and straight back past where it left) loses its tip as
// a flat triangle first.
//
// The cut: a sweep across the plane splits the face into pieces monotone along the sweep,
// each then triangulated in one walk down its two sides, so a face of n corners takes time
// in proportion to n log n whatever its shape.  A ring that crosses itself has no such cut
// and keeps the fan.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

struct ModelPoint;

class FaceTriangles {
 public:
  // The face of count corners, corners[k] indexing points.  True when it is concave and has
  // been cut (its triangles are in Triangles()); false when it keeps its fan.
  bool Cut(const ModelPoint* points, const int* corners, int count);
  // The triangles of the cut as corner numbers of the face (0 .. count - 1).
  const std::vector<std::array<int, 3>>& Triangles() const { return triangles_; }
  // The orientation tests made so far, for measuring how the work grows with the corners.
  int64_t Tests() const { return tests_; }

 private:
  struct Vertex {
    double x, y;      // on the plane
    int edge;         // its edge out: the corner ring_[edge] of the face
    int prev, next;   // along its loop, the inside on the left
    int rank;         // in the sweep's order, from the top
  };
  // Orders the edges crossing the sweep line from left to right; an edge is named by its
  // upper vertex, -1 is the place being looked up.
  struct EdgeOrder {
    const FaceTriangles* face;
    bool operator()(int a, int b) const { return face->LeftOf(a, b); }
  };

  // By corner of the face, then by corner of ring_ once the spikes are gone (at_, plane_).
  std::vector<const ModelPoint*> at_;
  std::vector<std::array<double, 3>> place_;  // from the first corner, in 1/65536 m
  std::vector<std::array<double, 2>> plane_;  // the corners on the plane
  std::vector<int> ring_;                     // the face's corners left once the spikes' tips are off
  std::vector<Vertex> vertices_;
  std::vector<int> order_;                   // the vertices from the top down
  std::vector<std::array<int, 2>> diagonals_;
  std::vector<std::array<int, 3>> triangles_;
  std::vector<int> piece_, chain_, stack_;
  int probe_ = 0;  // the vertex being looked up in the sweep line
  bool wrongWay_ = false;  // a triangle of the cut turned against the face
  mutable int64_t tests_ = 0;

  bool BestFitNormal(double (&normal)[3]) const;
  void OnPlane(const double (&normal)[3], int count);
  bool Spike(int a, int b, int c) const;
  void DropSpikes(int count);
  bool Loops(int count);
  bool Sweep();
  bool Pieces();
  bool Monotone();
  double Orient(int a, int b, int c) const;
  double Side(int edge, int vertex) const;
  bool LeftOf(int a, int b) const;
  void Add(int a, int b, int c);
};
