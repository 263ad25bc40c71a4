// track_loading_page.cpp - the page shown while a race start loads its track: one load call a
// drawn frame, the status line ("Loading textures 37%") in the middle of the screen, closed
// when the world is ready or its load failed.
#include "core/process.h"
#include "frontend/frontend.h"
#include "race/race_start.h"
#include "world/world.h"

namespace {

struct TrackLoadingPage {
  Prss prss;
  int result;  // RaceWorldLoading of the last frame
};

// The load cannot be interrupted half way: keys and clicks wait for it.
void IgnoreKey(Prss*, int) {}
void IgnoreMouse(Prss*, MouseRecord*) {}

Prss* TrackLoadingPageAction(Prss* process) {
  auto* page = reinterpret_cast<TrackLoadingPage*>(process);
  if (process->alive) {
    page->result = StepRaceWorldLoading();
    if (page->result != RACE_WORLD_LOADING) process->terminate(process);
  }
  if (!process->alive) {
    delete page;
    return nullptr;
  }
  AddPageText(RaceWorldLoadingLine(), 0.0f);
  return process;
}

}  // namespace

Prss* OpenTrackLoadingPage(Prss* parent, const char* trackName, int32_t configNumber, uint32_t configFlags) {
  if (!StartRaceWorld(trackName, configNumber, configFlags)) return nullptr;
  auto* page = Prss_New<TrackLoadingPage>();
  Prss_Init(&page->prss, parent, TrackLoadingPageAction, IgnoreKey, IgnoreMouse, nullptr, nullptr);
  Prss_MakeCurrent(&page->prss);
  page->result = RACE_WORLD_LOADING;
  return &page->prss;
}

Prss* JoinRaceTrack(const char* trackName, int32_t configNumber, uint32_t configFlags) {
  Prss* screen = CurrentProcess;
  if (!screen || screen->sub || WorldBuildStage() != 0) return nullptr;
  Prss* page = OpenTrackLoadingPage(screen, trackName, configNumber, configFlags);
  Prss_AddSub(screen, page);
  return page;
}
