// model_check.h - the check the tools make of each model file they write: written through the
// program's own model writer, the file must hold the record's bytes, and read back with the
// program's own reader it must write the same bytes again.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model_object.h"

// Writes the model (with its names and layer names) to the file layer's path and frees it;
// 1 with body set to the file's body, else 0 with why on stderr ("<tool>: ...").
int WriteCheckedModelFile(const char* tool, ModelObject& model, const char* path, std::vector<uint8_t>& body);
