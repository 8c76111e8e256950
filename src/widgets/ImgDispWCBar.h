#pragma once

#include "widgets/ColorBar.h"
#include "widgets/ImgDisp.h"

class QGridLayout;

// An image display with a colour bar (object name "CBar") at its right and the
// bar's controls below.
class ImgDispWCBar : public ImgDisp {
  Q_OBJECT
 public:
  explicit ImgDispWCBar(QWidget* parent = nullptr);

  ColorBar* colorBar() const { return cBar_; }
  // The grid below the display; column 1 holds the bar's controls.
  QGridLayout* bottomGrid() const { return bottom_; }

 signals:
  void newBar();

 private:
  ColorBar* cBar_;
  QGridLayout* bottom_;
};
