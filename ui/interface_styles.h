// interface_styles.h - the button styles and the value controls' display types by name.
//
// A button's style chooses how DrawButtons draws it and what a press on it does before its
// handler runs (ui/interface_mouse.cpp); a value control's display type chooses its text
// (ui/value_control_text.cpp), its panel (ui/interface_draw.cpp) and its press and release
// actions.  The numbers are stored in the tables' byte fields and never change; the gaps in
// the style numbers are numbers no button uses.  "Text field", "third" and "fourth" are the
// button's fields, "minimum", "maximum" and "label" the value control's (ui/interface.h).
//
// Layer: ui/, the interface (tools/layers.txt).
#pragma once

// ---- Button styles ----
enum ButtonStyle : int {
  BUTTON_STYLE_PLAIN = 0,          // no text, no action; at zero width a layer break of the drawing
  BUTTON_STYLE_COLOUR_SQUARE = 1,  // a square in the packed colour of third (a colour point)
  BUTTON_STYLE_TEXT = 2,           // its text, centred
  BUTTON_STYLE_LABEL = 3,          // its text at the left
  BUTTON_STYLE_SYMBOL = 4,         // the glyph codes of its text field (GlyphCodes)
  // A colour swatch over three colour bytes: Ctrl + right copies, Shift + right pastes and
  // calls the function in third; its text wrapped into two lines, or one and "UNUSED".
  BUTTON_STYLE_SWATCH = 5,
  BUTTON_STYLE_SWATCH_UNUSED = 6,
  BUTTON_STYLE_NUMBER = 7,          // "%d" of its text field
  BUTTON_STYLE_HEX_BYTE = 8,        // "%02X" of its text field
  BUTTON_STYLE_HEX = 9,             // "%08X" of its text field
  // The kinds of AddLabelledValueButton, whose numbers are also its step hints' kinds
  // (STEP_HINT_ANGLE .. STEP_HINT_DISTANCE, ui/value_steps.h).
  BUTTON_STYLE_ANGLE16 = 10,        // a 16-bit angle in degrees, "%.2f°"
  BUTTON_STYLE_LENGTH16 = 11,       // a 16.16 length in metres, "%.3f m"
  BUTTON_STYLE_SCALE = 12,          // no text of its own
  BUTTON_STYLE_DISTANCE16 = 13,     // the whole metres of a 16.16 length, "%d m"
  BUTTON_STYLE_RADIO = 14,          // an item of a radio column: sets the index third points at
  BUTTON_STYLE_NUMBER_TEXT = 15,    // "%d" of its text field followed by the text in third
  // Float values bound through the word: drag, typed entry, copy and paste; the fourth field
  // is the label with its format, the text field and third the limits.
  BUTTON_STYLE_FLOAT = 16,
  BUTTON_STYLE_FLOAT_DEGREES = 17,      // radians shown in degrees
  BUTTON_STYLE_FLOAT_RPM = 18,          // radians per second shown in rpm
  BUTTON_STYLE_FLOAT_THOUSANDTHS = 19,  // shown divided by 1000
  // Byte sliders (a drag over the span in fourth): a value, or one colour channel.
  BUTTON_STYLE_BYTE_SLIDER = 20,
  BUTTON_STYLE_RED_SLIDER = 21,
  BUTTON_STYLE_GREEN_SLIDER = 22,
  BUTTON_STYLE_BLUE_SLIDER = 23,
  BUTTON_STYLE_COLOUR_TRIPLE = 24,  // a slider of the brightness of three colour bytes
  BUTTON_STYLE_SCROLL_KNOB = 25,    // a list scroll bar's knob
  // Step buttons drawn as arrows (the byte slider's, a colour byte's, a grey level's).
  BUTTON_STYLE_BYTE_STEP_PLUS = 26,
  BUTTON_STYLE_BYTE_STEP_MINUS = 27,
  BUTTON_STYLE_COLOUR_PLUS = 28,
  BUTTON_STYLE_COLOUR_MINUS = 29,
  BUTTON_STYLE_GREY_PLUS = 30,      // the first colour byte stepped, written to all three
  BUTTON_STYLE_GREY_MINUS = 31,
  BUTTON_STYLE_BRIGHTER = 32,
  BUTTON_STYLE_DARKER = 33,
  BUTTON_STYLE_FLOAT_PLUS = 34,     // by the step in the text field, up to the limit in third
  BUTTON_STYLE_FLOAT_MINUS = 35,
  BUTTON_STYLE_ANGLE_PLUS = 36,     // adds the angle in fourth, wrapped into -pi..pi; shows its text
  // Displays of a number in the text field through the format in third: centred, at the
  // left, at the right.
  BUTTON_STYLE_FLOAT_FORMAT = 37,
  BUTTON_STYLE_FLOAT_FORMAT_LEFT = 38,
  BUTTON_STYLE_FLOAT_FORMAT_RIGHT = 39,
  BUTTON_STYLE_INT_FORMAT = 40,
  BUTTON_STYLE_INT_FORMAT_LEFT = 41,
  BUTTON_STYLE_INT_FORMAT_RIGHT = 42,
  // "+" and "-" over the variable the word points at, clamped to [text field, third].
  BUTTON_STYLE_INT_PLUS = 43,       // signed 32-bit
  BUTTON_STYLE_INT_MINUS = 44,
  BUTTON_STYLE_BYTE_PLUS = 45,
  BUTTON_STYLE_BYTE_MINUS = 46,
  BUTTON_STYLE_SIGNED_BYTE_PLUS = 47,
  BUTTON_STYLE_SIGNED_BYTE_MINUS = 48,
  BUTTON_STYLE_WORD_PLUS = 49,      // 16-bit
  BUTTON_STYLE_WORD_MINUS = 50,
  BUTTON_STYLE_INTEGER_DISPLAY = 51,  // the word as an integer through the format in fourth
  // Toggles of the mask in third in the flags the word points at: one named by its text and
  // lit while set (32 bits), and "NO"/"YES" toggles of 32, 16 and 8 bits.
  BUTTON_STYLE_NAMED_FLAG = 52,
  BUTTON_STYLE_FLAG32 = 53,
  BUTTON_STYLE_FLAG16 = 54,
  BUTTON_STYLE_FLAG8 = 55,
  // A label of a point of the scene: its text centred at the halo label size in the colour
  // word's colour, with no face, ringed by a halo of black or white (whichever stands further
  // from the text) so that it reads over whatever lies behind; framed while lit.  Recorded as
  // a marker: it follows its point.
  BUTTON_STYLE_HALO_TEXT = 56,
};

// ---- Value-control display types ----
enum DisplayType : int {
  VALUE_TYPE_TEXT = 0,              // the text in minimum, aligned by the label field
  VALUE_TYPE_LARGE_TEXT = 1,        // the text at one and a half times the size
  VALUE_TYPE_GLYPH = 2,             // one glyph (code in minimum) on a swatch of its colour
  VALUE_TYPE_DARK_TEXT = 3,         // the text in the dark text colour on a panel of its colour
  VALUE_TYPE_BUTTON = 4,            // the text on a button panel (dialog buttons)
  VALUE_TYPE_NARROW_TEXT = 5,       // the text, kept clear of the right end
  VALUE_TYPE_HINT = 6,              // the hint of the button under the pointer
  VALUE_TYPE_BIG_PANEL = 7,         // the text on a big panel
  VALUE_TYPE_TEXT_BLOCK = 8,        // the text in as many rows as the label field says
  VALUE_TYPE_FADE_TEXT = 9,         // the text at the right on a panel fading out to the left
  VALUE_TYPE_TITLE = 10,            // a screen title on its tab
  // A text buffer edited through the text-entry dialog on release: free text, a password
  // (shown masked), single-byte text.
  VALUE_TYPE_EDIT_TEXT = 11,
  VALUE_TYPE_EDIT_PASSWORD = 12,
  VALUE_TYPE_EDIT_SINGLE_BYTE = 13,
  VALUE_TYPE_TEXT_LINE = 14,        // the text with the cursor at maximum (no panel)
  VALUE_TYPE_LABEL = 15,            // a label (big panel only behind a picture)
  // Items of a list or tab row, darkened while pressed: no panel when the label field holds
  // 0, a button panel for 1, a big panel otherwise.
  VALUE_TYPE_ITEM = 16,
  VALUE_TYPE_ITEM_B = 17,
  VALUE_TYPE_ITEM_C = 18,
  // Labels showing the number held in the variable field (HeldFloat, HeldInt) through the
  // label's format: a float, a float / 1000, radians in degrees.
  VALUE_TYPE_HELD_FLOAT = 19,
  VALUE_TYPE_HELD_THOUSANDTHS = 20,
  VALUE_TYPE_HELD_DEGREES = 21,
  VALUE_TYPE_PASSWORD_LINE = 22,    // the text masked, with the cursor
  // Choices whose release calls the callback and then the function in the label field.
  VALUE_TYPE_TEXT_LIST = 23,        // the entry of the text list in minimum chosen by the variable
  VALUE_TYPE_YES_NO = 24,           // the first or second text of minimum as the mask in maximum is clear or set
  VALUE_TYPE_TEXT_SLOT = 25,        // the text the text slot in minimum points at
  VALUE_TYPE_HELP = 26,             // the help mark "?"
  // Float values: drag on the left button, typed entry on the right, copy and paste.
  VALUE_TYPE_FLOAT = 27,            // plain
  VALUE_TYPE_THOUSANDTHS = 28,      // shown divided by 1000
  VALUE_TYPE_ANGLE = 29,            // radians shown in degrees
  VALUE_TYPE_RATE = 30,             // radians per second shown in rpm
  VALUE_TYPE_EXPLICIT_STEP = 31,    // plain, with its step in the label field
  VALUE_TYPE_TYPED_FLOAT = 32,      // shows its value; typed entry on the left button too
  VALUE_TYPE_PRESS_ONLY = 33,       // the callback on the press; no text
  VALUE_TYPE_PRESS_CALLBACK = 34,   // the callback on the press, then a press; the short text in minimum
  VALUE_TYPE_COLOUR_BYTE = 35,      // a colour byte's slider
  VALUE_TYPE_COLOUR_TRIPLE = 36,    // the brightness slider of three colour bytes
  VALUE_TYPE_MAPPED_BYTE = 37,      // a byte in [byteMinimum, byteMaximum] shown as [minimum, maximum]
  VALUE_TYPE_WORD = 38,             // a 16-bit value's slider
  VALUE_TYPE_SCROLL = 39,           // a vertical scroll bar over a signed 32-bit position
  // Step arrows whose release steps the variable towards the limit in the label field.
  VALUE_TYPE_BYTE_PLUS = 40,
  VALUE_TYPE_BYTE_MINUS = 41,
  VALUE_TYPE_WORD_PLUS = 42,
  VALUE_TYPE_WORD_MINUS = 43,
  VALUE_TYPE_FLOAT_PLUS = 44,       // by the step in maximum
  VALUE_TYPE_FLOAT_MINUS = 45,
  VALUE_TYPE_SCROLL_UP = 46,        // a scroll position -1, not below 0
  VALUE_TYPE_SCROLL_DOWN = 47,      // a scroll position +1
  VALUE_TYPE_WHEEL = 48,            // a list's wheel area
  VALUE_TYPE_INT_VALUE = 49,        // the signed 32-bit variable through the label's format
  VALUE_TYPE_FLOAT_VALUE = 50,      // the float variable through the label's format
  VALUE_TYPE_COLOUR_QUAD = 51,      // a plain quad in the vertex colour of its colour word
  VALUE_TYPE_COLOUR_SWATCH = 52,    // three colour bytes: their values on a swatch of them
  VALUE_TYPE_SELECTABLE = 53,       // the text, selected while maximum is not 0, on a half-clear panel
  VALUE_TYPE_HELD_INT = 54,         // a label showing the integer held in the variable field
  VALUE_TYPE_HELD_CODED_NUMBER = 55,// the same as a coded number
  VALUE_TYPE_CHARACTER_ROW = 56,    // a row of character images
  VALUE_TYPE_CHARACTER_BITS = 57,   // the character images of the bits of minimum, on stripes
  VALUE_TYPE_SEGMENT_BAR = 58,      // five segments; a left click picks one
  VALUE_TYPE_EMPTY = 59,            // nothing drawn
  VALUE_TYPE_CHARACTER_CELL = 60,   // one character cell of the character set
  VALUE_TYPE_ICON = 61,             // an icon of the icon sheet
};
