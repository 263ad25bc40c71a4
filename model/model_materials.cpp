// model_materials.cpp - material repair, plate cutouts, colour choices and master colours,
// numbered cutout families, alpha from old page names, the tidy-up and the mapping colour
// block.
#include "model/model_materials.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/data_file.h"
#include "render/texture_names.h"
#include "text/messages.h"

const CutoutMaterial MATERIAL_DEFAULT = {ALPHA_SOLID, ENV_MATT, SHINE_NONE, 0, {255, 255, 255}, 0};
const CutoutMaterial MATERIAL_PLATE_WITH_ALPHA = {ALPHA_BLEND, ENV_MATT, SHINE_NONE, 0, {255, 255, 255}, 0};
const CutoutMaterial MATERIAL_PLATE = {ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 0, {255, 255, 255}, 0};

const char* const LIGHT_MAPPING_NAMES[LIGHT_NAME_COUNT] = {
    "l_brk",  "l_sbrk", "l_tbrk", "l_cbrk", "l_head",  "l_side",  "l_tail", "l_stail",
    "l_ttail", "l_rind", "l_find", "l_rsind", "l_fsind", "l_rfog", "l_ffog", "l_rev"};

namespace {

uint32_t RoundEven(double value) { return static_cast<uint32_t>(std::clamp(std::nearbyint(value), 0.0, 255.0)); }

// Each channel times numerator / denominator, the product taken first so that a true half
// stays a half.
ColourWord ScaleChannelsRounded(ColourWord colour, double numerator, double denominator) {
  auto scale = [&](uint32_t c) { return RoundEven(c * numerator / denominator); };
  return (colour & 0xFF000000u) | scale(colour & 0xFF) | scale(colour >> 8 & 0xFF) << 8 | scale(colour >> 16 & 0xFF) << 16;
}

uint32_t LargestChannel(ColourWord c) { return std::max({c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF}); }

bool IsPageNamed(const ModelObject& o, int page, const char* name) {
  return page >= 0 && page < o.pageCount && strcasecmp(o.pages[page].name, name) == 0;
}

}  // namespace

// ---- [Material repair] ----

void FixModelMaterialFlags(ModelObject& object, int report) {
  for (int i = 0; i < object.mappingCount; ++i) {
    ModelMapping& m = object.mappings[i];
    if ((m.colour >> 24) == 0 || m.cutout[0] >= object.cutoutCount) continue;
    const int env = object.cutouts[m.cutout[0]].material.envMapType;
    if (env == ENV_OVERLAY && (m.colour & CF_SELF_LIT)) {
      m.colour &= ~CF_SELF_LIT;
      if (report) ShowColouredMessagef(TextColours.grey, TEXT_REMOVED_SELF_LIT, m.name);
    }
    if (env != ENV_MATT && (m.colour & CF_TRANSLUCENT)) {
      m.colour &= ~CF_TRANSLUCENT;
      if (report) ShowColouredMessagef(TextColours.grey, TEXT_REMOVED_TRANSLUCENT, m.name);
    }
  }
}

void ModelObject::SwapCutouts(int first) {
  if (first < 0 || first + 1 >= cutoutCount) return;
  std::swap(cutouts[first], cutouts[first + 1]);
  for (int i = 0; i < mappingCount; ++i)
    for (uint16_t& c : mappings[i].cutout) {
      if (c == first)
        c = static_cast<uint16_t>(first + 1);
      else if (c == first + 1)
        c = static_cast<uint16_t>(first);
    }
}

void ModelObject::FixPlateCutouts() {
  for (int i = 0; i < cutoutCount; ++i) {
    if (IsPageNamed(*this, cutouts[i].page, "s_plate")) cutouts[i].material = MATERIAL_PLATE;
    if (IsPageNamed(*this, cutouts[i].page, "s_plate_ALP")) cutouts[i].material = MATERIAL_PLATE_WITH_ALPHA;
  }
  // A stable move of the alpha plate cutouts to the end, by neighbour swaps.
  for (int end = cutoutCount - 1; end > 0; --end)
    for (int i = 0; i < end; ++i)
      if (IsPageNamed(*this, cutouts[i].page, "s_plate_ALP") && !IsPageNamed(*this, cutouts[i + 1].page, "s_plate_ALP"))
        SwapCutouts(i);
}

void ModelObject::Tidy(int reserved, int isSubobject) {
  MergeDuplicatePoints();
  FixPlateCutouts();
  FixModelMaterialFlags(*this, 1);
  if (!isSubobject) {
    DetectDecal(*this);
    DetectOverlayTriangles();
  }
  for (int c = 0; c < childCount; ++c) children[c].Tidy(reserved, 1);
}

// ---- [Colours] ----

ColourWord NormaliseColourTo200(ColourWord colour) {
  return ScaleChannelsRounded(colour, 255, std::max<uint32_t>(LargestChannel(colour), 200));
}

ColourWord ScaleColourChannels(ColourWord colour, int numerator, int denominator) {
  const uint32_t r = (colour & 0xFF) * numerator / denominator, g = (colour >> 8 & 0xFF) * numerator / denominator,
                 b = (colour >> 16 & 0xFF) * numerator / denominator;
  return (colour & 0xFF000000u) | r | g << 8 | b << 16;
}

void NormaliseMappingColours(ModelMapping* mappings, int count) {
  for (int i = 0; i < count; ++i)
    if (!(mappings[i].colour & CF_SELF_LIT)) mappings[i].colour = NormaliseColourTo200(mappings[i].colour);
}

void ModelObject::NormaliseSelfLitColours() {
  uint32_t largest = 0;
  for (int i = 0; i < mappingCount; ++i)
    if (mappings[i].colour & CF_SELF_LIT) largest = std::max(largest, LargestChannel(mappings[i].colour));
  if (largest == 0 || largest == 255) return;
  for (int i = 0; i < mappingCount; ++i)
    if (mappings[i].colour & CF_SELF_LIT)
      mappings[i].colour = ScaleChannelsRounded(mappings[i].colour, 255, largest);
}

void ModelObject::SetAllMappingColours(ColourWord colour) {
  for (int i = 0; i < mappingCount; ++i) mappings[i].colour = colour;
}

namespace {
// C and M take the colour whole, D three fifths, E two fifths, of the mappings whose second
// character is digit.  withFlags: D and E take the colour's flag byte too.
void ApplyColourToNumberedMappings(ModelObject& o, ColourWord colour, char digit, bool withFlags) {
  for (int i = 0; i < o.mappingCount; ++i) {
    ModelMapping& m = o.mappings[i];
    if (m.name[0] == 0 || m.name[1] != digit) continue;
    const uint32_t flags = withFlags ? colour & 0xFF000000u : m.colour & 0xFF000000u;
    switch (std::toupper(static_cast<unsigned char>(m.name[0]))) {
      case 'C':
        m.colour = colour;
        break;
      case 'M':
        if (!withFlags) m.colour = colour;
        break;
      case 'D':
        m.colour = (ScaleColourChannels(colour, 3, 5) & 0xFFFFFF) | flags;
        break;
      case 'E':
        m.colour = (ScaleColourChannels(colour, 2, 5) & 0xFFFFFF) | flags;
        break;
      default:
        break;
    }
  }
}
}  // namespace

void ModelObject::ApplyColourChoice(int choice) {
  if (colourChoiceCount == 0 || !colourChoices) return;
  if (choice < 0 || choice >= colourChoiceCount) choice = 0;
  ApplyColourToNumberedMappings(*this, colourChoices[choice], '1', false);
}

void ModelObject::PropagateMasterColours() {
  for (int i = 0; i < mappingCount; ++i) {
    const ModelMapping& master = mappings[i];
    if ((master.name[0] == 'M' || master.name[0] == 'm') && master.name[1] >= '1' && master.name[1] <= '9')
      ApplyColourToNumberedMappings(*this, master.colour, master.name[1], true);
  }
}

// ---- [Names] ----

int ParseNumberedCutoutName(const char* name, char* kind, char stem[CUTOUT_NAME_SIZE], int* number) {
  const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  if ((first != 'C' && first != 'O') || name[1] != '~') return 0;
  const char* underscore = std::strchr(name + 2, '_');
  if (!underscore) return 0;
  const int stemLength = static_cast<int>(underscore - (name + 2)) + 1;
  if (stemLength > 12) return 0;
  const char* digits = underscore + 1;
  if (!*digits) return 0;
  int value = 0;
  for (const char* d = digits; *d; ++d) {
    if (*d < '0' || *d > '9' || value >= 64) return 0;
    value = value * 10 + (*d - '0');
  }
  if (value >= 64) return 0;
  if (kind) *kind = first;
  if (stem) {
    std::memcpy(stem, name + 2, stemLength);
    stem[stemLength] = 0;
  }
  if (number) *number = value;
  return 1;
}

int IsNumberedMappingName(const char* name) { return (name[0] == 'C' || name[0] == 'c') && name[1] == '~' && name[2]; }

int CopyCutoutStem(char* target, const char* name) {
  const char* underscore = std::strchr(name, '_');
  if (!underscore || underscore - name + 1 > CUTOUT_NAME_SIZE - 1) {
    target[0] = 0;
    return 0;
  }
  const int length = static_cast<int>(underscore - name) + 1;
  std::memcpy(target, name, length);
  target[length] = 0;
  return length;
}

int IsReservedMappingName(const char* name) {
  for (const char* light : LIGHT_MAPPING_NAMES)
    if (strcasecmp(name, light) == 0) return 1;
  for (const char* other : {"l_red1", "l_red2", "l_red3", "l_green"})
    if (strcasecmp(name, other) == 0) return 1;
  const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return (first == 'M' || first == 'C' || first == 'D' || first == 'E') && name[1] >= '1' && name[1] <= '9' &&
         name[2] == 0;
}

int IsOrdinaryTexturePage(const TexturePage& page) {
  return page.type != PAGE_SKIN && !IsSpecialTextureName(page.name);
}

void ModelObject::RenameClockTextures(const char* clockName) {
  for (int i = 0; i < pageCount; ++i)
    if (IsClockTextureName(pages[i].name)) std::snprintf(pages[i].name, sizeof pages[i].name, "%s", clockName);
  for (int c = 0; c < childCount; ++c) children[c].RenameClockTextures(clockName);
}

// ---- numbered cutout families ----

namespace {
// The family (stem) of the mapping's first cutout; false when it is not in one.
bool MappingFamily(const ModelObject& o, const ModelMapping& m, char stem[CUTOUT_NAME_SIZE]) {
  return IsNumberedMappingName(m.name) && m.cutout[0] < o.cutoutCount &&
         ParseNumberedCutoutName(o.cutouts[m.cutout[0]].name, nullptr, stem, nullptr);
}

// The cutout of the family of that kind and number, else the first of that kind; -1 none.
int FindFamilyCutout(const ModelObject& o, const char* stem, char kind, int number) {
  int first = -1;
  for (int i = 0; i < o.cutoutCount; ++i) {
    char k, s[CUTOUT_NAME_SIZE];
    int n;
    if (!ParseNumberedCutoutName(o.cutouts[i].name, &k, s, &n) || k != kind || strcasecmp(s, stem) != 0) continue;
    if (n == number) return i;
    if (first < 0) first = i;
  }
  return first;
}
}  // namespace

int ModelObject::HasNumberedMappings() const {
  for (int i = 0; i < mappingCount; ++i)
    if (IsNumberedMappingName(mappings[i].name)) return 1;
  for (int c = 0; c < childCount; ++c)
    if (children[c].HasNumberedMappings()) return 1;
  return 0;
}

void ModelObject::CountCutoutNumbers(int* highest) const {
  for (int i = 0; i < mappingCount; ++i) {
    char stem[CUTOUT_NAME_SIZE];
    if (!MappingFamily(*this, mappings[i], stem)) continue;
    for (int k = 0; k < cutoutCount; ++k) {
      char s[CUTOUT_NAME_SIZE];
      int n;
      if (ParseNumberedCutoutName(cutouts[k].name, nullptr, s, &n) && strcasecmp(s, stem) == 0 && n > *highest)
        *highest = n;
    }
  }
  for (int c = 0; c < childCount; ++c) children[c].CountCutoutNumbers(highest);
}

void ModelObject::SelectNumberedCutouts(int number) {
  for (int i = 0; i < mappingCount; ++i) {
    ModelMapping& m = mappings[i];
    char stem[CUTOUT_NAME_SIZE];
    if (!MappingFamily(*this, m, stem)) continue;
    const int body = FindFamilyCutout(*this, stem, 'C', number);
    const int other = FindFamilyCutout(*this, stem, 'O', number);
    if (other >= 0) {
      if (body >= 0) m.cutout[0] = static_cast<uint16_t>(body);
      m.cutout[1] = static_cast<uint16_t>(other);
    } else if (body >= 0) {
      m.cutout[0] = m.cutout[1] = static_cast<uint16_t>(body);
    }
  }
  for (int c = 0; c < childCount; ++c) children[c].SelectNumberedCutouts(number);
}

void ModelObject::SetCutoutPreset(int preset) {
  for (int i = 0; i < cutoutCount; ++i) {
    CutoutMaterial& m = cutouts[i].material;
    uint8_t& left = cutouts[i].region[REGION_LEFT];
    const uint8_t grey = preset == CUTOUT_PRESET_PAINT ? 230 : 200;
    m.shineType = preset == CUTOUT_PRESET_PAINT ? SHINE_PAINT : SHINE_RUBBER;
    m.reflection[0] = m.reflection[1] = m.reflection[2] = grey;
    m.roughness = preset == CUTOUT_PRESET_PAINT ? 50 : 70;
    left = static_cast<uint8_t>(preset == CUTOUT_PRESET_PAINT ? left + 64 : left - 64);
  }
}

// ---- alpha from old page names ----

namespace {
// The alpha type an old page name's suffix gives: 1 "ATEST", 2 "ALPHA" or "ALP24", else 0;
// suffixLength gets 5 for a suffix.
int AlphaSuffixType(const char* name) {
  const size_t n = std::strlen(name);
  if (n <= 5) return 0;
  const char* suffix = name + n - 5;
  if (strcasecmp(suffix, "ATEST") == 0) return ALPHA_TEST;
  if (strcasecmp(suffix, "ALPHA") == 0 || strcasecmp(suffix, "ALP24") == 0) return ALPHA_BLEND;
  return 0;
}
}  // namespace

void ModelObject::ConvertAlphaPageNames(int mode) {
  for (int i = 0; i < cutoutCount; ++i) {
    Cutout& c = cutouts[i];
    const int alpha = c.page < pageCount ? AlphaSuffixType(pages[c.page].name) : 0;
    c.material.alphaType = static_cast<uint8_t>(alpha);
    if (alpha == ALPHA_BLEND && c.material.envMapType == ENV_C_SHINE) c.material.shineType = SHINE_GLASS;
  }
  for (int p = 0; p < pageCount; ++p) {
    char* name = pages[p].name;
    if (!AlphaSuffixType(name)) continue;
    // A name of at most 19 characters with a 5-character suffix: the stem and "_ALP" fit.
    char stem[MODEL_NAME_SIZE - 5];
    size_t length = std::strlen(name) - 5;
    if (length > 0 && name[length - 1] == '_') --length;
    std::memcpy(stem, name, length);
    stem[length] = 0;
    std::memcpy(name + length, "_ALP", 5);
    for (int q = 0; q < p;) {
      if (strcasecmp(pages[q].name, stem) != 0) {
        ++q;
        continue;
      }
      for (int i = 0; i < cutoutCount; ++i)
        if (cutouts[i].page == q) cutouts[i].page = static_cast<uint8_t>(p);
      RemoveTexturePage(q);
      --p;
      name = pages[p].name;
    }
  }
  (void)mode;  // world models of the built-in tracks have no table here
}

// ---- [Mapping colour block] ----

void MappingColourList::Free() {
  std::free(mappings);
  mappings = nullptr;
  count = 0;
}

void WriteMappingColours(const ModelMapping* mappings, int count, DataFile& file) {
  file.WriteByte(0);
  file.WriteByte(2);
  file.WriteByte(count);
  file.WriteByte(count >> 8);
  for (int i = 0; i < count; ++i) {
    file.WriteFixedString(mappings[i].name, CUTOUT_NAME_SIZE);
    file.WriteInt(static_cast<int32_t>(mappings[i].colour));
  }
}

int ReadMappingColours(MappingColourList& list, DataFile& file) {
  list.Free();
  const int sets = file.ReadByte();
  const int version = file.ReadByte();
  const int count = file.ReadShort() & 0xFFFF;
  if ((version != 0 && version != 2) || count > MAX_MODEL_MAPPINGS || file.readPastEnd) return 0;
  list.mappings = static_cast<ModelMapping*>(std::calloc(count > 0 ? count : 1, sizeof(ModelMapping)));
  for (int i = 0; i < count; ++i) {
    ModelMapping& m = list.mappings[i];
    m.Init(0);
    if (version == 2) {
      file.ReadBlock(m.name, CUTOUT_NAME_SIZE);
      m.colour = file.ReadUInt();
    } else {
      m.colour = file.ReadUInt();
      file.ReadBlock(m.name, 8);
      file.Skip(4);
    }
    m.name[CUTOUT_NAME_SIZE - 1] = 0;
  }
  if (version == 0 && sets >= 2) file.Skip((sets - 1) * count * 16);
  if (file.readPastEnd) {
    list.Free();
    return 0;
  }
  list.count = count;
  return 1;
}
