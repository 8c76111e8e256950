#include "ct/SinogramImage.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "ct/CorGuess.h"
#include "imagedata/ImgData.h"

namespace {
// Larger pictures are refused rather than allocated (a tiny range would ask
// for millions of rows).
constexpr long long kMaxPixels = 1LL << 28;

long long floorMod(long long a, long long m) {
  long long r = a % m;
  return r < 0 ? r + m : r;
}
}  // namespace

QImage renderSinogramImage(const HSgm& rec, const SinogramSource& src, const SinogramParams& p,
                           const SinogramImageParams& layout, GreyMap& map) {
  if (rec.hasData()) {
    double mn = std::numeric_limits<double>::max();
    double mx = -std::numeric_limits<double>::max();
    const std::size_t count = static_cast<std::size_t>(rec.width()) * rec.rows();
    const double* raw = rec.raw();
    for (std::size_t i = 0; i < count; ++i) {
      if (raw[i] < mn) mn = raw[i];
      if (raw[i] > mx) mx = raw[i];
    }
    map.takeRange(mn, mx);
  }

  const int n = static_cast<int>(src.frames.size());
  long long k = 0;
  if (n == 0 || !imagesPerHalfTurn(p.dataSetRangeDeg, n, k) || k <= 0) return QImage();
  const int len = detectorLength(src, p.rotAxIsV);
  if (len <= 0) return QImage();
  if (2LL * len * 2LL * k > kMaxPixels) return QImage();
  const int rowsK = static_cast<int>(k);
  const int width = 2 * len;

  QImage image(width, 2 * rowsK, QImage::Format_Grayscale8);
  if (image.isNull()) return image;
  const int start = firstImage(p, n);
  std::vector<double> scratch, line(len, 0.0);
  std::vector<std::uint8_t> grey(width);
  for (int i = 0; i < rowsK; ++i) {
    const long long index =
        floorMod(start + floorMod(static_cast<long long>(layout.offsetY) + i, rowsK), n);
    const ImgData* f = src.frames[index];
    std::fill(line.begin(), line.end(), 0.0);
    if (const double* l = frameLine(f, p.rotAxIsV, p.slice, scratch)) {
      const int size = p.rotAxIsV ? f->width() : f->height();
      for (int x = 0; x < len && x < size; ++x) line[x] = l[x];
    }
    for (int c = 0; c < width; ++c) {
      const double x = p.cor - len + c;
      const double fi = std::floor(x);
      double v = 0.0;
      if (fi >= -1.0 && fi < len) {
        const long long j = static_cast<long long>(fi);
        const double y0 = j >= 0 ? line[j] : 0.0;
        const double y1 = j + 1 < len ? line[j + 1] : 0.0;
        v = interpolate(x, fi, y0, fi + 1.0, y1);
      }
      grey[c] = static_cast<std::uint8_t>(map.index(v));
    }
    const int rowA = layout.alterStack ? 2 * i : i;
    const int rowB = layout.alterStack ? 2 * rowsK - 1 - 2 * i : i + rowsK;
    std::uint8_t* a = image.scanLine(rowA);
    std::uint8_t* b = image.scanLine(rowB);
    for (int c = 0; c < width; ++c) {
      a[c] = grey[c];
      b[width - 1 - c] = grey[c];
    }
  }
  return image;
}
