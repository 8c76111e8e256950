#include "widgets/MouseC.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {
constexpr int kShift = Qt::ShiftModifier;
constexpr int kCtrl = Qt::ControlModifier;
constexpr int kAlt = Qt::AltModifier;
}  // namespace

MouseC::MouseC(QObject* parent) : QObject(parent) {}

MouseC::MStat MouseC::stat(int button, int modifiers) {
  int base;
  if (button == Qt::LeftButton) {
    base = 0;
  } else if (button == Qt::RightButton) {
    base = 8;
  } else {
    return Other;
  }
  const bool s = modifiers & kShift, c = modifiers & kCtrl, a = modifiers & kAlt;
  int combo;
  if (s && c && a) combo = 7;
  else if (c && a) combo = 6;
  else if (s && a) combo = 5;
  else if (s && c) combo = 4;
  else if (a) combo = 3;
  else if (c) combo = 2;
  else if (s) combo = 1;
  else combo = 0;
  return static_cast<MStat>(base + combo);
}

void MouseC::recordMove(QMouseEvent* e) {
  prevX = x;
  prevY = y;
  const QPointF p = e->position();
  x = static_cast<int>(p.x());
  y = static_cast<int>(p.y());
  lastButton = static_cast<int>(e->button());
  lastModifiers = static_cast<int>(e->modifiers());
  moveShift = lastModifiers == kShift;
  moveCtrl = lastModifiers == kCtrl;
  moveAlt = lastModifiers == kAlt;
  emit mMoved();
}

void MouseC::recordPress(QMouseEvent* e) {
  prevX = x;
  prevY = y;
  const QPointF p = e->position();
  x = pressX = static_cast<int>(p.x());
  y = pressY = static_cast<int>(p.y());
  lastButton = pressButton = static_cast<int>(e->button());
  lastModifiers = pressModifiers = static_cast<int>(e->modifiers());
  pressed = true;
  pressedLeft = e->button() == Qt::LeftButton;
  pressedRight = e->button() == Qt::RightButton;
  pressShift = pressModifiers == kShift;
  pressCtrl = pressModifiers == kCtrl;
  pressAlt = pressModifiers == kAlt;
  emit mPressed();
}

void MouseC::recordRelease(QMouseEvent* e) {
  prevX = x;
  prevY = y;
  const QPointF p = e->position();
  x = releaseX = static_cast<int>(p.x());
  y = releaseY = static_cast<int>(p.y());
  pressed = pressedLeft = pressedRight = false;
  lastButton = releaseButton = static_cast<int>(e->button());
  lastModifiers = releaseModifiers = static_cast<int>(e->modifiers());
  emit mReleased();
}

void MouseC::recordDoubleClick(QMouseEvent* e) {
  const QPointF p = e->position();
  dClickX = static_cast<int>(p.x());
  dClickY = static_cast<int>(p.y());
  lastButton = dClickButton = static_cast<int>(e->button());
  lastModifiers = dClickModifiers = static_cast<int>(e->modifiers());
  emit mDClicked();
}

void MouseC::recordWheel(QWheelEvent* e) {
  // One notch of a standard wheel (120 units of 1/8 degree) is one step;
  // fine-grained devices below a notch give 0.
  const int step = static_cast<int>(e->angleDelta().y() * 0.125 / 15.0);
  emit wMoved(step);
}

void MouseC::recordEnter(QEnterEvent*) {
  inside = true;
  emit mEntered();
  emit mEnterLeave(true);
}

void MouseC::recordLeave() {
  inside = false;
  emit mLeaved();
  emit mEnterLeave(false);
}
