#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

#include "base/GreyMap.h"
#include "widgets/ChCoord.h"
#include "widgets/MouseC.h"

namespace {
QMouseEvent mouseEvent(QEvent::Type t, QPoint p, Qt::MouseButton b = Qt::NoButton,
                       Qt::KeyboardModifiers m = Qt::NoModifier) {
  const Qt::MouseButtons held =
      t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b);
  return QMouseEvent(t, QPointF(p), QPointF(p), b, held, m);
}

QWheelEvent wheelEvent(QPoint p, int deltaY) {
  return QWheelEvent(QPointF(p), QPointF(p), QPoint(), QPoint(0, deltaY), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
}

void press(MouseC& m, QPoint p, Qt::MouseButton b, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  auto e = mouseEvent(QEvent::MouseButtonPress, p, b, mods);
  m.recordPress(&e);
}
void move(MouseC& m, QPoint p, Qt::MouseButton held = Qt::NoButton) {
  QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(p), Qt::NoButton, held, Qt::NoModifier);
  m.recordMove(&e);
}
void release(MouseC& m, QPoint p, Qt::MouseButton b) {
  auto e = mouseEvent(QEvent::MouseButtonRelease, p, b);
  m.recordRelease(&e);
}

// A 100 x 100 surface oriented like DispA (y grows upwards) showing 0..100 on
// both axes, so screen x equals data x and data y = 100 - screen y.
struct Surface {
  MouseC mouse;
  ChCoord coord;
  Surface() {
    coord.setScreenArea(0, 100, 100, 0);
    coord.setDataRange(0, 0, 100, 100);
    coord.attachMouse(&mouse);
  }
};
}  // namespace

class TestMouseCoord : public QObject {
  Q_OBJECT
 private slots:
  void wheelSteps_data();
  void wheelSteps();
  void wheelZoomOncePerEvent_data();
  void wheelZoomOncePerEvent();
  void wheelZoomByZone_data();
  void wheelZoomByZone();
  void rightDragZoom_data();
  void rightDragZoom();
  void rightClickKeepsRange();
  void panLeavesKeptRange();
  void ticks_data();
  void ticks();
  void degenerateRanges();
  void greyIndex_data();
  void greyIndex();
};

void TestMouseCoord::wheelSteps_data() {
  QTest::addColumn<int>("delta");
  QTest::addColumn<int>("step");
  QTest::newRow("three notches") << 360 << 3;
  QTest::newRow("below a notch up") << 60 << 0;
  QTest::newRow("two notches down") << -240 << -2;
}

void TestMouseCoord::wheelSteps() {
  QFETCH(int, delta);
  QFETCH(int, step);
  MouseC m;
  QSignalSpy spy(&m, &MouseC::wMoved);
  auto e = wheelEvent({1, 1}, delta);
  m.recordWheel(&e);
  QCOMPARE(spy.count(), 1);
  QCOMPARE(spy.at(0).at(0).toInt(), step);
}

void TestMouseCoord::wheelZoomOncePerEvent_data() {
  QTest::addColumn<int>("delta");
  QTest::addColumn<double>("first");
  QTest::addColumn<double>("second");
  // About c = 50: (0 - 50) / 1.1 + 50 = 4.54545..., (100 - 50) / 1.1 + 50 = 95.4545...
  QTest::newRow("three notches") << 360 << 4.545454545454545 << 95.45454545454545;
  QTest::newRow("below a notch zooms in") << 30 << 4.545454545454545 << 95.45454545454545;
  // Out: (0 - 50) * 1.1 + 50 = -5, (100 - 50) * 1.1 + 50 = 105.
  QTest::newRow("two notches out") << -240 << -5.0 << 105.0;
}

void TestMouseCoord::wheelZoomOncePerEvent() {
  QFETCH(int, delta);
  QFETCH(double, first);
  QFETCH(double, second);
  Surface s;
  QSignalSpy upd(&s.coord, &ChCoord::updated);
  move(s.mouse, {50, 50});
  auto e = wheelEvent({50, 50}, delta);
  s.mouse.recordWheel(&e);
  QCOMPARE(upd.count(), 1);
  QCOMPARE(s.coord.dataX().first, first);
  QCOMPARE(s.coord.dataX().second, second);
  QCOMPARE(s.coord.dataY().first, first);
  QCOMPARE(s.coord.keptX().second, second);
}

void TestMouseCoord::wheelZoomByZone_data() {
  QTest::addColumn<QPoint>("pos");
  QTest::addColumn<bool>("xZoomed");
  QTest::addColumn<bool>("yZoomed");
  // Inner zones are 10 px wide on a 100 px plotting area.
  QTest::newRow("left zone") << QPoint(5, 50) << false << true;
  QTest::newRow("top zone") << QPoint(50, 5) << true << false;
  QTest::newRow("corner") << QPoint(5, 5) << true << true;
  QTest::newRow("inside") << QPoint(30, 60) << true << true;
}

void TestMouseCoord::wheelZoomByZone() {
  QFETCH(QPoint, pos);
  QFETCH(bool, xZoomed);
  QFETCH(bool, yZoomed);
  Surface s;
  move(s.mouse, pos);
  auto e = wheelEvent(pos, 120);
  s.mouse.recordWheel(&e);
  QCOMPARE(s.coord.dataX().second != 100.0, xZoomed);
  QCOMPARE(s.coord.dataY().second != 100.0, yZoomed);
  // The data point under the mouse stays put.
  QCOMPARE(s.coord.dataToScreenX(pos.x()), double(pos.x()));
  QCOMPARE(s.coord.screenToDataY(pos.y()) + 1.0, 100.0 - pos.y() + 1.0);
}

void TestMouseCoord::rightDragZoom_data() {
  QTest::addColumn<QPoint>("from");
  QTest::addColumn<QPoint>("to");
  QTest::addColumn<double>("y0");
  QTest::addColumn<double>("y1");
  // Data y = 100 - screen y. Lower left to upper right: the point with the
  // larger x is (90, 10), data y 90, which becomes the first y value.
  QTest::newRow("lower left to upper right") << QPoint(10, 90) << QPoint(90, 10) << 90.0 << 10.0;
  QTest::newRow("upper left to lower right") << QPoint(10, 10) << QPoint(90, 90) << 10.0 << 90.0;
  QTest::newRow("upper right to lower left") << QPoint(90, 10) << QPoint(10, 90) << 90.0 << 10.0;
}

void TestMouseCoord::rightDragZoom() {
  QFETCH(QPoint, from);
  QFETCH(QPoint, to);
  QFETCH(double, y0);
  QFETCH(double, y1);
  Surface s;
  press(s.mouse, from, Qt::RightButton);
  move(s.mouse, to, Qt::RightButton);
  release(s.mouse, to, Qt::RightButton);
  QCOMPARE(s.coord.dataX().first, 10.0);
  QCOMPARE(s.coord.dataX().second, 90.0);
  QCOMPARE(s.coord.dataY().first, y0);
  QCOMPARE(s.coord.dataY().second, y1);
  QCOMPARE(s.coord.keptY().first, y0);
}

void TestMouseCoord::rightClickKeepsRange() {
  // A right click without a drag must not collapse the range to zero extent.
  Surface s;
  QSignalSpy upd(&s.coord, &ChCoord::updated);
  press(s.mouse, {40, 40}, Qt::RightButton);
  release(s.mouse, {40, 40}, Qt::RightButton);
  QCOMPARE(s.coord.dataX().second, 100.0);
  QCOMPARE(s.coord.dataY().second, 100.0);
  QCOMPARE(upd.count(), 2);  // press and release
  // Shift + right drag is not a zoom.
  press(s.mouse, {10, 90}, Qt::RightButton, Qt::ShiftModifier);
  release(s.mouse, {90, 10}, Qt::RightButton);
  QCOMPARE(s.coord.dataX().first, 0.0);
}

void TestMouseCoord::panLeavesKeptRange() {
  Surface s;
  QSignalSpy pos(&s.coord, &ChCoord::nowPos);
  press(s.mouse, {50, 50}, Qt::LeftButton, Qt::ShiftModifier);
  move(s.mouse, {60, 45}, Qt::LeftButton);
  // Moved 10 px right and 5 px up: x range shifts by 50 - 60 = -10; data y
  // at screen 50 is 50, at 45 is 55, so the y range shifts by -5.
  QCOMPARE(s.coord.dataX().first, -10.0);
  QCOMPARE(s.coord.dataX().second, 90.0);
  QCOMPARE(s.coord.dataY().first, -5.0);
  QCOMPARE(s.coord.keptX().first, 0.0);
  QCOMPARE(s.coord.keptY().second, 100.0);
  QCOMPARE(pos.count(), 1);
  QCOMPARE(pos.at(0).at(0).toDouble(), 60.0);  // computed before the shift
  // Without the bound button held a move only reports.
  release(s.mouse, {60, 45}, Qt::LeftButton);
  move(s.mouse, {70, 45});
  QCOMPARE(s.coord.dataX().first, -10.0);
}

void TestMouseCoord::ticks_data() {
  QTest::addColumn<double>("a");
  QTest::addColumn<double>("b");
  QTest::addColumn<double>("step");
  QTest::addColumn<double>("first");
  QTest::addColumn<double>("last");
  // decade 0.1, m = 3 -> 0.05; last floor(7.4) * 0.05
  QTest::newRow("0..0.37") << 0.0 << 0.37 << 0.05 << 0.0 << 0.35;
  QTest::newRow("reversed") << 0.37 << 0.0 << 0.05 << 0.0 << 0.35;
  // span 15: decade 10, m = 1 -> 2; first ceil(-1.5) * 2 = -2
  QTest::newRow("-3..12") << -3.0 << 12.0 << 2.0 << -2.0 << 12.0;
  // span 85: m = 8 -> 20
  QTest::newRow("0..85") << 0.0 << 85.0 << 20.0 << 0.0 << 80.0;
  // span 1000: decade 1000, m = 1 -> 200
  QTest::newRow("0..1000") << 0.0 << 1000.0 << 200.0 << 0.0 << 1000.0;
  QTest::newRow("span 0") << 5.0 << 5.0 << 1.0 << 5.0 << 5.0;
  QTest::newRow("span 0 at 0") << 0.0 << 0.0 << 1.0 << 0.0 << 0.0;
}

void TestMouseCoord::ticks() {
  QFETCH(double, a);
  QFETCH(double, b);
  QFETCH(double, step);
  QFETCH(double, first);
  QFETCH(double, last);
  const ChCoord::Ticks t = ChCoord::ticks(a, b);
  QVERIFY(std::abs(t.step - step) < 1e-12);
  QVERIFY(std::abs(t.first - first) < 1e-12);
  QVERIFY(std::abs(t.last - last) < 1e-12);
}

void TestMouseCoord::degenerateRanges() {
  ChCoord c;
  c.setScreenArea(10, 10, 10, 10);  // zero-extent surface
  c.setDataRange(0, 0, 100, 100);
  QCOMPARE(c.screenToDataX(10), 0.0);
  QVERIFY(std::isfinite(c.screenToDataY(55)));
  c.setScreenArea(0, 100, 100, 0);
  c.setDataRange(3, 3, 3, 3);  // zero-extent data
  QCOMPARE(c.dataToScreenX(3), 0.0);
  QCOMPARE(c.dataToScreenY(7), 100.0);
  QCOMPARE(c.screenToDataX(42), 3.0);
}

void TestMouseCoord::greyIndex_data() {
  QTest::addColumn<double>("min");
  QTest::addColumn<double>("max");
  QTest::addColumn<double>("lower");
  QTest::addColumn<double>("upper");
  QTest::addColumn<double>("v");
  QTest::addColumn<int>("index");
  QTest::newRow("at min") << 10.0 << 20.0 << 0.0 << 1.0 << 10.0 << 0;
  QTest::newRow("at max is 255 not 256") << 10.0 << 20.0 << 0.0 << 1.0 << 20.0 << 255;
  QTest::newRow("middle") << 10.0 << 20.0 << 0.0 << 1.0 << 15.0 << 128;  // 0.5 * 256
  QTest::newRow("equal min and max") << 7.0 << 7.0 << 0.0 << 1.0 << 7.0 << 0;
  // Marks 0.25..0.75: t = 0.5 -> (0.25) * 256 / 0.5 = 128; t = 0.8 -> flat white
  QTest::newRow("sub-range middle") << 0.0 << 1.0 << 0.25 << 0.75 << 0.5 << 128;
  QTest::newRow("sub-range above") << 0.0 << 1.0 << 0.25 << 0.75 << 0.8 << 255;
  // Inverted marks: t = 0 -> (0 - 1) * 256 / -1 = 256 -> 255; t = 0.75 -> 64
  QTest::newRow("inverted bottom white") << 0.0 << 1.0 << 1.0 << 0.0 << 0.0 << 255;
  QTest::newRow("inverted 0.75") << 0.0 << 1.0 << 1.0 << 0.0 << 0.75 << 64;
  QTest::newRow("nan") << 0.0 << 1.0 << 0.0 << 1.0 << std::nan("") << 0;
}

void TestMouseCoord::greyIndex() {
  QFETCH(double, min);
  QFETCH(double, max);
  QFETCH(double, lower);
  QFETCH(double, upper);
  QFETCH(double, v);
  QFETCH(int, index);
  GreyMap m;
  m.minValue = min;
  m.maxValue = max;
  m.lowerMark = lower;
  m.upperMark = upper;
  QCOMPARE(m.index(v), index);
}

QTEST_MAIN(TestMouseCoord)
#include "tst_mousecoord.moc"
