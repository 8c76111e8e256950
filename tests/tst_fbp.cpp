#include <QtTest>
#include <cmath>
#include <numbers>
#include <random>

#include "../bench/FbpReference.h"
#include "ct/CtRunMath.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"

Q_DECLARE_METATYPE(FbpKernel)
Q_DECLARE_METATYPE(FbpRegion)

namespace {

const std::pair<FbpKernel, const char*> kAllKernels[] = {
    {FbpKernel::Scalar, "scalar"}, {FbpKernel::Avx2, "avx2"}, {FbpKernel::Avx512, "avx512"}};

void fillRandom(HSgm& s, int width, int rows, unsigned seed) {
  s.resize(width, rows);
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> d(-1.0, 3.0);
  for (int i = 0; i < width * rows; ++i) s.sgm()[i] = d(gen);
}

// One row per back-projection kernel this processor runs.
void kernelColumn() {
  QTest::addColumn<FbpKernel>("kernel");
  for (const auto& [k, name] : kAllKernels)
    if (fbpKernelSupported(k)) QTest::newRow(name) << k;
}

double maxAbs(const std::vector<double>& v) {
  double m = 0.0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// The workspace's filtered rows laid out contiguously for the reference.
std::vector<double> filteredRows(const FbpWorkspace& ws, int rows) {
  std::vector<double> f;
  for (int j = 0; j < rows; ++j) f.insert(f.end(), ws.filtered(j), ws.filtered(j) + ws.n());
  return f;
}

std::vector<double> imageOf(const FbpWorkspace& ws) {
  const int n = ws.imageSize();
  return std::vector<double>(ws.image(), ws.image() + static_cast<std::size_t>(n) * n);
}

}  // namespace

class TestFbp : public QObject {
  Q_OBJECT
 private slots:
  void handWorkedFourByFour_data() { kernelColumn(); }

  // A 4 x 4 slice worked out by hand, from one projection (0 deg) and from two
  // (0 and 90 deg, a 180 deg range in two images), through the run's steps:
  // N = sinogram width rounded down to even (a width of 4 is the smallest that
  // gives a 4 x 4 image), angles from the run parameters, the whole image as
  // the region.
  //
  // Filter. X = DFT(p) (unnormalised, e^-2pi i km/4), the ramp weights
  // min(k, 4 - k) * 2pi / 4 = {0, pi/2, pi, pi/2}, the inverse unnormalised
  // transform, then 1 / (N M):
  //   p = {0, 1, 4, 2}: X = {7, -4 + i, 1, -4 - i};
  //     weighted {0, pi/2 (-4 + i), pi, pi/2 (-4 - i)};
  //     inverse {-3pi, -2pi, 5pi, 0}.
  //   q = {2, 0, 0, 1}: X = {3, 2 + i, 1, 2 - i};
  //     weighted {0, pi/2 (2 + i), pi, pi/2 (2 - i)};
  //     inverse {3pi, -2pi, -pi, 0}.
  // (Check: the weights' inverse transform is the kernel {2pi, -pi, 0, -pi},
  // so value j is pi (2 p[j] - p[j-1] - p[j+1]) around the ring.)
  //
  // Back-projection. h = 2; pixel (x, y) counts when |(x, y) - (h, h)| < h,
  // i.e. x, y in 1..3; it samples t = (x - h) cos - (y - h) sin + h, linearly
  // interpolated between f[i] and f[i + 1], i = floor(t) in 0..N-2.
  //   0 deg: t = x; x = 3 gives i = 3, no sample (f[3] is 0 here anyway).
  //   90 deg: t = 4 - y (cos 90 deg is 6e-17 in doubles; both rows end in 0,
  //   so t just below 3 or at 3 gives 0 either way).
  // One projection, f = pi/4 {-3, -2, 5, 0}: every row y = 1..3 reads
  //   {0, -pi/2, 5pi/4, 0}.
  // Two projections, f0 = pi/8 {-3, -2, 5, 0}, f1 = pi/8 {3, -2, -1, 0}:
  //   pixel = f0[x] + f1[4 - y]:
  //   y = 1: {0, -2pi/8 + 0,      5pi/8 + 0,      0 + 0     }
  //   y = 2: {0, -2pi/8 - pi/8,   5pi/8 - pi/8,   0 - pi/8  }
  //   y = 3: {0, -2pi/8 - 2pi/8,  5pi/8 - 2pi/8,  0 - 2pi/8 }
  // Row 0 and column 0 lie outside the circle: 0.
  void handWorkedFourByFour() {
    QFETCH(FbpKernel, kernel);
    const double pi = std::numbers::pi;
    const std::vector<std::vector<double>> rows = {{0, 1, 4, 2}, {2, 0, 0, 1}};
    const std::vector<double> one = {0, 0,       0,          0,  //
                                     0, -pi / 2, 5 * pi / 4, 0,  //
                                     0, -pi / 2, 5 * pi / 4, 0,  //
                                     0, -pi / 2, 5 * pi / 4, 0};
    const std::vector<double> two = {0, 0,           0,          0,        //
                                     0, -pi / 4,     5 * pi / 8, 0,        //
                                     0, -3 * pi / 8, pi / 2,     -pi / 8,  //
                                     0, -pi / 2,     3 * pi / 8, -pi / 4};
    for (int m : {1, 2}) {
      HSgm s;
      s.resize(4, m);
      for (int j = 0; j < m; ++j) std::copy(rows[j].begin(), rows[j].end(), s.sgmRow(j));
      CtRunParams p;
      p.dataSetImages = m;
      const CtAngles a = ctAngles(p);
      const int n = s.width() & ~1;
      FbpWorkspace ws;
      ws.setKernel(kernel);
      ws.setup(n, m);
      ws.clearImage(n);
      ws.forwardAll(s);
      ws.filterAll(m);
      ws.backProjectAll(m, FbpRegion{0, 0, double(n), double(n)}, a.angle0, a.dAngle);
      const std::vector<double> img = imageOf(ws);
      const std::vector<double>& want = m == 1 ? one : two;
      for (int i = 0; i < 16; ++i)
        QVERIFY2(
            std::fabs(img[i] - want[i]) < 1e-12,
            qPrintable(QString("M %1 pixel %2: %3 not %4").arg(m).arg(i).arg(img[i]).arg(want[i])));
    }
  }

  void emptyRowRangeOnlySetsDone() {
    HSgm s;
    fillRandom(s, 33, 2, 2);
    FbpWorkspace ws;
    ws.setup(32, 2);
    ws.clearImage(32);
    ws.forwardAll(s);
    ws.filterAll(2);
    QVERIFY(!ws.done());
    ws.backProject(0, 0, 32, 5.7, 5.0, 0.0, 0.1);  // y1 = 5 is not above trunc(5.7)
    QVERIFY(ws.done());
    QCOMPARE(maxAbs(imageOf(ws)), 0.0);
    ws.backProjectAll(2, FbpRegion{0, 3.0, 32, 2.5}, 0.0, 0.1);
    QCOMPARE(maxAbs(imageOf(ws)), 0.0);
    ws.backProject(0, 0, 32, 5.7, 5.5, 0.0, 0.1);  // 5.5 > 5: row 5 only
    const std::vector<double> img = imageOf(ws);
    QVERIFY(maxAbs(img) > 0.0);
    for (int i = 0; i < 32 * 32; ++i)
      if (i / 32 != 5) QCOMPARE(img[i], 0.0);
  }

  void setupReallocatesForMoreRows() {
    std::vector<double> row(64);
    for (int i = 0; i < 64; ++i) row[i] = std::sin(i * 0.3) + 0.1 * i;
    FbpWorkspace ws;
    ws.setup(64, 4);
    QCOMPARE(ws.rowCapacity(), 4);
    QVERIFY(ws.filtered(6) == nullptr);
    ws.setup(64, 8);
    QCOMPARE(ws.rowCapacity(), 8);
    QCOMPARE(ws.projections(), 8);
    QVERIFY(ws.filtered(6) != nullptr);
    ws.forward(row.data(), 6);
    ws.filter(6);
    const std::vector<double> ref = fbpref::filterRow(row.data(), 64, 8);
    for (int k = 0; k < 64; ++k) QVERIFY(std::fabs(ws.filtered(6)[k] - ref[k]) < 1e-12);
    // A capacity above M keeps the 1 / (N M) scale of M.
    ws.setup(64, 4, 10);
    QCOMPARE(ws.rowCapacity(), 10);
    ws.forward(row.data(), 9);
    ws.filter(9);
    const std::vector<double> ref4 = fbpref::filterRow(row.data(), 64, 4);
    for (int k = 0; k < 64; ++k) QVERIFY(std::fabs(ws.filtered(9)[k] - ref4[k]) < 1e-12);
  }

  void rowsBeyondCapacityAreRefused() {
    // A partial data set with more rows than frames: the extra rows are not
    // written anywhere (an address sanitizer build checks the "anywhere").
    HSgm s;
    fillRandom(s, 33, 12, 3);
    FbpWorkspace ws;
    ws.setup(32, 8);
    ws.clearImage(32);
    ws.forwardAll(s);
    ws.forward(s.sgmRow(10), 10);
    ws.filter(10);
    ws.filterAll(12);
    ws.backProject(11, 0, 32, 0, 32, 0.0, 0.1);
    ws.backProjectAll(12, FbpRegion{0, 0, 32, 32}, 0.0, 0.1);
    // Equal to the first 8 rows alone.
    std::vector<double> ref(32 * 32, 0.0);
    const std::vector<double> f = filteredRows(ws, 8);
    fbpref::backProjectAll(ref, 32, f.data(), 8, 0, 32, 0, 32, 0.0, 0.1);
    QCOMPARE(imageOf(ws), ref);
  }

  void narrowSinogramRefused() {
    HSgm s;
    fillRandom(s, 31, 2, 4);  // rows shorter than N = 32
    FbpWorkspace ws;
    ws.setup(32, 2);
    ws.forwardAll(s);
    QCOMPARE(ws.spectrum(0)[5][0], 0.0);
    QCOMPARE(ws.spectrum(0)[5][1], 0.0);
  }

  void kernelsMatchLiteral_data() {
    // Regions that cover the whole circle with a whole number of steps per
    // quarter turn let the SIMD kernels pair each projection with the one 90
    // degrees on (or back); the others take every projection in order.
    QTest::addColumn<FbpKernel>("kernel");
    QTest::addColumn<bool>("perRow");  // a worker's per-row calls instead of the blocked ones
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("rows");
    QTest::addColumn<FbpRegion>("r");
    QTest::addColumn<double>("angle0");
    QTest::addColumn<double>("dAngle");
    const double pi = std::numbers::pi;
    for (const auto& [k, name] : kAllKernels) {
      if (!fbpKernelSupported(k)) continue;
      auto row = [&](const char* what, bool perRow = false) -> QTestData& {
        return QTest::newRow(qPrintable(QString("%1 %2").arg(name, what))) << k << perRow;
      };
      // clang-format off
      row("255 whole circle") << 255 << 180 << FbpRegion{0, 0, 254, 254} << 0.0 << pi / 180;
      row("101 beyond image") << 101 << 45 << FbpRegion{-10, -5, 120, 135} << 0.3 << pi / 45;
      row("99 fractional part") << 99 << 70 << FbpRegion{10.5, 20.7, 60.2, 54.3} << -1.0 << 0.05;
      row("129 quarter turns back") << 129 << 90 << FbpRegion{0, 0, 128, 128} << 2.0 << -pi / 40;
      row("33 fewer rows than a half turn") << 33 << 30 << FbpRegion{-1, -1, 39, 39} << 0.4 << pi / 40;
      row("13 below one tile") << 13 << 7 << FbpRegion{0, 0, 12, 12} << 0.1 << pi / 6;
      row("81 per row", true) << 81 << 25 << FbpRegion{5, 3, 70, 77} << 0.2 << 0.125;
      // clang-format on
    }
  }

  void kernelsMatchLiteral() {
    QFETCH(FbpKernel, kernel);
    QFETCH(bool, perRow);
    QFETCH(int, width);
    QFETCH(int, rows);
    QFETCH(FbpRegion, r);
    QFETCH(double, angle0);
    QFETCH(double, dAngle);
    HSgm s;
    fillRandom(s, width, rows, width * 7 + rows);
    const int n = width / 2 * 2;
    FbpWorkspace ws;
    ws.setKernel(kernel);
    QCOMPARE(ws.kernel(), kernel);
    ws.setup(n, rows);
    ws.clearImage(n);
    if (perRow) {
      for (int j = 0; j < rows; ++j) ws.forward(s.sgmRow(j), j);
      for (int j = 0; j < rows; ++j) ws.filter(j);
      for (int j = 0; j < rows; ++j) ws.backProject(j, r.x0, r.x1, r.y0, r.y1, angle0, dAngle);
    } else {
      ws.forwardAll(s);
      ws.filterAll(rows);
      ws.backProjectAll(rows, r, angle0, dAngle);
    }
    std::vector<double> ref(static_cast<std::size_t>(n) * n, 0.0);
    const std::vector<double> f = filteredRows(ws, rows);
    fbpref::backProjectAll(ref, n, f.data(), rows, r.x0, r.x1, r.y0, r.y1, angle0, dAngle);
    const std::vector<double> img = imageOf(ws);
    const double tol = 1e-9 * maxAbs(ref);
    QVERIFY(maxAbs(ref) > 0.0);
    for (std::size_t i = 0; i < img.size(); ++i)
      QVERIFY2(std::fabs(img[i] - ref[i]) <= tol, qPrintable(QString("pixel %1").arg(i)));
  }
};

QTEST_GUILESS_MAIN(TestFbp)
#include "tst_fbp.moc"
