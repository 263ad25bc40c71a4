// vr_test_plugins.h - the test plug-ins put where the program looks for a VR plug-in, and
// the script block of the one it loaded.
#pragma once
#include <dlfcn.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "render/vr.h"
#include "render/vr_plugin.h"
#include "tests/render/vr_test_control.h"

// Copies the built variant (vr_test_plugin_<variant>.so) to the plug-in's place for the
// setting (0 "dll/ZKTRiftVR.so", 1 "dll/ZKTOpenVR.so"); the old file goes first, so a new
// load reads the new one.
inline std::string InstallVrTestPlugin(const char* variant, int plugin = 0) {
  std::filesystem::create_directories("dll");
  const std::string target = plugin == 1 ? "dll/ZKTOpenVR.so" : "dll/ZKTRiftVR.so";
  std::filesystem::remove(target);
  std::filesystem::copy_file(std::string(VR_TEST_PLUGIN_DIR) + "/vr_test_plugin_" + variant + ".so", target);
  return target;
}

inline void RemoveVrTestPlugins() {
  std::filesystem::remove("dll/ZKTRiftVR.so");
  std::filesystem::remove("dll/ZKTOpenVR.so");
}

// True while the library at path is loaded in the process.
inline bool VrLibraryLoaded(const std::string& path) {
  void* h = dlopen(std::filesystem::absolute(path).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!h) return false;
  dlclose(h);
  return true;
}

// An extra reference to the loaded plug-in, so that its script block can be read after the
// program freed it; dlclose the handle when done.
inline void* HoldVrTestPlugin(const std::string& path) {
  return dlopen(std::filesystem::absolute(path).c_str(), RTLD_NOW | RTLD_NOLOAD);
}

// The loaded plug-in's script block (null when none is loaded).
inline VrTestControl* VrTestScript() {
  if (!Vr.library) return nullptr;
  using Control = VrTestControl* (*)();
  auto control = reinterpret_cast<Control>(dlsym(Vr.library, "ZKTVRTest_Control"));
  return control ? control() : nullptr;
}

inline void AddVrSample(VrTestControl* s, int32_t status, float heading, float pitch, float roll, float x, float y,
                        float z) {
  VrTestSample& sample = s->samples[s->sampleCount++];
  sample = VrTestSample{status, {heading, pitch, roll, x, y, z}};
}
