#include "widgets/DispA.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

DispA::DispA(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setMouseTracking(true);
  coord_.attachMouse(&mouse_);
}

void DispA::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), background);
  // y grows upwards on this surface.
  coord_.setScreenArea(0, height() - 1, width() - 1, 0);
  emit drawImage0(&p);
  emit drawImage1(&p);
  emit drawImage2(&p);
}

void DispA::mouseMoveEvent(QMouseEvent* e) {
  if (e->modifiers() & Qt::AltModifier) return;
  mouse_.recordMove(e);
  update();
}

void DispA::mousePressEvent(QMouseEvent* e) {
  mouse_.recordPress(e);
  update();
}

void DispA::mouseReleaseEvent(QMouseEvent* e) {
  mouse_.recordRelease(e);
  update();
}

void DispA::mouseDoubleClickEvent(QMouseEvent* e) {
  mouse_.recordDoubleClick(e);
  update();
}

void DispA::wheelEvent(QWheelEvent* e) {
  mouse_.recordWheel(e);
  update();
}

void DispA::enterEvent(QEnterEvent* e) {
  mouse_.recordEnter(e);
  update();
}

void DispA::leaveEvent(QEvent*) {
  mouse_.recordLeave();
  update();
}
