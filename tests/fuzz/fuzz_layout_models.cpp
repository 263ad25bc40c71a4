// fuzz_layout_models.cpp - the layout object model file "AXO.dup" read from a file of the
// fuzzer's input.
//
// After any read every entry holds a model only with its slot's defaults (has-model set),
// and releasing every entry leaves nothing behind.
#include <cstdint>
#include <cstdlib>

#include "core/fixed_math.h"
#include "model/pregen_model.h"
#include "tests/fuzz/fuzz_scratch.h"
#include "text/language.h"
#include "text/messages.h"
#include "text/text_colours.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    SetDefaultTextColours();
    InitSinCosTables();
    ResetLanguageTexts();
    MessagesToStdout = 0;
    fuzz_scratch::Enter("fuzz_layout_models", {"hmn"});
    return true;
  }();
  (void)ready;
  fuzz_scratch::WriteFile("data/hmn/AXO.dup", data, size);
  static PreGenModel entries[LAYOUT_OBJECT_KINDS];
  const int loaded = LoadLayoutObjectModels(entries);
  int present = 0;
  for (const PreGenModel& e : entries) {
    if (!e.model) continue;
    ++present;
    Require(e.hasModel == 1 && e.kind == PREGEN_MODEL && e.GetModelObject() == e.model);
    Require(e.model->pageCount >= 1 && e.model->mappingCount >= 1);
  }
  Require(present == loaded);
  for (PreGenModel& e : entries) {
    e.Free();
    e = PreGenModel{};
  }
  ResetMessages();
  return 0;
}
