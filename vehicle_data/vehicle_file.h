// vehicle_file.h - the vehicle file ("QXVEHI"): the writer, the reader of every version with
// its conversions, the frame records, the vehicle's model objects, and the names and paths a
// vehicle is found by.
//
// Sections: [Format] [Names and paths] [Program-wide state] [Writing] [Reading] [Failures]
//           [Frame records] [Model objects]
//
// A vehicle file is a data file: the magic, the version high byte first, then the body, every
// field little-endian.  It is written at version 252 with format revision 6 (a byte of the
// body) and read from version 248 and any revision up to 6, older data converted as it is
// read.  Writing can run as a counting pass, into memory or to a file, so the same call
// measures, saves and copies a vehicle; the vehicle editor's edit history keeps its copies
// this way.  The layout of each field is in vehicle_file_write.cpp.
//
// A damaged file (a count past the data, a value a field may not hold, a short read) stops
// the read with error 9 (LastDataFileError) and the name of the field that failed
// (LastVehicleReadField); a format revision above 6 gives error 3.  The reader shows nothing:
// its callers report, naming the file (ReportVehicleReadFailure).  Main thread only; the
// opening of a mod vehicle's file alone takes VehicleFileLock.
#pragma once
#include <cstdint>
#include <mutex>
#include <vector>

#include "vehicle_data/vehicle_data.h"

struct DataFile;
struct Prss;

// ---- [Format] ----
constexpr const char* VEHICLE_FILE_MAGIC = "QXVEHI";
constexpr int VEHICLE_FILE_VERSION = 252;
constexpr int VEHICLE_FILE_LOWEST_VERSION = 248;
constexpr int VEHICLE_FORMAT_REVISION = 6;
constexpr const char* VEHICLE_FILE_PATTERN = "data\\veh\\%s.veh";
constexpr const char* MOD_VEHICLE_FILE_PATTERN = "mods\\vehicles\\%s\\%s.veh";
constexpr const char* VEHICLE_MODEL_PATTERN = "data\\veh\\%s.vob";
constexpr int VEHICLE_FILE_CORRUPTED = 9;  // the data file's error for a damaged body
constexpr uint32_t ENGINE_WORD_VALUES[2] = {7680, 5120};
// "%s : ^L%s": a vehicle or model file too old to use, and its path.
constexpr const char* TEXT_FILE_UNUSABLE = "File is obsolete";

// ---- [Names and paths] ----
// At least 8 characters, the fourth from the end "~" and every one after it a digit.
int IsModVehicleName(const char* name);
// A name that may reach a path: not empty, no separator, no drive colon, no "..", no
// control character (names come from mods, replays and peers).
int IsValidVehicleName(const char* name);
// "data\veh\<name>.veh", or for a mod "mods\vehicles\<name>\<name>.veh"; 0 (out empty) for a
// name IsValidVehicleName refuses or a path that does not fit.
int MakeVehiclePath(char* out, int outSize, const char* name, int mod);

// ---- [Program-wide state] ----
// Taken while a mod vehicle's file is opened; the mod download and install code shares it.
extern std::mutex VehicleFileLock;
// The short name of the last vehicle built.
extern char CurrentShortName[SHORT_NAME_SIZE];
// Set around the edit history's restore, the vehicle editor's loads, the command-line vehicle
// output and the mod export: the car is never drawn mirrored.
extern int KeepUnmirrored;
// The vehicle's mirrored flag for the requested drive side (bit 0: the driver on the left): set
// when the driver sits off the centre (0.2 m or more, the drive side not locked) on the other
// side than asked; never while KeepUnmirrored is set.
void ChooseMirrored(VehicleData& d, int requestedDriveSide);
// Set around the edit history's restore and the command-line vehicle output: a mod name is
// not looked for in "mods\vehicles".
extern int NoModPath;
// A copy of the vehicle being edited: a body written at version 252, read in place of any file
// while it is set (null: none).  The vehicle editor sets and clears it around a load from its
// edit history, the mod export around its load of the car it exports.
struct VehicleBodyCopy {
  const uint8_t* body;
  int64_t size;
};
extern VehicleBodyCopy HistoryVehicleCopy;
// Where WriteVehicleFile writes while the mod export or the command-line vehicle output runs
// (null: "data\veh\<name>.veh").
extern const char* VehicleExportPath;
// 2 writes the dashboard's stored size unchanged; any other value writes the size of its type.
extern int DashSizeMode;

// ---- [Writing] ----
// Writes fields 1 to 44 into stream (file, counting pass or memory).  The name (31
// characters; "DEFAULT" when none) becomes the data's vehicle name; storeModel stores the
// model object in the file instead of naming its ".vob".  The data is tidied as it is written:
// option bit 17 and two bytes of every set-up are cleared, tubes with a wheel end get their
// flag bit 1.
void SerializeVehicleData(VehicleData& data, DataFile& stream, const char* name, int storeModel);
// Sets the type constants and writes "data\veh\<name>.veh" (or VehicleExportPath) through a
// safe write.  1 on success; 0 when the file cannot be written, reported on errorPage.
int WriteVehicleFile(VehicleData& data, const char* name, Prss* errorPage, int storeModel);
// The body alone through a counting pass and a memory pass, as the edit history keeps its
// copies.  1 on success; 0 (body empty) when the passes disagree or memory runs out.
int WriteVehicleBody(VehicleData& data, const char* name, int storeModel, std::vector<uint8_t>& body);

// ---- [Reading] ----
// What the loader asks of the data it reads.  A set-up or colour index of -1 takes the given
// record.
struct VehicleChoice {
  uint8_t buildMode;           // 0: stop after the header part
  uint8_t requestedDriveSide;  // bit 0
  int32_t setupIndex;
  const SetupRecord* setup;
  int32_t colourIndex;
  const ColourSet* colours;
};
// Reads the body of a file of the given version into data, which holds InitVehicleData's
// defaults (a new car's), and settles what the data needs: the conversions of older files,
// the short name, the built-in index, the fixed engine values, the current set-up and
// colours, the model object (stored, or "data\veh\<model code>.vob"), the rim defaults of
// older files and the configurations' wheel copies.  With build mode 0 it stops after field
// 28.  1 on success; 0 with the error set (see Failures), the data then half read: the caller
// releases it.  Thread: main.
int ReadVehicleData(VehicleData& data, DataFile& stream, int version, const char* name, const VehicleChoice& choice);
// The rev limit every read gives an engine whose file does not mark its redline as the user's
// own (ENGINE_OWN_REDLINE), and a new vehicle's: 1000 x floor(s / 1000) rpm
// (in rad/s) with s = 4654 / (size / cylinders)^(1/3) x the class's factor x 30 / pi, and 1.5
// times that for a kart, computed in float.
float ClassRevLimit(float engineSize, int cylinders, int vehicleClass);
// The same for a vehicle read: 0 (redline untouched) for no power unit, an electric motor, or
// an engine without size or cylinders (or a figure out of range), which keep their stored
// figure.
int ClassRedline(const VehicleData& data, float* redline);

// ---- [Failures] ----
extern const char* LastVehicleReadField;  // the field that failed, or null
// Shows the last failed read as an error line: the failure, the path and the field that failed
// ("File is damaged : data\veh\x.veh - set-up count").
void ReportVehicleReadFailure(const char* path);
// The same text into out.
void FormatVehicleReadFailure(char* out, int outSize, const char* path);
// The failure of that text alone ("File is damaged :", "Could not open file :", ...).
const char* VehicleReadFailureText();

// ---- [Frame records] ----
// The point and tube records themselves are in vehicle_data/frame_records.h.
// Writes the point count, the points, the tube count and the tubes.
void WriteFrame(VehicleData& data, DataFile& stream);
// Frees the frame and reads one: points lose their selection marks and working values,
// tubes between two points take a mass per metre of 0.5..40, tubes with both ends negative
// are dropped.  0 on a count past the data, a short read or a tube end outside the points and
// the six wheel points (error 9, LastVehicleReadField naming the field or the tube).
int ReadFrame(VehicleData& data, DataFile& stream);

// ---- [Model objects] ----
// A new model object with its defaults, read from "data\veh\<model code>.vob"; null (with the
// message the model reader shows) when it cannot be read.
ModelObject* LoadVehicleModel(const VehicleData& data);
// A new model object read from the stream (a model stored in the vehicle file), named after
// the vehicle name cut at its "~" (19 characters).  Null when the record is damaged (error 9).
ModelObject* ReadVehicleModel(const VehicleData& data, DataFile& stream, int version);
