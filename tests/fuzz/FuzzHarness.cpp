#include "fuzz/FuzzHarness.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "app/Startup.h"
#include "automation/Batch.h"
#include "automation/BatchCmd.h"
#include "base/ConfigStore.h"
#include "base/GreyMap.h"
#include "base/ItemLine.h"
#include "fuzz/FuzzSeeds.h"
#include "imagedata/ImgData.h"
#include "imagedata/KestrelMetaReader.h"
#include "output/CtDataFile.h"
#include "view3d/SliceFileReaders.h"

namespace fuzz {

namespace {

// A frame larger than this is opened but not read through: the reader's
// allocations are what is under test, and a slow input only costs the fuzzer
// speed without finding anything.
constexpr long long kMaxPixels = 1 << 22;
constexpr int kMaxFrames = 64;

// Where the values read are summed, so that the reads cannot be left out.
volatile double g_sink = 0;

QString writeInput(const QString& name, const std::uint8_t* data, std::size_t size) {
  const QString path = workDir() + QLatin1Char('/') + name;
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    f.write(reinterpret_cast<const char*>(data), qint64(size));
  return path;
}

// Reads the frame through every access path the program uses.
void readThrough(ImgData& d) {
  const long long w = d.width(), h = d.height();
  if (w < 1 || h < 1 || w * h > kMaxPixels) return;
  std::vector<double> row(static_cast<size_t>(w)), column(static_cast<size_t>(h));
  double sum = 0;
  for (int y = -1; y <= h; ++y) sum += d.row(y, row.data())[w - 1];
  for (int x = -1; x <= w; ++x) sum += d.column(x, column.data())[h - 1];
  double mn = 0, mx = 0;
  d.minMax(mn, mx);
  QImage image;
  GreyMap map;
  d.toImage(image, map);
  g_sink = sum + mn + mx;
}

bool runFrames(ImgFileType type, const char* name, const std::uint8_t* data, std::size_t size) {
  const QString path = writeInput(QString::fromLatin1(name), data, size);
  for (int frame = 0; frame < kMaxFrames; ++frame) {
    std::unique_ptr<ImgData> d = createImgData(type);
    d->setFilePath(path);
    if (!d->open(frame)) break;
    if (!d->ready() || d->width() < 1 || d->height() < 1) return false;
    readThrough(*d);
    if (frame + 1 >= d->frameCount()) break;
  }
  return true;
}

bool itexFrame(const std::uint8_t* data, std::size_t size) {
  return runFrames(ImgFileType::ITEX, "in.img", data, size);
}

bool tiffFrame(const std::uint8_t* data, std::size_t size) {
  return runFrames(ImgFileType::TIFF, "in.tif", data, size);
}

bool ctDataFile(const std::uint8_t* data, std::size_t size) {
  CtDataGrid grid;
  if (!readCtDataFile(writeInput("in.dat", data, size), grid)) return true;
  if (grid.width < 1 || grid.height < 1 ||
      grid.values.size() != size_t(grid.width) * size_t(grid.height))
    return false;
  return grid.at(grid.width - 1, grid.height - 1) == grid.values.back();
}

// A slice record holds exactly width x height values; every one is readable.
bool sliceHolds(const SliceRecord& r) {
  if (r.width < 1 || r.height < 1 || r.values.size() != size_t(r.width) * size_t(r.height))
    return false;
  double sum = 0;
  for (int y = 0; y < r.height; ++y) sum += r.row(y)[r.width - 1];
  g_sink = sum;
  return true;
}

bool sliceCt(const std::uint8_t* data, std::size_t size) {
  SliceRecord r;
  if (!readCtDataSlice(writeInput("in-slice.dat", data, size), r)) return true;
  return sliceHolds(r);
}

bool sliceXyv(const std::uint8_t* data, std::size_t size) {
  SliceRecord r;
  if (!readXyvSlice(writeInput("in.xyv", data, size), r)) return true;
  return sliceHolds(r);
}

bool kestrelMeta(const std::uint8_t* data, std::size_t size) {
  // Projection and I0 files for a few scan numbers and digit counts, so that
  // the name building and the carrying forward of I0 files are reached.
  static const bool made = [] {
    for (const char* n : {"meta_1.his", "meta_1_I0.his", "meta_2.his", "meta_01.his", "meta_02.his",
                          "meta_02_I0.his", "meta_003.his", "meta_005_I0.his"}) {
      QFile f(workDir() + QLatin1Char('/') + QLatin1String(n));
      if (f.open(QIODevice::WriteOnly)) f.write("IM");
    }
    return true;
  }();
  (void)made;
  KestrelMetaReader reader;
  if (!reader.read(writeInput("meta.txt", data, size), workDir())) return true;
  for (const KestrelMetaItem& item : reader.items()) {
    if (item.hisPath.isEmpty() || item.i0Path.isEmpty()) return false;
    (void)item.energyText();
    (void)item.energyEV();
  }
  return reader.entries().size() == reader.items().size();
}

// The input holds up to four files separated by lines "%%": main.cfg, then
// inc1.cfg .. inc3.cfg, which the first may INCLUDE by their relative names.
bool configFile(const std::uint8_t* data, std::size_t size) {
  static const bool moved = QDir::setCurrent(workDir());
  (void)moved;
  const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
  const QList<QByteArray> parts = all.split('\n');
  QList<QByteArray> files{QByteArray()};
  for (const QByteArray& line : parts) {
    if (line == "%%" && files.size() < 4)
      files << QByteArray();
    else
      files.last() += line + '\n';
  }
  for (int i = 0; i < 4; ++i) {
    const QByteArray text = i < files.size() ? files[i] : QByteArray();
    writeInput(i == 0 ? QStringLiteral("main.cfg") : QStringLiteral("inc%1.cfg").arg(i),
               reinterpret_cast<const std::uint8_t*>(text.constData()), size_t(text.size()));
  }
  ConfigStore& store = ConfigStore::instance();
  store.clear();
  store.parseCommandLine(QStringList{"vanto", "-c", "main.cfg"});
  (void)startup::noWindowRequested(store);
  store.readConfigFile(startup::configFileName(store));
  (void)startup::dataRoot(store, "/builtin");
  (void)store.valueIgnoringCase("Quillmap");
  for (const QString& line : store.rawLines()) {
    const BatchCmd cmd(line);
    (void)cmd.intArg(0);
    (void)cmd.realArg(1);
  }
  store.clear();
  return true;
}

// Loads the input as a batch file and runs it against a dispatcher that
// finishes every line at once (seq_exec_next finds no further data set), so
// that :goto, :ifok, :ifng, :end and :echo all run. A run of synchronous
// lines stops after Batch::kStepsPerTurn steps until the event loop turns,
// which here it does not: an endless :goto loop ends the run.
bool batchFile(const std::uint8_t* data, std::size_t size) {
  Batch batch;
  batch.batchLoad(writeInput("in.batch", data, size));
  if (batch.loadFailed()) return true;
  for (const QString& line : batch.lines()) {
    const BatchCmd cmd(line);
    const BatchCmd again(cmd.joinedArguments());
    (void)again.flagArg(0);
    (void)again.textArg(2);
  }
  // A loop through ordinary lines is stopped after a few hundred of them, as
  // pressing the batch button again would; the stepping is what is under test.
  int executed = 0;
  QObject::connect(&batch, &Batch::batchExCmd, &batch, [&batch, &executed](const BatchCmd& cmd) {
    if (++executed == 200) batch.batchExec();  // while running: stops
    if (cmd.is("seq_exec_next")) batch.setLastOk(false);
    batch.batchCheckEnd();
  });
  batch.batchExec();
  return executed <= 200;
}

// The item-line splitter on the input as one line.
bool itemLine(const std::uint8_t* data, std::size_t size) {
  const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  QString rest = line, item;
  qsizetype left = rest.size() + 1;
  while (!rest.isEmpty()) {
    rest = takeItem(rest, item);
    if (rest.size() >= left) return false;  // every call must consume something
    left = rest.size();
  }
  (void)splitItems(line);
  (void)itemsAfter(line, line.left(3));
  (void)startsWithKey(line, line.left(2));
  QString comment;
  const QString code = stripComment(line, comment);
  (void)isBlankLine(code);
  QString cut = code;
  if (hasContinuation(cut)) (void)withoutContinuation(code);
  (void)padRight(line.left(8), int(size % 200));
  (void)spaces(int(size % 300) - 100);
  const BatchCmd cmd(line);
  return cmd.command().isEmpty() || splitItems(line).size() >= 1;
}

}  // namespace

QString workDir() {
  static QTemporaryDir dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/vanto-fuzz-XXXXXX")
                                                     : QDir::tempPath() + "/vanto-fuzz-XXXXXX");
  return dir.path();
}

void silenceLog() {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

const std::vector<Target>& targets() {
  static const std::vector<Target> all{
      {"itex", itexFrame, seeds::itex},        {"tiff", tiffFrame, seeds::tiff},
      {"ctdata", ctDataFile, seeds::ctData},   {"slice_ct", sliceCt, seeds::ctData},
      {"slice_xyv", sliceXyv, seeds::xyv},     {"kestrel_meta", kestrelMeta, seeds::kestrelMeta},
      {"config", configFile, seeds::config},   {"batch", batchFile, seeds::batch},
      {"itemline", itemLine, seeds::itemLine},
      // {"hdf5", hdf5Frame, seeds::hdf5},  -- the HDF5 reader, when it exists
  };
  return all;
}

const Target* findTarget(const QString& name) {
  for (const Target& t : targets())
    if (name == QLatin1String(t.name)) return &t;
  return nullptr;
}

}  // namespace fuzz
