// build_list.cpp - build lists.
#include "render/build_list.h"

void FreeSolidList() {}
