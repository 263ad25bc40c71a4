// dash_draw_gpu_test.cpp - dashboards drawn into a texture on the real GL device.
#include <gtest/gtest.h>
