#pragma once

#include <functional>

#include "ct/CtRunParams.h"

// What one dispatch step of a slice-range run leaves behind.
struct CtDispatchResult {
  int started = 0;        // slices handed out by this step
  int busy = 0;           // busy workers among those the run may use
  double percent = 0.0;   // progress, one decimal
  bool finished = false;  // nothing left to hand out and nobody busy
};

// Hands the run's next slices to idle workers: for each of the first
// min(threads, workerCount) workers, while currentSlice is in the range and
// the worker can be claimed, start(worker, currentSlice) and advance
// currentSlice by the step. claim(worker) reserves an idle worker (false when
// it is busy); busy(worker) reports a worker's state afterwards. A run that
// may use no worker (threads <= 0) is finished at once.
CtDispatchResult dispatchSlices(CtRunParams& p, int workerCount,
                                const std::function<bool(int)>& claim,
                                const std::function<void(int, int)>& start,
                                const std::function<bool(int)>& busy);

// Progress of a run in percent, truncated to one decimal and at most 100:
// done = (currentSlice - sliceFrom) / s - busy + 1 and total = (sliceTo -
// sliceFrom) / s + 1 with s the step when it is 2 or more, else 1 (integer
// divisions). A descending range is measured the same way from its top.
double runProgressPercent(const CtRunParams& p, int busy);
