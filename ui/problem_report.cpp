// problem_report.cpp - model check findings and their markers.
#include "ui/problem_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "text/messages.h"
#include "ui/interface.h"

ProblemReportLine ProblemReportLines[PROBLEM_REPORT_LINES];
int ProblemReportCount;
int ProblemReportMode;
const ColourWord ProblemKindColours[8] = {0x788CFA, 0xFAA0FA, 0xA0D2FF, 0xA0FFFF,
                                          0xFAFAA0, 0x0000FF, 0xFF00FF, 0x3CA0FF};
ProblemMarker* ProblemMarkers;
int ProblemMarkerCount, ProblemMarkerCapacity;
const CheckedModel* CurrentCheckModel;
void (*SelectListedItems)(int object, int kind);

namespace {
constexpr int FIRST_MARKER_CAPACITY = 256;
constexpr int LABEL_UNITS = 22, FIND_UNITS = 2, RIGHT_MARGIN_UNITS = 24;
ColourWord g_KindColours[8];  // the labels' colours, addressable for the button table
std::vector<std::string> g_shownLines;  // the findings sent to the message lines
}  // namespace

// ---- [Report lines] ----

void ReportProblemf(int kind, int object, const char* format, ...) {
  char text[PROBLEM_TEXT_SIZE];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (ProblemReportMode != PROBLEM_REPORT_COLLECT) {
    ShowMessage(text, TextColours.error);
    g_shownLines.emplace_back(text);
    return;
  }
  if (ProblemReportCount >= PROBLEM_REPORT_LINES) return;
  ProblemReportLine& line = ProblemReportLines[ProblemReportCount++];
  line = ProblemReportLine{};
  line.kind = static_cast<uint8_t>(kind & 7);
  line.object = static_cast<uint8_t>(object);
  std::memcpy(line.text, text, sizeof text);
}

void AddProblemFindButtons(Prss* owner) {
  const int x = ScreenWidth - RIGHT_MARGIN_UNITS * ButtonWidth;
  for (int i = 0; i < ProblemReportCount; ++i) {
    const ProblemReportLine& line = ProblemReportLines[i];
    const int top = i * ButtonHeight;
    g_KindColours[line.kind & 7] = ProblemKindColours[line.kind & 7];
    AddButton(nullptr, x, top, x + LABEL_UNITS * ButtonWidth, top + ButtonHeight, 0, IvText(line.text), IvInt(0),
              IvInt(0), BUTTON_STYLE_LABEL, &g_KindColours[line.kind & 7], nullptr, nullptr);
    AddButton(owner, x + LABEL_UNITS * ButtonWidth, top, x + (LABEL_UNITS + FIND_UNITS) * ButtonWidth,
              top + ButtonHeight, static_cast<uintptr_t>(i), IvText("find"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT,
              nullptr, FindProblemHandler, nullptr);
  }
}

void FindProblemHandler(void*, int, uintptr_t index) {
  const int i = static_cast<int>(index);
  if (i < 0 || i >= ProblemReportCount || !SelectListedItems) return;
  SelectListedItems(ProblemReportLines[i].object, ProblemReportLines[i].kind);
}

void ClearProblemReport() {
  ProblemReportCount = 0;
  std::free(ProblemMarkers);
  ProblemMarkers = nullptr;
  ProblemMarkerCount = ProblemMarkerCapacity = 0;
}

void ForgetShownProblemLines() {
  const auto finding = [](const char* text) {
    for (const std::string& shown : g_shownLines)
      if (shown == text) return true;
    return false;
  };
  for (int i = 0; i < MessageLineCount;) {
    if (finding(MessageLines[i].text))
      RemoveMessage(i);  // into the history, in their order
    else
      ++i;
  }
  g_shownLines.clear();
}

// ---- [Markers] ----

int AddProblemMarker(int kind, int item, const CheckedObject* object, const IntVector* point) {
  const CheckedModel* model = CurrentCheckModel;
  int objectNumber = 0;
  if (model && object && object >= model->objects && object < model->objects + model->objectCount)
    objectNumber = static_cast<int>(object - model->objects) + 1;
  for (int i = 0; i < ProblemMarkerCount; ++i) {
    const ProblemMarker& m = ProblemMarkers[i];
    if (m.item == item && m.object == objectNumber && m.kind == kind) return 0;
  }
  if (ProblemMarkerCount == ProblemMarkerCapacity) {
    const int capacity = ProblemMarkerCapacity ? ProblemMarkerCapacity * 2 : FIRST_MARKER_CAPACITY;
    void* grown = std::realloc(ProblemMarkers, sizeof(ProblemMarker) * static_cast<size_t>(capacity));
    if (!grown) return 0;  // out of memory: the marker is not kept
    ProblemMarkers = static_cast<ProblemMarker*>(grown);
    ProblemMarkerCapacity = capacity;
  }
  ProblemMarker& m = ProblemMarkers[ProblemMarkerCount++];
  m = ProblemMarker{};
  m.kind = static_cast<uint8_t>(kind);
  m.object = static_cast<uint8_t>(objectNumber);
  m.item = item;
  if (point) {
    m.hasPosition = 1;
    const IntVector offset = object ? object->offset : IntVector{};
    IntVector p = *point;
    if (model && object) {
      FixedMatrix r;
      MatrixFromAngles(r, object->angles[0], object->angles[1], object->angles[2]);
      MatrixTransform(r, *point, p);  // each coordinate a row of the matrix dotted with the point
      p.x += model->position.x;
      p.y += model->position.y;
      p.z += model->position.z;
    }
    m.position[0] = p.x + offset.x;
    m.position[1] = p.y + offset.y;
    m.position[2] = p.z + offset.z;
  }
  return 1;
}
