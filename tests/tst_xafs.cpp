// The energy-scan stage machine against a stand-in main window, and the
// energies read from I0 file names with the nearest-energy choice.
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "LogCapture.h"
#include "automation/I0Energy.h"
#include "automation/XafsBatch.h"

class TestXafs : public QObject {
  Q_OBJECT

 private slots:
  void sequenceWalksTheChosenSets_data();
  void sequenceWalksTheChosenSets();
  void startDuringASequenceEndsIt();
  void notificationsOutsideASequenceAreIgnored();
  void emptyDataSetIsSkipped();
  void energyOfPath_data();
  void energyOfPath();
  void nearestEnergy_data();
  void nearestEnergy();
};

namespace {
// Plays the main window and the data-set selector over `sets` data sets:
// loading and calculating finish at once.
struct Window {
  Window(XafsBatch& x, int sets, int first, int last)
      : xafs(x), count(sets), from(first), to(last) {
    QObject::connect(&xafs, &XafsBatch::setFirstImageSet, [this] { take(from - 1); });
    QObject::connect(&xafs, &XafsBatch::setNextImageSet, [this] {
      if (current >= to - 1 || current >= count - 1)
        xafs.finishIfRunning();
      else
        take(current + 1);
    });
    QObject::connect(&xafs, &XafsBatch::execCalculation, [this] {
      reconstructed << current + 1;
      xafs.calcFinished();
    });
    QObject::connect(&xafs, &XafsBatch::stage,
                     [this](const QString& m, qlonglong) { stages << m; });
  }
  void take(int idx) {
    if (idx < 0 || idx >= count) {
      xafs.finishIfRunning();
      return;
    }
    current = idx;
    xafs.loadedDataSet();
  }
  XafsBatch& xafs;
  int count, from, to, current = -1;
  QList<int> reconstructed;
  QStringList stages;
};
}  // namespace

void TestXafs::sequenceWalksTheChosenSets_data() {
  QTest::addColumn<int>("sets");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("last");
  QTest::addColumn<QList<int>>("reconstructed");
  QTest::newRow("3 to 5 of 10") << 10 << 3 << 5 << QList<int>{3, 4, 5};
  QTest::newRow("all of 4") << 4 << 1 << 4 << QList<int>{1, 2, 3, 4};
  QTest::newRow("last beyond the list") << 3 << 2 << 9 << QList<int>{2, 3};
  QTest::newRow("one set") << 5 << 5 << 5 << QList<int>{5};
  QTest::newRow("first beyond the list") << 3 << 7 << 9 << QList<int>{};
}

void TestXafs::sequenceWalksTheChosenSets() {
  QFETCH(int, sets);
  QFETCH(int, first);
  QFETCH(int, last);
  QFETCH(QList<int>, reconstructed);
  XafsBatch xafs;
  Window w(xafs, sets, first, last);
  QSignalSpy starting(&xafs, &XafsBatch::starting), finished(&xafs, &XafsBatch::finished);
  xafs.start();
  QCOMPARE(w.reconstructed, reconstructed);
  QVERIFY(!xafs.running());
  QCOMPARE(starting.count(), 1);
  QCOMPARE(finished.count(), 1);
  QCOMPARE(w.stages.first(), QString("Data Loading"));
  QCOMPARE(w.stages.last(), QString("Finished"));
  QCOMPARE(w.stages.count("Calculating"), reconstructed.size());
  QCOMPARE(w.stages.count("Finished Calc."), reconstructed.size());
}

void TestXafs::startDuringASequenceEndsIt() {
  XafsBatch xafs;
  QSignalSpy stage(&xafs, &XafsBatch::stage), finished(&xafs, &XafsBatch::finished),
      next(&xafs, &XafsBatch::setNextImageSet);
  xafs.start();  // nobody answers: the sequence stays in its loading stage
  QVERIFY(xafs.running());
  QTest::qWait(30);
  xafs.start();  // the start button pressed again
  QVERIFY(!xafs.running());
  QCOMPARE(finished.count(), 1);
  QCOMPARE(stage.last().at(0).toString(), QString("Finished"));
  QVERIFY(stage.last().at(1).toLongLong() >= 25);  // the time since the last report
  // The reconstruction that was running ends later: nothing more happens.
  xafs.calcFinished();
  QCOMPARE(next.count(), 0);
}

void TestXafs::notificationsOutsideASequenceAreIgnored() {
  XafsBatch xafs;
  QSignalSpy any(&xafs, &XafsBatch::stage), calc(&xafs, &XafsBatch::execCalculation);
  xafs.loadedDataSet();  // manual loading does not start calculations
  xafs.calcFinished();
  xafs.finishIfRunning();
  xafs.skippedDataSet();
  QCOMPARE(any.count(), 0);
  QCOMPARE(calc.count(), 0);
}

void TestXafs::emptyDataSetIsSkipped() {
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

void TestXafs::energyOfPath_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<double>("energy");  // NaN: none
  const double none = std::nan("");
  QTest::newRow("eV with decimal mark") << "/scan/i0/i0-7112_5eV-0001.img" << 7112.5;
  QTest::newRow("keV") << "/scan/i0-7.1keV-001.img" << 7100.0;
  QTest::newRow("KEV in capitals") << "/scan/i0-7_2KEV-001.img" << 7200.0;
  QTest::newRow("no unit") << "/scan/i0-7150-001.img" << 7150.0;
  QTest::newRow("one dash only") << "7300eV-i0.img" << 7300.0;
  QTest::newRow("one dash after a folder") << "/scan/7300eV-i0.img" << none;
  QTest::newRow("dash in a folder name") << "/my-data/i0_7100eV.img" << none;
  QTest::newRow("no dash") << "/scan/i0.img" << none;
  QTest::newRow("token without digit") << "/scan/i0-abc-001.img" << none;
  QTest::newRow("empty token") << "/scan/i0--001.img" << none;
  QTest::newRow("empty path") << "" << none;
}

void TestXafs::energyOfPath() {
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

void TestXafs::nearestEnergy_data() {
  const double none = std::nan("");
  QTest::addColumn<std::vector<double>>("energies");
  QTest::addColumn<double>("e");
  QTest::addColumn<int>("index");
  QTest::newRow("empty list") << std::vector<double>{} << 7100.0 << 0;
  QTest::newRow("exact") << std::vector<double>{7000, 7100, 7200} << 7100.0 << 1;
  QTest::newRow("nearest above") << std::vector<double>{7000, 7100, 7200} << 7180.0 << 2;
  QTest::newRow("tie takes the first") << std::vector<double>{7000, 7200} << 7100.0 << 0;
  QTest::newRow("unknown energies never win") << std::vector<double>{none, 9000} << 7100.0 << 1;
  QTest::newRow("all unknown") << std::vector<double>{none, none} << 7100.0 << 0;
}

void TestXafs::nearestEnergy() {
  QFETCH(std::vector<double>, energies);
  QFETCH(double, e);
  QFETCH(int, index);
  QCOMPARE(nearestEnergyIndex(energies, e), index);
}

QTEST_GUILESS_MAIN(TestXafs)
#include "tst_xafs.moc"
