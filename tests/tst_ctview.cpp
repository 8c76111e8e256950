// The 3D view widget: its picture against the per-point reference composition,
// the colour table of added sets, the mouse turns against Rodrigues' formula,
// moving, wheel zoom, the working size while dragging, linked cross sections
// and saving by suffix.

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "tst_view3d_fixture.h"
#include "view3d/CtView.h"
#include "view3d/SlicesCtrl.h"
#include "view3d/VolumeRenderLiteral.h"
#include "widgets/DispA.h"

using namespace view3dfixture;

namespace {

bool loadAndWait(SlicesCtrl* c, const QStringList& files) {
  c->loadFiles(files);
  return QTest::qWaitFor([c] { return !c->isBusy(); }, 30000);
}

// 16 slices of 20 x 14: the ball in a box of the fixture (values 0 .. 3).
QStringList ballSeries(const QTemporaryDir& dir, const QString& stem) {
  return writeXyvSeries(dir, stem, 20, 14, 16,
                        [](int x, int y, int k) { return ballInBox(x, y, k, 20, 14, 16); });
}

// R v for the right-handed rotation about the unit axis a by t, written as the matrix.
Vec3 rotate(const Vec3& v, const Vec3& axis, double t) {
  const Vec3 a = axis / axis.norm();
  const double c = std::cos(t), s = std::sin(t), k = 1 - c;
  const double r[3][3] = {{c + a.x * a.x * k, a.x * a.y * k - a.z * s, a.x * a.z * k + a.y * s},
                          {a.y * a.x * k + a.z * s, c + a.y * a.y * k, a.y * a.z * k - a.x * s},
                          {a.z * a.x * k - a.y * s, a.z * a.y * k + a.x * s, c + a.z * a.z * k}};
  // The view applies R transposed.
  return {r[0][0] * v.x + r[1][0] * v.y + r[2][0] * v.z,
          r[0][1] * v.x + r[1][1] * v.y + r[2][1] * v.z,
          r[0][2] * v.x + r[1][2] * v.y + r[2][2] * v.z};
}

bool near(const Vec3& a, const Vec3& b, double tol = 1e-9) { return (a - b).norm() < tol; }

void moveTo(QWidget* w, QPoint to, Qt::MouseButtons held, Qt::KeyboardModifiers mods = {}) {
  QMouseEvent e(QEvent::MouseMove, QPointF(to), w->mapToGlobal(QPointF(to)), Qt::NoButton, held,
                mods);
  QCoreApplication::sendEvent(w, &e);
}

int countDiff(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int diff = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) diff += a.pixel(x, y) != b.pixel(x, y);
  return diff;
}

}  // namespace

class TestCtView : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void addedSetsTakeTheColourTable();
  void pictureIsTheReferenceComposition_data();
  void pictureIsTheReferenceComposition();
  void turnsFollowRodrigues_data();
  void turnsFollowRodrigues();
  void moveShiftsTheCentre_data();
  void moveShiftsTheCentre();
  void wheelZoomsBySign_data();
  void wheelZoomsBySign();
  void workingSizeWhileDragging();
  void linkedCrossSection();
  void savingBySuffix_data();
  void savingBySuffix();

 private:
  QTemporaryDir dir_;
  QStringList series1_, series2_;
};

void TestCtView::initTestCase() {
  QVERIFY(dir_.isValid());
  series1_ = ballSeries(dir_, "a");
  // A second, smaller stack: a slab of rising values.
  series2_ = writeXyvSeries(dir_, "b", 12, 10, 8, [](int x, int y, int k) {
    return std::abs(x - 6) < 3 ? 1.0 + y + k : 0.0;
  });
}

void TestCtView::addedSetsTakeTheColourTable() {
  CtView v;
  QSignalSpy nz(&v, &CtView::newNz);
  v.findChild<QPushButton*>("addSliceSet_")->click();
  v.addSliceSet();
  v.addSliceSet();
  const auto& sets = v.sliceSets();
  QCOMPARE(sets.size(), 4);
  const QColor vol[4] = {{0, 127, 127}, {127, 0, 127}, {127, 127, 0}, {0, 127, 127}};
  const QColor sec[4] = {{127, 0, 0}, {0, 127, 0}, {0, 0, 127}, {127, 0, 0}};
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(sets[i]->vColor(), vol[i]);
    QCOMPARE(sets[i]->sColor(), sec[i]);
    QCOMPARE(sets[i]->alpha(), i == 0 ? 255 : 128);
    QCOMPARE(sets[i]->nz(), Vec3(0, 0, 1));  // initNz of the view axis
  }
  // A turn reaches every set's normal.
  v.updateNvs(Vec3(1, 0, 0), 0.3);
  QCOMPARE(nz.count(), 1);
  for (SlicesCtrl* s : sets) QVERIFY(near(s->nz(), v.ez()));
}

void TestCtView::pictureIsTheReferenceComposition_data() {
  QTest::addColumn<Vec3>("axis");
  QTest::addColumn<double>("angle");
  QTest::addColumn<bool>("section");
  // Two sets each time.
  QTest::newRow("turned") << Vec3(1, 1, 0.3) << 0.7 << false;
  QTest::newRow("turned, cut open") << Vec3(0.2, 1, 0) << 0.9 << true;
  // Exactly along the slices (Ez.z = 0): frames only.
  QTest::newRow("along the slices") << Vec3() << 0.0 << false;
}

void TestCtView::pictureIsTheReferenceComposition() {
  QFETCH(Vec3, axis);
  QFETCH(double, angle);
  QFETCH(bool, section);
  CtView v;
  v.findChild<QLineEdit*>("imgPixWidth_")->setText("72");
  v.findChild<QLineEdit*>("imgPixHeight_")->setText("60");
  SlicesCtrl* a = v.sliceSets()[0];
  QVERIFY(loadAndWait(a, series1_));
  a->setMinThPC(10);
  a->setMaxThPC(90);
  SlicesCtrl* b = v.addSliceSet();
  QVERIFY(loadAndWait(b, series2_));
  if (angle != 0) v.updateNvs(axis, angle);
  const bool side = axis == Vec3();
  if (side) v.setOrientation(Vec3(1, 0, 0), Vec3(0, 0, 1), Vec3(0, -1, 0));
  if (section) {
    a->findChild<QCheckBox*>("showCSection_")->setChecked(true);
    a->setCSliderValue(-10);
  }
  v.wheelMovedOnDataDisp(-1);  // zoom out a little so the frames fit
  v.paintPImg();

  // The same scene built by hand for the reference painter.
  ViewState view;
  view.ex = v.ex();
  view.ey = v.ey();
  view.ez = v.ez();
  view.scale = 1 / 0.9;
  view.width = 72;
  view.height = 60;
  SliceSetStyle sa;
  sa.rMin = 0;  // the ball-in-box values run from 0 to 3
  sa.rMax = 3;
  sa.minPC = 10;
  sa.maxPC = 90;
  sa.showSection = section;
  sa.slider = section ? -10 : 0;
  sa.sectionNormal = v.ez();
  SliceSetStyle sb;
  sb.rMin = 0;
  sb.rMax = 17;  // 1 + 9 + 7
  sb.volumeColor = QColor(127, 0, 127);
  sb.sectionColor = QColor(0, 127, 0);
  sb.opacity = 128;
  sb.sectionNormal = v.ez();
  const std::vector<SliceSetInput> sets{{a->datas()->series(), sa}, {b->datas()->series(), sb}};
  const QImage expected = renderPictureLiteral(sets, view);
  QCOMPARE(v.picture().size(), expected.size());
  QCOMPARE(countDiff(v.picture().convertToFormat(QImage::Format_ARGB32),
                     expected.convertToFormat(QImage::Format_ARGB32)),
           0);
  // The picture is not plain white.
  int coloured = 0;
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x)
      coloured += expected.pixel(x, y) != qRgb(255, 255, 255);
  QVERIFY(coloured > 20);
  if (side) {
    // Only the frames' pens: no shaded volume colour.
    for (int y = 0; y < expected.height(); ++y)
      for (int x = 0; x < expected.width(); ++x) {
        const QColor c(expected.pixel(x, y));
        QVERIFY(c == Qt::white || c == QColor(0, 127, 127) || c == QColor(127, 0, 127));
      }
  }
  // The window used is kept in the set's series: 0.3 .. 2.7.
  QCOMPARE(a->datas()->displayMinimum(), 0.3);
  QCOMPARE(a->datas()->displayMaximum(), 2.7);
}

void TestCtView::turnsFollowRodrigues_data() {
  QTest::addColumn<QPointF>("from");  // in 0..1 surface units, y upwards
  QTest::addColumn<QPointF>("to");
  QTest::addColumn<int>("kind");
  QTest::newRow("middle") << QPointF(0.5, 0.5) << QPointF(0.6, 0.45) << 0;
  QTest::newRow("left band") << QPointF(0.05, 0.5) << QPointF(0.07, 0.6) << 1;
  QTest::newRow("right band") << QPointF(0.95, 0.5) << QPointF(0.94, 0.4) << 2;
  QTest::newRow("top band to the right") << QPointF(0.5, 0.95) << QPointF(0.7, 0.95) << 3;
  QTest::newRow("bottom band") << QPointF(0.5, 0.05) << QPointF(0.4, 0.06) << 4;
}

void TestCtView::turnsFollowRodrigues() {
  QFETCH(QPointF, from);
  QFETCH(QPointF, to);
  QFETCH(int, kind);
  CtView v;
  v.resize(900, 600);
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  DispA* d = v.findChild<DispA*>("dispA_");
  const int W = d->width(), H = d->height();
  auto px = [&](QPointF f) {
    return QPoint(int(std::lround(f.x() * W)), int(std::lround((1 - f.y()) * H)));
  };
  // Start from a turned view so that the axes are not the plain ones.
  v.updateNvs(Vec3(0.3, -0.4, 1), 0.5);
  const Vec3 ex0 = v.ex(), ey0 = v.ey(), ez0 = v.ez();
  QSignalSpy nz(&v, &CtView::newNz);

  const QPoint p0 = px(from), p1 = px(to);
  QTest::mousePress(d, Qt::LeftButton, Qt::NoModifier, p0);
  moveTo(d, p1, Qt::LeftButton);
  QTest::mouseRelease(d, Qt::LeftButton, Qt::NoModifier, p1);

  const double dx = double(p1.x() - p0.x()) / W, dy = -double(p1.y() - p0.y()) / H;
  Vec3 axis;
  double angle = 0;
  if (kind == 0) {
    const double l = std::hypot(dx, dy);
    axis = (ex0 * dy + ey0 * dx) / l;
    angle = l * M_PI;
  } else {
    axis = ez0;
    angle = (kind == 1 ? dy : kind == 2 ? -dy : kind == 3 ? dx : -dx) * M_PI;
  }
  QVERIFY(near(v.ex(), rotate(ex0, axis, angle)));
  QVERIFY(near(v.ey(), rotate(ey0, axis, angle)));
  QVERIFY(near(v.ez(), rotate(ez0, axis, angle)));
  QCOMPARE(nz.count(), 1);
  QVERIFY(near(nz.at(0).at(0).value<Vec3>(), v.ez()));
  if (kind != 0) QVERIFY(near(v.ez(), ez0));  // the bands roll about the view axis
  if (kind == 3) QVERIFY(!near(v.ex(), ex0, 1e-3));
}

void TestCtView::moveShiftsTheCentre_data() {
  QTest::addColumn<int>("button");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("moves");
  QTest::newRow("right button") << int(Qt::RightButton) << int(Qt::NoModifier) << true;
  QTest::newRow("shift + left") << int(Qt::LeftButton) << int(Qt::ShiftModifier) << true;
  QTest::newRow("ctrl + left does nothing")
      << int(Qt::LeftButton) << int(Qt::ControlModifier) << false;
}

void TestCtView::moveShiftsTheCentre() {
  QFETCH(int, button);
  QFETCH(int, modifiers);
  QFETCH(bool, moves);
  CtView v;
  v.resize(900, 600);
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  v.findChild<QLineEdit*>("imgPixWidth_")->setText("300");
  v.findChild<QLineEdit*>("imgPixHeight_")->setText("200");
  v.wheelMovedOnDataDisp(1);  // scale 0.9: W' = trunc(270), H' = trunc(180)
  v.updateNvs(Vec3(0, 1, 0), 0.4);
  const Vec3 ex = v.ex(), ey = v.ey();
  DispA* d = v.findChild<DispA*>("dispA_");
  const int W = d->width(), H = d->height();
  const QPoint p0(W / 2, H / 2), p1(W / 2 + W / 10, H / 2 - H / 5);
  const auto b = Qt::MouseButton(button);
  const auto m = Qt::KeyboardModifiers(modifiers);
  QTest::mousePress(d, b, m, p0);
  moveTo(d, p1, b, m);
  QTest::mouseRelease(d, b, m, p1);
  const double dx = double(p1.x() - p0.x()) / W, dy = -double(p1.y() - p0.y()) / H;
  const Vec3 expected = moves ? ex * (-dx * 270) + ey * (dy * 180) : Vec3();
  QVERIFY(near(v.centre(), expected, 1e-6));
  QVERIFY(near(v.ex(), ex));  // no turn
}

void TestCtView::wheelZoomsBySign_data() {
  QTest::addColumn<int>("delta");
  QTest::addColumn<double>("scale");
  QTest::newRow("three notches zoom once") << 360 << 0.9;
  QTest::newRow("one notch back") << -120 << 1 / 0.9;
  QTest::newRow("below a notch") << 30 << 1.0;
}

void TestCtView::wheelZoomsBySign() {
  QFETCH(int, delta);
  QFETCH(double, scale);
  CtView v;
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  DispA* d = v.findChild<DispA*>("dispA_");
  const QPointF at(d->width() / 2, d->height() / 2);
  QWheelEvent e(at, d->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(d, &e);
  QCOMPARE(v.scale(), scale);
}

void TestCtView::workingSizeWhileDragging() {
  CtView v;
  v.resize(900, 600);
  v.show();
  QVERIFY(QTest::qWaitForWindowExposed(&v));
  QVERIFY(loadAndWait(v.sliceSets()[0], series1_));
  v.findChild<QLineEdit*>("imgPixWidth_")->setText("1024");
  v.findChild<QLineEdit*>("imgPixHeight_")->setText("512");
  v.paintPImg();
  QCOMPARE(v.picture().size(), QSize(1024, 512));
  DispA* d = v.findChild<DispA*>("dispA_");
  const QPoint p0(d->width() / 2, d->height() / 2), p1 = p0 + QPoint(20, 10);
  QTest::mousePress(d, Qt::LeftButton, Qt::NoModifier, p0);
  moveTo(d, p1, Qt::LeftButton);
  const QImage working = v.picture();
  QVERIFY(working.width() * working.height() <= CtView::kWorkingPixels);
  QCOMPARE(working.width(), 2 * working.height());  // same shape
  // It shows the same field of view as the full picture: the core picture at the
  // working size with the scale grown by the size ratio.
  ViewState view = v.viewState(working.width(), working.height());
  view.scale = 1024.0 / working.width();
  QCOMPARE(countDiff(working, renderPicture(v.renderInputs(), view)), 0);
  QTest::mouseRelease(d, Qt::LeftButton, Qt::NoModifier, p1);
  QCOMPARE(v.picture().size(), QSize(1024, 512));
  QCOMPARE(countDiff(v.picture(), renderPicture(v.renderInputs(), v.viewState(1024, 512))), 0);
}

void TestCtView::linkedCrossSection() {
  CtView v;
  SlicesCtrl* b = v.addSliceSet();
  SlicesCtrl* c = v.addSliceSet();
  SlicesCtrl* a = v.sliceSets()[0];
  a->setCSliderValue(30);
  QCOMPARE(b->cSliderValue(), 0);  // not linked
  v.findChild<QCheckBox*>("linkCSection_")->setChecked(true);
  b->setCSliderValue(-40);
  QCOMPARE(a->cSliderValue(), -40);
  QCOMPARE(c->cSliderValue(), -40);
  c->setCsFixDir(true);
  QVERIFY(a->csFixDir());
  QVERIFY(b->csFixDir());
}

void TestCtView::savingBySuffix_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("kind");
  // clang-format off
  QTest::newRow("PNG in capitals") << "pic2.PNG" << "raster";
  QTest::newRow("SVG in capitals") << "pic.SVG" << "svg";
  QTest::newRow("unknown suffix") << "pic.xyz" << "none";
  QTest::newRow("no suffix") << "pic" << "none";
  // clang-format on
}

void TestCtView::savingBySuffix() {
  QFETCH(QString, name);
  QFETCH(QString, kind);
  QTemporaryDir out;
  CtView v;
  QVERIFY(loadAndWait(v.sliceSets()[0], series1_));
  v.findChild<QLineEdit*>("imgPixWidth_")->setText("64");
  v.findChild<QLineEdit*>("imgPixHeight_")->setText("48");
  v.updateNvs(Vec3(1, 1, 0), 0.6);
  const QString path = out.filePath(name);
  v.saveImage(path);
  if (kind == "none") {
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(out.path()).isEmpty());
    return;
  }
  QVERIFY(QFile::exists(path));
  if (kind == "raster") {
    QImage img(path, "png");
    QCOMPARE(img.size(), QSize(64, 48));
    QCOMPARE(countDiff(img.convertToFormat(QImage::Format_ARGB32),
                       v.picture().convertToFormat(QImage::Format_ARGB32)),
             0);
    return;
  }
  QFile f(path);
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QByteArray svg = f.readAll();
  QCOMPARE(svg.count("<image"), 1);  // the volume once, as a picture
  QVERIFY(svg.count("<path") + svg.count("<polyline") + svg.count("<line") >=
          4);  // frame edges as vectors
  QSvgRenderer r(path);
  QVERIFY(r.isValid());
  QCOMPARE(r.viewBox(), QRect(0, 0, 64, 48));
}

QTEST_MAIN(TestCtView)
#include "tst_ctview.moc"
