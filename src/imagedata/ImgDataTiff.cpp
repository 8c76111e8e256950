#include "imagedata/ImgDataTiff.h"

#include <tiffio.h>

#include <QDebug>
#include <QFile>
#include <cstdarg>
#include <cstdio>
#include <memory>

#include "app/NamedLog.h"

namespace {

void tiffMessage(const char* module, const char* fmt, va_list ap) {
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  qDebug() << "TIFF:" << (module ? module : "") << text;
}

// libtiff reports through process-wide handlers; route them to the debug log.
void installHandlers() {
  static bool done = false;
  if (done) return;
  done = true;
  TIFFSetErrorHandler(tiffMessage);
  TIFFSetWarningHandler(nullptr);
}

struct TiffCloser {
  void operator()(TIFF* t) const {
    if (t) TIFFClose(t);
  }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr openTiff(const QString& path) {
  installHandlers();
  return TiffPtr(TIFFOpen(QFile::encodeName(path).constData(), "r"));
}

// The pixel kind of the current directory, None when it cannot be read.
pixel::Kind kindOf(TIFF* t, QString& why) {
  uint16_t spp = 1, bits = 1, format = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK;
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  if (spp != 1) {
    why = QStringLiteral("%1 samples per pixel").arg(spp);
    return pixel::Kind::None;
  }
  if (photometric == PHOTOMETRIC_PALETTE) {
    why = "palette image";
    return pixel::Kind::None;
  }
  if (format == SAMPLEFORMAT_IEEEFP) {
    if (bits == 32) return pixel::Kind::F32;
    if (bits == 64) return pixel::Kind::F64;
  } else if (format == SAMPLEFORMAT_INT) {
    if (bits == 8) return pixel::Kind::S8;
    if (bits == 16) return pixel::Kind::S16;
    if (bits == 32) return pixel::Kind::S32;
  } else if (format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_VOID) {
    if (bits == 8) return pixel::Kind::U8;
    if (bits == 16) return pixel::Kind::U16;
    if (bits == 32) return pixel::Kind::U32;
  }
  why = QStringLiteral("%1-bit samples of format %2").arg(bits).arg(format);
  return pixel::Kind::None;
}

}  // namespace

void ImgDataTiff::init() {
  reserved_ = 0;
  pages_ = 0;
  kind_ = pixel::Kind::None;
  bytesPerPixel_ = 0;
  pixels_.clear();
}

bool ImgDataTiff::readProps(const QString& path, int& width, int& height) {
  reserved_ = 0;
  width = height = 0;
  TiffPtr t = openTiff(path);
  if (!t) {
    logNamed("Can not open TIFF file to read props.", path);
    return false;
  }
  uint32_t w = 0, h = 0;
  TIFFGetField(t.get(), TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t.get(), TIFFTAG_IMAGELENGTH, &h);
  QString why;
  kind_ = kindOf(t.get(), why);
  if (kind_ == pixel::Kind::None) {
    logNamed("Unsupported TIFF layout (" + why + ")", path);
    return false;
  }
  if (w < 1 || h < 1 || w > 65536 || h > 65536) {
    logNamed("Unsupported TIFF size", path);
    return false;
  }
  bytesPerPixel_ = pixel::bytesOf(kind_);
  pages_ = TIFFNumberOfDirectories(t.get());
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  expTime_ = 1.0;
  return true;
}

bool ImgDataTiff::openData() {
  TiffPtr t = openTiff(filePath_);
  if (!t || frameIndex_ < 0 || frameIndex_ >= pages_ ||
      !TIFFSetDirectory(t.get(), static_cast<tdir_t>(frameIndex_))) {
    logNamed("Can not open TIFF file", filePath_);
    return false;
  }
  uint32_t w = 0, h = 0;
  TIFFGetField(t.get(), TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t.get(), TIFFTAG_IMAGELENGTH, &h);
  QString why;
  if (int(w) != width_ || int(h) != height_ || kindOf(t.get(), why) != kind_) {
    logNamed("TIFF page differs from the first page", filePath_);
    return false;
  }
  const size_t rowBytes = size_t(width_) * bytesPerPixel_;
  pixels_.assign(rowBytes * height_, 0);
  if (TIFFIsTiled(t.get())) {
    uint32_t tw = 0, th = 0;
    TIFFGetField(t.get(), TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(t.get(), TIFFTAG_TILELENGTH, &th);
    const tmsize_t tileBytes = TIFFTileSize(t.get());
    if (tw == 0 || th == 0 || tileBytes < tmsize_t(tw) * th * bytesPerPixel_) {
      logNamed("Can not open TIFF file", filePath_);
      return false;
    }
    std::vector<unsigned char> tile(static_cast<size_t>(tileBytes));
    for (uint32_t ty = 0; ty < h; ty += th)
      for (uint32_t tx = 0; tx < w; tx += tw) {
        if (TIFFReadTile(t.get(), tile.data(), tx, ty, 0, 0) < 0) {
          logNamed("Can not open TIFF file", filePath_);
          return false;
        }
        const uint32_t cw = std::min(tw, w - tx), ch = std::min(th, h - ty);
        for (uint32_t r = 0; r < ch; ++r)
          std::memcpy(pixels_.data() + (size_t(ty + r) * w + tx) * bytesPerPixel_,
                      tile.data() + size_t(r) * tw * bytesPerPixel_, size_t(cw) * bytesPerPixel_);
      }
  } else {
    const tmsize_t scan = TIFFScanlineSize(t.get());
    if (scan < tmsize_t(rowBytes)) {
      logNamed("Can not open TIFF file", filePath_);
      return false;
    }
    std::vector<unsigned char> line(static_cast<size_t>(scan));
    for (uint32_t y = 0; y < h; ++y) {
      if (TIFFReadScanline(t.get(), line.data(), y, 0) < 0) {
        logNamed("Can not open TIFF file", filePath_);
        return false;
      }
      std::memcpy(pixels_.data() + size_t(y) * rowBytes, line.data(), rowBytes);
    }
  }
  return true;
}

const double* ImgDataTiff::row(int y, double* buffer) const {
  if (width_ < 1) return buffer;
  if (y < 0 || y >= height_ || pixels_.empty()) {
    std::fill(buffer, buffer + width_, 0.0);
    return buffer;
  }
  pixel::toDoubles(kind_, pixels_.data() + size_t(y) * width_ * bytesPerPixel_, width_,
                   bytesPerPixel_, buffer);
  return buffer;
}

const double* ImgDataTiff::column(int x, double* buffer) const {
  if (height_ < 1) return buffer;
  if (x < 0 || x >= width_ || pixels_.empty()) {
    std::fill(buffer, buffer + height_, 0.0);
    return buffer;
  }
  pixel::toDoubles(kind_, pixels_.data() + size_t(x) * bytesPerPixel_, height_,
                   std::int64_t(width_) * bytesPerPixel_, buffer);
  return buffer;
}
