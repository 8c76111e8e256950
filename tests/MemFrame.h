#pragma once

#include <vector>

#include "imagedata/ImgData.h"

// An image frame held in memory, for building sinogram inputs in tests.
class MemFrame : public ImgData {
 public:
  MemFrame(int width, int height, double fill = 0.0, bool ready = true)
      : pixels_(static_cast<std::size_t>(width) * height, fill) {
    width_ = width;
    height_ = height;
    ready_ = ready;
  }
  void init() override {}
  bool readProps(const QString&, int& w, int& h) override {
    w = width_;
    h = height_;
    return true;
  }
  bool openData() override { return true; }
  const double* row(int y, double* buffer) const override {
    for (int x = 0; x < width_; ++x) buffer[x] = (y >= 0 && y < height_) ? at(x, y) : 0.0;
    return buffer;
  }
  const double* column(int x, double* buffer) const override {
    for (int y = 0; y < height_; ++y) buffer[y] = (x >= 0 && x < width_) ? at(x, y) : 0.0;
    return buffer;
  }
  double& at(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  double at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  // Sets row y (or column y for a horizontal axis) from values.
  void setLine(bool rotAxIsV, int s, const std::vector<double>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (rotAxIsV)
        at(static_cast<int>(i), s) = values[i];
      else
        at(s, static_cast<int>(i)) = values[i];
    }
  }

 private:
  std::vector<double> pixels_;
};
