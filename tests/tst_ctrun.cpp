#include <QtTest>
#include <cmath>
#include <map>
#include <numbers>

#include "Joined.h"
#include "MemFrame.h"
#include "ct/CtCalc2.h"
#include "ct/CtRun.h"
#include "output/DataSaver.h"

// Whole reconstruction runs through the run controller, without a window:
// a disc phantom made here, a few slices, two workers.
namespace {
constexpr int kLength = 32;  // detector pixels across the axis
constexpr int kSlices = 4;   // detector lines along it
constexpr int kProjections = 24;
constexpr double kI0 = 1000.0;

// Projections of a centred disc (radius 10, attenuation 0.05) in every slice,
// with the axis at pixel 16: I = I0 exp(-2 mu sqrt(R^2 - t^2)).
std::shared_ptr<const FrameSet> discFrames(bool rotAxIsV) {
  auto set = std::make_shared<FrameSet>();
  set->width = rotAxIsV ? kLength : kSlices;
  set->height = rotAxIsV ? kSlices : kLength;
  std::vector<double> line(kLength);
  for (int x = 0; x < kLength; ++x) {
    const double t = x - 16.0;
    line[x] = kI0 * std::exp(-2.0 * 0.05 * std::sqrt(std::max(0.0, 100.0 - t * t)));
  }
  for (int j = 0; j < kProjections; ++j) {
    auto f = std::make_shared<MemFrame>(set->width, set->height);
    for (int s = 0; s < kSlices; ++s) f->setLine(rotAxIsV, s, line);
    set->frames.push_back(f);
  }
  set->i0 = std::make_shared<MemFrame>(set->width, set->height, kI0);
  return set;
}

CtRunParams rangeParams(bool rotAxIsV, int from, int to, int step, int threads = 2) {
  CtRunParams p;
  p.workersOn = true;
  p.rotAxIsV = rotAxIsV;
  p.cor = 16.0;
  p.dataSetImages = kProjections;
  p.usingImages = kProjections;
  p.autoExec = true;
  p.sliceFrom = from;
  p.sliceTo = to;
  p.sliceStep = runSliceStep(from, to, step);
  p.threads = threads;
  return p;
}

// A controller with two workers whose runs take `request` as it is.
struct Rig {
  CtRun run{2};
  CtRunRequest request;
  QSignalSpy started{&run, &CtRun::startCt};
  QSignalSpy finished{&run, &CtRun::finished};
  QSignalSpy refused{&run, &CtRun::refused};
  Rig() {
    run.setPrepare([this](CtRunRequest& r) {
      r = request;
      return true;
    });
  }
  // Starts a run and waits until the controller is idle again.
  bool runToIdle() {
    bool done = false;
    run.start();
    run.whenIdle([&done] { done = true; });
    return QTest::qWaitFor([&] { return done; }, 30000);
  }
  std::vector<int> slicesStarted() const {
    std::vector<int> s;
    for (const auto& args : started) s.push_back(args.at(1).toInt());
    std::sort(s.begin(), s.end());
    return s;
  }
};
}  // namespace

class TestCtRun : public QObject {
  Q_OBJECT

 private slots:
  // A range run hands every slice on the detector to a worker once, saves a
  // data file and a picture of each, counts the slices off the detector as
  // failures and ends once.
  void rangeRun_data() {
    QTest::addColumn<bool>("rotAxIsV");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("threads");  // of the two workers
    QTest::addColumn<std::vector<int>>("slices");
    QTest::addColumn<QString>("counts");
    // clang-format off
    QTest::newRow("whole detector, more threads than workers")
        << true << 0 << 3 << 1 << 8 << std::vector<int>{0, 1, 2, 3}
        << "4 of 4 slices reconstructed, 8 files written, 0 failures";
    // A thread count of 0 (the old default of a one-thread machine) used to
    // hand out nothing and never end.
    QTest::newRow("threads 0 counts as 1")
        << true << 0 << 3 << 1 << 0 << std::vector<int>{0, 1, 2, 3}
        << "4 of 4 slices reconstructed, 8 files written, 0 failures";
    QTest::newRow("step 0 counts as 1")
        << true << 1 << 3 << 0 << 2 << std::vector<int>{1, 2, 3}
        << "3 of 3 slices reconstructed, 6 files written, 0 failures";
    QTest::newRow("horizontal axis, downwards by 2, one thread")
        << false << 3 << 0 << 2 << 1 << std::vector<int>{1, 3}
        << "2 of 2 slices reconstructed, 4 files written, 0 failures";
    QTest::newRow("two beyond the end")
        << true << 2 << 5 << 1 << 2 << std::vector<int>{2, 3}
        << "2 of 4 slices reconstructed, 4 files written, 2 failures (first: Slice 4 is outside "
           "the detector (0..3), and 1 more slice of the range)";
    QTest::newRow("none on the detector")
        << true << -3 << -1 << 1 << 2 << std::vector<int>{}
        << "0 of 3 slices reconstructed, 0 files written, 3 failures (first: Slice -3 is outside "
           "the detector (0..3), and 2 more slices of the range)";
    // clang-format on
  }
  void rangeRun() {
    QFETCH(bool, rotAxIsV);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, step);
    QFETCH(int, threads);
    QFETCH(std::vector<int>, slices);
    QFETCH(QString, counts);
    QTemporaryDir dir;
    Rig rig;
    rig.request.params = rangeParams(rotAxIsV, from, to, step, threads);
    rig.request.frames = discFrames(rotAxIsV);
    rig.request.saveData = CtSaveSetting{true, dir.filePath("data"), "disc", "t"};
    rig.request.saveImage = CtSaveSetting{true, dir.filePath("images"), "disc", "t"};
    QSignalSpy progress(&rig.run, &CtRun::progress);
    QVERIFY(rig.runToIdle());

    QCOMPARE(rig.slicesStarted(), slices);
    for (const auto& args : rig.started)  // only the first `threads` workers are used
      QVERIFY(threads > 1 || args.at(0).value<CtCalc2*>() == rig.run.workers()[0]);
    QCOMPARE(rig.finished.count(), 1);
    QCOMPARE(rig.run.runStatus().counts(), counts);
    QCOMPARE(rig.run.jobStatus().counts(), counts);  // the job counts along
    if (!slices.empty()) QCOMPARE(progress.last().at(0).toDouble(), 100.0);
    QStringList data, images;
    for (int s : slices) {
      data << QString::asprintf("disc-t-%05d.dat", s);
      images << QString::asprintf("disc-t-%05d.png", s);
    }
    QCOMPARE(QDir(dir.filePath("data")).entryList(QDir::Files) +
                 QDir(dir.filePath("images")).entryList(QDir::Files),
             data + images);
  }

  // The reconstruction of the disc: bright inside, dark outside, and the
  // same in every slice and for either axis (the frames transposed).
  void discIsReconstructed() {
    std::vector<double> first;
    for (bool v : {true, false}) {
      Rig rig;
      rig.request.params = rangeParams(v, 1, 2, 1);
      rig.request.frames = discFrames(v);
      QVERIFY(rig.runToIdle());
      QCOMPARE(rig.run.runStatus().reconstructed(), 2LL);
      for (CtCalc2* w : rig.run.workers()) {
        const std::vector<double> img = w->imageCopy();
        const int n = rig.run.data()->geometry.n;
        QCOMPARE(img.size(), std::size_t(n) * n);
        // N = 28, the axis at pixel 14: the mean within radius 7 against the
        // mean of the ring from 11 to 13 (outside the disc of radius 10).
        double in = 0, out = 0;
        int nin = 0, nout = 0;
        for (int z = 0; z < n; ++z)
          for (int x = 0; x < n; ++x) {
            const double r = std::hypot(x - 14.0, z - 14.0);
            if (r < 7) in += img[z * n + x], ++nin;
            if (r > 11 && r < 13) out += img[z * n + x], ++nout;
          }
        in /= nin;
        out /= nout;
        // The disc stands out of its surroundings by more than its attenuation.
        QVERIFY2(in - out > 0.05, qPrintable(QString("%1 %2").arg(in).arg(out)));
        if (first.empty()) first = img;
        for (std::size_t i = 0; i < img.size(); ++i) QCOMPARE(img[i], first[i]);
      }
    }
  }

  // One slice, and the refusals that leave nothing started.
  void singleSlice_data() {
    QTest::addColumn<int>("slice");
    QTest::addColumn<double>("cor");
    QTest::addColumn<int>("usingImages");
    QTest::addColumn<QString>("counts");
    // clang-format off
    QTest::newRow("slice 2") << 2 << 16.0 << kProjections
        << "1 of 1 slices reconstructed, 0 files written, 0 failures";
    QTest::newRow("off the detector") << 4 << 16.0 << kProjections
        << "0 of 1 slices reconstructed, 0 files written, 1 failure (first: Slice 4 is outside "
           "the detector (0..3))";
    QTest::newRow("no sinogram at the centre") << 2 << 31.0 << kProjections
        << "0 of 0 slices reconstructed, 0 files written, 1 failure (first: CT calculation not "
           "started : the centre of rotation 31 leaves no sinogram on a detector line of 32 "
           "pixels)";
    QTest::newRow("partial set of no image") << 2 << 16.0 << 0
        << "0 of 0 slices reconstructed, 0 files written, 1 failure (first: CT calculation not "
           "started : the partial data set uses no image)";
    // clang-format on
  }
  void singleSlice() {
    QFETCH(int, slice);
    QFETCH(double, cor);
    QFETCH(int, usingImages);
    QFETCH(QString, counts);
    Rig rig;
    CtRunParams& p = rig.request.params;
    p = rangeParams(true, 0, 0, 1);
    p.autoExec = false;
    p.sliceNo = slice;
    p.cor = cor;
    p.usePartial = true;
    p.usingImages = usingImages;
    rig.request.frames = discFrames(true);
    QVERIFY(rig.runToIdle());
    const bool refused = counts.contains("not started");
    QCOMPARE(rig.refused.count(), refused ? 1 : 0);
    QCOMPARE(rig.finished.count(), refused ? 0 : 1);
    QCOMPARE(rig.slicesStarted(),
             counts.startsWith('1') ? std::vector<int>{slice} : std::vector<int>{});
    QCOMPARE(rig.run.jobStatus().counts(), counts);
    QCOMPARE(rig.run.jobStatus().succeeded(), !counts.contains("failure ("));
  }

  // A start during a run begins when it ends; what waits for idle runs
  // after both, and a task for idle workers before the second begins.
  void startDuringARunFollowsIt() {
    Rig rig;
    rig.request.params = rangeParams(true, 0, 3, 1);
    rig.request.frames = discFrames(true);
    std::vector<QString> events;
    connect(&rig.run, &CtRun::finished, &rig.run, [&] { events.push_back("end"); });
    rig.run.start();
    QVERIFY(rig.run.running());
    rig.request.params = rangeParams(true, 1, 2, 1);
    rig.run.start();  // waits for the first run
    QVERIFY(rig.run.startWaiting());
    rig.run.whenWorkersIdle([&] { events.push_back("task"); });
    bool idle = false;
    rig.run.whenIdle([&] {
      events.push_back("idle");
      idle = true;
    });
    QVERIFY(QTest::qWaitFor([&] { return idle; }, 30000));
    QCOMPARE(events, (std::vector<QString>{"end", "task", "end", "idle"}));
    QCOMPARE(rig.slicesStarted(), (std::vector<int>{0, 1, 1, 2, 2, 3}));
    QCOMPARE(rig.run.jobStatus().reconstructed(), 6LL);
    QCOMPARE(rig.run.runStatus().asked(), 2LL);
  }

  // The geometry every worker of a run uses, worked out by hand, as "length
  // slices half corInt N rows":
  // - vertical axis, cor 16.5: half = floor(min(16.5, 32 - 16.5 - 1)) = 14,
  //   width 27, N 26, every projection a row;
  // - horizontal, cor 5, a partial set of -5 images: the length is the frame
  //   height; half = min(5, 26) = 5, width 9, N 8; |-5| rows.
  void geometry() {
    QStringList got;
    for (auto [rotAxIsV, cor, partial, usingImages] :
         {std::tuple{true, 16.5, false, 0}, {false, 5.0, true, -5}}) {
      CtRunParams p = rangeParams(rotAxIsV, 0, 3, 1);
      p.cor = cor;
      p.usePartial = partial;
      p.usingImages = usingImages;
      const CtRunGeometry g = ctRunGeometry(p, rotAxIsV ? 32 : 4, rotAxIsV ? 4 : 32, kProjections);
      got << joined(g.length, g.slices, g.window.half, g.window.corInt, g.n, g.rows);
      QCOMPARE(g.window.corFrac, cor - std::floor(cor));
      QCOMPARE(g.region.x1, double(g.n));
    }
    QCOMPARE(got, (QStringList{"32 4 14 16 26 24", "32 4 5 5 8 5"}));
  }
};

QTEST_GUILESS_MAIN(TestCtRun)
#include "tst_ctrun.moc"
