#include <QScrollBar>
#include <QToolButton>
#include <QTranslator>
#include <QtTest>

#include "PhantomSet.h"
#include "app/Body.h"
#include "ct/CtCalc.h"
#include "ct/CtCalc2.h"
#include "ct/CtCalc2Ui.h"
#include "ct/CtRunMath.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"
#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "ct/StripeRemoval.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataFiles.h"
#include "output/CtDataFile.h"
#include "output/DataSaver.h"
#include "ui_Body.h"
#include "widgets/DispB.h"
#include "widgets/ImgDispWPV.h"

namespace {
constexpr int kWidth = 96, kRows = 24, kProjections = 60;

// The reconstruction engine run directly on the sinogram the window's
// sinogram panel builds for a slice, with the run's options: what every
// calculator must reproduce.
std::vector<double> engineSlice(Body& body, const CtRunParams& run, int slice,
                                const FbpRegion& region) {
  Sinogram* sino = body.sinogramPanel();
  HSgm rec;
  SinogramParams p = sino->params(run.rotAxIsV, run.cor, slice);
  p.outlierThreshold = run.outlierThreshold;
  buildSinogram(sino->source(), p, rec);
  if (run.ringRemovalSize >= 3)
    removeStripes(rec.sgm(), rec.width(), rec.rows(), run.ringRemovalSize);
  const int n = rec.width() & ~1;
  FbpWorkspace ws;
  ws.setup(n, rec.rows(), rec.rows(), run.filter);
  ws.clearImage(n);
  const CtAngles a = ctAngles(run);
  ws.forwardAll(rec);
  ws.filterAll(rec.rows());
  ws.backProjectAll(rec.rows(), region, a.angle0, a.dAngle);
  return std::vector<double>(ws.image(), ws.image() + static_cast<std::size_t>(n) * n);
}

// Index of the first pixel where a and b differ beyond rounding, or -1.
long firstDifference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && !qFuzzyCompare(a[i], b[i])) return long(i);
  return -1;
}

// Loads files into body through its loading loop, replacing the set.
bool load(Body& body, const QStringList& files) {
  QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
  emit body.form()->CTFiles->filesSelected(files, true);
  return loaded.wait(20000);
}
}  // namespace

class TestBody : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QStringList projections_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QCOMPARE(writePhantom(dir_.path(), kWidth, kRows, kProjections), QString());
    projections_ = projectionFiles(dir_.path());
    QCOMPARE(projections_.size(), kProjections);
  }

  // The window opens within the screen with its left column whole (it used to
  // open as a 1216 x 374 strip of it): no scroll bar at 1280 x 800, in English and
  // in Japanese; a lower screen bounds it and the column scrolls. With the
  // energy-scan and I0 setups opened the panels still fit the column's width: no
  // horizontal scroll bar hides the ends of their rows.
  void leftColumnFits_data() {
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("columnWhole");
    QTest::newRow("source texts") << QString() << QSize(1280, 800) << true;
    QTest::newRow("Japanese") << QString(":Vanto_ja_JP") << QSize(1280, 800) << true;
    QTest::newRow("1280 x 560 bounds the height") << QString() << QSize(1280, 560) << false;
  }
  void leftColumnFits() {
    QFETCH(QString, translation);
    QFETCH(QSize, screen);
    QFETCH(bool, columnWhole);
    QTranslator tr;
    if (!translation.isEmpty()) {
      QVERIFY(tr.load(translation));
      QCoreApplication::installTranslator(&tr);
    }
    const auto restore = qScopeGuard([&tr] { QCoreApplication::removeTranslator(&tr); });
    Body body;
    const QSize size = body.initialSize(screen);
    QVERIFY(size.width() <= screen.width() && size.height() <= screen.height());
    body.resize(size);
    body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&body));
    QCOMPARE(body.size(), size);
    Ui::Body* ui = body.form();
    QTRY_VERIFY(ui->ControlsScroll->viewport()->height() > 0);
    QCOMPARE(ui->ControlsContents->height() <= ui->ControlsScroll->viewport()->height(),
             columnWhole);
    QCOMPARE(ui->ControlsScroll->verticalScrollBar()->isVisible(), !columnWhole);
    // With the energy-scan and I0 setups and the reconstruction options opened as well.
    ui->ShowAdditionalInfo->setChecked(true);
    ui->ShowAdditionalAdditionalInfo->setChecked(true);
    auto* options = ui->procCtrl->findChild<QToolButton*>("OptionsToggle");
    QVERIFY(options);
    options->setChecked(true);
    QTRY_VERIFY(ui->ControlsScroll->viewport()->width() > 0);
    const int need = ui->ControlsContents->minimumSizeHint().width();
    const int have = ui->ControlsScroll->viewport()->width();
    QVERIFY2(need <= have,
             qPrintable(QString("panels ask for %1 px, column is %2").arg(need).arg(have)));
    QTRY_VERIFY(!ui->ControlsScroll->horizontalScrollBar()->isVisible());
  }

  // A second choice while a list is still loading: added files join the
  // list (a multi-frame file frame by frame, entered as "name(k)"); a new
  // choice replaces it, also in the middle of a multi-frame file; the end of
  // loading is announced once.
  void secondSelectionWhileLoading_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("add") << false;
    QTest::newRow("new, inside a multi-frame file") << true;
  }
  void secondSelectionWhileLoading() {
    QFETCH(bool, replace);
    QTemporaryDir dir;
    QCOMPARE(writePhantom(dir.path(), kWidth, kRows, 3, PhantomOptions::Format::His), QString());
    auto infos = [](const QStringList& files) {
      QFileInfoList l;
      for (const QString& f : files) l << QFileInfo(f);
      return l;
    };
    const QString his = dir.filePath("proj.his");
    const QStringList first = replace ? QStringList{his} : projections_.mid(0, 4);
    const QStringList second = replace ? projections_.mid(10, 3) : QStringList{his};
    Body body;
    Ui::Body* ui = body.form();
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    QSignalSpy frames(&body, &Body::askLoadNextMultiData);
    ui->CTFiles->setLoadNewFiles(true);
    ui->CTFiles->setFileInfos(infos(first));
    QVERIFY(!ui->DataSetSelectFrame->isEnabled());  // locked while files load
    if (replace) {
      while (frames.count() < 2) QVERIFY(frames.wait(20000));  // frame 0 is in
      QCOMPARE(body.imageSet()->count(), 1);
    }
    ui->CTFiles->setLoadNewFiles(replace);
    ui->CTFiles->setFileInfos(infos(second));
    QVERIFY(loaded.wait(20000));
    QVERIFY(!loaded.wait(100));  // announced once
    const QStringList all =
        replace ? second : first + QStringList{his + "(0)", his + "(1)", his + "(2)"};
    QCOMPARE(ui->CTFiles->entries(), all);
    QCOMPARE(body.imageSet()->count(), int(all.size()));
    QVERIFY(ui->DataSetSelectFrame->isEnabled());
  }

  // The single panel and the workers give what the engine gives on the
  // sinogram panel's sinogram, with a partial data set (scaled by 1 / (N x
  // frames used), not by the frames loaded) and every reconstruction option
  // on; each option alone changes this slice, so none of them can be left
  // out unnoticed. The worker's slice is saved with the panel's limits and
  // offset (names, tags and folders through the window: tst_headless,
  // tst_hdf5_e2e; per slice: tst_ctrun).
  void runsMatchTheEngine() {
    Body body;
    Ui::Body* ui = body.form();
    ProcCtrl* pc = ui->procCtrl;
    pc->setRotAxIsV(true);
    ui->I0ImgSel->selectFile(dir_.filePath("i0.img"));
    ui->BGImgSel->selectFile(dir_.filePath("bg.img"));
    QVERIFY(ui->I0ImgSel->frame() && ui->BGImgSel->frame());
    QVERIFY(load(body, projections_));
    pc->setUsePartialDataSet(true);
    pc->setDataSetUsingImages(kProjections / 2);
    pc->setDataSetStartImageNo(0);
    pc->setFilterWindow(FilterWindow::Hann);
    pc->setFilterPadding(true);
    pc->setRingRemovalSize(5);
    pc->setOutlierThreshold(1.0);
    QSignalSpy runs(&body, &Body::calcFinished);
    ui->SelectCt1->click();
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), 1, 20000);
    const CtCalc* c = body.ctCalc();
    const int n = c->workspace().imageSize();
    QCOMPARE(firstDifference({c->workspace().image(), c->workspace().image() + std::size_t(n) * n},
                             engineSlice(body, body.runParams(), pc->sliceNo(), c->calcRegion())),
             -1L);
    QTemporaryDir out;
    ui->SelectDataSaveDir->setPath(out.path());
    ui->SelectDataSaveDir->setName("s");
    body.setAutoSaveData(true);
    ui->DataUpperLimit->setText("0.03");
    ui->DataLowerLimit->setText("-0.01");
    ui->DataOffset->setText("1");
    QSignalSpy saved(body.saver(), &DataSaver::saved);
    ui->SelectCt2->click();
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), 2, 20000);
    QTRY_VERIFY(!body.anyWorkerBusy());
    const CtRunParams withOptions = body.runParams();
    QVERIFY(withOptions.filter == (FbpFilterChoice{FilterWindow::Hann, true}));
    CtCalc2* w = body.workers().front();
    const int slice = w->sliceNo();
    const FbpRegion region = body.workerPanels().front()->calcRegion();
    QCOMPARE(firstDifference(w->imageCopy(), engineSlice(body, withOptions, slice, region)), -1L);
    // Every saved value lies within offset + lower .. offset + upper; clipped
    // ones are the offset.
    QTRY_COMPARE(saved.count(), 1);
    CtDataGrid grid;
    QVERIFY(readCtDataFile(saved.first().first().toString(), grid));
    int atOffset = 0;
    for (double v : grid.values) {
      QVERIFY2(v >= 0.99 && v <= 1.03, qPrintable(QString::number(v)));
      atOffset += v == 1.0;
    }
    QVERIFY(atOffset > 0 && atOffset < int(grid.values.size()));
    CtRunParams plain = withOptions;
    plain.filter = {};
    plain.ringRemovalSize = 0;
    plain.outlierThreshold = 0.0;
    const std::vector<double> plainSlice = engineSlice(body, plain, slice, region);
    for (int option = 0; option < 4; ++option) {
      CtRunParams one = plain;
      if (option == 0) one.filter.window = FilterWindow::Hann;
      if (option == 1) one.filter.padding = true;
      if (option == 2) one.ringRemovalSize = 5;
      if (option == 3) one.outlierThreshold = 1.0;
      QVERIFY2(engineSlice(body, one, slice, region) != plainSlice,
               qPrintable(QString("option %1 leaves the slice as it is").arg(option)));
    }
  }

  // "keep Conds." keeps slice and centre over a new set of the same size;
  // but slice, centre of rotation, range and regions follow the detector: a
  // new frame size ("New" accepts one) or a change of axis sets them anew.
  void defaultsFollowTheDetector() {
    QTemporaryDir dir;
    QCOMPARE(writePhantom(dir.path(), 64, 8, 3), QString());
    const QStringList small = projectionFiles(dir.path());

    Body body;
    Ui::Body* ui = body.form();
    ProcCtrl* pc = ui->procCtrl;
    QVERIFY(load(body, projections_.mid(0, 3)));
    // The horizontal axis (the default): slices are the 96 columns.
    ui->CTFiles->setKeepConditions(true);
    pc->setSliceNo(7);
    pc->setSliceFrom(40);
    pc->setCor(11.5);
    QVERIFY(load(body, projections_.mid(0, 5)));
    QCOMPARE(pc->sliceNo(), 7);
    QCOMPARE(pc->cor(), 11.5);
    QCOMPARE(pc->dataSetImages(), 5);
    QVERIFY(load(body, small));
    const auto conditions = [&] {
      return QString("%1..%2 slice %3 cor %4 x1 %5")
          .arg(pc->sliceFrom())
          .arg(pc->sliceTo())
          .arg(pc->sliceNo())
          .arg(pc->cor())
          .arg(body.ctCalc()->calcRegion().x1);
    };
    QCOMPARE(conditions(), QString("0..63 slice 32 cor 4 x1 7"));
    // The vertical axis chosen afterwards: slices are the 8 rows.
    pc->findChild<QRadioButton*>("RotAxV")->click();
    QCOMPARE(conditions(), QString("0..7 slice 4 cor 32 x1 63"));
    QCOMPARE(body.workerPanels().front()->calcRegion().y1, 63.0);
  }

  // A selection on the raw image applies when the operator makes it, once;
  // clearing it applies nothing, and values set later stay.
  void rawSelectionAppliesOnce() {
    Body body;
    ProcCtrl* pc = body.form()->procCtrl;
    QVERIFY(load(body, projections_.mid(0, 2)));
    body.resize(1280, 800);
    body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&body));
    QWidget* surface = body.rawDisplay()->dispB();
    QTRY_VERIFY(surface->width() > 100 && surface->height() > 100);
    const int sw = surface->width(), sh = surface->height();
    QTest::mousePress(surface, Qt::LeftButton, Qt::ShiftModifier, QPoint(sw / 4, sh / 4));
    QTest::mouseMove(surface, QPoint(sw / 2, sh / 2));
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::ShiftModifier, QPoint(sw / 2, sh / 2));
    const int from = pc->sliceFrom(), to = pc->sliceTo();
    QVERIFY(from > 0 && to > from && to < kWidth);  // the columns of the selection
    const double regionEnd = body.ctCalc()->calcRegion().x1;
    pc->setSliceTo(to + 5);  // as a batch line would
    surface->repaint();
    QCOMPARE(pc->sliceTo(), to + 5);
    QTest::mouseClick(surface, Qt::RightButton, Qt::ShiftModifier, QPoint(sw / 3, sh / 3));
    surface->repaint();
    QCOMPARE(pc->sliceFrom(), from);
    QCOMPARE(pc->sliceTo(), to + 5);
    QCOMPARE(body.ctCalc()->calcRegion().x1, regionEnd);
  }

  void closingWhileRunning() {
    auto body = std::make_unique<Body>();
    Ui::Body* ui = body->form();
    QVERIFY(load(*body, projections_));
    ui->procCtrl->setAutoExec(true);
    ui->procCtrl->setMaxThreads(int(body->workers().size()));
    QSignalSpy finishing(body.get(), &Body::finishing);
    ui->CalcCT->click();
    QVERIFY(body->calculating());
    body->show();
    body->close();
    QCOMPARE(finishing.count(), 1);
    body.reset();  // waits for the workers' current slices, then goes
  }
};

QTEST_MAIN(TestBody)
#include "tst_body.moc"
