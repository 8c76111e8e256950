#pragma once

// A reconstructed slice as a single-page 32-bit float TIFF, for tools that
// read images rather than the "#VNTO-CTImg" text: the same region and the
// same values as the CT data file (limits applied, offset added), rounded to
// float. The page is region width x region height pixels, pixel (i, j) being
// image column trunc(X0) + i of row trunc(Y0) + j; the image description
// carries the CT data file's header lines, so the region's place is kept.

#include <QByteArray>

#include "output/CtDataFile.h"

// Appends the whole TIFF file to out. False (out unchanged) when the region
// holds no pixel or is too large for one page.
bool appendCtFloatTiff(QByteArray& out, const double* image, int rows, int rowLength,
                       const CtDataRegion& region, const CtDataLimits& limits);
