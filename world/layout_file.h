// layout_file.h - the layout file "data/layout/<name>.lyt" ("ZKTLYT"), its loading in blocks
// of multi-object packets, the reading of older records, and a replay's layout.
//
// Body: the record count (u16), the race's laps code, the record sub-version (9), then the
// 8-byte records.  Versions 246 to 252 are read (252 written); an older file is passed over
// without a word.  A load is a state: the open file and the records still to send, handed to
// the host one block of at most 60 records at a time (SendLayoutBlock, again while
// LayoutLoadUnderWay answers 1).
//
// Main thread only.
#pragma once
#include <cstdint>

#include "world/layout_kinds.h"

struct DataFile;

constexpr const char* LAYOUT_FILE_MAGIC = "ZKTLYT";
constexpr int LAYOUT_FILE_VERSION = 252;
constexpr int LAYOUT_FILE_LOWEST_VERSION = 246;
constexpr int LAYOUT_SUB_VERSION = 9;
constexpr int LAYOUT_NAME_SIZE = 32;

// The folder under data/ that holds the layouts ("layout"; the command line's lytdir).
extern char LayoutFolder[LAYOUT_NAME_SIZE];
void SetLayoutFolder(const char* folder);
// "data/<folder>/<name>.lyt".
void FormatLayoutPath(char* out, int size, const char* name);
// The search mask of the loaded track's layouts: "data/<folder>/<track>_*.lyt".
void FormatLayoutFileName(char* mask, int size);
// The name of the layout in the world (empty for none).
extern char CurrentLayoutName[LAYOUT_NAME_SIZE];

// Saves the layout (records grouped by index): 1 when written.  The name becomes current.
int SaveLayout(const char* name);
// The body: count, laps code, sub-version and the records (grouped as in a file, or in world
// order for a replay).
void WriteLayoutObjects(DataFile& file, int grouped);
// The records of the layout: the added objects, then the marked places; their count.
int PackAllLayoutObjects(LayoutObjectRecord* out, int room, int grouped);

// Opens a layout and sends the clear packet: 1 when the file was opened (the records wait in
// the load state).  A file older than 246 is closed and 0 returned without a message.
int LoadLayout(const char* name);
// The host's load: each connection's layout byte cleared, the load, then the first block or,
// with no records, the empty-load packet (type 25).
int HostLoadLayout(const char* name);
// The next block of at most 60 records as one load packet; the last carries the last-block
// flag and ends the load.
void SendLayoutBlock();
int LayoutLoadUnderWay();
int LayoutLoadLapsCode();  // the loading file's laps code (at least 1)
// The message in the error colour, interface sound 4, the file closed, the clear packet sent.
void AbortLayoutLoad(const char* message);
// 1 once after a clear the program sent for its own load (the current name then stays).
int TakeOwnLayoutClear();
void ResetLayoutLoad();

// The conversions of records of a sub-version, then one record read and converted: 0 at the
// end of the file.
void SetLayoutConversions(int subVersion);
int ReadLayoutRecord(DataFile& file, LayoutObjectRecord& record);
// A replay's layout from its stream: count (i16), a skipped byte, the sub-version, the
// records; added by the race's replay mode (1 all, 2 indices 1..191).
void ReadReplayLayout(DataFile& stream);
