// The window and the real Quillmap stand-in over loopback: four reconstructed
// and auto-saved slices analysed in continuous mode, the exact message
// sequence both ways, the stand-in's results naming the saved files, and a
// stand-in killed and restarted in the middle of a sequence.
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "PhantomSet.h"
#include "app/Body.h"
#include "base/ConfigStore.h"
#include "ct/ProcCtrl.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataFiles.h"
#include "link/QuillmapLink.h"
#include "output/DataSaver.h"
#include "ui_Body.h"
#include "widgets/SelectAFile.h"

namespace {
const QString kStandin =
    QStringLiteral(VANTO_BINARY_DIR "/tools/quillmap-standin/quillmap-standin");
constexpr int kFirst = 2, kLast = 5;

// One stand-in process; its stdout is the message log.
struct Standin {
  QProcess proc;
  QByteArray out;
  quint16 port = 0;

  bool start(const QStringList& args) {
    proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&proc, &QProcess::readyReadStandardOutput,
                     [this] { out += proc.readAllStandardOutput(); });
    proc.start(kStandin, args);
    if (!proc.waitForStarted(5000)) return false;
    if (!QTest::qWaitFor([this] { return out.contains('\n'); }, 5000)) return false;
    const QList<QByteArray> first = out.left(out.indexOf('\n')).split(':');
    port = first.size() == 2 ? quint16(first[1].toUInt()) : 0;
    return port != 0;
  }
  // The message lines, in order, without the other notes.
  QStringList messages() const {
    return QString::fromUtf8(out).split('\n').filter(QRegularExpression("^(rec|snd): "));
  }
  void kill() {
    proc.kill();
    proc.waitForFinished(5000);
  }
  ~Standin() {
    if (proc.state() != QProcess::NotRunning) kill();
  }
};

QString sliceFile(const QString& dir, int s) {
  return QDir(dir).absoluteFilePath(QString::asprintf("ph-t-%05d.dat", s));
}

}  // namespace

class TestPeerE2e : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void continuousAnalysisAndRestart() {
    QVERIFY(dir_.isValid());
    const QDir set(dir_.filePath("set"));
    QCOMPARE(writePhantom(set.path(), 64, 8, 60), QString());

    auto standin = std::make_unique<Standin>();
    QVERIFY(standin->start({"--port", "0", "--out", dir_.filePath("csv")}));
    const quint16 port = standin->port;
    ConfigStore::instance().clear();
    ConfigStore::instance().setValue("Quillmap", QString("127.0.0.1 %1").arg(port));

    Body body;
    Ui::Body* ui = body.form();
    QuillmapLink* link = body.quillmapLink();
    QTRY_VERIFY(link->isConnected());

    // Reconstruct and save slices 2 … 5.
    ProcCtrl* pc = ui->procCtrl;
    pc->setRotAxIsV(true);
    ui->I0ImgSel->selectFile(set.filePath("i0.img"));
    ui->BGImgSel->selectFile(set.filePath("bg.img"));
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    emit ui->CTFiles->filesSelected(projectionFiles(set.path()), true);
    QVERIFY(loaded.wait(20000));
    const QString datDir = dir_.filePath("dat");
    ui->SelectDataSaveDir->setPath(datDir);
    ui->SelectDataSaveDir->setName("ph");
    ui->SelectDataSaveDir->setTag("t");
    body.setAutoSaveData(true);
    pc->setAutoExec(true);
    pc->setSliceFrom(kFirst);
    pc->setSliceTo(kLast);
    pc->setMaxThreads(int(body.workers().size()));
    QSignalSpy saved(body.saver(), &DataSaver::saved);
    QSignalSpy runs(&body, &Body::calcFinished);
    ui->CalcCT->click();
    QTRY_COMPARE_WITH_TIMEOUT(runs.count(), 1, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), kLast - kFirst + 1, 10000);

    // Continuous mode over the range: load, then 2DA, slice by slice.
    ui->Cont2DA->click();
    QVERIFY(body.qmpSequence().continuous());
    QTRY_VERIFY_WITH_TIMEOUT(!body.qmpSequence().continuous(), 20000);
    QStringList expected{"rec: myName Vanto"};
    for (int s = kFirst; s <= kLast; ++s) {
      const QString no = QString::asprintf("%05d", s);
      expected << "rec: LOAD_I1_FILES new " + sliceFile(datDir, s) << "snd: ISBUSY 1"
               << "snd: ISBUSY 0 LOAD_I1_FILES"
               << "rec: ANALYZER_EXEC_2DA " + no << "snd: ISBUSY 1"
               << "snd: ISBUSY 0 ANALYZER_EXEC_2DA";
    }
    QTRY_COMPARE(standin->messages(), expected);
    QVERIFY(!standin->out.contains("waits for its turn"));  // never a command while busy

    // The stand-in analysed the saved file of each slice.
    for (int s = kFirst; s <= kLast; ++s) {
      QFile csv(dir_.filePath(QString::asprintf("csv/2da-%05d.csv", s)));
      QVERIFY(csv.open(QIODevice::ReadOnly | QIODevice::Text));
      // A header and one row per file, the row naming the file.
      const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
      QCOMPARE(lines.size(), 2);
      QCOMPARE(lines[1].section(',', 0, 0), sliceFile(datDir, s));
    }

    // A slow stand-in killed in the middle of continuous mode.
    standin->kill();
    QTRY_VERIFY(!link->isConnected());
    standin = std::make_unique<Standin>();
    QVERIFY(standin->start(
        {"--port", QString::number(port), "--delay", "500", "--out", dir_.filePath("csv2")}));
    QTRY_VERIFY_WITH_TIMEOUT(link->isConnected(), 2000);
    ui->Cont2DA->click();
    QTRY_VERIFY(standin->out.contains("rec: LOAD_I1_FILES"));
    standin->kill();
    QVERIFY(body.qmpSequence().continuous());
    QTRY_VERIFY(!link->isConnected());

    // Restarted: connected again within 2 s, the handshake, the sequence reset.
    standin = std::make_unique<Standin>();
    QElapsedTimer back;
    back.start();
    QVERIFY(standin->start({"--port", QString::number(port), "--out", dir_.filePath("csv3")}));
    QTRY_VERIFY_WITH_TIMEOUT(link->isConnected(), 2000);
    QVERIFY2(back.elapsed() < 2500, qPrintable(QString::number(back.elapsed())));
    QVERIFY(!body.qmpSequence().continuous());
    QCOMPARE(body.qmpSequence().stage(), 0);
    QTRY_COMPARE(standin->messages(), QStringList{"rec: myName Vanto"});
  }
};

QTEST_MAIN(TestPeerE2e)
#include "tst_peer_e2e.moc"
