// mod_files.cpp - a model's textures exported as PNG or DDS into "data\png_export" or
// "data\dds_export".
#include <cstdio>
#include <string>

#include "core/data_file.h"
#include "core/report.h"
#include "frontend/mod_export.h"
#include "platform/files.h"
#include "render/texture_files.h"
#include "render/texture_names.h"
#include "texconv/texconv.h"

namespace {

enum Outcome { EXPORTED, EXPORTED_JPG, SKIPPED, FAILED };

// A copy stamped with its source's write time was made from the source as it is now.
bool UpToDate(const char* source, const char* copy) {
  uint64_t sourceTime = 0, copyTime = 0;
  return FileGetWriteTime(source, sourceTime) && FileGetWriteTime(copy, copyTime) && sourceTime == copyTime;
}

bool Stamp(const char* source, const char* copy) {
  uint64_t time = 0;
  return FileGetWriteTime(source, time) && FileSetWriteTime(copy, time);
}

// A write into the export folder that failed is told with the file's name.
bool Written(int error, const char* path) {
  if (error) ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, path, error);
  return error == 0;
}

Outcome ExportOne(const char* name, int format, const char* folder) {
  char png[FILE_PATH_SIZE], jpg[FILE_PATH_SIZE], out[FILE_PATH_SIZE];
  if (!MakeNamedPath(png, sizeof png, "data\\png\\%s.png", name) || !MakeNamedPath(jpg, sizeof jpg, "data\\png\\%s.jpg", name))
    return FAILED;
  if (!FileIsRegular(png)) {
    // A JPG picture goes as it is, whatever the format asked.
    if (!FileIsRegular(jpg)) return FAILED;
    std::snprintf(out, sizeof out, "data\\%s\\%s.jpg", folder, name);
    if (UpToDate(jpg, out)) return SKIPPED;
    return Written(FileCopy(jpg, out, true), out) ? EXPORTED_JPG : FAILED;
  }
  std::snprintf(out, sizeof out, "data\\%s\\%s.%s", folder, name, format == 0 ? "png" : "dds");
  if (UpToDate(png, out)) return SKIPPED;
  if (format == 0) return Written(FileCopy(png, out, true), out) ? EXPORTED : FAILED;
  std::string bytes;
  if (FileReadAll(png, bytes, int64_t(TEXTURE_FILE_MAX_BYTES)) != 0) return FAILED;
  texconv::Blob dds;
  const uint32_t target = IsAlphaTextureName(name) ? texconv::FORMAT_BC2_UNORM : texconv::FORMAT_BC1_UNORM;
  if (!ConvertImageToDds(bytes.data(), bytes.size(), target, &dds)) return FAILED;
  if (!Written(FileWriteAll(out, dds.data(), dds.size()), out)) return FAILED;
  return Stamp(png, out) ? EXPORTED : FAILED;
}

}  // namespace

int ExportModFiles(Prss*, const TextureNameList& list, int format, int) {
  const char* kind = format == 0 ? "png" : "dds";
  char folder[32];
  std::snprintf(folder, sizeof folder, "%s_export", kind);
  char path[48];
  std::snprintf(path, sizeof path, "data\\%s", folder);
  MakeFolder("data");
  MakeFolder(path);
  int exported = 0, jpgs = 0, skipped = 0, failed = 0;
  for (int i = 0; i < list.count; ++i) {
    switch (ExportOne(list.names[i], format, folder)) {
      case EXPORTED: ++exported; break;
      case EXPORTED_JPG: ++jpgs; break;
      case SKIPPED: ++skipped; break;
      case FAILED: {
        ++failed;
        char text[96];
        std::snprintf(text, sizeof text, "Could not export %s", list.names[i]);
        ReportLine(text, REPORT_ERROR);  // which file the count's "fail" stands for
        break;
      }
    }
  }
  char text[128];
  std::snprintf(text, sizeof text, TEXT_EXPORT_FILES, exported, kind, jpgs, kind, skipped, failed);
  ReportLine(text, failed ? REPORT_ERROR : REPORT_SUCCESS);
  return failed;
}
