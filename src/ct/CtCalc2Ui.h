#pragma once

#include <QFrame>
#include <QPointer>
#include <QRectF>
#include <memory>

#include "ct/CtRegionFields.h"
#include "ct/FbpWorkspace.h"

namespace Ui {
class CtCalc;
}
class CtCalc2;
class ImgDispWPV;

// The panel of one reconstruction worker: its display and calculation
// regions, start, end and spent time, the slice being computed and the
// picture. It only shows what the worker reports and hands the worker copies
// of its region and colour-bar settings.
class CtCalc2Ui : public QFrame {
  Q_OBJECT

 public:
  explicit CtCalc2Ui(QWidget* parent = nullptr);
  ~CtCalc2Ui() override;

  // Links the panel and the worker both ways (the worker may live in another
  // thread; its reports arrive queued).
  void setWorker(CtCalc2* worker);
  CtCalc2* worker() const { return worker_; }
  ImgDispWPV* display() const;
  bool regionSet() const { return regionSet_; }
  FbpRegion calcRegion() const;
  QString startText() const;
  QString endText() const;
  QString spentText() const;
  QString sliceNoText() const;

 signals:
  void dRUpdated(double rx0, double rz0, double rx1, double rz1);
  void cRUpdated(double rx0, double rz0, double rx1, double rz1);

 public slots:
  void noticedNewPos(double x, double z);
  void noticedNewS(QRectF s);
  void setCRegion();
  void showStartTime();
  void showEndTime();
  void showSpentT();
  void showSliceNo(int no);
  void newImage();
  void saveImage(QString fname);
  void setCR(double rx0, double rz0, double rx1, double rz1);
  void setDR(double rx0, double rz0, double rx1, double rz1);
  void setFixColorScale(bool f);
  void setCBarMinMaxForced(double min, double max);

 private:
  void pushRegion();
  void pushMap();
  void takeBarRange(double min, double max);
  void crEdited();

  std::unique_ptr<Ui::CtCalc> ui_;
  QPointer<CtCalc2> worker_;
  CtRegionFields dr_, cr_;
  bool regionSet_ = false;
};
