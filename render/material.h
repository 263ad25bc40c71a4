// material.h - materials: a texture plus drawing parameters, shared through one ordered map,
// and the choice of shaders, states and constants for each material and draw mode.
//
// Sections: [Record] [Map] [Drawing] [Seams]
#pragma once
#include <cstdint>
#include <set>

#include "render/texture_names.h"  // IsAlphaTextureName

struct ZKTETexture;

// ---- [Record] ----
struct MaterialParams {
  uint8_t alphaMode;    // 0 solid, 1 alpha test at 0.5, 2 blended, 3 alpha test at 0.996078
  uint8_t shineType;    // 0 none, 1..3
  uint8_t reflectance;  // 0..7 into REFLECTANCE_TABLE
  uint8_t spare;
  uint8_t shineRed, shineGreen, shineBlue;  // 0xFFFFFF while the reflectance index is 0
  uint8_t softShine;    // percent; 0 hard; kept only within 30..70
};
constexpr float REFLECTANCE_TABLE[8] = {0.0f, 0.04f, 0.08f, 0.9f, 0.02f, 0.058f, 0.045f, 0.053f};

struct Material {
  ZKTETexture* texture;
  uint8_t drawKind;   // set by the creator; 1 for the default material (prelit)
  uint8_t second;     // 0 for every material found by name; 1 the mirror material
  uint8_t flags;      // bits 0..1 sampler of slot 0; 128 or more: depth bias +4 in world drawing
  uint8_t zero;
  MaterialParams params;
  uint8_t tempKey;    // 1 only in search keys
  uint8_t layout;     // vertex layout number (1)
  uint8_t genType;    // the highest texture generation type any user asked for
  uint8_t zero2;
  // Given at creation, counting up from 1 after each emptying of the map (0 in search keys):
  // the build lists order materials by it, so world meshes come out in one order every run.
  uint32_t id;

  static void SetVShader(int number);
  static void SetPShader(int number);
  static void SetCShader(int number);  // 0 unbinds
  static void EnableVertexDeclaration(int layout);
};
void EnablePartVertexDeclaration(const Material* material);

// ---- [Map] ----
// Orders by texture name (any case; no texture is the empty name), then the draw kind, second
// and flags bytes and the two parameter words.  Always the same fields in the same order, so
// the map's order is a strict weak ordering even when two records share a name.
bool CompareMaterialKeys(const Material* a, const Material* b);
struct MaterialKeyLess {
  bool operator()(const Material* a, const Material* b) const { return CompareMaterialKeys(a, b); }
};
using MaterialMap = std::set<Material*, MaterialKeyLess>;
extern MaterialMap Materials;
extern Material* DefaultMaterial;

Material* CreateMaterial(ZKTETexture* texture, int drawKind, int second, int flags, const MaterialParams& params,
                         int genType);
Material* FindMaterial(ZKTETexture* texture, int drawKind, int second, int flags, const MaterialParams& params,
                       int genType);
Material* GetMaterialByName(const char* textureName, int drawKind, int unused, int flags, const MaterialParams& params,
                            int genType);
void ReleaseMaterial(Material* material);
void FreeAllMaterials();
// Counts the times the map was emptied: a pointer kept across frames is looked up again
// when this has moved on.
extern uint32_t MaterialMapGeneration;
Material* GetDefaultMaterial();  // made again when asked after the map was emptied
// The material's repair after every change, against its texture's name (no name: none):
// transparency needs an "_ALP" texture, the environment type fits the transparency and the
// texture, the reflectance index fits the environment type (ShineTypeAllowed), no shine
// gives white and no softness, and softness stays 0 or 30..70 with a shine.  A second run
// changes nothing.
void SetMaterialFlagsFromName(MaterialParams& params, const char* textureName);
// Whether reflectance index shine (0..7) may go with environment type env (0 matt, 1 constant,
// 2 variable, 3 overlay): matt takes only 0; 1 and 2 take 1, 2, 4, 5, 6, 7; 3 takes 1..4.
int ShineTypeAllowed(int env, int shine);

// ---- [Drawing] ----
// Draw modes 1..10: 1 layout, 2 layout and texture, 3 world pass, 4 local headlights, 5 local
// lights, 6/8 shine, 7 mirror view, 9 echo, 10 object render.
void ApplyMaterial(const Material* material, int drawMode);
constexpr int MAX_LOCAL_LIGHTS = 32;
struct LocalLightRecord {
  float colour[4];
  float transform[12];  // 3x4, rows
};
extern LocalLightRecord LocalLights[MAX_LOCAL_LIGHTS];
uint32_t SetLocalLights(uint32_t lightMask, int stageMode);  // returns the lights not taken
void InvalidateShineConstants();  // after anything else wrote pixel rows 4 or 5

// ---- [Seams] ----
// The world pass (0 the normal pass, 1..3 the special passes) and the second-pass flag.
extern int CurrentWorldPass;
extern int SecondPassFlag;
// The pixel shaders of object renders (draw mode 10), solid and alpha.
extern int RenderSolidPixelShader, RenderAlphaPixelShader;
// The shine textures: [0] hard (slot 1), [1] soft (slot 2).
extern ZKTETexture* ShineTextures[2];
extern float LightWorldMatrix[12];  // 3x4; local-light transforms are multiplied by it in stage mode 1
// Where constants and textures go: stage 0 vertex, 1 pixel, by constant row (the constant
// rows by default; tests put recorders here).
using ConstantRowUpload = void (*)(int stage, int row, const void* data, uint32_t bytes);
using TextureSlotBind = void (*)(int slot, const ZKTETexture* texture);
extern ConstantRowUpload UploadConstantRow;
extern TextureSlotBind BindTextureSlot;
