// The program as a job: the shipped demo batch run by the real binary
// (-nw -b ... -x -q) on a generated phantom, and the exit codes of -q.
#include <QImage>
#include <QtTest>
#include <cmath>
#include <cstring>

#include "RunProgram.h"
#include "output/CtDataFile.h"

namespace {
const QString kVanto = QStringLiteral(VANTO_BINARY_DIR "/src/vanto");
const QString kPhantom = QStringLiteral(VANTO_BINARY_DIR "/tools/vanto-phantom/vanto-phantom");
const QString kDemoBatch = QStringLiteral(VANTO_SOURCE_DIR "/examples/reconstruct-phantom.batch");

// Pearson correlation of a reconstructed slice with the generator's truth
// file (n x n little-endian float32) inside the reconstruction circle; NaN
// when the truth cannot be read.
double correlationWithTruth(const CtDataGrid& g, const QString& truthPath, int n) {
  QFile f(truthPath);
  if (!f.open(QIODevice::ReadOnly)) return std::nan("");
  const QByteArray bytes = f.readAll();
  if (bytes.size() != qsizetype(n) * n * 4) return std::nan("");
  std::vector<float> truth(static_cast<std::size_t>(n) * n);
  std::memcpy(truth.data(), bytes.constData(), bytes.size());
  const double h = n * 0.5;
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, cnt = 0;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      if (!(std::hypot(x - h, y - h) < h)) continue;
      const double a = g.at(x, y), b = truth[static_cast<std::size_t>(y) * n + x];
      sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b, cnt += 1;
    }
  const double cov = sab / cnt - sa / cnt * sb / cnt;
  return cov / std::sqrt((saa / cnt - sa * sa / cnt / cnt) * (sbb / cnt - sb * sb / cnt / cnt));
}

}  // namespace

class TestHeadless : public QObject {
  Q_OBJECT

  QTemporaryDir phantom_;  // 64 x 8 pixels, 30 projections

  // Copies the phantom into dir/phantom and runs a job there: the lines that
  // load it (vertical axis, two threads), then lines; returns the exit code.
  int job(const QTemporaryDir& dir, const QString& lines, QByteArray* log) {
    QDir().mkpath(dir.filePath("phantom"));
    for (const QString& f : QDir(phantom_.path()).entryList(QDir::Files))
      QFile::copy(phantom_.filePath(f), dir.filePath("phantom/" + f));
    QFile f(dir.filePath("job.batch"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return -2;
    f.write(
        "images_keep_setup 1\nimages_load phantom proj-*.img\ni0_load phantom/i0.img\n"
        "bg_load phantom/bg.img\nct_rot_ax_is_v 1\ncalc_ct2 1\nct_threads 2\n" +
        lines.toUtf8());
    f.close();
    return runProgram(kVanto, {"-nw", "-e", "-b", "job.batch", "-x", "-q"}, dir.path(), 120000,
                      log);
  }

 private slots:
  void initTestCase() {
    QVERIFY(phantom_.isValid());
    QCOMPARE(runProgram(
                 kPhantom,
                 {"--out", phantom_.path(), "--width", "64", "--rows", "8", "--projections", "30"},
                 phantom_.path(), 120000),
             0);
  }

  // The shipped demo batch on the data set its comment names: every slice
  // that cuts the phantom well looks like the generator's truth (sinogram
  // orientation, angles and filtered back-projection together).
  void demoBatchReconstructsThePhantom() {
    QTemporaryDir dir;
    QCOMPARE(runProgram(kPhantom,
                        {"--out", "phantom", "--width", "512", "--rows", "32", "--projections",
                         "360", "--truth"},
                        dir.path(), 600000),
             0);
    QByteArray log;
    const int rc =
        runProgram(kVanto, {"-nw", "-e", "-b", kDemoBatch, "-x", "-q"}, dir.path(), 600000, &log);
    QVERIFY2(rc == 0, log.right(2000).constData());
    QVERIFY(log.contains(
        "\nJob finished: 32 of 32 slices reconstructed, 64 files written, 0 failures in "));
    QCOMPARE(QDir(dir.filePath("results/data")).entryList({"*.dat"}, QDir::Files).size(), 32);
    QCOMPARE(QDir(dir.filePath("results/images")).entryList({"*.png"}, QDir::Files).size(), 32);
    // The reconstruction grid the generator announces in its description.
    QFile desc(dir.filePath("phantom/phantom.txt"));
    QVERIFY(desc.open(QIODevice::ReadOnly | QIODevice::Text));
    const QByteArray text = desc.readAll();
    const qsizetype at = text.indexOf("reconstruction_size = ") + 22;
    const int n = text.mid(at, text.indexOf('\n', at) - at).trimmed().toInt();
    QVERIFY(at >= 22 && n > 0);
    for (int s : {4, 8, 12, 16, 20, 24, 28}) {
      const QString no = QString("%1").arg(s, 5, 10, QLatin1Char('0'));
      CtDataGrid g;
      QVERIFY(readCtDataFile(dir.filePath("results/data/phantom-slice-" + no + ".dat"), g));
      QVERIFY(g.width >= n && g.height >= n);
      const double r =
          correlationWithTruth(g, dir.filePath("phantom/truth/truth-" + no + ".raw"), n);
      QVERIFY2(r >= 0.85, qPrintable(QString("slice %1: r = %2").arg(s).arg(r)));
    }
  }

  void quitsWithTheBatch_data() {
    QTest::addColumn<QString>("batch");  // "" = no file at all
    QTest::addColumn<int>("exitCode");
    // clang-format off
    QTest::newRow("missing batch file") << QString() << 2;
    QTest::newRow("comments only") << "# nothing to do\n" << 0;
    QTest::newRow("calc_exec without images") << "calc_exec\n:echo still here\n" << 1;
    QTest::newRow("unknown commands") << "no_such_command 1\n:label\n" << 0;
    QTest::newRow("undefined variable") << "ct_cor ${VANTO_NO_SUCH_VARIABLE}\n" << 1;
    QTest::newRow("no such data set") << "seq_exec_set 3\n" << 1;
    // clang-format on
  }

  void quitsWithTheBatch() {
    QFETCH(QString, batch);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString path = dir.filePath("job.batch");
    if (!batch.isNull()) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Text));
      f.write(batch.toUtf8());
    }
    QByteArray log;
    const int rc =
        runProgram(kVanto, {"-nw", "-e", "-b", path, "-x", "-q"}, dir.path(), 120000, &log);
    QVERIFY2(rc != -1, "the program did not end with its batch");
    QVERIFY2(rc == exitCode, log.right(2000).constData());
    if (exitCode != 2) QVERIFY(log.contains("\nJob finished: "));
  }

  // A job reconstructing an 8-slice phantom: exit status 0 only when all was
  // done, else 1 after doing what could be done, with one summary line.
  void jobStatus_data() {
    QTest::addColumn<QString>("change");  // lines put before calc_exec
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("summary");   // the summary line without its time
    QTest::addColumn<QList<int>>("saved");  // slices with a data file
    const QList<int> all{0, 1, 2, 3, 4, 5, 6, 7};
    // clang-format off
    QTest::newRow("good") << "" << 0 << "8 of 8 slices reconstructed, 16 files written, 0 failures" << all;
    QTest::newRow("step 0 ends") << "ct_slice_step 0" << 0 << "8 of 8 slices reconstructed, 16 files written, 0 failures" << all;
    QTest::newRow("nothing to load") << "images_load phantom nothing-*.img" << 1 << "0 of 0 slices reconstructed, 0 files written, 2 failures (first: Nothing to load : phantom nothing-*.img)" << QList<int>{};
    QTest::newRow("missing reference") << "i0_load phantom/missing.img" << 1 << "8 of 8 slices reconstructed, 16 files written, 1 failure (first: I0 image not loaded : phantom/missing.img)" << all;
    QTest::newRow("slices outside the detector") << "ct_slice_from 5\nct_slice_to 9" << 1 << "3 of 5 slices reconstructed, 6 files written, 2 failures (first: Slice 8 is outside the detector (0..7), and 1 more slice of the range)" << QList<int>{5, 6, 7};
    QTest::newRow("impossible centre of rotation") << "ct_cor 0.5" << 1 << "0 of 0 slices reconstructed, 0 files written, 1 failure (first: CT calculation not started : the centre of rotation 0.5 leaves no sinogram on a detector line of 64 pixels)" << QList<int>{};
    QTest::newRow("unwritable result folder") << "auto_save_data_path blocker/data" << 1 << "8 of 8 slices reconstructed, 8 files written, 9 failures (first: Cannot create the save folder : blocker/data)" << QList<int>{};
    // clang-format on
  }

  void jobStatus() {
    QFETCH(QString, change);
    QFETCH(int, exitCode);
    QFETCH(QString, summary);
    QFETCH(QList<int>, saved);
    QTemporaryDir dir;
    QFile blocker(dir.filePath("blocker"));  // a file where a folder is wanted
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QByteArray log;
    const int rc =
        job(dir,
            "ct_cor 32\nct_slice_from 0\nct_slice_to 7\nct_auto_exec 1\nauto_save_data 1\n"
            "auto_save_data_path out\nauto_save_data_name s\nauto_save_image 1\n"
            "auto_save_image_path out\nauto_save_image_name s\n" +
                change + "\ncalc_exec\n",
            &log);
    QVERIFY2(rc != -1, "the job did not end");
    QVERIFY2(rc == exitCode, log.right(3000).constData());
    const QStringList lines = QString::fromUtf8(log).split('\n').filter("Job finished: ");
    QCOMPARE(lines.size(), 1);
    const QRegularExpression form("^Job finished: (.*) in [0-9]+\\.[0-9]{2} s$");
    const QRegularExpressionMatch m = form.match(lines.first());
    QVERIFY2(m.hasMatch(), qPrintable(lines.first()));
    QCOMPARE(m.captured(1), summary);
    QList<int> found;
    for (int s = 0; s < 10; ++s)
      if (QFile::exists(dir.filePath(QString("out/s--%1.dat").arg(s, 5, 10, QLatin1Char('0')))))
        found << s;
    QCOMPARE(found, saved);
  }

  // A centre-of-rotation sweep: one labelled picture per centre in the image
  // folder, named after the centre it was reconstructed with, and a contact
  // sheet of all of them.
  void corSweep() {
    QTemporaryDir dir;
    // Centres 31 .. 33 on a 64-pixel detector: 33 leaves the fewest pixels on
    // one side (30), so every picture has that centre's size, 2 * 30 - 1
    // samples rounded down to even.
    QByteArray log;
    int rc =
        job(dir, "ct_proc_slice 4\nauto_save_image_path sweep\nct_cor_sweep 31 33 0.5\n", &log);
    QVERIFY2(rc == 0, log.right(3000).constData());
    QVERIFY(log.contains(
        "\nJob finished: 5 of 5 slices reconstructed, 6 files written, 0 failures in "));
    const QStringList expected{"cor-31.00.png", "cor-31.50.png", "cor-32.00.png",
                               "cor-32.50.png", "cor-33.00.png", "cor-sweep.png"};
    QDir sweep(dir.filePath("sweep"));
    QCOMPARE(sweep.entryList(QDir::Files, QDir::Name), expected);
    const int n = 58;
    for (int i = 0; i < 5; ++i) {
      const QImage pic(sweep.filePath(expected[i]));
      QCOMPARE(pic.size(), QSize(n, n));
      // The label states the centre of the file name.
      QCOMPARE(pic.text("CoR"), expected[i].mid(4, 5));
    }
    // 5 pictures in 3 columns and 2 rows, 4 pixels apart and around.
    const QImage sheet(sweep.filePath("cor-sweep.png"));
    QCOMPARE(sheet.size(), QSize(3 * (n + 4) + 4, 2 * (n + 4) + 4));

    // The slice reconstructed alone at centre 33 is the sweep's picture of
    // 33.00 below its label, and differs from it where the label is printed.
    // Its data saved as a float TIFF (the values are tst_floattiff's).
    rc = job(dir,
             "ct_proc_slice 4\nct_cor 33\nauto_save_image 1\nauto_save_image_path plain\n"
             "auto_save_image_name s\nauto_save_data 1\nauto_save_data_path plain\n"
             "auto_save_data_name s\nauto_save_data_format tif\ncalc_exec\n",
             &log);
    QVERIFY2(rc == 0, log.right(3000).constData());
    QFile tif(dir.filePath("plain/s--00004.tif"));
    QVERIFY(tif.open(QIODevice::ReadOnly) && tif.read(4) == QByteArray("II*\0", 4));
    const QImage plain =
        QImage(dir.filePath("plain/s--00004.png")).convertToFormat(QImage::Format_Grayscale8);
    const QImage swept =
        QImage(sweep.filePath("cor-33.00.png")).convertToFormat(QImage::Format_Grayscale8);
    const QImage other =
        QImage(sweep.filePath("cor-31.00.png")).convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(plain.size(), swept.size());
    auto rowsEqual = [n](const QImage& a, const QImage& b, int from, int to) {
      for (int y = from; y < to; ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), n) != 0) return false;
      return true;
    };
    QVERIFY(rowsEqual(plain, swept, n / 2, n));
    QVERIFY(!rowsEqual(plain, swept, 0, 4));
    QVERIFY(!rowsEqual(plain, other, n / 2, n));
  }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
