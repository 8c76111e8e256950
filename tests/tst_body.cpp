#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTranslator>
#include <QtTest>
#include <map>
#include <thread>

#include "PhantomWriter.h"
#include "app/Body.h"
#include "ct/CtCalc.h"
#include "ct/CtCalc2.h"
#include "ct/CtCalc2Ui.h"
#include "ct/CtProgress.h"
#include "ct/CtRunMath.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"
#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataFiles.h"
#include "output/CtDataFile.h"
#include "output/DataSaver.h"
#include "ui_Body.h"
#include "widgets/CtDisp.h"
#include "widgets/DispB.h"
#include "widgets/ImgDispWPV.h"

namespace {
constexpr int kWidth = 96, kRows = 24, kProjections = 60;

// The reconstruction engine run directly on the sinogram the window's
// sinogram panel builds for a slice: what every calculator must reproduce.
std::vector<double> engineSlice(Body& body, const CtRunParams& run, int slice,
                                const FbpRegion& region) {
  Sinogram* sino = body.sinogramPanel();
  HSgm rec;
  buildSinogram(sino->source(), sino->params(run.rotAxIsV, run.cor, slice), rec);
  const int n = rec.width() & ~1;
  FbpWorkspace ws;
  ws.setup(n, rec.rows(), rec.rows());
  ws.clearImage(n);
  const CtAngles a = ctAngles(run);
  ws.forwardAll(rec);
  ws.filterAll(rec.rows());
  ws.backProjectAll(rec.rows(), region, a.angle0, a.dAngle);
  return std::vector<double>(ws.image(), ws.image() + static_cast<std::size_t>(n) * n);
}

// A phantom data set of width x rows pixels over 180 degrees in dir: an empty
// text, or why it could not be written.
QString writePhantom(const QString& dir, int width, int rows, int projections,
                     PhantomOptions::Format format = PhantomOptions::Format::Img) {
  PhantomOptions o;
  o.outDir = dir;
  o.width = width;
  o.rows = rows;
  o.projections = projections;
  o.rangeDeg = 180.0;
  o.format = format;
  PhantomWriter w(o);
  return w.write() ? QString() : QStringLiteral("not written: ") + w.errorText();
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
    for (const QString& f : QDir(dir_.path()).entryList({"proj-*.img"}, QDir::Files, QDir::Name))
      projections_ << dir_.filePath(f);
    QCOMPARE(projections_.size(), kProjections);
  }

  void construction() {
    Body body;
    Ui::Body* ui = body.form();
    QCOMPARE(body.windowTitle(), QString("Vanto"));
    const int n = std::max(1u, std::thread::hardware_concurrency());
    QCOMPARE(int(body.workers().size()), n);
    QCOMPARE(ui->ImgsTab->tabText(3), QString("CT2"));
    QCOMPARE(ui->ImgsTab->count(), 9);
    const QStringList titles{"Raw Image", "Sinogram", "CT Reconstructed Image",
                             "CT2",       "I0 Image", "BG Image",
                             "CT Images", "3D View",  "Log"};
    for (int i = 0; i < titles.size(); ++i) QCOMPARE(ui->ImgsTab->tabText(i), titles[i]);
    QCOMPARE(ui->procCtrl->maxThreads(), int(n * 0.8));
    QCOMPARE(ui->DataUpperLimit->text(), QString("10"));
    QCOMPARE(ui->DataLowerLimit->text(), QString("-10"));
    // No images: the calculation button does nothing.
    QSignalSpy finished(&body, &Body::calcFinished);
    ui->CalcCT->click();
    QVERIFY(!body.calculating());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(ui->CalcStartT->text(), QString());
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
    // With the energy-scan and I0 setups opened as well.
    ui->ShowAdditionalInfo->setChecked(true);
    ui->ShowAdditionalAdditionalInfo->setChecked(true);
    QTRY_VERIFY(ui->ControlsScroll->viewport()->width() > 0);
    const int need = ui->ControlsContents->minimumSizeHint().width();
    const int have = ui->ControlsScroll->viewport()->width();
    QVERIFY2(need <= have, qPrintable(QString("panels ask for %1 px, column is %2").arg(need).arg(have)));
    QTRY_VERIFY(!ui->ControlsScroll->horizontalScrollBar()->isVisible());
  }

  // A multi-frame ITEX file is loaded frame by frame, one per event-loop turn,
  // each frame entered as "name(k)".
  void multiFrameFile() {
    QTemporaryDir dir;
    QCOMPARE(writePhantom(dir.path(), 32, 4, 3, PhantomOptions::Format::His), QString());
    const QString path = dir.filePath("proj.his");
    Body body;
    Ui::Body* ui = body.form();
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    emit ui->CTFiles->filesSelected({path}, true);
    QVERIFY(loaded.wait(20000));
    QCOMPARE(body.imageSet()->count(), 3);
    QCOMPARE(ui->CTFiles->entries(), QStringList({path + "(0)", path + "(1)", path + "(2)"}));
  }

  void loadAndReconstruct() {
    Body body;
    Ui::Body* ui = body.form();
    ProcCtrl* pc = ui->procCtrl;
    pc->setRotAxIsV(true);
    ui->I0ImgSel->selectFile(dir_.filePath("i0.img"));
    ui->BGImgSel->selectFile(dir_.filePath("bg.img"));
    QVERIFY(ui->I0ImgSel->frame() && ui->BGImgSel->frame());

    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    emit ui->CTFiles->filesSelected(projections_, true);
    // Selecting with clear resets the image slider before the first file.
    QCOMPARE(ui->seekCtrl->value(), 0);
    QCOMPARE(body.imageSet()->count(), 0);
    QVERIFY(loaded.wait(20000));
    QCOMPARE(body.imageSet()->count(), kProjections);
    QCOMPARE(ui->CTFiles->count(), kProjections);

    // Load defaults for a vertical axis on a 96 x 24 detector.
    QCOMPARE(pc->sliceTo(), kRows - 1);
    QCOMPARE(pc->sliceNo(), kRows / 2);
    QCOMPARE(pc->cor(), kWidth * 0.5);
    QCOMPARE(pc->dataSetImages(), kProjections);
    QCOMPARE(ui->seekCtrl->maximum(), kProjections - 1);
    QCOMPARE(body.ctCalc()->calcRegion().x1, double(kWidth - 1));
    QCOMPARE(body.workerPanels().front()->calcRegion().y1, double(kWidth - 1));
    pc->setDataSetRangeDeg(180.0);

    // --- the single panel, at once ---
    ui->SelectCt1->click();
    QVERIFY(ui->SelectCt1->isChecked());
    QSignalSpy runs(&body, &Body::calcFinished);
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), 1, 20000);
    QVERIFY(!body.calculating());
    QCOMPARE(ui->CalcEndT->text().size(), 12);  // hh:mm:ss.zzz
    QCOMPARE(ui->CalcCT->styleSheet(), QString("background-color: rgb(213, 245, 255);"));
    {
      const CtCalc* c = body.ctCalc();
      const std::vector<double> want =
          engineSlice(body, body.runParams(), pc->sliceNo(), c->calcRegion());
      const int n = c->workspace().imageSize();
      QCOMPARE(std::size_t(n) * n, want.size());
      for (std::size_t i = 0; i < want.size(); ++i) QCOMPARE(c->workspace().image()[i], want[i]);
      QCOMPARE(c->sliceNoText(), QString::number(kRows / 2));
    }

    // --- the single panel, one projection per event, stopped half way ---
    CtCalc* c = body.ctCalc();
    c->setCalcAtOnce(false);
    const int before = c->pictureUpdates();
    // Press stop from within the chain, after the fifth projection.
    int steps = 0;
    auto stopper = connect(c, &CtCalc::finishedCalcOne, this, [&] {
      if (++steps == 5) ui->CalcCT->click();
    });
    const int runsAtStart = runs.count();
    ui->CalcCT->click();
    QVERIFY(body.calculating());
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), runsAtStart + 1, 20000);
    disconnect(stopper);
    QVERIFY(!body.calculating());
    QVERIFY(!c->running());
    const int stoppedAt = c->pictureUpdates();
    QCOMPARE(stoppedAt - before, 5);
    QTest::qWait(300);
    QCOMPARE(c->pictureUpdates(), stoppedAt);  // the chain is broken
    QVERIFY(c->pictureUpdates() - before < kProjections);
    // Unstopped, the chain refreshes the picture once per projection.
    const int again = c->pictureUpdates();
    const int runsBefore = runs.count();
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), runsBefore + 1, 20000);
    QCOMPARE(c->pictureUpdates() - again, kProjections);
    c->setCalcAtOnce(true);

    // --- Auto Exec of 16 slices on every worker ---
    pc->setAutoExec(true);
    QVERIFY(ui->SelectCt2->isChecked());  // checking Auto Exec selects the workers
    pc->setSliceFrom(4);
    pc->setSliceTo(19);
    pc->setSliceStep(1);
    pc->setMaxThreads(int(body.workers().size()));
    QSignalSpy started(body.ctRun(), &CtRun::startCt);
    std::map<int, int> images;
    connect(&body, &Body::calcFinished, this, [] {});
    const int finishedBefore = runs.count();
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), finishedBefore + 1, 60000);
    QTest::qWait(50);
    QCOMPARE(runs.count(), finishedBefore + 1);
    QCOMPARE(started.count(), 16);
    std::map<int, int> seen;
    for (const auto& args : started) ++seen[args.at(1).toInt()];
    QCOMPARE(int(seen.size()), 16);
    for (const auto& [slice, count] : seen) {
      QVERIFY(slice >= 4 && slice <= 19);
      QCOMPARE(count, 1);
    }
    int done = 0;
    for (CtCalc2* w : body.workers()) done += w->slicesDone();
    QCOMPARE(done, 16);
    QCOMPARE(ui->ProgPerCent->text(), QString("100.0 %"));
    QCOMPARE(body.gallery()->count(), 16);
    QVERIFY(!body.anyWorkerBusy());

    // A worker's last slice equals the engine's for the same sinogram.
    CtCalc2* w = body.workers().front();
    const int slice = w->sliceNo();
    const std::vector<double> got = w->imageCopy();
    const std::vector<double> want =
        engineSlice(body, body.runParams(), slice, body.workerPanels().front()->calcRegion());
    QCOMPARE(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) QCOMPARE(got[i], want[i]);
  }

  void autoSaveWritesEveryFile() {
    Body body;
    Ui::Body* ui = body.form();
    ProcCtrl* pc = ui->procCtrl;
    pc->setRotAxIsV(true);
    ui->I0ImgSel->selectFile(dir_.filePath("i0.img"));
    ui->BGImgSel->selectFile(dir_.filePath("bg.img"));
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    emit ui->CTFiles->filesSelected(projections_, true);
    QVERIFY(loaded.wait(20000));

    QTemporaryDir out;
    const QString imgDir = out.filePath("img/deeper"), datDir = out.filePath("dat");
    ui->SelectImageSaveDir->setPath(imgDir);
    ui->SelectImageSaveDir->setName("sample");
    ui->SelectImageSaveDir->setTag("E7100");
    ui->SelectDataSaveDir->setPath(datDir);
    ui->SelectDataSaveDir->setName("sample");
    ui->SelectDataSaveDir->setTag("E7100");
    body.setAutoSaveImage(true);
    body.setAutoSaveData(true);
    ui->DataUpperLimit->setText("0.05");
    ui->DataLowerLimit->setText("-0.05");
    ui->DataOffset->setText("1");
    pc->setAutoExec(true);
    pc->setSliceFrom(8);
    pc->setSliceTo(15);
    pc->setMaxThreads(int(body.workers().size()));
    QSignalSpy saved(body.saver(), &DataSaver::saved);
    QSignalSpy failed(body.saver(), &DataSaver::saveFailed);
    QSignalSpy runs(&body, &Body::calcFinished);
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), 1, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 16, 10000);
    QCOMPARE(failed.count(), 0);

    QStringList expectedPng, expectedDat;
    for (int s = 8; s <= 15; ++s) {
      expectedPng << QString("sample-E7100-%1.png").arg(s, 5, 10, QChar('0'));
      expectedDat << QString("sample-E7100-%1.dat").arg(s, 5, 10, QChar('0'));
    }
    QCOMPARE(QDir(imgDir).entryList(QDir::Files, QDir::Name), expectedPng);
    QCOMPARE(QDir(datDir).entryList(QDir::Files, QDir::Name), expectedDat);

    const CtRunParams& run = body.runParams();
    const FbpRegion region = body.workerPanels().front()->calcRegion();
    long clipped = 0, kept = 0;
    for (int s = 8; s <= 15; ++s) {
      const QImage png(QDir(imgDir).filePath(expectedPng[s - 8]));
      QCOMPARE(png.format(), QImage::Format_Grayscale8);
      const std::vector<double> image = engineSlice(body, run, s, region);
      const int n = int(std::lround(std::sqrt(double(image.size()))));
      QCOMPARE(png.size(), QSize(n, n));

      CtDataGrid grid;
      QVERIFY(readCtDataFile(QDir(datDir).filePath(expectedDat[s - 8]), grid));
      // Region 0 .. 95 (exclusive) over an n x n image: the columns and rows
      // beyond the image carry the offset alone.
      QCOMPARE(grid.width, int(region.x1) - int(region.x0));
      QCOMPARE(grid.height, int(region.y1) - int(region.y0));
      for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x) {
          double v = (x < n && y < n) ? image[std::size_t(y) * n + x] : 0.0;
          if (v > 0.05 || v < -0.05) {
            v = 0.0;
            ++clipped;
          } else if (x < n && y < n) {
            ++kept;
          }
          const double want = v + 1.0;
          QVERIFY2(std::fabs(grid.at(x, y) - want) <= 1e-5 * std::fabs(want),
                   qPrintable(QString("slice %1 (%2, %3): %4 vs %5")
                                  .arg(s)
                                  .arg(x)
                                  .arg(y)
                                  .arg(grid.at(x, y))
                                  .arg(want)));
        }
    }
    // The limits were chosen so that both kinds of pixel occur.
    QVERIFY(clipped > 0);
    QVERIFY(kept > 0);
  }

  // A second choice while a list is still loading: added files join the
  // list; a new choice replaces it, also in the middle of a multi-frame file;
  // the end of loading is announced once.
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
    const QStringList first =
        replace ? QStringList{dir.filePath("proj.his")} : projections_.mid(0, 4);
    const QStringList second = projections_.mid(10, 3);
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
    QTest::qWait(100);
    QCOMPARE(loaded.count(), 1);
    const QStringList all = replace ? second : first + second;
    QCOMPARE(ui->CTFiles->entries(), all);
    QCOMPARE(body.imageSet()->count(), int(all.size()));
    QVERIFY(ui->DataSetSelectFrame->isEnabled());
  }

  // A thread count of 0 (the old default of a one-thread machine) still
  // reconstructs every slice.
  void threadsZeroStillReconstructs() {
    Body body;
    Ui::Body* ui = body.form();
    QVERIFY(load(body, projections_.mid(0, 4)));
    ui->procCtrl->setAutoExec(true);
    ui->procCtrl->setSliceFrom(0);
    ui->procCtrl->setSliceTo(3);
    ui->procCtrl->setMaxThreads(0);
    QSignalSpy runs(&body, &Body::calcFinished);
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), 1, 20000);
    QCOMPARE(body.runStatus().reconstructed(), 4);
    QCOMPARE(body.findChild<QLineEdit*>("RunCounts")->text(),
             QString("4 of 4 slices reconstructed, 0 files written, 0 failures"));
  }

  // Partial data sets: the workers scale as the single panel and the engine
  // do, by 1 / (N x frames used), not by the frames loaded.
  void partialDataSetScaledAlike() {
    Body body;
    Ui::Body* ui = body.form();
    ProcCtrl* pc = ui->procCtrl;
    pc->setRotAxIsV(true);
    QVERIFY(load(body, projections_));
    pc->setUsePartialDataSet(true);
    pc->setDataSetUsingImages(kProjections / 2);
    pc->setDataSetStartImageNo(0);
    ui->SelectCt2->click();
    QSignalSpy runs(&body, &Body::calcFinished);
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), 1, 20000);
    QTRY_VERIFY(!body.anyWorkerBusy());
    const std::vector<double> got = body.workers().front()->imageCopy();
    const std::vector<double> want = engineSlice(body, body.runParams(), pc->sliceNo(),
                                                 body.workerPanels().front()->calcRegion());
    QCOMPARE(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) QCOMPARE(got[i], want[i]);
  }

  // Slice, centre of rotation, range and regions follow the detector: a new
  // frame size ("New" accepts one) or a change of axis sets them anew, even
  // with "keep Conds." checked.
  void defaultsFollowTheDetector() {
    QTemporaryDir dir;
    QCOMPARE(writePhantom(dir.path(), 64, 8, 3), QString());
    QStringList small;
    for (const QString& f : QDir(dir.path()).entryList({"proj-*.img"}, QDir::Files, QDir::Name))
      small << dir.filePath(f);

    Body body;
    Ui::Body* ui = body.form();
    ProcCtrl* pc = ui->procCtrl;
    QVERIFY(load(body, projections_.mid(0, 3)));
    // The horizontal axis (the default): slices are the 96 columns.
    ui->CTFiles->setKeepConditions(true);
    pc->setSliceNo(7);
    pc->setSliceFrom(40);
    pc->setCor(11.5);
    QVERIFY(load(body, small));
    QCOMPARE(body.imageSet()->count(), 3);
    QCOMPARE(body.imageSet()->width(), 64);
    QCOMPARE(pc->sliceFrom(), 0);
    QCOMPARE(pc->sliceTo(), 63);
    QCOMPARE(pc->sliceNo(), 32);
    QCOMPARE(pc->cor(), 4.0);
    QCOMPARE(body.ctCalc()->calcRegion().x1, 7.0);

    // The vertical axis chosen afterwards: slices are the 8 rows.
    pc->findChild<QRadioButton*>("RotAxV")->click();
    QVERIFY(pc->rotAxIsV());
    QCOMPARE(pc->sliceTo(), 7);
    QCOMPARE(pc->sliceNo(), 4);
    QCOMPARE(pc->cor(), 32.0);
    QCOMPARE(body.ctCalc()->calcRegion().x1, 63.0);
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

  void keepConditionsKeepsValues() {
    Body body;
    Ui::Body* ui = body.form();
    ProcCtrl* pc = ui->procCtrl;
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    emit ui->CTFiles->filesSelected(projections_.mid(0, 3), true);
    QVERIFY(loaded.wait(20000));
    // Horizontal axis (the default): slices are columns.
    QCOMPARE(pc->sliceTo(), kWidth - 1);
    QCOMPARE(pc->sliceNo(), kWidth / 2);
    QCOMPARE(pc->cor(), double(kRows / 2));
    pc->setSliceNo(7);
    pc->setCor(11.5);
    ui->CTFiles->setKeepConditions(true);
    emit ui->CTFiles->filesSelected(projections_.mid(0, 5), true);
    QVERIFY(loaded.wait(20000));
    QCOMPARE(pc->sliceNo(), 7);
    QCOMPARE(pc->cor(), 11.5);
    QCOMPARE(pc->dataSetImages(), 5);
    ui->CTFiles->setKeepConditions(false);
    emit ui->CTFiles->filesSelected(projections_.mid(0, 2), true);
    QVERIFY(loaded.wait(20000));
    QCOMPARE(pc->sliceNo(), kWidth / 2);
  }

  void closingWhileRunning() {
    auto body = std::make_unique<Body>();
    Ui::Body* ui = body->form();
    QSignalSpy loaded(body.get(), &Body::finishedLoadingCTFiles);
    emit ui->CTFiles->filesSelected(projections_, true);
    QVERIFY(loaded.wait(20000));
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
