// engine_file.h - the engine file ("ZKTENG"): one engine record with its sound figures and
// waves, read into a car's engine and written from one; and where a car's engine file is
// looked for.
//
// Sections: [Format] [Reading and writing] [A car's engine file]
//
// A car loads its engine file after its vehicle file (VehicleData::LoadEngineFile): a
// built-in vehicle takes the engine the player chose for it first, a mod vehicle looks in its
// own folder ("mods\vehicles\<mod>\engine\<name>.eng"), any other in "data\engine"; when that
// engine cannot be loaded the neutral engine "DEFAULT" (written by tools/vehicle_gen) stands
// in, and when that fails too the car keeps the engine its vehicle file holds.  Reading goes
// through a working copy: a file that fails leaves the engine it was read for as it was.
// Main thread only.
#pragma once
#include <cstdint>

struct DataFile;
struct EngineModel;
struct Prss;

// ---- [Format] ----
constexpr const char* ENGINE_FILE_MAGIC = "ZKTENG";
constexpr int ENGINE_FILE_VERSION = 252;
constexpr int ENGINE_FILE_LOWEST_VERSION = 248;
constexpr const char* ENGINE_FILE_PATTERN = "data\\engine\\%s.eng";
constexpr const char* MOD_ENGINE_FILE_PATTERN = "mods\\vehicles\\%s\\engine\\%s.eng";
constexpr const char* DEFAULT_ENGINE_NAME = "DEFAULT";

// ---- [Reading and writing] ----
// Reads the engine file at path: the definition into engine, the sound figures and waves into
// soundTarget (engine itself for a whole engine; another engine to take only the sound of
// this file, whose definition then goes to engine alone).  1 on success; 0 when the file
// cannot be opened (reported on reportPage when given, error set), is older than version 248
// ("%s : ^L%s" with the player's name and the path) or its record cannot be read (an error
// line "<failure> : ^L<path>^8 - <field>", error 9, or 3 for a later sub-version).  On any
// failure both engines are as they were.
int LoadEngine(EngineModel& engine, const char* path, Prss* reportPage, EngineModel& soundTarget);
// LoadEngine's reading of a file opened (in any read mode) with its version; closes f.
int ReadEngineFile(DataFile& f, int32_t version, const char* path, EngineModel& engine, EngineModel& soundTarget);
// The save dialog's answer (its page and the typed name): writes engine with its sound and waves to "data\engine\<name>.eng";
// electric writes the motor's form (a vehicle whose byte after its transmission type is 0).
// A name that is no valid file name, or that could leave the folder, is refused with a message
// on page.  1 on success, else 0.
int SaveEngine(Prss* page, const char* name, EngineModel& engine, int electric);
// Writes the engine file to path through the file layer's safe write: 1 on success; 0 when any
// write or the close failed (reported on page; the old file is kept byte for byte).
int WriteEngineFile(EngineModel& engine, const char* path, Prss* page, int electric);

// ---- [A car's engine file] ----
// The 32-byte engine name the player chose for the built-in vehicle of a table row (cleared
// when it cannot be loaded), or null when the player's record is not available.  The shell
// installs it over the player file; null until then.
extern char* (*PlayerEngineChoice)(int builtinIndex);
