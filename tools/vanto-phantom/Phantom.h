#pragma once

#include <vector>

// One ellipsoid of the phantom, in normalised units (1 = Phantom::scale()
// pixels in the slice plane; along the axis the height runs from about -0.6
// at the first slice to +0.6 at the last). The ellipsoid may be turned about
// the rotation axis by phiDeg. Its attenuation adds to that of the ellipsoids
// it overlaps; the material index lets the attenuation depend on the energy.
struct Ellipsoid {
  double cu, cv, cz;  // centre
  double au, av, az;  // semi-axes before the turn
  double phiDeg;      // turn about the rotation axis
  double value;       // attenuation increment at the reference energy
  int material;
};

// A 3D phantom of overlapping ellipsoids in the manner of Shepp and Logan,
// scaled to the detector so that the object lies inside the reconstruction
// circle of the given centre of rotation, with cross sections that differ
// from slice to slice. All values are analytic (no voxel grid).
//
// Geometry: in the slice at height z (a detector row, or a detector column
// for a horizontal axis), the point (u, v) relative to the rotation axis is
// seen at angle theta by the detector sample at distance
//   s = u cos(theta) - v sin(theta)
// from the centre of rotation, i.e. detector pixel p = s + cor. Attenuation
// is per pixel length.
//
// Intensities: a detector pixel reads BG + (I0 - BG) exp(-line integral),
// where I0 and BG are integer-valued, deterministic, and vary gently over
// the detector.
class Phantom {
 public:
  // width: detector pixels across the axis; slices: detector pixels along it.
  Phantom(int width, int slices, double cor);

  // The ellipsoid set used by every phantom.
  static std::vector<Ellipsoid> standardEllipsoids();

  int width() const { return width_; }
  int slices() const { return slices_; }
  double cor() const { return cor_; }
  // Detector pixels on both sides of the centre of rotation.
  int half() const { return half_; }
  // Edge of the square reconstruction grid for this centre (2 half - 2).
  int reconstructionSize() const { return 2 * half_ - 2; }
  // Pixels per normalised unit.
  double scale() const { return scale_; }
  const std::vector<Ellipsoid>& ellipsoids() const { return ellipsoids_; }

  // Energy at which attenuation values are taken (eV; 0 = reference).
  void setEnergy(double energyEV) { energyEV_ = energyEV; }
  double energy() const { return energyEV_; }
  // Absorption edge of kEdgeMaterial (eV; 0 or less = none, the default).
  void setEdge(double edgeEV) { edgeEV_ = edgeEV; }
  double edge() const { return edgeEV_; }
  // Factor applied to the attenuation of one material at an energy: 1.0,
  // except kEdgeJump for kEdgeMaterial at and above the edge.
  double muOf(int material, double energyEV) const;
  // Factor of the flat field (1.0 = nominal), e.g. the beam intensity at an
  // energy of a scan.
  void setI0Scale(double scale) { i0Scale_ = scale; }
  double i0Scale() const { return i0Scale_; }

  // Normalised height of the slice coordinate z.
  double normalisedHeight(double z) const;

  // Integral of mu along the ray at detector distance detectorPos (pixels,
  // relative to the rotation axis) at angle thetaRad through slice z.
  double lineIntegral(double detectorPos, double thetaRad, double z) const;
  // The same for count detector pixels p = 0 .. count - 1, whose distance is
  // p - cor; out receives count values. Much faster than calling
  // lineIntegral per pixel.
  void lineIntegrals(double thetaRad, double z, int count, double* out) const;

  // Attenuation at (u, v) relative to the rotation axis in slice z.
  double mu(double u, double v, double z) const;
  // n x n ground truth of a slice on the reconstruction grid: out[y * n + x]
  // = mu(x - n/2, y - n/2, slice).
  void sliceTruth(int slice, int n, std::vector<double>& out) const;

  // Flat-field and background counts at detector pixel p of a slice. The
  // flat field carries the I0 scale; the background does not.
  double flatI0(int p, int slice) const;
  double background(int p, int slice) const;
  // Noise-free intensity for a line integral at detector pixel p of a slice.
  double intensity(int p, int slice, double lineIntegral) const;

  static constexpr double kI0 = 30000.0;
  static constexpr double kBackground = 100.0;
  // Attenuation of a normalised value of 1 over one normalised unit.
  static constexpr double kMuPerUnit = 2.0;
  // The material whose attenuation jumps at the absorption edge (the inner
  // features), and the factor it has from the edge upwards.
  static constexpr int kEdgeMaterial = 3;
  static constexpr double kEdgeJump = 3.0;

 private:
  // Cross section of one ellipsoid at a height, in pixels.
  struct Section {
    double cu, cv, a, b, cosPhi, sinPhi, phi, value;
  };
  void sections(double z, std::vector<Section>& out) const;

  int width_;
  int slices_;
  double cor_;
  int half_;
  double scale_;
  double energyEV_ = 0.0;
  double edgeEV_ = 0.0;
  double i0Scale_ = 1.0;
  std::vector<Ellipsoid> ellipsoids_;
};
