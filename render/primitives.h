// primitives.h - primitives, fast meshes and the temporary draw batches.
#pragma once

void ResetTempBatches();   // once per drawn frame
void FreeAllFastMeshes();  // every fast mesh of the registry (none are made yet)
