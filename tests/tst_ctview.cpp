// The 3D view widget: its settings reaching the renderer (against the
// per-point reference composition) and saving by suffix.

#include <QCheckBox>
#include <QLineEdit>
#include <QSvgRenderer>
#include <QtTest>
#include <cmath>

#include "tst_view3d_fixture.h"
#include "view3d/CtView.h"
#include "view3d/SlicesCtrl.h"
#include "view3d/VolumeRenderLiteral.h"

using namespace view3dfixture;

namespace {

bool loadAndWait(SlicesCtrl* c, const QStringList& files) {
  c->loadFiles(files);
  return QTest::qWaitFor([c] { return !c->isBusy(); }, 30000);
}

}  // namespace

class TestCtView : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // 16 slices of 20 x 14: the ball in a box of the fixture (values 0 .. 3).
    series1_ = writeXyvSeries(dir_, "a", 20, 14, 16,
                              [](int x, int y, int k) { return ballInBox(x, y, k, 20, 14, 16); });
    // A second, smaller stack: a slab of rising values.
    series2_ = writeXyvSeries(dir_, "b", 12, 10, 8, [](int x, int y, int k) {
      return std::abs(x - 6) < 3 ? 1.0 + y + k : 0.0;
    });
  }

  // The view's settings reach the renderer: two sets, turned, the first cut
  // open and windowed to 10 .. 90 %, drawn as the reference painter draws them.
  void pictureIsTheReferenceComposition() {
    CtView v;
    v.findChild<QLineEdit*>("imgPixWidth_")->setText("72");
    v.findChild<QLineEdit*>("imgPixHeight_")->setText("60");
    SlicesCtrl* a = v.sliceSets()[0];
    QVERIFY(loadAndWait(a, series1_));
    a->setMinThPC(10);
    a->setMaxThPC(90);
    SlicesCtrl* b = v.addSliceSet();
    QVERIFY(loadAndWait(b, series2_));
    v.updateNvs(Vec3(0.2, 1, 0), 0.9);
    a->findChild<QCheckBox*>("showCSection_")->setChecked(true);
    a->setCSliderValue(-10);
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
    sa.showSection = true;
    sa.slider = -10;
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
    QCOMPARE(v.picture().convertToFormat(QImage::Format_ARGB32),
             expected.convertToFormat(QImage::Format_ARGB32));
    // The window used is kept in the set's series: 0.3 .. 2.7.
    QCOMPARE(a->datas()->displayMinimum(), 0.3);
    QCOMPARE(a->datas()->displayMaximum(), 2.7);
  }

  void savingBySuffix_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    // clang-format off
    QTest::newRow("PNG in capitals") << "pic2.PNG" << "raster";
    QTest::newRow("SVG in capitals") << "pic.SVG" << "svg";
    QTest::newRow("no suffix") << "pic" << "none";
    // clang-format on
  }

  void savingBySuffix() {
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
      QVERIFY(QDir(out.path()).isEmpty());
      return;
    }
    QVERIFY(QFile::exists(path));
    if (kind == "raster") {
      QImage img(path, "png");
      QCOMPARE(img.size(), QSize(64, 48));
      QCOMPARE(img.convertToFormat(QImage::Format_ARGB32),
               v.picture().convertToFormat(QImage::Format_ARGB32));
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

 private:
  QTemporaryDir dir_;
  QStringList series1_, series2_;
};

QTEST_MAIN(TestCtView)
#include "tst_ctview.moc"
