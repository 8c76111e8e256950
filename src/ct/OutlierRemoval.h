#pragma once

// Removal of bright outliers ("zingers": single pixels hit by scattered X-ray
// photons or cosmic rays) in projection images: a value is replaced by the
// median of its 3 x 3 neighbourhood when it exceeds that median by more than
// threshold (in the image's own unit). At the image's edges the
// neighbourhood repeats the edge pixels.

// One line of a projection with the lines on either side of it: out[x] is
// line[x], or the median of the 3 x 3 neighbourhood of (x, line) when line[x]
// exceeds it by more than threshold. above and below may be null at the
// image's edge (the line itself stands in for them). out may not alias the
// inputs. A threshold that is not greater than 0 copies the line.
void removeOutliersLine(const double* above, const double* line, const double* below, int length,
                        double threshold, double* out);

// The same over a whole image of width x height values, row-major.
void removeOutliers(const double* image, int width, int height, double threshold, double* out);
