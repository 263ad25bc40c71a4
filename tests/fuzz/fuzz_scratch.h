// fuzz_scratch.h - a working folder of a fuzz target's own.
//
// Readers that take their input from files (data\language\..., data\misc\views.bin, command
// files, scripts, handed files) are fuzzed through real files: the target moves into a fresh
// folder under the system's temporary folder, with the program's data folders, and removes
// it when the fuzzer ends.  The corpus and artifact folders are named by absolute paths, so
// they are unaffected.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz_scratch {

inline std::filesystem::path& Folder() {
  static std::filesystem::path folder;
  return folder;
}

inline void RemoveFolder() {
  std::error_code error;
  if (!Folder().empty()) std::filesystem::remove_all(Folder(), error);
}

// Makes and enters the folder with data\<each of subfolders>; aborts when it cannot.
inline void Enter(const char* name, std::initializer_list<const char*> subfolders) {
  std::string pattern = (std::filesystem::temp_directory_path() / (std::string(name) + "_XXXXXX")).string();
  if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) std::abort();
  Folder() = pattern;
  for (const char* sub : subfolders) std::filesystem::create_directories(std::filesystem::path("data") / sub);
  std::atexit(RemoveFolder);
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                 static_cast<std::streamsize>(size));
}

}  // namespace fuzz_scratch
