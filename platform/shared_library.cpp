// shared_library.cpp - run-time libraries through dlopen.
#include "platform/shared_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "platform/files.h"

void* PlatformLoadLibrary(const char* path, char* error, int errorSize) {
  if (error && errorSize > 0) error[0] = 0;
  std::string native;
  ResolvePath(path, native);
  // A bare name would be searched for along the system's library path: keep it here.
  if (native.find('/') == std::string::npos) native = "./" + native;
  dlerror();
  void* library = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library && error && errorSize > 0) {
    const char* text = dlerror();
    std::snprintf(error, static_cast<size_t>(errorSize), "%s", text ? text : "dlopen failed");
  }
  return library;
}

void* PlatformLoadSystemLibrary(const char* name) { return name ? dlopen(name, RTLD_NOW | RTLD_LOCAL) : nullptr; }

void* PlatformLibrarySymbol(void* library, const char* name) {
  if (!library || !name) return nullptr;
  return dlsym(library, name);
}

void PlatformFreeLibrary(void* library) {
  if (library) dlclose(library);
}
