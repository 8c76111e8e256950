#pragma once

#include <QPainter>
#include <QLabel>

#include "widgets/ChCoord.h"
#include "widgets/MouseC.h"

// A label that lets its owner paint over it (signal draw) and records the
// mouse like the drawing surfaces do.
class ExLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ExLabel(QWidget* parent = nullptr);

  ChCoord* coord() { return &coord_; }
  MouseC* mouse() { return &mouse_; }

 signals:
  void draw(QPainter* p);

 public slots:
  void setText(QString txt);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  ChCoord coord_;
  MouseC mouse_;
};
