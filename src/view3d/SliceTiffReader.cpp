#include "view3d/SliceTiffReader.h"

#include <tiffio.h>

#include <QFile>
#include <algorithm>
#include <cfloat>
#include <memory>

#include "base/MemoryBudget.h"
#include "imagedata/ImgDataTiff.h"
#include "view3d/SliceFileReaders.h"

namespace {

// One-sample pages of more than 8 bits per sample; anything else (or a file
// that is no TIFF) is for the picture reader.
bool isWideGreyTiff(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray magic = f.read(2);
  f.close();
  if (magic != "II" && magic != "MM") return false;
  TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "r");
  if (!t) return false;
  uint16_t spp = 1, bits = 1;
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFClose(t);
  return spp == 1 && bits > 8;
}

}  // namespace

bool readValueTiffSlice(const QString& path, SliceRecord& out) {
  if (!isWideGreyTiff(path)) return false;
  ImgDataTiff frame;
  frame.init();
  frame.setFilePath(path);
  if (!frame.open(0)) return false;
  const int w = frame.width(), h = frame.height();
  // The values' memory is reserved while they are filled, like the text
  // readers' grids (readers of one load run in parallel).
  if (w > kMaxSliceSide || h > kMaxSliceSide) return false;
  const memorybudget::Reservation reservation =
      memorybudget::reserve(qint64(w) * h * qint64(sizeof(double)));
  if (!reservation) return false;
  SliceRecord r;
  r.values.resize(size_t(w) * size_t(h));
  double mn = DBL_MAX, mx = -DBL_MAX;
  for (int y = 0; y < h; ++y) {
    double* dst = r.values.data() + size_t(y) * size_t(w);
    frame.row(y, dst);
    for (int x = 0; x < w; ++x) {
      mn = std::min(mn, dst[x]);
      mx = std::max(mx, dst[x]);
    }
  }
  r.width = w;
  r.height = h;
  r.minimum = mn;
  r.maximum = mx;
  out = std::move(r);
  return true;
}
