// layout_file.cpp - layout files: saving, loading in blocks, old records, replays.
#include "world/layout_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "solid/solid_hooks.h"
#include "world/autocross.h"
#include "world/placed_object.h"
#include "world/race_state.h"
#include "world/world.h"

namespace {

constexpr int ABORT_SOUND = 4;
constexpr int FIRST_FOLDED_INDEX = 22, LAST_FOLDED_INDEX = 171;

struct LayoutLoad {
  DataFile* file = nullptr;
  int left = 0;          // records still to send
  int lapsCode = 1;
  int ownClear = 0;      // the next clear is the program's own
  int subVersion = LAYOUT_SUB_VERSION;
};
LayoutLoad g_load;

void CloseLoad() {
  if (g_load.file) {
    g_load.file->Close();
    delete g_load.file;
  }
  g_load.file = nullptr;
  g_load.left = 0;
}

void SendEmptyLoadPacket() {
  const uint8_t packet[4] = {1, PACKET_LAYOUT_EMPTY, 0, 0};
  if (!RaceConnection.replayPlaying) RaceLink.AddToPacket(packet, 4);
}

const char* TrackShortNameOfWorld() { return CWld ? CWld->trackName : ""; }

}  // namespace

char LayoutFolder[LAYOUT_NAME_SIZE] = "layout";
char CurrentLayoutName[LAYOUT_NAME_SIZE];

void SetLayoutFolder(const char* folder) {
  std::snprintf(LayoutFolder, sizeof LayoutFolder, "%s", folder && folder[0] ? folder : "layout");
}

void FormatLayoutPath(char* out, int size, const char* name) {
  std::snprintf(out, size_t(size), "data/%s/%s.lyt", LayoutFolder, name ? name : "");
}

void FormatLayoutFileName(char* mask, int size) {
  std::snprintf(mask, size_t(size), "data/%s/%s_*.lyt", LayoutFolder, TrackShortNameOfWorld());
}

// ---- Saving ----

int PackAllLayoutObjects(LayoutObjectRecord* out, int room, int grouped) {
  int n = 0;
  auto put = [&](const LayoutObjectRecord& r) {
    if (n < room) out[n] = r;
    ++n;
  };
  if (CWld) {
    const Wld& w = *CWld;
    const int first = w.objectCount - w.addedCount;
    auto placed = [&](int i) -> const FObject* {
      const FixedOb* o = w.objects[i];
      return o && o->type == OBJECT_PLACED ? static_cast<const FObject*>(o) : nullptr;
    };
    auto index = [](const FObject& o) { return o.objectIndex < 0 ? 0 : int(o.objectIndex); };
    LayoutObjectRecord r;
    if (grouped) {
      // By index: each index the track's table holds (control objects always), then the rest.
      std::vector<uint8_t> listed(LAYOUT_OBJECT_TYPES, 0);
      for (int k = 0; k < LAYOUT_OBJECT_TYPES; ++k) {
        if (k > 0 && !LayoutObjectPresent(k)) continue;
        listed[size_t(k)] = 1;
        for (int i = first; i < w.objectCount; ++i)
          if (const FObject* o = placed(i); o && index(*o) == k) PackLayoutObject(r, *o), put(r);
      }
      for (int i = first; i < w.objectCount; ++i)
        if (const FObject* o = placed(i); o && (index(*o) >= LAYOUT_OBJECT_TYPES || !listed[size_t(index(*o))]))
          PackLayoutObject(r, *o), put(r);
    } else {
      for (int i = first; i < w.objectCount; ++i)
        if (const FObject* o = placed(i)) PackLayoutObject(r, *o), put(r);
    }
  }
  for (int i = 0; i < LayoutPlaceCount; ++i) put(LayoutPlaces[i].record);
  return n;
}

void WriteLayoutObjects(DataFile& f, int grouped) {
  const int count = PackAllLayoutObjects(nullptr, 0, grouped);
  std::vector<LayoutObjectRecord> records(size_t(std::max(count, 1)));
  PackAllLayoutObjects(records.data(), count, grouped);
  const int written = std::min(count, 65535);
  f.WriteByte(written & 0xFF);
  f.WriteByte(written >> 8);
  f.WriteByte(std::clamp<int>(RaceLayout.lapsCode, 0, 255));
  f.WriteByte(LAYOUT_SUB_VERSION);
  for (int i = 0; i < written; ++i) {
    uint8_t bytes[LAYOUT_RECORD_BYTES];
    WriteLayoutRecordBytes(records[size_t(i)], bytes);
    f.WriteBlock(bytes, LAYOUT_RECORD_BYTES);
  }
}

int SaveLayout(const char* name) {
  if (!name || !name[0] || std::strchr(name, '/') || std::strchr(name, '\\') || std::strstr(name, "..")) {
    ReportLine("Invalid layout name", REPORT_ERROR);
    return 0;
  }
  char folder[64];
  std::snprintf(folder, sizeof folder, "data/%s", LayoutFolder);
  MakeFolder("data");
  MakeFolder(folder);
  char path[128];
  FormatLayoutPath(path, sizeof path, name);
  DataFile f{};
  if (!f.OpenWrite(nullptr, path, LAYOUT_FILE_MAGIC, LAYOUT_FILE_VERSION)) return 0;  // told by the file
  WriteLayoutObjects(f, 1);
  if (!f.Close()) return 0;
  std::snprintf(CurrentLayoutName, sizeof CurrentLayoutName, "%s", name);
  return 1;
}

// ---- Loading ----

int LoadLayout(const char* name) {
  if (!name || !name[0]) return 0;
  char path[128];
  FormatLayoutPath(path, sizeof path, name);
  DataFile* f = new DataFile{};
  int32_t version = 0;
  if (!f->OpenRead(nullptr, path, LAYOUT_FILE_MAGIC, &version, LAYOUT_FILE_VERSION, 0)) {
    delete f;
    if (const char* why = DataFileErrorText(LastDataFileError)) {
      char text[192];
      std::snprintf(text, sizeof text, "%s %s", why, path);
      ReportLine(text, REPORT_ERROR);
    }
    return 0;
  }
  if (version < LAYOUT_FILE_LOWEST_VERSION) {
    f->Close();
    delete f;
    return 0;
  }
  CloseLoad();
  g_load.ownClear = 1;
  SendClearLayoutPacket();
  char trackLayout[LAYOUT_NAME_SIZE + 2];
  std::snprintf(trackLayout, sizeof trackLayout, "%s_", TrackShortNameOfWorld());
  if (std::strcmp(name, trackLayout) != 0) std::snprintf(CurrentLayoutName, sizeof CurrentLayoutName, "%s", name);
  const int low = f->ReadByte(), high = f->ReadByte();
  const int count = std::max(0, low) | std::max(0, high) << 8;
  g_load.lapsCode = std::max(1, f->ReadByte());
  SetLayoutConversions(f->ReadByte());
  g_load.file = f;
  g_load.left = count;
  return 1;
}

int HostLoadLayout(const char* name) {
  RaceLink.ClearLayoutBytes();
  if (!LoadLayout(name)) return 0;
  if (g_load.left > 0) {
    SendLayoutBlock();
  } else {
    CloseLoad();
    SendEmptyLoadPacket();
  }
  return 1;
}

void SendLayoutBlock() {
  if (!g_load.file) return;
  MultiObjPacket p;
  p.connection = RaceLayout.localConnection;
  p.action = MULTI_OBJ_LOAD;
  const int n = std::min(g_load.left, MULTI_OBJ_MAX_RECORDS);
  for (int i = 0; i < n; ++i)
    if (!ReadLayoutRecord(*g_load.file, p.records[i])) {
      AbortLayoutLoad("Unexpected end of file");
      return;
    }
  p.count = uint8_t(n);
  g_load.left -= n;
  if (g_load.left == 0) {
    p.flags |= MULTI_OBJ_LAST_BLOCK;
    CloseLoad();
  }
  SendLayoutPacket(p);
}

int LayoutLoadUnderWay() { return g_load.file ? 1 : 0; }
int LayoutLoadLapsCode() { return g_load.lapsCode; }

void AbortLayoutLoad(const char* message) {
  ReportLine(message, REPORT_ERROR);
  ReportSound(ABORT_SOUND);
  CloseLoad();
  SendClearLayoutPacket();
}

int TakeOwnLayoutClear() {
  const int own = g_load.ownClear;
  g_load.ownClear = 0;
  return own;
}

void ResetLayoutLoad() {
  CloseLoad();
  g_load = LayoutLoad{};
  CurrentLayoutName[0] = 0;
}

// ---- Old records ----

void SetLayoutConversions(int subVersion) { g_load.subVersion = subVersion; }

int ReadLayoutRecord(DataFile& f, LayoutObjectRecord& r) {
  uint8_t bytes[LAYOUT_RECORD_BYTES];
  if (!f.ReadBlock(bytes, LAYOUT_RECORD_BYTES)) return 0;
  ReadLayoutRecordBytes(bytes, r);
  const int v = g_load.subVersion;
  // The track-tied corrections (a scale, a table conversion, an x shift) belong to no track
  // here; the rules of sub-version 7 and the fold follow in their order.
  if (v < 7) {
    if (r.z > 127) r.z = 0;
    if ((r.flags & LAYOUT_FLAG_KEEP_HEIGHT) && (r.kind == 0 || r.kind >= 255)) {
      r.flags &= uint8_t(~LAYOUT_FLAG_KEEP_HEIGHT);
      if (r.kind == 255) r.kind = 254;
    }
  }
  if (v < 9 && r.kind >= FIRST_FOLDED_INDEX && r.kind <= LAST_FOLDED_INDEX && r.flags == 0) FoldLayoutObjectKind(r);
  return 1;
}

// ---- Replays ----

void ReadReplayLayout(DataFile& stream) {
  const int count = stream.ReadShort();
  stream.Skip(1);
  SetLayoutConversions(stream.ReadByte());
  int startAdded = 0, analyse = 0;
  for (int i = 0; i < count; ++i) {
    LayoutObjectRecord r;
    if (!ReadLayoutRecord(stream, r)) break;
    if (RaceLayout.replayMode == 1 || (RaceLayout.replayMode == 2 && r.kind >= 1 && r.kind < LAYOUT_OBJECT_TYPES))
      AddLayoutObject(r, nullptr, startAdded, analyse);
  }
  if (analyse) AnalyseLayout();
}
