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

  // Outside a sequence the notifications do nothing (manual loading starts no
  // calculation); inside one, a data set that loaded no frame is skipped.
  void emptyDataSetIsSkipped() {
    XafsBatch xafs;
    QSignalSpy calc(&xafs, &XafsBatch::execCalculation), next(&xafs, &XafsBatch::setNextImageSet),
        stage(&xafs, &XafsBatch::stage);
    LogCapture log;
    xafs.loadedDataSet();
    xafs.calcFinished();
    xafs.finishIfRunning();
    xafs.skippedDataSet();
    QCOMPARE(joined(stage.count(), calc.count(), next.count()), "0 0 0");
    xafs.start();
    xafs.skippedDataSet();
    QCOMPARE(joined(calc.count(), next.count(), xafs.running()), "0 1 1");
    QCOMPARE(stage.last().at(0).toString(), QString("Skipped empty Data Set"));
    QCOMPARE(log.matching("skips").size(), 1);
  }

  // The energy in an I0 file name (eV with a decimal mark, keV, one dash
  // only), or none with one log line naming the file (a dash in a folder
  // name, an empty token): "energy, lines naming the file, lines".
  void energyOfPath() {
    QStringList got;
    for (const char* path : {"/scan/i0/i0-7112_5eV-0001.img", "/scan/i0-7.1keV-001.img",
                             "7300eV-i0.img", "/my-data/i0_7100eV.img", "/scan/i0--001.img"}) {
      LogCapture log;
      const double e = i0EnergyOfPath(path);
      got << joined(e, log.matching(path).size(), log.lines().size());
    }
    QCOMPARE(got, (QStringList{"7112.5 0 0", "7100 0 0", "7300 0 0", "nan 1 1", "nan 1 1"}));
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
