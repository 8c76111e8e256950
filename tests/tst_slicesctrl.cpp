// The slice-set control panel: the value window kept in step both ways, the
// opacity clamp, and loading on the panel's own thread.

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "tst_view3d_fixture.h"
#include "view3d/SlicesCtrl.h"

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
  void windowInStep_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("expected");
    // Range 0 .. 2: a percentage p gives the value 2 p / 100 and back.
    // clang-format off
  QTest::newRow("high value 1.9") << "maxTh_" << "1.9" << "maxThPC_" << "95";
  // 6 significant digits: 1/3 of the range is 33.3333 %.
  QTest::newRow("six digits") << "minTh_" << "0.666666666" << "minThPC_" << "33.3333";
  // The opacity is clamped to 0 .. 255.
  QTest::newRow("opacity above 255") << "alpha_" << "300" << "alpha_" << "255";
  QTest::newRow("opacity below 0") << "alpha_" << "-5" << "alpha_" << "0";
    // clang-format on
  }

  void windowInStep() {
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
    QSignalSpy paint(&c, &SlicesCtrl::paintPImg);
    typeInto(child<QLineEdit>(c, qPrintable(field)), typed);
    QCOMPARE(child<QLineEdit>(c, qPrintable(other))->text(), expected);
    if (field == "alpha_") QCOMPARE(c.style().opacity, expected.toInt());
    QCOMPARE(paint.count(), 1);
  }

  void zeroRangeGivesFinitePercentages() {
    // Before any load the range is 0 .. 0.
    SlicesCtrl c;
    c.setMinTh(5);
    c.setMaxTh(-3);
    QCOMPARE(c.minThPC(), 0.0);
    QCOMPARE(c.maxThPC(), 0.0);
    QVERIFY(!child<QLineEdit>(c, "minThPC_")->text().contains("nan", Qt::CaseInsensitive));
    QVERIFY(!child<QLineEdit>(c, "maxThPC_")->text().contains("inf", Qt::CaseInsensitive));
  }

  // A load fills the names and the range and sets the window by the percentages;
  // a second load started while a first one runs wins, and a renderer holding
  // the old series keeps it whole meanwhile.
  void loadAndReload() {
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
    QCOMPARE(child<QComboBox>(c, "nameList_")->itemText(2), files[2]);
    QCOMPARE(c.rMin(), -1.0);
    QCOMPARE(c.rMax(), 28.0);
    // The window follows the percentages: -1 + 29 / 4 and -1 + 29 / 2.
    QCOMPARE(c.minTh(), 6.25);
    QCOMPARE(c.maxTh(), 13.5);

    const auto held = c.datas()->series();
    c.loadFiles(
        writeXyvSeries(dir, "big", 120, 120, 12, [](int x, int y, int k) { return x + y + k; }));
    QVERIFY(c.isBusy());
    QVERIFY(!c.hasSlices());  // nothing may be drawn while a load runs
    QVERIFY(loadAndWait(c, writeXyvSeries(dir, "small", 4, 4, 2,
                                          [](int x, int y, int k) { return 100 + x * y + k; })));
    QCOMPARE(child<QComboBox>(c, "nameList_")->count(), 2);
    QCOMPARE(c.rMin(), 100.0);
    QCOMPARE(c.rMax(), 110.0);  // 100 + 3 * 3 + 1
    QCOMPARE(c.datas()->series()->width, 4);
    QCOMPARE(held->slices.size(), size_t(3));
    QCOMPARE(held->slices[1].value(3, 2), 14.0);  // -1 + 3 + 2 + 10
  }
};

QTEST_MAIN(TestSlicesCtrl)
#include "tst_slicesctrl.moc"
