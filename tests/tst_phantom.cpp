// Tests of the synthetic data-set generator: the analytic line integrals
// against numerical integration of the attenuation, and the written files
// read back through the project's image readers.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>

#include "Phantom.h"
#include "PhantomWriter.h"
#include "imagedata/ImgData.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
const QString kTool = QStringLiteral(VANTO_BINARY_DIR "/tools/vanto-phantom/vanto-phantom");

// Runs the generator; returns its exit code (-1 if it could not run).
int runTool(const QStringList& args, QString* errorOutput = nullptr) {
  QProcess p;
  p.start(kTool, args);
  if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) return -1;
  if (errorOutput) *errorOutput = QString::fromLocal8Bit(p.readAllStandardError());
  return p.exitCode();
}

std::unique_ptr<ImgData> openFrame(const QString& path, int frame = 0) {
  std::unique_ptr<ImgData> d = createImgData(fileType(path));
  if (!d) return nullptr;
  d->setFilePath(path);
  if (!d->open(frame)) return nullptr;
  return d;
}

// Midpoint rule along the ray {u cos t - v sin t = s}, parameterised by its
// direction (sin t, cos t).
double numericIntegral(const Phantom& ph, double s, double theta, double z, double step) {
  const double c = std::cos(theta), sn = std::sin(theta);
  const double reach = ph.width();
  double sum = 0.0;
  for (double tau = -reach + step / 2; tau < reach; tau += step)
    sum += ph.mu(s * c + tau * sn, -s * sn + tau * c, z);
  return sum * step;
}

QByteArray hashFolder(const QString& dir) {
  QCryptographicHash h(QCryptographicHash::Sha256);
  const QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
  for (const QString& n : names) {
    QFile f(QDir(dir).filePath(n));
    if (!f.open(QIODevice::ReadOnly)) return {};
    h.addData(n.toUtf8());
    h.addData(f.readAll());
  }
  return h.result();
}
}  // namespace

class TestPhantom : public QObject {
  Q_OBJECT
 private slots:
  void lineIntegralMatchesNumeric_data();
  void lineIntegralMatchesNumeric();
  void lineIntegralsMatchSingleRays();
  void attenuationInsideCircleAndVaryingWithHeight();
  void filesReadBack_data();
  void filesReadBack();
  void truthSlices();
  void deterministic();
  void badOptionsRejected_data();
  void badOptionsRejected();
};

void TestPhantom::lineIntegralMatchesNumeric_data() {
  QTest::addColumn<double>("s");
  QTest::addColumn<double>("thetaDeg");
  QTest::addColumn<double>("z");
  QTest::addColumn<bool>("hits");
  // Phantom 256 wide, 16 slices, CoR 128: scale 0.9 * 127 = 114.3 pixels.
  QTest::newRow("centre, 0 deg") << 0.0 << 0.0 << 7.0 << true;
  QTest::newRow("through ventricle") << 25.0 << 0.0 << 5.0 << true;
  QTest::newRow("oblique 37 deg") << -31.7 << 37.0 << 3.0 << true;
  QTest::newRow("steep 101 deg") << 48.2 << 101.0 << 12.0 << true;
  QTest::newRow("near the skull edge") << 75.0 << 0.0 << 8.0 << true;  // 0.69 * 114.3 = 78.9
  QTest::newRow("upper feature 250 deg") << 40.0 << 250.0 << 15.0 << true;
  QTest::newRow("lower feature 300 deg") << -55.0 << 300.0 << 0.0 << true;
  QTest::newRow("misses") << 110.0 << 10.0 << 7.0 << false;  // beyond 0.92 * 114.3 = 105.2
}

void TestPhantom::lineIntegralMatchesNumeric() {
  QFETCH(double, s);
  QFETCH(double, thetaDeg);
  QFETCH(double, z);
  QFETCH(bool, hits);
  const Phantom ph(256, 16, 128.0);
  const double theta = thetaDeg * kPi / 180.0;
  const double analytic = ph.lineIntegral(s, theta, z);
  const double numeric = numericIntegral(ph, s, theta, z, 0.002);
  if (hits)
    QVERIFY2(analytic > 0.05, qPrintable(QString::number(analytic)));
  else
    QCOMPARE(analytic, 0.0);
  // Each boundary crossing costs the midpoint rule at most step * jump
  // (0.002 * 0.02 per pixel); a dozen crossings stay far below 1e-3.
  QVERIFY2(std::fabs(analytic - numeric) < 1e-3,
           qPrintable(QStringLiteral("%1 vs %2").arg(analytic).arg(numeric)));
}

void TestPhantom::lineIntegralsMatchSingleRays() {
  // Fractional CoR off the middle: pixel p is at distance p - 60.3.
  const Phantom ph(128, 9, 60.3);
  std::vector<double> row(128);
  for (double thetaDeg : {0.0, 33.0, 90.0, 177.5, 271.0}) {
    const double theta = thetaDeg * kPi / 180.0;
    for (int z = 0; z < 9; z += 4) {
      ph.lineIntegrals(theta, z, 128, row.data());
      for (int p = 0; p < 128; ++p)
        QVERIFY2(std::fabs(row[p] - ph.lineIntegral(p - 60.3, theta, z)) < 1e-12,
                 qPrintable(QStringLiteral("theta %1 z %2 p %3").arg(thetaDeg).arg(z).arg(p)));
    }
  }
}

void TestPhantom::attenuationInsideCircleAndVaryingWithHeight() {
  const Phantom ph(200, 16, 100.0);
  const int n = ph.reconstructionSize();  // 2 * 99 - 2 = 196
  QCOMPARE(n, 196);
  const double radius = n / 2.0;
  std::vector<double> first, last, truth;
  for (int slice = 0; slice < 16; ++slice) {
    ph.sliceTruth(slice, n, truth);
    QCOMPARE(truth.size(), size_t(n) * n);
    double total = 0.0;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const double v = truth[size_t(y) * n + x];
        QVERIFY2(v >= -1e-12, qPrintable(QStringLiteral("negative at %1 %2").arg(x).arg(y)));
        // The object keeps a margin to the reconstruction circle.
        if (std::hypot(x - radius, y - radius) > 0.85 * radius) QCOMPARE(v, 0.0);
        total += v;
      }
    QVERIFY(total > 0.0);
    if (slice == 0) first = truth;
    if (slice == 15) last = truth;
  }
  QVERIFY(first != last);
  // Pixel (x, y) of the truth grid is the point (x - n/2, y - n/2): the lower
  // feature sits at (0.42, 0.32) units = (41.6, 31.7) pixels, plus 98.
  ph.sliceTruth(1, n, truth);
  const double scale = ph.scale();  // 0.9 * 98 = 88.2
  const int fx = int(std::lround(98 + 0.42 * scale)), fy = int(std::lround(98 + 0.32 * scale));
  QVERIFY(truth[size_t(fy) * n + fx] > truth[size_t(fx) * n + fy] + 1e-3);
}

void TestPhantom::filesReadBack_data() {
  QTest::addColumn<QString>("format");
  QTest::addColumn<QString>("axis");
  QTest::addColumn<double>("cor");
  QTest::addColumn<double>("origin");
  QTest::newRow("img v") << "img"
                         << "v" << 40.0 << 0.0;
  QTest::newRow("img h") << "img"
                         << "h" << 40.0 << 0.0;
  QTest::newRow("img fractional cor") << "img"
                                      << "v" << 37.25 << 15.0;
  QTest::newRow("his v") << "his"
                         << "v" << 40.0 << 0.0;
  QTest::newRow("his h") << "his"
                         << "h" << 41.5 << -30.0;
  QTest::newRow("tif v") << "tif"
                         << "v" << 40.0 << 0.0;
  QTest::newRow("tif h") << "tif"
                         << "h" << 40.0 << 90.0;
}

void TestPhantom::filesReadBack() {
  QFETCH(QString, format);
  QFETCH(QString, axis);
  QFETCH(double, cor);
  QFETCH(double, origin);
  QTemporaryDir tmp;
  QVERIFY(tmp.isValid());
  const QString out = tmp.filePath("set");
  const int w = 80, rows = 5, projections = 12;
  QString err;
  QCOMPARE(runTool({"--out", out, "--width", QString::number(w), "--rows", QString::number(rows),
                    "--projections", QString::number(projections), "--range", "360", "--format",
                    format, "--axis", axis, "--cor", QString::number(cor, 'g', 10),
                    "--angle-origin", QString::number(origin)},
                   &err),
           0);
  const bool vertical = axis == "v";
  const int imgW = vertical ? w : rows, imgH = vertical ? rows : w;
  const QString ext = format == "tif" ? "tif" : "img";
  const Phantom ph(w, rows, cor);

  auto pixel = [&](const ImgData& d, int p, int r) {
    std::vector<double> line(vertical ? imgW : imgH);
    // Slice r is image row r (axis v) or image column r (axis h).
    return vertical ? d.row(r, line.data())[p] : d.column(r, line.data())[p];
  };

  const auto i0 = openFrame(QDir(out).filePath("i0." + ext));
  const auto bg = openFrame(QDir(out).filePath("bg." + ext));
  QVERIFY(i0 && bg);
  QCOMPARE(i0->width(), imgW);
  QCOMPARE(i0->height(), imgH);
  for (int r = 0; r < rows; ++r)
    for (int p = 0; p < w; p += 7) {
      QCOMPARE(pixel(*i0, p, r), ph.flatI0(p, r));
      QCOMPARE(pixel(*bg, p, r), ph.background(p, r));
    }

  for (int k = 0; k < projections; k += 5) {
    const QString path =
        format == "his"
            ? QDir(out).filePath("proj.his")
            : QDir(out).filePath(
                  QStringLiteral("proj-%1.%2").arg(k, 5, 10, QLatin1Char('0')).arg(ext));
    const auto d = openFrame(path, format == "his" ? k : 0);
    QVERIFY2(d, qPrintable(path));
    QCOMPARE(d->width(), imgW);
    QCOMPARE(d->height(), imgH);
    if (format == "his") QCOMPARE(d->frameCount(), projections);
    if (format != "tif") QCOMPARE(d->expTime(), 0.5);
    const double theta = (origin + k * 360.0 / projections) * kPi / 180.0;
    // Detector pixel 0 lies 37 or more pixels from the axis; the object
    // reaches at most 0.92 * 0.9 * (half - 1) = 29.8 pixels (half = 37).
    for (int r = 0; r < rows; ++r) QCOMPARE(pixel(*d, 0, r), ph.flatI0(0, r));
    int absorbed = 0;
    for (int r = 0; r < rows; ++r)
      for (int p = 0; p < w; ++p) {
        const double expect = ph.intensity(p, r, ph.lineIntegral(p - cor, theta, r));
        QVERIFY2(std::fabs(pixel(*d, p, r) - expect) <= 0.5 + 1e-9,
                 qPrintable(QStringLiteral("k %1 p %2 r %3: %4 vs %5")
                                .arg(k)
                                .arg(p)
                                .arg(r)
                                .arg(pixel(*d, p, r))
                                .arg(expect)));
        if (expect < 0.9 * ph.flatI0(p, r)) ++absorbed;
      }
    QVERIFY(absorbed > rows * 10);
  }
  QVERIFY(QFile::exists(QDir(out).filePath("phantom.txt")));
}

void TestPhantom::truthSlices() {
  QTemporaryDir tmp;
  QVERIFY(tmp.isValid());
  QCOMPARE(runTool({"--out", tmp.path(), "--width", "48", "--rows", "3", "--projections", "2",
                    "--truth"}),
           0);
  const Phantom ph(48, 3, 24.0);
  const int n = ph.reconstructionSize();  // half = 23, n = 44
  QCOMPARE(n, 44);
  std::vector<double> truth;
  for (int s = 0; s < 3; ++s) {
    QFile f(tmp.filePath(QStringLiteral("truth/truth-%1.raw").arg(s, 5, 10, QLatin1Char('0'))));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.size(), qsizetype(n) * n * 4);
    ph.sliceTruth(s, n, truth);
    for (int i = 0; i < n * n; i += 13)
      QCOMPARE(double(qFromLittleEndian<float>(bytes.constData() + 4 * i)),
               double(float(truth[size_t(i)])));
  }
}

void TestPhantom::deterministic() {
  QTemporaryDir tmp;
  QVERIFY(tmp.isValid());
  auto make = [&](const QString& name, const QStringList& extra) {
    const QString out = tmp.filePath(name);
    const int rc = runTool(
        QStringList{"--out", out, "--width", "64", "--rows", "3", "--projections", "9"} + extra);
    return rc == 0 ? hashFolder(out) : QByteArray();
  };
  const QByteArray plain1 = make("a", {});
  const QByteArray plain2 = make("b", {});
  const QByteArray noisy1 = make("c", {"--noise", "7"});
  const QByteArray noisy2 = make("d", {"--noise", "7"});
  const QByteArray noisy3 = make("e", {"--noise", "8"});
  QVERIFY(!plain1.isEmpty() && !noisy1.isEmpty() && !noisy3.isEmpty());
  QCOMPARE(plain1, plain2);
  QCOMPARE(noisy1, noisy2);
  QVERIFY(noisy1 != plain1);
  QVERIFY(noisy1 != noisy3);

  // A his set made in parallel holds the same pixels as the single files.
  QCOMPARE(runTool({"--out", tmp.filePath("h"), "--width", "64", "--rows", "3", "--projections",
                    "9", "--format", "his", "--noise", "7"}),
           0);
  for (int k : {0, 4, 8}) {
    const auto a =
        openFrame(tmp.filePath(QStringLiteral("c/proj-%1.img").arg(k, 5, 10, QLatin1Char('0'))));
    const auto b = openFrame(tmp.filePath("h/proj.his"), k);
    QVERIFY(a && b);
    std::vector<double> la(64), lb(64);
    for (int r = 0; r < 3; ++r) {
      a->row(r, la.data());
      b->row(r, lb.data());
      QCOMPARE(la, lb);
    }
  }
}

void TestPhantom::badOptionsRejected_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<bool>("withOut");  // prepend a valid --out
  QTest::newRow("unknown option") << QStringList{"--bogus"} << true;
  QTest::newRow("no output folder") << QStringList{"--width", "64"} << false;
  QTest::newRow("width not a number") << QStringList{"--width", "abc"} << true;
  QTest::newRow("width too small") << QStringList{"--width", "2"} << true;
  QTest::newRow("bad format") << QStringList{"--format", "png"} << true;
  QTest::newRow("bad axis") << QStringList{"--axis", "x"} << true;
  QTest::newRow("zero range") << QStringList{"--range", "0"} << true;
  QTest::newRow("cor off the detector") << QStringList{"--cor", "1"} << true;
  QTest::newRow("cor past the end") << QStringList{"--width", "64", "--cor", "63.5"} << true;
  QTest::newRow("no projections") << QStringList{"--projections", "0"} << true;
  QTest::newRow("bad noise seed") << QStringList{"--noise", "-3"} << true;
  QTest::newRow("stray argument") << QStringList{"extra"} << true;
}

void TestPhantom::badOptionsRejected() {
  QFETCH(QStringList, args);
  QFETCH(bool, withOut);
  QTemporaryDir tmp;
  QVERIFY(tmp.isValid());
  const QString out = tmp.filePath("set");
  if (withOut) args = QStringList{"--out", out} + args;
  QString err;
  const int rc = runTool(args, &err);
  QVERIFY(rc > 0);
  QVERIFY2(err.contains("Usage:"), qPrintable(err));
  QVERIFY(!QFile::exists(QDir(out).filePath("phantom.txt")));
}

QTEST_GUILESS_MAIN(TestPhantom)
#include "tst_phantom.moc"
