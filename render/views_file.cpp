// views_file.cpp - the views file: the three layout records, read once at start-up.
//
// After the 8-byte header: nothing more in version 0; else a 32-bit word (not used) and
// 48-byte records, two in version 1 (the first is the single-screen layout, the second is
// not used) and three in version 2 (single, wide, triple).
#include <cstdint>

#include "core/data_file.h"
#include "core/log.h"
#include "render/views.h"

namespace {

int32_t ClampScreens(int32_t v) { return v < 1 ? 0 : (v > 4 ? 5 : v); }
int32_t ClampWidth(int32_t v) { return v < 1025 ? 1024 : (v > 4095 ? 4096 : v); }
// "Not above" and "not below" so that a NaN takes the lower bound.
float ClampNarrowing(float v) { return !(v > 0.0f) ? 0.0f : (!(v < 20.0f) ? 20.0f : v); }
float ClampOffset(float v) { return !(v > -0.75f) ? -0.75f : (!(v < 0.75f) ? 0.75f : v); }

void ReadLayout(DataFile& f, ViewLayout& l) {
  l.equalWidths = static_cast<uint8_t>(f.ReadByte());
  l.wholeWidth = static_cast<uint8_t>(f.ReadByte());
  f.ReadByte();
  f.ReadByte();
  l.leftScreens = ClampScreens(f.ReadInt());
  l.rightScreens = ClampScreens(f.ReadInt());
  f.ReadInt();
  l.fieldOfView = f.ReadFloat();
  l.narrowingPercent = ClampNarrowing(f.ReadFloat());
  l.centreWidth = ClampWidth(f.ReadInt());
  l.sideWidth = ClampWidth(f.ReadInt());
  l.screenAngle = f.ReadFloat();
  l.centreOffset = ClampOffset(f.ReadFloat());
  f.ReadFloat();
  f.ReadFloat();
}

void WriteLayout(DataFile& f, const ViewLayout& l) {
  f.WriteByte(l.equalWidths);
  f.WriteByte(l.wholeWidth);
  f.WriteByte(0);
  f.WriteByte(0);
  f.WriteInt(l.leftScreens);
  f.WriteInt(l.rightScreens);
  f.WriteInt(0);
  f.WriteFloat(l.fieldOfView);
  f.WriteFloat(l.narrowingPercent);
  f.WriteInt(l.centreWidth);
  f.WriteInt(l.sideWidth);
  f.WriteFloat(l.screenAngle);
  f.WriteFloat(l.centreOffset);
  f.WriteFloat(0.0f);
  f.WriteFloat(0.0f);
}

}  // namespace

int LoadViewsFrom(const char* path) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(nullptr, path, VIEWS_FILE_MAGIC, &version, VIEWS_FILE_VERSION, 1)) {
    if (LastDataFileError != DATA_FILE_NOT_FOUND) LogF("views file not read (error %d): %s", LastDataFileError, path);
    return 0;
  }
  if (version == 0) {
    f.Close();
    return 1;
  }
  f.ReadInt();
  const int count = version == 1 ? 2 : 3;
  ViewLayout read[3] = {};
  for (int i = 0; i < count; ++i) ReadLayout(f, read[i]);
  const bool complete = !f.readPastEnd;
  f.Close();
  // A cut-off file changes nothing rather than half of a record.
  if (!complete) {
    LogF("views file too short: %s", path);
    return 0;
  }
  ViewLayouts[LAYOUT_SINGLE] = read[0];
  if (version >= 2) {
    ViewLayouts[LAYOUT_WIDE] = read[1];
    ViewLayouts[LAYOUT_TRIPLE] = read[2];
  }
  return 1;
}

int LoadViews() {
  SetDefaultLayouts();
  const int loaded = LoadViewsFrom(VIEWS_FILE_PATH);
  MarkLayoutChanged();
  return loaded;
}

int SaveViews(const char* path) {
  DataFile f;
  if (!f.OpenWrite(nullptr, path, VIEWS_FILE_MAGIC, VIEWS_FILE_VERSION)) return 0;
  f.WriteInt(0);
  for (const ViewLayout& l : ViewLayouts) WriteLayout(f, l);
  return f.Close();
}
