#include "output/CtFloatTiff.h"

#include <tiffio.h>

#include <QDebug>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

// libtiff writes through these callbacks into a byte array.
struct MemFile {
  QByteArray* bytes;
  qint64 pos = 0;
};

tsize_t memRead(thandle_t h, tdata_t buf, tsize_t n) {
  auto* m = static_cast<MemFile*>(h);
  const qint64 avail = std::max<qint64>(0, m->bytes->size() - m->pos);
  const qint64 k = std::min<qint64>(avail, n);
  if (k > 0) std::memcpy(buf, m->bytes->constData() + m->pos, size_t(k));
  m->pos += k;
  return tsize_t(k);
}

tsize_t memWrite(thandle_t h, tdata_t buf, tsize_t n) {
  auto* m = static_cast<MemFile*>(h);
  if (n < 0 || m->pos + n > qint64(std::numeric_limits<int>::max())) return -1;
  if (m->pos + n > m->bytes->size()) m->bytes->resize(qsizetype(m->pos + n));
  std::memcpy(m->bytes->data() + m->pos, buf, size_t(n));
  m->pos += n;
  return n;
}

toff_t memSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemFile*>(h);
  qint64 base = 0;
  if (whence == SEEK_CUR) base = m->pos;
  if (whence == SEEK_END) base = m->bytes->size();
  const qint64 to = base + qint64(off);
  if (to < 0) return toff_t(-1);
  m->pos = to;
  return toff_t(to);
}

int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return toff_t(static_cast<MemFile*>(h)->bytes->size()); }
int memMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void memUnmap(thandle_t, tdata_t, toff_t) {}

}  // namespace

bool appendCtFloatTiff(QByteArray& out, const double* image, int rows, int rowLength,
                       const CtDataRegion& region, const CtDataLimits& limits) {
  // The pixels are those of the CT data file's lines: x from trunc(X0) while
  // x < X1, y likewise.
  if (!(std::isfinite(region.x0) && std::isfinite(region.y0) && std::isfinite(region.x1) &&
        std::isfinite(region.y1)))
    return false;
  const double tx = std::trunc(region.x0), ty = std::trunc(region.y0);
  if (std::fabs(tx) > 1e9 || std::fabs(ty) > 1e9 || std::fabs(region.x1) > 1e9 ||
      std::fabs(region.y1) > 1e9)
    return false;
  const long long nx = region.x1 > tx ? (long long)std::ceil(region.x1 - tx) : 0;
  const long long ny = region.y1 > ty ? (long long)std::ceil(region.y1 - ty) : 0;
  if (nx <= 0 || ny <= 0 || nx > 65536 || ny > 65536 || nx * ny * 4 > (1ll << 30)) return false;
  const long long xs = (long long)tx, ys = (long long)ty;

  std::vector<float> page(size_t(nx * ny));
  for (long long j = 0; j < ny; ++j) {
    const long long y = ys + j;
    const double* row = (image && y >= 0 && y < rows) ? image + y * (long long)rowLength : nullptr;
    float* dst = page.data() + j * nx;
    for (long long i = 0; i < nx; ++i) {
      const long long x = xs + i;
      double v = (row && x >= 0 && x < rowLength) ? row[x] : 0.0;
      if (v > limits.upper || v < limits.lower) v = 0;
      dst[i] = float(v + limits.offset);
    }
  }

  // The CT data file's header lines, so that the region's place is kept.
  QByteArray header("#VNTO-CTImg\n");
  const double x1 = region.x1 - 1, y1 = region.y1 - 1;
  const std::pair<const char*, double> lines[] = {{"# Range_X0       : ", region.x0},
                                                  {"# Range_Y0       : ", region.y0},
                                                  {"# Range_X1       : ", x1},
                                                  {"# Range_Y1       : ", y1}};
  for (const auto& [label, v] : lines) {
    header.append(label);
    appendNumberG6(header, v);
    header.append('\n');
  }
  header.append("# sx,sy, ex,ey   : ");
  const double corners[4] = {region.x0, region.y0, x1, y1};
  for (int i = 0; i < 4; ++i) {
    appendNumberG6(header, corners[i]);
    header.append(i == 3 ? '\n' : '\t');
  }

  QByteArray bytes;
  MemFile mem{&bytes};
  TIFF* t = TIFFClientOpen("slice", "w", &mem, memRead, memWrite, memSeek, memClose, memSize,
                           memMap, memUnmap);
  if (!t) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(nx));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(ny));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(ny));
  TIFFSetField(t, TIFFTAG_SOFTWARE, "Vanto");
  TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, header.constData());
  const bool ok =
      TIFFWriteEncodedStrip(t, 0, page.data(), tmsize_t(page.size() * sizeof(float))) >= 0 &&
      TIFFWriteDirectory(t);
  TIFFClose(t);
  if (!ok) return false;
  out.append(bytes);
  return true;
}
