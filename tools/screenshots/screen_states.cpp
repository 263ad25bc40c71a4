// screen_states.cpp - the list of screen states: every page and editor of the program, its
// panels and its dialogs, with the steps a user takes to each.
#include "tools/screenshots/screen_states.h"

namespace {

using States = std::vector<ScreenState>;

// The vehicle editor's twelve pages, each opened by its tab (a page opened replaces the one
// open), for a session whose vehicle is loaded or new.
void AddEditorPages(States& out, const std::string& session, const std::string& prefix) {
  static const char* const PAGES[12][2] = {
      {"class", "Vehicle Class"},     {"transmission", "Transmission / Audio"},
      {"wheel_object", "Wheel Object"}, {"suspension", "Suspension"},
      {"allow", "Allow"},             {"light_colours", "Light Colours"},
      {"steering", "Steering"},       {"object_positions", "Object Positions"},
      {"mass", "Mass"},               {"aerodynamics", "Aerodynamics"},
      {"configurations", "Configurations"}, {"textures", "Textures"},
  };
  for (const auto& page : PAGES) out.push_back({session, prefix + page[0], std::string("click ") + page[1]});
}

// A new vehicle of one layout: the page of its first figures over the editor, then the
// editor's pages.
void AddNewVehicle(States& out, const std::string& layout, const std::string& prefix) {
  const std::string session = "new " + prefix;
  // The vehicle is built on the frame after the choice.
  out.push_back({session, "new_" + prefix + "_setup", "click vehicle editor; click NEW; click " + layout + "; wait 20"});
  out.push_back({session, "new_" + prefix + "_editor", "click OK"});
  AddEditorPages(out, session, "new_" + prefix + "_");
}

States MakeStates() {
  States s = {
      // ---- The first run ----
      {"first run", "welcome", ""},
      {"first run", "agreement", "click next"},

      // ---- The entry page and the credits ----
      {"entry", "entry", ""},
      {"entry", "credits", "click exit"},

      // ---- The garage with the information panel's tabs ----
      {"garage", "garage", "click garage"},
      {"garage", "garage_colours", "click Colours"},
      {"garage", "garage_brakes", "click Brakes / TC"},
      {"garage", "garage_suspension", "click Suspension"},
      {"garage", "garage_steering", "click Steering"},
      {"garage", "garage_final_drive", "click Final Drive"},
      {"garage", "garage_tyres", "click Tyres"},
      {"garage", "garage_downforce", "click Downforce"},
      {"garage", "garage_passengers", "click Passengers"},

      // ---- The vehicle editor with the sample car ----
      {"vehicle sample", "vehicle_editor_empty", "click vehicle editor"},
      {"vehicle sample", "dialog_file_chooser", "click LOAD"},
      {"vehicle sample", "vehicle_editor_sample", "type Runabout"},
  };
  AddEditorPages(s, "vehicle sample", "sample_");
  const States more = {
      {"vehicle sample", "sample_info_panel", "click Textures"},
      {"vehicle sample", "sample_messages",
       "message Could not load vehicle : Corrupted file HHalf; message Repaired triangle point mirroring"},
      // The lines of the state before are in the history now.
      {"vehicle sample", "sample_message_history", "message Could not write file : data/veh/Runabout.veh; click H"},
      {"vehicle sample", "sample_status_line", "click H; /press D"},
      {"vehicle sample", "sample_frame_tools", "/press S; click frame"},
      {"vehicle sample", "sample_mod_check", "/press S; click CHECK if vehicle is valid for mod export"},
      {"vehicle sample", "options", "/shift O"},
      {"vehicle sample", "dialog_question", "click back; click Vehicle Class; click touring car"},
      {"vehicle sample", "dialog_option_list", "/press N; click Vehicle Class; /ctrl N"},
      {"vehicle sample", "sample_load_failure",
       "/press ESCAPE; file data/veh/Broken.veh QXVEHI; click LOAD; type Broken"},
      {"vehicle sample", "engine_editor", "click edit engine"},
      {"vehicle sample", "rim_editor", "/press ESCAPE; click Wheel Object; wheel FRONT 20; click edit rim"},
      {"vehicle sample", "dashboard_editor", "/press ESCAPE; click Textures; click EDIT"},
      {"vehicle sample", "animation_editor", "/press ESCAPE; click Textures; click Animate"},
  };
  s.insert(s.end(), more.begin(), more.end());

  // ---- A new vehicle of each layout ----
  AddNewVehicle(s, "Car (4 Wheels)", "car");
  AddNewVehicle(s, "Three Wheeler", "three_wheeler");
  AddNewVehicle(s, "Trike", "trike");
  AddNewVehicle(s, "Bike (experimental)", "bike");
  AddNewVehicle(s, "Kart", "kart");
  AddNewVehicle(s, "Object", "object");

  // ---- The modeller with the sample model ----
  const States modeller = {
      {"modeller", "object_editor_empty", "click object editor"},
      {"modeller", "modeller_subobject", "/ctrl O; type sample_car"},
      {"modeller", "modeller_triangle", "/shift T"},
      {"modeller", "modeller_triangle_selected", "/press A"},
      {"modeller", "modeller_point", "/shift P"},
      {"modeller", "modeller_point_selected", "/press A"},
      {"modeller", "modeller_extrusion", "click extrude"},
      {"modeller", "modeller_build", "/press ESCAPE; /shift B"},
      {"modeller", "modeller_view", "/shift V"},
      {"modeller", "texture_mapping", "/shift M"},
      {"modeller", "cutouts", "/shift C; click body"},
      {"modeller", "cutouts_large", "click L"},
      {"modeller", "texture_pages", "/shift G"},
      {"modeller", "modeller_status_line", "/shift T; /press A; /ctrl F"},
      {"modeller", "dialog_typed_value", "/shift S; click 30 m"},
      {"modeller", "dialog_exit_question", "click cancel; /press ESCAPE"},
  };
  s.insert(s.end(), modeller.begin(), modeller.end());
  return s;
}

}  // namespace

const std::vector<ScreenState> ScreenStates = MakeStates();
