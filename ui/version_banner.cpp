// version_banner.cpp - the logo quad over the top 0.32 of its texture, and the version text.
#include "ui/version_banner.h"

#include <algorithm>

#include "render/draw2d.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

namespace {

constexpr float LOGO_V = 0.32f;  // the logo fills the top of its texture
constexpr float MAX_HALF_HEIGHT = 0.3f;
constexpr float VERSION_TEXT_SIZE = 0.05f;

const Material* LogoMaterial() {
  static const Material* logo;
  static uint32_t lookedUp = ~0u;  // the map's generation the logo was looked up in
  if (lookedUp != MaterialMapGeneration) {
    lookedUp = MaterialMapGeneration;
    MaterialParams params{};
    params.alphaMode = 2;
    logo = GetMaterialByName(LOGO_TEXTURE, 1, 0, 0, params, 0);
  }
  // A placeholder or an unloaded record shows no logo; a picture not read yet is read now.
  if (logo) TextureForUse(logo->texture);
  if (!logo || !logo->texture || !logo->texture->view || logo->texture->state != TEXTURE_OWNED) return nullptr;
  return logo;
}

uint32_t VertexColour(ColourWord c) {
  return 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c);
}

}  // namespace

BannerPlacement VersionBannerPlacement(int position, float inverseAspect) {
  BannerPlacement p{};
  p.halfWidth = position == 2 || position == 3 ? 0.44f : position == 4 ? 0.36f : 0.6f;
  p.halfHeight = p.halfWidth * inverseAspect * LOGO_V;
  if (p.halfHeight > MAX_HALF_HEIGHT) {
    const float scale = MAX_HALF_HEIGHT / p.halfHeight;
    p.halfWidth *= scale;
    p.halfHeight = MAX_HALF_HEIGHT;
  }
  p.bandBottom = -1.0f;
  switch (position) {
    case 1: p.centreY = -0.54f; break;
    case 2:
      p.bandBottom = p.halfHeight * 0.67f + p.halfHeight - 1.0f;
      p.centreX = 0.57f;
      p.centreY = 0.5f * (-1.0f + p.bandBottom);
      break;
    case 3: p.centreY = p.halfHeight - 0.95f; break;
    case 4:
      p.centreX = 0.57f;
      p.centreY = -0.5125f - p.halfHeight * 0.67f;
      break;
    default: break;
  }
  return p;
}

void DrawVersionBanner(int position, int withText) {
  const BannerPlacement p = VersionBannerPlacement(position, Projection.inverseAspect);
  if (const Material* logo = LogoMaterial()) {
    if (p.bandBottom > -1.0f) {
      DrawInterfaceQuad(0xFF000000u, -1.0f, -1.0f, 1.0f, p.bandBottom);
    }
    FlushInterfaceBatch();
    Draw2D& list = Draw2DList;
    list.StartBatch(logo);
    const float x1 = p.centreX - p.halfWidth, x2 = p.centreX + p.halfWidth;
    const float y1 = p.centreY - p.halfHeight, y2 = p.centreY + p.halfHeight;
    const int a = list.AddVertex(0xFFFFFFFFu, x1, y1, 0.0f, 0.0f), b = list.AddVertex(0xFFFFFFFFu, x2, y1, 1.0f, 0.0f),
              c = list.AddVertex(0xFFFFFFFFu, x2, y2, 1.0f, LOGO_V), d = list.AddVertex(0xFFFFFFFFu, x1, y2, 0.0f, LOGO_V);
    if (a >= 0 && b >= 0 && c >= 0 && d >= 0) list.AddQuad(a, b, c, d);
    list.EndBatch();
  }
  if (withText > 0) {
    const float width = TextWidth(VERSION_TEXT, 0, VERSION_TEXT_SIZE);
    DrawText(VERSION_TEXT, VertexColour(InterfaceColours.titleGrey), p.centreX - 0.5f * width,
             p.centreY + p.halfHeight, VERSION_TEXT_SIZE, 0);
  }
}
