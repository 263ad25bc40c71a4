// texture_record.cpp - records by name until the texture table takes this over.
#include "render/texture_record.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {
std::map<std::string, std::unique_ptr<ZKTETexture>> g_records;
}

ZKTETexture* GetTextureByName(const char* name) {
  std::string key;
  for (const char* c = name; *c && key.size() < TEXTURE_NAME_SIZE - 1; ++c)
    key += char(std::tolower(static_cast<unsigned char>(*c)));
  auto& slot = g_records[key];
  if (!slot) {
    slot = std::make_unique<ZKTETexture>();
    std::snprintf(slot->name, sizeof slot->name, "%s", name);
  }
  return slot.get();
}

void FreeNamedTextureRecords() {
  // A record may have been given objects by its user; they go with it.
  for (auto& [name, record] : g_records) ReleaseTexture(record.get());
  g_records.clear();
}
