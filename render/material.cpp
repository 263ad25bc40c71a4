// material.cpp - the material map, name-driven flag repair, and the shader, state and
// constant choice of every draw mode.
#include "render/material.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/config.h"
#include "core/gamma_tables.h"
#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "render/texture_table.h"

MaterialMap Materials;
Material* DefaultMaterial;
LocalLightRecord LocalLights[MAX_LOCAL_LIGHTS];
int CurrentWorldPass;
int SecondPassFlag;
int RenderSolidPixelShader = 12;  // render_black
int RenderAlphaPixelShader = 13;  // render_black with alpha
ZKTETexture* ShineTextures[2];
float LightWorldMatrix[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};

namespace {

void DefaultTextureBind(int slot, const ZKTETexture* texture) { SetTexture(slot, texture); }

const char* NameOf(const ZKTETexture* t) { return t ? t->name : ""; }

uint32_t Word1(const MaterialParams& p) {
  return uint32_t(p.alphaMode) | uint32_t(p.shineType) << 8 | uint32_t(p.reflectance) << 16 | uint32_t(p.spare) << 24;
}
uint32_t Word2(const MaterialParams& p) {
  return uint32_t(p.shineRed) | uint32_t(p.shineGreen) << 8 | uint32_t(p.shineBlue) << 16 |
         uint32_t(p.softShine) << 24;
}

Material MakeKey(ZKTETexture* texture, int drawKind, int second, int flags, const MaterialParams& params) {
  Material m{};
  m.texture = texture;
  m.drawKind = uint8_t(drawKind);
  m.second = uint8_t(second);
  m.flags = uint8_t(flags);
  m.params = params;
  m.layout = 1;
  return m;
}

void ShowGenTypeWarning(const char* function, const Material* m, int genType) {
  if (!(CfgDebugLevel > 0) || !m->texture || m->texture->genType >= genType) return;
  char line[120];
  std::snprintf(line, sizeof line, "%s: xtex->gen_type < gen_type (%s)", function, m->texture->name);
  ReportLine(line, REPORT_MESSAGE);
}

// ---- shine and alpha-test constants ----
struct ShineSent {
  bool valid = false;
  uint8_t red, green, blue, reflectance;
  int kind;
};
ShineSent g_shineSent[2];  // hard, soft
float g_alphaReference = -1.0f;

const float KIND_ROWS[6][4] = {{1, -1, 0, 1}, {0, 1, 1, 0}, {1, 0, 1, 0}, {1, -1, 0, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}};

float Linear(uint8_t c) { return LinearFromGammaTable[c]; }

void SetShineConstants(const Material* m, int kind) {
  const MaterialParams& p = m->params;
  int soft = p.softShine != 0 ? 1 : 0;
  // Until the environment maps are made, the grey placeholder is what the shine reflects.
  BindTextureSlot(soft ? 2 : 1, ShineTextures[soft] ? ShineTextures[soft] : GreyPlaceholder);
  RenderStates.pendingSampler[soft ? 2 : 1] = 5;
  ShineSent& sent = g_shineSent[soft];
  if (sent.valid && sent.red == p.shineRed && sent.green == p.shineGreen && sent.blue == p.shineBlue &&
      sent.reflectance == p.reflectance && sent.kind == kind)
    return;
  sent = ShineSent{true, p.shineRed, p.shineGreen, p.shineBlue, p.reflectance, kind};
  // Three float4 rows: linear shine colour with the reflectance, the kind's weights, the hardness.
  float c[12] = {Linear(p.shineRed), Linear(p.shineGreen), Linear(p.shineBlue), REFLECTANCE_TABLE[p.reflectance & 7]};
  std::memcpy(&c[4], KIND_ROWS[kind], sizeof KIND_ROWS[kind]);
  if (soft) {
    float s = float(p.softShine) / 100.0f;
    c[8] = (s - 0.3f) / 0.2f;
    c[9] = s * s;
  } else {
    c[8] = 0.0036f;
  }
  UploadConstantRow(1, soft ? 5 : 4, c, sizeof c);
}

void SetAlphaReference(float reference) {
  if (reference == g_alphaReference) return;
  g_alphaReference = reference;
  const float row[4] = {reference, 0, 0, 0};
  UploadConstantRow(1, 3, row, sizeof row);
}

void LayoutSamplerTexture(const Material* m) {
  Material::EnableVertexDeclaration(m->layout);
  RenderStates.pendingSampler[0] = m->flags & 3;
  BindTextureSlot(0, m->texture);
}

void PassRasterizer(const Material* m) {
  if (SecondPassFlag) RenderStates.pendingRaster = 1;
  else if (m->flags >= 128) RenderStates.pendingRaster = 2;
}

int g_localLightIndex;  // lights taken by SetLocalLights, minus one
uint32_t g_lastMaterialId;  // the id of the last material made

// The normal world pass; without the blended choices for the mirror view.
void NormalPass(const Material* m, bool allowBlended) {
  const MaterialParams& p = m->params;
  LayoutSamplerTexture(m);
  if (m->drawKind) {
    Material::SetVShader(11);
    Material::SetPShader(37);
  } else if (p.shineType == 0) {
    Material::SetVShader(12);
    if (!allowBlended) {
      Material::SetPShader(39);
      SetAlphaReference(0.5f);
    } else if (p.alphaMode == 1) {
      Material::SetPShader(39);
      SetAlphaReference(0.5f);
    } else if (p.alphaMode == 3) {
      Material::SetPShader(39);
      SetAlphaReference(0.996078f);
    } else if (p.alphaMode == 2) {
      Material::SetPShader(40);
    } else {
      Material::SetPShader(38);
    }
  } else {
    Material::SetVShader(13);
    bool soft = p.softShine != 0;
    int type = p.shineType > 3 ? 3 : p.shineType;
    if (allowBlended && p.alphaMode == 2) {
      Material::SetPShader(soft ? 46 : 43);
      SetShineConstants(m, 6 - type);  // kinds 5, 4, 3
    } else {
      bool plain = type == 3 && !m->texture;
      Material::SetPShader(plain ? (soft ? 44 : 41) : (soft ? 45 : 42));
      SetShineConstants(m, 3 - type);  // kinds 2, 1, 0
    }
  }
  PassRasterizer(m);
}

}  // namespace

ConstantRowUpload UploadConstantRow = UploadConstantRowData;
TextureSlotBind BindTextureSlot = DefaultTextureBind;

// ---- [Map] ----

bool CompareMaterialKeys(const Material* a, const Material* b) {
  if (a->texture != b->texture) {
    int byName = strcasecmp(NameOf(a->texture), NameOf(b->texture));
    if (byName != 0) return byName < 0;
  }
  if (a->drawKind != b->drawKind) return a->drawKind < b->drawKind;
  if (a->second != b->second) return a->second < b->second;
  if (a->flags != b->flags) return a->flags < b->flags;
  uint32_t a1 = Word1(a->params), b1 = Word1(b->params);
  if (a1 != b1) return a1 < b1;
  return Word2(a->params) < Word2(b->params);
}

Material* FindMaterial(ZKTETexture* texture, int drawKind, int second, int flags, const MaterialParams& params,
                       int genType) {
  (void)second;  // searches are made with the second byte 0, as every material found by name has it
  Material key = MakeKey(texture, drawKind, 0, flags, params);
  key.tempKey = 1;
  auto it = Materials.lower_bound(&key);
  if (it == Materials.end() || CompareMaterialKeys(&key, *it)) return nullptr;
  Material* m = *it;
  ShowGenTypeWarning("FindMaterial", m, genType);
  if (genType > m->genType) m->genType = uint8_t(genType);
  return m;
}

Material* CreateMaterial(ZKTETexture* texture, int drawKind, int second, int flags, const MaterialParams& params,
                         int genType) {
  Material* m = new Material(MakeKey(texture, drawKind, second, flags, params));
  m->genType = uint8_t(genType);
  m->id = ++g_lastMaterialId;
  ShowGenTypeWarning("CreateMaterial", m, genType);
  auto [it, inserted] = Materials.insert(m);
  if (!inserted) {
    // An equal key is already shared: hand that one out rather than keep a record the map
    // does not hold (it could never be found or released).
    delete m;
    m = *it;
    if (genType > m->genType) m->genType = uint8_t(genType);
  }
  return m;
}

Material* GetMaterialByName(const char* textureName, int drawKind, int, int flags, const MaterialParams& params,
                            int genType) {
  ZKTETexture* texture = nullptr;
  if (textureName && textureName[0]) texture = GetTexture(textureName, genType);
  if (Material* found = FindMaterial(texture, drawKind, 0, flags, params, genType)) return found;
  return CreateMaterial(texture, drawKind, 0, flags, params, genType);
}

void ReleaseMaterial(Material* material) {
  if (!material || material->tempKey) return;
  auto it = Materials.find(material);
  if (it != Materials.end() && *it == material) Materials.erase(it);
  if (material == DefaultMaterial) DefaultMaterial = nullptr;
  ForgetReleasedMaterial(material);
  delete material;
}

uint32_t MaterialMapGeneration;

void FreeAllMaterials() {
  ++MaterialMapGeneration;
  UnbindTexture(nullptr);
  ForgetReleasedMaterial(nullptr);
  for (Material* m : Materials) delete m;
  Materials.clear();
  DefaultMaterial = nullptr;
  g_lastMaterialId = 0;
  InvalidateShineConstants();
}

Material* GetDefaultMaterial() {
  if (!DefaultMaterial) {
    MaterialParams p{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    DefaultMaterial = CreateMaterial(nullptr, 1, 0, 1, p, 4);
  }
  return DefaultMaterial;
}

int ShineTypeAllowed(int env, int shine) {
  static const uint8_t SHINE_COLUMN[8] = {0, 1, 1, 0, 1, 1, 1, 1};    // constant or variable shine
  static const uint8_t OVERLAY_COLUMN[8] = {0, 1, 1, 1, 1, 0, 0, 0};  // overlay
  if (shine < 0 || shine >= 8 || env < 0 || env > 3) return 0;
  if (env == 0) return shine == 0;
  return env == 3 ? OVERLAY_COLUMN[shine] : SHINE_COLUMN[shine];
}

void SetMaterialFlagsFromName(MaterialParams& p, const char* textureName) {
  const char* name = textureName ? textureName : "";
  bool alphaName = IsAlphaTextureName(name);
  // An alpha mode the renderer does not know is drawn solid.
  if (!alphaName || p.alphaMode > 3) p.alphaMode = 0;
  bool valid = p.shineType < 4;
  if (valid && (p.alphaMode == 1 || p.alphaMode == 3) && p.shineType != 0) valid = false;
  if (valid && p.alphaMode == 2 && p.shineType == 3) valid = false;
  if (valid && p.shineType == 2 && !alphaName) valid = false;
  if (valid && p.shineType == 3 && !(name[0] == 0 || alphaName)) valid = false;
  if (!valid) p.shineType = 0;
  uint8_t t = p.shineType;
  if (!ShineTypeAllowed(t, p.reflectance)) p.reflectance = t == 0 ? 0 : t <= 2 ? (alphaName ? 2 : 1) : 2;
  if (p.reflectance == 0) p.shineRed = p.shineGreen = p.shineBlue = 0xFF;
  if (!(t >= 1 && t <= 3 && p.softShine >= 30 && p.softShine <= 70)) p.softShine = 0;
}

// ---- [Drawing] ----

void ApplyMaterial(const Material* m, int drawMode) {
  if (!m) m = GetDefaultMaterial();
  const MaterialParams& p = m->params;
  int n = g_localLightIndex;
  switch (drawMode) {
    case 1:
      Material::EnableVertexDeclaration(m->layout);
      break;
    case 2:
      Material::EnableVertexDeclaration(m->layout);
      BindTextureSlot(0, m->texture);
      break;
    case 3:
      if (CurrentWorldPass == 1) {
        Material::EnableVertexDeclaration(m->layout);
      } else if (CurrentWorldPass == 2) {
        Material::EnableVertexDeclaration(m->layout);
        BindTextureSlot(0, m->texture);
      } else if (CurrentWorldPass == 3) {
        ApplyMaterial(m, 4);
      } else {
        NormalPass(m, true);
      }
      break;
    case 4:
      LayoutSamplerTexture(m);
      Material::SetVShader(22 + n);
      Material::SetPShader((p.alphaMode == 1 ? 56 : 52) + n);
      PassRasterizer(m);
      break;
    case 5:
      Material::EnableVertexDeclaration(m->layout);
      Material::SetVShader(18 + n);
      Material::SetPShader(48 + n);
      break;
    case 6:
    case 8:
      LayoutSamplerTexture(m);
      if (p.shineType == 0) {
        Material::SetVShader(12);
        Material::SetPShader(40);
      } else {
        Material::SetVShader(13);
        Material::SetPShader(p.softShine ? 46 : 43);
        SetShineConstants(m, 6 - (p.shineType > 3 ? 3 : p.shineType));
      }
      break;
    case 7:
      if (m->second == 1) {
        int car = ShaderCarFlag, shadow = ShaderShadowFlag;
        ShaderCarFlag = ShaderShadowFlag = 0;  // the mirror is drawn in variant 0
        LayoutSamplerTexture(m);
        Material::SetVShader(26);
        Material::SetPShader(60);
        ShaderCarFlag = car;
        ShaderShadowFlag = shadow;
      } else {
        NormalPass(m, false);
      }
      break;
    case 9:
      Material::EnableVertexDeclaration(m->layout);
      Material::SetVShader(2);
      if (p.alphaMode) {
        BindTextureSlot(0, m->texture);
        Material::SetPShader(19);
      } else {
        Material::SetPShader(18);
      }
      break;
    case 10: {
      Material::EnableVertexDeclaration(m->layout);
      Material::SetVShader(1);
      int shader = p.alphaMode ? RenderAlphaPixelShader : RenderSolidPixelShader;
      if (p.alphaMode || shader == 14 || shader == 16) BindTextureSlot(0, m->texture);
      Material::SetPShader(shader);
      break;
    }
    default:
      break;
  }
}

uint32_t SetLocalLights(uint32_t lightMask, int stageMode) {
  float pixel[4][4] = {};
  float vertex[4][12] = {};
  int count = 0;
  for (int bit = 0; bit < MAX_LOCAL_LIGHTS && count < 4; ++bit) {
    if (!(lightMask & (1u << bit))) continue;
    lightMask &= ~(1u << bit);
    const LocalLightRecord& light = LocalLights[bit];
    std::memcpy(pixel[count], light.colour, sizeof light.colour);
    if (stageMode == 1) {
      // The light's transform taken into the object's space: light x world, both 3x4.
      const float* a = light.transform;
      const float* w = LightWorldMatrix;
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
          vertex[count][r * 4 + c] = a[r * 4 + 0] * w[0 * 4 + c] + a[r * 4 + 1] * w[1 * 4 + c] +
                                     a[r * 4 + 2] * w[2 * 4 + c] + (c == 3 ? a[r * 4 + 3] : 0.0f);
    } else if (stageMode == 2) {
      std::memcpy(vertex[count], light.transform, sizeof light.transform);
    }
    ++count;
  }
  if (count == 0) return lightMask;
  if (stageMode == 1 || stageMode == 2) UploadConstantRow(0, 9 + count, vertex, uint32_t(count * sizeof vertex[0]));
  if (stageMode == 0 || stageMode == 2) UploadConstantRow(1, 13 + count, pixel, uint32_t(count * sizeof pixel[0]));
  g_localLightIndex = count - 1;
  return lightMask;
}

void InvalidateShineConstants() {
  g_shineSent[0].valid = g_shineSent[1].valid = false;
  g_alphaReference = -1.0f;
}
