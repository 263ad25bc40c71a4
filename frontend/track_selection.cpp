// track_selection.cpp - the thumbnails of the track-selection screen.
#include <cstdio>

#include "core/frame_globals.h"
#include "frontend/frontend.h"
#include "render/texture_table.h"

TrackSelection TrackSelect = {-1, 0, {}};

namespace {

int g_thumbnailsWanted;  // the screen shows its thumbnails: they come back after a device reload

void ThumbnailName(int row, char (&name)[TEXTURE_NAME_SIZE]) {
  std::snprintf(name, sizeof name, "x_%s.jbw", TrackShortName(row));
}

void LoadThumbnails() {
  for (int row = 0; row < TRACK_COUNT; ++row) {
    char name[TEXTURE_NAME_SIZE];
    ThumbnailName(row, name);
    TrackSelect.thumbnails[row] = GetTexture(name, GEN_TYPE_INTERFACE);
  }
}

}  // namespace

void ReleaseTrackThumbnails() {
  // Found by name: when the device has gone, its textures went with it and nothing is left.
  for (int row = 0; row < TRACK_COUNT; ++row) {
    char name[TEXTURE_NAME_SIZE];
    ThumbnailName(row, name);
    FreeTextureRecord(AddTextureRef(name, 0));
    TrackSelect.thumbnails[row] = nullptr;
  }
}

void LoadTrackThumbnails(int clear) {
  TrackSelect.selected = -1;
  ReleaseTrackThumbnails();
  g_thumbnailsWanted = !clear && !TrackSelect.imagesOff && GraphicsEnabled;
  if (g_thumbnailsWanted) LoadThumbnails();
}

void ReloadThumbnailTextures() {
  // No car thumbnails exist yet: the garage draws none.
  if (g_thumbnailsWanted) LoadThumbnails();
}
