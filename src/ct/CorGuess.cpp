#include "ct/CorGuess.h"

#include <cmath>
#include <limits>
#include <vector>

#include "imagedata/ImgData.h"

bool imagesPerHalfTurn(double rangeDeg, int frameCount, long long& k) {
  const double q = 180.0 / rangeDeg;
  if (!std::isfinite(q)) return false;
  const double t = std::trunc(q * frameCount);
  if (!std::isfinite(t) || std::fabs(t) > static_cast<double>(std::numeric_limits<int>::max()))
    return false;
  k = static_cast<long long>(t);
  return true;
}

int corPartnerIndex(double rangeDeg, int frameCount, int start) {
  if (frameCount <= 0) return -1;
  long long k = 0;
  if (!imagesPerHalfTurn(rangeDeg, frameCount, k)) return -1;
  long long p = k + start;
  if (p == frameCount) p = frameCount - 1;
  p %= frameCount;
  if (p < 0) p += frameCount;  // a negative range must not index before the list
  return static_cast<int>(p);
}

namespace {
inline double sampleAt(const double* line, int length, double x) {
  const double fi = std::floor(x);
  if (!(fi >= -1.0) || !(fi < length)) return 0.0;
  const long long i = static_cast<long long>(fi);
  const double y0 = (i >= 0) ? line[i] : 0.0;
  const double y1 = (i + 1 < length) ? line[i + 1] : 0.0;
  return interpolate(x, fi, y0, fi + 1.0, y1);
}
}  // namespace

double corScore(const double* a, const double* b, int length, double t, double fraction) {
  if (length < 1) return 0.0;
  const double len = length;
  // Only the k with |k - len| < fraction * len contribute; U[k] = A(t - len + k)
  // and V[k] = B(t + len - k). The opposite projection is the mirror image
  // about the centre of rotation, B(x) = A(2 cor - x), so the pairs meet
  // about t itself and the best score lies at t = cor (pairing with
  // t + len - 1 - k would mirror about t - 1/2 and guess half a pixel high).
  const double w = fraction * len;
  if (!(w > 0.0)) return 0.0;
  long long kLo = static_cast<long long>(std::floor(len - w));
  long long kHi = static_cast<long long>(std::ceil(len + w));
  if (kLo < 0) kLo = 0;
  if (kHi > 2LL * length - 1) kHi = 2LL * length - 1;
  double sum = 0.0;
  for (long long k = kLo; k <= kHi; ++k) {
    if (!(std::fabs(static_cast<double>(k) - len) < w)) continue;
    const double u = sampleAt(a, length, t - len + static_cast<double>(k));
    const double v = sampleAt(b, length, t + len - static_cast<double>(k));
    sum += u * v;
  }
  return sum;
}

double guessCor(const SinogramSource& src, const SinogramParams& p, double fraction,
                double currentCor) {
  const int n = static_cast<int>(src.frames.size());
  const int start = firstImage(p, n);
  const int partner = corPartnerIndex(p.dataSetRangeDeg, n, start);
  if (partner < 0 || !std::isfinite(currentCor)) return currentCor;
  const int length = detectorLength(src, p.rotAxIsV);
  if (length < 1) return currentCor;

  std::vector<double> a(length, 0.0), b(length, 0.0), scratch;
  auto take = [&](const ImgData* f, std::vector<double>& dst) {
    const double* line = frameLine(f, p.rotAxIsV, p.slice, scratch);
    if (!line) return;
    const int size = p.rotAxIsV ? f->width() : f->height();
    for (int i = 0; i < length && i < size; ++i) dst[i] = line[i];
  };
  take(src.frames[start], a);
  take(src.frames[partner], b);

  double c = currentCor;
  double best = 0.0;
  double candidate = c;
  // Each pass either raises the best score or ends the search; the cap only
  // guards against pathological input.
  for (int pass = 0; pass < 100000; ++pass) {
    bool rose = false;
    for (double t = c - 10.0; t < c + 10.0; t += 1.0) {
      const double s = corScore(a.data(), b.data(), length, t, fraction);
      if (s > best) {
        best = s;
        candidate = t;
        rose = true;
      }
    }
    if (!rose) break;
    c = candidate;
  }
  const double from = candidate;
  for (double t = from - 2.0; t < from + 2.0; t += 0.1) {
    const double s = corScore(a.data(), b.data(), length, t, fraction);
    if (s > best) {
      best = s;
      candidate = t;
    }
  }
  return candidate;
}
