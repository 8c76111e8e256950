#pragma once

#include <QDateTime>
#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QThread>
#include <memory>

#include "ct/CtCalc2.h"
#include "ct/CtRegionFields.h"
#include "ct/FbpWorkspace.h"

namespace Ui {
class CtCalc;
}
class CtProgress;
class ImgDispWPV;
class Sinogram;
struct CtRunParams;

// The single calculation panel ("CT Calc"): reconstructs the current slice on
// the GUI thread from the sinogram panel's record, either at once or one
// projection per event so that the picture grows visibly. A CtProgress in a
// thread of its own queues the next projection, which lets the window repaint
// in between; stopping breaks that chain at the next projection.
class CtCalc : public QFrame {
  Q_OBJECT

 public:
  explicit CtCalc(QWidget* parent = nullptr);
  ~CtCalc() override;

  void setSinogram(Sinogram* sino) { sino_ = sino; }
  void setRunParams(const CtRunParams* p) { params_ = p; }
  ImgDispWPV* display() const;
  bool running() const { return running_; }
  bool regionSet() const { return regionSet_; }
  FbpRegion calcRegion() const;
  const FbpWorkspace& workspace() const { return ws_; }
  CtProgress* progress() const { return progress_; }
  bool calcAtOnce() const;
  void setCalcAtOnce(bool f);
  QString startText() const;
  QString endText() const;
  QString spentText() const;
  QString sliceNoText() const;
  // How often the picture was refreshed since the panel was made.
  int pictureUpdates() const { return pictureUpdates_; }
  const CtSaveSetting& imageSetting() const { return saveImg_; }
  const CtSaveSetting& dataSetting() const { return saveData_; }

 signals:
  void askToStartCalc();
  void startCalcAll();
  void calcFinished();
  void startCalcOneByOne();
  void finishedCalcOne();
  void dRUpdated(double rx0, double rz0, double rx1, double rz1);
  void cRUpdated(double rx0, double rz0, double rx1, double rz1);

 public slots:
  void startCt();
  void stopCt();
  void endCt();
  void calcAll();
  void calcOne(int iz);
  void noticedNewPos(double x, double z);
  void noticedNewS(QRectF s);
  void setCRegion();
  void calcCt();
  void genResImage();
  void setDR(double rx0, double rz0, double rx1, double rz1);
  void setCR(double rx0, double rz0, double rx1, double rz1);
  void setFixColorScale(bool f);
  void setCBarMinMaxForced(double min, double max);
  void setSaveImage(bool f, QString path, QString name, QString tag);
  void setSaveData(bool f, QString path, QString name, QString tag);

 private:
  void finishTimes();
  void crEdited();

  std::unique_ptr<Ui::CtCalc> ui_;
  QPointer<Sinogram> sino_;
  const CtRunParams* params_ = nullptr;
  // The sinogram reconstructed: the Sinogram page's, or with outlier or
  // ring removal on a copy of its own (the page keeps showing the data).
  const HSgm& sinogram() const;
  HSgm own_;
  bool ownSinogram_ = false;
  FbpWorkspace ws_;
  int n_ = 0;
  int m_ = 0;
  QImage picture_;
  QDateTime start_, end_;
  bool running_ = false;
  bool regionSet_ = false;
  int pictureUpdates_ = 0;
  // Kept like every calculator's; results are saved by the workers.
  CtSaveSetting saveImg_, saveData_;
  CtRegionFields dr_, cr_;
  CtProgress* progress_;
  QThread progressThread_;
};
