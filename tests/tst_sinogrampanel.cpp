// The sinogram panel wired to a processing control and an image set of small
// hand-made frames: rebuilds on changes, the picture's size, the CoR field,
// the value readout and the guess.
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "ItexFixture.h"
#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "imagedata/ImgDatas.h"
#include "widgets/ImgDispWPV.h"

namespace {
constexpr int kW = 48, kH = 4, kFrames = 8;
// Half-way between pixels the interpolation of both lines is symmetric about
// the centre, so the best score lies on it.
constexpr double kTrueCor = 20.5;

// Frame f: a flat 1000 with, on frame 0, a bump at kTrueCor + 3 and, on the
// opposite frame 4 (360 degrees over 8 frames), the mirrored bump at
// 2 * kTrueCor - (kTrueCor + 3), so that the two lines match about kTrueCor.
std::vector<std::uint16_t> framePixels(int f) {
  std::vector<std::uint16_t> px(kW * kH, 1000);
  const double centre = f == 0 ? kTrueCor + 3 : (f == 4 ? kTrueCor - 3 : -100);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      px[y * kW + x] +=
          std::uint16_t(std::lround(20000 * std::exp(-std::pow((x - centre) / 5.0, 2))));
  // Row y = 2 carries x + 100 * f on every frame, for the readout.
  for (int x = 0; x < kW; ++x) px[2 * kW + x] = std::uint16_t(x + 100 * f);
  return px;
}
}  // namespace

class TestSinogramPanel : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  ImgDatas set_;
  std::unique_ptr<ProcCtrl> pc_;
  std::unique_ptr<Sinogram> sg_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    for (int f = 0; f < kFrames; ++f) {
      const QString p = dir_.filePath(QString("p%1.img").arg(f));
      QVERIFY(itexfixture::writeU16(p, kW, kH, {framePixels(f)}));
      QVERIFY(set_.add(p, 0));
    }
  }
  void init() {
    pc_ = std::make_unique<ProcCtrl>();
    sg_ = std::make_unique<Sinogram>();
    sg_->setImgDatas(&set_);
    sg_->setProcCtrl(pc_.get());
    pc_->setRotAxIsV(true);  // lines are frame rows
    pc_->setDataSetRangeDeg(360);
    sg_->resize(500, 500);
    sg_->show();
    QVERIFY(QTest::qWaitForWindowExposed(sg_.get()));
  }

  void cleanup() {
    sg_.reset();
    pc_.reset();
  }

  // The record follows the CoR and the picture the range: 2 * length wide,
  // 2 * K high with K = trunc(180 / range * 8).
  void corChangeRebuilds_data() {
    QTest::addColumn<double>("cor");
    QTest::addColumn<double>("range");
    QTest::addColumn<QString>("result");  // record width x rows, CoR field, picture size
    // half = floor(min(cor, 47 - cor)), width = 2 half - 1 (47 - 40.12 = 6.88 -> 6 -> 11).
    QTest::newRow("23.5, 360") << 23.5 << 360.0 << "45x8 23.5 96x8";
    QTest::newRow("near the end, 180") << 40.123456789 << 180.0 << "11x8 40.1235 96x16";
  }
  void corChangeRebuilds() {
    QFETCH(double, cor);
    QFETCH(double, range);
    pc_->setDataSetRangeDeg(range);
    sg_->dataSetRangeUpdated();
    pc_->setCor(cor);
    const QSize picture = sg_->display()->image().size();
    QTEST(QString("%1x%2 %3 %4x%5")
              .arg(sg_->record().width())
              .arg(sg_->record().rows())
              .arg(sg_->findChild<QLineEdit*>("Cor")->text())
              .arg(picture.width())
              .arg(picture.height()),
          "result");
  }

  void editedCorReachesProcCtrl() {
    auto* cor = sg_->findChild<QLineEdit*>("Cor");
    cor->setText("21.5");
    QMetaObject::invokeMethod(cor, "editingFinished");
    QCOMPARE(pc_->cor(), 21.5);
    QCOMPARE(sg_->record().width(), 2 * 21 - 1);
    // Not a number reads as 0; a CoR with floor 0 leaves the record as it was.
    cor->setText("abc");
    QMetaObject::invokeMethod(cor, "editingFinished");
    QCOMPARE(pc_->cor(), 0.0);
    QCOMPARE(sg_->record().width(), 41);
  }

  // Slice 2 raw rows are x + 100 f resampled at cor 20.5: sample k holds the
  // mean of pixels k + 1 and k + 2 of the line (half = 20), i.e. k + 1.5 + 100 f.
  void readout() {
    pc_->setSliceNo(2);
    pc_->setCor(20.5);
    sg_->display()->setVal(-1);
    sg_->newPos(5.7, 3.2);
    QCOMPARE(sg_->display()->valText(), QString("306.5"));
    sg_->newPos(5, 16);  // beyond 2 x rows: nothing shown
    QCOMPARE(sg_->display()->valText(), QString("306.5"));
  }

  void guessFindsTheCentre() {
    pc_->setSliceNo(1);  // a row with the bumps
    pc_->setCor(22);
    QTest::mouseClick(sg_->findChild<QPushButton*>("GuessCor"), Qt::LeftButton);
    QVERIFY2(std::abs(pc_->cor() - kTrueCor) < 0.06, qPrintable(QString::number(pc_->cor())));
  }
};

QTEST_MAIN(TestSinogramPanel)
#include "tst_sinogrampanel.moc"
