// fuzz_cars.h - what the whole-car fuzz targets share: the tables a car is built with, the
// target's scratch folder holding the default engine, and our sample figures.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "core/checksum.h"
#include "core/data_file.h"
#include "core/fixed_math.h"
#include "skeleton/human_system.h"
#include "tests/fuzz/fuzz_scratch.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/human_gen/sample_humans.h"
#include "tools/vehicle_gen/sample_engines.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/engine_record.h"

namespace fuzz_cars {

// The text colours, sine and checksum tables set up and messages kept off the console; the
// target moved into its scratch folder with data\<each of subfolders>, the default engine
// written as data\engine\DEFAULT.eng ("engine" among the subfolders).
inline void Start(const char* name, std::initializer_list<const char*> subfolders) {
  SetDefaultTextColours();
  InitSinCosTables();
  Crc32InitTable();
  MessagesToStdout = 0;
  fuzz_scratch::Enter(name, subfolders);
  EngineModel engine{};
  BuildDefaultEngine(engine);
  WriteEngineFile(engine, "data\\engine\\DEFAULT.eng", nullptr, 0);
  engine.FreeWaves();
}

// Our sample human system read as the driver's and passengers' figures; aborts when it does
// not read.
inline void ReadSampleHumans() {
  const std::vector<uint8_t> humans = SampleHumanSystemFile();
  DataFile f;
  int32_t version = 0;
  if (!f.OpenReadMemory(nullptr, humans.data(), int64_t(humans.size()), HUMAN_SYSTEM_MAGIC, &version,
                        HUMAN_SYSTEM_VERSION) ||
      !ReadHumanSystem(f, version))
    std::abort();
  f.Close();
}

}  // namespace fuzz_cars
