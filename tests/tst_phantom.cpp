// Tests of the synthetic data-set generator: the analytic line integrals
// against numerical integration of the attenuation, and the energy names the
// readers must parse back. The written files are reconstructed end to end by
// tst_headless (against the generator's truth), tst_body, tst_hdf5_e2e and
// tst_xafs_e2e.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "Phantom.h"
#include "PhantomWriter.h"
#include "automation/I0Energy.h"
#include "imagedata/DataSetScan.h"

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

}  // namespace

class TestPhantom : public QObject {
  Q_OBJECT
 private slots:
  void lineIntegralMatchesNumeric_data();
  void lineIntegralMatchesNumeric();
  void badOptionRejected();
  void energyNames();
};

void TestPhantom::lineIntegralMatchesNumeric_data() {
  QTest::addColumn<double>("s");
  QTest::addColumn<double>("thetaDeg");
  QTest::addColumn<double>("z");
  QTest::addColumn<bool>("hits");
  // Phantom 256 wide, 16 slices, CoR 128: scale 0.9 * 127 = 114.3 pixels.
  QTest::newRow("centre, 0 deg") << 0.0 << 0.0 << 7.0 << true;
  QTest::newRow("oblique 37 deg") << -31.7 << 37.0 << 3.0 << true;
  QTest::newRow("upper feature 250 deg") << 40.0 << 250.0 << 15.0 << true;
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

// A smoke test of the option checks: an unknown option is refused with the
// usage, and nothing is written, not even the folder.
void TestPhantom::badOptionRejected() {
  QTemporaryDir tmp;
  QVERIFY(tmp.isValid());
  const QString out = tmp.filePath("set");
  QString err;
  QVERIFY(runTool({"--out", out, "--bogus"}, &err) > 0);
  QVERIFY2(err.contains("Usage:") && err.section('\n', 0, 0).contains("bogus"), qPrintable(err));
  QVERIFY(!QFileInfo::exists(out));
}

void TestPhantom::energyNames() {
  // Folder and file names carry the energy with "_" for the decimal point;
  // the project's readers give back the energy.
  for (const double e : {7100.0, 7112.25}) {
    const QString name = PhantomWriter::energyText(e);
    QCOMPARE(name, e == 7100.0 ? "7100eV" : "7112_25eV");
    QCOMPARE(leadingNumber(name), e);
    QCOMPARE(i0EnergyOfPath("/data/run-1/i0/i0-" + name + "-0001.img"), e);
  }
  // Energies that would share a folder name are refused.
  QVERIFY(PhantomWriter::energiesError({7100.0001}).contains("three decimals"));
  QVERIFY(PhantomWriter::energiesError({7112.5, 7112.5}).contains("given twice"));
}

QTEST_GUILESS_MAIN(TestPhantom)
#include "tst_phantom.moc"
