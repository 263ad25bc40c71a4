// memory.h - handing the heap's free pages back to the system.
#pragma once

// The pages the heap holds free (what start-up's passing work, the driver's among it, freed
// but the allocator kept) go back to the system, so the resident memory is what is in use.
// Some milliseconds: done once the program rests.
void ReleaseFreeMemory();
