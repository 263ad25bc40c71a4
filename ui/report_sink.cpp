// report_sink.cpp - the interface's report sink and its start-up hooks.
#include "ui/report_sink.h"

#include "core/process.h"
#include "core/sound.h"
#include "render/system_textures.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "text/text_services.h"
#include "ui/character_set.h"
#include "ui/dialogs.h"
#include "ui/font_pages.h"
#include "ui/interface.h"

namespace {

ColourWord PaletteColour(ReportColour colour) {
  switch (colour) {
    case REPORT_ERROR: return TextColours.error;
    case REPORT_GREY: return TextColours.grey;
    case REPORT_LIGHT_BLUE: return TextColours.lightBlue;
    case REPORT_WARNING: return TextColours.red;
    case REPORT_SUCCESS: return TextColours.lightGreen;
    case REPORT_MESSAGE:
    default: return TextColours.message;
  }
}

void Line(const char* text, ReportColour colour, int target) { AddMessage(text, PaletteColour(colour), target); }

void LabelledLine(const char* label, const char* text, ReportColour colour) {
  ShowLabelledMessage(label, text, PaletteColour(colour));
}

void Box(Prss* owner, const char* first, const char* second) {
  if (second)
    ShowMessageBoxPair(owner, first, second);
  else
    ShowMessageBox(owner, first);
}

}  // namespace

ReportSink InterfaceReportSink() {
  ReportSink sink{};
  sink.line = Line;
  sink.labelledLine = LabelledLine;
  sink.box = Box;
  sink.question = AskQuestion;
  sink.status = PrintStatusLine;
  sink.sound = PlayUISound;
  return sink;
}

void InstallInterface() {
  InstallTextServices();
  InstallReportSink(InterfaceReportSink());
  ForgetInterfaceOwner = ReleaseInterfaceOwner;
  BuildFontTexture = BuildFontPages;
  CodePageHasFont = CharacterSetHasFont;
}
