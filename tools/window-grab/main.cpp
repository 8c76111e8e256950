// window-grab DIR OUT.png [--ja] [--setups] [--view3d] [--log] [--sinogram] [--save FOLDER]
//             [--sizes]
//
// The main window, at the size it opens at on this screen (1280 x 800 on a
// 1280 x 800 screen), on the projections DIR/proj-*.img with DIR/i0.img and
// DIR/bg.img (vertical axis), a range of eight slices reconstructed on every
// worker, then the window saved to OUT.
//
// --setups  opens the energy-scan (CT-XAFS) and I0 setups in the left column and
//           scrolls the column to its end.
// --view3d  reconstructs every detector row instead, saves the slices as CT data
//           files (into FOLDER, which must hold no .dat files yet, or into a
//           temporary folder), loads them back into the first slice set of the
//           "3D View" page, turns the stack and cuts it open, and grabs the
//           window with that page shown.
// --log     shows the "Log" page (every debug-log message with its time; a file
//           DIR/notes.txt, if there, is offered to the loader first, which
//           refuses it).
// --sinogram moves the centre of rotation 6 pixels off, presses "Guess CoR",
//           prints where it started and what the guess gave, and grabs the
//           window with the "Sinogram" page shown.
// --sizes   prints the width the left column's panels ask for, the column's own
//           width and whether it needs its horizontal scroll bar; with
//           GRAB_DETAIL set also where the processing-control and file-selection
//           panels place each of their widgets.
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <cmath>
#include <cstdio>

#include "app/Body.h"
#include "ct/ProcCtrl.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"
#include "view3d/CtView.h"
#include "view3d/SlicesCtrl.h"
#include "widgets/MessageLog.h"
#include "widgets/SelectAFile.h"

namespace {

void settle(int ms) {
  QDeadlineTimer t(ms);
  while (!t.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

void printSizes(Body& body) {
  Ui::Body* ui = body.form();
  QWidget* contents = ui->ControlsContents;
  std::printf("left column: viewport %d wide, contents ask for %d (hint %d)\n",
              ui->ControlsScroll->viewport()->width(), contents->minimumSizeHint().width(),
              contents->sizeHint().width());
  for (QWidget* w : contents->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!w->isVisible()) continue;
    std::printf("  %-22s min %4d  hint %4d\n", qPrintable(w->objectName()),
                w->minimumSizeHint().width(), w->sizeHint().width());
    for (QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (c->isVisible() && c->minimumSizeHint().width() > 200)
        std::printf("    %-20s min %4d  hint %4d\n", qPrintable(c->objectName()),
                    c->minimumSizeHint().width(), c->sizeHint().width());
  }
  std::printf("images column: %d wide, asks for %d; window asks for %d\n", ui->ImagesFrame->width(),
              ui->ImagesFrame->minimumSizeHint().width(), body.minimumSizeHint().width());
  if (qEnvironmentVariableIsSet("GRAB_DETAIL"))
    for (QWidget* p : {static_cast<QWidget*>(ui->procCtrl), static_cast<QWidget*>(ui->CTFiles),
                       static_cast<QWidget*>(ui->XAFSCTSetupFrame)})
      for (QWidget* c : p->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        std::printf("   %s.%s x %d w %d min %d [%s]\n", qPrintable(p->objectName()),
                    qPrintable(c->objectName()), c->x(), c->width(), c->minimumSizeHint().width(),
                    qPrintable(c->property("text").toString()));
  const QScrollBar* h = ui->ControlsScroll->horizontalScrollBar();
  std::printf("horizontal scroll bar: %s (range 0..%d)\n", h->isVisible() ? "shown" : "hidden",
              h->maximum());
}

// Saved slice files of the run, in slice order (the saver numbers them).
QStringList savedSlices(const QString& folder) {
  QStringList files;
  QDir d(folder);
  for (const QString& f : d.entryList({"*.dat"}, QDir::Files, QDir::Name)) files << d.filePath(f);
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
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  const QStringList args = app.arguments();
  if (args.size() < 3) {
    std::fprintf(stderr,
                 "usage: window-grab DIR OUT.png [--ja] [--setups] [--view3d] [--log] [--sinogram] "
                 "[--save FOLDER] [--sizes]\n");
    return 2;
  }
  const bool view3d = args.contains("--view3d");
  QTranslator tr;
  if (args.contains("--ja") && tr.load(":Vanto_ja_JP")) QCoreApplication::installTranslator(&tr);
  QTemporaryDir tmp;
  QString saveDir = tmp.path();
  if (const int i = args.indexOf("--save"); i > 0 && i + 1 < args.size()) saveDir = args[i + 1];

  const QDir dir(args[1]);
  MessageLog::instance().install();  // as the program does when it shows its window
  Body body;
  Ui::Body* ui = body.form();
  body.resize(body.initialSize(body.screen()->availableGeometry().size()));
  body.show();
  if (args.contains("--setups")) {
    ui->ShowAdditionalInfo->setChecked(true);
    ui->ShowAdditionalAdditionalInfo->setChecked(true);
  }
  ui->procCtrl->setRotAxIsV(true);
  ui->I0ImgSel->selectFile(dir.filePath("i0.img"));
  ui->BGImgSel->selectFile(dir.filePath("bg.img"));
  QStringList files;
  for (const QString& f : dir.entryList({"proj-*.img"}, QDir::Files, QDir::Name))
    files << dir.filePath(f);
  if (args.contains("--log") && dir.exists("notes.txt"))
    files.prepend(dir.filePath("notes.txt"));  // refused: shows a warning in the log
  QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
  emit ui->CTFiles->filesSelected(files, true);
  if (!loaded.wait(600000)) return 1;
  if (args.contains("--sinogram")) {
    const double start = ui->procCtrl->cor() - 6;
    ui->procCtrl->setCor(start);
    ui->ImgsTab->setCurrentWidget(ui->SinogramTab);
    settle(200);
    body.findChild<QPushButton*>("GuessCor")->click();
    std::printf("Guess CoR: %g (started from %g)\n", ui->procCtrl->cor(), start);
  }
  ui->procCtrl->setAutoExec(true);
  const int mid = ui->procCtrl->sliceNo();  // the middle detector row after loading
  const int from = view3d ? 0 : mid - 4;
  const int to = view3d ? 2 * mid - 1 : mid + 3;
  ui->procCtrl->setSliceFrom(from);
  ui->procCtrl->setSliceTo(to);
  ui->procCtrl->setMaxThreads(int(body.workers().size()));
  if (view3d) {
    QDir().mkpath(saveDir);
    if (!savedSlices(saveDir).isEmpty()) {  // never mix with (or delete) earlier results
      std::fprintf(stderr, "%s already holds .dat files\n", qPrintable(saveDir));
      return 2;
    }
    ui->AutoSaveData->setChecked(true);
    ui->SelectDataSaveDir->setPath(saveDir);
    ui->SelectDataSaveDir->setName("grab");
    ui->SelectDataSaveDir->setTag("slice");
  }
  QSignalSpy done(&body, &Body::calcFinished);
  QElapsedTimer run;
  run.start();
  ui->CalcCT->click();
  if (!done.wait(600000)) return 1;
  std::printf("slices %d..%d reconstructed in %lld ms\n", from, to,
              static_cast<long long>(run.elapsed()));

  if (view3d) {
    const int want = to - from + 1;
    QDeadlineTimer deadline(60000);
    while (savedSlices(saveDir).size() < want && !deadline.hasExpired()) settle(50);
    const QStringList slices = savedSlices(saveDir);
    std::printf("%lld slice files in %s\n", static_cast<long long>(slices.size()),
                qPrintable(saveDir));
    if (slices.size() != want) return 3;
    CtView* view = body.ctView();
    SlicesCtrl* set = view->sliceSets()[0];
    set->loadFiles(slices);
    if (!waitLoaded(set)) return 4;
    set->setMinThPC(35);  // hides the air and the reconstruction's ring noise
    set->setMaxThPC(101);
    ui->ImgsTab->setCurrentIndex(ui->ImgsTab->indexOf(ui->CTViewTab));
    settle(200);
    // Zoom with wheel steps until the stack's diagonal fills most of the picture.
    const int side = view->findChild<QLineEdit*>("imgPixWidth_")->text().toInt();
    const double sw = set->datas()->width(), sh = set->datas()->height();
    const double target = std::sqrt(sw * sw + sh * sh + double(want) * want) / (0.85 * side);
    while (view->scale() * 0.9 > target) view->wheelMovedOnDataDisp(1);
    while (view->scale() < target) view->wheelMovedOnDataDisp(-1);
    view->updateNvs(Vec3(1, 0, 0), 1.1);
    view->updateNvs(Vec3(0, 1, 0), 0.6);
    set->findChild<QCheckBox*>("showCSection_")->setChecked(true);
    set->setCSliderValue(15);
    QElapsedTimer t;
    t.start();
    view->paintPImg();
    std::printf("3D picture %dx%d rendered in %lld ms\n", view->picture().width(),
                view->picture().height(), static_cast<long long>(t.elapsed()));
  } else if (args.contains("--sinogram")) {
    ui->ImgsTab->setCurrentWidget(ui->SinogramTab);
  } else if (args.contains("--log")) {
    ui->ImgsTab->setCurrentWidget(body.findChild<QWidget*>("LogView"));
  } else {
    ui->ImgsTab->setCurrentIndex(3);  // the first worker's picture
  }
  settle(500);
  if (args.contains("--setups")) {  // show the opened setups at the column's end
    QScrollBar* v = ui->ControlsScroll->verticalScrollBar();
    v->setValue(v->maximum());
    settle(100);
  }
  if (args.contains("--sizes")) printSizes(body);
  const bool ok = body.grab().save(args[2]);
  std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(args[2]));
  return ok ? 0 : 1;
}
