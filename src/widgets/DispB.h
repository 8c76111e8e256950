#pragma once

#include <QPainter>
#include <QFrame>
#include <QPointF>

#include "widgets/ChCoord.h"
#include "widgets/MouseC.h"

// A framed painting surface without automatic zoom: its ChCoord is a passive
// mapping that the owner sets, and its mouse events come out as signals for
// the owner to act on.
class DispB : public QFrame {
  Q_OBJECT
 public:
  explicit DispB(QWidget* parent = nullptr);

  ChCoord* coord() { return &coord_; }
  MouseC* mouse() { return &mouse_; }
  // The last wheel step in notches (not truncated) and its zoom factor.
  double wheelStep() const { return wheelStep_; }
  double zoomFactor() const { return zoomFactor_; }
  // Where the mouse was at the last wheel event, in widget pixels.
  QPointF wheelPos() const { return wheelPos_; }

 signals:
  void drawImage0(QPainter* p);
  void drawImage1(QPainter* p);
  void drawImage2(QPainter* p);
  void mouseMoved0();
  void mousePressed0();
  void mouseReleased0();
  void mouseDoubleClicked0();
  void wheelMoved0();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  ChCoord coord_;
  MouseC mouse_;
  double wheelStep_ = 0.0;
  double zoomFactor_ = 1.0;
  QPointF wheelPos_;
};
