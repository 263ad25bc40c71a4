// cutout_material.h - the material of a cutout: its repair against the texture, the dialog
// in which it is edited with the refusals of each choice, and the compact row of buttons that
// shows it in lists.
//
// Sections: [Rules] [Dialog] [Buttons] [Texts]
//
// The repair itself is the renderer's SetMaterialFlagsFromName (render/material.h), over the
// same eight bytes.  One dialog is open at a time; it edits a working copy that its owner
// takes on "yes".  Main thread only.
#pragma once
#include <cstdint>

#include "core/report.h"
#include "model/model_object.h"
#include "ui/interface.h"

struct MessageSub;

// ---- [Rules] ----
// The repair of the eight bytes against the texture's name (null or empty: no texture).
void RepairCutoutMaterial(CutoutMaterial& material, const char* textureName);
// Each reflection component to the nearest multiple of 5.
void RoundReflectionColour(CutoutMaterial& material);
// After a roughness change: 15 or less becomes 0, 16 to 29 becomes 30.
void SnapRoughness(CutoutMaterial& material);

// ---- [Dialog] ----
constexpr int MATERIAL_TEXTURE_NAME_LENGTH = 19;
struct MaterialDialogState {
  char textureName[MATERIAL_TEXTURE_NAME_LENGTH + 1];  // empty: no texture
  CutoutMaterial material;  // the working copy
  uint32_t word;            // handed to the owner's callback on "yes"
};
extern MaterialDialogState MaterialDialog;
// Copies the name and the material into the working copy and opens the question "Set
// material properties (%s)" over owner (the name, or "[no texture]"); on yes callback gets
// (owner, word, 0) and reads MaterialDialog.material.  1 when opened.
int AskMaterialProperties(Prss* owner, QuestionCallback callback, const char* textureName,
                          const CutoutMaterial& material, uint32_t word);
// The dialog's body: the alpha, environment and shine columns, and with a shine the
// reflection colour and the roughness.  Choices the texture or the other columns refuse are
// drawn dimmed; a click on one shows why.
void DrawMaterialDialog(MessageSub* box, float left, float top, float right, float bottom);
// The clicks of the three columns on the working copy: 1 when the value was taken (and the
// copy repaired), 0 when refused (the refusal shown in a message box over the dialog) or
// unchanged.
int CheckAlphaType(int alpha);
int CheckAlphaEnvRules(int env);
int CheckShineEnvRules(int shine);
// Whether the column's choice is offered as the working copy stands.
int AlphaTypeEnabled(int alpha);
int EnvTypeEnabled(int env);
int ShineTypeEnabled(int shine);

// ---- [Buttons] ----
// Four buttons at the row cursor, each calling handler with word: the alpha type (4 units),
// the environment type (4), the roughness (2) and the shine type (4) in the reflection colour.
void AddMaterialButtons(const CutoutMaterial& material, Prss* owner, uintptr_t word, InterfaceHandler handler);

// ---- [Texts] ----
constexpr const char* TEXT_MATERIAL_TITLE = "Set material properties (%s)";
constexpr const char* TEXT_NO_TEXTURE = "[no texture]";
constexpr const char* TEXT_NO_ALPHA_TEXTURE = "Texture has no alpha so alpha type must be %s";
constexpr const char* TEXT_ALPHA_NEEDS_ENV = "Alpha type %s requires env type %s";
constexpr const char* TEXT_ENV_NEEDS_ALPHA = "Env type %s requires alpha type %s";
constexpr const char* TEXT_ENV_NEEDS_ALPHA_TEXTURE = "Env type %s requires a texture with alpha";
constexpr const char* TEXT_ENV_NEEDS_ALPHA_OR_NONE = "%s requires a texture with alpha or no texture";
constexpr const char* TEXT_ENV_NEEDS_SHINE = "Env type %s requires shine type %s";
constexpr const char* TEXT_SHINE_NEEDS_ENV = "Shine type %s requires env type %s";
constexpr const char* TEXT_SHINE_REFUSED = "Shine type %s cannot be used with env type %s";
extern const char* const ALPHA_TYPE_LONG_NAMES[ALPHA_TYPE_COUNT];
extern const char* const ENV_MAP_TYPE_LONG_NAMES[ENV_MAP_TYPE_COUNT];
extern const char* const SHINE_TYPE_LONG_NAMES[SHINE_TYPE_COUNT];
