// The energy-scan stage machine with the stage texts it shows, and the
// energies read from I0 file names with the nearest-energy choice.
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "Joined.h"
#include "LogCapture.h"
#include "automation/I0Energy.h"
#include "automation/XafsBatch.h"

class TestXafs : public QObject {
  Q_OBJECT
 private slots:
  void stagesOfATwoSetSequence() {
    // Loading and calculating answer at once; the second set is the last.
    XafsBatch xafs;
    int loaded = 0;
    auto load = [&] {
      if (++loaded > 2)
        xafs.finishIfRunning();
      else
        xafs.loadedDataSet();
    };
    connect(&xafs, &XafsBatch::setFirstImageSet, this, load);
    connect(&xafs, &XafsBatch::setNextImageSet, this, load);
    connect(&xafs, &XafsBatch::execCalculation, this, [&] { xafs.calcFinished(); });
    QSignalSpy stage(&xafs, &XafsBatch::stage), finished(&xafs, &XafsBatch::finished);
    xafs.start();
    QStringList shown;
    for (const auto& args : stage) shown << args.at(0).toString();
    QCOMPARE(shown, QStringList({"Data Loading", "Calculating", "Finished Calc.", "Calculating",
                                 "Finished Calc.", "Finished"}));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!xafs.running());
  }

  void notificationsOutsideASequenceAreIgnored() {
    XafsBatch xafs;
    QSignalSpy any(&xafs, &XafsBatch::stage), calc(&xafs, &XafsBatch::execCalculation);
    xafs.loadedDataSet();  // manual loading does not start calculations
    xafs.calcFinished();
    xafs.finishIfRunning();
    xafs.skippedDataSet();
    QCOMPARE(any.count(), 0);
    QCOMPARE(calc.count(), 0);
  }

  void emptyDataSetIsSkipped() {
    XafsBatch xafs;
    QSignalSpy calc(&xafs, &XafsBatch::execCalculation), next(&xafs, &XafsBatch::setNextImageSet),
        stage(&xafs, &XafsBatch::stage);
    LogCapture log;
    xafs.start();
    xafs.skippedDataSet();
    QCOMPARE(calc.count(), 0);
    QCOMPARE(next.count(), 1);
    QVERIFY(xafs.running());
    QCOMPARE(stage.last().at(0).toString(), QString("Skipped empty Data Set"));
    QCOMPARE(log.matching("skips").size(), 1);
  }

  void energyOfPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<double>("energy");  // NaN: none
    const double none = std::nan("");
    QTest::newRow("eV with decimal mark") << "/scan/i0/i0-7112_5eV-0001.img" << 7112.5;
    QTest::newRow("keV") << "/scan/i0-7.1keV-001.img" << 7100.0;
    QTest::newRow("one dash only") << "7300eV-i0.img" << 7300.0;
    QTest::newRow("dash in a folder name") << "/my-data/i0_7100eV.img" << none;
    QTest::newRow("empty token") << "/scan/i0--001.img" << none;
  }

  void energyOfPath() {
    QFETCH(QString, path);
    QFETCH(double, energy);
    LogCapture log;
    const double e = i0EnergyOfPath(path);
    if (std::isnan(energy)) {
      QVERIFY2(std::isnan(e), qPrintable(QString::number(e)));
      QCOMPARE(log.lines().size(), 1);
      QVERIFY(log.lines().first().contains(path));
    } else {
      QCOMPARE(e, energy);
      QVERIFY(log.lines().isEmpty());
    }
  }

  // The nearest energy's index: 0 for an empty list, the nearer one above,
  // the first of a tie; an unknown energy never wins.
  void nearestEnergy() {
    const double none = std::nan("");
    QCOMPARE(joined(nearestEnergyIndex({}, 7100), nearestEnergyIndex({7000, 7100, 7200}, 7180),
                    nearestEnergyIndex({7000, 7200}, 7100), nearestEnergyIndex({none, 9000}, 7100)),
             "0 2 0 1");
  }
};

QTEST_GUILESS_MAIN(TestXafs)
#include "tst_xafs.moc"
