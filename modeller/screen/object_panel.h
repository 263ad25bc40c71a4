// object_panel.h - what shows the model's structure and leads to its parts: the mapping list
// with the chain of the current mapping (mapping, cutout, page) and its cutout's material, the
// subobject list of the subobject panel, and the subobject labels in the 3D view.
//
// Sections: [Mapping list] [Subobjects] [Texts]
//
// The object panel's file rows (skin, OBJ, load and save) are modeller_files.h's
// AddObjectPanel, which shows the mapping list first.  Main thread only.
#pragma once
#include <cstdint>

#include "model/model_object.h"
#include "modeller/state/modeller_state.h"
#include "text/text_colours.h"

// ---- [Mapping list] ----
// At the row cursor (its x the list's left edge), when its lower rows fit above the object
// panel: as many mapping entries (four rows each: the name, lit when current, with its
// triangle count, over the colour's sliders) as fit, from the list's scroll position lowered
// so the entries end at the last mapping; the count with "clean", "del" for an unused
// current mapping and "dup"; the scroll bar; then the current mapping, its cutout and page
// with their view buttons, and the cutout's material.  A current mapping out of range
// becomes 0 first.
void AddMappingList(ModellerScreen& screen);
// The chain's view buttons: the current mapping in mapping mode, its cutout (alone marked
// selected) in cutout mode, the cutout's page in page mode.
void ViewMapping(void* owner, int clickCode, uintptr_t word);
void ViewCutout(void* owner, int clickCode, uintptr_t word);
void ViewPage(void* owner, int clickCode, uintptr_t word);
// A press on the material buttons of cutout (word): the material dialog over the modeller;
// its yes records "set material" and gives the cutout the edited material.
void CutoutMaterialAction(void* owner, int clickCode, uintptr_t cutout);

// ---- [Subobjects] ----
extern const char SUBOBJECT_LETTERS[];  // "MBSATMRFUCOHC", one letter per subobject type
// The label colour kind of each type (ui/screen_labels.h: 1 red .. 5 light orange); the
// edited object's labels take EDITED_LABEL_KIND.
extern const uint8_t SUBOBJECT_LABEL_KINDS[SUBOBJECT_TYPE_COUNT];
constexpr uint8_t EDITED_LABEL_KIND = 2;
ColourWord* LabelKindColour(int kind);
// The subobject panel's object list at the row cursor: the main object and every subobject
// in tree order, a row each (type letter, name, triangle mark), scrolled to keep the edited
// object shown when they do not all fit.
void AddSubobjectList(ModellerScreen& screen);
// A label at the origin of each subobject of object, recursively (a subobject's own only
// while "show subobs" is on or it is the edited object); none for a spoke object, while Shift
// or Ctrl is held, or with "show subobs" off while the main object is edited.
void AddSubobjectLabels(ModellerScreen& screen, ModelObject& object);
// A right click on the edited subobject asks for its new name (19 characters, "rename
// subobject"); any other click makes object the edited object.
void SubobjectLabelAction(ModellerScreen& screen, int clickCode, ModelObject* object);

// ---- [Texts] ----
constexpr const char* TEXT_RENAME_SUBOBJECT = "Enter new name for subobject";
constexpr const char* TEXT_NO_SKIN = "[no skin specified]";
constexpr int SUBOBJECT_NAME_LENGTH = 19;
