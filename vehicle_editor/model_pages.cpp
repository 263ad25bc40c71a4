// model_pages.cpp - the vehicle editor's "Aerodynamics", "Configurations" and "Textures"
// pages: the four aerodynamic devices and the estimated top speed, the mesh configurations
// with their model layers, and the clocks, the texture export and the table of the model's
// materials by level of detail.
#include <cstdio>
#include <cstring>

#include "dashboard/dash_figures.h"
#include "physics/car.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "text/text_colours.h"
#include "ui/value_edit.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_editor/model_pages.h"
#include "vehicle_editor/settings_actions.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

constexpr int HALF = 8, SMALL = 2, LAYER_UNITS = 4, LAYERS_SHOWN = 16, LAYERS_PER_ROW = 4;
constexpr int WING_SETTING_MOST = 30;
constexpr float KMH_PER_MS = 3.6f, MPH_PER_MS = 2.237f;
constexpr uintptr_t CONFIG_DELETE = 0, CONFIG_ADD = 1;
constexpr uintptr_t EXPORT_PNG = 0, EXPORT_DDS = 1;
constexpr int TABLE_LEVELS = 3;

const char* const DEVICE_NAMES[AERO_ITEMS] = {"rear wing", "front wing", "undertray", "main body"};
constexpr uint8_t DEVICE_ROLES[AERO_ITEMS] = {SUBOBJECT_REAR_WING, SUBOBJECT_FRONT_WING, SUBOBJECT_UNDERTRAY,
                                              SUBOBJECT_AERO_CENTRE};
struct DeviceTexts {
  const char *lift, *liftHint, *drag, *dragHint, *sideHint;
};
const DeviceTexts WING_TEXTS = {"Max lift %.3f N @ 1 m/s", "Lift at maximum wing setting (at 1 m/s)",
                                "Max drag %.3f N @ 1 m/s", "Drag at maximum wing setting (at 1 m/s)",
                                "Drag when moving sideways (at 1 m/s)"};
const DeviceTexts DEVICE_TEXTS[AERO_ITEMS] = {
    WING_TEXTS,
    WING_TEXTS,
    {"Undertray lift %.3f N @ 1 m/s", "Undertray lift (at 1 m/s)", "Undertray drag %.3f N @ 1 m/s",
     "Undertray drag (at 1 m/s)", "Drag when moving sideways (at 1 m/s)"},
    {"Body lift %.3f N @ 1 m/s", "Body lift (at 1 m/s)", "Body drag %.3f N @ 1 m/s",
     "Body drag (around 0.4 for saloon car)", "Side drag (around 0.8 for saloon car)"},
};

int DeviceUsable(const Car& car, int device) {
  if (!car.model || !car.model->children) return 0;
  for (int i = 0; i < car.model->childCount; ++i)
    if (car.model->children[i].type == DEVICE_ROLES[device]) return 1;
  return 0;
}

void AddDevice(VehicleEditor& e, Car& car, int device) {
  PageRow();
  PageLabel(DEVICE_NAMES[device], HALF, nullptr);
  if (!AeroDeviceInUse(car, device)) {
    if (DeviceUsable(car, device)) {
      PageLabel("not used", SMALL, nullptr);
      PageChoice(e, "use", SMALL, uintptr_t(device), 0, VehicleEditor::UseAero, nullptr);
    } else {
      PageLabel("not usable", HALF, nullptr);
    }
    return;
  }
  if (device <= 1) {
    // The wing's setting range: "extra" beside the name, the lowest and highest below.
    uint8_t* angles = car.wingAngles[device];
    LayoutColumns = HALF;
    AddRowColourButton(&e.prss, "extra %d", 0, WING_SETTING_MOST, &angles[2], nullptr, PageValueChanged, nullptr);
    PageRow();
    AddRowColourButton(&e.prss, "min %d", 0, WING_SETTING_MOST, &angles[0], nullptr, nullptr, nullptr);
    AddRowColourButton(&e.prss, "max %d", 0, WING_SETTING_MOST, &angles[1], nullptr, nullptr, nullptr);
    LayoutColumns = PANEL_ROW_UNITS;
  } else {
    PageLabel("in use", SMALL, nullptr);
  }
  const DeviceTexts& t = DEVICE_TEXTS[device];
  PageRow();
  PageValue(e, t.lift, -2.0f, 2.0f, &car.aero[device][0], PageValueChanged, VALUE_PLAIN, t.liftHint);
  PageRow();
  PageValue(e, t.drag, 0.01f, 6.0f, &car.aero[device][1], PageValueChanged, VALUE_PLAIN, t.dragHint);
  PageRow();
  PageValue(e, "Side drag %.3f N @ 1 m/s", 0.01f, 12.0f, &car.aero[device][2], PageValueChanged, VALUE_PLAIN,
            t.sideHint);
}

// The name of a table entry's material: its texture's, "[no tex]" or "[plain]".
const char* MaterialName(const Material* material) {
  if (!material || !material->texture || !material->texture->name[0]) return "[no tex]";
  if (std::strcmp(material->texture->name, "PLAIN~W") == 0) return "[plain]";
  return material->texture->name;
}

void AddMeshParts(MaterialTable& table, const DrawMesh* mesh, int level) {
  if (!mesh || table.overflow) return;
  if (mesh->IsGouraud()) {
    const GouraudO3d& g = static_cast<const GouraudO3d&>(*mesh);
    for (int p = 0; p < g.partCount && !table.overflow; ++p) {
      const Material* key = g.parts[p].key;
      int k = 0;
      while (k < table.count && table.entries[k].material != key) ++k;
      if (k == table.count) {
        if (table.count == MATERIAL_TABLE_SIZE) {
          table.overflow = 1;
          return;
        }
        table.entries[table.count++] = MaterialEntry{key, {}};
      }
      table.entries[k].triangles[level] += g.parts[p].triangleCount;
    }
  }
  for (int i = 0; i < mesh->childCount; ++i) AddMeshParts(table, mesh->children[i], level);
}

void AddTableRow(const MaterialEntry& entry) {
  static char counts[MATERIAL_TABLE_SIZE][TABLE_LEVELS][12];
  static int next = 0;
  PageRow();
  PageLabel(MaterialName(entry.material), HALF, nullptr);
  PageLabel(entry.material && entry.material->params.shineType ? "sh" : "-", SMALL, nullptr);
  for (int level = 0; level < TABLE_LEVELS; ++level) {
    char* text = counts[next][level];
    if (entry.triangles[level])
      std::snprintf(text, sizeof counts[0][0], "%d", entry.triangles[level]);
    else
      std::snprintf(text, sizeof counts[0][0], "-");
    PageLabel(text, SMALL, nullptr);
  }
  next = (next + 1) % MATERIAL_TABLE_SIZE;
}

void AddMaterialTable(const Car& car) {
  if (car.model && car.model->lodCount > TABLE_LEVELS) {
    PageRow();
    AddRowButton(nullptr, PANEL_ROW_UNITS, 0, 0, &TextColours.error, "Error: car has more than 3 LOD", nullptr,
                 nullptr);
  }
  static MaterialTable table;
  FillMaterialTable(car, table);
  PageRow();
  if (table.overflow) {
    AddRowButton(nullptr, PANEL_ROW_UNITS, 0, 0, &TextColours.error, "TOO MANY MATERIALS", nullptr, nullptr);
  } else {
    PageNumber("ALL materials: %d", table.count, PANEL_ROW_UNITS, nullptr);
  }
  PageRow();
  // "S/M" spans the name and "sh" columns, so that each level's heading stands over its counts.
  PageHeading("S/M", HALF + SMALL, nullptr);
  PageHeading("L1", SMALL, nullptr);
  PageHeading("L2", SMALL, nullptr);
  PageHeading("L3", SMALL, nullptr);
  for (int k = 0; k < table.count; ++k) {
    const MaterialEntry& entry = table.entries[k];
    if (entry.triangles[0] || entry.triangles[1] || entry.triangles[2]) AddTableRow(entry);
  }
}

}  // namespace

int AeroDeviceInUse(const Car& car, int device) {
  return device >= 0 && device < AERO_ITEMS && (car.aero[device][0] != 0.0f || car.aero[device][1] != 0.0f);
}

void FillMaterialTable(const Car& car, MaterialTable& table) {
  table = MaterialTable{};
  const int levels = car.model ? std::min<int>(car.model->lodCount, TABLE_LEVELS) : 0;
  for (int level = 0; level < levels && level < CAR_LEVEL_MESHES; ++level)
    AddMeshParts(table, car.levelMeshes[level], level);
}

void VehicleEditor::BuildAerodynamicsPage(VehicleEditor& e) {
  Car& car = *e.car;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  for (int device = 0; device < AERO_ITEMS; ++device) AddDevice(e, car, device);
  if (car.options & OPT1_UNSPRUNG_WINGS) {
    PageRow();
    PageFlag(e, "Unsprung wings", OPT1_UNSPRUNG_WINGS, &car.options, PageValueChanged, nullptr);
  }
  EditDomain = EDIT_DOMAIN_NONE;
  PageRow();
  PageFloat("Estimated max speed %.0f m/s", car.topSpeed, 12, "Estimated maximum speed in metres per second");
  if (DashUnits.kmh)
    PageFloat("%.0f km/h", car.topSpeed * KMH_PER_MS, LAYER_UNITS, "Estimated max speed in km/h (click for mph)",
              nullptr, &e.prss, PROMPT_SPEED_UNIT, PromptAction);
  else
    PageFloat("%.0f mph", car.topSpeed * MPH_PER_MS, LAYER_UNITS, "Estimated max speed in mph (click for km/h)",
              nullptr, &e.prss, PROMPT_SPEED_UNIT, PromptAction);
}

void VehicleEditor::BuildConfigurationsPage(VehicleEditor& e) {
  Car& car = *e.car;
  const int count = std::min(car.configCount, VEHICLE_MAX_CONFIGS);
  static char countText[32];
  std::snprintf(countText, sizeof countText, "%d%s", count, count == 1 ? " mesh config" : " mesh configs");
  PageRow();
  PageLabel(countText, HALF, nullptr);
  PageChoice(e, "del", SMALL, CONFIG_DELETE, 0, ConfigAction, nullptr);
  PageChoice(e, "dup", SMALL, CONFIG_ADD, 0, ConfigAction, nullptr);
  const int setupChoice = car.currentSetup.bytes[SETUP_CONFIGURATION];
  const int current = setupChoice < car.configCount ? setupChoice : 0;
  static char names[VEHICLE_MAX_CONFIGS][CONFIG_NAME_SIZE + 1];
  uint32_t used = 0;
  for (int i = 0; i < count; ++i) {
    std::snprintf(names[i], sizeof names[i], "%.*s", CONFIG_NAME_SIZE, car.configs[i].name);
    used |= car.configs[i].layerMask;
    PageRow();
    PageChoice(e, names[i], PANEL_ROW_UNITS, uintptr_t(i), i == current, SelectConfig, nullptr);
  }
  if (count > 0) {
    static char layers[LAYERS_SHOWN][LAYER_NAME_SIZE + 1];
    const uint32_t mask = car.configs[current].layerMask;
    for (int k = 0; k < LAYERS_SHOWN; ++k) {
      if (k % LAYERS_PER_ROW == 0) PageRow();
      std::snprintf(layers[k], sizeof layers[k], "%.*s", LAYER_NAME_SIZE, car.model ? car.model->layerNames[k] : "");
      PageChoice(e, layers[k], LAYER_UNITS, uintptr_t(k), (mask >> k) & 1, SwitchLayer, nullptr);
    }
  }
  PageRow();
  if (used == 0xFFFFFFFFu) {
    PageLabel("all layers are in use", PANEL_ROW_UNITS, nullptr);
  } else {
    AddRowButton(&e.prss, PANEL_ROW_UNITS, used, 0, nullptr, "remove unused layers from model", RemoveUnusedLayers,
                 nullptr);
  }
}

void VehicleEditor::BuildTexturesPage(VehicleEditor& e) {
  Car& car = *e.car;
  PageRow();
  PageLabel("CLOCKS", 4, nullptr);
  const int dash = car.dashType < DASH_TYPE_COUNT ? car.dashType : 0;
  PageChoice(e, dash == 0 ? "[no clocks]" : DashPageNames[dash], HALF, CHOOSE_CLOCKS, 0, ChooseAction, nullptr);
  PageChoice(e, "EDIT", 4, CHOOSE_DASH_EDITOR, 0, ChooseAction, nullptr);
  PageRow();
  PageChoice(e, "export for DV", HALF, EXPORT_PNG, 0, ExportTextures, nullptr);
  PageChoice(e, "export for RLS", HALF, EXPORT_DDS, 0, ExportTextures, nullptr);
  PageRow();
  PageChoice(e, "calculate combined texture area", PANEL_ROW_UNITS, CHOOSE_TEXTURE_CHECK, 0, ChooseAction, nullptr);
  AddMaterialTable(car);
}
