// kept_scene.cpp - the picture of the last drawn scene, the passes that only fingerprint
// theirs to find that they would draw it again, and the interface drawn over it.
#include "render/kept_scene.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gfx.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/post_process.h"
#include "render/texture_record.h"

namespace {

// The back buffer as it was before the interface, and the fingerprint of the scene's target
// when it was.
struct KeptPicture {
  GfxTexture2D picture;
  int width = 0, height = 0;
  int mode = 0;          // the render target mode it was drawn in
  uint64_t scene = 0;
};
KeptPicture g_kept;

// This pass's scene.
struct ScenePass {
  GfxTexture2D target;   // none: the pass keeps nothing
  int mode = 0;
  int trial = 0;         // its drawing is only fingerprinted
  uint64_t atStart = 0;  // the fresh fingerprint the scene started from
  uint64_t atEnd = 0;
  SceneOutcome outcome = SCENE_DRAWN;
};
ScenePass g_pass;

// The interface over the kept picture: the writes of the last pass that drew it, and the back
// buffer just before the first of them that differed from the pass before (or after the
// last, when none did).  While a pass draws the same first writes over the same scene, they
// are skipped and that picture is copied in in their place.
struct InterfaceWrites {
  GfxWriteWatch watch;
  GfxTexture2D picture;
  std::vector<uint64_t> last;
  size_t lastSame = 0;     // the last pass's first writes that were as in the pass before
  size_t changedAt = 0;    // where a thrown-away pass's interface differed from the one foreseen
  uint64_t scene = 0;      // the kept scene they were drawn over; 0: none to go by
};
InterfaceWrites g_interface;
uint32_t g_keptPasses;
uint32_t g_keptNumber;  // counts the scenes kept: a pass's back buffer starts from its number's

// A pass's interface as it reached the back buffer: the kept scene it was drawn over and its
// writes with the pixels each may have changed.  The shown one is the last presented pass's
// (what the window shows); the drawn one this pass's, once its interface is drawn.
struct PassWrites {
  bool known = false;
  uint32_t kept = 0;
  int width = 0, height = 0;
  std::vector<uint64_t> writes;
  std::vector<GfxRect> bounds;
};
PassWrites g_shown, g_drawn;

void Widen(GfxRect& r, const GfxRect& by) {
  if (by.right <= by.left || by.bottom <= by.top) return;
  if (r.right <= r.left || r.bottom <= r.top) {
    r = by;
    return;
  }
  r.left = std::min(r.left, by.left);
  r.top = std::min(r.top, by.top);
  r.right = std::max(r.right, by.right);
  r.bottom = std::max(r.bottom, by.bottom);
}

// Two passes drawn over the same kept picture differ only where the writes that are not in
// both (the middle between their common first and last writes) may have written: a write
// that is in both, drawn over pictures that differ only within some pixels, leaves them
// differing only there (a draw reads the pixel it writes, no other, or its fingerprint would
// take the picture's).
GfxRect Difference(const PassWrites& a, const PassWrites& b) {
  const size_t na = a.writes.size(), nb = b.writes.size();
  size_t first = 0;
  while (first < na && first < nb && a.writes[first] == b.writes[first]) ++first;
  size_t last = 0;
  while (last < na - first && last < nb - first && a.writes[na - 1 - last] == b.writes[nb - 1 - last]) ++last;
  GfxRect changed{};
  for (size_t i = first; i < na - last; ++i) Widen(changed, a.bounds[i]);
  for (size_t i = first; i < nb - last; ++i) Widen(changed, b.bounds[i]);
  return changed;
}

GfxTexture2D BackBufferTexture() {
  GfxTexture2D texture = GfxGetViewTexture(Gfx.backBufferView);  // with a reference of its own
  const GfxTexture2D id = texture;
  GfxRelease(texture);  // the swap chain holds the texture
  return id;
}

bool Fits(GfxTexture2D texture, const GfxTexture2DDesc& backBuffer) {
  if (!texture) return false;
  GfxTexture2DDesc desc;
  GfxGetDesc(texture, &desc);
  return desc.width == backBuffer.width && desc.height == backBuffer.height && desc.format == backBuffer.format;
}

// A texture like the back buffer, made again when it is not.
bool MakeLikeBackBuffer(GfxTexture2D& texture, const GfxTexture2DDesc& backBuffer) {
  if (Fits(texture, backBuffer)) return true;
  if (texture) GfxRelease(texture);
  GfxTexture2DDesc made;
  made.width = backBuffer.width;
  made.height = backBuffer.height;
  made.format = backBuffer.format;
  return !GfxFailed(GfxCreateTexture2D(Gfx.device, made, nullptr, &texture));
}

void ForgetInterface() {
  g_interface.last.clear();
  g_interface.lastSame = g_interface.changedAt = 0;
  g_interface.scene = 0;
}

// The pass's drawing of a 3D view is kept: the back buffer is ready for the interface.
bool Keep() {
  const GfxTexture2D backBuffer = BackBufferTexture();
  GfxTexture2DDesc desc;
  GfxGetDesc(backBuffer, &desc);
  if (!MakeLikeBackBuffer(g_kept.picture, desc)) {
    ReleaseKeptScene();
    return false;
  }
  GfxCopyResource(Gfx.context, g_kept.picture, backBuffer);
  g_kept.width = int(desc.width);
  g_kept.height = int(desc.height);
  g_kept.mode = g_pass.mode;
  g_kept.scene = g_pass.atEnd;
  ++g_keptNumber;
  return true;
}

}  // namespace

int StartScene(int renderTargetMode, int trial) {
  g_pass = ScenePass{};
  if (renderTargetMode == 5 && RenderTexture.texture && !RenderTexture.waiting)
    g_pass.target = RenderTexture.texture->texture;
  else if (renderTargetMode == 0)
    g_pass.target = BackBufferTexture();
  if (!g_pass.target) return 0;
  g_pass.mode = renderTargetMode;
  GfxTexture2DDesc backBuffer;
  GfxGetDesc(BackBufferTexture(), &backBuffer);
  if (trial && g_kept.mode == renderTargetMode && Fits(g_kept.picture, backBuffer)) {
    GfxSkipDrawsInto(g_pass.target);
    g_pass.trial = 1;
  }
  return g_pass.trial;
}

void SceneStarted() {
  // The target may still hold this very scene from the last pass (nothing writes the render
  // texture after its scene: the copy to the screen adds the bloom itself), and a pass that
  // draws it again must not pass for one that drew nothing: it starts from a fingerprint of
  // its own.  The scene's clear then makes the fingerprints of passes that draw the same
  // scene alike.
  if (!g_pass.target) return;
  GfxForgetContent(g_pass.target);
  g_pass.atStart = GfxContentFingerprint(g_pass.target);
}

void DrawnWithTheScene(GfxTexture2D texture) {
  if (g_pass.trial) GfxSkipDrawsInto(texture);
}

SceneOutcome EndScene() {
  if (!g_pass.target) return SCENE_DRAWN;
  g_pass.atEnd = GfxContentFingerprint(g_pass.target);
  if (!g_pass.trial) return SCENE_DRAWN;
  // The target holds what the last drawn pass left in it, not what was only fingerprinted;
  // a texture drawn with the scene holds what its drawing made again, or is forgotten.
  GfxSkipDrawsInto(GfxTexture2D{});
  g_pass.trial = 0;
  GfxForgetContent(g_pass.target);
  g_pass.outcome = g_pass.atEnd == g_kept.scene ? SCENE_KEPT : SCENE_CHANGED;
  return g_pass.outcome;
}

void BeginInterface(SceneOutcome scene) {
  g_pass.outcome = scene;
  g_drawn.known = false;
  InterfaceWrites& ui = g_interface;
  ui.watch = GfxWriteWatch{};
  if (scene == SCENE_CHANGED) {
    // Thrown away: the interface is only fingerprinted too, so that its lists are drawn.
    GfxSkipDrawsInto(BackBufferTexture());
    return;
  }
  if (scene == SCENE_DRAWN) {
    // A pass without a 3D view, or whose picture waits for its exposure, keeps nothing.
    if (!g_pass.target || g_pass.atEnd == g_pass.atStart || PostFrameHidden || !Keep()) {
      ReleaseKeptScene();
      return;
    }
  }
  const GfxTexture2D backBuffer = BackBufferTexture();
  GfxTexture2DDesc desc;
  GfxGetDesc(backBuffer, &desc);
  if (!MakeLikeBackBuffer(ui.picture, desc)) {
    ForgetInterface();
    if (scene == SCENE_KEPT) GfxCopyResource(Gfx.context, backBuffer, g_kept.picture);
    return;
  }
  ui.watch.texture = backBuffer;
  ui.watch.snapshot = ui.picture;
  if (ui.scene == g_kept.scene) {
    ui.watch.expected = ui.last;
    // Where the last pass's interface began to differ is where this one's may: its picture
    // there is taken, whether or not this pass differs there.
    if (ui.lastSame > 0) ui.watch.snapshotBefore = ui.lastSame;
    if (ui.changedAt > 0) ui.watch.snapshotBefore = ui.changedAt;
  }
  if (scene == SCENE_KEPT && ui.scene == g_kept.scene && ui.lastSame > 0) {
    ui.watch.skip = ui.lastSame;
    ui.watch.resume = ui.picture;
  } else if (scene == SCENE_KEPT) {
    GfxCopyResource(Gfx.context, backBuffer, g_kept.picture);
  }
  GfxWatchWrites(&ui.watch);
}

int EndInterface() {
  InterfaceWrites& ui = g_interface;
  GfxWatchWrites(nullptr);
  if (g_pass.outcome == SCENE_CHANGED) {
    GfxSkipDrawsInto(GfxTexture2D{});
    GfxForgetContent(BackBufferTexture());
    return 0;
  }
  if (!ui.watch.texture) return 1;
  GfxWriteWatch& w = ui.watch;
  if (w.failed || w.written.size() < w.skip) {
    // Not the interface foreseen: what the back buffer holds is not known.  The next pass
    // draws this interface whole over the kept scene, taking its picture where it differed.
    GfxForgetContent(w.texture);
    ui.changedAt = 0;
    while (ui.changedAt < w.written.size() && ui.changedAt < w.expected.size() &&
           w.written[ui.changedAt] == w.expected[ui.changedAt])
      ++ui.changedAt;
    ui.last = std::move(w.written);
    ui.lastSame = 0;
    return 0;
  }
  if (w.snapshotAt == SIZE_MAX) {
    // The same writes as the pass before: the whole picture is what the next may copy in.
    GfxCopyResource(Gfx.context, ui.picture, w.texture);
    w.snapshotAt = w.written.size();
  }
  g_drawn.known = w.writtenBounds.size() == w.written.size();
  g_drawn.kept = g_keptNumber;
  g_drawn.width = g_kept.width;
  g_drawn.height = g_kept.height;
  g_drawn.writes = w.written;
  g_drawn.bounds = std::move(w.writtenBounds);
  ui.last = std::move(w.written);
  ui.lastSame = w.snapshotAt;
  ui.changedAt = 0;
  ui.scene = g_kept.scene;
  if (g_pass.outcome == SCENE_KEPT) ++g_keptPasses;
  return 1;
}

uint32_t KeptScenePasses() { return g_keptPasses; }

int ChangedSinceShown(GfxRect* changed) {
  const PassWrites& a = g_shown;
  const PassWrites& b = g_drawn;
  if (!a.known || !b.known || a.kept != b.kept || a.width != b.width || a.height != b.height || !g_kept.picture)
    return 0;
  *changed = Difference(a, b);
  return 1;
}

void PassPresented(int asDrawn) {
  if (asDrawn && g_drawn.known) {
    std::swap(g_shown, g_drawn);
  } else {
    g_shown.known = false;
  }
  g_drawn.known = false;
}

int KeptScenePicture(int* width, int* height) {
  *width = g_kept.picture ? g_kept.width : 0;
  *height = g_kept.picture ? g_kept.height : 0;
  return g_kept.picture ? 1 : 0;
}

void ReleaseKeptScene() {
  if (g_kept.picture) GfxRelease(g_kept.picture);
  if (g_interface.picture) GfxRelease(g_interface.picture);
  g_kept = KeptPicture{};
  g_interface.watch = GfxWriteWatch{};
  ForgetInterface();
  g_shown.known = g_drawn.known = false;
}
