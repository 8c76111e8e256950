#include "output/CtDataFile.h"

#include <unistd.h>

#include <QDebug>
#include <QFile>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "app/NamedLog.h"

namespace {

constexpr char kMagic[] = "#VNTO-CTImg";
constexpr int kMagicLength = 11;
constexpr qint64 kMaxSide = 16384;

// Writes v in general notation, 6 significant digits, at p; returns the end.
char* putG6(char* p, char* end, double v) {
  if (std::isnan(v)) {
    std::memcpy(p, std::signbit(v) ? "-nan" : "nan", std::signbit(v) ? 4 : 3);
    return p + (std::signbit(v) ? 4 : 3);
  }
  return std::to_chars(p, end, v, std::chars_format::general, 6).ptr;
}

char* putInt(char* p, char* end, long long v) { return std::to_chars(p, end, v).ptr; }

// Bytes of free memory, or -1 when unknown.
qint64 availableMemory() {
  QFile f(QStringLiteral("/proc/meminfo"));
  if (f.open(QIODevice::ReadOnly)) {
    const QByteArray text = f.readAll();
    const int at = text.indexOf("MemAvailable:");
    if (at >= 0) {
      const int eol = text.indexOf('\n', at);
      const QByteArray num = text.mid(at + 13, eol - at - 13).trimmed().split(' ').value(0);
      bool ok = false;
      const qint64 kb = num.toLongLong(&ok);
      if (ok) return kb * 1024;
    }
  }
#ifdef _SC_AVPHYS_PAGES
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long size = sysconf(_SC_PAGESIZE);
  if (pages > 0 && size > 0) return qint64(pages) * size;
#endif
  return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

struct Token {
  const char* b;
  const char* e;
  bool is(const char* s) const {
    const size_t n = std::strlen(s);
    return size_t(e - b) == n && std::memcmp(b, s, n) == 0;
  }
};

// Whole token as a 32-bit integer, 0 when it does not parse.
int toInt(const Token& t) {
  const char* b = t.b;
  if (b < t.e && *b == '+') ++b;
  int v = 0;
  auto r = std::from_chars(b, t.e, v);
  if (r.ec != std::errc() || r.ptr != t.e) return 0;
  return v;
}

// Whole token as a double, 0 when it does not parse.
double toDouble(const Token& t) {
  const char* b = t.b;
  if (b < t.e && *b == '+') ++b;
  double v = 0;
  auto r = std::from_chars(b, t.e, v);
  if (r.ec != std::errc() || r.ptr != t.e) return 0;
  return v;
}

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

bool readCtDataFile(const QString& path, CtDataGrid& out) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    logNamed("CT data file cannot be opened:", path + " : " + file.errorString());
    return false;
  }
  const QByteArray first = file.readLine(4096);
  if (first.size() < kMagicLength || std::memcmp(first.constData(), kMagic, kMagicLength) != 0)
    return false;
  if (!first.endsWith('\n')) {  // an overlong first line: skip the rest of it
    char c;
    while (file.getChar(&c) && c != '\n') {
    }
  }
  const QByteArray body = file.readAll();
  file.close();

  double mn = std::numeric_limits<double>::max(), mx = -mn;
  int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  int width = 0, height = 0;
  std::vector<double> grid;
  bool haveGrid = false;

  const char* p = body.constData();
  const char* const end = p + body.size();
  Token items[4];
  while (p < end) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    if (!eol) eol = end;
    int n = 0;
    const char* q = p;
    while (q < eol && n < 4) {
      while (q < eol && isBlank(*q)) ++q;
      if (q >= eol) break;
      const char* b = q;
      while (q < eol && !isBlank(*q)) ++q;
      items[n++] = Token{b, q};
    }
    p = eol + 1;
    if (n > 0 && items[0].is("#")) {
      if (n >= 4) {
        if (items[1].is("Range_X0"))
          X0 = toInt(items[3]);
        else if (items[1].is("Range_Y0"))
          Y0 = toInt(items[3]);
        else if (items[1].is("Range_X1"))
          X1 = toInt(items[3]);
        else if (items[1].is("Range_Y1"))
          Y1 = toInt(items[3]);
      }
      continue;
    }
    if (!haveGrid) {
      const double w = std::trunc(double(X1) - double(X0) + 1);
      const double h = std::trunc(double(Y1) - double(Y0) + 1);
      if (!(X1 > 0 && Y1 > 0 && w > 0 && h > 0)) continue;
      const double bytes = w * h * double(sizeof(double));
      const qint64 avail = availableMemory();
      if (w > kMaxSide || h > kMaxSide || (avail >= 0 && bytes > double(avail))) {
        qWarning().noquote() << QStringLiteral("CT data file refused, grid %1 x %2 too large: %3")
                                    .arg(qint64(w))
                                    .arg(qint64(h))
                                    .arg(path);
        return false;
      }
      width = int(w);
      height = int(h);
      grid.assign(size_t(width) * size_t(height), 0.0);
      haveGrid = true;
    }
    if (n < 3) continue;
    const long long col = (long long)toInt(items[0]) - X0;
    const long long row = (long long)toInt(items[1]) - Y0;
    const double v = toDouble(items[2]);
    if (col >= 0 && col < width && row >= 0 && row < height)
      grid[size_t(row) * size_t(width) + size_t(col)] = v;
    if (v > mx) mx = v;
    if (v < mn) mn = v;
  }
  if (!haveGrid || width <= 0 || height <= 0) return false;
  out.width = width;
  out.height = height;
  out.values = std::move(grid);
  out.min = mn;
  out.max = mx;
  return true;
}
