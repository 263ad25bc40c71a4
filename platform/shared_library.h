// shared_library.h - libraries loaded at run time (the VR plug-in, and the system's libraries
// that most runs never need, loaded at their first use): loading by path or by system name,
// looking up exported functions by name, and freeing.
//
// A path with a slash is loaded from there and nowhere else; the library's own dependencies
// are found beside it first and then as the system finds them.  Main thread only, but for the
// system's libraries.
#pragma once
#include <utility>

constexpr int LIBRARY_ERROR_TEXT_SIZE = 256;

// The library, or null with the system's text of the failure in error (when given).
void* PlatformLoadLibrary(const char* path, char* error, int errorSize);
// A library of the system's by the name it is known by (as "libz.so.1"), found where the
// system finds the libraries a program links; null when it cannot be loaded.  Any thread.
void* PlatformLoadSystemLibrary(const char* name);
// The address of an exported name, or null.
void* PlatformLibrarySymbol(void* library, const char* name);
void PlatformFreeLibrary(void* library);

// A system library's functions into a table of pointers, each name's function into the pointer
// after it:  PlatformLoadFunctions("libz.so.1", "crc32", table.crc32, "adler32", table.adler32).
// False when the library or one of the functions is missing (the pointers are then not all
// set).  The library stays loaded.  Any thread; a caller keeps the table in a function-local
// static filled once, so that it is loaded once even when its first use races.
inline bool PlatformFindFunctions(void*) { return true; }
template <class Function, class... Rest>
bool PlatformFindFunctions(void* library, const char* name, Function*& out, Rest&&... rest) {
  out = reinterpret_cast<Function*>(PlatformLibrarySymbol(library, name));
  return out && PlatformFindFunctions(library, std::forward<Rest>(rest)...);
}
template <class... Named>
bool PlatformLoadFunctions(const char* libraryName, Named&&... named) {
  void* library = PlatformLoadSystemLibrary(libraryName);
  return library && PlatformFindFunctions(library, std::forward<Named>(named)...);
}
