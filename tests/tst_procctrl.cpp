// Processing-control panel: change signals, recording CoR values, the thread
// limit, parsing of the fields and the run
// parameters filled from it.
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "Joined.h"
#include "ct/CtRunParams.h"
#include "ct/ProcCtrl.h"

class TestProcCtrl : public QObject {
  Q_OBJECT

  template <typename T>
  static T* child(ProcCtrl& p, const char* name) {
    T* w = p.findChild<T*>(name);
    if (!w) qFatal("missing child %s", name);
    return w;
  }

  static void typeInto(QLineEdit* e, const QString& text) {
    e->setText(text);
    emit e->editingFinished();
  }

 private slots:
  void setCorSameValueEmitsNothing() {
    ProcCtrl p;
    QSignalSpy spy(&p, &ProcCtrl::corUpdated);
    p.setCor(1000);
    QCOMPARE(spy.count(), 0);
    p.setCor(1023.5);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(child<QLineEdit>(p, "Cor")->text(), QString("1023.5"));
    typeInto(child<QLineEdit>(p, "Cor"), "abc");  // unparsable reads as 0, which differs
    QCOMPARE(spy.count(), 2);
    QCOMPARE(p.cor(), 0.0);
  }

  void recordingAndInterpolation() {
    ProcCtrl p;
    p.setSliceNo(100);
    p.setCor(1023.5);
    p.recordCoR();
    p.setSliceNo(900);
    p.setCor(1025);
    p.recordCoR();
    QCOMPARE(child<QLineEdit>(p, "RecordedCoR1")->text(), QString("1025 at 900"));
    QCOMPARE(child<QLineEdit>(p, "RecordedCoR2")->text(), QString("1023.5 at 100"));

    child<QPushButton>(p, "ClearRecCoR")->click();
    QVERIFY(child<QLineEdit>(p, "RecordedCoR1")->text().isEmpty());
    QCOMPARE(p.corSlice1(), -1);
  }

  // Every integer field reads a number with blanks around it, and 0 for
  // letters or a number beyond int.
  void getterParsing() {
    ProcCtrl p;
    for (auto [text, expected] : {std::pair{"42", 42}, {" 5 ", 5}, {"12a", 0}, {"3000000000", 0}}) {
      for (const char* name :
           {"SliceFrom", "SliceTo", "SliceStep", "DataSetUsingImages", "DataSetStartImageNo"})
        child<QLineEdit>(p, name)->setText(text);
      QCOMPARE(joined(p.sliceFrom(), p.sliceTo(), p.sliceStep(), p.dataSetUsingImages(),
                      p.dataSetStartImageNo()),
               joined(expected, expected, expected, expected, expected));
    }
  }

  void threadLimit() {
    ProcCtrl p;
    p.setThreadLimit(16);
    QCOMPARE(child<QSpinBox>(p, "MaxThreads")->maximum(), 16);
    QCOMPARE(p.maxThreads(), 12);  // trunc(0.8 * 16)
    p.setThreadLimit(8);
    QCOMPARE(p.maxThreads(), 6);
    p.setThreadLimit(1);  // trunc(0.8) would leave no worker at all
    QCOMPARE(p.maxThreads(), 1);
  }

  void runParams() {
    ProcCtrl p;
    p.setSliceFrom(2047);
    p.setSliceTo(0);
    p.setSliceStep(4);
    p.setDataSetImages(900);
    p.setThreadLimit(2);
    CtRunParams r;
    p.fillRunParams(r, false, true);
    // step (descending range), images, start, threads, workers, single
    QCOMPARE(joined(r.sliceStep, r.usingImages, r.startImageNo, r.threads, r.workersOn, r.singleOn),
             "-4 900 0 1 1 0");

    p.setSliceStep(-3);  // the magnitude counts
    p.setSliceFrom(0);
    p.setSliceTo(10);
    p.setUsePartialDataSet(true);
    p.setDataSetUsingImages(90);
    p.setDataSetStartImageNo(5);
    p.fillRunParams(r, true, false);
    QCOMPARE(r.sliceStep, 3);
    QCOMPARE(r.usingImages, 90);
    // A step that reads as 0 would reconstruct the first slice for ever.
    for (const char* zero : {"0", "2.5"}) {
      child<QLineEdit>(p, "SliceStep")->setText(zero);
      p.fillRunParams(r, true, false);
      QCOMPARE(r.sliceStep, 1);
    }
    QCOMPARE(r.startImageNo, 5);
  }
};

QTEST_MAIN(TestProcCtrl)
#include "tst_procctrl.moc"
