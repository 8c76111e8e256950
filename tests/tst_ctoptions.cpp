// The reconstruction options: filter windows and the padded spatial-domain
// ramp, ring (stripe) removal in the sinogram, outlier removal in the
// projections.
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>

#include "MemFrame.h"
#include "ct/FbpFilter.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"
#include "ct/OutlierRemoval.h"
#include "ct/SinogramBuilder.h"
#include "ct/StripeRemoval.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Median of the 3 x 3 neighbourhood of (x, y), edge pixels repeated: the
// slow way, as the reference.
double median9(const std::vector<double>& img, int w, int h, int x, int y) {
  std::vector<double> v;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int xx = std::clamp(x + dx, 0, w - 1), yy = std::clamp(y + dy, 0, h - 1);
      v.push_back(img[static_cast<std::size_t>(yy) * w + xx]);
    }
  std::nth_element(v.begin(), v.begin() + 4, v.end());
  return v[4];
}

}  // namespace

class TestCtOptions : public QObject {
  Q_OBJECT
 private slots:
  // n = 8: the ramp at index k is k * 2 pi / 8, index 0 stays 0; each window
  // scales it at k = 2 (w = pi/2) and at k = 4 (Nyquist, w = pi). The names
  // are those of ct_filter, in any case.
  void windowWeights() {
    const std::tuple<FilterWindow, double, double> windows[] = {
        {FilterWindow::Ramp, 1.0, 1.0},
        {FilterWindow::SheppLogan, std::sin(kPi / 4) / (kPi / 4), 2.0 / kPi},
        {FilterWindow::Cosine, std::sqrt(0.5), 0.0},
        {FilterWindow::Hamming, 0.54, 0.08},
        {FilterWindow::Hann, 0.5, 0.0}};
    for (auto [window, at2, at4] : windows) {
      const QString name = filterWindowName(window);
      const std::vector<double> w = filterWeights(FbpFilterChoice{window, false}, 8);
      QCOMPARE(int(w.size()), 5);
      QCOMPARE(w[0], 0.0);
      QVERIFY2(std::fabs(w[2] - kPi / 2 * at2) < 1e-15, qPrintable(name));
      QVERIFY2(std::fabs(w[4] - kPi * at4) < 1e-15, qPrintable(name));
      FilterWindow parsed = FilterWindow::Ramp;
      QVERIFY(filterWindowFromName(name.toUpper(), parsed));
      QCOMPARE(parsed, window);
    }
  }

  void paddedDiscIsCalibrated() {
    // A uniform disc of mu per pixel, radius 120, off the centre by (25, -15),
    // from its exact line integrals 2 mu sqrt(R^2 - (t - t0)^2) at 360 angles
    // over 180 degrees. With padding every pixel 8 pixels inside the edge reads
    // mu within 1 %, and the background 8 pixels outside it averages 0 within
    // 0.01 mu (the point-sampled edge rings a few per cent of mu pixel by
    // pixel). The frequency-sampled ramp without padding reads about 1.81 mu
    // inside and -0.23 mu outside.
    // The windows differ only in their weights (above): the ramp and one window.
    for (FilterWindow window : {FilterWindow::Ramp, FilterWindow::Hann}) {
      const int n = 512, m = 360;
      const double mu = 0.01, radius = 120.0, dx = 25.0, dy = -15.0, h = n / 2.0;
      HSgm s;
      s.resize(n + 1, m);
      for (int j = 0; j < m; ++j) {
        const double th = j * kPi / m;
        const double t0 = h + dx * std::cos(th) - dy * std::sin(th);
        for (int i = 0; i <= n; ++i) {
          const double u = i - t0;
          s.sgmRow(j)[i] =
              std::fabs(u) < radius ? 2.0 * mu * std::sqrt(radius * radius - u * u) : 0.0;
        }
      }
      FbpWorkspace ws;
      ws.setup(n, m, 0, FbpFilterChoice{window, true});
      QCOMPARE(ws.transformLength(), 1024);
      ws.clearImage(n);
      ws.forwardAll(s);
      ws.filterAll(m);
      ws.backProjectAll(m, FbpRegion{0, 0, double(n), double(n)}, 0.0, kPi / m);
      double inside = 0.0, outside = 0.0;
      long long outsidePixels = 0;
      for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
          const double r = std::hypot(x - h - dx, y - h - dy);
          const double v = ws.imageRow(y)[x];
          if (r < radius - 8) inside = std::max(inside, std::fabs(v - mu));
          if (r > radius + 8 && std::hypot(x - h, y - h) < h - 8) {
            outside += v;
            ++outsidePixels;
          }
        }
      outside /= outsidePixels;
      QVERIFY2(inside < 0.01 * mu,
               qPrintable(filterWindowName(window) + QString::number(inside / mu)));
      QVERIFY2(std::fabs(outside) < 0.01 * mu,
               qPrintable(filterWindowName(window) + QString::number(outside / mu)));
    }
  }

  void defaultFilterAfterOptions() {
    // A workspace that ran with a window and padding and is set back to the
    // default filters exactly as one that never left it.
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> d(-1.0, 3.0);
    HSgm s;
    s.resize(101, 7);
    for (int i = 0; i < 101 * 7; ++i) s.sgm()[i] = d(gen);
    FbpWorkspace fresh, reused;
    fresh.setup(100, 7);
    reused.setup(100, 7, 0, FbpFilterChoice{FilterWindow::Hann, true});
    reused.forwardAll(s);
    reused.filterAll(7);
    reused.setup(100, 7);
    QCOMPARE(reused.transformLength(), 100);
    for (FbpWorkspace* ws : {&fresh, &reused}) {
      ws->forwardAll(s);
      ws->filterAll(7);
    }
    for (int j = 0; j < 7; ++j)
      QVERIFY(std::memcmp(fresh.filtered(j), reused.filtered(j), sizeof(double) * 100) == 0);
  }

  void windowChangedOnSameTransform() {
    // Another window on the same transform length keeps the workspace's rows
    // and filters exactly as a workspace set up with it from the start.
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> d(-1.0, 3.0);
    HSgm s;
    s.resize(101, 7);
    for (int i = 0; i < 101 * 7; ++i) s.sgm()[i] = d(gen);
    for (const bool padding : {false, true}) {
      const FbpFilterChoice hann{FilterWindow::Hann, padding};
      FbpWorkspace fresh, reused;
      fresh.setup(100, 7, 0, hann);
      reused.setup(100, 7, 0, FbpFilterChoice{FilterWindow::Cosine, padding});
      reused.forwardAll(s);
      reused.filterAll(7);
      reused.setup(100, 7, 0, hann);
      QVERIFY(reused.filterChoice() == hann);
      QCOMPARE(reused.transformLength(), fresh.transformLength());
      for (FbpWorkspace* ws : {&fresh, &reused}) {
        ws->forwardAll(s);
        ws->filterAll(7);
      }
      for (int j = 0; j < 7; ++j)
        QVERIFY(std::memcmp(fresh.filtered(j), reused.filtered(j), sizeof(double) * 100) == 0);
    }
  }

  // Stripe removal done the plain way: each column sorted along the angle
  // axis (equal values keep their row order), at every rank the median of the
  // window of columns (mirrored at the edges), back to the rows.
  static std::vector<double> stripesRemovedPlainly(const std::vector<double>& s, int w, int rows,
                                                   int size) {
    size = std::min(size | 1, (w - 1) | 1);
    const int half = size / 2;
    auto mirror = [w](int x) {
      while (x < 0 || x >= w) x = x < 0 ? -x - 1 : 2 * w - x - 1;
      return x;
    };
    std::vector<std::vector<int>> order(w);
    for (int x = 0; x < w; ++x) {
      order[x].resize(rows);
      for (int r = 0; r < rows; ++r) order[x][r] = r;
      std::stable_sort(order[x].begin(), order[x].end(),
                       [&](int a, int b) { return s[a * w + x] < s[b * w + x]; });
    }
    std::vector<double> out = s;
    for (int x = 0; x < w; ++x)
      for (int k = 0; k < rows; ++k) {
        std::vector<double> win;
        for (int i = -half; i <= half; ++i)
          win.push_back(s[order[mirror(x + i)][k] * w + mirror(x + i)]);
        std::nth_element(win.begin(), win.begin() + half, win.end());
        out[order[x][k] * w + x] = win[half];
      }
    return out;
  }

  // Exactly the plain definition, for window sizes on either side of the
  // selection network's limit, narrow detectors and many equal values, and
  // on a wide noisy sinogram (nearly every value distinct).
  void stripeRemovalMatchesItsDefinition_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("rows");
    for (int size : {3, 5, 9, 21, 31, 33, 41})
      for (int width : {6, 7, 50})
        QTest::addRow("size %d, width %d", size, width) << size << width << 37;
    QTest::newRow("noisy 300 x 400") << 21 << 300 << 400;
  }

  void stripeRemovalMatchesItsDefinition() {
    QFETCH(int, size);
    QFETCH(int, width);
    QFETCH(int, rows);
    std::mt19937 gen(size * 100 + width);
    std::uniform_int_distribution<int> level(0, 49);
    std::normal_distribution<double> noise(0.0, 0.01);
    std::vector<double> s(static_cast<std::size_t>(width) * rows);
    for (double& v : s) v = rows == 37 ? level(gen) * 0.25 - 3.0 : 1.0 + noise(gen);
    std::vector<double> got = s;
    removeStripes(got.data(), width, rows, size);
    QCOMPARE(got, stripesRemovedPlainly(s, width, rows, size));
  }

  void outliersReplacedByMedian() {
    // Single-pixel spikes of +50 on a smooth, slightly noisy image, at the
    // corners, on the edges and inside; thresholds below and above them.
    for (auto [threshold, removed] : {std::pair{10.0, true}, {60.0, false}}) {
      const int w = 40, h = 30;
      std::mt19937 gen(3);
      std::uniform_real_distribution<double> small(-0.5, 0.5);
      std::vector<double> img(static_cast<std::size_t>(w) * h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          img[static_cast<std::size_t>(y) * w + x] = 100 + x + 2 * y + small(gen);
      const std::pair<int, int> spikes[] = {{0, 0},  {w - 1, h - 1}, {0, 17},
                                            {25, 0}, {12, 9},        {30, 20}};
      for (auto [x, y] : spikes) img[static_cast<std::size_t>(y) * w + x] += 50.0;

      std::vector<double> out(img.size());
      removeOutliers(img.data(), w, h, threshold, out.data());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const double v = img[static_cast<std::size_t>(y) * w + x];
          const double med = median9(img, w, h, x, y);
          QCOMPARE(out[static_cast<std::size_t>(y) * w + x], v - med > threshold ? med : v);
        }
      if (removed)  // a spike left in place would read about 50 above its neighbours
        for (auto [x, y] : spikes)
          QVERIFY(std::fabs(out[size_t(y) * w + x] - img[size_t(y) * w + x] + 50) < 4);
    }
  }

  void sinogramOfCleanedProjections() {
    // With outlier removal on, the sinogram equals the one built from the
    // projections cleaned as whole images: the builder reads the right
    // neighbouring lines in both axis orientations and at the edges (the
    // first line of a vertical axis, the last of a horizontal one).
    for (auto [rotAxIsV, slice] : {std::pair{true, 0}, {false, 11}}) {
      const int w = rotAxIsV ? 24 : 12, h = rotAxIsV ? 12 : 24;
      std::mt19937 gen(11);
      std::uniform_real_distribution<double> value(800.0, 1200.0);
      std::uniform_int_distribution<int> spot(0, w * h - 1);
      std::vector<std::unique_ptr<MemFrame>> spiky, cleaned;
      SinogramSource a, b;
      for (int f = 0; f < 6; ++f) {
        MemFrame& fr = *spiky.emplace_back(std::make_unique<MemFrame>(w, h));
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) fr.at(x, y) = value(gen);
        for (int i = 0; i < 12; ++i) {
          const int p = spot(gen);
          fr.at(p % w, p / w) += 5000.0;
        }
        cleaned.push_back(std::make_unique<MemFrame>(w, h));
        removeOutliers(&fr.at(0, 0), w, h, 1000.0, &cleaned.back()->at(0, 0));
        a.frames.push_back(&fr);
        b.frames.push_back(cleaned.back().get());
      }
      MemFrame i0(w, h, 2000.0);
      a.i0 = b.i0 = &i0;
      a.width = b.width = w;
      a.height = b.height = h;
      SinogramParams p;
      p.rotAxIsV = rotAxIsV;
      p.cor = 11.5;
      p.slice = slice;
      HSgm expected, got;
      buildSinogram(b, p, expected);
      p.outlierThreshold = 1000.0;
      buildSinogram(a, p, got);
      QVERIFY(got.hasData() && expected.hasData());
      QCOMPARE(
          std::vector<double>(got.sgm(), got.sgm() + got.width() * got.rows()),
          std::vector<double>(expected.sgm(), expected.sgm() + expected.width() * expected.rows()));
    }
  }
};

QTEST_GUILESS_MAIN(TestCtOptions)
#include "tst_ctoptions.moc"
