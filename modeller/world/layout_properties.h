// layout_properties.h - the adjustable type properties of the layout objects 172 to 179 (start
// lights, gantries and their kind): up to three properties per object, each taken from the
// layout record's flags byte, that move the points of the object's model or recolour it.
//
// Sections: [Table] [Applying]
//
// Mesh coordinates are the model's 16.16 point coordinates (640 units: about 1 cm).  A step
// applied outward adds to positive coordinates and subtracts from negative ones.  Main thread
// only.
#pragma once
#include <cstdint>

struct ModelObject;

// ---- [Table] ----
enum LayoutPropertyKind : uint8_t {
  PROPERTY_NONE = 0,
  PROPERTY_WIDTH = 1,
  PROPERTY_LENGTH = 2,
  PROPERTY_SIZE_X = 3,
  PROPERTY_SIZE_Y = 4,
  PROPERTY_HEIGHT = 5,
  PROPERTY_PITCH = 6,
  PROPERTY_COLOUR = 7,
  PROPERTY_ANGLE = 8,
};
struct LayoutPropertyInfo {
  const char* label;  // the value's label text; null for the colour
  uint8_t mask, shift, maximum, fallback;  // fallback: the default value, which changes nothing
};
constexpr int LAYOUT_PROPERTY_KINDS = 9;  // 1..8
extern const LayoutPropertyInfo LAYOUT_PROPERTIES[LAYOUT_PROPERTY_KINDS];
constexpr int FIRST_PROPERTY_OBJECT = 172, LAST_PROPERTY_OBJECT = 179;
constexpr int PROPERTIES_PER_OBJECT = 3;
extern const uint8_t OBJECT_PROPERTY_KINDS[LAST_PROPERTY_OBJECT - FIRST_PROPERTY_OBJECT + 1][PROPERTIES_PER_OBJECT];
constexpr uint32_t LAYOUT_PROPERTY_COLOURS[4] = {0xC0C0C0, 0x3030B0, 0xC06030, 0x3090C0};

// The value of a property kind in a flags byte.
int LayoutPropertyValue(int kind, int flags);

// ---- [Applying] ----
// Applies the properties of object index (172..179) with the flags byte to the model; with
// removing the steps are taken back (the colour stays, the angle returns to value 15).  A
// value equal to its default changes nothing; the angle always applies.  Any change frees the
// model's render caches.  1 when anything changed; 0 for other indices.
int SetObjectTypeProperties(ModelObject& model, int objectIndex, int flags, int removing);
