// texture_pages.cpp - the texture pages screen: the page list with its file choosers and
// types, the page picture, the page operations and the template pictures on the clipboard.
#include "modeller/texture/texture_pages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/report.h"
#include "core/window_state.h"
#include "model/model_meshes.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/texture/texture_mapping.h"
#include "render/gouraud_mesh.h"
#include "render/object_picture.h"
#include "render/system_textures.h"
#include "render/texture_names.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/value_edit.h"

const char* const PAGE_TYPE_SHORT_NAMES[PAGE_TYPE_COUNT] = {"fixed", "skin", "dash"};
const char* const PAGE_TYPE_LONG_NAMES[PAGE_TYPE_COUNT] = {"fixed texture page", "custom skin texture",
                                                           "dashboard backing"};
int32_t PageOverlay;
TexturePagesScreen* ActivePagesScreen;

namespace {

ModelObject& Edited() { return *EditedObject; }
bool HasPage() { return EditedObject && SelectedPage >= 0 && SelectedPage < EditedObject->pageCount; }
ColourWord* Orange() { return &TextColours.lightOrange; }

// Refusals go to the screen's message box, or a message line while a sub-screen is open.
void Refuse(TexturePagesScreen& screen, const char* text) { ShowMessageBox(&screen.prss, text); }

void BeginPageEdit(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}

// The model's display follows its pages.
void Rebuild(TexturePagesScreen& screen) {
  RefreshEditedMesh(&screen.prss);
}

// Materials found by name are the material table's, shared with the meshes: dropped, never freed.
void ReleaseScreenTexture(TexturePagesScreen& screen) {
  screen.texture = nullptr;
  screen.hasAlpha = 0;
}

enum PageWord : uintptr_t {
  P_RELOAD = 1, P_VIEW, P_DUPLICATE, P_DELETE, P_UP, P_DOWN, P_OVERLAY, P_SIZE_1024, P_SIZE_2048, P_ADD_PNG, P_ADD_JPG,
  P_TEMPLATE = 0x100,   // + mode
  P_ROW = 0x1000,       // + page
  P_PNG = 0x2000,       // + page
  P_JPG = 0x3000,       // + page
  P_TYPE = 0x4000,      // + page
  P_TEXTURE = 0x5000,   // + reload word
};

void NameChosen(Prss* owner, const char* text, uint32_t jpg) {
  RenameTexturePage(*reinterpret_cast<TexturePagesScreen*>(owner), text, int(jpg));
}
void SkinChosen(Prss* owner, const char* text, uint32_t) {
  SetEditorSkin(*reinterpret_cast<TexturePagesScreen*>(owner), text);
}
void TypeChosen(Prss* owner, uint32_t, int index) { SetPageType(*reinterpret_cast<TexturePagesScreen*>(owner), index); }

void OpenNameChooser(TexturePagesScreen& screen, int jpg) {
  if (!HasPage()) return;
  char start[MODEL_NAME_SIZE];
  std::snprintf(start, sizeof start, "%s", Edited().pages[SelectedPage].name);
  const size_t n = std::strlen(start);
  if (n >= 4 && strcasecmp(start + n - 4, ".jpg") == 0) start[n - 4] = 0;
  if (jpg)
    OpenTextEntrySub(&screen.prss, NameChosen, "Select a JPG texture", 16, 1, start, 0, 0, "data\\pic\\%s.jpg");
  else
    OpenTextEntrySub(&screen.prss, NameChosen, "Select a PNG texture", 20, 0, start, 0, 0, "data\\png\\%s.png");
}

void SelectPage(TexturePagesScreen& screen, int index) {
  SelectedPage = index;
  LoadPageTexture(screen);
}

void PageButton(void* owner, int code, uintptr_t word) {
  TexturePagesScreen& screen = *static_cast<TexturePagesScreen*>(owner);
  if (!EditedObject) return;
  const int index = int(word & 0xFFF);
  switch (word & 0xF000) {
    case P_ROW: {
      const TexturePage& page = Edited().pages[index];
      if ((code & CLICK_RIGHT) && page.type == PAGE_SKIN) {
        OpenTextEntrySub(&screen.prss, SkinChosen, "Select skin to be used in the editor ^3data\\skins\\*.jpg", 24, 0,
                         EditorSkinName, 0, 0, "data\\skins\\%s.jpg");
      } else if (code & CLICK_RIGHT) {
        if (SelectedPage != index) SelectPage(screen, index);
        const size_t n = std::strlen(page.name);
        OpenNameChooser(screen, n >= 4 && strcasecmp(page.name + n - 4, ".jpg") == 0);
      } else {
        SelectPage(screen, SelectedPage == index ? -1 : index);
      }
      return;
    }
    case P_PNG:
    case P_JPG:
      if (SelectedPage != index) SelectPage(screen, index);
      OpenNameChooser(screen, (word & 0xF000) == P_JPG);
      return;
    case P_TYPE: {
      if (SelectedPage != index) SelectPage(screen, index);
      OpenSelectSub(&screen.prss, TypeChosen, "Select page type", nullptr, PAGE_TYPE_LONG_NAMES, PAGE_TYPE_COUNT, 0,
                    Edited().pages[index].type);
      return;
    }
    case P_TEXTURE:
      if (!HasPage()) return;
      if (index == 2) {
        CreateImageViewerPage(&screen.prss, Edited().pages[SelectedPage].name);
      } else if (ReloadPageTexture(&screen.prss, Edited().pages[SelectedPage].name, index == 0, index == 0 && ShiftHeld)) {
        char line[96];
        if (index == 1) std::snprintf(line, sizeof line, "%s %s", "Reloaded :", Edited().pages[SelectedPage].name);
        if (index == 0 && !ShiftHeld)
          std::snprintf(line, sizeof line, "%s %s", "Viewing as DDS (SHIFT to export) :", Edited().pages[SelectedPage].name);
        if (index == 1 || !ShiftHeld) AddMessage(line, TextColours.grey, -1);
      }
      return;
    default: break;
  }
  if ((word & 0xF00) == P_TEMPLATE) {
    CopyTemplateToClipboard(screen, int(word & 3));
    return;
  }
  switch (word) {
    case P_RELOAD:
      if (HasPage()) ReloadPageTexture(&screen.prss, Edited().pages[SelectedPage].name, 0, 0);
      break;
    case P_VIEW:
      if (HasPage()) CreateImageViewerPage(&screen.prss, Edited().pages[SelectedPage].name);
      break;
    case P_DUPLICATE: AddTexturePage(screen, 0); break;
    case P_DELETE: DeleteTexturePage(screen); break;
    case P_UP: MoveTexturePage(screen, code, 0); break;
    case P_DOWN: MoveTexturePage(screen, code, 1); break;
    case P_OVERLAY: PageOverlay ^= 1; break;
    case P_SIZE_1024: SetMappingSkinSize(1024); break;
    case P_SIZE_2048: SetMappingSkinSize(2048); break;
    case P_ADD_PNG:
    case P_ADD_JPG:
      SelectedPage = -1;
      AddTexturePage(screen, word == P_ADD_JPG);
      break;
    default: break;
  }
}

const char* ShownPageName(const TexturePage& page) {
  if (page.type == PAGE_SKIN) return EditorSkinName[0] ? EditorSkinName : "[no skin specified]";
  return page.name[0] ? page.name : "[no texture]";
}

void AddPageList(TexturePagesScreen& screen) {
  const ModelObject& o = Edited();
  Prss* owner = &screen.prss;
  const bool wheel = EditedObjectIsWheel();
  AddRowButton(owner, 10, 0, 0, Orange(), "texture file", nullptr, "Texture page file name or special name");
  AddRowButton(owner, 4, 0, 0, Orange(), "file", nullptr, nullptr);
  if (!wheel) AddRowButton(owner, 3, 0, 0, Orange(), "type", nullptr, nullptr);
  for (int p = 0; p < o.pageCount; ++p) {
    RowCursorX = 0, RowCursorY += ButtonHeight;
    const TexturePage& page = o.pages[p];
    ColourWord* colour = page.type == PAGE_DASH ? &TextColours.lightCyan : Orange();
    AddRowButton(owner, 10, P_ROW + uintptr_t(p), p == SelectedPage, colour, ShownPageName(page), PageButton,
                 page.type == PAGE_SKIN ? "Left click to select / Right click to load a skin from data\\skins"
                                        : "Left click to select / Right click to load a texture or enter a special name");
    if (page.type != PAGE_SKIN) {
      AddRowButton(owner, 2, P_PNG + uintptr_t(p), 0, colour, "png", PageButton, nullptr);
      AddRowButton(owner, 2, P_JPG + uintptr_t(p), 0, colour, "jpg", PageButton, nullptr);
    } else {
      RowCursorX += 4 * ButtonWidth;
    }
    if (!wheel)
      AddRowButton(owner, 3, P_TYPE + uintptr_t(p), 0, colour, PAGE_TYPE_SHORT_NAMES[std::min<int>(page.type, 2)],
                   PageButton, "Type of texture page - fixed / skin / dash");
  }
  RowCursorX = 0, RowCursorY += ButtonHeight * 3 / 2;
}

void AddPageButtons(TexturePagesScreen& screen) {
  Prss* owner = &screen.prss;
  const bool wheel = EditedObjectIsWheel();
  if (!HasPage()) {
    if (!wheel) {
      AddRowButton(owner, 8, P_ADD_PNG, 0, Orange(), "add new page", PageButton, "Add a new texture page (CTRL+N)");
      AddRowButton(owner, 2, P_ADD_JPG, 0, Orange(), "jpg", PageButton, nullptr);
    }
    RowCursorX = 0, RowCursorY += ButtonHeight;
    return;
  }
  const bool skin = Edited().pages[SelectedPage].type == PAGE_SKIN;
  if (screen.texture) AddRowButton(owner, 4, P_RELOAD, 0, Orange(), "reload", PageButton, "Reload the selected texture page");
  AddRowButton(owner, 1, P_VIEW, 0, Orange(), "v", PageButton, "Inspect the texture in a viewer screen");
  AddRowButton(owner, 5, P_DUPLICATE, 0, Orange(), "duplicate", PageButton,
               "Create a new texture page as a copy of the selected page (CTRL+D)");
  AddRowButton(owner, 4, P_DELETE, 0, Orange(), "delete", PageButton, "Delete the selected texture page, which is unused");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  AddRowButton(owner, 6, 0, 0, Orange(), "move in list", nullptr, "Move the selected texture page in the list");
  AddRowButton(owner, 2, P_UP, 0, Orange(), "UP", PageButton, "Move the selected texture page up the list");
  AddRowButton(owner, 2, P_DOWN, 0, Orange(), "DN", PageButton, "Move the selected texture page down the list");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  AddRowButton(owner, 4, P_OVERLAY, 0, Orange(), "overlay", PageButton,
               "Show an overlay that indicates the used areas of the texture");
  AddRowButton(owner, 2, P_OVERLAY, PageOverlay, Orange(), PageOverlay ? "YES" : "NO", PageButton,
               "Show an overlay that indicates the used areas of the texture");
  RowCursorX = 0, RowCursorY += ButtonHeight;
  AddRowButton(owner, 5, 0, 0, Orange(), skin ? "skin size" : "copy size", nullptr,
               skin ? "The size of the skin texture to copy to clipboard" : "The size of the texture to copy to clipboard");
  AddRowButton(owner, 3, P_SIZE_1024, MappingSkinSize() == 1024, Orange(), "1024", PageButton,
               "The destination texture is 1024\xD7" "1024");
  AddRowButton(owner, 3, P_SIZE_2048, MappingSkinSize() == 2048, Orange(), "2048", PageButton,
               "The destination texture is 2048\xD7" "2048");
  static const char* const LABELS[2][4] = {
      {"create shaded plain texture", "black and white plain texture", "white background wireframe", "black background wireframe"},
      {"create shaded skin texture", "black and white skin texture", "white background wireframe", "black background wireframe"}};
  static const char* const HINTS[2][4] = {
      {"Copy a shaded plain texture to the clipboard", "Copy a black and white plain texture to the clipboard",
       "Copy a white background wireframe to the clipboard", "Copy a black background wireframe to the clipboard"},
      {"Copy a shaded skin texture to the clipboard", "Copy a black and white skin texture to the clipboard",
       "Copy a white background wireframe to the clipboard", "Copy a black background wireframe to the clipboard"}};
  for (int mode = 0; mode < 4; ++mode) {
    RowCursorX = 0, RowCursorY += ButtonHeight;
    AddRowButton(owner, 12, P_TEMPLATE + uintptr_t(mode), 0, Orange(), LABELS[skin][mode], PageButton, HINTS[skin][mode]);
  }
  RowCursorX = 0, RowCursorY += ButtonHeight;
  if (screen.texture) AddTextureInfoButtons(owner, screen.texture, PageButton, P_TEXTURE);
}

void DrawPageView(TexturePagesScreen& screen) {
  const int side = std::max(64, (ScreenHeight - 4 * ButtonHeight) / 64 * 64);
  const int left = (ScreenWidth - side) / 2, top = (ScreenHeight - side) / 2;
  if (HasPage() && (!Edited().pages[SelectedPage].name[0] || screen.hasAlpha)) {
    // A one-pixel white frame just outside the square.
    DrawPixelFrame(left - 1, top - 1, left + side, top + side, 0xFFFFFFFFu);
  }
  if (!screen.texture) return;
  DrawPageSquare(screen.texture, left, top, side, 0, PageOverlay ? 192 : 255);
  if (PageOverlay) DrawUsedAreas(Edited(), screen.texture, 0, left, top, side, side);
}

Prss* TexturePagesScreenAction(Prss* process) {
  TexturePagesScreen& screen = *reinterpret_cast<TexturePagesScreen*>(process);
  if (!process->alive) {
    ReleaseScreenTexture(screen);
    if (ActivePagesScreen == &screen) ActivePagesScreen = nullptr;
    delete &screen;
    return nullptr;
  }
  if (process->sub) {
    Prss_ActSub(process);
    return process;
  }
  if (screen.refresh) {
    screen.refresh = 0;
    if (HasPage())
      SelectPage(screen, SelectedPage);
    else
      ReleaseScreenTexture(screen), SelectedPage = -1;
  }
  if (FrameSkipped || !EditedObject) return process;
  DrawPageView(screen);
  RowCursorX = RowCursorY = 0;
  AddModeButtons(*screen.modeller);
  RowCursorX = 0, RowCursorY += ButtonHeight;
  AddPageList(screen);
  AddPageButtons(screen);
  AddUndoButtons(process);
  Prss_RestAfterDrawing(process);
  return process;
}

void TexturePagesScreenKey(Prss* process, int key) {
  TexturePagesScreen& screen = *reinterpret_cast<TexturePagesScreen*>(process);
  Prss* parent = process->parent;
  const int letter = key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
  const bool wheel = EditedObjectIsWheel();
  if (key == KEYCODE_CTRL_LETTER + 'N') {
    if (wheel) return ReportSound(3);
    SelectedPage = -1;
    AddTexturePage(screen, 0);
  } else if (key == KEYCODE_CTRL_LETTER + 'D') {
    if (wheel || !HasPage()) return ReportSound(3);
    AddTexturePage(screen, 0);
  } else if (key == KEYCODE_DELETE) {
    if (!HasPage()) return ReportSound(3);
    DeleteTexturePage(screen);
  } else if (key == KEYCODE_CTRL_LETTER + 'Z') {
    Undo(0);
  } else if (key == KEYCODE_CTRL_LETTER + 'Y') {
    Undo(1);
  } else if ((letter == 'C' || letter == 'M') && ShiftHeld) {
    if (parent && parent->key) parent->key(parent, key);
  } else if (letter == 'C') {
    SelectPage(screen, -1);
  } else if (key == ' ') {
    if (parent && parent->key) parent->key(parent, key);
    SelectPage(screen, -1);
  } else if (parent && parent->key) {
    parent->key(parent, key);
  }
}

void TexturePagesScreenMouse(Prss* process, MouseRecord* mouse) { PassMouseToEditor(process, mouse); }

}  // namespace

int EditedObjectIsWheel() { return ObjectEditorShared.spokeCount > 0; }

TexturePagesScreen* CreateTexturePagesScreen(Prss* parent, ModellerScreen& modeller, ModelObject* mainObject) {
  TexturePagesScreen* screen = Prss_New<TexturePagesScreen>();
  Prss_Init(&screen->prss, parent, TexturePagesScreenAction, TexturePagesScreenKey, TexturePagesScreenMouse, nullptr,
            parent ? parent->background : nullptr);
  Prss_MakeCurrent(&screen->prss);
  screen->modeller = &modeller;
  screen->mainObject = mainObject;
  ActivePagesScreen = screen;
  RefreshTexturePagesScreen();
  return screen;
}

void RefreshTexturePagesScreen() {
  TexturePagesScreen* screen = ActivePagesScreen;
  if (!screen) return;
  if (HasPage()) {
    LoadPageTexture(*screen);
  } else {
    ReleaseScreenTexture(*screen);
    SelectedPage = -1;
  }
}

void LoadPageTexture(TexturePagesScreen& screen) {
  ReleaseScreenTexture(screen);
  if (!HasPage()) return;
  const TexturePage& page = Edited().pages[SelectedPage];
  if (page.type == PAGE_SKIN) {
    if (EditorSkinName[0]) screen.texture = LoadNamedTexture(EditorSkinName, 0, 1);
  } else if (page.name[0]) {
    screen.hasAlpha = IsAlphaTextureName(page.name);
    screen.texture = LoadNamedTexture(page.name, 0, 0);
  }
}

int AddTexturePage(TexturePagesScreen& screen, int jpg) {
  ModelObject& o = Edited();
  if (o.pageCount >= MAX_MODEL_PAGES) return Refuse(screen, TEXT_PAGE_MAXIMUM), 0;
  BeginPageEdit("add page");
  if (HasPage()) {
    TexturePage copy = o.pages[SelectedPage];
    copy.type = PAGE_FIXED;
    const int added = o.AddPage(&copy);
    o.MovePage(added, SelectedPage + 1);
    SelectPage(screen, SelectedPage + 1);
    return 1;
  }
  TexturePage page{};
  std::snprintf(page.name, sizeof page.name, "page %d", o.pageCount + 1);
  SelectedPage = o.AddPage(&page);
  ReleaseScreenTexture(screen);
  OpenNameChooser(screen, jpg);
  return 1;
}

int DeleteTexturePage(TexturePagesScreen& screen) {
  if (!HasPage()) return 0;
  ModelObject& o = Edited();
  int users = 0;
  for (int c = 0; c < o.cutoutCount; ++c) users += o.cutouts[c].page == SelectedPage;
  if (users) {
    char text[64];
    std::snprintf(text, sizeof text, TEXT_PAGE_USED, users, users == 1 ? "" : "s");
    return Refuse(screen, text), 0;
  }
  if (o.pageCount <= 1) return Refuse(screen, TEXT_PAGE_LAST), 0;
  BeginPageEdit("delete page");
  o.RemoveTexturePage(SelectedPage);
  SelectedPage = -1;
  ReleaseScreenTexture(screen);
  Rebuild(screen);
  return 1;
}

int MoveTexturePage(TexturePagesScreen& screen, int clickCode, int down) {
  if (!HasPage()) return 0;
  const int step = clickCode == 1 ? 1 : clickCode == 2 ? 5 : clickCode == 9 ? 10 : clickCode == 10 ? 20 : 0;
  const int from = SelectedPage;
  const int to = down ? std::min(from + step, Edited().pageCount - 1) : std::max(from - step, 0);
  if (to == from) return 0;
  BeginPageEdit(down ? "move page down" : "move page up");
  Edited().MovePage(from, to);
  SelectedPage = to;
  Rebuild(screen);
  return 1;
}

int SetPageType(TexturePagesScreen& screen, int type) {
  if (!HasPage() || type < 0 || type >= PAGE_TYPE_COUNT) return 0;
  ModelObject& o = Edited();
  if (type == PAGE_DASH && EditedObject != screen.mainObject) return Refuse(screen, TEXT_PAGE_BACKING_MAIN), 0;
  TexturePage& page = o.pages[SelectedPage];
  if (page.type == type) return 0;
  if (type != PAGE_FIXED)
    for (int p = 0; p < o.pageCount; ++p)
      if (p != SelectedPage && o.pages[p].type == type) {
        char text[64];
        std::snprintf(text, sizeof text, TEXT_PAGE_TYPE_TAKEN, PAGE_TYPE_SHORT_NAMES[type]);
        return Refuse(screen, text), 0;
      }
  BeginPageEdit("set page type");
  page.type = uint8_t(type);
  if (type == PAGE_SKIN) std::memset(page.name, 0, sizeof page.name);
  screen.refresh = 1;
  Rebuild(screen);
  return 1;
}

int RenameTexturePage(TexturePagesScreen& screen, const char* name, int jpg) {
  if (!HasPage() || !name) return 0;
  if (EditedObjectIsWheel() && IsAlphaTextureName(name)) return Refuse(screen, TEXT_PAGE_WHEEL_ALPHA), 0;
  if (std::strchr(name, '~')) return Refuse(screen, TEXT_PAGE_TILDE), 0;
  // A page name becomes a path: it must stay a plain name inside the texture folders.
  if (std::strpbrk(name, "/\\:") || std::strstr(name, "..")) return Refuse(screen, TEXT_PAGE_NOT_PLAIN), 0;
  const size_t room = MODEL_NAME_SIZE - 1 - (jpg ? 4 : 0);
  if (std::strlen(name) > room) return Refuse(screen, TEXT_PAGE_NAME_LONG), 0;
  BeginPageEdit("rename page");
  std::snprintf(Edited().pages[SelectedPage].name, MODEL_NAME_SIZE, "%s%s", name, jpg ? ".jpg" : "");
  LoadPageTexture(screen);
  Rebuild(screen);
  return 1;
}

int SetEditorSkin(TexturePagesScreen& screen, const char* name) {
  if (!name || std::strpbrk(name, "/\\:") || std::strstr(name, "..")) return Refuse(screen, TEXT_PAGE_NOT_PLAIN), 0;
  std::snprintf(EditorSkinName, EDITOR_SKIN_NAME_SIZE, "%s", name);
  std::memcpy(ObjectEditorShared.skinName, EditorSkinName, EDITOR_SKIN_NAME_SIZE);
  for (int p = 0; HasPage() == false && EditedObject && p < Edited().pageCount; ++p)
    if (Edited().pages[p].type == PAGE_SKIN) SelectedPage = p;
  ObjectEditorShared.unsavedChanges = 1;
  ReleaseScreenTexture(screen);
  if (name[0]) screen.refresh = 1;
  return 1;
}

void CopyTemplateToClipboard(TexturePagesScreen& screen, int mode) {
  if (!HasPage()) return;
  const bool skin = Edited().pages[SelectedPage].type == PAGE_SKIN;
  if (!screen.texture) {
    ShowMessageBox2Lines(&screen.prss,
                         skin ? "It doesn't matter what image is on the selected skin"
                              : "It doesn't matter what image is on the selected texture",
                         skin ? "A skin texture must be selected" : "A texture must be selected");
    return;
  }
  const DrawMesh* mesh = Edited().builtMesh;
  if (!mesh || !mesh->IsGouraud()) return Refuse(screen, TEXT_PAGE_NOT_GOURAUD);
  CopyObjectImageToClipboard(&screen.prss, *static_cast<const GouraudO3d*>(mesh), PICTURE_LAYERS_BOTH, mode);
}
