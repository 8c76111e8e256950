#include "widgets/DispB.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

DispB::DispB(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setMouseTracking(true);
}

void DispB::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  coord_.setScreenArea(0, height(), width(), 0);
  emit drawImage0(&p);
  emit drawImage1(&p);
  emit drawImage2(&p);
}

void DispB::mouseMoveEvent(QMouseEvent* e) {
  if (e->modifiers() & Qt::AltModifier) return;
  mouse_.recordMove(e);
  emit mouseMoved0();
  update();
}

void DispB::mousePressEvent(QMouseEvent* e) {
  mouse_.recordPress(e);
  emit mousePressed0();
}

void DispB::mouseReleaseEvent(QMouseEvent* e) {
  mouse_.recordRelease(e);
  emit mouseReleased0();
}

void DispB::mouseDoubleClickEvent(QMouseEvent* e) {
  mouse_.recordDoubleClick(e);
  emit mouseDoubleClicked0();
}

void DispB::wheelEvent(QWheelEvent* e) {
  wheelStep_ = e->angleDelta().y() * 0.125 / 15.0;
  zoomFactor_ = wheelStep_ >= 0.0 ? 1.0 / 1.1 : 1.1;
  wheelPos_ = e->position();
  emit wheelMoved0();
}
