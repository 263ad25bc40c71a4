// interface_config.h - interface_cfg.txt: interface colours and sizes.
#pragma once

void ReadInterfaceConfig();
int  SaveInterfaceConfig();  // 1 on success
