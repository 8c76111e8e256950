// The real program, headless, on an HDF5 scan written by the generator: its
// slices equal those of the same frames written as ITEX files with the
// averaged references.
#include <hdf5.h>
#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "ItexFixture.h"
#include "RunProgram.h"

namespace {
const QString kVanto = QStringLiteral(VANTO_BINARY_DIR "/src/vanto");
const QString kPhantom = QStringLiteral(VANTO_BINARY_DIR "/tools/vanto-phantom/vanto-phantom");
constexpr int kW = 96, kRows = 3, kProjections = 60;

// Frames [first, first + n) of a stack as unsigned 16-bit pixels.
bool readFrames(hid_t file, const char* name, hsize_t first, hsize_t n,
                std::vector<uint16_t>& out) {
  const hid_t d = H5Dopen2(file, name, H5P_DEFAULT);
  if (d < 0) return false;
  const hid_t fs = H5Dget_space(d);
  const hsize_t start[3] = {first, 0, 0}, count[3] = {n, kRows, kW};
  const hid_t ms = H5Screate_simple(3, count, nullptr);
  out.resize(size_t(n) * kRows * kW);
  const bool ok = H5Sselect_hyperslab(fs, H5S_SELECT_SET, start, nullptr, count, nullptr) >= 0 &&
                  H5Dread(d, H5T_NATIVE_UINT16, ms, fs, H5P_DEFAULT, out.data()) >= 0;
  H5Sclose(ms);
  H5Sclose(fs);
  H5Dclose(d);
  return ok;
}

// The mean of n frames, summed in frame order.
std::vector<double> mean(const std::vector<uint16_t>& frames, int n) {
  std::vector<double> m(size_t(kRows) * kW, 0.0);
  for (int f = 0; f < n; ++f)
    for (size_t i = 0; i < m.size(); ++i) m[i] += frames[size_t(f) * m.size() + i];
  for (double& v : m) v /= n;
  return m;
}

bool writeDoubleTiff(const QString& path, const std::vector<double>& px) {
  TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!t) return false;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kW);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, kRows);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 64);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  bool ok = true;
  for (int y = 0; y < kRows && ok; ++y)
    ok = TIFFWriteScanline(t, const_cast<double*>(px.data()) + y * kW, uint32_t(y), 0) == 1;
  TIFFClose(t);
  return ok;
}

bool writeText(const QString& path, const QString& text) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Text) && f.write(text.toUtf8()) > 0;
}

// A job reconstructing slices 0 to 2 into out, its inputs given by lines.
QString batch(const QString& inputs, const QString& out) {
  return inputs +
         QStringLiteral(
             "images_keep_setup 1\nct_rot_ax_is_v 1\nct_cor 48\nct_proc_slice 1\n"
             "ct_slice_from 0\nct_slice_to 2\nct_slice_step 1\ncalc_ct2 1\nct_auto_exec 1\n"
             "ct_threads 2\ncalc_show_res 0\nauto_save_data 1\nauto_save_data_path %1\n"
             "auto_save_data_name s\nauto_save_data_tag t\ncalc_exec\n")
             .arg(out);
}

}  // namespace

class TestHdf5E2e : public QObject {
  Q_OBJECT

 private slots:
  void sameSlicesAsItexFiles_data() {
    QTest::addColumn<bool>("nxtomo");
    QTest::newRow("Data Exchange") << false;
    QTest::newRow("NXtomo") << true;
  }
  void sameSlicesAsItexFiles() {
    QFETCH(bool, nxtomo);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QDir dir(tmp.path());
    QStringList args = {"--out",         "ph",
                        "--format",      "h5",
                        "--width",       QString::number(kW),
                        "--rows",        QString::number(kRows),
                        "--projections", QString::number(kProjections)};
    if (nxtomo)
      args << "--layout"
           << "nxtomo";
    QCOMPARE(runProgram(kPhantom, args, dir.path(), 300000, nullptr), 0);
    const QString scan = nxtomo ? "ph/scan.nxs" : "ph/scan.h5";

    // The same frames as ITEX projections, the averaged references as
    // 64-bit float TIFFs (a mean of 10 counts needs more than 32 bits).
    std::vector<uint16_t> proj, flat, dark;
    {
      const hid_t f =
          H5Fopen(QFile::encodeName(dir.filePath(scan)).constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
      QVERIFY(f >= 0);
      bool ok;
      if (nxtomo)  // 5 darks, 10 flats, then the projections
        ok = readFrames(f, "/entry/instrument/detector/data", 0, 5, dark) &&
             readFrames(f, "/entry/instrument/detector/data", 5, 10, flat) &&
             readFrames(f, "/entry/instrument/detector/data", 15, kProjections, proj);
      else
        ok = readFrames(f, "/exchange/data_dark", 0, 5, dark) &&
             readFrames(f, "/exchange/data_white", 0, 10, flat) &&
             readFrames(f, "/exchange/data", 0, kProjections, proj);
      H5Fclose(f);
      QVERIFY(ok);
    }
    QVERIFY(dir.mkpath("ph/itex"));
    const size_t frame = size_t(kRows) * kW;
    for (int k = 0; k < kProjections; ++k) {
      std::vector<uint16_t> one(proj.begin() + k * frame, proj.begin() + (k + 1) * frame);
      QVERIFY(itexfixture::writeU16(
          dir.filePath(QString("ph/itex/proj-%1.img").arg(k, 5, 10, QChar('0'))), kW, kRows,
          {one}));
    }
    QVERIFY(writeDoubleTiff(dir.filePath("ph/itex/i0.tif"), mean(flat, 10)));
    QVERIFY(writeDoubleTiff(dir.filePath("ph/itex/bg.tif"), mean(dark, 5)));

    const QString fromScan = QString("images_load ph %1\ni0_load %2\nbg_load %2\n")
                                 .arg(QFileInfo(scan).fileName(), scan);
    const QString fromItex =
        "images_load ph/itex proj-*.img\ni0_load ph/itex/i0.tif\n"
        "bg_load ph/itex/bg.tif\n";
    QVERIFY(writeText(dir.filePath("a.batch"), batch(fromScan, "outA")));
    QVERIFY(writeText(dir.filePath("b.batch"), batch(fromItex, "outB")));
    QByteArray logA, logB;
    for (auto [name, log] : {std::pair{"a.batch", &logA}, std::pair{"b.batch", &logB}})
      QCOMPARE(runProgram(kVanto, {"-nw", "-e", "-b", name, "-x", "-q"}, dir.path(), 300000, log),
               0);

    // Lines naming the scan file (as the batch gave it, or absolute).
    const QByteArray end = QFileInfo(scan).fileName().toUtf8();
    auto hasLine = [&](const QByteArray& start) {
      for (const QByteArray& l : logA.split('\n'))
        if (l.startsWith(start) && l.endsWith(end)) return true;
      return false;
    };
    const QByteArray flatLine =
        nxtomo ? "HDF5 reference: mean of 10 flat frames of /entry/instrument/detector/data "
                 "(image_key 1) "
               : "HDF5 reference: mean of 10 flat frames of /exchange/data_white ";
    const QByteArray darkLine =
        nxtomo ? "HDF5 reference: mean of 5 dark frames of /entry/instrument/detector/data "
                 "(image_key 2) "
               : "HDF5 reference: mean of 5 dark frames of /exchange/data_dark ";
    QVERIFY2(hasLine(flatLine), logA.constData());
    QVERIFY2(hasLine(darkLine), logA.constData());
    QVERIFY2(hasLine("HDF5 angles: 60 projections evenly spaced by 3 deg from 0 deg, range 180 "
                     "deg, as the processing control says "),
             logA.constData());

    for (int s = 0; s < kRows; ++s) {
      const QString name = QString("s-t-%1.dat").arg(s, 5, 10, QChar('0'));
      QFile a(dir.filePath("outA/" + name)), b(dir.filePath("outB/" + name));
      QVERIFY2(a.open(QIODevice::ReadOnly), qPrintable(a.fileName()));
      QVERIFY2(b.open(QIODevice::ReadOnly), qPrintable(b.fileName() + "\n" + logB));
      const QByteArray bytesA = a.readAll();
      QVERIFY(bytesA.count('\n') > 1000);
      QVERIFY2(bytesA == b.readAll(), qPrintable(name));
    }
  }
};

QTEST_GUILESS_MAIN(TestHdf5E2e)
#include "tst_hdf5_e2e.moc"
