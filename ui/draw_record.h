// draw_record.h - what the interface drew in one frame, in drawing order: the rectangles of
// panels, buttons and backings and the extents of texts, in pixels, with their colours, and
// the parts of the picture that screens name (the car on show, its wheels, a panel).
//
// Sections: [Entries] [Recording] [Tags] [Texts waiting] [Areas]
//
// The interface's fill routines append a fill as they draw it, and every text queued into a
// text batch is appended when its batch is drawn, so the record's order is the order on
// screen: a later entry covers an earlier one where they meet.  The texts of the screens' own
// drawings on the screen (the suspension diagram, the rev counter, the screen labels) are in
// it too; texts drawn in 3D or into a texture (a dashboard, a clock) are parts of pictures and
// are not, nor are the screens' own lines and shapes.  The interface reads the record to give
// a text that would not stand out a backing (ui/contrast.h); the layout check reads it too,
// and switches DrawRecording on to have the texts, their coloured spans, the labels and the
// areas kept with it.  ClearInterface starts each frame's record.  Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ---- [Entries] ----
enum DrawRecordRole : uint8_t {
  RECORD_PANEL = 0,      // a value control's panel
  RECORD_BUTTON = 1,     // a pixel button's face
  RECORD_LABEL_BOX = 2,  // a screen label's box
  RECORD_FILL = 3,       // another plain fill: stripes, highlights, the value controls' fills
  RECORD_BACKING = 4,    // the backing of a message or status line, or a text's own strip
  RECORD_TEXT = 5,       // a text of a control, a button, a label or a screen
  RECORD_MESSAGE = 6,    // a message line's text (the history's too)
  RECORD_STATUS = 7,     // a status line's text
  RECORD_AREA = 8,       // a part of the picture named by what drew it (its label); nothing is drawn for it
};
inline bool IsRecordedText(int role) { return role >= RECORD_TEXT && role <= RECORD_STATUS; }

// A run of a text's glyphs in one colour on one line, in pixels: the glyphs' advances across,
// from the top of their cell to their lowest ink down.
struct DrawRecordSpan {
  uint32_t colour;  // 0xAARRGGBB as drawn
  float left, top, right, bottom;
  int glyphs;       // the glyphs it runs over (spaces draw none)
};

// Who drew an entry: a value control or a pixel button by its table index, or nothing.
enum DrawRecordOwnerKind : uint8_t { RECORD_OWNER_NONE = 0, RECORD_OWNER_CONTROL = 1, RECORD_OWNER_BUTTON = 2 };

struct DrawRecordEntry {
  uint8_t role;
  uint8_t ownerKind;
  uint8_t clickable;    // the owner takes presses (it has an owning screen)
  uint8_t marker;       // it follows a point of the 3D scene (a modeller's point button, a screen label): no row
  uint8_t inner;        // a part drawn inside a row (a scroll bar's knob in its trough, a slider's thumb)
  int32_t owner;        // the table index, -1 none
  float left, top, right, bottom;  // pixels, right and bottom outside
  // The owner's rectangle in pixels (its text must stay inside it); zero for none.
  float ownerLeft, ownerTop, ownerRight, ownerBottom;
  uint32_t colour;      // 0xAARRGGBB: a fill's colour and alpha, a text's ink
  // Texts: the height of their glyphs' cell in pixels (the largest), and how far the glyphs
  // are squeezed across (the narrowest: their width over their width unsqueezed, 1 for none).
  float glyphHeight;
  float squeeze;
  // Kept only while DrawRecording is on:
  std::string text;     // a text's characters (colour codes kept); empty for a fill
  std::string label;    // the owner's label (the text it shows), an area's name; empty without one
  std::vector<DrawRecordSpan> spans;  // a text's runs in one colour, in order
};

// ---- [Recording] ----
extern int DrawRecording;                    // 1: keep the texts and labels too
constexpr size_t DRAW_RECORD_MAX = 16384;    // entries past it are not kept
extern std::vector<DrawRecordEntry> DrawRecord;
// Starts a frame's record (ClearInterface): empties it; texts queued for this frame stay.
void StartFrameRecord();
// Empties the record and forgets the texts waiting in their batches (between tests).
void ResetDrawRecord();
// A fill in normalised screen units (x -1 left .. 1 right, y -1 top .. 1 bottom) or pixels,
// in the role of the current tag.
void RecordFillUnits(uint32_t colour, float x1, float y1, float x2, float y2);
void RecordFillPixels(uint32_t colour, float x1, float y1, float x2, float y2);

// ---- [Tags] ----
// What the texts and fills recorded next belong to, until the tag is set again.
struct DrawRecordTag {
  uint8_t role = RECORD_TEXT;      // of texts
  uint8_t fillRole = RECORD_FILL;  // of fills
  uint8_t ownerKind = RECORD_OWNER_NONE;
  uint8_t clickable = 0;
  uint8_t marker = 0;
  uint8_t inner = 0;
  int32_t owner = -1;
  float ownerLeft = 0, ownerTop = 0, ownerRight = 0, ownerBottom = 0;  // pixels
  std::string label;
};
extern DrawRecordTag DrawRecordCurrentTag;
// Tags for a value control (its rectangle in screen units) and for a pixel button.
// The label is kept while DrawRecording is on; callers may pass null otherwise.
void TagRecordForControl(int index, int clickable, float left, float top, float right, float bottom,
                         const char* label);
void TagRecordForButton(int index, int clickable, int left, int top, int right, int bottom, const char* label,
                        int marker = 0, int inner = 0);
// No owner: texts in textRole (messages, status lines, screens' own texts) and fills in
// fillRole (their backings, screen labels' boxes, plain fills); marker for the screen labels,
// which follow points of the scene.
void TagRecordFor(int textRole, int fillRole, int marker = 0);
// The text batches call these: a text queued into a batch (its items first .. end), and the
// batch drawn (units 1: normalised screen units, 0: pixels) or emptied unseen.  Texts queued
// into the 3D batch or while a texture other than the frame's own is the target are pictures'
// and are left out.
struct TextBatch;
void RecordQueuedText(const TextBatch& batch, size_t firstItem, const char* text, uint32_t colour);
void RecordDrawnBatch(const TextBatch& batch, int inScreenUnits);
void ForgetQueuedTexts(const TextBatch& batch);

// ---- [Texts waiting] ----
// The texts queued into a batch and not drawn yet, as the record will hold them (extents in
// pixels; units as RecordDrawnBatch takes them), blank ones left out; with items, the range
// of each one's items in the batch (first, end), in the same order.
struct TextItemRange {
  size_t first, end;
};
void WaitingTexts(const TextBatch& batch, int inScreenUnits, std::vector<DrawRecordEntry>& out,
                  std::vector<TextItemRange>* items = nullptr);

// ---- [Areas] ----
// While DrawRecording is on: the part of the picture a screen names, in pixels (the car on
// show, a wheel, the information panel, the cutouts screen's page view), so that the layout check can hold the interface
// clear of it.  An empty or inside-out box is left out.
void RecordArea(const char* name, float left, float top, float right, float bottom);
void RecordAreaUnits(const char* name, float left, float top, float right, float bottom);  // screen units
constexpr const char* AREA_CAR = "car";
constexpr const char* AREA_FRONT_WHEEL = "front wheel";
constexpr const char* AREA_INFO_PANEL = "information panel";
constexpr const char* AREA_WHEEL_FIGURE = "wheel figure";  // a wheel's tyre section in a flat diagram
constexpr const char* AREA_MODEL = "model";  // the object editor's model, its box as projected
constexpr const char* AREA_DIALOG = "dialog";  // a dialog's panel, its texts and buttons on it
constexpr const char* AREA_CUTOUT_FRAME = "cutout frame";  // the cutouts screen's page view, the region framed on it
