#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

#include "widgets/MouseC.h"

// Mapping between widget (screen) coordinates and data coordinates, with an
// inner plotting area. Each range is a (first, second) pair mapped onto the
// matching pair of the other side; pairs need not be ascending, which is how
// the vertical axis is turned over. With a MouseC attached it zooms with the
// wheel, pans with the bound button, zooms to a right-dragged rectangle and
// reports the data position under the mouse.
//
// A range of zero extent (an empty plotting area or data range) never divides
// by zero: conversions then give the first end of the target range.
class ChCoord : public QObject {
  Q_OBJECT
 public:
  struct Range {
    double first = 0.0;
    double second = 1.0;
    double extent() const { return second - first; }
  };

  // Result of a tick-spacing computation for one axis.
  struct Ticks {
    double step = 1.0;
    double first = 0.0;
    double last = 0.0;
  };

  explicit ChCoord(QObject* parent = nullptr);

  void attachMouse(MouseC* mouse);
  MouseC* mouse() const { return mouse_; }

  // Sets the screen area and the plotting area to the same rectangle.
  void setScreenArea(double xFirst, double yFirst, double xSecond, double ySecond);
  void setPlotArea(double xFirst, double yFirst, double xSecond, double ySecond);
  // Plotting area = screen area less the margins (whole pixels).
  void setPlotAreaFromMargins();
  // Sets the data range and the kept copy, and both range-set flags.
  void setDataRange(double xFirst, double yFirst, double xSecond, double ySecond);
  void setXRange(double first, double second);
  void setYRange(double first, double second);

  double dataToScreenX(double x) const { return toScreen(x, dataX_, plotX_); }
  double dataToScreenY(double y) const { return toScreen(y, dataY_, plotY_); }
  double screenToDataX(double sx) const { return toData(sx, dataX_, plotX_); }
  double screenToDataY(double sy) const { return toData(sy, dataY_, plotY_); }
  double screenToDataXClamped(double sx) const { return clampTo(screenToDataX(sx), dataX_); }
  double screenToDataYClamped(double sy) const { return clampTo(screenToDataY(sy), dataY_); }
  double dataLengthToScreenX(double len) const { return scaleLength(len, dataX_, plotX_); }
  double dataLengthToScreenY(double len) const { return scaleLength(len, dataY_, plotY_); }
  double screenLengthToDataX(double len) const { return scaleLength(len, plotX_, dataX_); }
  double screenLengthToDataY(double len) const { return scaleLength(len, plotY_, dataY_); }
  // Screen coordinate measured from the other end of the plotting area.
  double dataToScreenXFromOtherEnd(double x) const {
    return plotX_.first + plotX_.second - dataToScreenX(x);
  }
  double dataToScreenYFromOtherEnd(double y) const {
    return plotY_.first + plotY_.second - dataToScreenY(y);
  }

  bool inOuterEdgeX(double sx) const { return inEdge(sx, screenX_, outerEdge_); }
  bool inOuterEdgeY(double sy) const { return inEdge(sy, screenY_, outerEdge_); }
  bool inInnerEdgeX(double sx) const { return inEdge(sx, plotX_, innerEdge_); }
  bool inInnerEdgeY(double sy) const { return inEdge(sy, plotY_, innerEdge_); }

  // Tick step and first and last tick for the range (a, b) in either order.
  // A span of zero (or not finite) gives step 1 with first = last = min.
  static Ticks ticks(double a, double b);
  Ticks ticksX() const { return ticks(dataX_.first, dataX_.second); }
  Ticks ticksY() const { return ticks(dataY_.first, dataY_.second); }

  const Range& screenX() const { return screenX_; }
  const Range& screenY() const { return screenY_; }
  const Range& plotX() const { return plotX_; }
  const Range& plotY() const { return plotY_; }
  const Range& dataX() const { return dataX_; }
  const Range& dataY() const { return dataY_; }
  const Range& keptX() const { return keptX_; }
  const Range& keptY() const { return keptY_; }
  bool xRangeSet() const { return xSet_; }
  bool yRangeSet() const { return ySet_; }

  int wheelZoomOn = 1;
  MouseC::MStat panBinding = MouseC::LShift;
  double outerEdge_ = 0.1;
  double innerEdge_ = 0.1;
  double marginXFirst = 0.1, marginXSecond = 0.05, marginYSecond = 0.05, marginYFirst = 0.1;
  QVector<double> vLines;

 signals:
  void updated();
  void nowPos(double x, double y);

 public slots:
  void clearScale();
  void mMoved();
  void mPressed();
  void mReleased();
  void mDClicked();
  void wheelMoved(int step);

 private:
  static double toScreen(double v, const Range& data, const Range& plot);
  static double toData(double s, const Range& data, const Range& plot);
  static double clampTo(double v, const Range& r);
  static double scaleLength(double len, const Range& from, const Range& to);
  static bool inEdge(double v, const Range& area, double fraction);

  QPointer<MouseC> mouse_;
  bool xSet_ = false;
  bool ySet_ = false;
  Range screenX_, screenY_;
  Range plotX_, plotY_;
  Range dataX_, dataY_;
  Range keptX_, keptY_;
};
