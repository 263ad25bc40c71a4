// screen_states.cpp - the list of screen states: every page and editor of the program, its
// panels and its dialogs, with the steps a user takes to each.
#include "tools/screenshots/screen_states.h"

#include "ui/draw_record.h"

namespace {

using States = std::vector<ScreenState>;

// The object editor's model kept framed in the room its panels leave.
const std::string MODEL_FRAMED = std::string(AREA_MODEL) + " framed";
// The vehicle editor's car kept framed in the room its panels leave.
const std::string CAR_FRAMED = std::string(AREA_CAR) + " framed";

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
// editor's pages; the editor keeping the new vehicle in sight where keep says so.
void AddNewVehicle(States& out, const std::string& layout, const std::string& prefix, const std::string& keep = {}) {
  const std::string session = "new " + prefix;
  // The vehicle is built on the frame after the choice.
  out.push_back({session, "new_" + prefix + "_setup", "click vehicle editor; click NEW; click " + layout + "; wait 20"});
  out.push_back({session, "new_" + prefix + "_editor", "click OK", keep});
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

      // ---- The garage with the information panel's tabs, the car on show beside it ----
      {"garage", "garage", "click garage", AREA_CAR},
      {"garage", "garage_colours", "click Colours", AREA_CAR},
      {"garage", "garage_brakes", "click Brakes / TC", AREA_CAR},
      {"garage", "garage_suspension", "click Suspension", AREA_CAR},
      {"garage", "garage_steering", "click Steering", AREA_CAR},
      {"garage", "garage_final_drive", "click Final Drive", AREA_CAR},
      {"garage", "garage_tyres", "click Tyres", AREA_CAR},
      {"garage", "garage_downforce", "click Downforce", AREA_CAR},
      {"garage", "garage_passengers", "click Passengers", AREA_CAR},

      // ---- The vehicle editor with the sample car ----
      {"vehicle sample", "vehicle_editor_empty", "click vehicle editor"},
      {"vehicle sample", "dialog_file_chooser", "click LOAD"},
      {"vehicle sample", "dialog_onscreen_keyboard", "click kb"},
      {"vehicle sample", "vehicle_editor_sample", "click kb; type Runabout", CAR_FRAMED},
      // The pointer resting on buttons whose hints are long: the hint line shows them whole.
      {"vehicle sample", "sample_hover_share", "hover export to SHARE vehicle for development"},
      {"vehicle sample", "sample_hover_check", "hover CHECK if vehicle is valid for mod export"},
      {"vehicle sample", "sample_hover_name", "hover Runabout"},
      {"vehicle sample", "sample_hover_light_colours", "hover Light Colours"},
      {"vehicle sample", "sample_hover_view", "hover P"},
  };
  AddEditorPages(s, "vehicle sample", "sample_");
  const States more = {
      {"vehicle sample", "sample_info_panel", "click Textures"},
      // The information panel over the 2D views: front, back, right, left, top and under.
      {"vehicle sample", "sample_view_front", "click f", CAR_FRAMED},
      {"vehicle sample", "sample_view_back", "click b"},
      {"vehicle sample", "sample_view_right", "click r"},
      {"vehicle sample", "sample_view_left", "click l"},
      {"vehicle sample", "sample_view_top", "click t"},
      {"vehicle sample", "sample_view_under", "click u"},
      {"vehicle sample", "sample_suspension_diagram", "click P; click Suspension; /shift L"},
      // The side views with the Suspension page: the front wheel its rows set stays in sight.
      {"vehicle sample", "sample_suspension_left", "/shift L; click l", AREA_FRONT_WHEEL},
      {"vehicle sample", "sample_suspension_right", "click r", AREA_FRONT_WHEEL},
      {"vehicle sample", "sample_messages",
       "click P; message Could not load vehicle : Corrupted file HHalf; message Repaired triangle point mirroring"},
      // The lines of the state before are in the history now.
      {"vehicle sample", "sample_message_history", "message Could not write file : data/veh/Runabout.veh; click H"},
      // Many lines, and lines longer than the window, whose reasons come at their ends.
      {"vehicle sample", "sample_long_messages",
       "click H; message Could not write file : data/veh/Runabout_with_its_longest_name_yet.veh : No space left on device; "
       "message Could not write file : data/veh/Runabout.veh : No space left on device; "
       "message Could not load vehicle : data/veh/Another_vehicle_with_a_name_of_many_words.veh : Corrupted file; "
       "message Repaired triangle point mirroring; message Could not write file : data/setups/Runabout/default.set; "
       "message Could not load engine : data/engine/Runabout.eng : Corrupted file; "
       "message Could not write file : data/skins/ZK1_blue.dds : Permission denied; "
       "message Could not load dashboard : data/misc/clock.dsh : Corrupted file"},
      {"vehicle sample", "sample_status_line", "/press D"},
      {"vehicle sample", "dialog_edit_points", "click | View the edit history to select an edit point"},
      {"vehicle sample", "sample_frame_tools", "/press ESCAPE; /press S; click frame"},
      {"vehicle sample", "sample_mod_check", "/press S; click CHECK if vehicle is valid for mod export"},
      {"vehicle sample", "options", "/shift O"},
      {"vehicle sample", "dialog_question", "click back; click Vehicle Class; click touring car"},
      {"vehicle sample", "dialog_option_list", "/press N; click Vehicle Class; /ctrl N"},
      // The save chooser over the loaded car, then a name longer than its line typed into it.
      {"vehicle sample", "sample_save_chooser", "/press ESCAPE; click SAVE"},
      {"vehicle sample", "sample_save_long_name", "enter RunaboutTouringSpecialEditionXL"},
      {"vehicle sample", "sample_load_failure",
       "click cancel; file data/veh/Broken.veh QXVEHI; click LOAD; type Broken"},
      {"vehicle sample", "engine_editor", "click edit engine"},
      {"vehicle sample", "rim_editor", "/press ESCAPE; click Wheel Object; wheel FRONT 20; click edit rim"},
      {"vehicle sample", "dashboard_editor", "/press ESCAPE; click Textures; click EDIT"},
      // The car and its driver on show, the bones' labels over them.
      {"vehicle sample", "animation_editor", "/press ESCAPE; click Textures; click Animate", AREA_CAR},
      // The longest name in the bottom row, with its unsaved mark (a step of the Mass page's last row).
      {"vehicle sample", "sample_long_name",
       "/press ESCAPE; click SAVE; type RunaboutTouringSpecialEditionXL; click Mass; click \x9B"},
      // The status line beside the information panel's Brakes tab (the Mass page closed).
      {"vehicle sample", "sample_info_brakes", "click Mass; click Brakes / TC; /press D"},
      {"vehicle sample", "model_editor", "click Edit"},
      // The frame's tools with the whole frame to move, then with a new point selected; the
      // rim editor's graph with a new point selected.
      {"vehicle sample", "sample_frame_move", "/press ESCAPE; /press S; click allow frame move"},
      {"vehicle sample", "sample_frame_point", "click new point"},
      {"vehicle sample", "rim_editor_point", "/press S; click Wheel Object; wheel FRONT 20; click edit rim; click new point"},
      // A Skin ID whose default skins are missing: the box's two lines (last: the car's skins change).
      {"vehicle sample", "sample_skin_id_box", "/press ESCAPE; click ZK1; type A1B2C3"},
      // The typed-value dialog over the loaded car (a right click on a slider).
      {"vehicle sample", "sample_typed_value", "/press ESCAPE; click Mass; rclick Fuel tank size *"},
      // A new vehicle over the loaded one: framed as a load is.
      {"vehicle sample", "sample_new_over_loaded",
       "click cancel; click Mass; /ctrl N; click Kart; wait 20; click OK", CAR_FRAMED},

      // ---- The spoke in the modeller, over the vehicle editor ----
      {"vehicle spoke", "spoke_editor",
       "click vehicle editor; click LOAD; type Runabout; click Wheel Object; wheel FRONT 20; click edit spoke"},
  };
  s.insert(s.end(), more.begin(), more.end());

  // ---- A new vehicle of each layout ----
  AddNewVehicle(s, "Car (4 Wheels)", "car", AREA_CAR);
  // The new vehicle's mass line, still shown in the editor over the information panel's Colours.
  s.push_back({"new car", "new_car_mass_line", "click Textures; /ctrl N; click Car (4 Wheels); wait 20; click OK; click Colours"});
  // A new GT saved and loaded again: the load frames it.
  s.push_back({"new car", "new_car_gt_reloaded",
               "/ctrl N; click Car (4 Wheels); wait 20; click saloon; click GT; click OK; click SAVE; type WizardGT; "
               "click LOAD; click WizardGT",
               CAR_FRAMED});
  AddNewVehicle(s, "Three Wheeler", "three_wheeler");
  AddNewVehicle(s, "Trike", "trike");
  AddNewVehicle(s, "Bike (experimental)", "bike", AREA_CAR);
  AddNewVehicle(s, "Kart", "kart");
  AddNewVehicle(s, "Object", "object");

  // ---- The modeller with the sample model ----
  const States modeller = {
      {"modeller", "object_editor_empty", "click object editor"},
      {"modeller", "dialog_model_chooser", "/ctrl O"},
      {"modeller", "modeller_subobject", "type sample_car", MODEL_FRAMED},
      {"modeller", "modeller_triangle", "/shift T", AREA_MODEL},
      {"modeller", "modeller_triangle_selected", "/press A"},
      {"modeller", "modeller_point", "/shift P", AREA_MODEL},
      {"modeller", "modeller_point_selected", "/press A"},
      {"modeller", "modeller_extrusion", "click extrude"},
      {"modeller", "modeller_build", "/press ESCAPE; /shift B", AREA_MODEL},
      {"modeller", "modeller_view", "/shift V", AREA_MODEL},
      {"modeller", "texture_mapping", "/shift M"},
      // The cutout's page view stands clear of the cutout list.
      {"modeller", "cutouts", "/shift C; click body", AREA_CUTOUT_FRAME},
      // A cutout on a texture page: the frame shows the page.
      {"modeller", "cutouts_page", "click paint", AREA_CUTOUT_FRAME},
      {"modeller", "cutouts_large", "click L", AREA_CUTOUT_FRAME},
      {"modeller", "texture_pages", "/shift G"},
      {"modeller", "texture_pages_selected", "click sample_page"},
      {"modeller", "modeller_status_line", "/shift T; /press A; /ctrl F"},
      {"modeller", "dialog_typed_value", "/shift S; click 30 m"},
      {"modeller", "dialog_exit_question", "click cancel; /press ESCAPE"},
      // A mapping selected; a new subobject, selected.
      {"modeller", "texture_mapping_selected", "/press N; /shift M; click C1"},
      {"modeller", "modeller_new_subobject", "/shift S; /ctrl N; type arch"},

      // ---- A drag box in the modeller's front view ----
      // The box held while it is dragged, its measures shown whole at the bottom right; let
      // go, it selects the triangles in it and stays; the texture mapping offers a mapping
      // from it, and with a mapping selected to fit that one to it.
      {"modeller box", "modeller_drag_box",
       "click object editor; /ctrl O; type sample_car; /shift T; click f; rdrag 0.2 0.15 0.75 0.8"},
      {"modeller box", "modeller_box_selected", "release"},
      {"modeller box", "texture_mapping_drag_box", "/shift M"},
      {"modeller box", "texture_mapping_adjust", "click M1"},

      // ---- An OBJ file imported into the object editor: its prompt, then its licence page ----
      // A name longer than the question's 32 characters, and one no typed name may be, are
      // listed with the reason on their rows.
      {"obj import", "obj_prompt",
       "click object editor; file data/obj/cube.obj v 0 0 0\\nv 1 0 0\\nv 0 1 0\\nf 1 2 3\\n; "
       "file data/obj/many_boxes_with_a_rather_long_file_name.obj v 0 0 0\\nv 1 0 0\\nv 0 1 0\\nf 1 2 3\\n; "
       "file data/obj/box#2.obj v 0 0 0\\nv 1 0 0\\nv 0 1 0\\nf 1 2 3\\n; click OBJ"},
      {"obj import", "obj_licence", "type cube"},
  };
  s.insert(s.end(), modeller.begin(), modeller.end());
  return s;
}

}  // namespace

const std::vector<ScreenState> ScreenStates = MakeStates();
