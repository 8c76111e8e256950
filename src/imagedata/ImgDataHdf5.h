#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "imagedata/Hdf5Scan.h"
#include "imagedata/ImgData.h"
#include "imagedata/PixelConvert.h"

// Reader of HDF5 scan files (Data Exchange, NXtomo, or a 3D dataset named as
// "FILE::/path"). As a projection reader, frame k is the k-th projection of
// the file, read by hyperslab and kept in its own pixel type. As a reference
// reader (role Flats or Darks, set before open()), the file has one frame:
// the mean of all its flat or dark frames, read one at a time and summed in
// double precision.
class ImgDataHdf5 : public ImgData {
 public:
  using Role = Hdf5Scan::Role;

  ImgDataHdf5() = default;
  ~ImgDataHdf5() override = default;

  // Which frames of the file this reader delivers; set before open().
  void setRole(Role role) { role_ = role; }
  Role role() const { return role_; }

  void init() override;
  bool readProps(const QString& path, int& width, int& height) override;
  bool openData() override;
  const double* row(int y, double* buffer) const override;
  const double* column(int x, double* buffer) const override;
  // Projections: the number of projection frames; a reference: 1.
  int frameCount() const override { return frames_ > 0 ? frames_ : 1; }

  // The dataset the frame came from, and how many frames a reference averaged.
  const QString& dataset() const { return dataset_; }
  int averagedFrames() const { return averaged_; }
  // The rotation angle of this projection as the file states it.
  bool hasAngle() const { return hasAngle_; }
  double angleDeg() const { return angleDeg_; }

 private:
  bool fail(const QString& why);

  Role role_ = Role::Projections;
  std::shared_ptr<Hdf5Scan> scan_;  // held from readProps to the end of openData
  QString dataset_;
  int frames_ = 0;
  int averaged_ = 0;
  bool hasAngle_ = false;
  double angleDeg_ = 0.0;
  pixel::Kind kind_ = pixel::Kind::None;
  int bytesPerPixel_ = 0;
  std::vector<unsigned char, pixel::UninitAllocator<unsigned char>> pixels_;
};
