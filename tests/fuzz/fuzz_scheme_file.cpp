// fuzz_scheme_file.cpp - the background scheme file of the edit views through the memory
// reader.
//
// Input: the whole file (magic, version, body).  After any read every record must be of a
// known kind with a terminated plain name; the records read whole, written and read again,
// must give the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "model/model_meshes.h"
#include "modeller/editor/edit_views.h"
#include "text/messages.h"
#include "text/text_colours.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::vector<uint8_t> Written(const EditViewRecord* records) {
  return MemoryWriteBody([&](DataFile& f) { WriteBackgroundScheme(f, records); });
}

int Read(const std::vector<uint8_t>& image, EditViewRecord* records) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), SCHEME_FILE_MAGIC, &version, SCHEME_FILE_VERSION))
    return -1;
  const int whole = ReadBackgroundScheme(f, records, "fuzz.scm");
  f.Close();
  return whole;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    SetDefaultTextColours();
    MessagesToStdout = 0;
    return true;
  }();
  (void)ready;
  EditViewRecord records[EDIT_VIEW_COUNT];
  for (EditViewRecord& r : records) r.Clear();
  const int whole = Read(std::vector<uint8_t>(data, data + size), records);
  if (whole >= 0) {
    Require(whole <= EDIT_VIEW_COUNT);
    for (const EditViewRecord& r : records) {
      Require(r.kind >= BACKGROUND_NONE && r.kind <= BACKGROUND_OPPOSITE && !r.texture);
      Require(std::memchr(r.imageName, 0, BACKGROUND_NAME_SIZE) != nullptr);
      Require(r.kind != BACKGROUND_IMAGE || IsPlainTextureName(r.imageName));
    }
    const std::vector<uint8_t> body = Written(records);
    EditViewRecord again[EDIT_VIEW_COUNT];
    Require(Read(DataFileImage(SCHEME_FILE_MAGIC, body, SCHEME_FILE_VERSION), again) == EDIT_VIEW_COUNT);
    Require(Written(again) == body);
  }
  ResetMessages();
  return 0;
}
