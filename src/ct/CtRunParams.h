#pragma once

#include "ct/FbpFilter.h"

// Parameters of one reconstruction run, filled from the processing-control
// panel and the main window's saving settings on the GUI thread when a run
// starts, and only read (by the calculators and their worker threads) while
// the run lasts.
struct CtRunParams {
  bool singleOn = false;  // single-panel calculation selected
  bool workersOn = true;  // worker calculation selected
  bool rotAxIsV = false;
  int sliceNo = 0;
  double cor = 0.0;
  double cor1 = 0.0;
  double cor2 = 0.0;
  int corSlice1 = -1;
  int corSlice2 = -1;
  double angleOriginDeg = 0.0;
  int dataSetImages = 0;
  double dataSetRangeDeg = 180.0;
  bool usePartial = false;  // a partial data set: usingImages from startImageNo
  int usingImages = 0;
  int startImageNo = 0;
  bool autoExec = false;
  int sliceFrom = 0;
  int sliceTo = 0;
  int sliceStep = 1;  // magnitude of the step, negated for a descending range
  int threads = 1;
  int currentSlice = 0;
  double upperLimit = 10.0;
  double lowerLimit = -10.0;
  double offset = 10.0;
  bool saveDataTiff = false;  // saved slices as 32-bit float TIFF instead of CT data files
  // Reconstruction options, all off by default.
  FbpFilterChoice filter;         // ramp window and padding
  int ringRemovalSize = 0;        // stripe removal across this many detector columns; < 3: off
  double outlierThreshold = 0.0;  // raw excess over the 3 x 3 median; <= 0: off
};
