// HDF5 scan files read frame by frame (Data Exchange, NXtomo, FILE::/dataset),
// references averaged from them, bad files refused, and the angle check.
// Fixtures are written with the HDF5 C library into a temporary folder.
#include <hdf5.h>

#include <QtTest>
#include <cmath>
#include <functional>

#include "ItexFixture.h"
#include "Joined.h"
#include "LogCapture.h"
#include "imagedata/ImgDataHdf5.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/ScanAngles.h"
#include "imagedata/SelectAImgFile.h"

namespace {

// Frame size of every fixture: 5 wide, 4 high.
constexpr int kW = 5, kH = 4;

struct H5 {
  hid_t id;
  herr_t (*close)(hid_t);
  ~H5() {
    if (id >= 0) close(id);
  }
  operator hid_t() const { return id; }
};

// Writes a dataset of dims from doubles, converted by the library to type.
// Chunked: two frames per chunk, gzip level 6.
bool writeData(hid_t file, const char* path, hid_t type, std::vector<hsize_t> dims,
               const std::vector<double>& values, bool chunked = false) {
  H5 lcpl{H5Pcreate(H5P_LINK_CREATE), H5Pclose};
  H5Pset_create_intermediate_group(lcpl, 1);
  H5 dcpl{H5Pcreate(H5P_DATASET_CREATE), H5Pclose};
  if (chunked) {
    std::vector<hsize_t> chunk = dims;
    chunk[0] = std::min<hsize_t>(2, dims[0]);
    H5Pset_chunk(dcpl, int(chunk.size()), chunk.data());
    H5Pset_deflate(dcpl, 6);
  }
  H5 space{H5Screate_simple(int(dims.size()), dims.data(), nullptr), H5Sclose};
  H5 d{H5Dcreate2(file, path, type, space, lcpl, dcpl, H5P_DEFAULT), H5Dclose};
  return d.id >= 0 &&
         H5Dwrite(d, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) >= 0;
}

// frames x kH x kW values, value(frame, y, x).
std::vector<double> stack(int frames, const std::function<double(int, int, int)>& value, int w = kW,
                          int h = kH) {
  std::vector<double> v;
  for (int f = 0; f < frames; ++f)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) v.push_back(value(f, y, x));
  return v;
}

std::vector<hsize_t> dims3(int frames, int w = kW, int h = kH) {
  return {hsize_t(frames), hsize_t(h), hsize_t(w)};
}

// A file, or null when it cannot be created.
std::unique_ptr<H5> create(const QString& path) {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  std::unique_ptr<H5> f(new H5{
      H5Fcreate(QFile::encodeName(path).constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT),
      H5Fclose});
  if (f->id < 0) return nullptr;
  return f;
}

// The NXtomo fixture's frame kinds: a dark, a projection, a flat, two more
// projections, a flat (projections are frames 1, 3 and 4).
const std::vector<double> kKeys = {2, 0, 1, 0, 0, 1};

// The exact message line a reader writes: text, blank, quoted file.
QString line(const QString& text, const QString& file) { return text + QLatin1Char(' ') + file; }

}  // namespace

class TestHdf5 : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString path(const QString& n) const { return dir_.filePath(n); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(itexfixture::writeRamp(path("good.img"), kW, kH, 7));
  }

  // Every pixel type through every layout: frame k of the set is the k-th
  // projection of the file, pixel for pixel, by row and by column.
  void readsProjections_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<qint64>("type");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("offset");
    // clang-format off
    // value = (frame * 20 + y * 5 + x) * scale + offset, so that the extreme
    // of each type is reached: 59 + 196 = 255, 59 + 65476 = 65535, ...
    QTest::newRow("uint8, Data Exchange") << "dx" << qint64(H5T_STD_U8LE) << 1.0 << 196.0;
    QTest::newRow("uint16, Data Exchange, gzip") << "dx-gzip" << qint64(H5T_STD_U16BE) << 1.0 << 65476.0;
    // (NXtomo fixtures have 6 frames: up to 119 before the offset.)
    QTest::newRow("uint32, NXtomo") << "nx" << qint64(H5T_STD_U32LE) << 1.0 << 4294967176.0;
    QTest::newRow("int16, named dataset") << "path" << qint64(H5T_STD_I16LE) << -1.0 << -32709.0;
    QTest::newRow("int32, Data Exchange, gzip") << "dx-gzip" << qint64(H5T_STD_I32BE) << -1.0 << -2147483589.0;
    QTest::newRow("float32, NXtomo, gzip") << "nx-gzip" << qint64(H5T_IEEE_F32LE) << 0.25 << -7.5;
    QTest::newRow("float64, named dataset") << "path" << qint64(H5T_IEEE_F64BE) << 1e-3 << 1e10;
    // clang-format on
  }
  void readsProjections() {
    QFETCH(QString, layout);
    QFETCH(qint64, type);
    QFETCH(double, scale);
    QFETCH(double, offset);
    const bool nx = layout.startsWith("nx"), gzip = layout.endsWith("gzip");
    const QString file = path(QStringLiteral("p-%1.h5").arg(QTest::currentDataTag()));
    {
      auto f = create(file);
      QVERIFY(f);
      const int frames = nx ? int(kKeys.size()) : 3;
      const auto v = stack(
          frames, [&](int fr, int y, int x) { return (fr * 20 + y * 5 + x) * scale + offset; });
      const char* name = nx ? "/entry/instrument/detector/data"
                            : (layout == "path" ? "/my/stack" : "/exchange/data");
      QVERIFY(writeData(*f, name, hid_t(type), dims3(frames), v, gzip));
      if (nx)
        QVERIFY(writeData(*f, "/entry/instrument/detector/image_key", H5T_STD_U8LE, {kKeys.size()},
                          kKeys));
    }
    const QString source = layout == "path" ? file + "::/my/stack" : file;
    const std::vector<int> frameOf = nx ? std::vector<int>{1, 3, 4} : std::vector<int>{0, 1, 2};

    Hdf5Scan::releaseCache();
    QCOMPARE(ImgDatas::framesInFile(source), 3);
    ImgDatas set;
    for (int k = 0; k < 3; ++k) QVERIFY(set.add(source, k));
    QVERIFY(!set.add(source, 3));
    QCOMPARE(joined(set.count(), set.width(), set.height()), joined(3, kW, kH));
    std::vector<double> buf(kW), col(kH);
    for (int k = 0; k < 3; ++k) {
      const auto want = [&](int y, int x) {
        return (frameOf[size_t(k)] * 20 + y * 5 + x) * scale + offset;
      };
      set.frame(k)->column(kW - 1, col.data());
      for (int y = 0; y < kH; ++y) {
        set.frame(k)->row(y, buf.data());
        for (int x = 0; x < kW; ++x) QCOMPARE(buf[size_t(x)], want(y, x));
        QCOMPARE(col[size_t(y)], want(y, kW - 1));
      }
    }
  }

  // A named dataset as the I0 reference: the mean of every frame of it
  // (0, 100, 200 + y + x: mean 100 + y + x), and the log says how many. The
  // Data Exchange and NXtomo references (flat and dark frames) run end to end
  // in tst_hdf5_e2e.
  void averagesANamedDataset() {
    const QString file = path("r-named.h5");
    {
      auto f = create(file);
      QVERIFY(f);
      QVERIFY(writeData(*f, "/flat/stack", H5T_IEEE_F32LE, dims3(3),
                        stack(3, [](int fr, int y, int x) { return 100 * fr + y + x; })));
    }
    Hdf5Scan::releaseCache();
    LogCapture log;
    SelectAImgFile sel;
    sel.setHdf5Role(Hdf5Scan::Role::Flats);
    QVERIFY(sel.load(file + "::/flat/stack"));
    QCOMPARE(log.lines().filter("HDF5 reference"),
             QStringList{line("HDF5 reference: mean of 3 flat frames of /flat/stack", file)});
    std::vector<double> buf(kW);
    sel.frame()->row(kH - 1, buf.data());
    QCOMPARE(joined(buf[0], buf[kW - 1]), "103 107");  // 100 + 3 + 0, 100 + 3 + 4
  }

  // Bad files are refused with a line naming file and dataset; the frames
  // loaded before stay, and so does the reference in use.
  void refusesBadFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("role");  // 0 projections, 1 flats
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("truncated") << "truncated" << 0 << "Can not open HDF5 file (damaged or truncated)";
    QTest::newRow("rank 2") << "rank2" << 0 << "HDF5 dataset is not a stack of frames (rank 2): /exchange/data";
    QTest::newRow("64-bit integers") << "int64" << 0 << "HDF5 dataset has an unsupported pixel type: /exchange/data";
    QTest::newRow("no layout") << "nolayout" << 0 << "HDF5 file holds no projections (neither /exchange/data nor /entry/instrument/detector/data; name a dataset as FILE::/path)";
    QTest::newRow("named dataset missing") << "named" << 0 << "HDF5 dataset not found: /nothing";
    QTest::newRow("image_key shorter than the data") << "shortkey" << 0 << "HDF5 image_key is shorter than the data (4 < 6): /entry/instrument/detector/image_key";
    QTest::newRow("damaged compressed chunk") << "badchunk" << 0 << "Can not read HDF5 frame 0 (damaged or truncated): /exchange/data";
    QTest::newRow("flat frames of another size") << "smallwhite" << 1 << "HDF5 frames differ in size from the projections (3 x 3 != 5 x 4): /exchange/data_white";
    // clang-format on
  }
  void refusesBadFiles() {
    QFETCH(QString, kind);
    QFETCH(int, role);
    QFETCH(QString, message);
    const QString file = path(QStringLiteral("bad-%1.h5").arg(kind));
    const auto ramp = [](int fr, int y, int x) { return fr * 20 + y * 5 + x; };
    {
      auto f = create(file);
      QVERIFY(f);
      if (kind == "rank2")
        QVERIFY(writeData(*f, "/exchange/data", H5T_STD_U16LE, {kH, kW}, stack(1, ramp)));
      else if (kind == "int64")
        QVERIFY(writeData(*f, "/exchange/data", H5T_STD_I64LE, dims3(2), stack(2, ramp)));
      else if (kind == "nolayout" || kind == "named")
        QVERIFY(writeData(*f, "/some/stack", H5T_STD_U16LE, dims3(2), stack(2, ramp)));
      else if (kind == "shortkey") {
        QVERIFY(writeData(*f, "/entry/instrument/detector/data", H5T_STD_U16LE, dims3(6),
                          stack(6, ramp)));
        QVERIFY(
            writeData(*f, "/entry/instrument/detector/image_key", H5T_STD_U8LE, {4}, {0, 0, 1, 2}));
      } else {
        const int frames = kind == "truncated" ? 40 : 2;  // enough to cut inside the data
        QVERIFY(writeData(*f, "/exchange/data", H5T_STD_U16LE, dims3(frames), stack(frames, ramp),
                          kind == "badchunk"));
        QVERIFY(writeData(*f, "/exchange/data_white", H5T_STD_U16LE,
                          kind == "smallwhite" ? dims3(2, 3, 3) : dims3(2),
                          kind == "smallwhite" ? stack(2, ramp, 3, 3) : stack(2, ramp)));
      }
      if (kind == "badchunk") {
        // Where the first compressed chunk lies, to damage it below.
        haddr_t addr = 0;
        hsize_t size = 0;
        {
          H5 d{H5Dopen2(*f, "/exchange/data", H5P_DEFAULT), H5Dclose};
          const hsize_t at[3] = {0, 0, 0};
          unsigned mask = 0;
          QVERIFY(H5Dget_chunk_info_by_coord(d, at, &mask, &addr, &size) >= 0);
        }
        f.reset();
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadWrite));
        QVERIFY(raw.seek(qint64(addr)));
        QVERIFY(raw.write(QByteArray(int(size), '\x5a')) == qint64(size));
      }
    }
    if (kind == "truncated") {
      QFile raw(file);
      QVERIFY(raw.resize(raw.size() / 2));
    }
    Hdf5Scan::releaseCache();
    LogCapture log;
    if (role == 0) {
      ImgDatas set;
      QVERIFY(set.add(path("good.img"), 0));
      QVERIFY(!set.add(kind == "named" ? file + "::/nothing" : file, 0));
      QCOMPARE(set.count(), 1);
    } else {
      SelectAImgFile sel;
      sel.setHdf5Role(Hdf5Scan::Role::Flats);
      QVERIFY(sel.load(path("good.img")));
      const ImgData* before = sel.frame();
      QVERIFY(!sel.load(file));
      QCOMPARE(sel.frame(), before);
    }
    QVERIFY2(log.lines().contains(line(message, file)), qPrintable(log.lines().join('\n')));
  }

  // Hand-worked comparisons of file angles with the processing control.
  void comparesAngles_data() {
    QTest::addColumn<std::vector<double>>("angles");
    QTest::addColumn<bool>("warn");
    QTest::addColumn<QString>("text");
    const QString pc = "the processing control has range 180 deg and origin 0 deg";
    // clang-format off
    // 0 to 180 with both ends: a step of 60 makes four projections cover 240 deg.
    QTest::newRow("last angle repeats the first") << std::vector<double>{0, 60, 120, 180} << true << "HDF5 angles: 4 projections evenly spaced by 60 deg from 0 deg imply range 240 deg and origin 0 deg, but " + pc + "; the reconstruction uses the processing control";
    // Step (135 - 0) / 3 = 45: the third angle lies 100 - 90 = 10 deg off.
    QTest::newRow("uneven") << std::vector<double>{0, 45, 100, 135} << true << "HDF5 angles are not evenly spaced: 4 projections from 0 to 135 deg, up to 10 deg off even steps; " + pc + ", which the reconstruction uses";
    std::vector<double> f32;
    for (int k = 0; k < 900; ++k) f32.push_back(double(float(k * 0.2)));
    QTest::newRow("32-bit float angles") << f32 << false << "HDF5 angles: 900 projections evenly spaced by 0.2 deg from 0 deg, range 180 deg, as the processing control says";
    // clang-format on
  }
  void comparesAngles() {
    QFETCH(std::vector<double>, angles);
    QFETCH(bool, warn);
    QFETCH(QString, text);
    bool warned = !warn;
    QCOMPARE(compareScanAngles(angles, 180.0, 0.0, warned), text);
    QCOMPARE(warned, warn);
  }
};

QTEST_MAIN(TestHdf5)
#include "tst_hdf5.moc"
