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
  // Progress in per cent, truncated to a tenth: (slices handed out - busy
  // ones) over the slices of the range.
  void progress() {
    struct Case {
      int from, to, step, current, busy;
    };
    const Case cases[] = {{0, 9, 1, 4, 2},   // (4 - 2 + 1) / 10 -> 30.0
                          {0, 30, 3, 9, 1},  // step 3: 9 / 3 - 1 + 1 = 3 of 30 / 3 + 1 = 11 -> 27.2
                          {100, 0, 10, 60, 2},  // descending: 40 / 10 - 2 + 1 = 3 of 11 -> 27.2
                          {0, 9, 1, 10, 0},     // all handed out, nobody busy: 11 of 10, capped
                          {0, 2047, 1, 6, 6}};  // at the start every worker busy: 1 - 6 < 0 -> 0
    std::vector<double> got;
    for (const Case& c : cases) {
      CtRunParams p = range(c.from, c.to, c.step, 4);
      p.currentSlice = c.current;
      got.push_back(runProgressPercent(p, c.busy));
    }
    QCOMPARE(got, (std::vector<double>{30.0, 27.2, 27.2, 100.0, 0.0}));
  }

  // Slices off the detector are never reconstructed: the run goes over the
  // slices on it, and the others are counted as failures (the whole runs,
  // with the failures' text, are in tst_ctrun).
  void rangeOnDetector() {
    QStringList got;
    // -5, 0, 5, ..., 40 on 32 lines: 0 ... 30 are on the detector.
    for (auto [from, to, step, slices] :
         {std::tuple{2, 33, 1, 32}, {-5, 40, 5, 32}, {100, 200, 1, 32}, {0, 3, 1, 0}}) {
      const SliceRangeOnDetector r = sliceRangeOnDetector(range(from, to, step, 1), slices);
      QString found = QString("%1 asked, %2 inside").arg(r.asked).arg(r.inside);
      if (r.inside > 0) found += QString(" %1..%2").arg(r.firstInside).arg(r.lastInside);
      if (r.inside < r.asked) found += QString(", first outside %1").arg(r.firstOutside);
      got << found;
    }
    QCOMPARE(got, (QStringList{"32 asked, 30 inside 2..31, first outside 32",
                               "10 asked, 7 inside 0..30, first outside -5",
                               "101 asked, 0 inside, first outside 100",
                               "4 asked, 0 inside, first outside 0"}));
  }

  // A centre of rotation needs a whole pixel on both sides and a transform of
  // at least 2: half = floor(min(cor, length - cor - 1)), N = (2 half - 1) & ~1.
  // On 96 pixels: 0.5 (floor 0), 1 (half 1, N 0), 2 (half 2, N 2), 92 (half
  // min(92, 3) = 3, N 4), 96 (the ceiling reaches the length).
  void usableCentre() {
    QString got;
    for (double cor : {0.5, 1.0, 2.0, 92.0, 96.0}) got += corUsable(96, cor) ? '1' : '0';
    QCOMPARE(got, "00110");
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
