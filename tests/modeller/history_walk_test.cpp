// history_walk_test.cpp - a seeded walk of random edits through the modeller opened from the
// entry menu, driven through its buttons, keys and prompts (points moved, layers renamed,
// models loaded, OBJ files imported, saves, undo, redo and the edit point list), keeping its
// own record of every history point's bytes: each step is checked against that record, the
// red "*" after the model's name against its file, and every load against one undo.
#include <filesystem>
#include <fstream>
#include <map>

#include "modeller/files/modeller_files.h"
#include "modeller/operations/layers.h"
#include "operations_fixture.h"
#include "tests/seeded_walk.h"

namespace modeller_test {
namespace {

enum Kind : uint8_t { MOVE, RENAME, LOAD, IMPORT, SAVE, UNDO, REDO, JUMP, KIND_COUNT };
const WalkKind KINDS[KIND_COUNT] = {
    {"point moved", 10},    {"layer rename", 3},    {"LOAD", 3}, {"OBJ import", 3}, {"SAVE", 3}, {"undo", 6, STEP_UNDO},
    {"redo", 4, STEP_REDO}, {"jump", 2, STEP_LIST},
};
// Models the LOAD prompt takes (the last is missing) and OBJ files the import takes (the last
// has a face out of bounds).
const char* const MODELS[] = {"walk_box", "walk_car", "walkA", "walkB", "nosuch"};
const char* const OBJS[] = {"quad", "tri", "bad"};

class ModellerWalk : public OperationsTest, public EditorWalk {
 protected:
  void SetUp() override {
    OperationsTest::SetUp();
    namespace fs = std::filesystem;
    ModellerOpenedAs = OPENED_ORDINARY;
    fs::remove_all("data/obj");
    fs::create_directories("data/obj");
    std::ofstream("data/obj/quad.obj") << "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nf 1 2 3 4\n";
    std::ofstream("data/obj/tri.obj") << "v 0 0 0\nv 2 0 0\nv 0 0 2\nf 1 2 3\n";
    std::ofstream("data/obj/bad.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n";
  }

  std::map<std::string, Held> files;  // each model's bytes as last saved or loaded

  // The modeller as the walk sees it.
  Held State() override { return Bytes(); }
  int Point() override { return ModellerUndo.count - ModellerUndo.depth; }
  int Nodes() override { return ModellerUndo.count; }
  void Undo() override { CtrlKey('Z'); }
  void Redo() override { CtrlKey('Y'); }
  void ChoosePoint(int point) override {
    OpenEditHistory(&modeller->prss, CLICK_LEFT, 0);
    SelectItemClick(nullptr, CLICK_LEFT, uintptr_t(point));
    CloseSubScreens();
  }
  // The model's bytes but for the selection, which a point holds as it was when recorded.
  Held Bytes() {
    std::vector<uint8_t> points(size_t(model.pointCount)), triangles(size_t(model.triangleCount));
    for (int p = 0; p < model.pointCount; ++p) {
      points[size_t(p)] = model.points[p].flags;
      model.points[p].flags &= uint8_t(~POINT_SELECTED);
    }
    for (int t = 0; t < model.triangleCount; ++t) {
      triangles[size_t(t)] = model.triangles[t].flags;
      model.triangles[t].flags &= uint8_t(~TRIANGLE_SELECTED);
    }
    const Held bytes = Serialised();
    for (int p = 0; p < model.pointCount; ++p) model.points[p].flags = points[size_t(p)];
    for (int t = 0; t < model.triangleCount; ++t) model.triangles[t].flags = triangles[size_t(t)];
    return bytes;
  }

  // The sample car opened afresh; the model folder holds the sample box and car.
  void Begin() override {
    namespace fs = std::filesystem;
    if (parent.prss.sub) {
      modeller->state.unchanged = 1;
      Prss_Terminate(parent.prss.sub);
      CloseThrough();
    }
    ResetDialogs();
    fs::remove_all("data/3dob");
    fs::create_directories("data/3dob");
    ModelObject box{};
    BuildSampleBox(box);
    SaveModelFile(box, nullptr, "data/3dob/walk_box.qxe", 1);
    box.Free();
    Start(SampleCar);
    SaveModelFile(model, nullptr, "data/3dob/walk_car.qxe", 1);
    historySeen = 0;
    record = HistoryRecord{};
    record.limit = UNDO_NODE_LIMIT;
    record.points = {Bytes()};
    record.current = 0;
    record.savedPoint = 0;
    files = {{model.name, record.points[0]}};
  }

  // The history's own copy of point i.
  static Held CopyOf(int i) {
    const ModelObject* saved = ModellerUndo.nodes[i].saved;
    return saved ? ModelRecordBytes(*saved, 1, 1) : Held();
  }
  // The step's change of the history taken into the record.
  bool Absorb(bool* pushed = nullptr) {
    const std::string failed = record.Take(ModellerUndo.count, Point(), CopyOf, Bytes(), pushed);
    return Check(failed.empty(), failed);
  }
  // The red "*" after the model's name on the object panel.
  bool StarShown() {
    Buttons();
    return Find((std::string(model.name) + "^1*").c_str()) != nullptr;
  }
  // The star shows while the model differs from its file, and is gone when `clear` (a save, a
  // load, a step back to the point saved or loaded at).
  bool CheckStar(bool clear) {
    const bool star = StarShown();
    if (clear) return Check(!star, "the red * shows right after a save, a load or a step to the saved point");
    const auto file = files.find(model.name);
    return Check(star || (file != files.end() && file->second == Bytes()),
                 "no red * though the model differs from its file");
  }
  // Whatever the step left open over the modeller (a box, a list, a prompt, a help page).
  void CloseSubScreens() {
    if (OpenTextEntry.open) CancelTextEntry();
    if (modeller->prss.sub) CloseModellerSubScreen(*modeller);
    ResetDialogs();
  }
  // Presses the object panel's button and answers its prompt (and "overwrite?" with yes).
  bool PressFile(const char* label, const char* name) {
    Buttons();
    const InterfaceButton* b = Find(label);
    if (!Check(b != nullptr, std::string("no ") + label + " button")) return false;
    ClickButton(*b);
    if (!Check(OpenTextEntry.open == 1, std::string(label) + " asks no name")) return false;
    ConfirmTextEntry(name);
    if (OpenTextEntry.open && TextEntryDialogSub.state == ENTRY_ASK_OVERWRITE) TextEntryConfirm();
    CloseSubScreens();
    return true;
  }

  bool Run(uint32_t kindWord, uint32_t a, uint32_t b, uint32_t) override {
    const Kind kind = Kind(kindWord);
    record.Note(CopyOf);
    const Held before = Bytes();
    switch (kind) {
      case MOVE: {
        if (model.pointCount == 0) return true;
        SelectPoints({int(a % uint32_t(model.pointCount))});
        MovePoints(*modeller, int(b % 3), (b / 3 % 2 ? 1 : -1) * 6554);
        return Absorb() && CheckStar(false);
      }
      case RENAME: {
        LayerButtonAction(&modeller->prss, CLICK_RIGHT, a % 8);
        if (!Check(OpenTextEntry.open == 1, "a layer's right click asks no name")) return false;
        ConfirmTextEntry(b % 2 ? "doors" : "trim");
        CloseSubScreens();
        bool pushed = false;
        if (!Absorb(&pushed)) return false;
        if (!Check(pushed || Bytes() == before, "a layer renamed recorded no point")) return false;
        return CheckStar(false);
      }
      case SAVE: {
        // A save after undos keeps the name: another would make it another model than its
        // points hold.
        const char* name = record.current < record.Nodes() || a % 3 == 0 ? model.name : a % 3 == 1 ? "walkA" : "walkB";
        const std::string kept = name;
        if (!PressFile("SAVE", kept.c_str())) return false;
        if (!Absorb()) return false;  // the save's fix-ups may record a point of their own
        files[model.name] = Bytes();
        record.savedPoint = record.current;
        return CheckStar(true);
      }
      case LOAD:
      case IMPORT: {
        if (!PressFile(kind == LOAD ? "LOAD" : "OBJ", kind == LOAD ? MODELS[a % 5] : OBJS[a % 3])) return false;
        bool pushed = false;
        if (!Absorb(&pushed)) return false;
        if (!pushed) return Check(Bytes() == before, "a refused load changed the model") && CheckStar(false);
        if (kind == LOAD) {
          files[model.name] = Bytes();
          record.savedPoint = record.current;
        }
        if (!CheckStar(kind == LOAD)) return false;
        return UndoGivesBack(before, Bytes(), kind == LOAD ? "LOAD" : "an OBJ import");
      }
      default:
        return Check(false, "no such step");
    }
  }
};

TEST_F(ModellerWalk, RandomEditsThroughTheModellerKeepEveryHistoryPoint) {
  Walk(KINDS, KIND_COUNT, {21, 22, 23}, 2000);
}

}  // namespace
}  // namespace modeller_test
