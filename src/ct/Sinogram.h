#pragma once

#include <QFrame>
#include <QPointer>
#include <memory>

#include "ct/HSgm.h"
#include "ct/ProcCtrl.h"
#include "ct/SinogramBuilder.h"
#include "imagedata/ImgDatas.h"

namespace Ui {
class Sinogram;
}
class ImgDispWPV;

// The interactive sinogram of the current slice: rebuilt whenever a
// processing parameter changes, shown as a grey picture of both half turns,
// with the CoR (and the picture's first row) dragged by mouse and a CoR guess
// from two opposite projections. The building itself is the engine's; this
// panel gathers its inputs from the image set and the processing control.
class Sinogram : public QFrame {
  Q_OBJECT
 public:
  explicit Sinogram(QWidget* parent = nullptr);
  ~Sinogram() override;

  // Connects every change signal of the processing control to the slot of the
  // same name.
  void setProcCtrl(ProcCtrl* pc);
  void setImgDatas(ImgDatas* set);

  const HSgm& record() const { return sgm_; }
  ImgDispWPV* display() const;
  double guessParam() const;
  int imageOffsetY() const;
  // The picture options "Alter. Stack" and "Move Y w. Mouse".
  bool alterStack() const;
  void setAlterStack(bool f);
  bool moveYWithMouse() const;
  void setMoveYWithMouse(bool f);

  // The inputs of a build for the current image set and processing control.
  SinogramSource source() const;
  SinogramParams params(bool rotAxIsV, double cor, int slice) const;

 public slots:
  void mMoved();
  void newPos(double x, double y);
  void corUpdated();
  void autoUpdateUpdated();
  void sliceNoUpdated();
  void rotAxUpdated();
  void usePartialDataSetUpdated();
  void dataSetUsingImagesUpdated();
  void dataSetStartImageNoUpdated();
  void genSgmImage();
  void dataSetRangeUpdated();
  void angleOriginUpdated();
  void genImage();
  void genImage2();
  void corEditingFinished();
  void guessCor();
  void genSinogram0(HSgm* hSgm, bool rotAxIsV, double cor, int slice);
  void genSinogram();
  // The current slice's sinogram as genSinogram builds it, into out, with
  // the projections' outliers above threshold removed first (0: none).
  void genSinogram(HSgm& out, double outlierThreshold);
  // "CoR Sweep": asks for a sweep over CoR - range ... CoR + range in the
  // steps the processing control's options give.
  void corSweep();

 signals:
  void askCorSweep(double from, double to, double step);

 private:
  void rebuild();
  void pressed();

  std::unique_ptr<Ui::Sinogram> ui_;
  QPointer<ProcCtrl> pc_;  // either may go first at shut-down
  QPointer<ImgDatas> imgs_;
  HSgm sgm_;
  // CoR and Y offset when the drag started: a drag moves them by the
  // pointer's distance from the press point.
  double corAtPress_ = 0.0;
  int offsetAtPress_ = 0;
};
