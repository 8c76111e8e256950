#include "imagedata/ImgDataTiff.h"

#include <tiffio.h>

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>

#include "base/NamedLog.h"

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

// At most how many bytes one stored byte decodes to under a compression
// scheme: 1 uncompressed; 64 for PackBits (two bytes give a run of 128); 1032
// for Deflate (the limit of its format); 4096 for LZW and every other scheme.
double maxExpansion(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
      return 1;
    case COMPRESSION_PACKBITS:
      return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return 1032;
    default:
      return 4096;
  }
}

// Whether the strips or tiles of the current page can fill an image of h rows
// of rowBytes bytes: each must lie inside the file and decode to no more than
// its stored bytes can give, and the whole image to no more than the file can
// give. Checked before anything is allocated, so that a small file claiming a
// huge image costs nothing; why receives the reason.
bool storageCanFill(TIFF* t, uint32_t h, qint64 rowBytes, qint64 fileBytes, QString& why) {
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  const double ratio = maxExpansion(compression);
  const double imageBytes = double(rowBytes) * h;
  if (imageBytes > ratio * double(fileBytes)) {
    why = QStringLiteral("%1 bytes of pixels claimed by a file of %2 bytes")
              .arg(imageBytes, 0, 'f', 0)
              .arg(fileBytes);
    return false;
  }
  const bool tiled = TIFFIsTiled(t);
  const uint32_t count = tiled ? TIFFNumberOfTiles(t) : TIFFNumberOfStrips(t);
  if (count == 0) {
    why = "no strips or tiles";
    return false;
  }
  uint32_t rowsPerStrip = h;
  if (!tiled) {
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, h);
  }
  const double tileBytes = tiled ? double(TIFFTileSize64(t)) : 0.0;
  const uint64_t size = uint64_t(fileBytes);
  for (uint32_t i = 0; i < count; ++i) {
    int err = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(t, i, &err);
    const uint64_t stored = err ? 0 : TIFFGetStrileByteCountWithErr(t, i, &err);
    if (err || offset > size || stored > size - offset) {
      why = QStringLiteral("strip or tile %1 lies outside the file").arg(i);
      return false;
    }
    double decoded = tileBytes;
    if (!tiled) {
      const uint64_t first = uint64_t(i) * rowsPerStrip;
      const uint64_t rows = first < h ? std::min<uint64_t>(rowsPerStrip, h - first) : 0;
      decoded = double(rows) * double(rowBytes);
    }
    if (decoded > ratio * double(stored)) {
      why = QStringLiteral("strip or tile %1 of %2 bytes cannot fill %3 bytes")
                .arg(i)
                .arg(stored)
                .arg(decoded, 0, 'f', 0);
      return false;
    }
  }
  return true;
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
  // Never allocate more than the file can fill: a 150-byte file may claim
  // 65536 x 65536 samples of 8 bytes.
  if (!storageCanFill(t.get(), h, qint64(rowBytes), QFileInfo(filePath_).size(), why)) {
    logNamed("TIFF file refused (" + why + ")", filePath_);
    return false;
  }
  try {
    return readPixels(t.get(), w, h, rowBytes);
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    logNamed("Not enough memory for the TIFF page", filePath_);
    return false;
  }
}

bool ImgDataTiff::readPixels(TIFF* t, uint32_t w, uint32_t h, size_t rowBytes) {
  pixels_.assign(rowBytes * h, 0);
  if (TIFFIsTiled(t)) {
    uint32_t tw = 0, th = 0;
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &th);
    const tmsize_t tileBytes = TIFFTileSize(t);
    if (tw == 0 || th == 0 || tileBytes < tmsize_t(tw) * th * bytesPerPixel_) {
      logNamed("Can not open TIFF file", filePath_);
      return false;
    }
    std::vector<unsigned char> tile(static_cast<size_t>(tileBytes));
    for (uint32_t ty = 0; ty < h; ty += th)
      for (uint32_t tx = 0; tx < w; tx += tw) {
        if (TIFFReadTile(t, tile.data(), tx, ty, 0, 0) < 0) {
          logNamed("Can not open TIFF file", filePath_);
          return false;
        }
        const uint32_t cw = std::min(tw, w - tx), ch = std::min(th, h - ty);
        for (uint32_t r = 0; r < ch; ++r)
          std::memcpy(pixels_.data() + (size_t(ty + r) * w + tx) * bytesPerPixel_,
                      tile.data() + size_t(r) * tw * bytesPerPixel_, size_t(cw) * bytesPerPixel_);
      }
  } else {
    const tmsize_t scan = TIFFScanlineSize(t);
    if (scan < tmsize_t(rowBytes)) {
      logNamed("Can not open TIFF file", filePath_);
      return false;
    }
    std::vector<unsigned char> line(static_cast<size_t>(scan));
    for (uint32_t y = 0; y < h; ++y) {
      if (TIFFReadScanline(t, line.data(), y, 0) < 0) {
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
