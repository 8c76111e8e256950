#include "output/CtDataFile.h"

#include <QDebug>
#include <QFile>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "base/HugePages.h"
#include "base/MemoryBudget.h"
#include "base/NamedLog.h"
#include "base/TextFiles.h"
#include "base/TextTokens.h"

namespace {

constexpr char kMagic[] = "#VNTO-CTImg";
constexpr int kMagicLength = 11;

// Six significant digits of a double, exactly as printf's "%.6g" (and
// std::to_chars with chars_format::general and precision 6) give them, but
// several times faster for the magnitudes an image holds: |v| is scaled by
// an exact power of ten, and only when the scaled value lands on a rounding
// tie is it redone exactly (v = M / 2^s, M * 10^k in 128-bit integers, half
// to even), so no digit can differ. Other magnitudes (>= 1e6, below about
// 1e-17, subnormal) go through std::to_chars.
using U128 = unsigned __int128;

U128 pow10Wide(int k) {
  U128 r = 1;
  while (k-- > 0) r *= 10;
  return r;
}

constexpr double kPow10Double[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The six digits q (100000 ... 999999) of |v| and its decimal exponent e,
// so that |v| rounds to q * 10^(e - 5); false when v is outside the range
// handled here.
bool sixDigits(double v, std::uint64_t& q, int& e) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = int(bits >> 52) & 0x7ff;
  if (biased == 0 || biased == 0x7ff) return false;
  const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
  const int shift = 1075 - biased;  // |v| = m / 2^shift
  if (shift < 1 || shift > 127) return false;
  // floor(log10 |v|) is this or one more: |v| lies in [2^(52 - shift), 2^(53 - shift)).
  e = ((52 - shift) * 78913) >> 18;
  int k = 5 - e;
  if (k < 0 || k > 22) return false;
  // First in doubles: 10^k is exact, so the product is rounded once. Every
  // tie n + 0.5 below 10^6 is a double and rounding is monotone, so the
  // rounded product lies on the same side of each tie as the exact one; only
  // when it lands on a tie itself does the exact remainder have to decide.
  const double a = std::fabs(v);
  double scaled = a * kPow10Double[k];
  if (scaled >= 1e6) {
    if (--k < 0) return false;
    ++e;
    scaled = a * kPow10Double[k];
  }
  if (scaled < 1e5) return false;
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (fraction != 0.5) {
    q = std::uint64_t(whole) + (fraction > 0.5 ? 1 : 0);
  } else {
    // On a tie: the exact remainder of m * 10^k / 2^shift decides.
    const U128 p = U128(m) * pow10Wide(k);
    const U128 w = p >> shift;
    q = std::uint64_t(w);
    const U128 rest = p - (w << shift);
    const U128 half = U128(1) << (shift - 1);
    if (rest > half || (rest == half && (q & 1))) ++q;
  }
  if (q >= 1000000) {
    q /= 10;  // 1000000 exactly: the rounding reached the next power of ten
    ++e;
  }
  return true;
}

// Two decimal digits of 0 ... 99.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes v at p and returns the end; p must have 16 bytes to spare beyond
// the text (at most 13 characters), which short fixed-size copies may touch.
char* putG6(char* p, char* end, double v) {
  if (std::isnan(v)) {
    std::memcpy(p, std::signbit(v) ? "-nan" : "nan", std::signbit(v) ? 4 : 3);
    return p + (std::signbit(v) ? 4 : 3);
  }
  std::uint64_t q;
  int e;
  if (!sixDigits(v, q, e)) return std::to_chars(p, end, v, std::chars_format::general, 6).ptr;
  if (v < 0) *p++ = '-';
  char d[16] = {};
  const unsigned hi = unsigned(q / 10000), mid = unsigned(q / 100 % 100), lo = unsigned(q % 100);
  std::memcpy(d, kDigitPairs + 2 * hi, 2);
  std::memcpy(d + 2, kDigitPairs + 2 * mid, 2);
  std::memcpy(d + 4, kDigitPairs + 2 * lo, 2);
  int nd = 6;  // significant digits without trailing zeros
  while (nd > 1 && d[nd - 1] == '0') --nd;
  if (e < -4 || e > 5) {  // d.ddddde-XX or d.ddddde+XX
    *p = d[0];
    p[1] = '.';
    std::memcpy(p + 2, d + 1, 8);
    p += nd > 1 ? nd + 1 : 1;
    const int x = e < 0 ? -e : e;
    *p++ = 'e';
    *p++ = e < 0 ? '-' : '+';
    if (x >= 100) *p++ = char('0' + x / 100);
    std::memcpy(p, kDigitPairs + 2 * (x % 100), 2);
    return p + 2;
  }
  if (e < 0) {  // 0.000ddd
    std::memcpy(p, "0.000000", 8);
    p += 1 - e;
    std::memcpy(p, d, 8);
    return p + nd;
  }
  std::memcpy(p, d, 8);  // integer part (e <= 5), then the fraction if any
  p += e + 1;
  if (nd > e + 1) {
    *p = '.';
    std::memcpy(p + 1, d + e + 1, 8);
    p += nd - e;
  }
  return p;
}

char* putInt(char* p, char* end, long long v) {
  if (v < 0 || v >= 10000) return std::to_chars(p, end, v).ptr;
  const unsigned u = unsigned(v);
  if (u < 10) {
    *p = char('0' + u);
    return p + 1;
  }
  if (u < 100) {
    std::memcpy(p, kDigitPairs + 2 * u, 2);
    return p + 2;
  }
  if (u < 1000) {
    *p++ = char('0' + u / 100);
  } else {
    std::memcpy(p, kDigitPairs + 2 * (u / 100), 2);
    p += 2;
  }
  std::memcpy(p, kDigitPairs + 2 * (u % 100), 2);
  return p + 2;
}

}  // namespace

void appendNumberG6(QByteArray& out, double v) {
  char buf[48];
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
  const qint64 need = qint64(out.size()) + nx * ny * kMaxLine + 16;  // putG6's spare bytes
  if (need > std::numeric_limits<int>::max() - 64) {
    qWarning() << "CT data file too large to compose:" << nx << "x" << ny;
    return;
  }
  const qsizetype start = out.size();
  out.resize(qsizetype(need));
  char* const base = out.data();
  hugepages::advise(base + start, base + need);
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
    logNamed("CT data file cannot be opened:", path + " : " + file.errorString());
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
