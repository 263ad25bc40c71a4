// build_list.h - the build lists of world meshes and the solid list.
#pragma once

void FreeSolidList();
