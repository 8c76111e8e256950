// Energy scans end to end: a generated four-energy scan, in both data-set
// layouts the generator writes, reconstructed by the window's sequence from
// data set 2 to 4 with saving into energy sub-folders. Each reconstruction
// must start on its energy's frames and I0 (file and pixels), and the shipped
// example batch run headless by the real program must write the same files.
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "Joined.h"
#include "PhantomSet.h"
#include "RunProgram.h"
#include "app/Body.h"
#include "automation/XafsBatch.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "output/DataSaver.h"
#include "ui_Body.h"

namespace {
const QString kVanto = QStringLiteral(VANTO_BINARY_DIR "/src/vanto");
const QString kExample = QStringLiteral(VANTO_SOURCE_DIR "/examples/energy-scan.batch");
// Small enough that a whole scan takes a second or two.
constexpr int kWidth = 64, kRows = 8, kProjections = 60;
// Saving name of the example batch; the window run uses the same settings.
const char* const kName = "scan";
constexpr int kFirstSet = 2;  // 1-based, as in the sequence controls

PhantomOptions scanOptions(const QString& outDir, bool heron) {
  PhantomOptions o = phantomOptions(outDir, kWidth, kRows, kProjections);
  o.energies = {7100.0, 7112.5, 7200.0, 7300.0};
  o.layout = heron ? PhantomOptions::Layout::Heron : PhantomOptions::Layout::EngDirs;
  return o;
}

// Indices of the scan's energies in data-set order (the data-set selector
// lists them by name).
std::vector<int> dataSetOrder(const PhantomWriter& w) {
  std::vector<int> order;
  for (int i = 0; i < w.energyCount(); ++i) order.push_back(i);
  std::sort(order.begin(), order.end(), [&w](int a, int b) {
    return PhantomWriter::energyText(w.energyOf(a)) < PhantomWriter::energyText(w.energyOf(b));
  });
  return order;
}

void exec(Body& body, const QString& line) {
  QVERIFY(QMetaObject::invokeMethod(&body, "batchExCmd", Qt::DirectConnection,
                                    Q_ARG(BatchCmd, BatchCmd(line))));
}

// Every file below dir, as paths relative to it, sorted.
QStringList filesBelow(const QString& dir) {
  QStringList out;
  QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) out << QDir(dir).relativeFilePath(it.next());
  out.sort();
  return out;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestXafsE2e : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void sequenceAndExampleBatch_data() {
    QTest::addColumn<QString>("layout");
    QTest::newRow("one folder per energy") << "engdirs";
    QTest::newRow("facility B file names") << "heron";
  }

  void sequenceAndExampleBatch() {
    QFETCH(QString, layout);
    // <r>/energy-scan, the window's files in <r>/window, the example's in <r>/results.
    const QString r = dir_.filePath(layout), scan = r + "/energy-scan";
    PhantomWriter w(scanOptions(scan, layout == "heron"));
    QVERIFY2(w.write(), qPrintable(w.errorText()));
    QVERIFY(QDir::setCurrent(r));

    // The example as shipped reads one folder per energy; for facility B names
    // its layout line is swapped as its comment says.
    QString batch = QString::fromUtf8(fileBytes(kExample));
    const QRegularExpression layoutLine("^add_inf_Eng_Dirs\\s+1\\s*$",
                                        QRegularExpression::MultilineOption);
    QCOMPARE(batch.count(layoutLine), 1);
    if (layout == "heron") batch.replace(layoutLine, "add_inf_Heron_standard 1");

    // The window, given the example's settings (the lines before its loop),
    // runs the sequence over data sets 2 .. 4, saving into window/.
    Body body;
    Ui::Body* u = body.form();
    for (const QString& l : batch.section("\nseq_exec_next", 0, 0).split('\n'))
      if (!l.startsWith('#')) exec(body, QString(l).replace("results/", "window/"));
    // What each reconstruction of the sequence started with: I0 file, energy,
    // first projection and the I0's middle pixel.
    QStringList taken;
    connect(u->CalcStartT, &QLineEdit::textChanged, this, [&] {
      const ImgData* first = body.imageSet()->count() ? body.imageSet()->frame(0) : nullptr;
      std::vector<double> row(kWidth, -1.0);
      if (const ImgData* i0 = u->I0ImgSel->frame()) i0->row(kRows / 2, row.data());
      taken << joined(
          QFileInfo(u->I0ImgSel->fileName()).fileName(), u->RawEnergy->text(),
          first ? QDir(scan).relativeFilePath(QFileInfo(first->filePath()).absoluteFilePath())
                : "-",
          row[kWidth / 2]);
    });
    QSignalSpy saved(body.saver(), &DataSaver::saved);
    QSignalSpy failed(body.saver(), &DataSaver::saveFailed);
    const std::vector<int> order = dataSetOrder(w);
    QCOMPARE(u->SeqCalcTo->value(), int(order.size()));
    u->SeqCalcFrom->setValue(kFirstSet);
    u->SeqCalc->click();
    QTRY_VERIFY_WITH_TIMEOUT(!body.xafsBatch()->running(), 120000);
    QCOMPARE(u->ProgressMsg->text(), QString("Finished"));
    // One data file and one picture per slice and data set.
    QTRY_COMPARE_WITH_TIMEOUT(saved.count(), (int(order.size()) - kFirstSet + 1) * kRows * 2,
                              30000);
    QCOMPARE(failed.count(), 0);

    QStringList expected, files;
    std::vector<uint16_t> i0;
    for (int k = kFirstSet - 1; k < int(order.size()); ++k) {
      w.selectEnergy(order[size_t(k)]);
      w.i0Image(i0);
      const QString e = PhantomWriter::energyText(w.energyOf(order[size_t(k)]));
      expected << joined(
          QFileInfo(w.i0FileName()).fileName(), e,
          QDir(scan).relativeFilePath(QDir(w.dataSetDir()).filePath(w.projectionFileName(0))),
          i0[std::size_t(kRows / 2) * kWidth + kWidth / 2]);
      for (int s = 0; s < kRows; ++s) {
        const QString base = QString("%1/%2-%1-%3").arg(e, kName).arg(s, 5, 10, QChar('0'));
        files << "data/" + base + ".dat"
              << "images/" + base + ".png";
      }
    }
    QCOMPARE(taken, expected);
    files.sort();
    QCOMPARE(filesBelow(r + "/window"), files);

    // The example batch run headless by the real program writes the same files.
    const QString batchPath = r + "/energy-scan.batch";
    {
      QFile f(batchPath);
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
      f.write(batch.toUtf8());
    }
    QByteArray log;
    const int rc = runProgram(kVanto, {"-nw", "-e", "-b", batchPath, "-x", "-q"}, r, 300000, &log);
    QVERIFY2(rc == 0, log.right(2000).constData());

    QCOMPARE(filesBelow(r + "/results"), files);
    for (const QString& f : files) {
      const QString a = r + "/window/" + f, b = r + "/results/" + f;
      if (f.endsWith(".png")) {
        const QImage ia(a), ib(b);
        QVERIFY2(!ia.isNull() && ia == ib, qPrintable(f));
      } else {
        // Same engine, same inputs: the same bytes.
        const QByteArray da = fileBytes(a);
        QVERIFY2(!da.isEmpty() && da == fileBytes(b), qPrintable(f));
      }
    }
  }
};

QTEST_MAIN(TestXafsE2e)
#include "tst_xafs_e2e.moc"
