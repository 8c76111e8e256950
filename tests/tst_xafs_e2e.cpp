// Energy scans end to end: a generated four-energy scan, in both data-set
// layouts the generator writes, reconstructed by the window's sequence from
// data set 2 to 4 with saving into energy sub-folders. Every saved slice is
// checked against the engine run directly on the generator's frames and I0
// of that energy, and the shipped example batch run headless by the real
// program must write the same files.
#include <QDirIterator>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>
#include <cmath>
#include <map>
#include <memory>

#include "MemFrame.h"
#include "PhantomWriter.h"
#include "app/Body.h"
#include "automation/XafsBatch.h"
#include "ct/CtCalc2.h"
#include "ct/CtCalc2Ui.h"
#include "ct/CtRunMath.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"
#include "ct/SinogramBuilder.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "output/CtDataFile.h"
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
  PhantomOptions o;
  o.outDir = outDir;
  o.width = kWidth;
  o.rows = kRows;
  o.projections = kProjections;
  o.rangeDeg = 180.0;
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

std::unique_ptr<MemFrame> frameOf(const PhantomWriter& w, const std::vector<uint16_t>& px) {
  auto f = std::make_unique<MemFrame>(w.imageWidth(), w.imageHeight());
  for (int y = 0; y < w.imageHeight(); ++y)
    for (int x = 0; x < w.imageWidth(); ++x)
      f->at(x, y) = px[static_cast<std::size_t>(y) * w.imageWidth() + x];
  return f;
}

// One energy's frames, I0 and background straight from the generator, so
// that neither the readers nor the window's choice of files is involved.
struct EnergyFrames {
  std::vector<std::unique_ptr<MemFrame>> projections;
  std::unique_ptr<MemFrame> i0, bg;
  SinogramSource source() const {
    SinogramSource s;
    for (const auto& p : projections) s.frames.push_back(p.get());
    s.i0 = i0.get();
    s.bg = bg.get();
    s.width = kWidth;
    s.height = kRows;
    return s;
  }
};

EnergyFrames generatorFrames(const PhantomOptions& o, int energy) {
  PhantomWriter w(o);
  w.selectEnergy(energy);
  EnergyFrames f;
  std::vector<uint16_t> px;
  for (int k = 0; k < kProjections; ++k) {
    w.projection(k, px);
    f.projections.push_back(frameOf(w, px));
  }
  w.i0Image(px);
  f.i0 = frameOf(w, px);
  w.bgImage(px);
  f.bg = frameOf(w, px);
  return f;
}

// The engine run directly on a slice of those frames: the image the window
// must have saved for it. The centre of rotation is the generator's.
std::vector<double> engineSlice(const EnergyFrames& f, int slice, const FbpRegion& region, int& n) {
  SinogramParams p;
  p.rotAxIsV = true;
  p.cor = kWidth / 2.0;
  p.slice = slice;
  p.dataSetRangeDeg = 180.0;
  HSgm rec;
  buildSinogram(f.source(), p, rec);
  n = rec.width() & ~1;
  FbpWorkspace ws;
  ws.setup(n, rec.rows(), rec.rows());
  ws.clearImage(n);
  CtRunParams run;
  run.dataSetImages = kProjections;
  run.dataSetRangeDeg = 180.0;
  const CtAngles a = ctAngles(run);
  ws.forwardAll(rec);
  ws.filterAll(rec.rows());
  ws.backProjectAll(rec.rows(), region, a.angle0, a.dAngle);
  return std::vector<double>(ws.image(), ws.image() + static_cast<std::size_t>(n) * n);
}

struct Taken {
  QString i0, energy, firstFrame;
  bool operator==(const Taken& o) const {
    return i0 == o.i0 && energy == o.energy && firstFrame == o.firstFrame;
  }
};
}  // namespace

namespace QTest {
template <>
char* toString(const Taken& t) {
  return qstrdup(qPrintable(QString("{%1, %2, %3}").arg(t.i0, t.energy, t.firstFrame)));
}
}  // namespace QTest

class TestXafsE2e : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  // Per layout: the folder holding energy-scan/, window/ and results/, and
  // the calculation region the window's workers used.
  std::map<QString, FbpRegion> windowRuns_;

  QString root(const QString& layout) const { return dir_.filePath(layout); }

  // The sequence in the window over data sets 2 .. 4 of the layout's scan;
  // results go to <root>/window. Runs once per layout.
  void runWindowSequence(const QString& layout);

 private slots:
  void initTestCase();
  void sequenceSavesEachEnergyWithItsI0_data();
  void sequenceSavesEachEnergyWithItsI0();
  void exampleBatchHeadlessGivesTheSameFiles_data();
  void exampleBatchHeadlessGivesTheSameFiles();
};

void TestXafsE2e::initTestCase() {
  QVERIFY(dir_.isValid());
  for (const QString layout : {"engdirs", "heron"}) {
    PhantomWriter w(scanOptions(root(layout) + "/energy-scan", layout == "heron"));
    QVERIFY2(w.write(), qPrintable(w.errorText()));
  }
}

void TestXafsE2e::runWindowSequence(const QString& layout) {
  if (windowRuns_.count(layout)) return;
  const QString r = root(layout), scan = r + "/energy-scan";
  Body body;
  Ui::Body* u = body.form();
  // The settings of the example batch, with absolute folders.
  const QStringList lines = {layout == "heron" ? "add_inf_Heron_standard 1" : "add_inf_Eng_Dirs 1",
                             "seq_exec_file_pattern *.img",
                             QString("seq_exec_dir \"%1/scan\"").arg(scan),
                             QString("seq_exec_select_i0 \"%1/i0\" *.img").arg(scan),
                             QString("bg_load \"%1/bg.img\"").arg(scan),
                             "images_new_on_load 1",
                             "images_keep_setup 0",
                             "ct_rot_ax_is_v 1",
                             "calc_ct2 1",
                             "ct_auto_exec 1",
                             "ct_threads 1024",
                             "calc_show_res 0",
                             "auto_save_data 1",
                             QString("auto_save_data_path \"%1/window/data\"").arg(r),
                             QString("auto_save_data_name %1").arg(kName),
                             "auto_save_data_upper_limit 1000",
                             "auto_save_data_lower_limit -1000",
                             "auto_save_data_offset 0",
                             "auto_save_image 1",
                             QString("auto_save_image_path \"%1/window/images\"").arg(r),
                             QString("auto_save_image_name %1").arg(kName),
                             "auto_save_in_sub_folders 1",
                             "auto_save_in_sub_folders_of_energy 1",
                             "auto_save_in_sub_folders_of_slice 0"};
  for (const QString& l : lines) exec(body, l);

  // What each reconstruction of the sequence started with.
  QList<Taken> taken;
  connect(u->CalcStartT, &QLineEdit::textChanged, this, [&] {
    const ImgData* first = body.imageSet()->count() ? body.imageSet()->frame(0) : nullptr;
    taken << Taken{QFileInfo(u->I0ImgSel->fileName()).fileName(), u->RawEnergy->text(),
                   first ? QDir(scan).relativeFilePath(first->filePath()) : QString()};
  });
  QSignalSpy saved(body.saver(), &DataSaver::saved);
  QSignalSpy failed(body.saver(), &DataSaver::saveFailed);

  PhantomWriter w(scanOptions(scan, layout == "heron"));
  const std::vector<int> order = dataSetOrder(w);
  QCOMPARE(u->SeqCalcFrom->value(), 1);
  QCOMPARE(u->SeqCalcTo->value(), int(order.size()));
  u->SeqCalcFrom->setValue(kFirstSet);
  u->SeqCalc->click();
  QTRY_VERIFY_WITH_TIMEOUT(!body.xafsBatch()->running(), 120000);
  QCOMPARE(u->ProgressMsg->text(), QString("Finished"));
  const int sets = int(order.size()) - kFirstSet + 1;
  // One data file and one picture per slice and data set.
  QTRY_COMPARE_WITH_TIMEOUT(saved.count(), sets * kRows * 2, 30000);
  QCOMPARE(failed.count(), 0);

  QList<Taken> expected;
  for (int k = kFirstSet - 1; k < int(order.size()); ++k) {
    w.selectEnergy(order[size_t(k)]);
    expected << Taken{
        QFileInfo(w.i0FileName()).fileName(),
        PhantomWriter::energyText(w.energyOf(order[size_t(k)])),
        QDir(scan).relativeFilePath(QDir(w.dataSetDir()).filePath(w.projectionFileName(0)))};
  }
  QCOMPARE(taken, expected);
  windowRuns_[layout] = body.workerPanels().front()->calcRegion();
}

void TestXafsE2e::sequenceSavesEachEnergyWithItsI0_data() {
  QTest::addColumn<QString>("layout");
  QTest::newRow("one folder per energy") << "engdirs";
  QTest::newRow("facility B file names") << "heron";
}

void TestXafsE2e::sequenceSavesEachEnergyWithItsI0() {
  QFETCH(QString, layout);
  runWindowSequence(layout);
  QVERIFY(windowRuns_.count(layout));
  const QString r = root(layout);
  const PhantomOptions o = scanOptions(r + "/energy-scan", layout == "heron");
  PhantomWriter w(o);
  const std::vector<int> order = dataSetOrder(w);

  // Exactly data sets 2 .. 4 were saved, each under its own energy.
  QStringList want;
  for (int k = kFirstSet - 1; k < int(order.size()); ++k) {
    const QString e = PhantomWriter::energyText(w.energyOf(order[size_t(k)]));
    for (int s = 0; s < kRows; ++s) {
      const QString base = QString("%1/%2-%1-%3").arg(e, kName).arg(s, 5, 10, QChar('0'));
      want << "data/" + base + ".dat"
           << "images/" + base + ".png";
    }
  }
  want.sort();
  QCOMPARE(filesBelow(r + "/window"), want);

  // Every slice of every saved energy is the engine's image of that energy's
  // own frames and I0; a neighbour's I0 (a factor 0.3 or more apart) would
  // shift every value by the log of that ratio over the path length.
  const FbpRegion region = windowRuns_[layout];
  for (int k = kFirstSet - 1; k < int(order.size()); ++k) {
    const int energy = order[size_t(k)];
    const QString e = PhantomWriter::energyText(w.energyOf(energy));
    const EnergyFrames frames = generatorFrames(o, energy);
    for (int s = 0; s < kRows; ++s) {
      int n = 0;
      const std::vector<double> image = engineSlice(frames, s, region, n);
      double maxAbs = 0;
      for (double v : image) maxAbs = std::max(maxAbs, std::fabs(v));
      QVERIFY(maxAbs > 0);
      CtDataGrid g;
      const QString name =
          QString("%1/window/data/%2/%3-%2-%4.dat").arg(r, e, kName).arg(s, 5, 10, QChar('0'));
      QVERIFY2(readCtDataFile(name, g), qPrintable(name));
      QCOMPARE(g.width, int(region.x1) - int(region.x0));
      QCOMPARE(g.height, int(region.y1) - int(region.y0));
      for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
          // The region reaches one pixel past the n x n image; there the
          // file holds the offset (0) alone.
          const int ix = x + int(region.x0), iy = y + int(region.y0);
          const double v = (ix < n && iy < n) ? image[static_cast<std::size_t>(iy) * n + ix] : 0.0;
          // The file keeps six significant digits.
          QVERIFY2(std::fabs(g.at(x, y) - v) <= 5e-6 * std::fabs(v) + 1e-9 * maxAbs,
                   qPrintable(QString("%1 slice %2 (%3, %4): %5 saved, %6 by the engine")
                                  .arg(e)
                                  .arg(s)
                                  .arg(x)
                                  .arg(y)
                                  .arg(g.at(x, y))
                                  .arg(v)));
        }
    }
  }
}

void TestXafsE2e::exampleBatchHeadlessGivesTheSameFiles_data() {
  sequenceSavesEachEnergyWithItsI0_data();
}

void TestXafsE2e::exampleBatchHeadlessGivesTheSameFiles() {
  QFETCH(QString, layout);
  runWindowSequence(layout);
  QVERIFY(windowRuns_.count(layout));
  const QString r = root(layout);

  // The example as shipped reads one folder per energy; for facility B names
  // its layout line is swapped as its comment says.
  QString batch = QString::fromUtf8(fileBytes(kExample));
  QVERIFY(!batch.isEmpty());
  if (layout == "heron") {
    const QRegularExpression line("^add_inf_Eng_Dirs\\s+1\\s*$",
                                  QRegularExpression::MultilineOption);
    QCOMPARE(batch.count(line), 1);
    batch.replace(line, "add_inf_Heron_standard 1");
  }
  const QString batchPath = r + "/energy-scan.batch";
  {
    QFile f(batchPath);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
    f.write(batch.toUtf8());
  }

  QProcess p;
  p.setWorkingDirectory(r);
  p.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(kVanto, {"-nw", "-e", "-b", batchPath, "-x", "-q"});
  QVERIFY(p.waitForStarted());
  if (!p.waitForFinished(300000)) {
    p.kill();
    p.waitForFinished();
    QFAIL("the program did not end with its batch");
  }
  const QByteArray log = p.readAll();
  QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
           log.right(2000).constData());

  const QStringList files = filesBelow(r + "/results");
  QCOMPARE(files, filesBelow(r + "/window"));
  QVERIFY(!files.isEmpty());
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

QTEST_MAIN(TestXafsE2e)
#include "tst_xafs_e2e.moc"
