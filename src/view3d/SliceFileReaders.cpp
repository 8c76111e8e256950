#include "view3d/SliceFileReaders.h"

#include <QDebug>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cfloat>
#include <new>

#include "base/MemoryBudget.h"
#include "base/TextFiles.h"
#include "base/TextTokens.h"
#include "output/CtDataFile.h"
#include "view3d/SliceTiffReader.h"

bool readImageSlice(const QString& path, SliceRecord& out) {
  QImageReader reader(path);
  QImage image;
  if (!reader.canRead() || !reader.read(&image) || image.isNull()) return false;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const int w = rgb.width(), h = rgb.height();
  const memorybudget::Reservation reservation =
      memorybudget::reserve(qint64(w) * h * qint64(sizeof(double)));
  if (!reservation) {
    qDebug() << "Slice image too large to hold" << w << "x" << h << path;
    return false;
  }
  out = SliceRecord();
  out.values.resize(size_t(w) * size_t(h));
  double mn = DBL_MAX, mx = -DBL_MAX;
  for (int y = 0; y < h; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    double* dst = out.values.data() + size_t(y) * size_t(w);
    for (int x = 0; x < w; ++x) {
      const double v = qBlue(line[x]);
      dst[x] = v;
      mn = std::min(mn, v);
      mx = std::max(mx, v);
    }
  }
  out.width = w;
  out.height = h;
  out.isImage = true;
  out.image = std::move(image);
  out.minimum = mn;
  out.maximum = mx;
  return true;
}

bool readCtDataSlice(const QString& path, SliceRecord& out) {
  // The grid is read straight into the record's storage: no second copy.
  SliceValues values;
  CtDataInfo info;
  const bool ok = readCtDataFile(path, info, [&values](int w, int h) {
    values.assign(size_t(w) * size_t(h), 0.0);
    return values.data();
  });
  if (!ok || info.width <= 0 || info.height <= 0 ||
      values.size() != size_t(info.width) * size_t(info.height))
    return false;
  out = SliceRecord();
  out.width = info.width;
  out.height = info.height;
  out.minimum = info.min;
  out.maximum = info.max;
  out.values = std::move(values);
  return true;
}

bool readXyvSlice(const QString& path, SliceRecord& out) {
  using texttokens::Token;
  if (isSpecialFile(path)) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  // Check the magic before reading the rest, so that large files of other kinds
  // are not read at all.
  const QByteArray first = file.peek(9);
  if (!first.startsWith("## 240301")) return false;
  const qint64 fileBytes = file.size();

  TextLineReader lines(file);
  const char* p = nullptr;
  const char* eol = nullptr;
  lines.next(p, eol);  // the magic line

  long long width = 0, height = 0;
  bool gridMade = false;
  int originX = 0, originY = 0;
  double mn = DBL_MAX, mx = -DBL_MAX;
  SliceValues values;
  // Held while the grid is being filled (see memorybudget).
  memorybudget::Reservation reservation;
  Token tok[4];

  while (lines.next(p, eol)) {
    const int n = texttokens::split(p, eol, tok, 4, true);
    if (n == 0) continue;
    if (*tok[0].b == '#') {
      // The size lines count only before the grid exists: a later one would
      // make width x height disagree with the values held.
      if (!gridMade && n == 3 && (tok[1].is("X-NUM") || tok[1].is("Y-NUM"))) {
        bool ok = false;
        const int v = texttokens::toInt(tok[2], &ok);
        (tok[1].is("X-NUM") ? width : height) = ok ? (long long)v - 1 : -1;
      }
      continue;  // Format1/Format2 lines: commas and blanks are always both accepted
    }
    if (!gridMade) {
      if (width < 1 || height < 1) continue;
      QString why;
      reservation = memorybudget::reserveTextGrid(width, height, kMaxSliceSide, fileBytes, &why);
      if (!reservation) {
        qDebug().noquote() << QStringLiteral("XYV file refused, %1:").arg(why) << path;
        return false;
      }
      try {
        values.assign(size_t(width) * size_t(height), 0.0);
      } catch (const std::bad_alloc&) {
        qDebug() << "XYV grid cannot be allocated" << width << "x" << height << path;
        return false;
      }
      gridMade = true;
      originX = n >= 1 ? texttokens::toInt(tok[0]) : 0;
      originY = n >= 2 ? texttokens::toInt(tok[1]) : 0;
    }
    if (n < 3) continue;
    const long long x = (long long)texttokens::toInt(tok[0]) - originX;
    const long long y = (long long)texttokens::toInt(tok[1]) - originY;
    if (x < 0 || y < 0 || x >= width || y >= height) continue;  // outside the grid: ignored
    const double v = texttokens::toDouble(tok[2]);
    values[size_t(y) * size_t(width) + size_t(x)] = v;
    mn = std::min(mn, v);
    mx = std::max(mx, v);
  }
  if (lines.lineTooLong()) {
    qDebug() << "XYV file refused, a line is longer than 1 MiB:" << path;
    return false;
  }
  if (!gridMade) return false;
  out = SliceRecord();
  out.width = int(width);
  out.height = int(height);
  out.minimum = mn;
  out.maximum = mx;
  out.values = std::move(values);
  return true;
}

bool readSliceFile(const QString& path, SliceRecord& out) {
  return readValueTiffSlice(path, out) || readImageSlice(path, out) || readCtDataSlice(path, out) ||
         readXyvSlice(path, out);
}
