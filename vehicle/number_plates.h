// number_plates.h - the cars' number plates: 41 slots of plate texts shared out to cars, drawn
// with the vector font into texture pages of four plates each, a colour page "PLATE~%d" and
// an alpha page "PLATE~%d_AON" (%d the page, 0 to 10).
//
// Sections: [Slots] [Pages] [Drawing] [Installing] [Texts]
//
// The render seam (render/system_textures.h) holds the pages' materials, the slots' counts,
// the plate lock and the redraw flag; a car's meshes reach its page through the special names
// "s_plate" and "s_plate_ALP" (the page is the slot / 4, the plate on it the cutout's region).
// A slot's text is 8 bytes compared as a whole (a shorter text is padded with zeros); it may
// hold caret colour and code-page codes.  Slots and redraw flags are guarded by PlateLock:
// GetPlateSlot and RegenPlates run with it held by their caller, UpdatePlateHandle takes it.
// Pages are made and drawn on the main thread.
#pragma once
#include <cstdint>
#include <vector>

#include "physics/car.h"
#include "render/system_textures.h"

// ---- [Slots] ----
constexpr int PLATE_TEXT_SIZE = CAR_PLATE_TEXT_SIZE;
struct PlateSlotText {
  uint8_t bytes[PLATE_TEXT_SIZE];
  uint8_t stored;  // a text was given since the last reset: the page shows it
};
extern PlateSlotText PlateTexts[PLATE_SLOTS];
// Up to 8 bytes of text (ended by its zero), padded with zeros.
PlateSlotText MakePlateText(const char* text);
// The body of GetPlateSlot: a free slot that still shows the text (no redraw), else the first
// free slot (its page redrawn), else slot 0 shared with the message TEXT_NO_PLATE.  Its count
// becomes 1 (slot 0 shared: raised by one) and its page's textures are made when missing.
int TakePlateSlotForText(const char* text);
// Changes the text of a slot that exactly one car uses (its page is redrawn); any other
// count, or the same text, changes nothing (a message only with debug messages on).
void UpdatePlateHandle(int slot, const char* text);

// ---- [Pages] ----
struct PlatePage {
  uint8_t redraw;  // the page is to be drawn again
};
extern PlatePage PlatePages[PLATE_PAGES];
constexpr int PLATE_TEXTURE_SIZE = 256;
constexpr int PLATE_MIP_LEVELS = 6;  // the texture-making mode of the plate pages
// The page's colour and alpha textures and materials, when it has no colour material yet and
// graphics are on; a texture that cannot be made is logged ("Could not create : %s") and its
// material stays null.
void CreatePlateTextures(int page);
// The body of ResetPlates: every slot, page and redraw flag forgotten.
void ClearPlates();

// ---- [Drawing] ----
constexpr int PLATE_CANVAS_SIZE = 1024;
constexpr float PLATE_FIRST_LINE = -0.9296875f;  // the first plate's top, canvas -1 .. 1
constexpr float PLATE_LINE_STEP = 0.5f;
constexpr float PLATE_TEXT_SIZE_UNITS = 0.45703125f;
constexpr float PLATE_WIDEST = 1.9f;             // a wider text is shrunk to this width
constexpr float PLATE_ACCENT_RAISE = 0.06855469f;
constexpr float PLATE_LETTER_GAP = 0.08f;        // x the size, after each glyph
constexpr uint16_t PLATE_WHITE = 0xFFFF;
// The size a text is drawn at: PLATE_TEXT_SIZE_UNITS, shrunk so that it is at most
// PLATE_WIDEST wide.
float PlateTextSize(const char* text);
// Draws the four texts of a page one under the other, centred, onto a 1024 x 1024 5-6-5
// canvas filled with white, with the vector font; "^0".."^7" colour the text (bit 0 red,
// bit 1 green, bit 2 blue), "^8", "^9" and "^:" give black again ("^8" and "^:" also the
// first code page), a code-page letter after a caret switches the code page.
void DrawPlateCanvas(const PlateSlotText texts[PLATES_PER_PAGE], std::vector<uint16_t>& canvas);
// The canvas as the page's two pictures at 256 x 256 (RGBA, halved twice by averaging):
// the colour (each 5-6-5 field at the top of its byte, alpha 255) and the alpha (white,
// alpha 255 where the canvas is not white).
void PlatePictures(const std::vector<uint16_t>& canvas, std::vector<uint8_t>& colour, std::vector<uint8_t>& alpha);
// The body of RegenPlates: draws the first page marked for drawing and loads its textures; a
// marked page without textures loses its mark.  More marked pages set PlateRegenPending again,
// so that each following frame draws one.
void RedrawPlatePage();

// ---- [Installing] ----
// GetPlateSlot, RegenPlates and ResetPlates of the render seam, and the cars' plate slots.
void InstallNumberPlates();

// ---- [Texts] ----
constexpr const char* TEXT_NO_PLATE = "Could not get number plate - total = %d";
constexpr const char* TEXT_PLATE_MATCHES = "Number plate to update (%d) already matches";
constexpr const char* TEXT_PLATE_SHARED = "Number plate to update (%d) does not have NumRefs==1";
constexpr const char* TEXT_PLATE_NO_TEXTURE = "PlateRegen[%d] but a plate texture does not exist";
constexpr const char* TEXT_PLATE_NOT_CREATED = "Could not create : %s";
