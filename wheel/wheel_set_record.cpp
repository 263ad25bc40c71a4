// wheel_set_record.cpp - the wheel set's 64-byte record in the vehicle data.
//
//   0 section width  4 aspect ratio  8 rim radius  12 rim width            (f32)
//  16 suspension type, rim edge extra width, rim lip depth, low profile    (u8)
//  20 maximum up position  24 caster                                      (f32)
//  28 rim inner depth, rim shade, brake disc radius, brake disc offset     (u8, i8)
//  32 inclination  36 included angle  40 wheel offset  44 track width      (f32)
//  48 reserved word 0  52 lower arm  56 upper arm  60 half upright length  (f32)
#include "core/data_file.h"
#include "wheel/wheel.h"

const char* const SuspensionTypeNames[SUSPENSION_TYPE_COUNT] = {
    "Rigid", "Linear", "Front Fork", "MacPherson Strut", "Double Wishbone", "Trailing Arm"};
const char* const SuspensionTypeKeys[SUSPENSION_TYPE_COUNT] = {"3g_susrigid", nullptr,       "3g_susffork",
                                                               "3g_susmacph", "3g_susdwish", "3g_sustrail"};

void SuspensionBlock::Write(DataFile& stream) const {
  const uint8_t type = suspensionType;
  // The caster of a rigid or double wishbone set belongs to the car's set-up, not the data.
  const bool casterStored = type != SUSPENSION_RIGID && type != SUSPENSION_DOUBLE_WISHBONE;
  const bool lowerArmStored = type == SUSPENSION_MACPHERSON_STRUT || type == SUSPENSION_DOUBLE_WISHBONE;
  const bool upperArmStored = type == SUSPENSION_DOUBLE_WISHBONE;

  stream.WriteFloat(sectionWidth);
  stream.WriteFloat(aspectRatio);
  stream.WriteFloat(rimRadius);
  stream.WriteFloat(rimWidth);
  stream.WriteByte(suspensionType);
  stream.WriteByte(rimEdgeExtraWidthMm);
  stream.WriteByte(rimLipDepthMm);
  stream.WriteByte(lowProfileTyreStyle);
  stream.WriteFloat(maxUpPosition);
  stream.WriteFloat(casterStored ? caster : 0.0f);
  stream.WriteByte(rimInnerDepthMm);
  stream.WriteByte(rimShadeTenths);
  stream.WriteByte(brakeDiscRadiusMm);
  stream.WriteByte(static_cast<uint8_t>(brakeDiscOffsetMm));
  stream.WriteFloat(inclination);
  stream.WriteFloat(includedAngle);
  stream.WriteFloat(wheelOffset);
  stream.WriteFloat(trackWidth);
  stream.WriteInt(0);  // reserved
  stream.WriteFloat(lowerArmStored ? lowerArmLength : 0.0f);
  stream.WriteFloat(upperArmStored ? upperArmLength : 0.0f);
  stream.WriteFloat(halfUprightLength);
}

namespace {

// A byte past the end of the data reads as 0, as the stream's other reads do.
uint8_t ReadRecordByte(DataFile& stream) {
  const int value = stream.ReadByte();
  return static_cast<uint8_t>(value < 0 ? 0 : value);
}

}  // namespace

void SuspensionBlock::Read(DataFile& stream, int version) {
  sectionWidth = stream.ReadFloat();
  aspectRatio = stream.ReadFloat();
  rimRadius = stream.ReadFloat();
  rimWidth = stream.ReadFloat();
  suspensionType = ReadRecordByte(stream);
  rimEdgeExtraWidthMm = ReadRecordByte(stream);
  rimLipDepthMm = ReadRecordByte(stream);
  lowProfileTyreStyle = ReadRecordByte(stream);
  maxUpPosition = stream.ReadFloat();
  caster = stream.ReadFloat();
  if (version >= WHEEL_SET_RIM_BYTES_VERSION) {
    rimInnerDepthMm = ReadRecordByte(stream);
    rimShadeTenths = ReadRecordByte(stream);
    brakeDiscRadiusMm = ReadRecordByte(stream);
    brakeDiscOffsetMm = static_cast<int8_t>(ReadRecordByte(stream));
  } else {
    stream.ReadInt();  // an older value of unknown meaning; the four fields keep theirs
  }
  inclination = stream.ReadFloat();
  includedAngle = stream.ReadFloat();
  wheelOffset = stream.ReadFloat();
  trackWidth = stream.ReadFloat();
  stream.ReadInt();  // reserved
  lowerArmLength = stream.ReadFloat();
  upperArmLength = stream.ReadFloat();
  halfUprightLength = stream.ReadFloat();
  // The car's mesh build makes both again; whoever held them released them first.
  spokeMesh = nullptr;
  rimMesh = nullptr;
}
