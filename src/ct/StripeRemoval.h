#pragma once

// Ring-artefact removal in a sinogram (rows = projections, columns = detector
// samples): a detector pixel that reads too high or too low in every
// projection draws a stripe along the angle axis, which back-projects into a
// ring. Each column is sorted along the angle axis, the sorted sinogram is
// median-filtered across the detector axis with a window of `size` samples
// (made odd, at most the width; the columns beyond an edge are mirrored onto
// it), and the filtered values are put back in each column's original order.
// A stripe is an outlier among its neighbours at every rank, so the median
// takes it out, while smooth content, whose sorted columns change slowly
// across the detector, passes. size < 3 leaves the sinogram as it is.
//
// sgm: width x rows values, row-major, changed in place.
void removeStripes(double* sgm, int width, int rows, int size);
