#include "Phantom.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// Normalised height range covered from the first to the last slice.
constexpr double kHeightSpan = 1.2;
}  // namespace

Phantom::Phantom(int width, int slices, double cor)
    : width_(std::max(width, 1)),
      slices_(std::max(slices, 1)),
      cor_(cor),
      ellipsoids_(standardEllipsoids()) {
  half_ = int(std::floor(std::min(cor_, width_ - cor_ - 1.0)));
  // The largest in-plane semi-axis is 0.92 units, so the object stays within
  // 0.83 of the reconstruction circle's radius (half - 1 pixels).
  scale_ = 0.9 * std::max(half_ - 1, 1);
}

std::vector<Ellipsoid> Phantom::standardEllipsoids() {
  // Shell and interior as in the classic head phantom, with stronger inner
  // contrast; inner features start and end at different heights so that the
  // slices differ. Only positive features may overlap each other, so mu is
  // never negative.
  return {
      // cu, cv, cz, au, av, az, phi, value, material
      {0.0, 0.0, 0.0, 0.69, 0.92, 0.95, 0.0, 1.0, 0},          // skull
      {0.0, -0.0184, 0.0, 0.6624, 0.874, 0.90, 0.0, -0.7, 1},  // brain
      {0.22, 0.0, -0.15, 0.11, 0.31, 0.40, -18.0, -0.2, 2},    // right ventricle
      {-0.22, 0.0, -0.1, 0.16, 0.41, 0.45, 18.0, -0.2, 2},     // left ventricle
      {0.0, 0.35, 0.2, 0.21, 0.25, 0.35, 0.0, 0.2, 3},
      {0.0, 0.1, 0.0, 0.08, 0.08, 0.30, 0.0, 0.3, 3},
      {0.0, -0.1, 0.3, 0.06, 0.06, 0.25, 0.0, 0.3, 3},
      {-0.08, -0.605, -0.3, 0.046, 0.023, 0.20, 0.0, 0.3, 3},
      {0.0, -0.606, 0.0, 0.023, 0.023, 0.30, 0.0, 0.3, 3},
      {0.06, -0.605, 0.25, 0.023, 0.046, 0.25, 0.0, 0.3, 3},
      {0.42, 0.32, -0.4, 0.09, 0.09, 0.15, 0.0, 0.4, 4},   // only in the lower slices
      {-0.4, -0.3, 0.45, 0.12, 0.07, 0.12, 30.0, 0.4, 4},  // only in the upper slices
  };
}

double Phantom::muOf(int material, double energyEV) const {
  if (material == kEdgeMaterial && edgeEV_ > 0.0 && energyEV >= edgeEV_) return kEdgeJump;
  return 1.0;
}

double Phantom::normalisedHeight(double z) const {
  return ((z + 0.5) / slices_ - 0.5) * kHeightSpan;
}

void Phantom::sections(double z, std::vector<Section>& out) const {
  out.clear();
  const double zn = normalisedHeight(z);
  for (const Ellipsoid& e : ellipsoids_) {
    const double t = (zn - e.cz) / e.az;
    if (!(std::fabs(t) < 1.0)) continue;
    const double f = std::sqrt(1.0 - t * t);
    const double phi = e.phiDeg * kPi / 180.0;
    out.push_back({e.cu * scale_, e.cv * scale_, e.au * f * scale_, e.av * f * scale_,
                   std::cos(phi), std::sin(phi), phi,
                   e.value * muOf(e.material, energyEV_) * kMuPerUnit / scale_});
  }
}

double Phantom::lineIntegral(double detectorPos, double thetaRad, double z) const {
  std::vector<Section> secs;
  sections(z, secs);
  const double c = std::cos(thetaRad), s = std::sin(thetaRad);
  double sum = 0.0;
  for (const Section& e : secs) {
    // Support of the ellipse in the ray normal (cos t, -sin t) and the
    // distance of its centre along that normal give the chord length.
    const double ca = std::cos(thetaRad + e.phi), sa = std::sin(thetaRad + e.phi);
    const double rho2 = e.a * e.a * ca * ca + e.b * e.b * sa * sa;
    const double d = detectorPos - (e.cu * c - e.cv * s);
    const double r = rho2 - d * d;
    if (r > 0.0) sum += e.value * 2.0 * e.a * e.b * std::sqrt(r) / rho2;
  }
  return sum;
}

void Phantom::lineIntegrals(double thetaRad, double z, int count, double* out) const {
  if (count <= 0) return;
  std::vector<Section> secs;
  sections(z, secs);
  std::fill(out, out + count, 0.0);
  const double c = std::cos(thetaRad), s = std::sin(thetaRad);
  for (const Section& e : secs) {
    const double ca = std::cos(thetaRad + e.phi), sa = std::sin(thetaRad + e.phi);
    const double rho2 = e.a * e.a * ca * ca + e.b * e.b * sa * sa;
    const double rho = std::sqrt(rho2);
    const double s0 = e.cu * c - e.cv * s + cor_;  // the centre's detector pixel
    const double k = e.value * 2.0 * e.a * e.b / rho2;
    // Only pixels within the ellipse's shadow are touched.
    const int p0 = std::max(0, int(std::floor(s0 - rho)));
    const int p1 = std::min(count - 1, int(std::ceil(s0 + rho)));
    for (int p = p0; p <= p1; ++p) {
      const double d = p - s0;
      const double r = rho2 - d * d;
      if (r > 0.0) out[p] += k * std::sqrt(r);
    }
  }
}

double Phantom::mu(double u, double v, double z) const {
  std::vector<Section> secs;
  sections(z, secs);
  double sum = 0.0;
  for (const Section& e : secs) {
    const double du = u - e.cu, dv = v - e.cv;
    const double qa = (du * e.cosPhi + dv * e.sinPhi) / e.a;
    const double qb = (-du * e.sinPhi + dv * e.cosPhi) / e.b;
    if (qa * qa + qb * qb < 1.0) sum += e.value;
  }
  return sum;
}

void Phantom::sliceTruth(int slice, int n, std::vector<double>& out) const {
  n = std::max(n, 0);
  out.assign(size_t(n) * size_t(n), 0.0);
  const double h = n * 0.5;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) out[size_t(y) * n + x] = mu(x - h, y - h, slice);
}

double Phantom::flatI0(int p, int slice) const {
  const double x = width_ > 1 ? 2.0 * p / (width_ - 1) - 1.0 : 0.0;
  return std::round(i0Scale_ * (kI0 * (1.0 - 0.05 * x * x) + 150.0 * std::cos(0.7 * slice)));
}

double Phantom::background(int p, int slice) const {
  const double x = width_ > 1 ? 2.0 * p / (width_ - 1) - 1.0 : 0.0;
  return std::round(kBackground + 8.0 * x + 3.0 * std::cos(1.3 * slice));
}

double Phantom::intensity(int p, int slice, double lineIntegral) const {
  const double bg = background(p, slice);
  return bg + (flatI0(p, slice) - bg) * std::exp(-lineIntegral);
}
