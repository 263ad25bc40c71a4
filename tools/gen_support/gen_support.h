// gen_support.h - what the build-time tools that write the program's files share: the working
// folder they write into, writing a file, the check that a file read back writes the same
// bytes again, and the seeds of the fuzz targets.
//
// Each failure is said on stderr as "<tool>: ..." and returns 0, so that the tool fails (and
// so the build).
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Reads "--out <working folder> [--seeds <folder>]", makes and enters the working folder with
// the data folders given (the file layer's names, such as "data\\veh"), and makes the seed
// folder.  0 with seeds set to the seed folder's absolute path ("" without --seeds); else the
// tool's exit code: 2 for a usage without --out, 1 when a folder cannot be made.
int StartGenTool(const char* tool, int argc, char** argv, std::initializer_list<const char*> dataFolders,
                 std::string& seeds);

// Writes the bytes to the file layer's path; 0 when it cannot.
int WriteGenFile(const char* tool, const char* path, const std::vector<uint8_t>& bytes);

// 1 when again holds the bytes written (and they are not none); else 0 with the sizes, the
// first byte that differs and what the caller adds (what was read).
int SameBytesBack(const char* tool, const char* path, const std::vector<uint8_t>& written,
                  const std::vector<uint8_t>& again, const std::string& detail = "");

// A fuzz target's input, "<seed folder>/<name>": the head, then the bytes of the body from
// bodyStart on.  1 without a seed folder.
int WriteGenSeed(const char* tool, const std::string& seedFolder, const std::string& name, std::vector<uint8_t> head,
                 const std::vector<uint8_t>& body, size_t bodyStart = 0);
