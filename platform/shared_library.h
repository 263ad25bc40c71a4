// shared_library.h - libraries loaded at run time (the VR plug-in): loading by path, looking
// up exported functions by name, and freeing.
//
// A path with a slash is loaded from there and nowhere else; the library's own dependencies
// are found beside it first and then as the system finds them.  Main thread only.
#pragma once

constexpr int LIBRARY_ERROR_TEXT_SIZE = 256;

// The library, or null with the system's text of the failure in error (when given).
void* PlatformLoadLibrary(const char* path, char* error, int errorSize);
// A library of the system's by the name it is known by (as "libz.so.1"), found where the
// system finds the libraries a program links; null when it cannot be loaded.  Any thread.
void* PlatformLoadSystemLibrary(const char* name);
// The address of an exported name, or null.
void* PlatformLibrarySymbol(void* library, const char* name);
void PlatformFreeLibrary(void* library);
