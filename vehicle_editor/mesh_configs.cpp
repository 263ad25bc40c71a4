// mesh_configs.cpp - the vehicle's mesh configurations (one to four named variants, each
// showing its own layers of the model with its own wheel sizes) chosen, renamed, added,
// deleted and given layers; after each change the car is built again.
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "core/window_state.h"
#include "physics/car.h"
#include "ui/dialogs.h"
#include "vehicle_editor/default_setups.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {
constexpr const char* TEXT_ONE_REQUIRED = "At least one mesh configuration is required";
constexpr const char* TEXT_AT_MAXIMUM = "Already at maximum number of configurations";
constexpr int CONFIG_NAME_TYPED = CONFIG_NAME_SIZE - 1;
constexpr uintptr_t SWITCH_LAYER_KEY = 9;  // the history's merge key of a layer switch
constexpr uint32_t LAYER_BITS = 32;

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }
VehicleEditor& EditorOf(Prss* owner) { return *reinterpret_cast<VehicleEditor*>(owner); }

// The configuration the current set-up chooses (one beyond the count chooses the first).
int CurrentConfig(const Car& car) {
  const int index = car.currentSetup.bytes[SETUP_CONFIGURATION];
  return index < car.configCount ? index : 0;
}

// The set-up's configuration byte, in the current set-up and in the default set-up chosen (so
// that set-up remembers it).
void ChooseConfig(Car& car, int index) {
  car.currentSetup.bytes[SETUP_CONFIGURATION] = uint8_t(index);
  if (car.setupIndex >= 0 && car.setupIndex < car.setupCount)
    car.setups[car.setupIndex].record.bytes[SETUP_CONFIGURATION] = uint8_t(index);
}

// After configuration `deleted` is gone: a set-up byte naming it names the first, those above
// it move down one.
void RenumberAfterDelete(uint8_t& byte, int deleted) {
  if (byte == deleted)
    byte = 0;
  else if (byte > deleted)
    --byte;
}

void Rebuild(VehicleEditor& e) {
  RebuildEditedCar(*e.car);
  ++e.carSetups;
}

void StoreName(VehicleConfig& config, const char* text) {
  std::memset(config.name, 0, sizeof config.name);
  std::snprintf(config.name, sizeof config.name, "%.*s", CONFIG_NAME_TYPED, text ? text : "");
}

void RenameAnswered(Prss* owner, const char* text, uint32_t index) {
  VehicleEditor::SetConfigName(EditorOf(owner), text, int(index));
}
void AddAnswered(Prss* owner, const char* text, uint32_t) { VehicleEditor::AddConfig(EditorOf(owner), text); }
void DeleteAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::ConfigAction(owner, 0, 2); }
}  // namespace

void VehicleEditor::SelectConfig(void* owner, int click, uintptr_t index) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || index >= uintptr_t(e.car->configCount)) return;
  Car& car = *e.car;
  if (click & CLICK_RIGHT) {
    char name[CONFIG_NAME_SIZE + 1] = {};
    std::memcpy(name, car.configs[index].name, CONFIG_NAME_SIZE);
    AskText(&e.prss, RenameAnswered, "Enter new name for configuration", CONFIG_NAME_TYPED, uint32_t(index), name, 0,
            0, nullptr);
    return;
  }
  if (int(index) == CurrentConfig(car)) return;
  RecordEdit("set mesh config");
  ChooseConfig(car, int(index));
  Rebuild(e);
}

void VehicleEditor::SetConfigName(VehicleEditor& e, const char* text, int index) {
  if (!e.car || index < 0 || index >= e.car->configCount) return;
  RecordEdit("set config name");
  StoreName(e.car->configs[index], text);
}

void VehicleEditor::ConfigAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  switch (word) {
    case 0: {
      if (car.configCount <= 1) {
        ReportBox(&e.prss, TEXT_ONE_REQUIRED);
        return;
      }
      char name[CONFIG_NAME_SIZE + 1] = {};
      std::memcpy(name, car.configs[CurrentConfig(car)].name, CONFIG_NAME_SIZE);
      ReportQuestion(&e.prss, DeleteAnswered, "Delete mesh configuration?", name, 0, 0, 0);
      return;
    }
    case 1:
      if (car.configCount >= VEHICLE_MAX_CONFIGS) {
        ReportBox(&e.prss, TEXT_AT_MAXIMUM);
        return;
      }
      AskText(&e.prss, AddAnswered, "Enter name for new configuration", CONFIG_NAME_TYPED, 0, "", 0, 0, nullptr);
      return;
    case 2: {
      if (car.configCount <= 1) return;
      RecordEdit("delete config");
      const int deleted = CurrentConfig(car);
      for (int i = deleted; i + 1 < car.configCount; ++i) car.configs[i] = car.configs[i + 1];
      --car.configCount;
      car.configs[car.configCount] = VehicleConfig{};
      // Every set-up keeps naming the configuration it named.
      RenumberAfterDelete(car.currentSetup.bytes[SETUP_CONFIGURATION], deleted);
      for (int i = 0; i < car.setupCount; ++i) RenumberAfterDelete(car.setups[i].record.bytes[SETUP_CONFIGURATION], deleted);
      ChooseConfig(car, 0);
      Rebuild(e);
      return;
    }
    default: return;
  }
}

void VehicleEditor::AddConfig(VehicleEditor& e, const char* text) {
  if (!e.car || e.car->configCount >= VEHICLE_MAX_CONFIGS) return;
  Car& car = *e.car;
  RecordEdit("add config");
  VehicleConfig added = car.configCount > 0 ? car.configs[CurrentConfig(car)] : VehicleConfig{{}, ~0u, 0, {}};
  StoreName(added, text);
  car.configs[car.configCount++] = added;
  ChooseConfig(car, car.configCount - 1);
  Rebuild(e);
}

void VehicleEditor::SwitchLayer(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || e.car->configCount <= 0 || word >= LAYER_BITS) return;
  VehicleConfig& config = e.car->configs[CurrentConfig(*e.car)];
  RecordEditKeyed("switch layer", SWITCH_LAYER_KEY, reinterpret_cast<uintptr_t>(&config.layerMask), word + 1);
  config.layerMask ^= 1u << word;
  Rebuild(e);
}
