#pragma once

// The 3D view of stacks of reconstructed slices: any number of slice sets, each
// with its control panel, rendered into an off-screen picture of a chosen size
// (the core renderer does the rays, cut, colours and frames; this widget gathers
// the settings), shown scaled into the drawing surface, turned like a trackball,
// rolled at the edges, moved and zoomed with the mouse, and saved as a raster
// picture or SVG.

#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QVector>
#include <memory>

#include "view3d/Vec3.h"
#include "view3d/VolumeRender.h"

namespace Ui {
class CtView;
}
class QFileDialog;
class QPainter;
class SlicesCtrl;

class CtView : public QFrame {
  Q_OBJECT
 public:
  explicit CtView(QWidget* parent = nullptr);
  ~CtView() override;

  SlicesCtrl* addSliceSet();
  const QVector<SlicesCtrl*>& sliceSets() const { return sets_; }

  const QImage& picture() const { return picture_; }
  double scale() const { return scale_; }
  Vec3 ex() const { return ex_; }
  Vec3 ey() const { return ey_; }
  Vec3 ez() const { return ez_; }
  Vec3 centre() const { return m_; }
  void setOrientation(const Vec3& ex, const Vec3& ey, const Vec3& ez);
  QStringList rasterFormats() const { return rasterFormats_; }
  // The view as the core renderer takes it, at a picture of w x h.
  ViewState viewState(int w, int h) const;
  // Every set's series and settings, as the renderer reads them now.
  std::vector<SliceSetInput> renderInputs() const;
  // Largest number of pixels rendered while the mouse turns or moves the view.
  static constexpr int kWorkingPixels = 256 * 256;

 signals:
  void initNz(Vec3 nz);
  void newNz(Vec3 nzv);

 public slots:
  void updateNvs(Vec3 rax, double th);
  void changedSliderStat();
  void paintPImg();
  void paintPImg0(QPainter& p, int pw, int ph);
  void paintADataSet(QPainter& p, SlicesCtrl* sCtrl, int sw, int sh);
  void paintADataFrame(QPainter& p, SlicesCtrl* sCtrl, QSize ss, bool temae, QColor color);
  void draw(QPainter* p);
  void mousePressedOnDataDisp();
  void mouseMovedOnDataDisp();
  void mouseReleasedOnDataDisp();
  void wheelMovedOnDataDisp(int step);
  void showSaveImageD();
  void saveImage(QString fname);

 private:
  QSize pictureSize() const;
  void render(bool working);
  void mouseAt(int x, int y, double* fx, double* fy) const;

  std::unique_ptr<Ui::CtView> ui_;
  QVector<SlicesCtrl*> sets_;  // owned as children of the sets' frame
  QImage picture_;
  double scale_ = 1.0;
  Vec3 ex_{1, 0, 0}, ey_{0, 1, 0}, ez_{0, 0, 1};
  Vec3 m_;
  int dragMode_ = 2;  // 0 turn, 1 move, 2 none
  int turnKind_ = 0;
  double lastX_ = 0, lastY_ = 0;
  bool nativeDialog_ = false;
  QString startDir_;
  QString lastSaveDir_;
  QStringList rasterFormats_;
  QPointer<QFileDialog> saveDialog_;
  bool linking_ = false;
};
