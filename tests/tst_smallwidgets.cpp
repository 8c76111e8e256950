// Small widgets: the slice gallery's order, the file selector's folder making,
// and which log lines the log page counts as warnings.
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "base/MessageLog.h"
#include "widgets/CtDisp.h"
#include "widgets/ImgDisp.h"
#include "widgets/SeekCtrl.h"

namespace {
QImage grey(int value) {
  QImage img(16, 16, QImage::Format_Grayscale8);
  img.fill(value);
  return img;
}
}  // namespace

class TestSmallWidgets : public QObject {
  Q_OBJECT
 private slots:
  // Entries sorted by number, equal numbers in arrival order, the last one
  // added shown; indices outside the list are ignored.
  void galleryOrder() {
    CtDisp g;
    const int nos[] = {5, 3, 7, 3}, greys[] = {50, 31, 70, 32};
    for (int i = 0; i < 4; ++i) g.addImg(nos[i], grey(greys[i]));
    QString order;
    for (int i = 0; i < g.count(); ++i)
      order += QString("%1:%2 ").arg(g.numberAt(i)).arg(qGray(g.getQImages()[i].pixel(0, 0)));
    QCOMPARE(order, QString("3:31 3:32 5:50 7:70 "));
    QCOMPARE(g.shownIndex(), 3);
    QCOMPARE(qGray(g.display()->image().pixel(0, 0)), 70);
    QCOMPARE(g.seeker()->maximum(), 3);
    g.showImg(5);
    g.showImg(-1);
    QCOMPARE(g.shownIndex(), 3);
    g.seeker()->setValue(1);  // moving the seek control shows the entry
    QCOMPARE(qGray(g.display()->image().pixel(0, 0)), 32);
  }

  // The log page highlights the program's failure lines, which are mostly
  // plain debug lines, and leaves progress lines alone (a refused file
  // through the window: tst_window).
  void logWarnings_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("warning");
    QTest::newRow("run refused") << int(QtDebugMsg)
                                 << "CT calculation not started : no projection images are loaded"
                                 << true;
    QTest::newRow("Qt warning") << int(QtWarningMsg) << "Picture size 0 x 9 clamped to 1 x 9"
                                << true;
    QTest::newRow("loading") << int(QtDebugMsg) << "data file selected" << false;
  }
  void logWarnings() {
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(bool, warning);
    QCOMPARE(MessageLog::isWarning(QtMsgType(type), text), warning);
  }
};

QTEST_MAIN(TestSmallWidgets)
#include "tst_smallwidgets.moc"
