#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "Joined.h"
#include "MemFrame.h"
#include "widgets/ColorBar.h"
#include "widgets/ImgDispWPV.h"
#include "widgets/RenderFrame.h"

namespace {
// A frame in memory: pixel (x, y) = base + x + 10 * y.
std::unique_ptr<MemFrame> rampFrame(int w, int h, double base) {
  auto f = std::make_unique<MemFrame>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f->at(x, y) = base + x + 10.0 * y;
  f->open(0);  // the frame's own buffers, as a reader's open gives them
  return f;
}

void sendWheel(QWidget* w, QPoint p, int deltaY) {
  QWheelEvent e(QPointF(p), QPointF(w->mapToGlobal(p)), QPoint(), QPoint(0, deltaY), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w, &e);
}

QImage greyImage(int w, int h, int value) {
  QImage img(w, h, QImage::Format_Grayscale8);
  img.fill(value);
  return img;
}
}  // namespace

class TestImgDisp : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    disp_ = new ImgDispWPV;
    disp_->resize(500, 500);
    disp_->show();
    QVERIFY(QTest::qWaitForWindowExposed(disp_));
  }

  void cleanup() {
    delete disp_;
    disp_ = nullptr;
  }

  void viewKeptAcrossNewImage_data() {
    QTest::addColumn<QSize>("next");
    QTest::addColumn<bool>("kept");
    QTest::newRow("same size keeps the zoom") << QSize(400, 400) << true;
    // A sinogram of fewer projections would show a strip of itself.
    QTest::newRow("other height refits") << QSize(400, 90) << false;
  }

  void viewKeptAcrossNewImage() {
    QFETCH(QSize, next);
    QFETCH(bool, kept);
    setImage(QImage());  // an empty first image leaves the view unset
    QVERIFY(!disp_->viewSet());
    setImage(greyImage(400, 400, 100));
    sendWheel(surface(), QPoint(100, 100), 120);
    const QRectF zoomed = disp_->view();
    QVERIFY(zoomed.width() < 400.0);
    QSignalSpy newS(disp_, &ImgDisp::newS);
    setImage(greyImage(next.width(), next.height(), 50));
    const QRectF whole(0, 0, next.width(), next.height());
    QCOMPARE(disp_->view(), kept ? zoomed : whole);
    QCOMPARE(newS.count(), kept ? 0 : 1);
    // The next image of that size keeps the view again.
    sendWheel(surface(), QPoint(100, 100), 120);
    const QRectF again = disp_->view();
    setImage(greyImage(next.width(), next.height(), 70));
    QCOMPARE(disp_->view(), again);
    disp_->resetScale();
    QCOMPARE(disp_->view(), whole);
  }

  // Only the part of the view that lies on the image is saved, as "size,
  // column 0 in it": inside, partly left and above, larger than the image.
  // With nothing of the image in view nothing is saved, and a warning names
  // the file.
  void saveVisiblePart() {
    QImage img = greyImage(400, 400, 0);
    for (int y = 0; y < 400; ++y) img.scanLine(y)[0] = 200;  // a mark in column 0
    setImage(img);
    QTemporaryDir dir;
    QStringList got;
    for (const QRectF& view : {QRectF(100.7, 50.2, 200.9, 150.5), QRectF(-50, -30, 200, 200),
                               QRectF(-10, -10, 500, 500)}) {
      disp_->setView(view);
      const QString f = dir.filePath(QString("part%1.png").arg(got.size()));
      QVERIFY(disp_->saveImage(f));
      const QImage saved(f);
      got << QString("%1x%2 %3")
                 .arg(saved.width())
                 .arg(saved.height())
                 .arg(int(qGray(saved.pixel(0, 0)) == 200));
    }
    QCOMPARE(got, (QStringList{"200x150 0", "150x170 1", "400x400 1"}));
    disp_->setView(QRectF(500, 500, 100, 100));
    const QString f = dir.filePath("nothing.png");
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable("Nothing of the image is in view to save \"" + f + "\""));
    QVERIFY(!disp_->saveImage(f));
    QVERIFY(!QFile::exists(f));
  }

  void renderFrameTakesRangeUnlessFixed() {
    ColorBar& bar = *disp_->colorBar();
    QImage img;
    renderFrame(*rampFrame(8, 4, 100.0), img, bar);  // values 100 .. 100 + 7 + 30 = 137
    QCOMPARE(img.format(), QImage::Format_Grayscale8);
    QCOMPARE(joined(img.width(), img.height(), bar.minValue(), bar.maxValue(),
                    img.constScanLine(0)[0], img.constScanLine(3)[7]),
             "8 4 100 137 0 255");
    bar.setFixColorScale(true);  // the range is kept, and 1000 lies above it
    renderFrame(*rampFrame(8, 4, 1000.0), img, bar);
    QCOMPARE(joined(bar.minValue(), bar.maxValue(), img.constScanLine(0)[0]), "100 137 255");
    // A frame of one value shows black.
    bar.setFixColorScale(false);
    renderFrame(*rampFrame(1, 1, 5.0), img, bar);
    QCOMPARE(int(img.constScanLine(0)[0]), 0);
  }

 private:
  ImgDispWPV* disp_ = nullptr;
  QWidget* surface() { return disp_->dispB(); }
  void setImage(const QImage& img) {
    disp_->image() = img;
    disp_->newImage();
  }
};

QTEST_MAIN(TestImgDisp)
#include "tst_imgdisp.moc"
