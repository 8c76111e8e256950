// The Quillmap stand-in: slice statistics over the reconstruction circle, the
// names of saved slice files, and the real program's refusing mode (its
// normal service runs in tst_peer_e2e against the window).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>

#include "SliceFileNames.h"
#include "SliceStats.h"
#include "ct/BackProjector.h"
#include "output/CtDataFile.h"

namespace {
const QString kStandin =
    QStringLiteral(VANTO_BINARY_DIR "/tools/quillmap-standin/quillmap-standin");
const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kN = 8;  // side of the test slices

// An n x n slice whose values differ per file (k) and per pixel; all are
// exact in the file's 6-digit format.
std::vector<double> slice(int k) {
  std::vector<double> v(kN * kN);
  for (int y = 0; y < kN; ++y)
    for (int x = 0; x < kN; ++x) v[y * kN + x] = ((x * 3 + y * 7 + k) % 11) - 5 + 0.25 * k;
  return v;
}

// Writes the slice with the project's writer over the whole grid, values
// unclipped and without offset.
bool writeSlice(const QString& path, const std::vector<double>& v) {
  QByteArray bytes;
  appendCtDataFile(bytes, v.data(), kN, kN, CtDataRegion{0, 0, kN, kN}, CtDataLimits{1e9, -1e9, 0});
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A raw connection that gathers what the server answers.
struct RawPeer {
  explicit RawPeer(quint16 port) {
    socket.connectToHost(QHostAddress::LocalHost, port);
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll(); });
  }
  QTcpSocket socket;
  QByteArray got;
};
}  // namespace

class TestStandin : public QObject {
  Q_OBJECT

 private slots:
  void statistics_data();
  void statistics();
  void circleIsTheBackProjectorsOne();
  void fileNames_data();
  void fileNames();
  void pathsWithBlanks();
  void realProgramRefuses();
};

void TestStandin::statistics_data() {
  QTest::addColumn<int>("w");
  QTest::addColumn<int>("h");
  QTest::addColumn<QList<double>>("values");  // row-major
  QTest::addColumn<int>("pixels");
  QTest::addColumn<int>("nonFinite");
  QTest::addColumn<double>("min");
  QTest::addColumn<double>("max");
  QTest::addColumn<double>("mean");
  QTest::addColumn<double>("std");

  // 4 x 4, value x + 10 y: centre (2, 2), radius 2 takes x, y in 1..3 (9 pixels):
  // 11..33, mean 22, squared deviations 2 * (121 + 100 + 81 + 1) = 606, std sqrt(606 / 9).
  QList<double> ramp;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ramp << x + 10.0 * y;
  QTest::newRow("ramp 4x4") << 4 << 4 << ramp << 9 << 0 << 11.0 << 33.0 << 22.0
                            << std::sqrt(606.0 / 9);
  // A NaN inside is left out and counted: 8 pixels of 5 and 7 at (1,1).. give
  // {5 x 7, 7}: mean 5.25, std sqrt((7 * 0.0625 + 3.0625) / 8) = sqrt(0.4375).
  QList<double> holed(16, 5.0);
  holed[5] = kNaN;  // (1, 1)
  holed[10] = 7.0;  // (2, 2)
  QTest::newRow("nan inside") << 4 << 4 << holed << 8 << 1 << 5.0 << 7.0 << 5.25
                              << std::sqrt(0.4375);
  // 6 x 4, value x: centre (3, 2), radius 2: x 2..4 on rows 1..3, mean 3, std sqrt(2 / 3).
  QList<double> wide;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) wide << double(x);
  QTest::newRow("wide 6x4") << 6 << 4 << wide << 9 << 0 << 2.0 << 4.0 << 3.0 << std::sqrt(2.0 / 3);
  // A single pixel lies at distance sqrt(0.5) from the centre, outside radius 0.5.
  QTest::newRow("1x1 empty") << 1 << 1 << QList<double>{3.0} << 0 << 0 << kNaN << kNaN << kNaN
                             << kNaN;
}

void TestStandin::statistics() {
  QFETCH(int, w);
  QFETCH(int, h);
  QFETCH(QList<double>, values);
  QFETCH(int, pixels);
  QFETCH(int, nonFinite);
  CtDataGrid g;
  g.width = w;
  g.height = h;
  g.values.assign(values.begin(), values.end());
  const SliceStats s = sliceStats(g);
  QCOMPARE(s.pixels, qint64(pixels));
  QCOMPARE(s.nonFinite, qint64(nonFinite));
  QFETCH(double, min);
  QFETCH(double, max);
  QFETCH(double, mean);
  QFETCH(double, std);
  const double got[] = {s.min, s.max, s.mean, s.std}, want[] = {min, max, mean, std};
  const char* names[] = {"min", "max", "mean", "std"};
  for (int i = 0; i < 4; ++i) {
    if (std::isnan(want[i]))
      QVERIFY2(std::isnan(got[i]), names[i]);
    else
      QVERIFY2(std::fabs(got[i] - want[i]) < 1e-12,
               qPrintable(QString("%1: %2 != %3").arg(names[i]).arg(got[i]).arg(want[i])));
  }
}

void TestStandin::circleIsTheBackProjectorsOne() {
  // A slice saved over the whole reconstruction: its grid's circle must be
  // the pixels the back-projector fills, row by row, odd and even sizes.
  for (int n : {1, 7, 8, 33}) {
    for (int y = -1; y <= n; ++y) {
      int xs = 0, xe = 0;
      if (!circleChord(y, n * 0.5, xs, xe)) xs = xe = 0;
      for (int x = -1; x <= n; ++x)
        QVERIFY2(insideReconstructionCircle(x, y, n, n) == (x >= xs && x < xe),
                 qPrintable(QString("n %1 x %2 y %3").arg(n).arg(x).arg(y)));
    }
  }
}

void TestStandin::fileNames_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<int>("slice");
  QTest::addColumn<QString>("energy");
  QTest::newRow("data folder") << "/d/s-E7100-00012.dat" << 12 << "";
  QTest::newRow("energy folder") << "/d/E7100/s-E7100-00012.dat" << 12 << "E7100";
  QTest::newRow("slice folder") << "/d/00012/s-E7100-00012.dat" << 12 << "";
  QTest::newRow("other folder") << "/d/E7200/s-E7100-00012.dat" << 12 << "";
  QTest::newRow("no number") << "/d/plain.dat" << -1 << "";
  QTest::newRow("digits beyond int") << "/d/s-E1-99999999999.dat" << -1 << "";
}

void TestStandin::fileNames() {
  QFETCH(QString, path);
  QFETCH(int, slice);
  QFETCH(QString, energy);
  QCOMPARE(sliceNumberOf(path), slice);
  QCOMPARE(energyFolderOf(path), energy);
}

void TestStandin::pathsWithBlanks() {
  // Paths travel unquoted; the ones with blanks are put together again from
  // the files that exist, keeping the blanks as sent.
  QTemporaryDir dir;
  const QString a = dir.filePath("a.dat"), b = dir.filePath("my  scan/b c.dat");
  QVERIFY(writeSlice(a, slice(0)) && writeSlice(b, slice(1)));
  const QString missing = dir.filePath("missing.dat");
  const QString line = QString("LOAD_I1_FILES new %1 %2 %3").arg(a, b, missing);
  const QStringList paths = announcedPaths(line, lineItems(line), 2,
                                           [](const QString& p) { return QFileInfo(p).isFile(); });
  QCOMPARE(paths, QStringList({a, b, missing}));
}

void TestStandin::realProgramRefuses() {
  QProcess p;
  p.start(kStandin, {"--port", "0", "--refuse"});
  QVERIFY(p.waitForStarted(10000));
  QTRY_VERIFY_WITH_TIMEOUT(p.canReadLine(), 10000);
  const int port = QString::fromUtf8(p.readLine()).trimmed().section(':', -1).toInt();
  QVERIFY(port > 0);
  RawPeer peer{quint16(port)};
  QSignalSpy closed(&peer.socket, &QTcpSocket::disconnected);
  QVERIFY(peer.socket.waitForConnected(5000));
  peer.socket.write("ANALYZER_EXEC_2DA 00001\n");
  QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 10000);
  QVERIFY(peer.got.isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(p.canReadLine(), 10000);
  QVERIFY(QString::fromUtf8(p.readLine()).startsWith("refused: 127.0.0.1:"));
  p.kill();
  p.waitForFinished(5000);
}

QTEST_MAIN(TestStandin)
#include "tst_standin.moc"
