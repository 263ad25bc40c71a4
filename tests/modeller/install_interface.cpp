// install_interface.cpp - the modeller's tests run with the interface's hooks installed, as
// the program's start-up installs them.
#include "ui/report_sink.h"

namespace {
const int g_installed = (InstallInterface(), 1);
}  // namespace
