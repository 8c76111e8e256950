#pragma once

// Where one slice's sinogram rows come from on the detector line: the centre
// of rotation split into whole and fractional pixels, and how many pixels
// exist on both sides of it.
struct SgmGeometry {
  bool rotAxIsV = false;
  int half = 0;   // floor(min(cor, length - cor - 1))
  int width = 0;  // 2 * half - 1 samples per sinogram row
  double cor = 0.0;
  int corInt = 0;  // floor(cor)
  double corFrac = 0.0;
};

// length is the detector size across the rotation axis (image width for a
// vertical axis, image height for a horizontal one).
SgmGeometry computeGeometry(bool rotAxIsV, int length, double cor);
