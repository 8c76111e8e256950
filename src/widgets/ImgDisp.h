#pragma once

#include <QImage>
#include <QRectF>

#include "widgets/DispAWLayout.h"

// Shows a chosen rectangle (the view) of an image stretched over its surface;
// wheel zoom about the mouse, picture drag with the left button, a selection
// rectangle with Shift and the left button (cleared with Shift and the right
// button), point clicks, the image position under the mouse, and saving of
// the visible part at the image's own resolution. The owner fills image() and
// calls newImage(); the view is fitted to the whole image when it is first set and
// whenever the image's size changes, and kept for further images of that size.
class ImgDisp : public DispAWLayout {
  Q_OBJECT
 public:
  explicit ImgDisp(QWidget* parent = nullptr);

  QImage& image() { return image_; }
  const QImage& image() const { return image_; }
  QRectF view() const { return view_; }
  bool viewSet() const { return viewSet_; }
  // Sets the view rectangle (image coordinates) and repaints.
  void setView(const QRectF& v);
  QRectF selection() const { return selection_; }
  bool selecting() const { return selecting_; }
  bool hasSelection() const { return hasSelection_; }
  void setHasSelection(bool f) { hasSelection_ = f; }

  bool mouseOn = true;
  bool wheelOn = true;
  // Left-button drags move the picture; an owner that uses the drag for
  // something else (the sinogram's CoR) turns this off.
  bool dragOn = true;

  // The mouse record of the display surface and the image position under a
  // surface position, for owners that act on the mouse themselves.
  const MouseC* mouseState() const { return mouse; }
  QPointF imagePosAt(double sx, double sy) {
    setMappingFromView();
    return imagePos(sx, sy);
  }

 signals:
  void newPos(int ix, int iy);
  void newS(QRectF s);
  void selectedAPoint(double x, double y, MouseC::MStat s);

 public slots:
  void onWheelMoved();
  void onMouseMoved();
  void onMousePressed();
  void onMouseReleased();
  void draw(QPainter* p);
  void newImage();
  void resetScale();
  bool saveImage(QString fname);

 protected:
  // Image position under a surface position, with the mapping set from the view.
  QPointF imagePos(double sx, double sy) const;
  void setMappingFromView();

  DispB* display;
  MouseC* mouse;
  ChCoord* mapping;

 private:
  bool viewSet_ = false;
  QSize fittedSize_;  // size of the image the view was last fitted to
  QRectF view_;
  QImage image_;
  bool selecting_ = false;
  bool hasSelection_ = false;
  QRectF selection_;
};
