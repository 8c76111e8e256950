#pragma once

#include <QPointer>

#include "base/GreyMap.h"
#include "widgets/DispB.h"
#include "widgets/DrawText.h"

namespace Ui {
class ColorBar;
}
class QFrame;

// The grey colour bar: the value range that maps onto the bar, the two marks
// between which the grey ramp runs (dragged with the mouse), and the control
// panel with "Fix", "Min" and "Max". The mapping itself is a GreyMap value
// owned here; renderers use it (or a copy of it on other threads).
class ColorBar : public DispB {
  Q_OBJECT
 public:
  explicit ColorBar(QWidget* parent = nullptr);
  ~ColorBar() override;

  // The control panel; its owner places it in a layout (which reparents it).
  QFrame* controls() const { return controls_; }
  GreyMap& map() { return map_; }
  GreyMap mapCopy() const { return map_; }

  void setMinValue(double v);
  void setMaxValue(double v);
  double minValue() const { return map_.minValue; }
  double maxValue() const { return map_.maxValue; }
  bool isFixed() const;
  int index(double v) const { return map_.index(v); }
  bool dragging() const { return dragging_; }
  bool draggingUpper() const { return dragUpper_; }
  // Writes the map's range into the line edits and repaints (after a renderer
  // has set the range from its data).
  void refreshFromMap();

 signals:
  void newBar();

 public slots:
  void draw1(QPainter* p);
  void onMouseMoved();
  void onMousePressed();
  void onMouseReleased();
  void minVEdited();
  void maxVEdited();
  void setFixColorScale(bool f);

 private:
  QPointer<QFrame> controls_;
  Ui::ColorBar* ui_;
  DrawText textDrawer_;
  GreyMap map_;
  bool dragging_ = false;
  bool dragUpper_ = false;
};
