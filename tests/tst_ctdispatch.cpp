#include <QtTest>
#include <vector>

#include "ct/CtDispatch.h"
#include "ct/CtRunMath.h"
#include "ct/JobStatus.h"

// A pool of stand-in workers: claim reserves an idle one, finish frees it.
struct Pool {
  std::vector<bool> busy;
  std::vector<int> started;  // slices in the order they were handed out
  explicit Pool(int n) : busy(n, false) {}
  CtDispatchResult step(CtRunParams& p) {
    return dispatchSlices(
        p, static_cast<int>(busy.size()),
        [this](int i) {
          if (busy[i]) return false;
          busy[i] = true;
          return true;
        },
        [this](int, int slice) { started.push_back(slice); },
        [this](int i) { return bool(busy[i]); });
  }
};

CtRunParams range(int from, int to, int step, int threads) {
  CtRunParams p;
  p.autoExec = true;
  p.sliceFrom = from;
  p.sliceTo = to;
  p.sliceStep = runSliceStep(from, to, step);
  p.threads = threads;
  p.currentSlice = from;
  return p;
}

class TestCtDispatch : public QObject {
  Q_OBJECT

 private slots:
  void progress_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("busy");
    QTest::addColumn<double>("percent");
    // clang-format off
    // (4 - 2 + 1) / 10 -> 30.0
    QTest::newRow("worked example") << 0 << 9 << 1 << 4 << 2 << 30.0;
    // step 3: done = (9 - 0) / 3 - 1 + 1 = 3, total = 30 / 3 + 1 = 11 -> 27.2 (27.27 truncated)
    QTest::newRow("step 3") << 0 << 30 << 3 << 9 << 1 << 27.2;
    // descending 100 -> 0 by 10, current 60, 2 busy: (40 / 10) - 2 + 1 = 3 of 11 -> 27.2
    QTest::newRow("descending") << 100 << 0 << 10 << 60 << 2 << 27.2;
    // all dispatched, nobody busy: (10 - 0) + 1 over 10 is capped
    QTest::newRow("capped at 100") << 0 << 9 << 1 << 10 << 0 << 100.0;
    // at the start every worker is busy: 1 - 6 < 0 -> 0
    QTest::newRow("never negative") << 0 << 2047 << 1 << 6 << 6 << 0.0;
    // clang-format on
  }

  void progress() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, step);
    QFETCH(int, current);
    QFETCH(int, busy);
    QFETCH(double, percent);
    CtRunParams p = range(from, to, step, 4);
    p.currentSlice = current;
    QCOMPARE(runProgressPercent(p, busy), percent);
  }

  // Slices off the detector are never reconstructed: the run goes over the
  // slices on it, and the others are counted as failures.
  void rangeOnDetector_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("slices");
    QTest::addColumn<QString>("found");
    // clang-format off
    QTest::newRow("two beyond the end") << 2 << 33 << 1 << 32 << "32 asked, 30 inside 2..31, first outside 32";
    // -5, 0, 5, ..., 40: 0 ... 30 are on the detector
    QTest::newRow("both ends") << -5 << 40 << 5 << 32 << "10 asked, 7 inside 0..30, first outside -5";
    QTest::newRow("none") << 100 << 200 << 1 << 32 << "101 asked, 0 inside, first outside 100";
    QTest::newRow("no detector") << 0 << 3 << 1 << 0 << "4 asked, 0 inside, first outside 0";
    // clang-format on
  }
  void rangeOnDetector() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, step);
    QFETCH(int, slices);
    CtRunParams p = range(from, to, step, 1);
    const SliceRangeOnDetector r = sliceRangeOnDetector(p, slices);
    QString found = QString("%1 asked, %2 inside").arg(r.asked).arg(r.inside);
    if (r.inside > 0) found += QString(" %1..%2").arg(r.firstInside).arg(r.lastInside);
    if (r.inside < r.asked) found += QString(", first outside %1").arg(r.firstOutside);
    QTEST(found, "found");
  }

  // A centre of rotation needs a whole pixel on both sides and a transform of
  // at least 2: half = floor(min(cor, length - cor - 1)), N = (2 half - 1) & ~1.
  void usableCentre_data() {
    QTest::addColumn<double>("cor");
    QTest::addColumn<bool>("usable");
    QTest::newRow("0.5") << 0.5 << false;  // floor 0
    QTest::newRow("1") << 1.0 << false;    // half 1, N 0
    QTest::newRow("2") << 2.0 << true;     // half 2, N 2
    QTest::newRow("92") << 92.0 << true;   // half min(92, 3) = 3, N 4
    QTest::newRow("96") << 96.0 << false;  // ceil reaches the length
  }
  void usableCentre() {
    QFETCH(double, cor);
    QFETCH(bool, usable);
    QCOMPARE(corUsable(96, cor), usable);
  }

  // The job's closing line, read by people and by scripts (a run's counts
  // are compared in tst_ctrun).
  void jobSummary() {
    JobStatus job;
    JobStatus run(&job);
    run.slicesAsked(32);
    for (int i = 0; i < 30; ++i) run.sliceReconstructed();
    for (int i = 0; i < 60; ++i) run.fileWritten();
    run.failed("Slice 33 is outside the detector (0..31)", 2);
    job.failed("Image not loaded : x.img");  // the job's own, after the run's
    QVERIFY(!job.succeeded());
    QVERIFY2(QRegularExpression("^Job finished: 30 of 32 slices reconstructed, 60 files written, "
                                "3 failures \\(first: Slice 33 is outside the detector "
                                "\\(0..31\\)\\) in [0-9]+\\.[0-9]{2} s$")
                 .match(job.summary())
                 .hasMatch(),
             qPrintable(job.summary()));
    run.restart();  // a new run counts afresh; the job keeps its counts
    run.slicesAsked(1);
    QCOMPARE(run.counts(), QString("0 of 1 slices reconstructed, 0 files written, 0 failures"));
    QVERIFY(!run.succeeded());  // asked, not done
    run.sliceReconstructed();
    QVERIFY(run.succeeded());
    QCOMPARE(job.asked(), 33);
  }

  void stepPastIntLimit() {
    // The slice after the last one would not fit in an int: the run still
    // ends instead of wrapping round to negative slices.
    Pool pool(1);
    CtRunParams p =
        range(std::numeric_limits<int>::max() - 7, std::numeric_limits<int>::max() - 1, 5, 1);
    CtDispatchResult r = pool.step(p);
    for (int guard = 0; !r.finished && guard < 10; ++guard) {
      pool.busy[0] = false;
      r = pool.step(p);
    }
    QVERIFY(r.finished);
    QCOMPARE(pool.started, (std::vector<int>{std::numeric_limits<int>::max() - 7,
                                             std::numeric_limits<int>::max() - 2}));
  }
};

QTEST_GUILESS_MAIN(TestCtDispatch)
#include "tst_ctdispatch.moc"
