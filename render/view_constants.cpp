// view_constants.cpp - the view pixel-shader constants.
#include "render/view_constants.h"

#include <cstring>

#include "render/constant_buffers.h"
#include "render/matrices.h"
#include "render/views.h"

const ViewTransformTable* ViewTransformSource;

void UploadViewPSConstants(int relativeToView) {
  ViewPSConstants c{};
  for (int k = 0; k < VIEW_SOURCE_TRANSFORMS; ++k) {
    float transform[16];
    if (ViewTransformSource) std::memcpy(transform, ViewTransformSource->transforms[k], sizeof transform);
    else SetIdentityMatrix(transform);
    if (relativeToView) MultiplyMatrix(transform, transform, ViewMatrix);
    CopyTransposed3x4(c.rows[k], transform);
  }
  float p[3] = {0, 0, 0};
  if (ViewTransformSource)
    for (int i = 0; i < 3; ++i) p[i] = float(ViewTransformSource->reference[i]) * (1.0f / 65536.0f);
  if (relativeToView && CurrentView) {
    float d[3];
    for (int i = 0; i < 3; ++i) d[i] = p[i] - float(CurrentView->position[i]) * (1.0f / 65536.0f);
    for (int j = 0; j < 3; ++j) p[j] = d[0] * ViewMatrix[j] + d[1] * ViewMatrix[4 + j] + d[2] * ViewMatrix[8 + j];
  }
  std::memcpy(c.reference, p, sizeof p);
  ConstantRow& row = PSConstants[PS_ROW_VIEW_CONSTANTS];
  std::memcpy(row.data, &c, sizeof c);
  if (row.buffer) UpdatePSBuffer(PS_ROW_VIEW_CONSTANTS);
}
