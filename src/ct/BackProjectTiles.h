#pragma once

// The tile walk shared by the back-projection kernels. Included by each
// kernel's source file only; everything here has internal linkage so that
// code compiled for one instruction set never stands in for another's.

#include <algorithm>

#include "ct/BackProjector.h"

namespace {

constexpr int kTileRows = 16;
constexpr int kTileCols = 32;
constexpr int kProjBlock = 64;

// Calls span(y, xs, xe, j0, j1, ys) for every row segment of every tile and
// every block of projections, blocks in ascending order, where ys[j - j0] =
// (y - h) * sin_j. Each pixel therefore sees its projections in order.
template <typename Span>
inline void forEachTileSpan(const BackProjectTask& task, Span&& span) {
  int xMin = task.n, xMax = 0;
  for (int y = task.yBegin; y < task.yEnd; ++y) {
    const int r = y - task.yBegin;
    if (task.xBegin[r] < task.xEnd[r]) {
      xMin = std::min(xMin, task.xBegin[r]);
      xMax = std::max(xMax, task.xEnd[r]);
    }
  }
  if (xMin >= xMax) return;
  alignas(32) double ys[kProjBlock];
  for (int ty = task.yBegin; ty < task.yEnd; ty += kTileRows) {
    const int tyEnd = std::min(ty + kTileRows, task.yEnd);
    for (int tx = xMin; tx < xMax; tx += kTileCols) {
      const int txEnd = tx + kTileCols;
      for (int j0 = 0; j0 < task.count; j0 += kProjBlock) {
        const int j1 = std::min(j0 + kProjBlock, task.count);
        for (int y = ty; y < tyEnd; ++y) {
          const int r = y - task.yBegin;
          const int xs = std::max(task.xBegin[r], tx);
          const int xe = std::min(task.xEnd[r], txEnd);
          if (xs >= xe) continue;
          const double dy = y - task.h;
          for (int j = j0; j < j1; ++j) ys[j - j0] = dy * task.sinv[j];
          span(y, xs, xe, j0, j1, ys);
        }
      }
    }
  }
}

// One pixel over projections [j0, j1), in the plain loop's operation order.
inline void pixelSpan(const BackProjectTask& task, double* pixel, int x, int j0, int j1,
                      const double* ys) {
  const double xh = x - task.h;
  double acc = *pixel;
  for (int j = j0; j < j1; ++j) {
    const double t = (xh * task.cosv[j] - ys[j - j0]) + task.h;
    const double fl = std::floor(t);
    const double* p = task.pairs[j] + 2 * static_cast<int>(fl);
    acc = acc + (p[0] + (t - fl) * p[1]);
  }
  *pixel = acc;
}

}  // namespace
