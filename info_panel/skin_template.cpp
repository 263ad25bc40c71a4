// skin_template.cpp - the skin template picture and the skin name on the clipboard.
#include "info_panel/skin_template.h"

#include <cstdio>

#include "core/report.h"
#include "physics/car.h"
#include "render/draw_mesh.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/object_picture.h"
#include "render/texture_record.h"
#include "text/language.h"
#include "text/text_names.h"
#include "ui/dialogs.h"
#include "ui/text_entry.h"

namespace {

constexpr const char* TEXT_NO_SKIN_TEXTURE = "Could not find skin texture";
Car* g_templateCar;  // the car the style list was opened for

const char* const* const STYLE_SLOTS[] = {&LanguageTexts[TX_3h_cr_sh_sk], &LanguageTexts[TX_3h_cr_bw_sk],
                                          &LanguageTexts[TX_3h_cr_wwire], &LanguageTexts[TX_3h_cr_bwire]};

bool SkinKind(const ZKTETexture* t) { return t && ((t->type >= 1 && t->type <= 3) || t->type == 7); }

// The car's first body mesh, or null.
const GouraudO3d* BodyMesh(const Car* car) {
  if (!car) return nullptr;
  const DrawMesh* mesh = car->levelMeshes[0];
  return mesh && mesh->IsGouraud() ? static_cast<const GouraudO3d*>(mesh) : nullptr;
}

void StyleChosen(Prss* owner, uint32_t, int index) {
  if (index >= 0 && index < 4) MakeSkinTemplate(owner, g_templateCar, index);
}

void Tell(Prss* owner, const char* text) {
  if (owner && !owner->sub) ReportBox(owner, text);
  else ReportLine(text, REPORT_ERROR);
}

}  // namespace

ZKTETexture* FindTemplateTexture(const DrawMesh* mesh) {
  if (!mesh) return nullptr;
  if (mesh->IsGouraud()) {
    const GouraudO3d& g = *static_cast<const GouraudO3d*>(mesh);
    for (int i = 0; i < g.partCount && g.parts; ++i) {
      const Material* m = g.parts[i].key;
      if (m && SkinKind(m->texture)) return m->texture;
    }
  }
  for (int i = 0; i < mesh->childCount && mesh->children; ++i)
    if (ZKTETexture* t = FindTemplateTexture(mesh->children[i])) return t;
  return nullptr;
}

void AskSkinTemplateStyle(Prss* owner, Car* car) {
  const GouraudO3d* body = BodyMesh(car);
  if (!body || !FindTemplateTexture(body)) {
    Tell(owner, TEXT_NO_SKIN_TEXTURE);
    return;
  }
  if (owner->sub) return;
  g_templateCar = car;
  OpenSelectSub(owner, StyleChosen, LanguageTexts[TX_3h_selstype], STYLE_SLOTS, nullptr, 4, 0, -1);
}

void MakeSkinTemplate(Prss* owner, Car* car, int style) {
  const GouraudO3d* body = BodyMesh(car);
  if (!body || !FindTemplateTexture(body)) {
    Tell(owner, TEXT_NO_SKIN_TEXTURE);
    return;
  }
  CopyObjectImageToClipboard(owner, *body, PICTURE_LAYERS_BOTH, style);
}

int CopySkinNameToClipboard(Prss* owner, const Car& car) {
  const char* name = car.skinTexture[0] ? car.skinTexture : car.skinName;
  const char* failed = CopyTextToClipboard(name, 0);
  char text[160];
  if (failed) {
    std::snprintf(text, sizeof text, "Could not copy text to clipboard : %s", failed);
    ReportLine(text, REPORT_ERROR);
    return 0;
  }
  std::snprintf(text, sizeof text, "%s %s", LanguageTexts[TX_3h_copyclip], name);
  ReportLine(text, REPORT_GREY);
  (void)owner;
  return 1;
}
