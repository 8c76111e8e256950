#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "imagedata/PixelConvert.h"

// One HDF5 scan file opened read-only: where its projection, flat and dark
// frames are, their size and pixel type, the rotation angles and the exposure
// time. Two layouts are recognised, Data Exchange (/exchange/data,
// data_white, data_dark, theta) and NeXus NXtomo (every frame in
// /entry/instrument/detector/data, its kind in image_key: 0 projection,
// 1 flat, 2 dark), and "FILE::/path" addresses any 3D dataset directly.
// Frames are read one at a time by hyperslab; nothing reads a whole dataset.
// The file stays open as long as the object lives; open() keeps the last
// scan opened, so that the frames of one file loaded one after another share
// one open file and its chunk cache.
class Hdf5Scan {
 public:
  enum class Layout { DataExchange, NXtomo, Dataset };
  enum class Role { Projections, Flats, Darks };

  ~Hdf5Scan();
  Hdf5Scan(const Hdf5Scan&) = delete;
  Hdf5Scan& operator=(const Hdf5Scan&) = delete;

  // Opens path ("FILE" or "FILE::/dataset") and finds its projections. Null
  // when that fails; why then says what is wrong and names the dataset.
  static std::shared_ptr<Hdf5Scan> open(const QString& path, QString& why);
  // Forgets the scan open() keeps (its file closes once no frame holds it).
  static void releaseCache();

  // True when the file begins with the HDF5 signature (at byte 0 or at a
  // user-block boundary of 512, 1024, 2048, ... bytes).
  static bool hasSignature(const QString& file);
  // Splits "FILE::/dataset" when FILE exists and the whole text does not name
  // a file; false otherwise (file and dataset are then left untouched).
  static bool splitPath(const QString& path, QString& file, QString& dataset);

  Layout layout() const { return layout_; }
  const QString& file() const { return file_; }
  int width() const { return width_; }
  int height() const { return height_; }
  pixel::Kind kind() const { return kind_; }
  double exposureTime() const { return exposureTime_; }

  // The dataset the frames of a role come from, and how many there are.
  QString dataset(Role role) const;
  int count(Role role) const;
  // Checks that frames of role can be read (present, 3D, same frame size and
  // a supported pixel type); otherwise false with the reason in why.
  bool usable(Role role, QString& why) const;
  // Reads frame index of role (width x height pixels of kind(role), native
  // byte order) into buffer; false with the reason in why.
  bool readFrame(Role role, int index, void* buffer, QString& why) const;
  pixel::Kind kind(Role role) const;

  // Angle of each projection in degrees (radians in the file are converted);
  // empty when the file holds none that fit the projections.
  const std::vector<double>& anglesDeg() const { return anglesDeg_; }
  // The dataset the angles came from ("" when none).
  const QString& anglesDataset() const { return anglesDataset_; }

 private:
  struct Stack;  // one 3D dataset and the frames of it that belong to a role
  Hdf5Scan();
  bool detect(const QString& dataset, QString& why);
  bool openStack(const QString& name, Stack& s, QString& why) const;
  bool readKeys(const QString& name, std::vector<int>& keys, QString& why) const;
  void readAngles(const QString& name, const std::vector<int>* select);
  void readExposure(const QString& name, int at);
  const Stack& stack(Role role) const;

  std::int64_t fileId_ = -1;
  QString file_;
  Layout layout_ = Layout::Dataset;
  int width_ = 0;
  int height_ = 0;
  pixel::Kind kind_ = pixel::Kind::None;
  double exposureTime_ = 1.0;
  std::unique_ptr<Stack> stacks_[3];
  std::vector<double> anglesDeg_;
  QString anglesDataset_;
};
