// model_check.cpp - a model file written and read back to the same bytes.
#include "tools/model_gen/model_check.h"

#include <cstdio>
#include <string>

#include "core/data_file.h"
#include "model/model_file.h"
#include "platform/files.h"
#include "tools/gen_support/gen_support.h"
#include "tools/model_gen/model_builder.h"

int WriteCheckedModelFile(const char* tool, ModelObject& model, const char* path, std::vector<uint8_t>& body) {
  const int saved = SaveModelFile(model, nullptr, path, 1);
  const std::vector<uint8_t> written = ModelRecordBytes(model, 1, 1);
  model.Free();
  std::string file;
  if (!saved || FileReadAll(path, file, 1 << 26) != 0 || file.size() < size_t(DATA_FILE_HEADER_SIZE)) {
    std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
    return 0;
  }
  body.assign(file.begin() + DATA_FILE_HEADER_SIZE, file.end());
  ModelObject back;
  back.Init();
  const int read = LoadModelFile(back, nullptr, path, 1, nullptr);
  const std::vector<uint8_t> again = read ? ModelRecordBytes(back, 1, 1) : std::vector<uint8_t>{};
  back.Free();
  return SameBytesBack(tool, path, written, body, "the file's body") &&
         SameBytesBack(tool, path, body, again, "read " + std::to_string(read));
}
