#pragma once

#include <QPainter>
#include <QColor>
#include <QFrame>

#include "widgets/ChCoord.h"
#include "widgets/MouseC.h"

// A framed painting surface with an automatic zoom: its MouseC is attached to
// its ChCoord, and every repaint hands the painter to the owner in three
// layers (background, content, overlay).
class DispA : public QFrame {
  Q_OBJECT
 public:
  explicit DispA(QWidget* parent = nullptr);

  ChCoord* coord() { return &coord_; }
  MouseC* mouse() { return &mouse_; }
  QColor background = Qt::white;

 signals:
  void drawImage0(QPainter* p);
  void drawImage1(QPainter* p);
  void drawImage2(QPainter* p);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  ChCoord coord_;
  MouseC mouse_;
};
