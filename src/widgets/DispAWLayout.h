#pragma once

#include <QFrame>

#include "widgets/DispB.h"

class QGridLayout;

// A frame holding one DispB (object name "dispB") in a grid layout and passing
// its signals on under the same names.
class DispAWLayout : public QFrame {
  Q_OBJECT
 public:
  explicit DispAWLayout(QWidget* parent = nullptr);

  DispB* dispB() const { return dispB_; }
  QGridLayout* grid() const { return grid_; }

 signals:
  void drawImage0(QPainter* p);
  void drawImage1(QPainter* p);
  void drawImage2(QPainter* p);
  void mouseMoved0();
  void mousePressed0();
  void mouseReleased0();
  void mouseDoubleClicked0();
  void wheelMoved0();

 private:
  QGridLayout* grid_;
  DispB* dispB_;
};
