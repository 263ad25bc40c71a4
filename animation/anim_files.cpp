// anim_files.cpp - the animation editor's file commands: an animation saved and loaded, the
// skeleton saved.
#include <cstdio>
#include <cstring>

#include "animation/anim_edit.h"
#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "skeleton/skeleton.h"
#include "text/language.h"
#include "text/text_names.h"

namespace {

constexpr const char* TEXT_NO_ANIM_SELECTED = "NO ANIM selected";

// The path of a typed name, or 0 with the invalid name shown.
int NamedPath(AnimEditor& editor, const char* pattern, const char* name, char (&path)[FILE_PATH_SIZE]) {
  char refusal[NAME_REFUSAL_SIZE];
  if (MakeUserFilePath(path, sizeof path, pattern, name ? name : "", refusal)) return 1;
  ReportBox(editor.screen, refusal);
  return 0;
}

void KeepName(AnimEditor& editor, const char* name) {
  if (!editor.driverAnimation) return;
  std::snprintf(editor.animationName, sizeof editor.animationName, "%s", name);
  editor.unsaved = 0;
}

}  // namespace

int SaveAnimation(AnimEditor& editor, const char* name) {
  if (!editor.selected) {
    ReportBox(editor.screen, TEXT_NO_ANIM_SELECTED);
    return 0;
  }
  char path[FILE_PATH_SIZE];
  if (!NamedPath(editor, ANIMATION_SAVE_PATTERN, name, path)) return 0;
  // A failed write is reported by the file layer and keeps the old file, the name and the flag.
  MakeFolder(ANIMATION_FOLDER);
  if (!WriteAnimationFile(*editor.selected, path, editor.screen, editor.rig->boneCount)) return 0;
  ReportSaved(path);
  KeepName(editor, name);
  return 1;
}

int LoadAnimation(AnimEditor& editor, const char* name) {
  if (!editor.selected) {
    ReportBox(editor.screen, TEXT_NO_ANIM_SELECTED);
    return 0;
  }
  char path[FILE_PATH_SIZE];
  if (!NamedPath(editor, ANIMATION_SAVE_PATTERN, name, path)) return 0;
  Animation* fresh = new Animation;
  const float defaultScale = editor.driverAnimation ? editor.selected->scale : 0.0f;
  if (!ReadAnimationFile(*fresh, path, editor.screen, editor.rig->boneCount, defaultScale)) {
    Animation::Delete(fresh);
    return 0;
  }
  ClearUndo(editor);
  KeepName(editor, name);
  editor.selected->Copy(*fresh, editor.rig->boneCount);
  Animation::Delete(fresh);
  SetCurrentFrame(editor, 0);
  return 1;
}

int SaveSkeleton(AnimEditor& editor, const char* name) {
  char path[FILE_PATH_SIZE];
  if (!editor.skeleton || !NamedPath(editor, SKELETON_SAVE_PATTERN, name, path)) return 0;
  MakeFolder(SKELETON_FOLDER);  // a program that never saved a skeleton has no such folder yet
  DataFile f;
  if (!f.OpenWrite(editor.screen, path, SKELETON_MAGIC, SKELETON_FILE_VERSION)) return 0;
  editor.skeleton->Write(f);
  if (!f.Close()) return 0;
  ReportSaved(path);
  return 1;
}
