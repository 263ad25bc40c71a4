// vehicle_file_read.cpp - reading the vehicle file of every version into the vehicle data,
// with the conversions of older files in the order they rely on.
//
// Older files differ (V the file's version, R its format revision):
//   V <= 250 without option bit 24: field 7 is a u32 count and that many 12-byte records
//   V < 249: no configurations (field 17), and the model object stands after field 31
//   V < 251 without option bit 18: no marker before the configurations
//   R < 3: no engine name; R < 4: a u32 instead of the short code, which follows the
//   dashboard's bytes with two u32 before it; R < 5: no summary, no suspension mass constant;
//   R < 6: no fuel capacity in field 13 (with option bit 19 it follows the trail reduction),
//   and 8 bytes follow a lights word that is not 0
// Every count is checked against the bytes left before anything is allocated or looped over.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/data_file.h"
#include "core/report.h"
#include "model/model_file.h"
#include "platform/files.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_file.h"

std::mutex VehicleFileLock;
char CurrentShortName[SHORT_NAME_SIZE];
int KeepUnmirrored;
int NoModPath;
VehicleBodyCopy HistoryVehicleCopy;
const char* VehicleExportPath;
int DashSizeMode;
const char* LastVehicleReadField;

namespace {

constexpr int SETUP_ENTRY_BYTES = SETUP_NAME_SIZE + SETUP_RECORD_SIZE;
constexpr int COLOUR_CONFIG_BYTES = COLOUR_SET_BYTES;
constexpr int CONFIG_BYTES = CONFIG_NAME_SIZE + 4;
constexpr int OLD_TRANSMISSION_RECORD_BYTES = 12;
constexpr int WHEEL_POSITION_BYTES = 12;
constexpr int MAX_GEAR_POSITIONS = 255;  // the car holds the count in a byte
constexpr float CENTRAL_DRIVER = 0.2f;
constexpr float THREE_SEATS_FROM = 0.35f;
constexpr uint32_t OLD_DASH_WORD = 0x1E1419A5;
constexpr int OLD_DASH_WORD_OFFSET = 76;
constexpr float AERO_FLOOR = 0.01f;
constexpr double PI = 3.14159265358979323846;
constexpr float PI_F = 3.14159265f;
constexpr const char* OPEN_ROOF = "OPEN ROOF";
constexpr const char* TEXT_DEFAULT_SETTINGS = "Using default settings";
constexpr const char* TEXT_DEFAULT_COLOURS = "Using default colour config";
constexpr int SOUND_WARNING = 4;

struct Reader {
  DataFile& f;
  VehicleData& d;
  int version;
  int revision;

  bool Fail(const char* field, int code = VEHICLE_FILE_CORRUPTED) {
    LastVehicleReadField = field;
    LastDataFileError = code;
    return false;
  }
  // A short read ends the file: the field that ran past the end failed.
  bool Whole(const char* field) { return f.readPastEnd ? Fail(field) : true; }
  // count records of recordBytes must lie in the bytes left.
  bool Fits(int64_t count, int64_t recordBytes, const char* field) {
    if (count < 0 || count * recordBytes > f.BytesLeft()) {
      f.readPastEnd = 1;
      return Fail(field);
    }
    return true;
  }
  // Skips bytes that Fits has checked, in steps the stream takes.
  bool Skip(int64_t bytes, const char* field) {
    while (bytes > 0) {
      const int step = static_cast<int>(std::min<int64_t>(bytes, 1 << 30));
      if (!f.Skip(step)) return Fail(field);
      bytes -= step;
    }
    return true;
  }
  Vec3 ReadVec3() {
    Vec3 v;
    v.x = f.ReadFloat();
    v.y = f.ReadFloat();
    v.z = f.ReadFloat();
    return v;
  }
  // A fixed text field: its bytes, the last one forced to zero.
  void ReadText(char* field, int size) {
    f.ReadBlock(field, size);
    field[size - 1] = 0;
  }
};

uint8_t Byte(DataFile& f) { return static_cast<uint8_t>(f.ReadByte()); }

// ---- the header part: fields 1 to 28 ----

bool ReadIdentity(Reader& r) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  d.options = f.ReadUInt();
  d.options2 = (d.options & OPT1_SECOND_WORD) ? f.ReadUInt() : 0;
  d.vehicleClass = Byte(f);
  d.modelStored = Byte(f);
  const int revision = f.ReadByte();
  d.classFlagsMarker = Byte(f);
  if (!r.Whole("option words")) return false;
  if (revision > VEHICLE_FORMAT_REVISION) return r.Fail("format revision", DATA_FILE_LATER_VERSION);
  r.revision = revision;

  if (r.version < 250) d.options &= ~OPT1_BIT0;
  if (r.version < 252) {
    d.options &= ~OPT1_OLD_BITS;
    if (d.vehicleClass == 12) d.vehicleClass = CLASS_F1;
  }
  if (revision < 6) {
    if (d.vehicleClass == CLASS_OBJECT && (d.options & OPT1_TRAIL_REDUCTION)) d.vehicleClass = CLASS_BIKE;
    else if (d.vehicleClass >= 12 && d.vehicleClass <= 14) d.vehicleClass = static_cast<uint8_t>(d.vehicleClass - 5);
  }
  if (d.vehicleClass >= VEHICLE_CLASS_COUNT) return r.Fail("vehicle class");

  if (r.version >= 251 || (d.options & OPT1_TRANSMISSION_BYTES)) {
    const int type = f.ReadByte(), side = f.ReadByte(), third = f.ReadByte(), fourth = f.ReadByte();
    if (!r.Whole("transmission type")) return false;
    if (type >= TRANSMISSION_TYPE_COUNT) return r.Fail("transmission type");
    if (side >= 5) return r.Fail("driver side code");
    if (third != 0 || fourth > 1) return r.Fail("transmission bytes");
    d.transmissionType = static_cast<uint8_t>(type);
  } else {
    const uint32_t count = f.ReadUInt();
    if (!r.Whole("transmission list") || !r.Fits(count, OLD_TRANSMISSION_RECORD_BYTES, "transmission list") ||
        !r.Skip(int64_t{count} * OLD_TRANSMISSION_RECORD_BYTES, "transmission list"))
      return false;
    d.options |= OPT1_TRANSMISSION_BYTES;
    const bool twoWheelGearbox =
        d.vehicleClass == CLASS_KART || d.vehicleClass == CLASS_BIKE || d.vehicleClass == CLASS_FSAE;
    d.transmissionType = twoWheelGearbox ? TRANSMISSION_MOTORBIKE : TRANSMISSION_H_PATTERN;
  }
  d.driveType = Byte(f);
  f.ReadByte();  // the distinct colour names: written for outside readers
  f.ReadByte();
  f.ReadByte();
  if (revision >= 4) {
    f.ReadBlock(d.shortCode, VEHICLE_CODE_SIZE);
    if (!r.Whole("short code")) return false;
    if (d.shortCode[3] != 0) return r.Fail("short code");
  } else {
    f.ReadInt();
  }
  if (revision >= 5) f.Skip(16);  // the summary figures
  if (revision >= 6) d.fuelTankCapacity = f.ReadFloat();
  if (!r.Whole("engine")) return false;
  if (!d.engine.Read(f, d.engine, 1, d.vehicleClass) || f.readPastEnd) return r.Fail("engine");
  // Only an electric motor stores its peak figures; an engine's come from its curve, even when
  // its record was a motor's (it is written as the transmission type says).
  if (d.transmissionType != TRANSMISSION_ELECTRIC) d.engine.maxPower = d.engine.maxTorque = 0;
  return true;
}

bool ReadLists(Reader& r) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  const uint32_t setups = f.ReadUInt();
  if (!r.Whole("set-up count") || !r.Fits(setups, SETUP_ENTRY_BYTES, "set-up count")) return false;
  d.setupCount = static_cast<int32_t>(std::min<uint32_t>(setups, VEHICLE_MAX_SETUPS));
  for (int i = 0; i < d.setupCount; ++i) {
    r.ReadText(d.setups[i].name, SETUP_NAME_SIZE);
    if (!ReadSetupRecord(d.setups[i].record, f, r.version)) return r.Fail("set-up");
  }
  if (!r.Skip(int64_t{setups - d.setupCount} * SETUP_ENTRY_BYTES, "set-up")) return false;

  const uint32_t colourConfigs = f.ReadUInt();
  if (!r.Whole("colour configuration count") ||
      !r.Fits(colourConfigs, COLOUR_CONFIG_BYTES, "colour configuration count"))
    return false;
  d.colourConfigCount = static_cast<int32_t>(std::min<uint32_t>(colourConfigs, VEHICLE_MAX_COLOUR_CONFIGS));
  for (int i = 0; i < d.colourConfigCount; ++i)
    if (!ReadColourSet(d.colourConfigs[i], f)) return r.Fail("colour configuration");
  if (!r.Skip(int64_t{colourConfigs - d.colourConfigCount} * COLOUR_CONFIG_BYTES, "colour configuration"))
    return false;

  if (r.version >= 249) {
    if (r.version >= 251 || (d.options & OPT1_CONFIG_MARKER)) f.ReadInt();
    const uint32_t configs = f.ReadUInt();
    if (!r.Whole("configuration count") || !r.Fits(configs, CONFIG_BYTES, "configuration count")) return false;
    d.configCount = static_cast<int32_t>(std::min<uint32_t>(configs, VEHICLE_MAX_CONFIGS));
    for (int i = 0; i < VEHICLE_MAX_CONFIGS; ++i) d.configs[i] = VehicleConfig{};
    for (int i = 0; i < d.configCount; ++i) {
      r.ReadText(d.configs[i].name, CONFIG_NAME_SIZE);
      d.configs[i].layerMask = f.ReadUInt();
    }
    if (!r.Skip(int64_t{configs - d.configCount} * CONFIG_BYTES, "configuration")) return false;
  }
  if (r.version < 251) {
    d.options &= ~OPT1_DRIVE_SIDE_LOCKED;
    d.options |= OPT1_CONFIG_MARKER;
  }
  if (r.version < 250) {
    const uint8_t c = d.vehicleClass;
    if (c != CLASS_TOURING_CAR && c != CLASS_SALOON && c != CLASS_GT && d.configCount > 0) {
      std::memset(d.configs[0].name, 0, CONFIG_NAME_SIZE);
      std::strncpy(d.configs[0].name, OPEN_ROOF, CONFIG_NAME_SIZE - 1);
    }
    // No model code of ours needs an exception here.
    if (c != CLASS_KART && c != CLASS_BIKE && c != CLASS_FSAE) d.options |= OPT1_BIT0;
  }
  return r.Whole("configuration");
}

bool ReadPositions(Reader& r) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  d.enginePosition = r.ReadVec3();
  d.driverPosition = r.ReadVec3();
  if (d.options & OPT1_BACK_SEAT) {
    f.ReadInt();  // the lateral position follows from the driver's
    d.backSeatForward = f.ReadFloat();
    d.backSeatUp = f.ReadFloat();
  }
  d.mainBatteryPosition = r.ReadVec3();
  d.smallBatteryPosition = r.ReadVec3();
  d.smallBatteryMass = f.ReadFloat();
  d.spareWheelPosition = r.ReadVec3();
  d.spareWheelPitch = f.ReadFloat();
  d.steeringWheelTurn = f.ReadFloat();
  d.steeringWheelAlign = f.ReadFloat();
  d.steeringWheelPitch = f.ReadFloat();
  if (d.options & OPT1_TRAIL_REDUCTION) d.trailReduction = f.ReadFloat();
  if (r.revision < 6 && (d.options & OPT1_FUEL_CAPACITY)) d.fuelTankCapacity = f.ReadFloat();
  for (float& c : d.transmissionConstants) c = f.ReadFloat();
  d.lightsAndAids = f.ReadUInt();
  if (r.revision < 6 && d.lightsAndAids != 0) f.Skip(8);
  return r.Whole("positions");
}

bool ReadDashboard(Reader& r) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  d.dashType = Byte(f);
  const int size = f.ReadByte();
  d.dashByte = Byte(f);
  d.seatsPerRow = Byte(f);
  if (!r.Whole("dashboard")) return false;
  if (d.options & OPT1_BACK_SEAT) {
    const float x = d.driverPosition.x;
    if (std::fabs(x) < CENTRAL_DRIVER) {
      d.backSeatLateral = x;
      d.seatsPerRow = 1;
    } else {
      d.backSeatLateral = std::fabs(x);
      d.seatsPerRow = std::fabs(x) >= THREE_SEATS_FROM ? 3 : 2;
    }
  }
  if (!r.Fits(size, 1, "dashboard")) return false;
  const int kept = std::min(size, DASH_BLOCK_SIZE);
  f.ReadBlock(d.dash, kept);
  f.Skip(size - kept);
  d.dashSize = static_cast<uint8_t>(kept);
  if (r.revision < 4) {
    f.ReadInt();
    f.ReadInt();
    r.ReadText(d.shortCode, VEHICLE_CODE_SIZE);
  }
  // A type the program does not know is no dashboard; its stored bytes have been read past.
  if (d.dashType >= DASH_TYPE_COUNT) d.dashType = d.dashSize = d.dashByte = 0;
  if (r.revision < 6 && (d.dashType == 1 || d.dashType == 2))
    for (int i = 0; i < 4; ++i) d.dash[OLD_DASH_WORD_OFFSET + i] = static_cast<uint8_t>(OLD_DASH_WORD >> (8 * i));
  SettleStoredDashboard(d, r.version, r.revision);
  // Every vehicle in memory has its second option word.
  if (r.version < 252) d.options |= OPT1_SECOND_WORD;
  return r.Whole("dashboard");
}

// Field 28's two words are replaced at once, and the engine takes its class's rev limit unless
// the file marks its redline as the user's own (one set in the engine editor, which a save and
// a load, and the edit history, keep).
void FixEngineFigures(VehicleData& d) {
  d.engineWords[0] = ENGINE_WORD_VALUES[0];
  d.engineWords[1] = ENGINE_WORD_VALUES[1];
  d.options |= OPT1_ENGINE_WORDS;
  const bool own = d.engine.flags & ENGINE_OWN_REDLINE;
  d.engine.flags &= ~ENGINE_OWN_REDLINE;
  float redline;
  if (!own && ClassRedline(d, &redline)) d.engine.redline = redline;
}

}  // namespace

void ChooseMirrored(VehicleData& d, int requestedDriveSide) {
  const float x = d.driverPosition.x;
  if (KeepUnmirrored || std::fabs(x) < CENTRAL_DRIVER || (d.options & OPT1_DRIVE_SIDE_LOCKED)) {
    d.mirrored = 0;
    return;
  }
  const int driverLeft = x < 0 ? 1 : 0;
  d.mirrored = driverLeft != (requestedDriveSide & 1) ? 1 : 0;
}

namespace {

bool ReadHead(Reader& r, const VehicleChoice& choice) {
  VehicleData& d = r.d;
  if (!ReadIdentity(r) || !ReadLists(r) || !ReadPositions(r) || !ReadDashboard(r)) return false;
  ChooseMirrored(d, choice.requestedDriveSide);
  FormatShortName(d.shortCode, d.shortName);
  std::memcpy(CurrentShortName, d.shortName, SHORT_NAME_SIZE);
  if (d.options & OPT1_ENGINE_WORDS) {
    r.f.ReadInt();
    r.f.ReadInt();
    if (!r.Whole("engine words")) return false;
  }
  FixEngineFigures(d);
  d.builtinIndex = BuiltinCarIndexByCode(d.shortCode);
  return true;
}

// ---- the rest: fields 29 to 44 ----

bool ReadNames(Reader& r) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  const uint32_t gears = f.ReadUInt();
  d.reverseRatio = f.ReadFloat();
  if (!r.Whole("gear positions")) return false;
  if (gears > MAX_GEAR_POSITIONS) return r.Fail("gear positions");
  d.gearPositions = static_cast<uint8_t>(gears);
  r.ReadText(d.steerAnimation, STEER_ANIMATION_SIZE);
  if (r.revision >= 3) {
    char name[ENGINE_NAME_SIZE];
    r.ReadText(name, ENGINE_NAME_SIZE);
    if (d.transmissionType != TRANSMISSION_NONE) std::memcpy(d.engineName, name, ENGINE_NAME_SIZE);
  } else {
    std::snprintf(d.engineName, ENGINE_NAME_SIZE, "%s_DEFAULT", d.shortName);
  }
  d.SetTypeConstants();
  return r.Whole("engine name");
}

// Each colour's channels scaled so that the largest becomes 220 (180 for colour 2).
void RescaleOldColours(VehicleData& d) {
  for (int i = 0; i < VEHICLE_COLOURS; ++i) {
    const ColourWord c = d.colours[i];
    uint64_t largest = 0;
    for (int channel = 0; channel < 3; ++channel) largest = std::max<uint64_t>(largest, c >> (8 * channel) & 0xFF);
    if (largest == 0) continue;  // black stays black
    const uint64_t target = i == 2 ? 180 : 220;
    ColourWord scaled = c & 0xFF000000u;
    for (int channel = 0; channel < 3; ++channel)
      scaled |= static_cast<ColourWord>((c >> (8 * channel) & 0xFF) * target / largest) << (8 * channel);
    d.colours[i] = scaled;
  }
}

// Index -1 with a record takes the record; an index the file does not hold says so and takes
// entry 0.  A file that holds no entry at all gives a new one: a zeroed set-up with the class
// defaults, or the default colour configuration (the counts stay 0).
void ChooseSetupAndColours(VehicleData& d, const VehicleChoice& choice) {
  if (choice.setupIndex == -1 && choice.setup) {
    d.currentSetup = *choice.setup;
    d.setupIndex = -1;
  } else {
    int index = choice.setupIndex;
    if (index < 0 || index >= d.setupCount) {
      ReportLine(TEXT_DEFAULT_SETTINGS, REPORT_ERROR);
      ReportSound(SOUND_WARNING);
      index = 0;
    }
    if (d.setupCount > 0) {
      d.currentSetup = d.setups[index].record;
    } else {
      d.currentSetup = SetupRecord{};
      d.ApplyClassSetupDefaults(d.currentSetup);
    }
    d.setupIndex = index;
  }
  if (choice.colourIndex == -1 && choice.colours) {
    d.currentColours = *choice.colours;
    d.colourIndex = -1;
  } else {
    int index = choice.colourIndex;
    if (index < 0 || index >= d.colourConfigCount) {
      ReportLine(TEXT_DEFAULT_COLOURS, REPORT_ERROR);
      ReportSound(SOUND_WARNING);
      index = 0;
    }
    d.currentColours = d.colourConfigCount > 0 ? d.colourConfigs[index] : DefaultColourConfig();
    d.colourIndex = index;
  }
}

bool ReadWheels(Reader& r) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  if (!ReadFrame(d, f)) return false;  // the field that failed is named
  d.suspensionMassConstant =
      r.revision >= 5 ? f.ReadFloat() : VehicleClassRow(d.vehicleClass).suspensionMassConstant;
  const uint32_t wheels = f.ReadUInt();
  if (!r.Whole("wheel count")) return false;
  if (wheels > CAR_MAX_WHEELS) return r.Fail("wheel count");
  if (!r.Fits(wheels, WHEEL_POSITION_BYTES, "wheel count")) return false;
  d.wheelCount = static_cast<int32_t>(wheels);
  for (uint32_t i = 0; i < wheels; ++i) d.wheelPositions[i] = r.ReadVec3();
  for (SuspensionBlock& set : d.wheelSets) set.Read(f, r.version);
  d.options |= OPT1_CORRECTIONS_DONE;
  return r.Whole("wheel sets");
}

// Files before version 251 kept each axle's track width in the set-ups and the caster of a
// rigid or double wishbone axle in its wheel set; both move to where they are kept now.
void MoveOldAxleValues(VehicleData& d) {
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const int trackAt = SETUP_AXLE[axle] + AXLE_OLD_TRACK_WIDTH;
    if (d.setupCount > 0) {
      const float track = SetupFloat(d.setups[0].record, trackAt);
      if (track != 0.0f) d.wheelSets[axle].trackWidth = track;
    }
    for (int i = 0; i < d.setupCount; ++i) SetSetupFloat(d.setups[i].record, trackAt, 0.0f);
    SuspensionBlock& set = d.wheelSets[axle];
    if (set.suspensionType != SUSPENSION_RIGID && set.suspensionType != SUSPENSION_DOUBLE_WISHBONE) continue;
    const double tenths = std::round(set.caster * 1800.0 / PI);
    const uint8_t byte = static_cast<uint8_t>(std::isfinite(tenths) ? std::clamp(tenths, 0.0, 255.0) : 0.0);
    for (int i = 0; i < d.setupCount; ++i) d.setups[i].record.bytes[SETUP_AXLE[axle] + AXLE_CASTER] = byte;
    set.caster = 0.0f;
  }
}

bool ReadSpokeAndRim(Reader& r) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  d.spokeCount = std::clamp<uint8_t>(Byte(f), 1, SPOKE_MAX);
  d.rimBytes[0] = std::min<uint8_t>(Byte(f), 1);
  d.rimBytes[1] = std::min<uint8_t>(Byte(f), 7);
  d.rimBytes[2] = std::clamp<uint8_t>(Byte(f), d.rimBytes[1], 7);
  if (d.options2 & OPT2_RIM_WORDS)
    for (int16_t& w : d.rimWords) w = static_cast<int16_t>(f.ReadShort());
  if (!r.Whole("rim bytes")) return false;

  d.spoke.Free();
  d.spoke = ModelObject{};
  d.spoke.Init();
  const char* carCode = d.builtinIndex >= 0 ? d.shortName : nullptr;
  if (!ReadModelObject(d.spoke, f, r.version, 0, MODEL_READ_SPOKE, 0, carCode)) return r.Fail("spoke object");
  std::memset(d.spoke.name, 0, MODEL_NAME_SIZE);
  std::strncpy(d.spoke.name, SPOKE_OBJECT_NAME, MODEL_NAME_SIZE - 1);

  SuspensionBlock& rear = d.wheelSets[0];
  if (r.version < 252 && rear.rimInnerDepthMm == 0) {
    if (d.spokeCount == SPOKE_MAX) d.spokeCount = 2;
    for (SuspensionBlock& set : d.wheelSets) {
      set.rimInnerDepthMm = 5;
      set.rimShadeTenths = 6;
      if (rear.aspectRatio < 0.355f) {
        set.lowProfileTyreStyle = 1;
        set.rimEdgeExtraWidthMm = 4;
      } else {
        set.rimEdgeExtraWidthMm = 2;
      }
    }
    // The spoke was drawn to the rim's edge; the edge now stands 5 mm further out.  A rim of
    // no width has no edge to follow.
    const double halfWidth = rear.rimWidth / 2.0;
    if (halfWidth > 0 && std::isfinite(halfWidth)) {
      const double factor = (halfWidth + 0.005) / halfWidth;
      for (int i = 0; i < d.spoke.pointCount; ++i) {
        const double x = std::round(d.spoke.points[i].x * factor);
        d.spoke.points[i].x = static_cast<int32_t>(std::clamp(x, double{INT32_MIN}, double{INT32_MAX}));
      }
    }
  }
  d.CopyWheelsToConfigs();
  d.spoke.lodDistances[0] = FIXED_ONE;
  FreeVehicleRim(d);
  d.rim = new WXS;
  if (!d.rim->Load(f, r.version)) return r.Fail("rim profile");
  for (float(&item)[3] : d.aero)
    for (float& v : item) v = f.ReadFloat();
  for (int i = 1; i < 3; ++i)
    if (!(d.aero[AERO_ITEMS - 1][i] >= AERO_FLOOR)) d.aero[AERO_ITEMS - 1][i] = AERO_FLOOR;
  return r.Whole("aerodynamic figures");
}

bool ReadModel(Reader& r, ModelObject*& model) {
  VehicleData& d = r.d;
  if (!model) model = d.modelStored && r.version >= 249 ? ReadVehicleModel(d, r.f, r.version) : LoadVehicleModel(d);
  if (!model) {
    const int error = d.modelStored || LastDataFileError == DATA_FILE_OK ? VEHICLE_FILE_CORRUPTED : LastDataFileError;
    return r.Fail("model object", error);
  }
  FreeVehicleModel(d);
  d.model = model;
  d.ownsModel = 1;
  d.model->offset[0] = d.model->offset[1] = 0;
  d.modelPresent = 1;
  return true;
}

bool ReadRest(Reader& r, const char* name, const VehicleChoice& choice) {
  DataFile& f = r.f;
  VehicleData& d = r.d;
  if (!ReadNames(r)) return false;
  ModelObject* model = nullptr;
  if (r.version < 249) {
    model = ReadVehicleModel(d, f, r.version);
    if (!model) return r.Fail("model object");
  }
  for (ColourWord& c : d.colours) c = f.ReadUInt();
  if (r.version < 252 && !(d.options2 & OPT2_DEFAULT_COLOURS)) d.ResetColours(0);
  if (r.revision < 1) RescaleOldColours(d);
  ChooseSetupAndColours(d, choice);
  r.ReadText(d.modelCode, MODEL_CODE_SIZE);
  if (!d.modelCode[0]) {
    if (name && std::strlen(name) >= 2) {
      for (int i = 0; i < 2; ++i) d.modelCode[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
      d.modelCode[2] = 0;
    } else {
      std::strncpy(d.modelCode, "XX", MODEL_CODE_SIZE - 1);
    }
  }
  if (!r.Whole("colours") || !ReadWheels(r)) {
    if (model) {
      model->Free();
      delete model;
    }
    return false;
  }
  if (r.version < 251) MoveOldAxleValues(d);
  if (!ReadModel(r, model)) return false;
  if (r.version < 251) {
    // Older files kept no dashboard of their own: the model's clock pages name its type.
    d.dashSize = d.dashByte = 0;
    if (d.dashType == 0) {
      d.dashType = static_cast<uint8_t>(DashTypeFromPages(*d.model));
      d.SetDashDefaults();
    }
  }
  return ReadSpokeAndRim(r);
}

}  // namespace

// ---- [Names and paths] ----

int IsModVehicleName(const char* name) {
  if (!name) return 0;
  const size_t length = std::strlen(name);
  if (length < 8 || name[length - 4] != '~') return 0;
  for (size_t i = length - 3; i < length; ++i)
    if (name[i] < '0' || name[i] > '9') return 0;
  return 1;
}

int IsValidVehicleName(const char* name) {
  return IsSafeFileName(name) && std::strlen(name) < VEHICLE_NAME_SIZE && !std::strstr(name, "..");
}

int MakeVehiclePath(char* out, int outSize, const char* name, int mod) {
  if (outSize > 0) out[0] = 0;
  if (!IsValidVehicleName(name)) return 0;
  return MakeNamedPath(out, outSize, mod ? MOD_VEHICLE_FILE_PATTERN : VEHICLE_FILE_PATTERN, name) ? 1 : 0;
}

// ---- [Reading] ----

float ClassRevLimit(float engineSize, int cylinders, int vehicleClass) {
  // In float throughout, so that a new vehicle's figure and a read one's agree to the bit.
  const float x = 4654.0f / std::pow(engineSize / static_cast<float>(cylinders), 0.333333f) *
                  VehicleClassRow(vehicleClass).spreadFactor * 30.0f / PI_F / 1000.0f;
  const float n = std::nearbyint(x - 0.499999f);
  float redline = n * 1000.0f * PI_F / 30.0f;
  // A kart's engine revs half as high again as its class's figure.
  if (vehicleClass == CLASS_KART) redline *= 1.5f;
  return redline;
}

int ClassRedline(const VehicleData& d, float* redline) {
  const EngineModel& e = d.engine;
  if (d.transmissionType == TRANSMISSION_NONE || d.transmissionType == TRANSMISSION_ELECTRIC) return 0;
  if (!(e.engineSize > 0) || e.cylinders == 0) return 0;
  const float limit = ClassRevLimit(e.engineSize, e.cylinders, d.vehicleClass);
  if (!std::isfinite(limit)) return 0;
  *redline = limit;
  return 1;
}

int ReadVehicleData(VehicleData& data, DataFile& stream, int version, const char* name, const VehicleChoice& choice) {
  LastVehicleReadField = nullptr;
  LastDataFileError = DATA_FILE_OK;
  Reader r{stream, data, version, VEHICLE_FORMAT_REVISION};
  data.buildMode = choice.buildMode;
  data.requestedDriveSide = choice.requestedDriveSide;
  if (choice.buildMode) {
    std::memset(data.vehicleName, 0, VEHICLE_NAME_SIZE);
    std::strncpy(data.vehicleName, name && name[0] ? name : DEFAULT_VEHICLE_NAME, VEHICLE_NAME_SIZE - 1);
  }
  if (!ReadHead(r, choice)) return 0;
  if (!choice.buildMode) return 1;
  return ReadRest(r, name, choice) ? 1 : 0;
}

// ---- [Failures] ----

const char* VehicleReadFailureText() {
  const char* reason = LastDataFileError == VEHICLE_FILE_CORRUPTED ? TEXT_MODEL_FILE_DAMAGED
                                                                   : DataFileErrorText(LastDataFileError);
  return reason ? reason : TEXT_MODEL_FILE_DAMAGED;
}

void FormatVehicleReadFailure(char* out, int outSize, const char* path) {
  std::snprintf(out, static_cast<size_t>(outSize), "%s %s^8 - %s", VehicleReadFailureText(),
                PathInMessage(path).c_str(), LastVehicleReadField ? LastVehicleReadField : "header");
}

void ReportVehicleReadFailure(const char* path) {
  char text[FILE_PATH_SIZE + 128];
  FormatVehicleReadFailure(text, sizeof text, path);
  ReportLine(text, REPORT_ERROR);
}

// ---- [Frame records] ----

namespace {
char g_frameField[40];
int FrameFails(DataFile& f, const char* field) {
  f.readPastEnd = 1;
  LastVehicleReadField = field;
  LastDataFileError = VEHICLE_FILE_CORRUPTED;
  return 0;
}
}  // namespace

int ReadFrame(VehicleData& d, DataFile& f) {
  FreeVehicleFrame(d);
  const uint32_t points = f.ReadUInt();
  if (f.readPastEnd || int64_t{points} * FRAME_POINT_BYTES > f.BytesLeft()) return FrameFails(f, "frame point count");
  if (points) d.framePoints = static_cast<FramePoint*>(std::calloc(points, sizeof(FramePoint)));
  if (points && !d.framePoints) return FrameFails(f, "frame point count");
  d.framePointCount = static_cast<int32_t>(points);
  for (uint32_t i = 0; i < points; ++i) {
    FramePoint& p = d.framePoints[i];
    ReadRecord20(p, f);
    p.work = 0;
    p.flags &= ~FRAME_POINT_SELECTED;
  }
  const uint32_t tubes = f.ReadUInt();
  if (f.readPastEnd || int64_t{tubes} * FRAME_TUBE_BYTES > f.BytesLeft()) return FrameFails(f, "frame tube count");
  if (tubes) d.frameTubes = static_cast<FrameTube*>(std::calloc(tubes, sizeof(FrameTube)));
  if (tubes && !d.frameTubes) return FrameFails(f, "frame tube count");
  int kept = 0;
  for (uint32_t i = 0; i < tubes; ++i) {
    FrameTube t;
    ReadTubeRecord(t, f);
    // An end past the points, or below the six wheel points, would index outside the frame.
    const int64_t count = d.framePointCount;
    if (t.a >= count || t.b >= count || t.a < WHEEL_POINT_FIRST || t.b < WHEEL_POINT_FIRST) {
      d.frameTubeCount = kept;
      std::snprintf(g_frameField, sizeof g_frameField, "frame tube %u", i);
      return FrameFails(f, g_frameField);
    }
    if (t.a < 0 && t.b < 0) continue;  // a tube between two wheel points is no tube
    d.frameTubes[kept++] = t;
  }
  d.frameTubeCount = kept;
  if (kept == 0) {
    std::free(d.frameTubes);
    d.frameTubes = nullptr;
  }
  return f.readPastEnd ? FrameFails(f, "frame tubes") : 1;
}

// ---- [Model objects] ----

namespace {
ModelObject* NewVehicleModel() {
  ModelObject* model = new ModelObject{};
  model->Init();
  return model;
}
}  // namespace

ModelObject* LoadVehicleModel(const VehicleData& d) {
  char path[FILE_PATH_SIZE];
  ModelObject* model = NewVehicleModel();
  const char* carCode = d.builtinIndex >= 0 ? d.shortName : nullptr;
  if (MakeNamedPath(path, sizeof path, VEHICLE_MODEL_PATTERN, d.modelCode) &&
      LoadModelFile(*model, nullptr, path, 1, carCode))
    return model;
  if (!path[0]) LastDataFileError = DATA_FILE_NOT_FOUND;
  // The model reader has shown an obsolete or damaged file; a missing one is shown here.
  if (LastDataFileError == DATA_FILE_NOT_FOUND || LastDataFileError == DATA_FILE_WRONG_TYPE ||
      LastDataFileError == DATA_FILE_LATER_VERSION) {
    char text[FILE_PATH_SIZE + 64];
    const std::string shown = PathInMessage(path[0] ? path : d.modelCode);
    std::snprintf(text, sizeof text, "%s : %s", TEXT_FILE_UNUSABLE, shown.c_str());
    ReportLine(text, REPORT_ERROR);
  }
  model->Free();
  delete model;
  return nullptr;
}

ModelObject* ReadVehicleModel(const VehicleData& d, DataFile& stream, int version) {
  ModelObject* model = NewVehicleModel();
  const char* carCode = d.builtinIndex >= 0 ? d.shortName : nullptr;
  if (!ReadModelObject(*model, stream, version, 1, MODEL_READ_OBJECT, 1, carCode) || stream.readPastEnd) {
    model->Free();
    delete model;
    return nullptr;
  }
  // The model takes the vehicle's name, without a mod's "~" and number.
  std::memset(model->name, 0, MODEL_NAME_SIZE);
  for (int i = 0; i < MODEL_NAME_SIZE - 1 && d.vehicleName[i] && d.vehicleName[i] != '~'; ++i)
    model->name[i] = d.vehicleName[i];
  return model;
}
