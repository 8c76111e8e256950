#pragma once

// The tile walk shared by the back-projection kernels. Included by each
// kernel's source file only; everything here has internal linkage so that
// code compiled for one instruction set never stands in for another's.

#include <algorithm>
#include <cmath>

#include "ct/BackProjector.h"

namespace {

// Pixels are visited in blocks of about 128 x 128 (their part of the image
// and the sample windows of a block of projections stay in L2), and within
// a block in tiles of 16 x 32 pixels (their sample windows stay in L1).
struct TileShape {
  int blockRows = 128, blockCols = 128;
  int tileRows = 16, tileCols = 32;
  int projections = 32;  // projections per pass over a block
};
constexpr int kMaxProjBlock = 64;

// Calls span(y, xs, xe, j0, j1, ys) for every row segment of every tile and
// every group of projections [j0, j1) within [jBegin, jEnd), groups in
// ascending order, where ys[j - j0] = (y - h) * sin_j. Each pixel therefore
// sees its projections in order.
template <typename Span>
inline void forEachTileSpan(const BackProjectTask& task, int jBegin, int jEnd,
                            const TileShape& shape, Span&& span) {
  if (jBegin >= jEnd) return;
  int xMin = task.n, xMax = 0;
  for (int y = task.yBegin; y < task.yEnd; ++y) {
    const int r = y - task.yBegin;
    if (task.xBegin[r] < task.xEnd[r]) {
      xMin = std::min(xMin, task.xBegin[r]);
      xMax = std::max(xMax, task.xEnd[r]);
    }
  }
  if (xMin >= xMax) return;
  const int pb = std::clamp(shape.projections, 1, kMaxProjBlock);
  alignas(32) double ys[kMaxProjBlock];
  for (int by = task.yBegin; by < task.yEnd; by += shape.blockRows) {
    const int byEnd = std::min(by + shape.blockRows, task.yEnd);
    for (int bx = xMin; bx < xMax; bx += shape.blockCols) {
      const int bxEnd = std::min(bx + shape.blockCols, xMax);
      for (int j0 = jBegin; j0 < jEnd; j0 += pb) {
        const int j1 = std::min(j0 + pb, jEnd);
        for (int ty = by; ty < byEnd; ty += shape.tileRows) {
          const int tyEnd = std::min(ty + shape.tileRows, byEnd);
          for (int tx = bx; tx < bxEnd; tx += shape.tileCols) {
            const int txEnd = std::min(tx + shape.tileCols, bxEnd);
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
    const double* p = task.samples[j] + static_cast<int>(fl);
    acc = acc + (p[0] + (t - fl) * p[task.diffOffset]);
  }
  *pixel = acc;
}

// The same for pixel (x, y), computing its own (y - h) sin.
inline void pixelSpanAt(const BackProjectTask& task, int x, int y, int j0, int j1) {
  const double dy = y - task.h;
  const double xh = x - task.h;
  double* pixel = task.image + static_cast<long long>(y) * task.n + x;
  double acc = *pixel;
  for (int j = j0; j < j1; ++j) {
    const double t = (xh * task.cosv[j] - dy * task.sinv[j]) + task.h;
    const double fl = std::floor(t);
    const double* p = task.samples[j] + static_cast<int>(fl);
    acc = acc + (p[0] + (t - fl) * p[task.diffOffset]);
  }
  *pixel = acc;
}

// Turned pixels (see BackProjectTask::quarterTurn): pixel (x, y) at
// projection j + quarterTurn has the detector position that pixel (x', y')
// has at projection j, where for the pixel (x + k, y):
//   turn +1: the partner is (y, n - x - k), turn -1: (n - y, x + k),
// so four neighbours in a row have four neighbours in a column as partners.
struct PartnerColumn {
  int col;      // partner column
  int row0;     // partner row of lane 0
  int rowStep;  // -1 or +1 per lane
};
inline PartnerColumn partnerOf(const BackProjectTask& task, int x, int y) {
  if (task.turnSign > 0) return {y, task.n - x, -1};
  return {task.n - y, x, 1};
}

// True when the pixels [x, x + lanes) of row y and their partners overlap
// (only near the centre), so they cannot be held in registers at once.
inline bool partnersOverlap(const BackProjectTask& task, int x, int y, int lanes) {
  const PartnerColumn p = partnerOf(task, x, y);
  if (p.col < x || p.col >= x + lanes) return false;
  const int rLast = p.row0 + p.rowStep * (lanes - 1);
  return y >= std::min(p.row0, rLast) && y <= std::max(p.row0, rLast);
}

// Fallback for such pixels: their own projections [j0, j1) and their
// partners' [j0 + turn, j1 + turn), one pixel at a time.
inline void pairedPixelsOneByOne(const BackProjectTask& task, int x, int y, int lanes, int j0,
                                 int j1) {
  const PartnerColumn p = partnerOf(task, x, y);
  for (int k = 0; k < lanes; ++k) {
    pixelSpanAt(task, x + k, y, j0, j1);
    pixelSpanAt(task, p.col, p.row0 + p.rowStep * k, j0 + task.quarterTurn, j1 + task.quarterTurn);
  }
}

// Projections [0, count) of a task as passes: [0, paired) with their turned
// partners, then the rest one by one.
struct ProjectionPasses {
  int paired = 0;                  // j < paired have partners j + quarterTurn
  int restBegin = 0, restEnd = 0;  // the others
};
inline ProjectionPasses projectionPasses(const BackProjectTask& task) {
  ProjectionPasses p;
  const int k = task.quarterTurn;
  if (k <= 0 || k >= task.count) {
    p.restEnd = task.count;
    return p;
  }
  p.paired = std::min(k, task.count - k);
  if (task.count <= 2 * k) {
    p.restBegin = p.paired;
    p.restEnd = k;
  } else {
    p.restBegin = 2 * k;
    p.restEnd = task.count;
  }
  return p;
}

}  // namespace
