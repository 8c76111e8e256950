#pragma once

#include <cstddef>
#include <memory>

// The sinogram of one slice: attenuation values (sgm) and the resampled raw
// intensities they came from (raw), both width x rows, row-major, row r
// holding projection r. Owned by whoever builds into it.
class HSgm {
 public:
  HSgm() = default;
  ~HSgm() { resize(0, 0); }
  HSgm(const HSgm&) = delete;
  HSgm& operator=(const HSgm&) = delete;

  // Releases both arrays, stores the new size and allocates both anew
  // (content undefined) only when width x rows > 0.
  void resize(int width, int rows);

  bool hasData() const { return sgm_ != nullptr; }
  int width() const { return width_; }
  int rows() const { return rows_; }
  int slice() const { return slice_; }
  void setSlice(int slice) { slice_ = slice; }

  double* sgm() { return sgm_.get(); }
  const double* sgm() const { return sgm_.get(); }
  double* raw() { return raw_.get(); }
  const double* raw() const { return raw_.get(); }
  double* sgmRow(int r) { return sgm_.get() + static_cast<std::size_t>(r) * width_; }
  const double* sgmRow(int r) const { return sgm_.get() + static_cast<std::size_t>(r) * width_; }
  double* rawRow(int r) { return raw_.get() + static_cast<std::size_t>(r) * width_; }
  const double* rawRow(int r) const { return raw_.get() + static_cast<std::size_t>(r) * width_; }

 private:
  std::unique_ptr<double[]> sgm_;
  std::unique_ptr<double[]> raw_;
  int width_ = 0;
  int rows_ = 0;
  int slice_ = 0;
};
