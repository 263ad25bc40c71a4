// vehicle_data.cpp - the vehicle data's defaults, its release and the rules of the data itself.
#include "vehicle_data/vehicle_data.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "text/text_strings.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr float CENTRAL_DRIVER = 0.2f;  // m either side of the centre line
constexpr ColourWord FIXED_COLOURS[VEHICLE_COLOURS] = {0x5050DC, 0xFFDCDC, 0x3C3CA0, 0x50C8DC,
                                                       0x50C8DC, 0x1428F0, 0xFFDCDC, 0xFFDCDC};
constexpr ColourWord COLOUR_5_DEFAULT = 0x1428F0;
constexpr ColourWord NEUTRAL_BODY = RgbWord(70, 90, 120), NEUTRAL_RIMS = RgbWord(150, 150, 150);

}  // namespace

void VehicleData::ResetColours(int fixed) {
  options2 |= OPT2_DEFAULT_COLOURS;
  if (fixed) {
    std::memcpy(colours, FIXED_COLOURS, sizeof colours);
    return;
  }
  for (ColourWord& c : colours) c &= 0xFFFFFF;
  ColourWord twoThirds = 0;
  for (int channel = 0; channel < 3; ++channel)
    twoThirds |= ((colours[0] >> (8 * channel) & 0xFF) * 2 / 3) << (8 * channel);
  colours[2] = twoThirds;
  colours[5] = COLOUR_5_DEFAULT;
}

ColourSet DefaultColourConfig() {
  ColourSet set{};
  for (int i = 0; i < COLOUR_SET_GROUP_SIZE; ++i) {
    set.groups[0][i] = NEUTRAL_BODY;
    set.groups[1][i] = NEUTRAL_RIMS;
  }
  ClampColourSet(set.groups[0]);
  ClampColourSet(set.groups[1]);
  return set;
}

int VehicleData::CountColourConfigNames() const {
  // The names are skins' file names: equal without regard to case.
  char names[VEHICLE_MAX_COLOUR_CONFIGS][COLOUR_SET_NAME_SIZE + 1] = {};
  int distinct = 0;
  for (int i = 0; i < colourConfigCount && i < VEHICLE_MAX_COLOUR_CONFIGS; ++i) {
    std::memcpy(names[i], colourConfigs[i].name, COLOUR_SET_NAME_SIZE);
    if (!names[i][0]) continue;
    bool seen = false;
    for (int j = 0; j < i && !seen; ++j) seen = CompareNoCase(names[i], names[j]) == 0;
    if (!seen) ++distinct;
  }
  return distinct;
}

int VehicleData::DriverSideCode() const {
  const float x = driverPosition.x;
  if (!steerAnimation[0]) return 0;
  if (std::fabs(x) < CENTRAL_DRIVER) return 4;
  if (!(options & OPT1_DRIVE_SIDE_LOCKED)) return 3;
  return x < 0 ? 1 : 2;
}

void VehicleData::SetTypeConstants() {
  float value = 0.05f;
  if (transmissionType == TRANSMISSION_H_PATTERN) value = 0.2f;
  else if (transmissionType >= TRANSMISSION_MOTORBIKE && transmissionType <= TRANSMISSION_SEQUENTIAL_CUT) value = 0.1f;
  for (float& c : transmissionConstants) c = value;
}

void VehicleData::CopyWheelsToConfigs() {
  for (int i = 0; i < configCount && i < VEHICLE_MAX_CONFIGS; ++i) {
    VehicleConfig& config = configs[i];
    config.transmissionType = transmissionType;
    for (int s = 0; s < CAR_WHEEL_SETS; ++s) {
      const SuspensionBlock& set = wheelSets[s];
      const float figures[CONFIG_WHEEL_FIGURES] = {set.sectionWidth, set.aspectRatio, set.rimRadius,
                                                   set.rimWidth,     set.wheelOffset, set.trackWidth};
      std::memcpy(config.wheels[s], figures, sizeof figures);
    }
  }
}

void VehicleData::ApplyClassSetupDefaults(SetupRecord& record) const {
  SetSetupWord(record, SETUP_FLAGS, SetupWord(record, SETUP_FLAGS) | SETUP_FLAG_NEW);
  uint8_t* b = record.bytes;
  switch (vehicleClass) {
    case CLASS_TOURING_CAR:
    case CLASS_SALOON: b[SETUP_FRONT_SHARE] = 50; break;
    case CLASS_GT:
      if (driveType == DRIVE_REAR) b[SETUP_FRONT_SHARE] = 100;
      else if (driveType == DRIVE_FRONT || driveType == DRIVE_FOUR) b[SETUP_FRONT_SHARE] = 50;
      break;
    case CLASS_FORMULA:
    case CLASS_FSAE:
      if (b[SETUP_CLASS_BYTE] == 0) b[SETUP_CLASS_BYTE] = 1;
      break;
    case CLASS_F1:
      if (b[SETUP_CLASS_BYTE] == 0) b[SETUP_CLASS_BYTE] = 2;
      break;
    case CLASS_KART: b[SETUP_KART_BYTE] = 1; break;
    default: break;
  }
}

void InitVehicleData(VehicleData& data) {
  data = VehicleData{};
  std::strncpy(data.vehicleName, DEFAULT_VEHICLE_NAME, VEHICLE_NAME_SIZE - 1);
  data.configCount = 1;
  std::strncpy(data.configs[0].name, DEFAULT_VEHICLE_NAME, CONFIG_NAME_SIZE - 1);
  data.configs[0].layerMask = 0xFFFFFFFFu;
  data.engine.Reset();
  data.spoke.Init();
  std::strncpy(data.spoke.name, SPOKE_OBJECT_NAME, MODEL_NAME_SIZE - 1);
}

void FreeVehicleModel(VehicleData& data) {
  if (data.model && data.ownsModel) {
    data.model->Free();
    delete data.model;
  }
  data.model = nullptr;
  data.ownsModel = 0;
  data.modelPresent = 0;
}

void FreeVehicleFrame(VehicleData& data) {
  std::free(data.framePoints);
  data.framePoints = nullptr;
  data.framePointCount = 0;
  std::free(data.frameTubes);
  data.frameTubes = nullptr;
  data.frameTubeCount = 0;
}

void FreeVehicleRim(VehicleData& data) {
  delete data.rim;  // its destructor frees its arrays
  data.rim = nullptr;
}

void FreeVehicleData(VehicleData& data) {
  FreeVehicleModel(data);
  data.spoke.Free();
  data.spoke = ModelObject{};
  FreeVehicleRim(data);
  FreeVehicleFrame(data);
  data.engine.FreeWaves();
}
