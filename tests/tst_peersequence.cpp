// The main window's slice-by-slice sequence with the analysis program: which
// saved files are announced for a slice in each saving layout, the stepping
// of continuous mode, and a click announcing a slice to a peer inside the
// test (continuous mode through the window runs in tst_peer_e2e).
#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "LoopbackPeer.h"
#include "app/Body.h"
#include "base/ConfigStore.h"
#include "ct/CtRunMath.h"
#include "ct/ProcCtrl.h"
#include "link/QmpSequence.h"
#include "link/QuillmapLink.h"
#include "ui_Body.h"
#include "widgets/SelectAFile.h"

namespace {
using Action = QmpSequence::Action;

bool touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  return f.open(QIODevice::WriteOnly);
}
}  // namespace

class TestPeerSequence : public QObject {
  Q_OBJECT

 private slots:
  void sliceFilesByLayout() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    for (const char* f :
         {"b-E1-00012.dat", "A-E1-00012.dat", "a-E1-00013.dat", "c-00012.png",
          "E7100/s-E7100-00012.dat", "E7000/s-E7000-00012.dat", "E7000/s-E7000-00011.dat"})
      QVERIFY(touch(d + "/" + f));
    QVERIFY(QDir().mkpath(d + "/x-00012.dat"));  // a folder of that name is no file

    const QmpSliceFiles flat = qmpSliceFiles(d, 12, false, false);
    QVERIFY(!flat.byPattern);
    QCOMPARE(flat.files, QStringList({d + "/A-E1-00012.dat", d + "/b-E1-00012.dat"}));

    const QmpSliceFiles perSlice = qmpSliceFiles(d, 12, true, true);
    QVERIFY(perSlice.byPattern);
    QCOMPARE(perSlice.folder, d + "/00012/");  // the platform's separator, final one kept

    const QmpSliceFiles perEnergy = qmpSliceFiles(d, 12, true, false);
    QCOMPARE(perEnergy.files,
             QStringList({d + "/E7000/s-E7000-00012.dat", d + "/E7100/s-E7100-00012.dat"}));

    QVERIFY(qmpSliceFiles(d, 99, false, false).files.isEmpty());
  }

  void continuousWalk_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("step");
    QTest::addColumn<QList<int>>("slices");
    QTest::newRow("step past the end") << 0 << 10 << 4 << QList<int>{0, 4, 8};
    QTest::newRow("descending range") << 9 << 3 << 3 << QList<int>{9, 6, 3};
    QTest::newRow("step near the int range") << 0 << 2147483600 << 2147483647 << QList<int>{0};
  }
  void continuousWalk() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, step);
    QFETCH(QList<int>, slices);
    QmpSequence q;
    QList<int> seen{q.startContinuous(first, last, runSliceStep(first, last, step))};
    for (int guard = 0; guard < 100 && q.continuous(); ++guard) {
      QCOMPARE(q.stage(), 1);
      QCOMPARE(q.peerFree("LOAD_I1_FILES", false), Action::Exec2dA);  // continuous runs 2DA
      QCOMPARE(q.stage(), 2);
      if (q.peerFree("ANALYZER_EXEC_2DA", false) == Action::Announce) seen << q.slice();
    }
    QCOMPARE(seen, slices);
    QVERIFY(!q.continuous());
    QCOMPARE(q.stage(), 0);
  }

  // One slice with "w. 2DA": reports naming another command or none leave
  // the stage alone; the load's free report brings the 2DA, its own the end.
  void singleSliceWith2dA() {
    QmpSequence q;
    q.announcing(17);
    QString walk;  // per report: the action (0 none, 2 Exec2dA) and the stage after it
    for (const char* r :
         {"ANALYZER_EXEC_2DA", "", "LOAD_I1_FILES", "LOAD_I1_FILES", "ANALYZER_EXEC_2DA"})
      walk += QString("%1/%2 ").arg(int(q.peerFree(r, true))).arg(q.stage());
    QCOMPARE(walk, QString("0/1 0/1 2/2 0/2 0/0 "));
    QCOMPARE(q.slice(), 17);
  }

  // A left click on the raw image with "Send Msg." announces the clicked
  // slice; per-slice folders go out as a folder pattern with '/'.
  void clickAnnouncesSliceFolder() {
    LoopbackPeer peer;
    QTemporaryDir tmp;
    ConfigStore::instance().clear();
    ConfigStore::instance().setValue("Quillmap", peer.endpoint());
    Body body;
    Ui::Body* u = body.form();
    QTRY_COMPARE(peer.lines().size(), 1);
    u->SelectDataSaveDir->setPath(tmp.path());
    u->SaveInSubFolders->setChecked(true);
    u->SubOfSlice->setChecked(true);
    u->procCtrl->setRotAxIsV(true);
    for (const bool send : {false, true}) {
      u->SendMsg2Quillmap->setChecked(send);
      QVERIFY(QMetaObject::invokeMethod(&body, "selectedAPointInRawImg", Qt::DirectConnection,
                                        Q_ARG(double, 10.0), Q_ARG(double, 12.7),
                                        Q_ARG(MouseC::MStat, MouseC::L)));
    }
    const QString folder = QDir(tmp.path()).absolutePath() + "/00012/";
    // Announced once: the click without "Send Msg." sent nothing.
    QTRY_COMPARE(peer.lines(), QStringList({"myName Vanto",
                                            "LOAD_I1_FILES_OF_PATTERN new " + folder + " *.dat"}));
    QCOMPARE(body.qmpSequence().stage(), 1);
    peer.write("ISBUSY 1\nISBUSY 0 LOAD_I1_FILES_OF_PATTERN\n");  // as the analysis program answers
    QTRY_COMPARE(body.qmpSequence().stage(), 0);  // without "w. 2DA" nothing follows
    u->Exec2DA->click();
    QTRY_COMPARE(peer.lines().last(), QString("ANALYZER_EXEC_2DA 00012"));
  }
};

QTEST_MAIN(TestPeerSequence)
#include "tst_peersequence.moc"
