#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagedata/ImgData.h"
#include "imagedata/PixelConvert.h"

// Reader of TIFF files through libtiff: single-sample grey images of 8, 16
// and 32-bit integers (signed or unsigned) and 32 or 64-bit floats, in strips
// or tiles, either byte order. Page k of a multi-page file is frame k. The
// pixels of one page are kept once, in their own type and native byte order;
// a page is refused before any allocation when its strips or tiles could not
// fill the size it claims.
class ImgDataTiff : public ImgData {
 public:
  ImgDataTiff() = default;
  ~ImgDataTiff() override = default;

  void init() override;
  bool readProps(const QString& path, int& width, int& height) override;
  bool openData() override;
  const double* row(int y, double* buffer) const override;
  const double* column(int x, double* buffer) const override;
  int frameCount() const override { return pages_ > 0 ? pages_ : 1; }

 private:
  // Reads the pixels of the open page (whose storage was checked) into pixels_.
  bool readPixels(struct tiff* t, std::uint32_t w, std::uint32_t h, std::size_t rowBytes);

  std::int32_t reserved_ = 0;  // kept for the reader's record layout; not read
  int pages_ = 0;
  pixel::Kind kind_ = pixel::Kind::None;
  int bytesPerPixel_ = 0;
  std::vector<unsigned char> pixels_;
};
