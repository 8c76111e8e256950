#include <QMouseEvent>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "base/GreyMap.h"
#include "widgets/ChCoord.h"
#include "widgets/MouseC.h"

namespace {
void press(MouseC& m, QPoint p, Qt::MouseButton b, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), QPointF(p), b, b, mods);
  m.recordPress(&e);
}
void release(MouseC& m, QPoint p, Qt::MouseButton b) {
  QMouseEvent e(QEvent::MouseButtonRelease, QPointF(p), QPointF(p), b, Qt::NoButton, {});
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
  void wheelZoomOncePerEvent_data() {
    QTest::addColumn<int>("delta");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    // clang-format off
    // About c = 50: (0 - 50) / 1.1 + 50 = 4.54545..., (100 - 50) / 1.1 + 50 = 95.4545...
    QTest::newRow("three notches") << 360 << 4.545454545454545 << 95.45454545454545;
    // Out: (0 - 50) * 1.1 + 50 = -5, (100 - 50) * 1.1 + 50 = 105.
    QTest::newRow("two notches out") << -240 << -5.0 << 105.0;
    // clang-format on
  }

  void wheelZoomOncePerEvent() {
    QFETCH(int, delta);
    QFETCH(double, first);
    QFETCH(double, second);
    Surface s;
    QSignalSpy upd(&s.coord, &ChCoord::updated);
    QMouseEvent m(QEvent::MouseMove, QPointF(50, 50), QPointF(50, 50), Qt::NoButton, {}, {});
    s.mouse.recordMove(&m);
    QWheelEvent e(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, delta), Qt::NoButton, {},
                  Qt::NoScrollPhase, false);
    s.mouse.recordWheel(&e);
    QCOMPARE(upd.count(), 1);
    QCOMPARE(s.coord.dataX().first, first);
    QCOMPARE(s.coord.dataX().second, second);
    QCOMPARE(s.coord.dataY().first, first);
    QCOMPARE(s.coord.keptX().second, second);
  }

  void rightClickKeepsRange() {
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

  void degenerateRanges() {
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

  void greyIndex_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("v");
    QTest::addColumn<int>("index");
    // clang-format off
    QTest::newRow("at max is 255 not 256") << 10.0 << 20.0 << 0.0 << 1.0 << 20.0 << 255;
    QTest::newRow("middle") << 10.0 << 20.0 << 0.0 << 1.0 << 15.0 << 128;  // 0.5 * 256
    QTest::newRow("equal min and max") << 7.0 << 7.0 << 0.0 << 1.0 << 7.0 << 0;
    // Inverted marks: t = 0.75 -> (0.75 - 1) * 256 / -1 = 64
    QTest::newRow("inverted 0.75") << 0.0 << 1.0 << 1.0 << 0.0 << 0.75 << 64;
    QTest::newRow("nan") << 0.0 << 1.0 << 0.0 << 1.0 << std::nan("") << 0;
    // clang-format on
  }

  void greyIndex() {
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
};

QTEST_MAIN(TestMouseCoord)
#include "tst_mousecoord.moc"
