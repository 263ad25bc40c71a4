// vehicle_file_write.cpp - writing the vehicle file, field by field, and the frame records.
//
// Body as written (version 252, format revision 6; little-endian; f32 IEEE singles):
//    1 u32 option word 1 (bit 17 cleared)          2 u32 option word 2
//    3 u8 class, u8 model stored, u8 revision 6, u8 class-flags marker 1
//    7 u8 transmission type, u8 driver side code, u8 0, u8 0
//    8 u8 drive type, u8 distinct colour names, u8 0, u8 0
//   11 short code: three bytes and a zero
//   12 f32 mass without occupants, f32 power x 0.001, f32 torque, u16 rpm of the power peak,
//      u16 rpm of the torque peak (for outside readers)
//   13 f32 fuel tank capacity                     14 the engine record (no waves)
//   15 u32 set-ups, each a 16-byte name and the 120-byte record
//   16 u32 colour configurations, each 48 bytes
//   17 u32 0xFFFFFFFF, u32 configurations, each a 12-byte name and u32 layer mask
//   18 f32 x 3 engine position                    19 f32 x 3 driver position
//   20 [option bit 10] u32 0, f32 back seat forward, up
//   21 f32 x 3 main battery, f32 x 3 small battery, f32 its mass, f32 x 3 spare wheel,
//      f32 its pitch, f32 steering wheel turn, alignment, pitch
//   22 [option bit 14] f32 trail reduction        24 f32 x 3 transmission constants
//   25 u32 lights and aids
//   26 u8 dashboard type, u8 size, u8 dashboard byte, u8 0     27 the dashboard's bytes
//   28 [option bit 25] u32 7680, u32 5120
//   29 u32 gear positions, f32 reverse ratio      30 string[8] steering animation
//   31 string[32] engine name                     33 u32 x 8 colours
//   34 string[4] model code                       35 the frame
//   36 f32 suspension mass constant               37 u32 wheels, each f32 x 3 position
//   38 the rear wheel set's record, then the front's (64 bytes each)
//   39 [model stored] the model object            40 u8 spokes, u8, u8, u8
//   41 [option word 2 bit 4] i16, i16             42 the spoke object
//   43 the rim profile                            44 f32 x 3, four times
// Frame: u32 points, each i32 x, y, z (16.16), f32, u16 flags, u8 type, u8; u32 tubes, each
// i16 a, i16 b, f32 (mass per metre, or the radius when an end is a wheel point), u32 flags.
#include <cmath>
#include <cstring>

#include "core/data_file.h"
#include "model/model_file.h"
#include "platform/files.h"
#include "text/text_colours.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_file.h"

namespace {

constexpr uint32_t CONFIG_MARKER = 0xFFFFFFFFu;
constexpr double RPM_PER_RAD_S = 60.0 / (2.0 * 3.14159265358979323846);

void WriteVec3(DataFile& f, const Vec3& v) {
  f.WriteFloat(v.x);
  f.WriteFloat(v.y);
  f.WriteFloat(v.z);
}

// A speed in rad/s as whole revolutions per minute in 16 bits.
int SpeedWord(float radiansPerSecond) {
  const double rpm = std::round(radiansPerSecond * RPM_PER_RAD_S);
  if (!(rpm > 0)) return 0;
  return rpm > 65535 ? 65535 : static_cast<int>(rpm);
}

void WriteBackSeatAndPositions(VehicleData& d, DataFile& f) {
  WriteVec3(f, d.enginePosition);
  WriteVec3(f, d.driverPosition);
  if (d.options & OPT1_BACK_SEAT) {
    f.WriteInt(0);  // the lateral position comes from the driver's when read
    f.WriteFloat(d.backSeatForward);
    f.WriteFloat(d.backSeatUp);
  }
  WriteVec3(f, d.mainBatteryPosition);
  WriteVec3(f, d.smallBatteryPosition);
  f.WriteFloat(d.smallBatteryMass);
  WriteVec3(f, d.spareWheelPosition);
  for (float v : {d.spareWheelPitch, d.steeringWheelTurn, d.steeringWheelAlign, d.steeringWheelPitch}) f.WriteFloat(v);
  if (d.options & OPT1_TRAIL_REDUCTION) f.WriteFloat(d.trailReduction);
}

void WriteLists(VehicleData& d, DataFile& f) {
  const int setups = d.setupCount < 0 ? 0 : d.setupCount > VEHICLE_MAX_SETUPS ? VEHICLE_MAX_SETUPS : d.setupCount;
  f.WriteInt(setups);
  for (int i = 0; i < setups; ++i) {
    VehicleSetup& s = d.setups[i];
    for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) s.record.bytes[SETUP_AXLE[axle] + AXLE_CLEARED] = 0;
    f.WriteFixedString(s.name, SETUP_NAME_SIZE);
    WriteSetupRecord(s.record, f);
  }
  const int colourConfigs = d.colourConfigCount < 0                            ? 0
                            : d.colourConfigCount > VEHICLE_MAX_COLOUR_CONFIGS ? VEHICLE_MAX_COLOUR_CONFIGS
                                                                               : d.colourConfigCount;
  f.WriteInt(colourConfigs);
  for (int i = 0; i < colourConfigs; ++i) WriteColourSet(d.colourConfigs[i], f);
  const int configs = d.configCount < 0 ? 0 : d.configCount > VEHICLE_MAX_CONFIGS ? VEHICLE_MAX_CONFIGS : d.configCount;
  f.WriteInt(static_cast<int32_t>(CONFIG_MARKER));
  f.WriteInt(configs);
  for (int i = 0; i < configs; ++i) {
    f.WriteFixedString(d.configs[i].name, CONFIG_NAME_SIZE);
    f.WriteInt(static_cast<int32_t>(d.configs[i].layerMask));
  }
}

void WriteDashboard(VehicleData& d, DataFile& f) {
  int size = DashSizeMode == 2 ? d.dashSize : DashBlockSize(d.dashType);
  if (size > DASH_BLOCK_SIZE) size = DASH_BLOCK_SIZE;
  f.WriteByte(d.dashType);
  f.WriteByte(size);
  f.WriteByte(d.dashByte);
  f.WriteByte(0);  // the seats per row follow from the driver's position
  f.WriteBlock(d.dash, size);
}

}  // namespace

// ---- [Frame records] ----

void WriteFrame(VehicleData& d, DataFile& f) {
  const int points = d.framePoints ? d.framePointCount : 0;
  f.WriteInt(points);
  for (int i = 0; i < points; ++i) WriteRecord20(d.framePoints[i], f);
  const int tubes = d.frameTubes ? d.frameTubeCount : 0;
  f.WriteInt(tubes);
  for (int i = 0; i < tubes; ++i) WriteRecordB(d.frameTubes[i], f);
}

// ---- [Writing] ----

void SerializeVehicleData(VehicleData& d, DataFile& f, const char* name, int storeModel) {
  std::memset(d.vehicleName, 0, VEHICLE_NAME_SIZE);
  std::strncpy(d.vehicleName, name && name[0] ? name : DEFAULT_VEHICLE_NAME, VEHICLE_NAME_SIZE - 1);
  d.options &= ~OPT1_CLEARED_ON_WRITE;
  const bool modelStored = storeModel && d.model;

  f.WriteInt(static_cast<int32_t>(d.options));
  f.WriteInt(static_cast<int32_t>(d.options2));
  f.WriteByte(d.vehicleClass);
  f.WriteByte(modelStored ? 1 : 0);
  f.WriteByte(VEHICLE_FORMAT_REVISION);
  f.WriteByte(1);  // the class option bits are stored
  f.WriteByte(d.transmissionType);
  f.WriteByte(d.DriverSideCode());
  f.WriteByte(0);
  f.WriteByte(0);
  f.WriteByte(d.driveType);
  f.WriteByte(d.CountColourConfigNames());
  f.WriteByte(0);
  f.WriteByte(0);
  f.WriteBlock(d.shortCode, 3);
  f.WriteByte(0);

  f.WriteFloat(d.massWithoutOccupants);
  f.WriteFloat(d.engine.maxPower * 0.001f);
  f.WriteFloat(d.engine.maxTorque);
  const int powerRpm = SpeedWord(d.engine.maxPowerSpeed), torqueRpm = SpeedWord(d.engine.maxTorqueSpeed);
  f.WriteByte(powerRpm);
  f.WriteByte(powerRpm >> 8);
  f.WriteByte(torqueRpm);
  f.WriteByte(torqueRpm >> 8);
  f.WriteFloat(d.fuelTankCapacity);
  // A vehicle without a gearbox (an electric motor, or no power unit) stores the motor's form,
  // as such vehicles' files always have.  A redline other than the one a read would give the
  // engine is the user's own: the file marks it, and the read keeps it.
  float classRedline = 0.0f;
  const int ownRedline = ClassRedline(d, &classRedline) && d.engine.redline != classRedline;
  d.engine.Write(f, 1, d.transmissionType == TRANSMISSION_ELECTRIC || d.transmissionType == TRANSMISSION_NONE,
                 ownRedline);

  WriteLists(d, f);
  WriteBackSeatAndPositions(d, f);
  for (float c : d.transmissionConstants) f.WriteFloat(c);
  f.WriteInt(static_cast<int32_t>(d.lightsAndAids));
  WriteDashboard(d, f);
  if (d.options & OPT1_ENGINE_WORDS) {
    f.WriteInt(static_cast<int32_t>(d.engineWords[0]));
    f.WriteInt(static_cast<int32_t>(d.engineWords[1]));
  }
  f.WriteInt(d.gearPositions);
  f.WriteFloat(d.reverseRatio);
  f.WriteFixedString(d.steerAnimation, STEER_ANIMATION_SIZE);
  f.WriteFixedString(d.engineName, ENGINE_NAME_SIZE);
  for (ColourWord c : d.colours) f.WriteInt(static_cast<int32_t>(c));
  f.WriteFixedString(d.modelCode, MODEL_CODE_SIZE);

  WriteFrame(d, f);
  f.WriteFloat(d.suspensionMassConstant);
  const int wheels = d.wheelCount < 0 ? 0 : d.wheelCount > CAR_MAX_WHEELS ? CAR_MAX_WHEELS : d.wheelCount;
  f.WriteInt(wheels);
  for (int i = 0; i < wheels; ++i) WriteVec3(f, d.wheelPositions[i]);
  for (const SuspensionBlock& set : d.wheelSets) set.Write(f);
  if (modelStored) WriteModelObject(*d.model, f, 1, 1);

  f.WriteByte(d.spokeCount);
  for (uint8_t b : d.rimBytes) f.WriteByte(b);
  if (d.options2 & OPT2_RIM_WORDS)
    for (int16_t w : d.rimWords) {
      f.WriteByte(w);
      f.WriteByte(w >> 8);
    }
  WriteModelObject(d.spoke, f, 1, 0);
  if (d.rim) {
    WriteRim(*d.rim, f);
  } else {
    WXS empty;
    WriteRim(empty, f);
  }
  for (const float(&item)[3] : d.aero)
    for (float v : item) f.WriteFloat(v);
}

int WriteVehicleBody(VehicleData& d, const char* name, int storeModel, std::vector<uint8_t>& body) {
  body.clear();
  DataFile f;
  int failed = 0;
  if (f.BeginMemoryWrite(0, &failed)) return 0;
  SerializeVehicleData(d, f, name, storeModel);
  if (f.BeginMemoryWrite(1, &failed)) return 0;
  SerializeVehicleData(d, f, name, storeModel);
  const int complete = f.FinishMemoryWrite();
  if (complete) body.assign(f.buffer, f.end);
  std::free(f.buffer);
  return complete;
}

int WriteVehicleFile(VehicleData& d, const char* name, Prss* errorPage, int storeModel) {
  char path[FILE_PATH_SIZE];
  if (VehicleExportPath) {
    std::snprintf(path, sizeof path, "%s", VehicleExportPath);
  } else if (!MakeVehiclePath(path, sizeof path, name, 0)) {
    LastDataFileError = DATA_FILE_NOT_FOUND;
    return 0;
  }
  DataFile f;
  if (!f.OpenWrite(errorPage, path, VEHICLE_FILE_MAGIC, VEHICLE_FILE_VERSION)) return 0;
  d.SetTypeConstants();
  SerializeVehicleData(d, f, name, storeModel);
  return f.Close();
}
