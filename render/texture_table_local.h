// texture_table_local.h - what the texture table's files share: placeholders, messages and
// the table's own limits.  Tests may include it; other subsystems use texture_table.h.
#pragma once
#include <cstdint>

#include "core/report.h"
#include "render/texture_record.h"

// The record borrows the grey or white placeholder's objects in the given state; 0 when that
// placeholder does not exist.
int TakePlaceholder(ZKTETexture* record, int white, uint8_t state);
// A message line of the texture table, formatted (cut to a message line's length).
void TextureMessage(ReportColour colour, const char* format, ...) __attribute__((format(printf, 2, 3)));
void SetTextureErrorText(const char* text);
// Formats pathTemplate with the name (and a second name for "%s" number two); false when a
// name is not a plain file name or the path does not fit.
bool TexturePath(char* out, int outSize, const char* pathTemplate, const char* first, const char* second = nullptr);
