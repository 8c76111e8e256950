// ctview-grab OUT.png [PICTURE_SIDE]
// Writes two generated slice stacks as CT data files into a temporary folder,
// loads them into a CtView (the second set at half opacity), turns the view,
// cuts the first set open, and saves the grabbed window to OUT.png and the
// rendered picture beside it (OUT-picture.png) and as SVG (OUT-picture.svg).

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>

#include "output/CtDataFile.h"
#include "output/ResultLayout.h"
#include "view3d/CtView.h"
#include "view3d/SlicesCtrl.h"

namespace {

// A hollow sphere (shell 1.5) holding a smaller dense ball (3) off centre, in a
// faint cylinder (0.4) along the slices; a little noise so no slice is flat.
double phantom(double x, double y, double z, int k) {
  const double r = std::sqrt(x * x + y * y + z * z);
  double v = 0.05 * std::sin(0.7 * x + 1.3 * y + k);
  if (std::hypot(x, y) < 0.45) v = 0.4;
  if (r > 0.32 && r < 0.38) v = 1.5;
  if (std::sqrt((x - 0.1) * (x - 0.1) + (y + 0.08) * (y + 0.08) + z * z) < 0.14) v = 3.0;
  return v;
}

// A slab tilted through the stack.
double slab(double x, double y, double z, int k) {
  const double d = 0.6 * x + 0.3 * y + 0.74 * z;
  return std::abs(d) < 0.08 ? 2.0 + y : 0.02 * ((k + int(10 * x)) % 3);
}

QStringList writeStack(const QTemporaryDir& dir, const QString& stem, int side, int n,
                       double (*fn)(double, double, double, int)) {
  QStringList files;
  std::vector<double> img(size_t(side) * side);
  for (int k = 0; k < n; ++k) {
    const double z = (k + 0.5) / n - 0.5;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        img[size_t(y) * side + x] = fn((x + 0.5) / side - 0.5, (y + 0.5) / side - 0.5, z, k);
    QByteArray bytes;
    appendCtDataFile(bytes, img.data(), side, side, CtDataRegion{0, 0, double(side), double(side)},
                     CtDataLimits{1e9, -1e9, 0});
    const QString path =
        dir.filePath(resultFileName(QString(), stem, sliceNumberText(k), QStringLiteral("dat")));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
    files << path;
  }
  return files;
}

bool waitLoaded(SlicesCtrl* s) {
  QDeadlineTimer deadline(120000);
  while (s->isBusy() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return s->hasSlices();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: ctview-grab OUT.png [PICTURE_SIDE]\n");
    return 1;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const int side = argc > 2 ? std::atoi(argv[2]) : 512;
  QTemporaryDir dir;
  const QStringList a = writeStack(dir, "sphere", 96, 80, phantom);
  const QStringList b = writeStack(dir, "slab", 64, 48, slab);
  if (a.isEmpty() || b.isEmpty()) return 2;

  CtView view;
  view.resize(1280, 820);
  view.show();
  SlicesCtrl* first = view.sliceSets()[0];
  SlicesCtrl* second = view.addSliceSet();
  first->loadFiles(a);
  second->loadFiles(b);
  if (!waitLoaded(first) || !waitLoaded(second)) return 3;
  first->setMinThPC(20);
  first->setMaxThPC(102);  // values at and above the high end are invisible
  second->setMinThPC(30);
  view.findChild<QLineEdit*>("imgPixWidth_")->setText(QString::number(side));
  view.findChild<QLineEdit*>("imgPixHeight_")->setText(QString::number(side));
  // Zoom with wheel notches until the stack's diagonal fills most of the picture.
  const double target = std::sqrt(96.0 * 96 * 2 + 80 * 80) / (0.85 * side);
  while (view.scale() * 0.9 > target) view.wheelMovedOnDataDisp(1);
  view.updateNvs(Vec3(1, 0, 0), 1.0);
  view.updateNvs(Vec3(0, 1, 0), 0.5);
  first->findChild<QCheckBox*>("showCSection_")->setChecked(true);
  first->setCSliderValue(10);

  QElapsedTimer t;
  t.start();
  view.paintPImg();
  std::printf("picture %dx%d rendered in %lld ms\n", view.picture().width(),
              view.picture().height(), static_cast<long long>(t.elapsed()));
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();

  const QString stem = QFileInfo(out).path() + "/" + QFileInfo(out).completeBaseName();
  view.saveImage(stem + "-picture.png");
  view.saveImage(stem + "-picture.svg");
  if (!view.grab().save(out)) return 4;
  std::printf("wrote %s\n", qPrintable(out));
  return 0;
}
