// The slice-set control panel: the value window kept in step both ways, the
// opacity clamp, the cross-section normal with "Fix Dir.", the histogram marks
// and their dragging, and loading on the panel's own thread.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "tst_view3d_fixture.h"
#include "view3d/SlicesCtrl.h"
#include "widgets/DispA.h"

using namespace view3dfixture;

namespace {

template <class T>
T* child(SlicesCtrl& c, const char* name) {
  return c.findChild<T*>(QString::fromLatin1(name));
}

// Types text into a field and finishes the edit as the user would.
void typeInto(QLineEdit* e, const QString& text) {
  e->setFocus();
  e->selectAll();
  QTest::keyClicks(e, text);
  QTest::keyClick(e, Qt::Key_Return);
}

// Loads files through the panel and waits until the panel has taken the series in.
// (The panel is busy until the loader's queued notice has reached it.)
bool loadAndWait(SlicesCtrl& c, const QStringList& files) {
  c.loadFiles(files);
  return QTest::qWaitFor([&c] { return !c.isBusy(); }, 30000);
}

// Two 4 x 3 slices with values 0 .. 2 (range 0 to 2).
QStringList rangeZeroToTwo(const QTemporaryDir& dir) {
  return writeXyvSeries(dir, "r", 4, 3, 2, [](int x, int y, int k) {
    return k == 0 ? (x + y) / 5.0 * 2.0 * 0.5 : (x + y) / 5.0 * 2.0;
  });
}

}  // namespace

class TestSlicesCtrl : public QObject {
  Q_OBJECT
 private slots:
  void windowInStep_data();
  void windowInStep();
  void zeroRangeGivesFinitePercentages();
  void fixupAlpha_data();
  void fixupAlpha();
  void fixDirKeepsNormal();
  void histogramDrag_data();
  void histogramDrag();
  void loadingFillsNamesAndRange();
  void reloadWhileLoadingTakesTheNewest();
};

void TestSlicesCtrl::windowInStep_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("other");
  QTest::addColumn<QString>("expected");
  // Range 0 .. 2: a percentage p gives the value 2 p / 100 and back.
  // clang-format off
  QTest::newRow("low 50 %") << "minThPC_" << "50" << "minTh_" << "1";
  QTest::newRow("high value 1.9") << "maxTh_" << "1.9" << "maxThPC_" << "95";
  // 6 significant digits: 1/3 of the range is 33.3333 %.
  QTest::newRow("six digits") << "minTh_" << "0.666666666" << "minThPC_" << "33.3333";
  // clang-format on
}

void TestSlicesCtrl::windowInStep() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(QString, other);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  SlicesCtrl c;
  c.resize(360, 360);
  c.show();
  QVERIFY(QTest::qWaitForWindowExposed(&c));
  QVERIFY(loadAndWait(c, rangeZeroToTwo(dir)));
  QCOMPARE(c.rMin(), 0.0);
  QCOMPARE(c.rMax(), 2.0);

  QSignalSpy paint(&c, &SlicesCtrl::paintPImg);
  typeInto(child<QLineEdit>(c, qPrintable(field)), typed);
  QLineEdit* o = child<QLineEdit>(c, qPrintable(other));
  QCOMPARE(o->text(), expected);
  QCOMPARE(o->cursorPosition(), 0);
  QCOMPARE(child<QLineEdit>(c, qPrintable(field))->cursorPosition(), 0);
  QCOMPARE(paint.count(), 1);
}

void TestSlicesCtrl::zeroRangeGivesFinitePercentages() {
  // Before any load the range is 0 .. 0.
  SlicesCtrl c;
  c.setMinTh(5);
  c.setMaxTh(-3);
  QCOMPARE(c.minThPC(), 0.0);
  QCOMPARE(c.maxThPC(), 0.0);
  QVERIFY(!child<QLineEdit>(c, "minThPC_")->text().contains("nan", Qt::CaseInsensitive));
  QVERIFY(!child<QLineEdit>(c, "maxThPC_")->text().contains("inf", Qt::CaseInsensitive));
}

void TestSlicesCtrl::fixupAlpha_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<int>("alpha");
  // clang-format off
  QTest::newRow("above 255") << "300" << "255" << 255;
  QTest::newRow("below 0") << "-5" << "0" << 0;
  // clang-format on
}

void TestSlicesCtrl::fixupAlpha() {
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  QFETCH(int, alpha);
  SlicesCtrl c;
  c.show();
  QVERIFY(QTest::qWaitForWindowExposed(&c));
  QSignalSpy paint(&c, &SlicesCtrl::paintPImg);
  typeInto(child<QLineEdit>(c, "alpha_"), typed);
  QCOMPARE(child<QLineEdit>(c, "alpha_")->text(), shown);
  QCOMPARE(c.alpha(), alpha);
  QCOMPARE(c.style().opacity, alpha);
  QCOMPARE(paint.count(), 1);
}

void TestSlicesCtrl::fixDirKeepsNormal() {
  SlicesCtrl c;
  QSignalSpy slider(&c, &SlicesCtrl::changedSliderStat);
  c.initNz(Vec3(0, 0, 1));
  c.newNz(Vec3(0, 1, 0));
  QCOMPARE(c.nz(), Vec3(0, 1, 0));
  child<QCheckBox>(c, "csFixDir_")->setChecked(true);
  QCOMPARE(slider.count(), 1);
  c.newNz(Vec3(1, 0, 0));
  QCOMPARE(c.nz(), Vec3(0, 1, 0));
  QCOMPARE(c.style().sectionNormal, Vec3(0, 1, 0));
  // initNz sets the normal whatever the box says.
  c.initNz(Vec3(0, 0, -1));
  QCOMPARE(c.nz(), Vec3(0, 0, -1));
  child<QSlider>(c, "cSlider_")->setValue(40);
  QCOMPARE(slider.count(), 2);
  QCOMPARE(c.style().slider, 40);
}

void TestSlicesCtrl::histogramDrag_data() {
  QTest::addColumn<double>("lowPC");
  QTest::addColumn<double>("highPC");
  QTest::addColumn<double>("pressPC");
  QTest::addColumn<bool>("movesHigh");
  QTest::newRow("near low") << 20.0 << 80.0 << 30.0 << false;
  QTest::newRow("near high") << 20.0 << 80.0 << 60.0 << true;
  QTest::newRow("tie takes high") << 50.0 << 50.0 << 10.0 << true;
}

void TestSlicesCtrl::histogramDrag() {
  QFETCH(double, lowPC);
  QFETCH(double, highPC);
  QFETCH(double, pressPC);
  QFETCH(bool, movesHigh);
  QTemporaryDir dir;
  SlicesCtrl c;
  c.resize(360, 360);
  c.show();
  QVERIFY(QTest::qWaitForWindowExposed(&c));
  QVERIFY(loadAndWait(c, rangeZeroToTwo(dir)));
  c.setMinThPC(lowPC);
  c.setMaxThPC(highPC);
  DispA* h = child<DispA>(c, "dispH_");
  const int w = h->width(), y = h->height() / 2;
  auto xAt = [w](double pc) { return int(std::lround(pc * w / 101.0)); };
  QSignalSpy paint(&c, &SlicesCtrl::paintPImg);
  QTest::mousePress(h, Qt::LeftButton, Qt::NoModifier, QPoint(xAt(pressPC), y));
  const int toX = xAt(45);
  QMouseEvent move(QEvent::MouseMove, QPointF(toX, y), h->mapToGlobal(QPointF(toX, y)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(h, &move);
  QTest::mouseRelease(h, Qt::LeftButton, Qt::NoModifier, QPoint(toX, y));
  // The mark taken lands at 45 % (within a pixel); the other stays.
  const double moved = movesHigh ? c.maxThPC() : c.minThPC();
  QVERIFY2(std::abs(moved - 45) < 101.0 / w, qPrintable(QString::number(moved)));
  QCOMPARE(movesHigh ? c.minThPC() : c.maxThPC(), movesHigh ? lowPC : highPC);
  QVERIFY(paint.count() >= 1);
  // After the release, moving does nothing.
  const double low = c.minThPC(), high = c.maxThPC();
  QMouseEvent after(QEvent::MouseMove, QPointF(xAt(90), y), h->mapToGlobal(QPointF(xAt(90), y)),
                    Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(h, &after);
  QCOMPARE(c.minThPC(), low);
  QCOMPARE(c.maxThPC(), high);
}

void TestSlicesCtrl::loadingFillsNamesAndRange() {
  QTemporaryDir dir;
  QStringList files = writeXyvSeries(dir, "a", 6, 5, 3, [](int x, int y, int k) {
    return -1.0 + x + y + 10 * k;  // -1 .. 28 over the series
  });
  SlicesCtrl c;
  c.setMinThPC(25);
  c.setMaxThPC(50);
  QSignalSpy paint(&c, &SlicesCtrl::paintPImg);
  QVERIFY(loadAndWait(c, files));
  QVERIFY(paint.count() >= 1);
  auto* names = child<QComboBox>(c, "nameList_");
  QCOMPARE(names->count(), 3);
  QCOMPARE(names->itemText(2), files[2]);
  QCOMPARE(c.rMin(), -1.0);
  QCOMPARE(c.rMax(), 28.0);
  // The window follows the percentages: -1 + 29 / 4 and -1 + 29 / 2.
  QCOMPARE(c.minTh(), 6.25);
  QCOMPARE(c.maxTh(), 13.5);
  QVERIFY(c.hasSlices());
  QCOMPARE(c.datas()->series()->slices.size(), size_t(3));
}

void TestSlicesCtrl::reloadWhileLoadingTakesTheNewest() {
  QTemporaryDir dir;
  const QStringList first =
      writeXyvSeries(dir, "big", 120, 120, 12, [](int x, int y, int k) { return x + y + k; });
  const QStringList second =
      writeXyvSeries(dir, "small", 4, 4, 2, [](int x, int y, int k) { return 100 + x * y + k; });
  SlicesCtrl c;
  QVERIFY(loadAndWait(c, rangeZeroToTwo(dir)));
  // A renderer holding the old series keeps a whole one while the reloads run.
  const auto held = c.datas()->series();
  c.loadFiles(first);
  QVERIFY(c.isBusy());
  QVERIFY(!c.hasSlices());  // nothing may be drawn while a load runs
  QVERIFY(loadAndWait(c, second));
  auto* names = child<QComboBox>(c, "nameList_");
  QCOMPARE(names->count(), 2);
  QCOMPARE(names->itemText(0), second[0]);
  QCOMPARE(c.rMin(), 100.0);
  QCOMPARE(c.rMax(), 110.0);  // 100 + 3 * 3 + 1
  QCOMPARE(c.datas()->series()->width, 4);
  QCOMPARE(held->slices.size(), size_t(2));
  QCOMPARE(held->width, 4);
  QCOMPARE(held->slices[1].value(3, 2), 2.0);
}

QTEST_MAIN(TestSlicesCtrl)
#include "tst_slicesctrl.moc"
