#pragma once

// The control panel of one slice set of the 3D view: chooses the slice files and
// loads them on a thread of its own, shows their names, range and histogram, and
// holds what the renderer reads for the set: the value window (as values and as
// percentages of the range, kept in step), colours, opacity, show switches and
// the cross-section plane. Every change that affects the picture emits paintPImg.

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <memory>
#include <optional>

#include "view3d/SliceDatas.h"
#include "view3d/Vec3.h"
#include "view3d/VolumeRender.h"

namespace Ui {
class SlicesCtrl;
}
class QColorDialog;
class QLabel;
class QLineEdit;
class QPainter;

class SlicesCtrl : public QFrame {
  Q_OBJECT
 public:
  explicit SlicesCtrl(const QString& startDir = QString(), QWidget* parent = nullptr);
  ~SlicesCtrl() override;

  void setVColor(const QColor& c);
  void setSColor(const QColor& c);
  void setShowBNo(int n);
  void setAlpha(int a);

  double rMin() const;
  double rMax() const;
  double minTh() const;
  double maxTh() const;
  double minThPC() const;
  double maxThPC() const;
  int alpha() const;  // 0..255
  QColor vColor() const { return vColor_; }
  QColor sColor() const { return sColor_; }
  bool showFrame() const;
  bool showVolume() const;
  bool showCSection() const;
  int cSliderValue() const;
  void setCSliderValue(int v);
  bool csFixDir() const;
  void setCsFixDir(bool f);
  Vec3 nz() const { return nz_; }
  QString dir() const { return dir_; }
  SliceDatas* datas() const { return datas_; }

  // True from a file selection until its series is complete; the series'
  // fields must not be read from this thread meanwhile.
  bool isBusy() const { return busy_; }
  // The set has slices that can be drawn now.
  bool hasSlices() const;
  // The renderer's settings of this set, read from the fields.
  SliceSetStyle style() const;

  // Window setters, each keeping the other form of the same end in step.
  void setMinThPC(double p);
  void setMaxThPC(double p);
  void setMinTh(double v);
  void setMaxTh(double v);

  // Hands the list to the loader thread (what the file dialog does on a choice).
  // A selection made while one is loading is loaded right after it.
  void loadFiles(const QStringList& files);

 signals:
  void changedSliderStat();
  void paintPImg();
  void bClicked();

 public slots:
  void fixupAlpha();
  void updatedMinThPC();
  void updatedMaxThPC();
  void updatedMinTh();
  void updatedMaxTh();
  void showHide(bool f);
  void selectFiles();
  void selectVColor();
  void selectSColor();
  void noticedLoadedNewFile(QString fname);
  void noticedLoadFilesFinished();
  void datasCleared();
  void drawHist(QPainter* p);
  void mousePressedOnDispH();
  void mouseMovedOnDispH();
  void mouseReleasedOnDispH();
  void initNz(Vec3 nz);
  void newNz(Vec3 nz);

 private:
  enum class Mark { None, Low, High };
  void writeField(QLineEdit* e, double v);
  void applyMinPC(double p, bool sync);
  void applyMaxPC(double p, bool sync);
  void applyMinTh(double v, bool sync);
  void applyMaxTh(double v, bool sync);
  void windowChanged();
  void sendToLoader(const QStringList& files);
  double histPercentAt(int x) const;
  static void fillSwatch(QLabel* swatch, const QColor& c);

  std::unique_ptr<Ui::SlicesCtrl> ui_;
  QColor vColor_{0, 127, 127};
  QColor sColor_{127, 0, 0};
  Vec3 nz_;  // (0, 0, 0) until the view tells its axis
  QString dir_;
  Mark dragging_ = Mark::None;
  QThread thread_;
  SliceDatas* datas_ = nullptr;  // lives on thread_, deleted after it stopped
  bool busy_ = false;
  std::optional<QStringList> pending_;
  QImage histImage_;  // copy of the series' histogram taken when its load finished
  QPointer<QColorDialog> colorDialog_;
};
