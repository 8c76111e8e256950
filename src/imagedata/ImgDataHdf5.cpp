#include "imagedata/ImgDataHdf5.h"

#include <QDebug>
#include <algorithm>
#include <new>

#include "base/NamedLog.h"

namespace {

// The message, then the file (without a "::/dataset" part, which the
// message names).
void logLine(const QString& message, const QString& path) {
  logNamed(message, imageFilePath(path));
}

}  // namespace

void ImgDataHdf5::init() {
  scan_.reset();
  dataset_.clear();
  frames_ = averaged_ = 0;
  hasAngle_ = false;
  angleDeg_ = 0.0;
  kind_ = pixel::Kind::None;
  bytesPerPixel_ = 0;
  pixels_.clear();
}

bool ImgDataHdf5::fail(const QString& why) {
  logLine(why, filePath_);
  scan_.reset();
  return false;
}

bool ImgDataHdf5::readProps(const QString& path, int& width, int& height) {
  width = height = 0;
  frames_ = 0;
  QString why;
  scan_ = Hdf5Scan::open(path, why);
  if (!scan_) {
    logLine(why, path);
    return false;
  }
  if (!scan_->usable(role_, why)) {
    logLine(why, path);
    scan_.reset();
    return false;
  }
  dataset_ = scan_->dataset(role_);
  frames_ = role_ == Role::Projections ? scan_->count(role_) : 1;
  kind_ = role_ == Role::Projections ? scan_->kind(role_) : pixel::Kind::F64;
  bytesPerPixel_ = pixel::bytesOf(kind_);
  expTime_ = scan_->exposureTime();
  width = scan_->width();
  height = scan_->height();
  return true;
}

bool ImgDataHdf5::openData() {
  if (!scan_) {
    int w = 0, h = 0;
    if (!readProps(filePath_, w, h)) return false;
  }
  const std::size_t pixels = std::size_t(width_) * std::size_t(height_);
  QString why;
  hasAngle_ = false;
  averaged_ = 0;
  try {
    pixels_.resize(pixels * std::size_t(bytesPerPixel_));
    if (role_ == Role::Projections) {
      if (frameIndex_ < 0 || frameIndex_ >= frames_)
        return fail(
            QStringLiteral("HDF5 frame %1 does not exist: %2").arg(frameIndex_).arg(dataset_));
      if (!scan_->readFrame(role_, frameIndex_, pixels_.data(), why)) return fail(why);
      const std::vector<double>& a = scan_->anglesDeg();
      if (std::size_t(frameIndex_) < a.size()) {
        hasAngle_ = true;
        angleDeg_ = a[std::size_t(frameIndex_)];
      }
    } else {
      // The mean of every frame of the role, summed one frame at a time.
      const pixel::Kind k = scan_->kind(role_);
      const int n = scan_->count(role_);
      std::vector<unsigned char, pixel::UninitAllocator<unsigned char>> raw(
          pixels * std::size_t(pixel::bytesOf(k)));
      std::vector<double> one(pixels), sum(pixels, 0.0);
      for (int i = 0; i < n; ++i) {
        if (!scan_->readFrame(role_, i, raw.data(), why)) return fail(why);
        pixel::toDoubles(k, raw.data(), (long long)pixels, pixel::bytesOf(k), one.data());
        for (std::size_t p = 0; p < pixels; ++p) sum[p] += one[p];
      }
      double* mean = reinterpret_cast<double*>(pixels_.data());
      for (std::size_t p = 0; p < pixels; ++p) mean[p] = sum[p] / n;
      averaged_ = n;
      const bool nx = scan_->layout() == Hdf5Scan::Layout::NXtomo;
      const bool flat = role_ == Role::Flats;
      logLine(QStringLiteral("HDF5 reference: mean of %1 %2 frames of %3%4")
                  .arg(n)
                  .arg(flat ? "flat" : "dark")
                  .arg(dataset_)
                  .arg(nx ? (flat ? " (image_key 1)" : " (image_key 2)") : ""),
              filePath_);
    }
  } catch (const std::bad_alloc&) {
    return fail(QStringLiteral("HDF5 frame too large to hold (%1 x %2): %3")
                    .arg(width_)
                    .arg(height_)
                    .arg(dataset_));
  }
  scan_.reset();
  return true;
}

const double* ImgDataHdf5::row(int y, double* buffer) const {
  if (width_ < 1) return buffer;
  if (y < 0 || y >= height_ || pixels_.empty()) {
    std::fill(buffer, buffer + width_, 0.0);
    return buffer;
  }
  pixel::toDoubles(kind_, pixels_.data() + std::size_t(y) * width_ * bytesPerPixel_, width_,
                   bytesPerPixel_, buffer);
  return buffer;
}

const double* ImgDataHdf5::column(int x, double* buffer) const {
  if (height_ < 1) return buffer;
  if (x < 0 || x >= width_ || pixels_.empty()) {
    std::fill(buffer, buffer + height_, 0.0);
    return buffer;
  }
  pixel::toDoubles(kind_, pixels_.data() + std::size_t(x) * bytesPerPixel_, height_,
                   (long long)width_ * bytesPerPixel_, buffer);
  return buffer;
}
