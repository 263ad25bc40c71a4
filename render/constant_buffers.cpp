// constant_buffers.cpp - the constant rows of the three stages and the compute job buffers.
#include "render/constant_buffers.h"

#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/report.h"
#include "render/device.h"
#include "render/material.h"

ConstantRow VSConstants[VS_CONSTANT_ROWS];
ConstantRow PSConstants[PS_CONSTANT_ROWS];
ConstantRow CSConstants[CS_CONSTANT_ROWS];
uint8_t VSBoundRow[CONSTANT_SLOTS], PSBoundRow[CONSTANT_SLOTS], CSBoundRow[CONSTANT_SLOTS];
uint32_t ConstantUploadCount;
ComputeJob SharedComputeJob;

namespace {

struct RowShape {
  uint8_t slot;
  uint16_t size;
};
// The later rows share slots: vertex row 14 slot 10 (row 15 has slot 14 to itself); pixel rows 8..11, 13, 14 slot 8, 12 and 15 slot 9.
// Pixel row 19, the view constants, has slot 13 to itself.
constexpr RowShape VS_SHAPES[VS_CONSTANT_ROWS] = {{0, 64},  {1, 64},  {2, 112}, {3, 64},   {4, 32},
                                                  {5, 48},  {6, 80},  {7, 64},  {8, 16},   {9, 256},
                                                  {10, 48}, {11, 96}, {12, 144}, {13, 192}, {10, 96},
                                                  {14, 32}};
constexpr RowShape PS_SHAPES[PS_CONSTANT_ROWS] = {{0, 32},  {1, 96}, {2, 16},  {3, 16},  {4, 48},
                                                  {5, 48},  {6, 128}, {7, 304}, {8, 16},  {8, 80},
                                                  {8, 16},  {8, 16}, {9, 16},  {8, 176}, {8, 16},
                                                  {9, 32},  {10, 48}, {11, 64}, {12, 16},
                                                  {13, 880}};
constexpr RowShape CS_SHAPES[CS_CONSTANT_ROWS] = {{0, 16}};

template <int N>
constexpr uint32_t TotalBytes(const RowShape (&shapes)[N]) {
  uint32_t total = 0;
  for (const RowShape& s : shapes) total += s.size;
  return total;
}

// Each row's data and shadow live here for the whole run, device or not.
alignas(16) uint8_t g_vsBytes[2 * TotalBytes(VS_SHAPES)];
alignas(16) uint8_t g_psBytes[2 * TotalBytes(PS_SHAPES)];
alignas(16) uint8_t g_csBytes[2 * TotalBytes(CS_SHAPES)];

template <int N>
void LayOut(ConstantRow (&rows)[N], const RowShape (&shapes)[N], uint8_t* bytes) {
  for (int i = 0; i < N; ++i) {
    rows[i].slot = shapes[i].slot;
    rows[i].size = shapes[i].size;
    rows[i].data = bytes;
    rows[i].shadow = bytes + shapes[i].size;
    bytes += 2 * shapes[i].size;
  }
}

const int g_laidOut = (LayOut(VSConstants, VS_SHAPES, g_vsBytes), LayOut(PSConstants, PS_SHAPES, g_psBytes),
                       LayOut(CSConstants, CS_SHAPES, g_csBytes), std::memset(VSBoundRow, 0xFF, sizeof VSBoundRow),
                       std::memset(PSBoundRow, 0xFF, sizeof PSBoundRow),
                       std::memset(CSBoundRow, 0xFF, sizeof CSBoundRow), 1);

void Report(const char* text) { ReportLine(text, REPORT_MESSAGE, REPORT_TARGET_DEBUG); }

// The data to the buffer when it differs from what the buffer holds (or always with force).
void Refresh(ConstantRow& r, bool force) {
  if (!force && r.uploaded && std::memcmp(r.data, r.shadow, r.size) == 0) return;
  std::memcpy(r.shadow, r.data, r.size);
  if (!r.buffer) return;  // the device makes the buffer from the shadow later
  GfxUpdateSubresource(Gfx.context, r.buffer, 0, nullptr, r.shadow, 0, 0);
  r.uploaded = 1;
  ++ConstantUploadCount;
}

template <int N>
ConstantRow* RowOf(ConstantRow (&rows)[N], int row, const char* caller) {
  if (row >= 0 && row < N) return &rows[row];
  char line[96];
  std::snprintf(line, sizeof line, "%s: no constant row %d", caller, row);
  Report(line);
  return nullptr;
}

template <int N>
bool MakeRows(ConstantRow (&rows)[N]) {
  for (ConstantRow& r : rows) {
    GfxBufferDesc d;
    d.byteWidth = r.size;
    d.usage = GFX_USAGE_DEFAULT;
    d.bindFlags = GFX_BIND_CONSTANT_BUFFER;
    GfxSubresourceData initial{r.shadow, 0, 0};
    if (GfxFailed(GfxCreateBuffer(Gfx.device, d, &initial, &r.buffer))) return false;
    r.uploaded = 1;
  }
  return true;
}

template <int N>
void ReleaseRows(ConstantRow (&rows)[N]) {
  for (ConstantRow& r : rows) {
    GfxRelease(r.buffer);
    r.uploaded = 0;
  }
}

}  // namespace

int CreateConstantBuffers() {
  if (!Gfx.device) return 0;
  if (!MakeRows(VSConstants) || !MakeRows(PSConstants) || !MakeRows(CSConstants)) {
    LogLine("CreateConstantBuffers failed");
    ReleaseConstantBuffers();
    return 0;
  }
  std::memset(VSBoundRow, 0xFF, sizeof VSBoundRow);
  std::memset(PSBoundRow, 0xFF, sizeof PSBoundRow);
  std::memset(CSBoundRow, 0xFF, sizeof CSBoundRow);
  for (int row = 0; row < VS_FIXED_ROWS; ++row) SetVSBufferActive(row);
  for (int row = 0; row < PS_FIXED_ROWS; ++row) SetPSBufferActive(row);
  return 1;
}

void ReleaseConstantBuffers() {
  if (Gfx.context) {
    GfxVSSetConstantBuffers(Gfx.context, 0, CONSTANT_SLOTS, nullptr);
    GfxPSSetConstantBuffers(Gfx.context, 0, CONSTANT_SLOTS, nullptr);
    GfxCSSetConstantBuffers(Gfx.context, 0, CONSTANT_SLOTS, nullptr);
  }
  ReleaseRows(VSConstants);
  ReleaseRows(PSConstants);
  ReleaseRows(CSConstants);
  std::memset(VSBoundRow, 0xFF, sizeof VSBoundRow);
  std::memset(PSBoundRow, 0xFF, sizeof PSBoundRow);
  std::memset(CSBoundRow, 0xFF, sizeof CSBoundRow);
}

// ---- [Uploads] ----

void SetVSBufferActive(int row) {
  ConstantRow* r = RowOf(VSConstants, row, "SetVSBufferActive");
  if (!r || !r->buffer || VSBoundRow[r->slot] == row) return;
  GfxVSSetConstantBuffers(Gfx.context, r->slot, 1, &r->buffer);
  VSBoundRow[r->slot] = uint8_t(row);
}

void SetPSBufferActive(int row) {
  ConstantRow* r = RowOf(PSConstants, row, "SetPSBufferActive");
  if (!r || !r->buffer || PSBoundRow[r->slot] == row) return;
  GfxPSSetConstantBuffers(Gfx.context, r->slot, 1, &r->buffer);
  PSBoundRow[r->slot] = uint8_t(row);
}

// Rows sharing a slot are bound whether or not their bytes changed: another row may hold
// the slot since they were last uploaded.
void UpdateVSBufferIfNeeded(int row) {
  ConstantRow* r = RowOf(VSConstants, row, "UpdateVSBufferIfNeeded");
  if (!r) return;
  Refresh(*r, false);
  if (row >= VS_FIXED_ROWS) SetVSBufferActive(row);
}

void UpdateMaterialVSBuffers(int row) { UpdateVSBufferIfNeeded(row); }

void UpdatePSBufferIfNeeded(int row) {
  ConstantRow* r = RowOf(PSConstants, row, "UpdatePSBufferIfNeeded");
  if (!r) return;
  Refresh(*r, false);
  if (row >= PS_FIXED_ROWS) SetPSBufferActive(row);
}

void UpdatePSBuffer(int row) {
  ConstantRow* r = RowOf(PSConstants, row, "UpdatePSBuffer");
  if (!r) return;
  Refresh(*r, true);
  if (row >= PS_FIXED_ROWS) SetPSBufferActive(row);
}

void UpdateCSBufferIfNeeded(const void* data) {
  ConstantRow& r = CSConstants[0];
  std::memcpy(r.data, data, r.size);
  Refresh(r, false);
  if (r.buffer && CSBoundRow[r.slot] != 0) {
    GfxCSSetConstantBuffers(Gfx.context, r.slot, 1, &r.buffer);
    CSBoundRow[r.slot] = 0;
  }
}

void UploadConstantRowData(int stage, int row, const void* bytes, uint32_t size) {
  ConstantRow* r = stage == 0   ? RowOf(VSConstants, row, "UploadConstantRow")
                   : stage == 1 ? RowOf(PSConstants, row, "UploadConstantRow")
                   : stage == 2 ? RowOf(CSConstants, row, "UploadConstantRow")
                                : nullptr;
  if (!r) return;
  if (size > r->size) {
    char line[112];
    std::snprintf(line, sizeof line, "UploadConstantRow: %u bytes for row %d of stage %d, which holds %u", size, row,
                  stage, r->size);
    Report(line);
    size = r->size;  // the row's own bytes only; the rest is not sent
  }
  std::memcpy(r->data, bytes, size);
  if (stage == 0) UpdateMaterialVSBuffers(row);
  else if (stage == 1) UpdatePSBufferIfNeeded(row);
  else UpdateCSBufferIfNeeded(r->data);
}

// ---- [Compute] ----

GfxResult CreateBufferUAV(GfxBuffer buffer, GfxUnorderedAccessView* out) {
  *out = GfxUnorderedAccessView{};
  GfxBufferDesc d;
  GfxGetDesc(buffer, &d);
  GfxUavDesc view;
  if (d.miscFlags & GFX_MISC_BUFFER_RAW) {
    view.numElements = d.byteWidth / 4;  // R32_TYPELESS words
  } else if (d.structureByteStride > 0) {
    view.numElements = d.byteWidth / d.structureByteStride;
  } else {
    return GFX_E_INVALIDARG;
  }
  return GfxCreateUnorderedAccessView(Gfx.device, buffer, &view, out);
}

const char* CreateComputeBuffers(ComputeJob& job) {
  ReleaseComputeBuffers(job);
  GfxBufferDesc raw;
  raw.byteWidth = COMPUTE_BUFFER_BYTES;
  raw.usage = GFX_USAGE_DEFAULT;
  raw.bindFlags = GFX_BIND_UNORDERED_ACCESS | GFX_BIND_SHADER_RESOURCE;
  raw.miscFlags = GFX_MISC_BUFFER_RAW;
  if (!Gfx.device || GfxFailed(GfxCreateBuffer(Gfx.device, raw, nullptr, &job.rawBuffer))) return "CreateRawBuffer";
  if (GfxFailed(CreateBufferUAV(job.rawBuffer, &job.view))) {
    ReleaseComputeBuffers(job);
    return "CreateBufferUAV";
  }
  GfxBufferDesc read;
  read.byteWidth = COMPUTE_BUFFER_BYTES;
  read.usage = GFX_USAGE_STAGING;
  read.cpuAccessFlags = GFX_CPU_ACCESS_READ;
  if (GfxFailed(GfxCreateBuffer(Gfx.device, read, nullptr, &job.readBuffer))) {
    ReleaseComputeBuffers(job);
    return "CreateReadBuffer";
  }
  return nullptr;
}

void ReleaseComputeBuffers(ComputeJob& job) {
  GfxRelease(job.view);
  GfxRelease(job.rawBuffer);
  GfxRelease(job.readBuffer);
}

void RunComputeShader(GfxUnorderedAccessView view, uint32_t groupsX, uint32_t groupsY, GfxShaderResourceView texture) {
  Material::SetCShader(2);
  GfxCSSetUnorderedAccessViews(Gfx.context, 0, 1, &view);
  GfxCSSetShaderResources(Gfx.context, 0, 1, &texture);
  GfxDispatch(Gfx.context, groupsX, groupsY, 1);
  Material::SetCShader(0);
  GfxCSSetUnorderedAccessViews(Gfx.context, 0, 1, nullptr);
  GfxCSSetShaderResources(Gfx.context, 0, 1, nullptr);
}

void GetComputeShaderResult(ComputeJob& job) {
  if (job.rawBuffer && job.readBuffer) GfxCopyResource(Gfx.context, job.readBuffer, job.rawBuffer);
}
