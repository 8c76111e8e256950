#include <QtTest>
#include <vector>

#include "ct/CtDispatch.h"

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
  p.sliceStep = from > to ? -std::abs(step) : std::abs(step);
  p.threads = threads;
  p.currentSlice = from;
  return p;
}

class TestCtDispatch : public QObject {
  Q_OBJECT

 private slots:
  void firstDispatchFillsThreads() {
    Pool pool(8);
    CtRunParams p = range(0, 2047, 1, 6);
    const CtDispatchResult r = pool.step(p);
    QCOMPARE(pool.started, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    QCOMPARE(r.busy, 6);
    QCOMPARE(p.currentSlice, 6);
    QVERIFY(!r.finished);
    // Worker 3 finishes: the next dispatch gives it slice 6 and nobody else.
    pool.busy[3] = false;
    pool.step(p);
    QCOMPARE(pool.started.back(), 6);
    QCOMPARE(pool.started.size(), std::size_t(7));
  }

  void everySliceOnceUntilFinished_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("threads");
    QTest::addColumn<std::vector<int>>("expected");
    QTest::newRow("100 down to 0 by 10")
        << 100 << 0 << 10 << 3 << std::vector<int>{100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0};
    QTest::newRow("0 to 9 by 4") << 0 << 9 << 4 << 2 << std::vector<int>{0, 4, 8};
    QTest::newRow("step 0 counts as 1") << 5 << 7 << 0 << 4 << std::vector<int>{5, 6, 7};
    QTest::newRow("one slice") << 12 << 12 << 1 << 2 << std::vector<int>{12};
  }

  void everySliceOnceUntilFinished() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, step);
    QFETCH(int, threads);
    QFETCH(std::vector<int>, expected);
    Pool pool(4);
    CtRunParams p = range(from, to, step == 0 ? 1 : step, threads);
    CtDispatchResult r = pool.step(p);
    // Workers finish one at a time, the lowest first, until the run ends.
    for (int guard = 0; !r.finished && guard < 100; ++guard) {
      for (std::size_t i = 0; i < pool.busy.size(); ++i)
        if (pool.busy[i]) {
          pool.busy[i] = false;
          break;
        }
      r = pool.step(p);
    }
    QVERIFY(r.finished);
    QCOMPARE(pool.started, expected);
    QCOMPARE(r.percent, 100.0);
  }

  void progress_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("busy");
    QTest::addColumn<double>("percent");
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
    QCOMPARE(QString("%1 %").arg(runProgressPercent(p, busy), 0, 'f', 1),
             QString("%1 %").arg(percent, 0, 'f', 1));
  }

  void noThreadsEndsAtOnce() {
    Pool pool(4);
    CtRunParams p = range(0, 10, 1, 0);
    const CtDispatchResult r = pool.step(p);
    QVERIFY(r.finished);
    QVERIFY(pool.started.empty());
  }

  void moreThreadsThanWorkers() {
    // threads above the pool size use the workers there are.
    Pool pool(2);
    CtRunParams p = range(0, 10, 1, 6);
    const CtDispatchResult r = pool.step(p);
    QCOMPARE(pool.started, (std::vector<int>{0, 1}));
    QCOMPARE(r.busy, 2);
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
