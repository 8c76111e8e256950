#include "output/CtDataFile.h"

#include <QDebug>
#include <QFile>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "app/MemoryBudget.h"
#include "app/TextFiles.h"
#include "app/TextTokens.h"

namespace {

constexpr char kMagic[] = "#VNTO-CTImg";
constexpr int kMagicLength = 11;

// Writes v in general notation, 6 significant digits, at p; returns the end.
char* putG6(char* p, char* end, double v) {
  if (std::isnan(v)) {
    std::memcpy(p, std::signbit(v) ? "-nan" : "nan", std::signbit(v) ? 4 : 3);
    return p + (std::signbit(v) ? 4 : 3);
  }
  return std::to_chars(p, end, v, std::chars_format::general, 6).ptr;
}

char* putInt(char* p, char* end, long long v) { return std::to_chars(p, end, v).ptr; }

}  // namespace

void appendNumberG6(QByteArray& out, double v) {
  char buf[40];
  char* e = putG6(buf, buf + sizeof buf, v);
  out.append(buf, int(e - buf));
}

QString numberG6(double v) {
  QByteArray b;
  appendNumberG6(b, v);
  return QString::fromLatin1(b);
}

void appendCtDataFile(QByteArray& out, const double* image, int rows, int rowLength,
                      const CtDataRegion& region, const CtDataLimits& limits) {
  out.append(kMagic).append('\n');
  out.append("# Range_X0       : ");
  appendNumberG6(out, region.x0);
  out.append("\n# Range_Y0       : ");
  appendNumberG6(out, region.y0);
  out.append("\n# Range_X1       : ");
  appendNumberG6(out, region.x1 - 1);
  out.append("\n# Range_Y1       : ");
  appendNumberG6(out, region.y1 - 1);
  out.append("\n# sx,sy, ex,ey   : ");
  appendNumberG6(out, region.x0);
  out.append('\t');
  appendNumberG6(out, region.y0);
  out.append('\t');
  appendNumberG6(out, region.x1 - 1);
  out.append('\t');
  appendNumberG6(out, region.y1 - 1);
  out.append('\n');

  if (!(std::isfinite(region.x0) && std::isfinite(region.y0) && std::isfinite(region.x1) &&
        std::isfinite(region.y1)))
    return;
  const double tx = std::trunc(region.x0), ty = std::trunc(region.y0);
  if (std::fabs(tx) > 1e9 || std::fabs(ty) > 1e9 || std::fabs(region.x1) > 1e9 ||
      std::fabs(region.y1) > 1e9)
    return;
  const long long xs = (long long)tx, ys = (long long)ty;
  // Number of integers x = tx, tx + 1, ... with x < X1 (and likewise for y).
  const long long nx = region.x1 > tx ? (long long)std::ceil(region.x1 - tx) : 0;
  const long long ny = region.y1 > ty ? (long long)std::ceil(region.y1 - ty) : 0;
  if (nx <= 0 || ny <= 0) return;

  // Longest line: two integers (<= 11 chars each), a value (<= 13 chars), 3 separators.
  constexpr int kMaxLine = 48;
  const qint64 need = qint64(out.size()) + nx * ny * kMaxLine;
  if (need > std::numeric_limits<int>::max() - 64) {
    qWarning() << "CT data file too large to compose:" << nx << "x" << ny;
    return;
  }
  const qsizetype start = out.size();
  out.resize(qsizetype(need));
  char* const base = out.data();
  char* p = base + start;
  char* const end = base + out.size();
  for (long long j = 0; j < ny; ++j) {
    const long long y = ys + j;
    const bool rowIn = image && y >= 0 && y < rows;
    const double* row = rowIn ? image + y * (long long)rowLength : nullptr;
    for (long long i = 0; i < nx; ++i) {
      const long long x = xs + i;
      double v = (row && x >= 0 && x < rowLength) ? row[x] : 0.0;
      if (v > limits.upper || v < limits.lower) v = 0;
      p = putInt(p, end, x);
      *p++ = '\t';
      p = putInt(p, end, y);
      *p++ = '\t';
      p = putG6(p, end, v + limits.offset);
      *p++ = '\n';
    }
  }
  out.resize(p - base);
}

double CtDataGrid::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return values[size_t(y) * size_t(width) + size_t(x)];
}

bool readCtDataFile(const QString& path, CtDataInfo& info,
                    const std::function<double*(int width, int height)>& allocate) {
  using texttokens::Token;
  if (isSpecialFile(path)) {
    qDebug() << "CT data file cannot be opened:" << path << "not a regular file";
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    qDebug() << "CT data file cannot be opened:" << path << file.errorString();
    return false;
  }
  // The magic first, so that large files of other kinds are not read at all.
  const QByteArray magic = file.peek(kMagicLength);
  if (magic.size() < kMagicLength || std::memcmp(magic.constData(), kMagic, kMagicLength) != 0)
    return false;
  const qint64 fileBytes = file.size();
  auto refuse = [&path](const QString& why) {
    qWarning().noquote() << QStringLiteral("CT data file refused, %1: %2").arg(why, path);
    return false;
  };

  TextLineReader lines(file);
  const char* p = nullptr;
  const char* eol = nullptr;
  lines.next(p, eol);  // the magic line

  double mn = std::numeric_limits<double>::max(), mx = -mn;
  int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  int width = 0, height = 0;
  double* grid = nullptr;
  // Held while the grid is being filled, so that readers running at the same
  // time cannot all count on the same free memory.
  memorybudget::Reservation reservation;
  Token items[4];
  while (lines.next(p, eol)) {
    const int n = texttokens::split(p, eol, items, 4, false);
    if (n > 0 && items[0].is("#")) {
      if (n >= 4) {
        if (items[1].is("Range_X0"))
          X0 = texttokens::toInt(items[3]);
        else if (items[1].is("Range_Y0"))
          Y0 = texttokens::toInt(items[3]);
        else if (items[1].is("Range_X1"))
          X1 = texttokens::toInt(items[3]);
        else if (items[1].is("Range_Y1"))
          Y1 = texttokens::toInt(items[3]);
      }
      continue;
    }
    if (!grid) {
      const double w = std::trunc(double(X1) - double(X0) + 1);
      const double h = std::trunc(double(Y1) - double(Y0) + 1);
      if (!(X1 > 0 && Y1 > 0 && w > 0 && h > 0)) continue;
      QString why;
      reservation =
          memorybudget::reserveTextGrid(qint64(w), qint64(h), kCtDataMaxSide, fileBytes, &why);
      if (!reservation) return refuse(why);
      width = int(w);
      height = int(h);
      try {
        grid = allocate(width, height);
      } catch (const std::bad_alloc&) {
        grid = nullptr;
      }
      if (!grid)
        return refuse(QStringLiteral("grid %1 x %2 cannot be allocated").arg(width).arg(height));
    }
    if (n < 3) continue;
    const long long col = (long long)texttokens::toInt(items[0]) - X0;
    const long long row = (long long)texttokens::toInt(items[1]) - Y0;
    const double v = texttokens::toDouble(items[2]);
    if (col >= 0 && col < width && row >= 0 && row < height)
      grid[size_t(row) * size_t(width) + size_t(col)] = v;
    if (v > mx) mx = v;
    if (v < mn) mn = v;
  }
  if (lines.lineTooLong()) return refuse(textReadReason(TextRead::LineTooLong));
  if (!grid || width <= 0 || height <= 0) return false;
  info.width = width;
  info.height = height;
  info.min = mn;
  info.max = mx;
  return true;
}

bool readCtDataFile(const QString& path, CtDataGrid& out) {
  std::vector<double> values;
  CtDataInfo info;
  const bool ok = readCtDataFile(path, info, [&values](int w, int h) {
    values.assign(size_t(w) * size_t(h), 0.0);
    return values.data();
  });
  if (!ok) return false;
  out.width = info.width;
  out.height = info.height;
  out.min = info.min;
  out.max = info.max;
  out.values = std::move(values);
  return true;
}
