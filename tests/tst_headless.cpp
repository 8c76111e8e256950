// The program as a job: the shipped demo batch run by the real binary
// (-nw -b ... -x -q) on a generated phantom, and the exit codes of -q.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstring>

#include "output/CtDataFile.h"

namespace {
const QString kVanto = QStringLiteral(VANTO_BINARY_DIR "/src/vanto");
const QString kPhantom = QStringLiteral(VANTO_BINARY_DIR "/tools/vanto-phantom/vanto-phantom");
const QString kDemoBatch = QStringLiteral(VANTO_SOURCE_DIR "/examples/reconstruct-phantom.batch");

// Runs program in dir; returns the exit code, or -1 when it did not finish.
int run(const QString& program, const QStringList& args, const QString& dir, int timeoutMs,
        QByteArray* log = nullptr) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (log) *log = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Pearson correlation of a reconstructed slice with the truth inside the
// reconstruction circle of an n x n grid.
double correlation(const CtDataGrid& g, const std::vector<float>& truth, int n) {
  const double h = n * 0.5;
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, cnt = 0;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      if (!(std::hypot(x - h, y - h) < h)) continue;
      const double a = g.at(x, y), b = truth[static_cast<std::size_t>(y) * n + x];
      sa += a;
      sb += b;
      saa += a * a;
      sbb += b * b;
      sab += a * b;
      cnt += 1;
    }
  const double cov = sab / cnt - sa / cnt * sb / cnt;
  return cov / std::sqrt((saa / cnt - sa * sa / cnt / cnt) * (sbb / cnt - sb * sb / cnt / cnt));
}

bool readTruth(const QString& path, int n, std::vector<float>& out) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = f.readAll();
  if (bytes.size() != qsizetype(n) * n * 4) return false;
  out.resize(static_cast<std::size_t>(n) * n);
  std::memcpy(out.data(), bytes.constData(), bytes.size());  // little-endian float32
  return true;
}

// The reconstruction grid the generator announces in its description file.
int reconstructionSize(const QString& dir) {
  QFile f(dir + "/phantom/phantom.txt");
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("reconstruction_size = ")) return line.mid(22).trimmed().toInt();
  return 0;
}
}  // namespace

class TestHeadless : public QObject {
  Q_OBJECT

 private slots:
  void demoBatchReconstructsThePhantom();
  void quitsWithTheBatch_data();
  void quitsWithTheBatch();
};

void TestHeadless::demoBatchReconstructsThePhantom() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  QCOMPARE(
      run(kPhantom,
          {"--out", "phantom", "--width", "512", "--rows", "32", "--projections", "360", "--truth"},
          dir.path(), 120000),
      0);
  const int n = reconstructionSize(dir.path());
  QVERIFY(n > 0);

  QByteArray log;
  const int rc = run(kVanto, {"-nw", "-e", "-b", kDemoBatch, "-x", "-q"}, dir.path(), 600000, &log);
  QVERIFY2(rc == 0, log.right(2000).constData());

  QDir data(dir.filePath("results/data")), images(dir.filePath("results/images"));
  QCOMPARE(data.entryList({"*.dat"}, QDir::Files).size(), 32);
  QCOMPARE(images.entryList({"*.png"}, QDir::Files).size(), 32);
  for (int s = 0; s < 32; ++s) {
    const QString name = QString("phantom-slice-%1").arg(s, 5, 10, QLatin1Char('0'));
    QVERIFY2(data.exists(name + ".dat"), qPrintable(name));
    QVERIFY2(images.exists(name + ".png"), qPrintable(name));
  }
  // Every slice that cuts the phantom well looks like its truth.
  for (int s : {4, 8, 12, 16, 20, 24, 28}) {
    CtDataGrid g;
    const QString name = QString("phantom-slice-%1.dat").arg(s, 5, 10, QLatin1Char('0'));
    QVERIFY2(readCtDataFile(data.filePath(name), g), qPrintable(name));
    QVERIFY(g.width >= n && g.height >= n);
    std::vector<float> truth;
    QVERIFY(readTruth(
        dir.filePath(QString("phantom/truth/truth-%1.raw").arg(s, 5, 10, QLatin1Char('0'))), n,
        truth));
    const double r = correlation(g, truth, n);
    qInfo("slice %d correlation %.4f", s, r);
    QVERIFY2(r >= 0.85, qPrintable(QString("slice %1: r = %2").arg(s).arg(r)));
  }
}

void TestHeadless::quitsWithTheBatch_data() {
  QTest::addColumn<QString>("batch");  // "" = no file at all
  QTest::addColumn<bool>("succeeds");
  QTest::newRow("missing batch file") << QString() << false;
  QTest::newRow("comments only") << "# nothing to do\n" << true;
  QTest::newRow("end in the middle") << "ct_cor 12\n:end\ncalc_exec\n" << true;
  QTest::newRow("calc_exec without images") << "calc_exec\n:echo still here\n" << true;
  QTest::newRow("unknown commands") << "no_such_command 1\n:label\n" << true;
}

void TestHeadless::quitsWithTheBatch() {
  QFETCH(QString, batch);
  QFETCH(bool, succeeds);
  QTemporaryDir dir;
  const QString path = dir.filePath("job.batch");
  if (!batch.isNull()) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
    f.write(batch.toUtf8());
  }
  QByteArray log;
  const int rc = run(kVanto, {"-nw", "-e", "-b", path, "-x", "-q"}, dir.path(), 120000, &log);
  QVERIFY2(rc != -1, "the program did not end with its batch");
  if (succeeds)
    QVERIFY2(rc == 0, log.right(2000).constData());
  else
    QVERIFY(rc != 0);
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
