#include "view3d/SliceFileReaders.h"

#include <QDebug>
#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstring>

#include "output/CtDataFile.h"
#include "view3d/SliceTiffReader.h"

namespace {

qint64 availableMemoryBytes() {
  QFile f(QStringLiteral("/proc/meminfo"));
  if (!f.open(QIODevice::ReadOnly)) return -1;  // unknown: only the side limit applies
  const QByteArray text = f.readAll();
  const int at = text.indexOf("MemAvailable:");
  if (at < 0) return -1;
  const char* p = text.constData() + at + 13;
  const char* end = text.constData() + text.size();
  while (p < end && *p == ' ') ++p;
  long long kb = 0;
  if (std::from_chars(p, end, kb).ec != std::errc()) return -1;
  return qint64(kb) * 1024;
}

struct Token {
  const char* b;
  const char* e;
  bool is(const char* s) const {
    const size_t n = std::strlen(s);
    return size_t(e - b) == n && std::memcmp(b, s, n) == 0;
  }
};

// Whole-token integer; 0 when the token is not one (and `ok` false).
int tokenInt(const Token& t, bool* ok = nullptr) {
  const char* b = t.b;
  if (b < t.e && *b == '+') ++b;
  int v = 0;
  const auto r = std::from_chars(b, t.e, v);
  const bool good = r.ec == std::errc() && r.ptr == t.e && b < t.e;
  if (ok) *ok = good;
  return good ? v : 0;
}

double tokenDouble(const Token& t) {
  const char* b = t.b;
  if (b < t.e && *b == '+') ++b;
  double v = 0;
  const auto r = std::from_chars(b, t.e, v);
  return (r.ec == std::errc() && r.ptr == t.e && b < t.e) ? v : 0.0;
}

inline bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\v' || c == '\f';
}

// Splits [p, end) at blanks, tabs and commas into at most `cap` tokens; returns the count
// of all tokens (which may exceed cap).
int splitLine(const char* p, const char* end, Token* tokens, int cap) {
  int n = 0;
  while (p < end) {
    while (p < end && isSeparator(*p)) ++p;
    if (p >= end) break;
    const char* b = p;
    while (p < end && !isSeparator(*p)) ++p;
    if (n < cap) tokens[n] = Token{b, p};
    ++n;
  }
  return n;
}

}  // namespace

bool sliceGridAffordable(long long width, long long height) {
  if (width <= 0 || height <= 0 || width > kMaxSliceSide || height > kMaxSliceSide) return false;
  const qint64 avail = availableMemoryBytes();
  return avail < 0 || width * height * qint64(sizeof(double)) <= avail;
}

bool readImageSlice(const QString& path, SliceRecord& out) {
  QImageReader reader(path);
  QImage image;
  if (!reader.canRead() || !reader.read(&image) || image.isNull()) return false;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const int w = rgb.width(), h = rgb.height();
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
  CtDataGrid grid;
  if (!readCtDataFile(path, grid)) return false;
  if (grid.width <= 0 || grid.height <= 0 ||
      grid.values.size() != size_t(grid.width) * size_t(grid.height))
    return false;
  out = SliceRecord();
  out.width = grid.width;
  out.height = grid.height;
  out.minimum = grid.min;
  out.maximum = grid.max;
  out.values.assign(grid.values.begin(), grid.values.end());
  std::vector<double>().swap(grid.values);
  return true;
}

bool readXyvSlice(const QString& path, SliceRecord& out) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  // Check the magic before reading the rest, so that large files of other kinds
  // are not read whole.
  const QByteArray first = file.peek(9);
  if (!first.startsWith("## 240301")) return false;
  const QByteArray bytes = file.readAll();
  file.close();

  const char* p = bytes.constData();
  const char* end = p + bytes.size();
  // Skip the first line.
  const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
  p = eol ? eol + 1 : end;

  long long width = 0, height = 0;
  bool gridMade = false;
  int originX = 0, originY = 0;
  double mn = DBL_MAX, mx = -DBL_MAX;
  SliceValues values;
  Token tok[4];

  while (p < end) {
    eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    const char* lineEnd = eol ? eol : end;
    const int n = splitLine(p, lineEnd, tok, 4);
    p = eol ? eol + 1 : end;
    if (n == 0) continue;
    if (*tok[0].b == '#') {
      if (n == 3 && (tok[1].is("X-NUM") || tok[1].is("Y-NUM"))) {
        bool ok = false;
        const int v = tokenInt(tok[2], &ok);
        (tok[1].is("X-NUM") ? width : height) = ok ? (long long)v - 1 : -1;
      }
      continue;  // Format1/Format2 lines: commas and blanks are always both accepted
    }
    if (!gridMade) {
      if (width < 1 || height < 1) continue;
      if (!sliceGridAffordable(width, height)) {
        qDebug() << "XYV grid too large to hold" << width << "x" << height << path;
        return false;
      }
      values.assign(size_t(width) * size_t(height), 0.0);
      gridMade = true;
      originX = n >= 1 ? tokenInt(tok[0]) : 0;
      originY = n >= 2 ? tokenInt(tok[1]) : 0;
    }
    if (n < 3) continue;
    const long long x = (long long)tokenInt(tok[0]) - originX;
    const long long y = (long long)tokenInt(tok[1]) - originY;
    if (x < 0 || y < 0 || x >= width || y >= height) continue;  // outside the grid: ignored
    const double v = tokenDouble(tok[2]);
    values[size_t(y) * size_t(width) + size_t(x)] = v;
    mn = std::min(mn, v);
    mx = std::max(mx, v);
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
