// layout.h - the look-ups of autocross layouts that the world's set-up uses: a placed
// object's layout role, the filing of a timing line into the timing table, the description of
// a set of timing lines, and the added object of an index and route number.
//
// Main thread only.
#pragma once
#include <cstdint>

struct FixedOb;
struct Wld;

// A placed object's layout role from its flags: 1 a plain object, 2 a start position, 3 + n
// timing line n; 0 none (an object without a placed object's roles).
int LayoutObjectRole(const FixedOb& object);
// Files one timing line into the world's timing table unless its number is already filled
// (filled: bit n for line n): "More than one finish line", "More than one checkpoint %d".
void CheckLayoutCheckpoints(Wld& world, FixedOb& object, uint8_t& filled);
// The verdict on a set of timing lines (filled as above): 1 when laps are timed, with count
// the number of lines; 0 (count 0) otherwise.  The text is the status line; plain picks the
// plain texts over the layout's.
int DescribeLayout(uint8_t filled, int& count, int plain, int noFinishAllowed, char* text, int size);
// The added object (of a layout) with an object index and route number, or null.
FixedOb* FindAddedObject(const Wld& world, int route, int index);
