#include "widgets/ExLabel.h"

#include <QMouseEvent>
#include <QPainter>

ExLabel::ExLabel(QWidget* parent) : QLabel(parent) {}

void ExLabel::setText(QString txt) { QLabel::setText(txt); }

void ExLabel::paintEvent(QPaintEvent* e) {
  QLabel::paintEvent(e);
  QPainter p(this);
  coord_.setScreenArea(0, height(), width(), 0);
  emit draw(&p);
}

void ExLabel::mousePressEvent(QMouseEvent* e) {
  mouse_.recordPress(e);
  update();
  QLabel::mousePressEvent(e);
}

void ExLabel::mouseReleaseEvent(QMouseEvent* e) {
  mouse_.recordRelease(e);
  update();
  QLabel::mouseReleaseEvent(e);
}

void ExLabel::enterEvent(QEnterEvent* e) {
  mouse_.recordEnter(e);
  update();
  QLabel::enterEvent(e);
}

void ExLabel::leaveEvent(QEvent* e) {
  mouse_.recordLeave();
  update();
  QLabel::leaveEvent(e);
}
