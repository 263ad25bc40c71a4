// report_sink.h - the interface's side of the foundation's report seam (core/report.h), and
// the one call that installs every hook the interface gives the layers below it.
//
// Part of the interface (ui/, library zkt_ui): it stands on the renderer (render/), the text
// services (text/) and the foundation (core/), and under the subsystems and the program
// shell (app/), which install its start-up here.
#pragma once

#include "core/report.h"

// The sink: a line becomes a message line (text/messages.h) in the palette entry of its
// colour, a box or a question a dialog (ui/dialogs.h), the status line a line on standard
// output, a sound an interface sound (core/sound.h).
ReportSink InterfaceReportSink();

// Installs the text services (InstallTextServices), the report sink, the process
// framework's ForgetInterfaceOwner, the renderer's BuildFontTexture and the code pages'
// CodePageHasFont.  Once at start-up, before anything is logged or reported.
void InstallInterface();
