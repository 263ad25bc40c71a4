// install_shell.cpp - the shell's tests run with every hook installed, as start-up installs
// them, also for tests that drive the window or a screen without starting the program.
#include "app/app.h"

namespace {
const int g_installed = (InstallShellHooks(), 1);
}  // namespace
