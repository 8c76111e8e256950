// sinogram-preview DIR [--cor C] [--slice S] [--range DEG] [--guess] [--grab FILE]
//
// Loads DIR/proj-*.img (or .tif) with DIR/i0.img and DIR/bg.img, shows the
// processing control and the sinogram panel, optionally runs the CoR guess,
// and with --grab saves the window to a PNG and ends.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "widgets/ImgDispWPV.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser p;
  p.addPositionalArgument("dir", "Data-set folder.");
  p.addOption({"cor", "Centre of rotation.", "c"});
  p.addOption({"slice", "Detector line.", "s"});
  p.addOption({"range", "Data-set range in degrees.", "deg"});
  p.addOption({"guess", "Run the CoR guess."});
  p.addOption({"grab", "Save the window to this PNG and quit.", "file"});
  p.process(app);
  if (p.positionalArguments().isEmpty()) p.showHelp(2);
  const QDir dir(p.positionalArguments().first());

  SelectAImgFile i0, bg;
  ImgDatas set;
  set.setReferences(i0.frameSlot(), bg.frameSlot());
  if (dir.exists("i0.img")) i0.selectFile(dir.filePath("i0.img"));
  if (dir.exists("bg.img")) bg.selectFile(dir.filePath("bg.img"));
  i0.display()->hide();
  bg.display()->hide();
  for (const QFileInfo& fi : dir.entryInfoList({"proj-*.img", "proj-*.tif"}, QDir::Files, QDir::Name))
    set.add(fi.filePath(), 0);
  std::printf("%d frames of %dx%d\n", set.count(), set.width(), set.height());

  QWidget win;
  auto* row = new QHBoxLayout(&win);
  auto* pc = new ProcCtrl;
  auto* sg = new Sinogram;
  row->addWidget(pc);
  row->addWidget(sg, 1);
  sg->setImgDatas(&set);
  sg->setProcCtrl(pc);
  pc->setRotAxIsV(true);
  pc->setDataSetImages(set.count());
  if (p.isSet("range")) pc->setDataSetRangeDeg(p.value("range").toDouble());
  pc->setSliceNo(p.isSet("slice") ? p.value("slice").toInt() : set.height() / 2);
  pc->setCor(p.isSet("cor") ? p.value("cor").toDouble() : set.width() / 2.0);
  sg->dataSetRangeUpdated();
  if (p.isSet("guess")) {
    sg->findChild<QPushButton*>("GuessCor")->click();
    std::printf("guessed CoR %.2f\n", pc->cor());
  }
  win.resize(1300, 800);
  win.show();
  if (p.isSet("grab")) {
    QTimer::singleShot(300, &app, [&]() {
      win.grab().save(p.value("grab"));
      app.quit();
    });
  }
  return app.exec();
}
