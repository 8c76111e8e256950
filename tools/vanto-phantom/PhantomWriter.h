#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "Phantom.h"

// Everything that describes one generated data set.
struct PhantomOptions {
  enum class Format { Img, His, Tif };
  QString outDir;
  int width = 512;  // detector pixels across the rotation axis
  int rows = 16;    // detector pixels along the axis (slices)
  int projections = 360;
  double rangeDeg = 180.0;
  double cor = -1.0;  // negative: the detector middle width / 2
  double angleOriginDeg = 0.0;
  Format format = Format::Img;
  bool noise = false;
  quint64 noiseSeed = 0;
  bool axisVertical = true;  // slices are detector rows (else columns)
  bool truth = false;
  double exposureTime = 0.5;

  double effectiveCor() const { return cor < 0.0 ? width / 2.0 : cor; }
};

// Writes a synthetic CT data set of the phantom: one 16-bit projection per
// angle (ITEX .img files, one multi-frame .his, or TIFF files), an I0 and a
// background image, a text description and optionally the ground truth.
// Projections are computed on all hardware threads; the output depends only
// on the options, byte for byte.
class PhantomWriter {
 public:
  explicit PhantomWriter(const PhantomOptions& options);

  // Writes the whole set into options.outDir (created). On failure returns
  // false; errorText() says why.
  bool write();
  QString errorText() const { return error_; }

  const Phantom& phantom() const { return phantom_; }
  // Size of every written image (width x rows, transposed for axis h).
  int imageWidth() const;
  int imageHeight() const;
  // Angle of projection k in radians.
  double angleRad(int k) const;
  // Projection k as image pixels, row after row from the top.
  void projection(int k, std::vector<uint16_t>& pixels) const;
  void i0Image(std::vector<uint16_t>& pixels) const;
  void bgImage(std::vector<uint16_t>& pixels) const;
  QString projectionFileName(int k) const;
  // Text of phantom.txt.
  QByteArray description() const;

  // 64-byte ITEX header of an unsigned 16-bit frame.
  static QByteArray itexHeader(int width, int height, int frames, int commentLength);
  // Comment naming the size and the exposure time; every item ends in a comma.
  static QByteArray itexComment(int width, int height, double exposureTime);

 private:
  // Stores detector pixel p of slice r at its place in the image.
  size_t pixelIndex(int p, int r) const;
  bool writeProjections();
  bool writeItex(const QString& path, const std::vector<uint16_t>& pixels);
  bool writeTiff(const QString& path, const std::vector<uint16_t>& pixels);
  bool writeFile(const QString& path, const QByteArray& bytes);
  bool writeTruth();

  PhantomOptions options_;
  Phantom phantom_;
  QString error_;
};
