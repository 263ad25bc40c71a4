// sort_tree.cpp - the sort tree.
#include "core/sort_tree.h"

SortTree SharedDrawTree;

void SortTree::Init(int capacityIn, int bucketsIn, int shiftIn, int payloadSizeIn) {
  capacity = capacityIn;
  buckets = bucketsIn == 1 ? 0 : bucketsIn;
  shift = shiftIn;
  payloadSize = payloadSizeIn;
}
