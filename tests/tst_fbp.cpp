#include <QtTest>
#include <cmath>
#include <numbers>
#include <random>

#include "../bench/FbpReference.h"
#include "MemFrame.h"
#include "Phantom.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"
#include "ct/SinogramBuilder.h"

Q_DECLARE_METATYPE(FbpKernel)

namespace {

const std::pair<FbpKernel, const char*> kAllKernels[] = {
    {FbpKernel::Scalar, "scalar"}, {FbpKernel::Avx2, "avx2"}, {FbpKernel::Avx512, "avx512"}};

void fillRandom(HSgm& s, int width, int rows, unsigned seed) {
  s.resize(width, rows);
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> d(-1.0, 3.0);
  for (int i = 0; i < width * rows; ++i) s.sgm()[i] = d(gen);
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
  void sliceSizing();
  void emptyRowRangeOnlySetsDone();
  void setupReallocatesForMoreRows();
  void rowsBeyondCapacityAreRefused();
  void narrowSinogramRefused();
  void constantRowFiltersToZero();
  void filterMatchesComplexTransforms_data();
  void filterMatchesComplexTransforms();
  void kernelsMatchLiteral_data();
  void kernelsMatchLiteral();
  void singleRowsMatchLiteral_data();
  void singleRowsMatchLiteral();
  void kernelsExactNearAxes_data();
  void kernelsExactNearAxes();
  void chordIsExact();
  void phantomReconstruction();
};

void TestFbp::sliceSizing() {
  // Width 1999 -> N 1998, h 999; a full region writes only inside the
  // circle, so the corners stay 0 while the centre is reached.
  HSgm s;
  fillRandom(s, 1999, 3, 1);
  const int n = s.width() / 2 * 2;
  QCOMPARE(n, 1998);
  FbpWorkspace ws;
  ws.setup(n, 3);
  ws.clearImage(n);
  QCOMPARE(ws.imageSize(), 1998);
  ws.forwardAll(s);
  ws.filterAll(3);
  ws.backProjectAll(3, FbpRegion{0, 0, double(n), double(n)}, 0.0, std::numbers::pi / 3);
  QVERIFY(ws.done());
  for (int y : {0, 1, 1996, 1997})
    for (int x : {0, 1, 1996, 1997}) QCOMPARE(ws.imageRow(y)[x], 0.0);
  QVERIFY(ws.imageRow(999)[999] != 0.0);
  QCOMPARE(ws.imageRow(999)[0], 0.0);  // sqrt(999^2) < 999 fails: on the circle
  QVERIFY(ws.imageRow(999)[1] != 0.0);
  ws.minMax();
  QVERIFY(ws.min() <= 0.0 && ws.max() > ws.min());
}

void TestFbp::emptyRowRangeOnlySetsDone() {
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

void TestFbp::setupReallocatesForMoreRows() {
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

void TestFbp::rowsBeyondCapacityAreRefused() {
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

void TestFbp::narrowSinogramRefused() {
  HSgm s;
  fillRandom(s, 31, 2, 4);  // rows shorter than N = 32
  FbpWorkspace ws;
  ws.setup(32, 2);
  ws.forwardAll(s);
  QCOMPARE(ws.spectrum(0)[5][0], 0.0);
  QCOMPARE(ws.spectrum(0)[5][1], 0.0);
}

void TestFbp::constantRowFiltersToZero() {
  std::vector<double> row(100, 7.25);
  FbpWorkspace ws;
  ws.setup(100, 1);
  ws.forward(row.data(), 0);
  ws.filter(0);
  for (int k = 0; k < 100; ++k) QVERIFY(std::fabs(ws.filtered(0)[k]) < 1e-13);
}

void TestFbp::filterMatchesComplexTransforms_data() {
  QTest::addColumn<int>("n");
  QTest::addColumn<int>("m");
  QTest::newRow("2") << 2 << 1;
  QTest::newRow("64") << 64 << 3;
  QTest::newRow("100") << 100 << 7;
  QTest::newRow("1998") << 1998 << 900;
}

void TestFbp::filterMatchesComplexTransforms() {
  // Real-to-complex transforms against the full complex ones.
  QFETCH(int, n);
  QFETCH(int, m);
  std::mt19937 gen(n);
  std::uniform_real_distribution<double> d(0.0, 5.0);
  std::vector<double> row(n);
  for (double& v : row) v = d(gen);
  FbpWorkspace ws;
  ws.setup(n, m);
  ws.forward(row.data(), 0);
  ws.filter(0);
  const std::vector<double> ref = fbpref::filterRow(row.data(), n, m);
  const double scale = std::max(maxAbs(ref), 1e-300);
  for (int k = 0; k < n; ++k) QVERIFY(std::fabs(ws.filtered(0)[k] - ref[k]) <= 1e-12 * scale);
}

void TestFbp::kernelsMatchLiteral_data() {
  // Regions that cover the whole circle with a whole number of steps per
  // quarter turn let the SIMD kernels pair each projection with the one 90
  // degrees on (or back); the others take every projection in order.
  QTest::addColumn<FbpKernel>("kernel");
  QTest::addColumn<bool>("phantom");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("rows");
  QTest::addColumn<QRectF>("region");  // x0, y0, x1 - x0, y1 - y0
  QTest::addColumn<double>("angle0");
  QTest::addColumn<double>("dAngle");
  const double pi = std::numbers::pi;
  for (const auto& [k, name] : kAllKernels) {
    if (!fbpKernelSupported(k)) continue;
    auto row = [&](const char* what, bool phantom = false) -> QTestData& {
      return QTest::newRow(qPrintable(QString("%1 %2").arg(name, what))) << k << phantom;
    };
    row("65 full") << 65 << 30 << QRectF(0, 0, 64, 64) << 0.0 << pi / 30;
    row("255 phantom", true) << 255 << 180 << QRectF(0, 0, 254, 254) << 0.0 << pi / 180;
    row("101 beyond image") << 101 << 45 << QRectF(-10, -5, 130, 140) << 0.3 << pi / 45;
    row("99 fractional part") << 99 << 70 << QRectF(10.5, 20.7, 49.7, 33.6) << -1.0 << 0.05;
    row("257 reversed turn") << 257 << 130 << QRectF(0, 0, 256, 256) << 2.0 << -0.0241;
    row("129 quarter turns back", true) << 129 << 90 << QRectF(0, 0, 128, 128) << 2.0 << -pi / 40;
    row("33 fewer rows than a half turn") << 33 << 30 << QRectF(-1, -1, 40, 40) << 0.4 << pi / 40;
    row("47 at 0 45 90 135 degrees") << 47 << 4 << QRectF(0, 0, 46, 46) << 0.0 << pi / 4;
    row("13 below one tile") << 13 << 7 << QRectF(0, 0, 12, 12) << 0.1 << pi / 6;
    row("5 tiny") << 5 << 5 << QRectF(0, 0, 4, 4) << 0.1 << 0.7;
    row("41 left half") << 41 << 64 << QRectF(-3, 0, 23.5, 40) << 0.0 << pi / 64;
  }
}

void TestFbp::kernelsMatchLiteral() {
  QFETCH(FbpKernel, kernel);
  QFETCH(bool, phantom);
  QFETCH(int, width);
  QFETCH(int, rows);
  QFETCH(QRectF, region);
  QFETCH(double, angle0);
  QFETCH(double, dAngle);
  HSgm s;
  if (phantom) {
    Phantom ph(width, 64, (width - 1) / 2.0);
    s.resize(width, rows);
    for (int j = 0; j < rows; ++j) ph.lineIntegrals(angle0 + j * dAngle, 32, width, s.sgmRow(j));
  } else {
    fillRandom(s, width, rows, width * 7 + rows);
  }
  const int n = width / 2 * 2;
  FbpWorkspace ws;
  ws.setKernel(kernel);
  QCOMPARE(ws.kernel(), kernel);
  ws.setup(n, rows);
  ws.clearImage(n);
  ws.forwardAll(s);
  ws.filterAll(rows);
  const FbpRegion r{region.x(), region.y(), region.x() + region.width(),
                    region.y() + region.height()};
  ws.backProjectAll(rows, r, angle0, dAngle);
  std::vector<double> ref(static_cast<std::size_t>(n) * n, 0.0);
  const std::vector<double> f = filteredRows(ws, rows);
  fbpref::backProjectAll(ref, n, f.data(), rows, r.x0, r.x1, r.y0, r.y1, angle0, dAngle);
  const std::vector<double> img = imageOf(ws);
  const double tol = 1e-9 * maxAbs(ref);
  QVERIFY(maxAbs(ref) > 0.0);
  for (std::size_t i = 0; i < img.size(); ++i)
    QVERIFY2(std::fabs(img[i] - ref[i]) <= tol, qPrintable(QString("pixel %1").arg(i)));
}

void TestFbp::singleRowsMatchLiteral_data() {
  QTest::addColumn<FbpKernel>("kernel");
  for (const auto& [k, name] : kAllKernels)
    if (fbpKernelSupported(k)) QTest::newRow(name) << k;
}

void TestFbp::singleRowsMatchLiteral() {
  // The per-row call sequence of a worker gives the literal loop's image.
  QFETCH(FbpKernel, kernel);
  HSgm s;
  fillRandom(s, 81, 25, 9);
  FbpWorkspace ws;
  ws.setKernel(kernel);
  QCOMPARE(ws.kernel(), kernel);
  ws.setup(80, 25);
  ws.clearImage(80);
  for (int j = 0; j < 25; ++j) ws.forward(s.sgmRow(j), j);
  for (int j = 0; j < 25; ++j) ws.filter(j);
  for (int j = 0; j < 25; ++j) ws.backProject(j, 5, 70, 3, 77, 0.2, 0.125);
  std::vector<double> ref(80 * 80, 0.0);
  const std::vector<double> f = filteredRows(ws, 25);
  fbpref::backProjectAll(ref, 80, f.data(), 25, 5, 70, 3, 77, 0.2, 0.125);
  const std::vector<double> img = imageOf(ws);
  for (std::size_t i = 0; i < img.size(); ++i)
    QVERIFY(std::fabs(img[i] - ref[i]) <= 1e-9 * maxAbs(ref));
}

void TestFbp::kernelsExactNearAxes_data() {
  QTest::addColumn<FbpKernel>("kernel");
  QTest::addColumn<int>("width");
  for (const auto& [k, name] : kAllKernels) {
    if (!fbpKernelSupported(k)) continue;
    for (int width : {67, 2047})
      QTest::newRow(qPrintable(QString("%1 %2").arg(name).arg(width))) << k << width;
  }
}

void TestFbp::kernelsExactNearAxes() {
  // Every kernel rounds like the literal loop, so the images agree exactly,
  // also for views at and within a hair of the axes, where eight neighbouring
  // pixels fall on up to nine detector samples, and just outside that band;
  // all in one block of projections, so that a kernel switching its way of
  // fetching samples from one projection to the next is covered too.
  QFETCH(FbpKernel, kernel);
  QFETCH(int, width);
  const double pi = std::numbers::pi;
  const std::vector<double> angles = {
      0.0,       1e-9,   -1e-9, 1e-6,          -1e-6,   1e-5, -3e-5,           0.7, pi - 1e-5, pi,
      pi + 2e-6, pi / 2, 2.5,   pi / 2 + 1e-9, -pi / 2, 4.0,  1.5 * pi - 1e-5, 5.9, -0.2};
  const int rows = static_cast<int>(angles.size());
  const int n = width / 2 * 2;
  const double h = n * 0.5;
  std::mt19937 gen(width);
  std::uniform_real_distribution<double> d(-1.0, 3.0);
  std::vector<double> f(static_cast<std::size_t>(rows) * n);
  for (double& v : f) v = d(gen);
  std::vector<double> sampleRows(static_cast<std::size_t>(rows) * sampleRowLength(n));
  std::vector<const double*> samples;
  std::vector<double> cosv, sinv;
  for (int j = 0; j < rows; ++j) {
    samples.push_back(
        fillSamples(f.data() + static_cast<std::size_t>(j) * n, n,
                    sampleRows.data() + static_cast<std::size_t>(j) * sampleRowLength(n)));
    cosv.push_back(std::cos(angles[j]));
    sinv.push_back(std::sin(angles[j]));
  }
  std::vector<int> xBegin(n), xEnd(n);
  for (int y = 0; y < n; ++y)
    if (!circleChord(y, h, xBegin[y], xEnd[y])) xBegin[y] = xEnd[y] = 0;
  std::vector<double> img(static_cast<std::size_t>(n) * n, 0.0);
  BackProjectTask task;
  task.image = img.data();
  task.n = n;
  task.h = h;
  task.yBegin = 0;
  task.yEnd = n;
  task.xBegin = xBegin.data();
  task.xEnd = xEnd.data();
  task.count = rows;
  task.cosv = cosv.data();
  task.sinv = sinv.data();
  task.samples = samples.data();
  task.diffOffset = samplePlaneLength(n);
  runBackProjection(task, kernel);

  std::vector<double> ref(static_cast<std::size_t>(n) * n, 0.0);
  for (int j = 0; j < rows; ++j)
    fbpref::backProject(ref, n, f.data() + static_cast<std::size_t>(j) * n, 0, n, 0, n, angles[j]);
  QVERIFY(maxAbs(ref) > 0.0);
  std::size_t differing = 0;
  for (std::size_t i = 0; i < img.size(); ++i)
    if (img[i] != ref[i]) ++differing;
  QCOMPARE(differing, std::size_t(0));
}

void TestFbp::chordIsExact() {
  for (int n : {2, 7, 64, 1998, 2046}) {
    const double h = n * 0.5;
    for (int y = -1; y <= n; ++y) {
      int xs = 0, xe = 0;
      const bool any = circleChord(y, h, xs, xe);
      for (int x = -2; x <= n + 1; ++x) {
        const bool in = std::sqrt((x - h) * (x - h) + (y - h) * (y - h)) < h;
        QCOMPARE(any && x >= xs && x < xe, in);
      }
    }
  }
}

void TestFbp::phantomReconstruction() {
  // Projections of the ellipsoid phantom through the sinogram builder (with
  // its I0 and background), reconstructed over 180 deg, against its slice.
  const int width = 256, slices = 64, slice = 32, m = 180;
  const double cor = 128.0;
  Phantom ph(width, slices, cor);
  std::vector<std::unique_ptr<MemFrame>> frames;
  SinogramSource src;
  std::vector<double> li(width);
  for (int j = 0; j < m; ++j) {
    ph.lineIntegrals(j * std::numbers::pi / m, slice, width, li.data());
    auto f = std::make_unique<MemFrame>(width, 1);
    for (int p = 0; p < width; ++p) f->at(p, 0) = ph.intensity(p, slice, li[p]);
    src.frames.push_back(f.get());
    frames.push_back(std::move(f));
  }
  MemFrame i0(width, 1), bg(width, 1);
  for (int p = 0; p < width; ++p) {
    i0.at(p, 0) = ph.flatI0(p, slice);
    bg.at(p, 0) = ph.background(p, slice);
  }
  src.i0 = &i0;
  src.bg = &bg;
  src.width = width;
  src.height = 1;
  SinogramParams sp;
  sp.cor = cor;
  sp.slice = 0;
  HSgm s;
  buildSinogram(src, sp, s);
  const int n = s.width() / 2 * 2;
  QCOMPARE(n, ph.reconstructionSize());
  FbpWorkspace ws;
  ws.setup(n, m);
  ws.clearImage(n);
  ws.forwardAll(s);
  ws.filterAll(m);
  ws.backProjectAll(m, FbpRegion{0, 0, double(n), double(n)}, 0.0, std::numbers::pi / m);
  std::vector<double> truth;
  ph.sliceTruth(slice, n, truth);
  // Pearson correlation over the pixels inside the circle.
  const double h = n * 0.5;
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, cnt = 0;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      if (!(std::sqrt((x - h) * (x - h) + (y - h) * (y - h)) < h)) continue;
      const double a = ws.imageRow(y)[x], b = truth[static_cast<std::size_t>(y) * n + x];
      sa += a;
      sb += b;
      saa += a * a;
      sbb += b * b;
      sab += a * b;
      cnt += 1;
    }
  const double cov = sab / cnt - sa / cnt * sb / cnt;
  const double r =
      cov / std::sqrt((saa / cnt - sa * sa / cnt / cnt) * (sbb / cnt - sb * sb / cnt / cnt));
  qInfo("phantom correlation %.4f", r);
  QVERIFY2(r >= 0.85, qPrintable(QString::number(r)));
}

QTEST_GUILESS_MAIN(TestFbp)
#include "tst_fbp.moc"
