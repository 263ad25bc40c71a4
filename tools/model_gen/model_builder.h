// model_builder.h - builds ModelObject records from plain lists, for the tools that write our
// own model files (the samples now; helmet, spokes and layout models later), the tests and
// the benchmarks.
//
// Positions are given in metres and stored as 16.16.  A builder made with mirrored = true
// describes the right half of a symmetric object: points off the centre plane are flagged
// mirrored, points on it central, and triangles are drawn on both sides.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model_object.h"

struct ModelBuilder {
  bool mirrored = false;
  std::vector<ModelPoint> points;
  std::vector<ModelTriangle> triangles;
  std::vector<TexturePage> pages;
  std::vector<Cutout> cutouts;
  std::vector<ModelMapping> mappings;
  std::vector<ColourWord> colourChoices;

  // Current attributes of the triangles added next.
  int mapping = 0, lod = 0, group = 0, layer = 0, normalLevel = 1;
  uint8_t extraFlags = 0;  // triangle flags added to every new triangle

  int Point(double x, double y, double z);
  void Triangle(int a, int b, int c);
  void Quad(int a, int b, int c, int d);  // two triangles a b c and a c d
  // An axis-aligned box from (x0, y0, z0) to (x1, y1, z1), every face in the current mapping,
  // each turned outward.
  void Box(double x0, double y0, double z0, double x1, double y1, double z1);
  // A closed solid along y through its sections (at least two, y rising), centred on x, its
  // ends capped, every face in the current mapping and turned outward; the faces of each side
  // (bottom, top, right, left, the two ends) take a smoothing group of their own, from the
  // current group on, so that its edges stay hard and each side is smooth along its length.
  struct Section {
    double y, halfWidth, bottom, top, topHalfWidth;  // the section from bottom to top, narrowing or widening
  };
  void Loft(const std::vector<Section>& sections, double x = 0);

  int Page(uint8_t type, const char* name);
  // Region in 1/128 of the page: width, height, left and top (measured from the bottom).
  int AddCutout(const char* name, int page, int width, int height, int left, int top,
                const CutoutMaterial& material);
  // Width and height in metres; the offset in metres.
  int AddMapping(const char* name, int firstCutout, int secondCutout, uint32_t direction, double width, double height,
                 ColourWord colour, double ox = 0, double oy = 0, double oz = 0);

  // Fills an object that was set to its defaults: every array is replaced by the lists.
  void Into(ModelObject& object) const;
};

// The record as WriteModelObject writes it: a counting pass, then a pass into memory of
// exactly the counted size.  Empty when the two passes disagree.
std::vector<uint8_t> ModelRecordBytes(const ModelObject& object, int storeNames, int storeLayerNames);
// A whole model file image (DataFileImage with the model file's magic).
std::vector<uint8_t> ModelFileImage(const std::vector<uint8_t>& body, int version);

// 16.16 from metres, rounded.
int32_t Metres(double metres);
// Gives the object its children (each already filled); the array is owned by the object.
void SetChildren(ModelObject& object, std::vector<ModelObject>& children);
