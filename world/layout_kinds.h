// layout_kinds.h - bringing the object kinds of older layout files to the present numbering.
//
// A layout file stores each placed object as a packed 8-byte record.  Old files number their
// object kinds differently: the kinds of the oldest files are mapped by one of seven
// conversion tables (the loaded track chooses which), and a later renumbering folded families
// of kinds into one kind with a variant kept in the flags byte.  Both conversions touch only
// the flags, kind and heading bytes of a record.
#pragma once
#include <cstdint>

// A layout object as a layout file and a layout packet carry it (8 bytes in this order).
struct LayoutObjectRecord {
  int16_t x;
  int16_t y;
  uint8_t z;
  uint8_t flags;
  uint8_t kind;
  uint8_t heading;  // 256 a full turn
};

// One row of a conversion table: the old kind becomes the new kind with the new flags, and the
// heading turns by the addition (modulo a full turn).
struct LayoutKindRow {
  uint8_t oldKind;
  uint8_t newKind;
  uint8_t flags;
  int8_t headingAdd;
};
// One row of the fold: the old kind becomes the new kind with flags (high << 3) | low.
struct LayoutKindFold {
  uint8_t oldKind;
  uint8_t newKind;
  uint8_t low;   // 3 bits
  uint8_t high;
};

constexpr int LAYOUT_CONVERSION_TABLES = 7;  // numbered 1 to 7

// The rows of conversion table n (1 to 7) and their count; null and 0 for any other n.
const LayoutKindRow* LayoutConversionTable(int n, int& count);
// The rows of the fold and their count.
const LayoutKindFold* LayoutFoldTable(int& count);

// Converts the record's kind by table n (1 to 7).  A table number out of range or a kind the
// table does not name shows "COULD NOT CONVERT OBJECT (%d)" with the kind, and the kind
// becomes 0; the record is otherwise left as it was.  1 when a row applied, else 0.
int ConvertLayoutObjectKind(LayoutObjectRecord& record, int n);
// Folds the record's kind into its family's kind with the variant in the flags.  1 when a row
// applied, else 0 (the record unchanged).
int FoldLayoutObjectKind(LayoutObjectRecord& record);
