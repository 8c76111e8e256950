#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "imagedata/ImgData.h"
#include "imagedata/PixelConvert.h"

// Reader of ITEX image files (.img and multi-frame .his sequences) as the
// detector software writes them: a 64-byte little-endian header, a comment of
// key=value items that gives the image size and exposure time, and the raw
// pixels of each frame. The pixels of one frame are read into memory once and
// kept in their file type; rows and columns are converted on request.
class ImgDataITEX : public ImgData {
 public:
  ImgDataITEX() = default;
  ~ImgDataITEX() override = default;

  void init() override;
  bool readProps(const QString& path, int& width, int& height) override;
  bool openData() override;
  const double* row(int y, double* buffer) const override;
  const double* column(int x, double* buffer) const override;
  int frameCount() const override { return framesInFile_ > 0 ? framesInFile_ : 1; }

  int headerWidth() const { return headerWidth_; }
  int headerHeight() const { return headerHeight_; }
  int pixelType() const { return pixelType_; }
  std::int64_t dataOffset() const { return dataOffset_; }
  std::int64_t frameOffset() const { return frameOffset_; }

 private:
  void examineItem(const QString& item, int& width, int& height);

  // Filled by the file read at once: no zero-filling of a buffer that is
  // overwritten completely (it costs a second pass over every frame).
  std::vector<unsigned char, pixel::UninitAllocator<unsigned char>> frameBuffer_;
  std::int64_t dataOffset_ = 0;
  std::int64_t frameOffset_ = 0;
  int headerWidth_ = 0;
  int headerHeight_ = 0;
  int xOffset_ = 0;
  int yOffset_ = 0;
  int pixelType_ = 0;
  int bytesPerPixel_ = 0;
  int framesInFile_ = 0;
  std::int64_t frameSize_ = 0;
  pixel::Kind kind_ = pixel::Kind::None;
  int areaWidth_ = 0;
  int areaHeight_ = 0;
};
