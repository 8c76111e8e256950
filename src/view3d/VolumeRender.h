#pragma once

// The 3D view's picture without any widget: one ray per picture pixel through each
// slice stack (largest windowed value along the ray), the cut-away cross section in
// its own colour, and the stack's bounding box drawn as back and front edges.
// The volume of a set is rendered in parallel rows into a layer that is composed
// over the picture, pixel for pixel as if each pixel were painted as a point.

#include <QColor>
#include <QImage>
#include <QSize>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "view3d/SliceDatas.h"
#include "view3d/Vec3.h"

class QPainter;

// Settings of one slice set, filled by its control panel.
struct SliceSetStyle {
  double rMin = 0, rMax = 1;      // the series' range
  double minPC = 0, maxPC = 100;  // value window in percent of the range
  QColor volumeColor{0, 127, 127};
  QColor sectionColor{127, 0, 0};
  int opacity = 255;  // 0..255
  bool showFrame = true, showVolume = true, showSection = false;
  Vec3 sectionNormal;  // (0, 0, 0) until the view has turned
  int slider = 0;      // cross-section position, -100..100
};

// Orientation, centre, zoom and picture size of the view.
struct ViewState {
  Vec3 ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1};
  Vec3 m;
  double scale = 1.0;  // volume units per picture pixel
  int width = 256, height = 256;
};

// One set to draw: its series (held while drawing) and its settings.
struct SliceSetInput {
  std::shared_ptr<const SliceSeries> series;
  SliceSetStyle style;
};
// The set's current series, or an empty one while it is being reloaded.
SliceSetInput sliceSetInput(const SliceDatas& datas, const SliceSetStyle& style);

constexpr int kMaxPictureSide = 8192;
// Picture size clamped to 1..kMaxPictureSide per side (with a debug-log line when changed).
QSize clampedPictureSize(int width, int height);

// low = rMin + minPC (rMax - rMin) / 100, high likewise with maxPC. high may lie
// below low: the windowed value u = (v - low) / (high - low) * 256 then grows as v
// falls, and a ray shows its smallest value in the window.
void valueWindow(const SliceSetStyle& style, double* low, double* high);

// Depth band of the cross section. Samples at depth d = Q.N >= s are cut away; of
// the kept samples with d >= s - band, the one nearest the plane (the largest d; a
// later slice on a tie) gives the section value. The band is one unit wide, or as
// wide as the depth step between a ray's successive slice samples, |N.Ez / Ez.z|,
// when that is wider: a ray tilted against the slices then still has a sample in
// the band wherever it crosses the plane inside the stack, and the cut face is
// closed at every tilt.
inline double sectionBand(const Vec3& normal, const Vec3& ez) {
  const double step = std::abs(normal.dot(ez) / ez.z);
  // A hair wider than the step, so that the rounding of the sample depths cannot
  // open a gap between two successive samples.
  return std::max(1.0, step) * (1 + 1e-9);
}

// Channel of a colour component c shaded by q (0 white .. 255 the colour itself).
inline int shadeChannel(int c, double q) {
  const double v = 255.0 - q * (1.0 - c / 255.0);
  return v <= 0 ? 0 : (v >= 255 ? 255 : int(v + 0.5));
}

// The volume layer of one set at the view's picture size (Format_ARGB32_Premultiplied,
// transparent where no pixel is drawn). threads <= 0: one per hardware thread.
QImage renderVolumeLayer(const SliceSeries& series, const SliceSetStyle& style,
                         const ViewState& view, int threads = 0);

// Turns the AVX2 sweep off (false) or back on where the processor has it; returns
// the previous setting. For checking the scalar path against the vector path.
bool setVolumeRenderVectorPath(bool enabled);

// Back (front = false) or front edges of the set's box, in the volume colour.
// lineOffset shifts the edges (0.5 puts them on pixel centres for vector output,
// where a line on whole coordinates would straddle two pixels).
void paintFrame(QPainter& p, const SliceSeries& series, const SliceSetStyle& style,
                const ViewState& view, bool front, double lineOffset = 0.0);

// White, then per set with slices: back frame, volume, front frame. W x H is the
// picture size (view.width/height are ignored here).
void paintPicture(QPainter& p, int width, int height, const std::vector<SliceSetInput>& sets,
                  const ViewState& view, double lineOffset = 0.0);

// A new picture of the view's (clamped) size painted with paintPicture.
QImage renderPicture(const std::vector<SliceSetInput>& sets, const ViewState& view);
