// window-grab DIR OUT.png [--ja]: the main window on the projections
// DIR/proj-*.img with DIR/i0.img and DIR/bg.img (vertical axis), a range of
// eight slices reconstructed on every worker, then the window saved to OUT.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "app/Body.h"
#include "ct/ProcCtrl.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  const QStringList args = app.arguments();
  if (args.size() < 3) {
    std::fprintf(stderr, "usage: window-grab DIR OUT.png [--ja]\n");
    return 2;
  }
  QTranslator tr;
  if (args.contains("--ja") && tr.load(":Vanto_ja_JP")) QCoreApplication::installTranslator(&tr);
  const QDir dir(args[1]);
  Body body;
  Ui::Body* ui = body.form();
  body.resize(1280, 800);
  body.show();
  ui->procCtrl->setRotAxIsV(true);
  ui->I0ImgSel->selectFile(dir.filePath("i0.img"));
  ui->BGImgSel->selectFile(dir.filePath("bg.img"));
  QStringList files;
  for (const QString& f : dir.entryList({"proj-*.img"}, QDir::Files, QDir::Name))
    files << dir.filePath(f);
  QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
  emit ui->CTFiles->filesSelected(files, true);
  if (!loaded.wait(600000)) return 1;
  ui->procCtrl->setAutoExec(true);
  const int mid = ui->procCtrl->sliceNo();
  ui->procCtrl->setSliceFrom(mid - 4);
  ui->procCtrl->setSliceTo(mid + 3);
  ui->procCtrl->setMaxThreads(int(body.workers().size()));
  QSignalSpy done(&body, &Body::calcFinished);
  ui->CalcCT->click();
  if (!done.wait(600000)) return 1;
  ui->ImgsTab->setCurrentIndex(3);  // the first worker's picture
  QTimer::singleShot(500, &app, &QApplication::quit);
  app.exec();
  const bool ok = body.grab().save(args[2]);
  std::printf("%s %s\n", ok ? "saved" : "could not save", qPrintable(args[2]));
  return ok ? 0 : 1;
}
