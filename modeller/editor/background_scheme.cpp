// background_scheme.cpp - the background pictures of the 2D views and their scheme files.
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/data_file.h"
#include "core/report.h"
#include "modeller/editor/edit_views.h"
#include "model/model_meshes.h"  // IsPlainTextureName
#include "platform/files.h"
#include "render/device.h"
#include "render/texture_table.h"
#include "text/messages.h"
#include "text/text_colours.h"

namespace {

void ShowSchemeFault(const char* format, const char* file, const char* what, int a = 0, int b = 0) {
  char text[MESSAGE_TEXT_SIZE];
  if (what)
    std::snprintf(text, sizeof text, format, file, what);
  else
    std::snprintf(text, sizeof text, format, file, a, b);
  ShowMessage(text, TextColours.error);
}

bool HeldByAnother(const EditViewRecord& record) {
  for (const EditViewRecord& other : EditViews.records)
    if (&other != &record && other.texture == record.texture) return true;
  return false;
}

// The texture table's name of a picture: kept apart from the page textures of the same name.
void PictureTextureName(const char* imageName, char out[TEXTURE_NAME_SIZE]) {
  std::snprintf(out, TEXTURE_NAME_SIZE, "B~%s", imageName);
}

}  // namespace

// ---- [Pictures] ----

void ReleaseBackgroundTexture(EditViewRecord& record) {
  if (record.texture && !HeldByAnother(record)) FreeTextureRecord(record.texture);
  record.texture = nullptr;
  record.material.texture = nullptr;
}

void LoadBackgroundImage(int index) {
  if (index < 0 || index >= EDIT_VIEW_COUNT) return;
  EditViewRecord& r = EditViews.records[index];
  ReleaseBackgroundTexture(r);
  if (!r.imageName[0] || !IsPlainTextureName(r.imageName) || !Gfx.device) return;
  char path[FILE_PATH_SIZE], name[TEXTURE_NAME_SIZE];
  std::snprintf(path, sizeof path, BACKGROUND_IMAGE_PATTERN, r.imageName);
  PictureTextureName(r.imageName, name);
  // Another view may show the same picture already: loading again gives the file's latest.
  for (EditViewRecord& other : EditViews.records)
    if (other.texture && strcasecmp(other.texture->name, name) == 0) {
      FreeTextureRecord(other.texture);
      ZKTETexture* gone = other.texture;
      for (EditViewRecord& holder : EditViews.records)
        if (holder.texture == gone) holder.texture = holder.material.texture = nullptr;
    }
  const TextureSettings saved = TextureConfig;
  TextureConfig.filePath = path;
  TextureConfig.mipLevels = 1;
  TextureConfig.loadNow = 1;
  ZKTETexture* texture = GetTexture(name, GEN_TYPE_INTERFACE);
  TextureConfig.filePath = saved.filePath;
  TextureConfig.mipLevels = saved.mipLevels;
  TextureConfig.loadNow = saved.loadNow;
  // A picture that could not be read borrows a placeholder: nothing is drawn for it.
  if (texture && texture->state != TEXTURE_OWNED) {
    FreeTextureRecord(texture);
    texture = nullptr;
  }
  r.texture = texture;
  r.material = Material{};
  r.material.texture = texture;
  r.material.drawKind = 1;
  r.material.layout = 2;
  for (EditViewRecord& other : EditViews.records)
    if (&other != &r && other.kind == BACKGROUND_IMAGE && !other.texture && strcasecmp(other.imageName, r.imageName) == 0) {
      other.texture = texture;
      other.material = r.material;
    }
}

void ReloadBackgroundImages() {
  for (int i = 0; i < EDIT_VIEW_COUNT; ++i) {
    EditViewRecord& r = EditViews.records[i];
    // The device went with its textures: the records' references are stale.
    r.texture = nullptr;
    r.material.texture = nullptr;
  }
  for (int i = 0; i < EDIT_VIEW_COUNT; ++i)
    if (EditViews.records[i].kind == BACKGROUND_IMAGE && !EditViews.records[i].texture) LoadBackgroundImage(i);
}

// ---- [Scheme file] ----

int ReadBackgroundScheme(DataFile& f, EditViewRecord records[EDIT_VIEW_COUNT], const char* nameForMessages) {
  int whole = 0;
  for (int i = 0; i < EDIT_VIEW_COUNT; ++i) {
    if (f.readPastEnd) break;
    EditViewRecord& r = records[i];
    r.Clear();
    const int32_t kind = f.ReadInt();
    if (f.readPastEnd) break;
    if (kind < BACKGROUND_NONE || kind > BACKGROUND_OPPOSITE) {
      // A record of a kind this reader does not know has an unknown length: nothing after it
      // can be found.
      ShowSchemeFault(TEXT_SCHEME_KIND, nameForMessages, nullptr, kind, i);
      break;
    }
    if (kind != BACKGROUND_IMAGE) {
      r.kind = kind;
      ++whole;
      continue;
    }
    char name[BACKGROUND_NAME_SIZE + 1] = {};
    f.ReadBlock(name, BACKGROUND_NAME_SIZE);
    int32_t position[3];
    for (int32_t& p : position) p = f.ReadInt();
    const float scale = f.ReadFloat();
    if (f.readPastEnd) break;
    name[BACKGROUND_NAME_SIZE - 1] = 0;  // a name always keeps its terminator
    if (!IsPlainTextureName(name)) {
      ShowSchemeFault(TEXT_SCHEME_NAME, nameForMessages, name);
      ++whole;
      continue;
    }
    r.kind = BACKGROUND_IMAGE;
    std::memcpy(r.imageName, name, BACKGROUND_NAME_SIZE);
    std::memcpy(r.position, position, sizeof position);
    r.scale = scale;
    ++whole;
  }
  return whole;
}

void WriteBackgroundScheme(DataFile& f, const EditViewRecord records[EDIT_VIEW_COUNT]) {
  for (int i = 0; i < EDIT_VIEW_COUNT; ++i) {
    const EditViewRecord& r = records[i];
    f.WriteInt(r.kind);
    if (r.kind != BACKGROUND_IMAGE) continue;
    f.WriteFixedString(r.imageName, BACKGROUND_NAME_SIZE);
    for (int32_t p : r.position) f.WriteInt(p);
    f.WriteFloat(r.scale);
  }
}

int LoadBackgroundScheme(Prss* page, const char* path) {
  DataFile file;
  int32_t version = 0;
  if (!file.OpenRead(page, path, SCHEME_FILE_MAGIC, &version, SCHEME_FILE_VERSION, 0)) return 0;
  for (EditViewRecord& r : EditViews.records) ReleaseBackgroundTexture(r);
  ReadBackgroundScheme(file, EditViews.records, PathOnDisk(path).c_str());
  file.Close();
  for (int i = 0; i < EDIT_VIEW_COUNT; ++i)
    if (EditViews.records[i].kind == BACKGROUND_IMAGE) LoadBackgroundImage(i);
  return 1;
}

int SaveBackgroundScheme(Prss* page, const char* path) {
  DataFile file;
  if (!file.OpenWrite(page, path, SCHEME_FILE_MAGIC, SCHEME_FILE_VERSION)) return 0;
  WriteBackgroundScheme(file, EditViews.records);
  return file.Close();
}
