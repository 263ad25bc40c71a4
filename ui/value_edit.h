// value_edit.h - edits through value buttons and value controls: the undo point every edit
// records in the history of its edit domain, the typed entry of a value in its shown unit,
// the edit of a text field, and the geometry of the five-segment bar.
//
// Sections: [Edit hooks] [Edit names] [Typed entry] [Text fields] [Segment bar]
//
// Edit domains (EditDomain, ui/interface.h): 0 none, 2 the vehicle editor's history, 3 the
// modeller's, 4 the texture-mapping tool's (the modeller's, after the mapping panel forgets
// its selection).  Main thread only; one typed entry and one text-field edit at a time.
#pragma once
#include <cstdint>

#include "ui/interface.h"

// ---- [Edit hooks] ----
// The editors above the interface install these (the interface only calls them); null
// records nothing.
// Records an edit through an interface control of edit domain 2 in the vehicle editor's
// undo history: its name, kind (1 set a float, 2 adjust a colour, 3 set an integer, 4 switch
// a flag), the edited variable and a bit mask; an edit with the same kind, variable and mask
// as the latest one merges into it.  STAND-IN: null until the vehicle editor's history exists.
extern void (*RecordEditMerging)(const char* name, int kind, void* variable, uint32_t mask);

// An edit of the modeller (and of an interface control of edit domain 3 or 4) is recorded
// in its undo history under its name, a kind and two items (an interface control passes its
// kind, 1 set a float, 2 adjust a colour, 3 set an integer, 4 switch a flag, the edited
// variable's address and a bit mask); a repeat of the latest edit with the same kind and
// items merges into it, kind 0 never merges.  The modeller installs it (modeller_undo.h);
// null records nothing.
extern void (*AddUndoPoint)(const char* name, int kind, uintptr_t itemA, uintptr_t itemB);
// Rebuilds the display of the modeller's edited object after an edit (screen: the modeller or
// a sub-screen of it): a flag toggle of AddLabelledFlag16 calls it.  The modeller installs its
// RefreshEditedMesh; null does nothing.
extern void (*EditedMeshChanged)(Prss* screen);

// The mapping panel's selected mapping (-1 none), and its request to be drawn again; an edit
// through a control of edit domain 4 clears the one and sets the other.
extern int MappingPanelSelection;
extern int MappingPanelRedraw;

// ---- [Edit names] ----
constexpr int EDIT_DOMAIN_NONE = 0;
constexpr int EDIT_DOMAIN_VEHICLE = 2;
constexpr int EDIT_DOMAIN_MODELLER = 3;
constexpr int EDIT_DOMAIN_MAPPING = 4;
// The kinds an edit is recorded with; the histories merge repeats of one kind on one variable.
constexpr int EDIT_KIND_SET_FLOAT = 1;
constexpr int EDIT_KIND_ADJUST_COLOUR = 2;
constexpr int EDIT_KIND_SET_INTEGER = 3;
constexpr int EDIT_KIND_SWITCH_FLAG = 4;
constexpr int ACTION_HINT_SIZE = 64;

// Writes the verb, a blank and the label in lower case (A..Z only), leaving out each "%"
// conversion up to and with its following blank, stopping at the first "(" or "^", without
// trailing blanks and colons; "unknown" for a null label or one that leaves nothing.  Cut
// to outSize.
void BuildActionHint(char* out, int outSize, const char* verb, const char* label);
// Records the undo point in the domain's history; domains other than 2, 3 and 4 record nothing.
void ShowActionHint(int domain, const char* name, int kind, void* variable, uint32_t mask);
// The mouse dispatch's entry: names the edit by its kind ("set <label>", "adjust colour",
// "switch <label>") and records it; nothing for domain 0.
void RecordControlEdit(int domain, int kind, const char* label, void* variable, uint32_t mask = 0);

// ---- [Typed entry] ----
constexpr int TYPED_ENTRY_LENGTH = 16;
// Float button styles and float value types, the mapped byte (a byte shown over a float
// range) and the 16-bit value (a word, mapped over the float range when mapped is set).
struct TypedEntryRequest {
  Prss* owner;
  void* variable;
  int typeOrStyle;
  float minimum, maximum;         // in the stored unit
  float step;                     // snapping of floats; 0 none
  const char* label;              // printf label, or null
  const char* name;               // the row the edit is named after; null: the label
  int editDomain;
  int byteMinimum, byteMaximum;   // mapped byte
  int mapped;                     // 16-bit value
  InterfaceHandler callback;      // (owner, 0, 0) after the value was stored
};
extern TypedEntryRequest TypedEntry;  // the one open; variable null when none
// Asks for the value through the text entry ("Enter new value for %s" with the label and
// the value shown, 16 characters, the value's digits as the initial text).  1 when opened.
int OpenTypedEntry(const TypedEntryRequest& request);
// The confirming callbacks, by what was edited: an empty text does nothing; a value outside
// the limits, or not finite, is refused with a message box; else the undo point, the
// stored value and the change callback.
void CommitTypedButtonFloat(Prss* owner, const char* text, uint32_t style);
void CommitTypedValueFloat(Prss* owner, const char* text, uint32_t type);
void CommitTypedMappedByte(Prss* owner, const char* text, uint32_t type);
void CommitTypedMappedWord(Prss* owner, const char* text, uint32_t type);
// A closing screen's typed entry and text-field edit are forgotten.
void ForgetValueEditOwner(const Prss* owner);

// ---- [Text fields] ----
// Opens the text entry over owner (when it has no sub-screen) with the prompt and the
// buffer's text; a confirmed text is copied into the buffer (bufferSize bytes with the zero)
// and callback runs with (owner, 0, 0).  1 when opened; 0 for a buffer of fewer than 2 bytes.
int EditTextField(Prss* owner, char* buffer, int bufferSize, const char* prompt, int entryType,
                  InterfaceHandler callback);
void LabelEditCallback(Prss* owner, const char* text, uint32_t word);

// ---- [Segment bar] ----
// VALUE_TYPE_SEGMENT_BAR: five segments in a row, centred in the control.
constexpr int SEGMENT_BAR_SEGMENTS = 5;
struct SegmentBarGeometry {
  float left;           // of the first segment
  float segmentWidth, segmentHeight;
  float textRowHeight;
};
SegmentBarGeometry ValueControlBarGeometry(const ValueControl& control);
// The segment at x: round((x - left) / segment width - 0.499999); -1 without a width.
int SegmentAt(const SegmentBarGeometry& bar, float x);
