// skins.cpp - the skins of the vehicle's colour records chosen and removed, and the export of
// the textures its model and spoke object use.  The skin name is the first 16 bytes of each
// colour record; empty means no skin.
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "modeller/editor/edit_views.h"
#include "physics/car.h"
#include "ui/dialogs.h"
#include "ui/list_chooser.h"
#include "vehicle/car_skins.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {
constexpr const char* SKIN_FILE_PATTERN = "data\\skins\\%s_*.jpg";
constexpr const char* const SKIN_MODEL_TEXTS[3] = {"", "The model has a 'skin' texture page",
                                                   "A subobject has a 'skin' texture page"};
constexpr const char* const SKIN_HOLDERS[3] = {"", "the model", "a subobject"};
constexpr const char* const REMOVE_CHOICES[2] = {"Remove the selected skin", "Remove all skins"};
constexpr int SKIN_CHOOSER_NAME_LENGTH = 48;
constexpr int EXPORT_DDS = 1;

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }
VehicleEditor& EditorOf(Prss* owner) { return *reinterpret_cast<VehicleEditor*>(owner); }

// 1 the car's model has a skin mapping itself, 2 a subobject has one, 0 none (or no model).
int SkinMappingHolder(const Car& car) { return car.model ? car.model->HasTypeOneMapping() : 0; }

void SkinChosen(Prss* parent, const char* name, int) { VehicleEditor::SetSkinName(EditorOf(parent), name); }
void RemoveAllAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::RemoveSkins(EditorOf(owner), -1); }
void RemoveChosen(Prss* owner, uint32_t, int choice) { VehicleEditor::RemoveSkinChoice(EditorOf(owner), choice); }
void ExportPngAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::ExportTextures(owner, 0, 2); }
void ExportDdsAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::ExportTextures(owner, 0, 3); }

// The selected colour record goes to the car's current one, and the model is painted again on
// the next frame.
void ColoursChanged(VehicleEditor& e) {
  Car& car = *e.car;
  if (car.colourIndex >= 0 && car.colourIndex < car.colourConfigCount) car.currentColours = car.colourConfigs[car.colourIndex];
  e.rebuildModelCountdown = 1;
}
}  // namespace

void VehicleEditor::SkinAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || e.prss.sub) return;
  Car& car = *e.car;
  if (word == 0) {
    char pattern[64];
    std::snprintf(pattern, sizeof pattern, SKIN_FILE_PATTERN, car.shortName);
    ListChooser* chooser =
        StartListChooser(&e.prss, SkinChosen, "Select skin", pattern, SKIN_CHOOSER_NAME_LENGTH, nullptr, 0, nullptr);
    if (chooser) Prss_AddSub(&e.prss, &chooser->prss);
    return;
  }
  if (car.colourConfigCount <= 0) return;
  if (car.colourConfigCount == 1) {
    ReportQuestion(&e.prss, RemoveAllAnswered, "Remove default skin?", SKIN_MODEL_TEXTS[SkinMappingHolder(car)], 0, 0,
                   0);
    return;
  }
  AskSelect(&e.prss, RemoveChosen, "Select option", nullptr, REMOVE_CHOICES, 2, 0, -1);
}

void VehicleEditor::RemoveSkinChoice(VehicleEditor& e, int choice) {
  if (!e.car) return;
  if (choice == 0) RemoveSkins(e, e.car->colourIndex);
  if (choice == 1) RemoveSkins(e, -1);
}

void VehicleEditor::RemoveSkins(VehicleEditor& e, int index) {
  if (!e.car) return;
  Car& car = *e.car;
  const bool all = index < 0 || index >= car.colourConfigCount;
  RecordEdit(all ? "remove skins" : "remove skin");
  int removed = 0;
  for (int i = all ? 0 : index; i < (all ? car.colourConfigCount : index + 1); ++i) {
    char* name = car.colourConfigs[i].name;
    if (name[0]) ++removed;
    std::memset(name, 0, sizeof car.colourConfigs[i].name);
  }
  ColoursChanged(e);
  if (const int holder = SkinMappingHolder(car)) {
    char text[128];
    std::snprintf(text, sizeof text, "Removed skin%s but %s contains a texture page of type 'skin'",
                  removed > 1 ? "s" : "", SKIN_HOLDERS[holder]);
    ReportBox(&e.prss, text);
  }
}

void VehicleEditor::SetSkinName(VehicleEditor& e, const char* name) {
  if (!e.car || !name) return;
  Car& car = *e.car;
  SkinName parsed{};
  if (!ParseSkinName(parsed, name)) return;
  // The colour record holds 15 characters: a longer skin would name another file.
  if (std::strlen(parsed.skin) >= sizeof car.currentColours.name) {
    ReportBox(&e.prss, "Skin name is too long (15 characters at most) :", parsed.skin);
    return;
  }
  RecordEdit("set skin name");
  std::memset(car.currentColours.name, 0, sizeof car.currentColours.name);
  std::memcpy(car.currentColours.name, parsed.skin, std::strlen(parsed.skin));
  e.rebuildModelCountdown = 1;
  if (car.colourIndex >= 0 && car.colourIndex < car.colourConfigCount) car.colourConfigs[car.colourIndex] = car.currentColours;
  if (!SkinMappingHolder(car)) {
    char text[128];
    std::snprintf(text, sizeof text, "Skin name set to %s but the model does not have a 'skin' texture page",
                  parsed.skin);
    ReportLine(text, REPORT_WARNING);
  }
}

void VehicleEditor::ExportTextures(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  if (word == 0 || word == 1) {
    if (word == EXPORT_DDS && !CheckTexturesReady(&e.prss)) return;
    if (e.prss.sub) return;
    if (word == EXPORT_DDS)
      ReportQuestion(&e.prss, ExportDdsAnswered, "Export DDS files?", "Files will be saved to dds_export folder", 0, 0, 0);
    else
      ReportQuestion(&e.prss, ExportPngAnswered, "Export PNG files?", "Files will be saved to png_export folder", 0, 0, 0);
    return;
  }
  if ((word == 2 || word == 3) && EditorShellHooks.exportTextures)
    EditorShellHooks.exportTextures(&e.prss, e.car->model, &e.car->spoke, int(word - 2));
}
