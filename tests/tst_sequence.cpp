// Energy-scanned series in the main window: an empty data set skipped, the
// start button ending a sequence, and a batch taking a data set by number.
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "PhantomSet.h"
#include "app/Body.h"
#include "automation/Batch.h"
#include "automation/XafsBatch.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataDir.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"

namespace {
void exec(Body& body, const QString& line) {
  QVERIFY(QMetaObject::invokeMethod(&body, "batchExCmd", Qt::DirectConnection,
                                    Q_ARG(BatchCmd, BatchCmd(line))));
}

// Writes one small phantom data set per energy folder of root/scan and its
// I0 image as root/i0/i0-<energy>-0001.img.
bool writeScan(const QString& root, const QStringList& energies, const QStringList& empty = {}) {
  QDir().mkpath(root + "/i0");
  for (const QString& e : energies) {
    const QString set = root + "/scan/" + e;
    if (!writePhantom(set, 32, 4, 12).isEmpty() ||
        !QFile::copy(set + "/i0.img", root + "/i0/i0-" + e + "-0001.img"))
      return false;
  }
  for (const QString& e : empty) {
    if (!QDir().mkpath(root + "/scan/" + e)) return false;
    QFile f(root + "/scan/" + e + "/notes.txt");  // no projection in this set
    if (!f.open(QIODevice::WriteOnly)) return false;
  }
  return true;
}

// Prepares the window for a sequence over root/scan with reconstruction of
// every row and energy sub-folders, and records the I0 and energy of each
// reconstruction started as "I0 energy".
void prepare(Body& body, const QString& root, QStringList& taken) {
  Ui::Body* u = body.form();
  for (const QString& l :
       {QString("add_inf_Eng_Dirs 1"), QString("seq_exec_file_pattern proj-*.img"),
        QString("seq_exec_dir \"%1/scan\"").arg(root),
        QString("seq_exec_select_i0 \"%1/i0\" *.img").arg(root), QString("calc_ct2 1"),
        QString("ct_rot_ax_is_v 1"), QString("ct_auto_exec 1"), QString("auto_save_data 1"),
        QString("auto_save_data_path \"%1/out\"").arg(root), QString("auto_save_data_name d"),
        QString("auto_save_in_sub_folders 1"), QString("auto_save_in_sub_folders_of_energy 1")})
    exec(body, l);
  QObject::connect(u->CalcStartT, &QLineEdit::textChanged, &body, [u, &taken] {
    taken << QFileInfo(u->I0ImgSel->fileName()).fileName() + " " + u->RawEnergy->text();
  });
}
}  // namespace

class TestSequence : public QObject {
  Q_OBJECT

  QTemporaryDir scan_;  // three energies, 7100, 7200 and 7300 eV

 private slots:
  void initTestCase() { QVERIFY(writeScan(scan_.path(), {"7100eV", "7200eV", "7300eV"})); }

  void emptyDataSetIsSkipped() {
    QTemporaryDir dir;
    const QString root = dir.path();
    QVERIFY(writeScan(root, {"7100eV", "7300eV"}, {"7200eV"}));
    Body body;
    QStringList taken;
    prepare(body, root, taken);
    QCOMPARE(body.form()->SeqCalcTo->value(), 3);
    body.form()->SeqCalc->click();
    QTRY_VERIFY_WITH_TIMEOUT(!body.xafsBatch()->running(), 60000);
    QCOMPARE(taken, (QStringList{"i0-7100eV-0001.img 7100eV", "i0-7300eV-0001.img 7300eV"}));
    QVERIFY(!QDir(root + "/out/7200eV").exists());
  }

  void startDuringASequenceEndsIt() {
    const QString root = scan_.path();
    Body body;
    Ui::Body* u = body.form();
    QStringList taken;
    prepare(body, root, taken);
    // The button is pressed again as soon as the first reconstruction starts.
    bool pressed = false;
    connect(u->CalcStartT, &QLineEdit::textChanged, this, [&] {
      if (pressed) return;
      pressed = true;
      u->SeqCalc->click();
    });
    u->SeqCalc->click();
    QTRY_VERIFY_WITH_TIMEOUT(pressed, 30000);
    QVERIFY(!body.xafsBatch()->running());
    QCOMPARE(u->ProgressMsg->text(), QString("Finished"));
    // The reconstruction under way ends; no further data set is taken.
    QTRY_VERIFY_WITH_TIMEOUT(!body.calculating() && !body.anyWorkerBusy(), 30000);
    QCOMPARE(taken.size(), 1);
    QCOMPARE(u->RawEnergy->text(), QString("7100eV"));
  }

  // "seq_exec_set K" takes data set K (1-based); a number past the list is
  // a failure of the job and takes nothing.
  void setTakesTheNumberedDataSet() {
    const QString root = scan_.path();
    Body body;
    QStringList taken;
    prepare(body, root, taken);
    QSignalSpy failed(body.batch(), &Batch::failed);
    QFile batch(root + "/set.batch");
    QVERIFY(batch.open(QIODevice::WriteOnly) &&
            batch.write("seq_exec_set 2\ncalc_exec\nseq_exec_set 4\ncalc_exec\n") > 0);
    batch.close();
    emit body.callBatchLoad(batch.fileName());
    emit body.callBatchExec();
    QTRY_VERIFY_WITH_TIMEOUT(!body.batch()->running(), 60000);
    QCOMPARE(taken, QStringList(2, "i0-7200eV-0001.img 7200eV"));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(), QString("No data set 4 (1..3)"));
  }
};

QTEST_MAIN(TestSequence)
#include "tst_sequence.moc"
