// skin_template.h - the Colours page's two skin actions: a template picture of the car's body
// in its skin texture's layout put on the clipboard, and the skin file's name copied there.
// Main thread only.
#pragma once
#include <cstdint>

struct Car;
struct DrawMesh;
struct Prss;
struct ZKTETexture;

// The first texture, depth first through the mesh and its children, whose kind is a skin's
// (1, 2 or 3) or a blank's (7); null when there is none.
ZKTETexture* FindTemplateTexture(const DrawMesh* mesh);
// "Generate Skin Template": the list "Select type of skin template" over the owner, answered
// by MakeSkinTemplate; without a skin texture "Could not find skin texture".
void AskSkinTemplateStyle(Prss* owner, Car* car);
// The body mesh drawn in style 0..3 (shaded, black and white, wireframe on white, on black)
// into a 2048 (or 1024) pixel picture on the clipboard.
void MakeSkinTemplate(Prss* owner, Car* car, int style);
// The car's skin file name on the clipboard: "Copied to clipboard : <name>", or "Could not
// copy text to clipboard : <reason>" in the error colour.  1 when copied.
int CopySkinNameToClipboard(Prss* owner, const Car& car);
