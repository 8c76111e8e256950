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
#include <numbers>

#include "Phantom.h"
#include "PhantomWriter.h"
#include "automation/I0Energy.h"
#include "imagedata/DataSetScan.h"

namespace {
const QString kTool = QStringLiteral(VANTO_BINARY_DIR "/tools/vanto-phantom/vanto-phantom");

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
  // Phantom 256 wide, 16 slices, CoR 128: scale 0.9 * 127 = 114.3 pixels.
  // Rays (s, degrees, z) through the centre, obliquely, through the upper
  // feature, and one beyond 0.92 * 114.3 = 105.2 that misses.
  void lineIntegralMatchesNumeric() {
    const Phantom ph(256, 16, 128.0);
    for (auto [s, deg, z] :
         {std::tuple{0.0, 0.0, 7.0}, {-31.7, 37.0, 3.0}, {40.0, 250.0, 15.0}, {110.0, 10.0, 7.0}}) {
      const double theta = deg * std::numbers::pi / 180.0;
      const double analytic = ph.lineIntegral(s, theta, z);
      const double numeric = numericIntegral(ph, s, theta, z, 0.002);
      const QString what =
          QStringLiteral("%1 at %2 deg: %3 vs %4").arg(s).arg(deg).arg(analytic).arg(numeric);
      if (s < 100)
        QVERIFY2(analytic > 0.05, qPrintable(what));
      else
        QCOMPARE(analytic, 0.0);
      // Each boundary crossing costs the midpoint rule at most step * jump
      // (0.002 * 0.02 per pixel); a dozen crossings stay far below 1e-3.
      QVERIFY2(std::fabs(analytic - numeric) < 1e-3, qPrintable(what));
    }
  }

  // A smoke test of the option checks: an unknown option is refused with the
  // usage, and nothing is written, not even the folder.
  void badOptionRejected() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString out = tmp.filePath("set");
    QProcess tool;
    tool.start(kTool, {"--out", out, "--bogus"});
    QVERIFY(tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit);
    QVERIFY(tool.exitCode() > 0);
    const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
    QVERIFY2(err.contains("Usage:") && err.section('\n', 0, 0).contains("bogus"), qPrintable(err));
    QVERIFY(!QFileInfo::exists(out));
  }

  void energyNames() {
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
};

QTEST_GUILESS_MAIN(TestPhantom)
#include "tst_phantom.moc"
