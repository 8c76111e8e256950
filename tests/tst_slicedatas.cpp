// Slice series loading: the three file kinds, the size and flatness rules, the
// range, refused headers and the memory check shared by parallel readers.
// (Reloading on the panel's loader thread: tst_slicesctrl.)

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "Joined.h"
#include "LogCapture.h"
#include "base/MemoryBudget.h"
#include "output/CtDataFile.h"
#include "view3d/SliceDatas.h"
#include "view3d/SliceFileReaders.h"

namespace {

QString writeText(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  f.write(text);
  return path;
}

// CT data file of w x h with value(x, y) = base + x + 1000 * y.
QString writeCt(const QTemporaryDir& dir, const QString& name, int w, int h, double base = 0,
                bool flat = false) {
  std::vector<double> img(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img[size_t(y) * w + x] = flat ? base : base + x + 1000.0 * y;
  QByteArray bytes;
  appendCtDataFile(bytes, img.data(), h, w, {0, 0, double(w), double(h)}, {1e9, -1e9, 0});
  return writeText(dir, name, bytes);
}

// XYV file of a 4 x 3 grid (X-NUM 5, Y-NUM 4) starting at (10, 20); value = x + 10 y
// relative to the origin; includes the extra last column and row, which lie outside.
QByteArray xyvText(bool commas) {
  QByteArray t = "## 240301 some title\n# X-NUM 5\n# Y-NUM 4\n# Format1 : XYV\n";
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const QByteArray sep = commas ? ", " : "  ";
      t += QByteArray::number(10 + x) + sep + QByteArray::number(20 + y) + sep +
           QByteArray::number(x + 10 * y) + "\n";
    }
  return t;
}

}  // namespace

class TestSliceDatas : public QObject {
  Q_OBJECT
 private slots:
  // The first slice fixes the size; a slice of another size, a flat one, a
  // missing file and one no reader takes are dropped, and loading goes on.
  void sizeAndFlatnessRules() {
    QTemporaryDir dir;
    const QString b = writeCt(dir, "b.dat", 100, 80, 5);
    SliceDatas s;
    QSignalSpy newFile(&s, &SliceDatas::loadedNewFile);
    // The missing file comes first, so that a parallel batch holds it together with a.
    s.filesSelected({dir.filePath("missing.dat"), writeCt(dir, "a.dat", 100, 80, 0),
                     writeText(dir, "junk.txt", "hello\n1 2 3\n"), writeCt(dir, "c.dat", 100, 81),
                     b, writeCt(dir, "d.dat", 100, 80, 3, true)});
    QCOMPARE(s.slices().size(), size_t(2));
    QCOMPARE(newFile.count(), 2);
    QCOMPARE(newFile.at(1).at(0).toString(), b);
    QVERIFY(s.isLoaded());
    // b's last pixel is the maximum.
    QCOMPARE(joined(s.width(), s.height(), s.minimum(), s.maximum()), "100 80 0 79104");
    QCOMPARE(s.slices()[1].value(7, 2), 5 + 7 + 2000.0);
    QCOMPARE(s.slices()[1].row(2)[7], 5 + 7 + 2000.0);
    QVERIFY(!s.slices()[0].isImage);
  }

  void xyvGrid() {
    for (bool commas : {false, true}) {
      QTemporaryDir dir;
      SliceRecord r;
      QVERIFY(readXyvSlice(writeText(dir, "s.txt", xyvText(commas)), r));
      // X-NUM 5 gives a grid one smaller; point (13, 22) is (3, 2) from the
      // origin (10, 20). The fifth column and fourth row lie outside and are
      // ignored, also for the range: the largest stored value is 23, not 34.
      // width height values (0, 0) (3, 2) minimum maximum
      QCOMPARE(joined(r.width, r.height, r.values.size(), r.value(0, 0), r.value(3, 2), r.minimum,
                      r.maximum),
               "4 3 12 0 23 0 23");
    }
  }

  void mixedKinds() {
    QTemporaryDir dir;
    // XYV grid of 100 x 80 (X-NUM 101, Y-NUM 81) with one point set.
    QByteArray xyv = "## 240301\n# X-NUM 101\n# Y-NUM 81\n0 0 -4\n99 79 2\n";
    QImage grey(100, 80, QImage::Format_Grayscale8);  // 0 .. 255 across
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) grey.scanLine(y)[x] = uchar((x * 255) / 99);
    QVERIFY(grey.save(dir.filePath("a.png")));
    const QStringList files{dir.filePath("a.png"), writeCt(dir, "b.dat", 100, 80),
                            writeText(dir, "c.xyv", xyv)};
    SliceDatas s;
    s.filesSelected(files);
    QCOMPARE(s.slices().size(), size_t(3));
    // The picture by grey level: 0 .. 255 across, 128 at x = 50.
    const SliceRecord& png = s.slices()[0];
    QVERIFY(png.isImage);
    QCOMPARE(joined(png.value(0, 5), png.value(50, 0), png.value(99, 5), png.minimum, png.maximum),
             "0 128 255 0 255");
    // The XYV point, then the series range over all three kinds.
    QCOMPARE(joined(s.slices()[2].value(99, 79), s.minimum(), s.maximum()), "2 -4 79099");
  }

  void emptySelection() {
    QTemporaryDir dir;
    SliceDatas s;
    s.filesSelected({writeCt(dir, "a.dat", 10, 10)});
    QVERIFY(s.isLoaded());
    QSignalSpy cleared(&s, &SliceDatas::cleared);
    QSignalSpy finished(&s, &SliceDatas::loadFilesFinished);
    s.filesSelected({});
    // cleared, finished, loaded, slices, width, maximum
    QCOMPARE(joined(cleared.count(), finished.count(), s.isLoaded(), s.slices().size(), s.width(),
                    s.maximum()),
             "1 1 0 0 0 1");
  }

  // Headers whose grid the reader must not allocate: one beyond any size, and
  // 44 bytes claiming a 16384 x 16384 grid (it used to cost 2 GiB).
  void hugeHeaderRefused() {
    for (auto [text, message] :
         {std::pair{"## 240301\n# X-NUM 2000000000\n# Y-NUM 2000000000\n0 0 1\n1 1 2\n",
                    "XYV file refused, grid 1999999999 x 1999999999 too large: "},
          {"## 240301\n# X-NUM 16385\n# Y-NUM 16385\n0 0 1\n",
           "XYV file refused, grid 16384 x 16384 more than its 44 bytes can fill: "}}) {
      QTemporaryDir dir;
      const QString path = writeText(dir, "h.xyv", text);
      LogCapture log;
      SliceRecord r;
      QVERIFY(!readXyvSlice(path, r));
      QCOMPARE(log.lines(), QStringList{message + path});
    }
  }

  // The readers of one load run in parallel; each reserves the memory of its grid
  // while it fills it, so that two of them cannot both count on the same free bytes.
  void parallelReadersShareTheMemoryCheck() {
    const qint64 avail = memorybudget::availableBytes();
    if (avail <= 0) QSKIP("the free memory cannot be told here");
    const qint64 share = avail / 10 * 6;
    memorybudget::Reservation first = memorybudget::reserve(share);
    QVERIFY(first);
    QVERIFY(!memorybudget::reserve(share));  // 60 % + 60 % of what is free
    QTemporaryDir dir;
    SliceRecord r;
    QVERIFY(readSliceFile(writeCt(dir, "a.dat", 30, 20), r));  // small grids still fit
    first.release();
    QVERIFY(memorybudget::reserve(share));
    QCOMPARE(memorybudget::reservedBytes(), qint64(0));  // every reservation handed back
  }
};

QTEST_MAIN(TestSliceDatas)
#include "tst_slicedatas.moc"
