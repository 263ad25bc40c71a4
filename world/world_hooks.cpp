// world_hooks.cpp - the one place the world puts its answers into the hooks of the layers
// below it.  Each answer looks at CWld: without a world it gives what the editor stands on
// (gravity -9.81, no wind, no map squares or trunks, no hit, no lighting, no pick); the
// world's parts fill the loaded branches as they arrive.
#include "physics/solid/solid_hooks.h"
#include "render/light_samples.h"
#include "render/sky.h"
#include "render/views.h"
#include "world/environment.h"
#include "world/world.h"

namespace {

// ---- [Rigid body] ----
float Gravity() { return CWld ? CWld->gravity : STANDARD_GRAVITY; }

// ---- [Renderer] ----
int PickUnderMouse(ViewCameraRecord& camera) { return CWld ? CWld->GetBounds(camera) : 0; }
// The ray and lighting answers come with the world's octrees, the sun setting with the track
// file; until then a loaded world answers as none does.
int RayToGround(const int32_t[3], const int32_t[3], int32_t[3]) { return 0; }
int LightingAtPoint(const int32_t[3], LightRecord&) { return 0; }
float SunSetting() { return 0.0f; }

}  // namespace

void InstallWorld() {
  // The map squares, trunks, objects and wind of the table are a loaded world's alone: until
  // the objects exist their answers are the table's own no-world ones.
  WorldHooks hooks = NoWorldHooks();
  hooks.Gravity = Gravity;
  InstallWorldHooks(hooks);

  CameraWorldPickHook = PickUnderMouse;
  WorldRayCastHook = RayToGround;
  WorldLightingLookupHook = LightingAtPoint;
  WorldSunSettingHook = SunSetting;
  WorldSunDirectionHook = ComputeSunDirection;
}
