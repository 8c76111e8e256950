// Writes 128 CT data files of 512 x 512 (a few balls), loads them as one slice
// series (time and peak memory), then renders a turned view at 1024 x 1024 with the
// per-point reference (one thread) and the production renderer (all threads),
// checks that every pixel is the same, and times the 256 x 256 working size (also
// with the cross section shown).
// Usage: bench-render [slices] [side]   (defaults 128 512)

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <thread>

#include "output/CtDataFile.h"
#include "output/ResultLayout.h"
#include "view3d/SliceDatas.h"
#include "view3d/VolumeRender.h"
#include "view3d/VolumeRenderLiteral.h"

namespace {

double peakMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

double ballValue(int x, int y, int k, int side, int n) {
  struct Ball {
    double cx, cy, cz, r, v;
  };
  const double s = side / 512.0, t = n / 128.0;
  const Ball balls[] = {{180 * s, 200 * s, 50 * t, 120 * s, 1000},
                        {330 * s, 300 * s, 80 * t, 90 * s, 700},
                        {260 * s, 120 * s, 30 * t, 60 * s, 400},
                        {150 * s, 380 * s, 100 * t, 70 * s, 850}};
  double best = 0;
  for (const Ball& b : balls) {
    const double dz = (k - b.cz) * (s / t);
    const double d2 = (x - b.cx) * (x - b.cx) + (y - b.cy) * (y - b.cy) + dz * dz;
    if (d2 < b.r * b.r) best = std::max(best, b.v * (1 - d2 / (b.r * b.r)));
  }
  return best + ((x * 7 + y * 13 + k * 3) % 17);  // a little texture
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 128;
  const int side = argc > 2 ? std::max(8, atoi(argv[2])) : 512;
  QTemporaryDir dir;
  QStringList files;

  QElapsedTimer timer;
  timer.start();
  std::vector<double> img(size_t(side) * side);
  QByteArray bytes;
  for (int k = 0; k < n; ++k) {
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) img[size_t(y) * side + x] = ballValue(x, y, k, side, n);
    bytes.clear();
    appendCtDataFile(bytes, img.data(), side, side, CtDataRegion{0, 0, double(side), double(side)},
                     CtDataLimits{1e9, -1e9, 0});
    const QString path = dir.filePath(QString("slice%1.dat").arg(sliceNumberText(k)));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
    files << path;
  }
  std::vector<double>().swap(img);
  bytes = QByteArray();
  std::printf("write %d CT data files of %dx%d: %.3f s\n", n, side, side, timer.elapsed() / 1000.0);

  const double before = peakMiB();
  SliceDatas datas;
  timer.restart();
  datas.filesSelected(files);
  std::printf("load %d CT data files of %dx%d: %.3f s, peak memory %.0f MiB (before %.0f MiB)\n", n,
              side, side, timer.elapsed() / 1000.0, peakMiB(), before);
  if (int(datas.slices().size()) != n) {
    std::fprintf(stderr, "loaded %zu slices of %d\n", datas.slices().size(), n);
    return 1;
  }

  SliceSetStyle style;
  style.rMin = datas.minimum();
  style.rMax = datas.maximum();
  style.minPC = 2;
  style.maxPC = 95;
  std::vector<SliceSetInput> sets{sliceSetInput(datas, style)};
  ViewState view;
  rotateAxes(view.ex, view.ey, view.ez, Vec3(1, 0.4, 0), 0.7);
  rotateAxes(view.ex, view.ey, view.ez, Vec3(0, 1, 0.2), 0.5);

  view.width = view.height = 256;
  timer.restart();
  const int reps = 5;
  for (int i = 0; i < reps; ++i) (void)renderPicture(sets, view);
  std::printf("render 256x256 working size: %.1f ms\n", timer.nsecsElapsed() / 1e6 / reps);
  timer.restart();
  for (int i = 0; i < reps; ++i) (void)renderVolumeLayer(*sets[0].series, style, view, 1);
  std::printf("volume layer 256x256 on one thread: %.1f ms\n", timer.nsecsElapsed() / 1e6 / reps);
  long differingCut = 0;
  {
    // The same with the cross section shown (plane across the view, a fifth of the
    // stack in front of the centre).
    std::vector<SliceSetInput> cut = sets;
    cut[0].style.showSection = true;
    cut[0].style.sectionNormal = view.ez;
    cut[0].style.slider = 20;
    timer.restart();
    for (int i = 0; i < reps; ++i) (void)renderPicture(cut, view);
    const double tCut = timer.nsecsElapsed() / 1e6 / reps;
    const QImage production = renderPicture(cut, view), literal = renderPictureLiteral(cut, view);
    for (int y = 0; y < literal.height(); ++y)
      for (int x = 0; x < literal.width(); ++x)
        if (literal.pixel(x, y) != production.pixel(x, y)) ++differingCut;
    std::printf(
        "render 256x256 working size with the cross section: %.1f ms, differing pixels %ld\n", tCut,
        differingCut);
  }

  view.width = view.height = 1024;
  timer.restart();
  const QImage literal = renderPictureLiteral(sets, view);
  const double tLiteral = timer.nsecsElapsed() / 1e9;
  timer.restart();
  const QImage production = renderPicture(sets, view);
  const double tProduction = timer.nsecsElapsed() / 1e9;
  long differing = 0;
  for (int y = 0; y < literal.height(); ++y)
    for (int x = 0; x < literal.width(); ++x)
      if (literal.pixel(x, y) != production.pixel(x, y)) ++differing;
  std::printf("threads %u, differing pixels %ld\n", std::thread::hardware_concurrency(), differing);
  std::printf(
      "render 1024x1024 over %d slices of %dx%d: literal %.3f s, production %.3f s, ratio %.2f\n",
      n, side, side, tLiteral, tProduction, tLiteral / tProduction);
  return differing == 0 && differingCut == 0 ? 0 : 2;
}
