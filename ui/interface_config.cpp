// interface_config.cpp - interface settings; the defaults stand until the file is read.
#include "ui/interface_config.h"

void ReadInterfaceConfig() {}
int SaveInterfaceConfig() { return 1; }
