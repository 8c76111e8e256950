// Slices saved as 32-bit float TIFF: the values of the CT data file of the
// same region, and the 3D view reading float and 16-bit TIFF slices by value.
#include <tiffio.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "Joined.h"
#include "output/CtDataFile.h"
#include "output/CtFloatTiff.h"
#include "view3d/SliceFileReaders.h"

class TestFloatTiff : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString path(const QString& n) const { return dir_.filePath(n); }

 private slots:
  // A float TIFF slice holds the values of the CT data file of the same
  // region and limits, rounded to float; the 3D view reads it by value.
  void floatTiffHoldsTheDataFileValues() {
    // 4 x 4 image; region x 1 .. 6 (exclusive), y 2 .. 4: columns 1 to 5
    // (4 and 5 lie outside the image), rows 2 and 3.
    std::vector<double> image(16, 1.0);
    image[2 * 4 + 1] = 12.5;  // above the upper limit 10: 0, + offset 10 = 10
    image[2 * 4 + 2] = -3;    // 7
    image[3 * 4 + 3] = 0.1;   // 10.1
    const CtDataRegion region{1, 2, 6, 4};
    const CtDataLimits limits{10, -10, 10};
    const std::vector<float> expected = {10, 7, 11, 10, 10, 11, 11, float(10.1), 10, 10};
    QByteArray dat, tif;
    appendCtDataFile(dat, image.data(), 4, 4, region, limits);
    QVERIFY(appendCtFloatTiff(tif, image.data(), 4, 4, region, limits));
    for (const auto& [name, bytes] : {std::pair{"s.dat", &dat}, std::pair{"s.tif", &tif}}) {
      QFile f(path(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
      QCOMPARE(f.write(*bytes), bytes->size());
    }
    // A 5 x 2 single-sample 32-bit float picture whose description is the
    // data file's header lines, read by the 3D view by value.
    TIFF* t = TIFFOpen(QFile::encodeName(path("s.tif")).constData(), "r");
    QVERIFY(t);
    uint32_t w = 0, h = 0;
    uint16_t bits = 0, format = 0;
    char* desc = nullptr;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(t, TIFFTAG_SAMPLEFORMAT, &format);
    const bool described = TIFFGetField(t, TIFFTAG_IMAGEDESCRIPTION, &desc);
    const QByteArray header = described ? QByteArray(desc) : QByteArray();
    TIFFClose(t);
    QCOMPARE(QString("%1 x %2, %3 bits, format %4").arg(w).arg(h).arg(bits).arg(format),
             QString("5 x 2, 32 bits, format %1").arg(SAMPLEFORMAT_IEEEFP));
    QVERIFY(dat.startsWith(header));
    QCOMPARE(header.count('\n'), 6);
    SliceRecord r;
    QVERIFY(readSliceFile(path("s.tif"), r));
    QCOMPARE(std::vector<double>(r.values.begin(), r.values.end()),
             std::vector<double>(expected.begin(), expected.end()));
    // picture, width, minimum, maximum
    QCOMPARE(joined(r.isImage, r.width, r.minimum, r.maximum), "0 5 7 11");
    // The data file's values (6 significant digits) agree to their precision.
    CtDataGrid grid;
    QVERIFY(readCtDataFile(path("s.dat"), grid));
    QCOMPARE(grid.width * grid.height, 10);
    for (int i = 0; i < 10; ++i)
      QVERIFY(std::fabs(grid.values[size_t(i)] - expected[size_t(i)]) <=
              5e-6 * std::fabs(expected[size_t(i)]));
  }

  // 16-bit slices keep their counts in the 3D view.
  void sliceViewReads16BitTiffByValue() {
    const QString file = path("s16.tif");
    TIFF* t = TIFFOpen(QFile::encodeName(file).constData(), "w");
    QVERIFY(t);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 3);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    uint16_t px[3] = {0, 40000, 65535};
    QVERIFY(TIFFWriteScanline(t, px, 0, 0) == 1);
    TIFFClose(t);
    SliceRecord r;
    QVERIFY(readSliceFile(file, r));
    QCOMPARE(r.value(1, 0), 40000.0);
    QCOMPARE(r.maximum, 65535.0);
  }
};

QTEST_GUILESS_MAIN(TestFloatTiff)
#include "tst_floattiff.moc"
