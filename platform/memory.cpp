// memory.cpp - handing the heap's free pages back to the system (glibc's malloc_trim).
#include "platform/memory.h"

#include <malloc.h>

void ReleaseFreeMemory() { malloc_trim(0); }
