// frame_records.cpp - the frame point and tube records.
#include "vehicle_data/frame_records.h"

#include "core/data_file.h"

void WriteRecord20(const FramePoint& p, DataFile& f) {
  f.WriteInt(p.x);
  f.WriteInt(p.y);
  f.WriteInt(p.z);
  f.WriteFloat(p.work);
  f.WriteByte(p.flags);
  f.WriteByte(p.flags >> 8);
  f.WriteByte(p.type);
  f.WriteByte(p.spare);
}

void ReadRecord20(FramePoint& p, DataFile& f) {
  p.x = f.ReadInt();
  p.y = f.ReadInt();
  p.z = f.ReadInt();
  p.work = f.ReadFloat();
  p.flags = static_cast<uint16_t>(f.ReadShort());
  p.type = static_cast<uint8_t>(f.ReadByte());
  p.spare = static_cast<uint8_t>(f.ReadByte());
}

void WriteRecordB(FrameTube& t, DataFile& f) {
  f.WriteByte(t.a);
  f.WriteByte(t.a >> 8);
  f.WriteByte(t.b);
  f.WriteByte(t.b >> 8);
  if (t.a < 0 || t.b < 0) {
    f.WriteFloat(t.radius);
    t.flags |= TUBE_WHEEL_END;
  } else {
    f.WriteFloat(t.massPerMetre);
  }
  f.WriteInt(static_cast<int32_t>(t.flags));
}

void ReadTubeRecord(FrameTube& t, DataFile& f) {
  t = FrameTube{};
  t.a = static_cast<int16_t>(f.ReadShort());
  t.b = static_cast<int16_t>(f.ReadShort());
  const float value = f.ReadFloat();
  t.flags = f.ReadUInt();
  if (t.a < 0 || t.b < 0) {
    t.radius = value;
    return;
  }
  // Written so that a value that is not a number fails the first test and reads as the least.
  t.massPerMetre = value >= TUBE_MIN_MASS_PER_METRE
                       ? (value <= TUBE_MAX_MASS_PER_METRE ? value : TUBE_MAX_MASS_PER_METRE)
                       : TUBE_MIN_MASS_PER_METRE;
}
