// gen_support.cpp - the working folder, file writes, byte checks and seeds of the tools.
#include "tools/gen_support/gen_support.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/files.h"

int StartGenTool(const char* tool, int argc, char** argv, std::initializer_list<const char*> dataFolders,
                 std::string& seeds) {
  std::string out;
  seeds.clear();
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0) out = argv[++i];
    else if (std::strcmp(argv[i], "--seeds") == 0) seeds = std::filesystem::absolute(argv[++i]).string();
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: %s --out <working folder> [--seeds <folder>]\n", tool);
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(out, error);
  std::filesystem::current_path(out, error);
  bool ready = !error;
  for (const char* folder : dataFolders) ready = ready && MakeFolder(folder);
  if (!ready || (!seeds.empty() && !std::filesystem::create_directories(seeds, error) && error)) {
    std::fprintf(stderr, "%s: cannot prepare %s\n", tool, out.c_str());
    return 1;
  }
  return 0;
}

int WriteGenFile(const char* tool, const char* path, const std::vector<uint8_t>& bytes) {
  if (FileWriteAll(path, bytes.data(), bytes.size()) == 0) return 1;
  std::fprintf(stderr, "%s: cannot write %s\n", tool, path);
  return 0;
}

int SameBytesBack(const char* tool, const char* path, const std::vector<uint8_t>& written,
                  const std::vector<uint8_t>& again, const std::string& detail) {
  if (!written.empty() && again == written) return 1;
  size_t at = 0;
  while (at < written.size() && at < again.size() && written[at] == again[at]) ++at;
  std::fprintf(stderr, "%s: %s does not read back as written (%s%s%zu / %zu bytes, from byte %zu)\n", tool, path,
               detail.c_str(), detail.empty() ? "" : ", ", written.size(), again.size(), at);
  return 0;
}

int WriteGenSeed(const char* tool, const std::string& seedFolder, const std::string& name, std::vector<uint8_t> head,
                 const std::vector<uint8_t>& body, size_t bodyStart) {
  if (seedFolder.empty()) return 1;
  if (bodyStart < body.size()) head.insert(head.end(), body.begin() + std::ptrdiff_t(bodyStart), body.end());
  return WriteGenFile(tool, (seedFolder + "/" + name).c_str(), head);
}
