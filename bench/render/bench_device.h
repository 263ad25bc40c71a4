// bench_device.h - the renderer's device, made once for the render benchmarks (headless, on
// the GL context the tests use), and a way to forget what the renderer thinks is bound after
// a benchmark drove the layer or GL directly.
#pragma once
#include "platform/gfx.h"

bool BenchDeviceReady();  // makes the device on first use
GfxDevice BenchDevice();
GfxContext BenchContext();
void ForgetRendererBindings();
void BenchDeviceClose();

// The pictures the two 2D benchmarks drew last (FNV-1a of the target's bytes).
extern uint32_t Draw2DPictureHash, HandWrittenPictureHash;
