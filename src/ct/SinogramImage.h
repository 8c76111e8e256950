#pragma once

#include <QImage>

#include "base/GreyMap.h"
#include "ct/HSgm.h"
#include "ct/SinogramBuilder.h"

// How the sinogram picture is laid out.
struct SinogramImageParams {
  int offsetY = 0;          // first image row offset (in projections)
  bool alterStack = false;  // interleave the two half turns
};

// The sinogram picture of a slice: K = images per half turn rows of raw
// detector lines around the CoR (2 * length wide), each followed by its
// mirror for the opposite half turn. Unless map.fixed, the map's range is
// first set to the min/max of rec's raw values. Returns a null image when the
// range gives no finite K, K <= 0, there are no frames, or the picture would
// be unreasonably large.
QImage renderSinogramImage(const HSgm& rec, const SinogramSource& src, const SinogramParams& p,
                           const SinogramImageParams& layout, GreyMap& map);
