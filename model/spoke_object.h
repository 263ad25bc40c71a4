// spoke_object.h - the spoke object: one spoke of a wheel rim, modelled once and repeated round
// the wheel's axle; its file ("ZKTSPK") and the repetition.
//
// In a spoke object a triangle corner with the top bit (CORNER_MIRRORED) uses the point of the
// same index in the next spoke (the last spoke's next is the first), so that a rim can join
// its neighbours.  Points on the axle (y and z both 0) are shared by every spoke.  Main thread
// only.
#pragma once
#include <cstdint>

#include "model/model_object.h"

struct Prss;

// ---- [File] ----
// One object record of the model file, written without its name and without layer names;
// its subobjects follow as in the model file.
constexpr const char* SPOKE_FILE_MAGIC = "ZKTSPK";
constexpr int SPOKE_FILE_VERSION = 252;
constexpr int SPOKE_FILE_LOWEST_VERSION = 248;  // older files hold records the reader does not know
constexpr const char* SPOKE_FILE_PATTERN = "data\\3dob\\%s.spk";

// Reads the file into object, which the caller has set to its defaults (ModelObject::Init),
// as a main object in the spoke mode (one level of detail, no offset, no mirroring).  1 on
// success; 0 when the file cannot be opened, is of another kind or a later version (shown on
// page by the data file), obsolete ("File is obsolete :"), damaged or truncated (shown with the
// path).  The object is valid in every case.
int LoadSpokeObject(ModelObject& object, Prss* page, const char* path);
// Writes the object at version 252; 1 on success.  A file that cannot be created is reported
// on page (none: silent).  The caller tidies the object first (ModelObject::Tidy).
int SaveSpokeObject(const ModelObject& object, Prss* page, const char* path);

// Repeating the spoke round the axle is ModelObject::RepeatGeometry (model_object.h).
