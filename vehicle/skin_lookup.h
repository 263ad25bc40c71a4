// skin_lookup.h - the car's texture look-up (the body of the modeller's FindSkinTexture hook,
// model/model_meshes.h): a mesh part's texture name turned into a material, with the
// car's skin, the skin's conversion to DDS and the plain white texture for unnamed parts; and
// the view cone factor of the car's lighting.
//
// Sections: [Look-up] [View cone] [Texts]
//
// The texture-loading context is the texture table's record type for the next new record
// (TextureConfig.nextType, render/texture_table.h): 1 car skins, 2 and 3 downloaded skins,
// 7 blank records; this look-up adds 6, a part drawn plain.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "model/model_meshes.h"
#include "solid/solid.h"

// ---- [Look-up] ----
constexpr uint8_t TEXTURE_CONTEXT_PLAIN = 6;
constexpr uint8_t NO_TEXTURE_SHINE = 3;  // an unnamed part whose material's second byte is this gets no texture
constexpr const char* PLAIN_TEXTURE_NAME = "PLAIN~W";
// Set while skins may not be converted to DDS (the conversion also needs "Compressed Tex ").
extern int SkinConversionSuppressed;
// Null without graphics.  With skin set the name is the car's current skin (the editor skin
// name, else the skin of the car being built, SkinContextCar) looked up in its skin folder,
// and none without one.  Otherwise: an empty name takes PLAIN~W (none when the material's
// second byte is NO_TEXTURE_SHINE) and the context 0; special names first; generation type 3
// by name; in the skin contexts (1, 2, 3, 7) a texture already listed gets its material (with
// a message when it is not a skin's), and a car skin not listed yet has its DDS made first
// when skins are converted; context 6 takes PLAIN~W; then the material by name, its texture
// checked ("Can't open : %s") except in context 1.  A name that is not a plain file name gets
// no texture and one message.
Material* FindCarSkinTexture(const char* name, int usage, int plateIndex, int requestFlags,
                             const CutoutMaterial& material, int skin);

// ---- [View cone] ----
// The cone the car's lighting sets up along the car: apex (16.16, world), unit axis and the
// least distance along it (m).
struct ViewCone {
  IntVector apex;
  Vec3 axis;
  float minimumDistance;
};
extern ViewCone CarViewCone;
// How far the current view's position lies inside the cone whose radius is half the distance
// along the axis: 1 on the axis, falling smoothly ((3 - 2t) t^2) to 0 at the side; 0 outside,
// behind the apex and nearer than the least distance.
float ViewConeFactor();

// ---- [Texts] ----
constexpr const char* TEXT_NOT_A_SKIN = "Found texture when looking for skin (%s) but it is not marked as a skin";
constexpr const char* TEXT_SKIN_NAME_REFUSED = "Skin %s is not a plain file name";
