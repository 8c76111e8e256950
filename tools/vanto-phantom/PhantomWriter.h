#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "Phantom.h"

// Everything that describes one generated data set, or one data set per
// energy of an energy scan.
struct PhantomOptions {
  enum class Format { Img, His, Tif, H5 };
  // Layouts of an HDF5 scan file (format H5).
  enum class H5Layout { DataExchange, NXtomo };
  // Energy scan layouts: one sub-folder per energy, or facility B (Heron)
  // file names <sample>-<energy>-<number>.
  enum class Layout { EngDirs, Heron };
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
  // Energies of a scan in eV; empty: one data set at the reference energy.
  std::vector<double> energies;
  Layout layout = Layout::EngDirs;
  H5Layout h5Layout = H5Layout::DataExchange;
  // gzip level of the HDF5 frame stacks (one chunk per frame); 0: contiguous,
  // uncompressed.
  int h5Gzip = 1;
  // Absorption edge of the edge material (eV); 0 or less: the default, see
  // PhantomWriter::edgeEnergy().
  double edgeEV = 0.0;

  double effectiveCor() const { return cor < 0.0 ? width / 2.0 : cor; }
};

// Writes a synthetic CT data set of the phantom: one 16-bit projection per
// angle (ITEX .img files, one multi-frame .his, or TIFF files), an I0 and a
// background image, a text description and optionally the ground truth; or
// the same as one HDF5 scan file (Data Exchange or NXtomo) holding the
// projections with flat and dark frames.
// Projections are computed on all hardware threads; the output depends only
// on the options, byte for byte.
//
// With energies, one complete data set per energy is written instead:
//   scan/<energy>/proj-NNNNN.img     (layout EngDirs), or
//   scan/sample-<energy>-NNNN.img    (layout Heron, numbered from 0001),
//   i0/i0-<energy>-0001.img          (the I0 of each energy),
//   bg.img                           (the background, the same for all),
//   truth/<energy>/truth-NNNNN.raw   (with truth),
//   phantom.txt,
// <energy> being energyText() of the energy, e.g. 7112_5eV. The data sets
// live in a folder of their own so that listing it finds nothing but them.
class PhantomWriter {
 public:
  explicit PhantomWriter(const PhantomOptions& options);

  static constexpr int kMaxEnergies = 200;
  static constexpr double kMaxEnergyEV = 1.0e6;
  // Reads a comma-separated list of energies in eV. On failure returns
  // false with the reason in error.
  static bool parseEnergies(const QString& text, std::vector<double>& energies, QString& error);
  // Why energies can not make a scan (too many, not positive, more than
  // three decimals, given twice); empty when they can.
  static QString energiesError(const std::vector<double>& energies);
  // Name of an energy in folder and file names: up to three decimals, the
  // decimal point written as "_", then "eV" (7100 -> "7100eV", 7112.5 ->
  // "7112_5eV").
  static QString energyText(double energyEV);

  // Energies of the scan, in the order given (none for a single data set).
  int energyCount() const { return int(options_.energies.size()); }
  double energyOf(int index) const { return options_.energies[size_t(index)]; }
  // The absorption edge: options.edgeEV when positive, otherwise midway
  // between the two middle energies in ascending order (10 eV above a
  // single energy); 0 for a single data set.
  double edgeEnergy() const;
  // Scale of the flat field at energy index: 1 at the lowest energy, then
  // 1 + 0.8 (frac(rank * 0.6180339887498949 + 0.5) - 0.5) for the energy of
  // ascending rank, rounded to four decimals (0.6 .. 1.4), so that every
  // energy has a different I0 and neighbours differ by at least 0.3.
  double i0Factor(int index) const;
  // Makes the model (attenuation, flat field, noise stream, file names) that
  // of energy index; -1 is the single data set.
  void selectEnergy(int index);

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
  // File names of the selected energy (or of the single data set).
  QString projectionFileName(int k) const;
  QString hisFileName() const;
  // scan.h5 (Data Exchange) or scan.nxs (NXtomo).
  QString hdf5FileName() const;
  QString i0FileName() const;
  QString truthFileName(int slice) const;
  // Folder of the projections of the selected energy, below options.outDir.
  QString dataSetDir() const;
  // Text of phantom.txt.
  QByteArray description() const;

  // 64-byte ITEX header of an unsigned 16-bit frame.
  static QByteArray itexHeader(int width, int height, int frames, int commentLength);
  // Comment naming the size and the exposure time; every item ends in a comma.
  static QByteArray itexComment(int width, int height, double exposureTime);

 private:
  // Stores detector pixel p of slice r at its place in the image.
  size_t pixelIndex(int p, int r) const;
  // Place of energy index among the energies in ascending order.
  int rankOf(int index) const;
  bool writeProjections();
  bool writeItex(const QString& path, const std::vector<uint16_t>& pixels);
  bool writeTiff(const QString& path, const std::vector<uint16_t>& pixels);
  bool writeFile(const QString& path, const QByteArray& bytes);
  bool writeTruth();
  // The whole set as one HDF5 file: projections, 10 flat and 5 dark frames
  // with a little noise, angles and exposure time (PhantomHdf5.cpp).
  bool writeHdf5();
  bool writeScan();
  QString scanDescription() const;

  PhantomOptions options_;
  Phantom phantom_;
  QString error_;
  int energy_ = -1;
  quint64 noiseStream_ = 0;
};
