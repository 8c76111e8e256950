#include <cmath>

#include "ct/BackProjectTiles.h"

// Portable kernel: one pixel at a time, the projections of a block summed in
// a register.
void backProjectScalar(const BackProjectTask& task) {
  forEachTileSpan(task, 0, task.count, TileShape{},
                  [&](int y, int xs, int xe, int j0, int j1, const double* ys) {
                    double* row = task.image + static_cast<long long>(y) * task.n;
                    for (int x = xs; x < xe; ++x) pixelSpan(task, row + x, x, j0, j1, ys);
                  });
}
