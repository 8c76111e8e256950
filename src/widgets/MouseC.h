#pragma once

#include <QObject>

class QMouseEvent;
class QWheelEvent;
class QEnterEvent;

// The mouse record of a drawing surface: where the mouse is, where it was
// pressed, released and double-clicked, with which button and modifier keys,
// and whether it is inside the widget. The widget hands its raw events over;
// the record turns them into its own signals.
class MouseC : public QObject {
  Q_OBJECT
 public:
  // Button-and-modifier binding code made at a press: the left button gives
  // 0..7, the right button 8..15 (none, Shift, Ctrl, Alt, Shift+Ctrl,
  // Shift+Alt, Ctrl+Alt, all three), any other button 16.
  enum MStat {
    L = 0,
    LShift = 1,
    LCtrl = 2,
    LAlt = 3,
    LShiftCtrl = 4,
    LShiftAlt = 5,
    LCtrlAlt = 6,
    LShiftCtrlAlt = 7,
    R = 8,
    RShift = 9,
    RCtrl = 10,
    RAlt = 11,
    RShiftCtrl = 12,
    RShiftAlt = 13,
    RCtrlAlt = 14,
    RShiftCtrlAlt = 15,
    Other = 16
  };
  Q_ENUM(MStat)

  explicit MouseC(QObject* parent = nullptr);

  // The binding code of a button and a set of modifier flags (Qt values).
  static MStat stat(int button, int modifiers);
  // The binding code of the last press.
  MStat pressStat() const { return stat(pressButton, pressModifiers); }

  void recordMove(QMouseEvent* e);
  void recordPress(QMouseEvent* e);
  void recordRelease(QMouseEvent* e);
  void recordDoubleClick(QMouseEvent* e);
  void recordWheel(QWheelEvent* e);
  void recordEnter(QEnterEvent* e);
  void recordLeave();

  // The record itself; widget coordinates, x to the right and y downwards.
  int prevX = 0, prevY = 0;
  int x = 0, y = 0;
  int pressX = 0, pressY = 0;
  int releaseX = 0, releaseY = 0;
  int dClickX = 0, dClickY = 0;
  bool pressed = false;
  bool pressedLeft = false, pressedRight = false;
  bool pressShift = false, pressCtrl = false, pressAlt = false;
  bool moveShift = false, moveCtrl = false, moveAlt = false;
  int lastButton = 0, pressButton = 0, releaseButton = 0, dClickButton = 0;
  int lastModifiers = 0, pressModifiers = 0, releaseModifiers = 0, dClickModifiers = 0;
  bool inside = false;

 signals:
  void mMoved();
  void mPressed();
  void mReleased();
  void mDClicked();
  void wMoved(int step);
  void mEntered();
  void mLeaved();
  void mEnterLeave(bool f);
};
