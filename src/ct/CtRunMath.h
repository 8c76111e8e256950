#pragma once

#include "ct/CtRunParams.h"

// Projection angles of a run, in radians: projection j of a slice's sinogram
// lies at angle0 + j * dAngle.
struct CtAngles {
  double angle0 = 0.0;
  double dAngle = 0.0;
};

// dAngle = range / 180 * pi / dataSetImages (0 when there are no images, which
// leaves every projection at angle0); angle0 = startImageNo * dAngle + origin
// / 180 * pi.
CtAngles ctAngles(const CtRunParams& p);

// The CoR at a slice, interpolated linearly between the two recorded values
// when both recorded slices are >= 0 and differ; otherwise p.cor.
double interpolatedCor(const CtRunParams& p, int slice);

// The run's slice step: the magnitude of step (at least 1, since a step of 0
// would never leave the range), negated when from > to.
int runSliceStep(int from, int to, int step);

// True when slice lies between sliceFrom and sliceTo (inclusive, either
// order).
bool sliceInRange(const CtRunParams& p, int slice);

// The slices of a run's range (sliceFrom towards sliceTo by sliceStep, a step
// as runSliceStep gives it) measured against a detector with `slices` slices
// (0 .. slices - 1).
struct SliceRangeOnDetector {
  long long asked = 0;   // slices in the range
  long long inside = 0;  // those on the detector
  int firstInside = 0;   // the first and last of them, in the run's order,
  int lastInside = 0;    // when inside > 0
  int firstOutside = 0;  // the first slice off the detector, when inside < asked
};
SliceRangeOnDetector sliceRangeOnDetector(const CtRunParams& p, int slices);

// Whether a centre of rotation leaves a sinogram on a detector line of
// `length` pixels: at least one whole pixel on both sides of it and a
// transform length (sinogram width rounded down to even) of 2 or more.
bool corUsable(int length, double cor);
