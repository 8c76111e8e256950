// Frame readers: file-type detection, the ITEX header and comment, every pixel
// type, multi-frame offsets, the failure messages, refusal of inconsistent or
// truncated files, and TIFF files written here with libtiff. Rendering a frame
// through the grey map is checked by tst_imgdisp.
#include <tiffio.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "ItexFixture.h"
#include "Joined.h"
#include "LogCapture.h"
#include "imagedata/ImgData.h"
#include "imagedata/ImgDataITEX.h"

namespace {

struct Itex {
  int commentLengthField = -1;  // -1: the real length
  int headerWidth = 4, headerHeight = 3, type = 2, frames = 1;
  QByteArray comment = "Prop_ImageWidth=4,Prop_ImageHeight=3,";
  QByteArray pixels;  // all frames' pixel bytes; further frames get their own header

  QByteArray header(bool first) const {
    const int length = commentLengthField >= 0 ? commentLengthField : int(comment.size());
    return itexfixture::header(first ? length : 0, headerWidth, headerHeight, type, frames);
  }
  QByteArray bytes() const {
    const int bpp = type == 0 ? 1 : (type <= 2 ? 2 : 4);
    const qint64 frameBytes = qint64(headerWidth) * headerHeight * bpp;
    QByteArray out = header(true) + comment;
    for (int f = 0; f * frameBytes < pixels.size(); ++f) {
      if (f > 0) out += header(false);
      out += pixels.mid(f * frameBytes, frameBytes);
    }
    return out;
  }
};

template <typename T>
QByteArray raw(std::initializer_list<T> values) {
  QByteArray b;
  for (T v : values) b.append(reinterpret_cast<const char*>(&v), sizeof v);
  return b;
}

// The 4 x 3 frame of the default header, values 0 .. 11.
const QByteArray kRamp = raw<quint16>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});

// The ITEX reader on its own, pointed at path.
std::unique_ptr<ImgDataITEX> itexReader(const QString& path) {
  auto d = std::make_unique<ImgDataITEX>();
  d->init();
  d->setFilePath(path);
  return d;
}

}  // namespace

class TestImageData : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  int n_ = 0;

  QString write(const QByteArray& bytes, const QString& suffix = ".img") {
    const QString p = dir_.filePath(QString("f%1%2").arg(n_++).arg(suffix));
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write fixture");
    f.write(bytes);
    return p;
  }

  static std::unique_ptr<ImgData> openFrame(const QString& path, int frame = 0) {
    auto d = createImgData(fileType(path));
    if (!d) return nullptr;
    d->setFilePath(path);
    if (!d->open(frame)) return nullptr;
    return d;
  }

  std::vector<double> rowOf(ImgData& d, int y) {
    std::vector<double> r(static_cast<size_t>(d.width()));
    d.row(y, r.data());
    return r;
  }

  QString writeTiff(int w, int h, int bits, int format, int pages, bool tiled, bool bigEndian,
                    int spp = 1, int compression = COMPRESSION_NONE) {
    const QString p = dir_.filePath(QString("t%1.tif").arg(n_++));
    TIFF* t = TIFFOpen(QFile::encodeName(p).constData(), bigEndian ? "wb" : "wl");
    for (int page = 0; page < pages; ++page) {
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
      TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
      TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, format);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, spp == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
      TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
      TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
      const int bpp = bits / 8 * spp;
      // value of pixel (x, y) on page k: 100 * k + 10 * y + x (negated for signed types)
      auto fill = [&](unsigned char* dst, int x, int y) {
        const double v = (format == SAMPLEFORMAT_INT ? -1 : 1) * (100.0 * page + 10 * y + x);
        auto put = [&](auto value) {
          for (int s = 0; s < spp; ++s) std::memcpy(dst + s * sizeof value, &value, sizeof value);
        };
        if (format == SAMPLEFORMAT_IEEEFP)
          bits == 32 ? put(float(v) + 0.5f) : put(v + 0.25);
        else
          bits == 8 ? put(qint8(v)) : bits == 16 ? put(qint16(v)) : put(qint32(v));
      };
      if (tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        std::vector<unsigned char> tile(16 * 16 * bpp);
        for (int ty = 0; ty < h; ty += 16)
          for (int tx = 0; tx < w; tx += 16) {
            std::fill(tile.begin(), tile.end(), 0);
            for (int y = 0; y < 16 && ty + y < h; ++y)
              for (int x = 0; x < 16 && tx + x < w; ++x)
                fill(&tile[(y * 16 + x) * bpp], tx + x, ty + y);
            TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
          }
      } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
        std::vector<unsigned char> line(size_t(w) * bpp);
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) fill(&line[size_t(x) * bpp], x, y);
          TIFFWriteScanline(t, line.data(), y, 0);
        }
      }
      TIFFWriteDirectory(t);
    }
    TIFFClose(t);
    return p;
  }

 private slots:
  void fileTypes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("type");
    QTest::newRow("IM") << QByteArray("IMxx") << int(ImgFileType::ITEX);
    QTest::newRow("II") << QByteArray("II*\0", 4) << int(ImgFileType::TIFF);
    QTest::newRow("other") << QByteArray("PK") << int(ImgFileType::Unknown);
    QTest::newRow("one byte") << QByteArray("I") << int(ImgFileType::Unknown);
  }
  void fileTypes() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, type);
    const QString p = write(bytes, ".bin");
    LogCapture log;
    QCOMPARE(int(fileType(p)), type);
    QCOMPARE(log.lines().contains(QString("Unknown file type : %1").arg(p)),
             type == int(ImgFileType::Unknown));
    if (type == int(ImgFileType::Unknown)) QVERIFY(!createImgData(ImgFileType::Unknown));
  }

  // A missing file: the type check and the reader each say what they could not open.
  void missingFile() {
    const QString p = dir_.filePath("absent.img");
    LogCapture log;
    QCOMPARE(int(fileType(p)), int(ImgFileType::Unknown));
    auto d = itexReader(p);
    QVERIFY(!d->open(0));
    QCOMPARE(log.lines(),
             (QStringList{"Check File Type (ITEX):: Can not open " + p,
                          "Check File Type (TIFF):: Can not open " + p, "Unknown file type : " + p,
                          "Can not open ITEX file to read props. " + p}));
  }

  void pixelTypes_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("pixels");
    QTest::addColumn<std::vector<double>>("values");
    QTest::newRow("u8") << 0 << raw<quint8>({255, 7}) << std::vector<double>{255, 7};
    QTest::newRow("s16") << 1 << raw<quint16>({0xFFFF, 300}) << std::vector<double>{-1, 300};
    QTest::newRow("u16") << 2 << raw<quint16>({0xFFFF, 300}) << std::vector<double>{65535, 300};
    QTest::newRow("s32") << 3 << raw<qint32>({-70000, 5}) << std::vector<double>{-70000, 5};
    QTest::newRow("f32") << 4 << raw<float>({1.5f, -2.25f}) << std::vector<double>{1.5, -2.25};
    QTest::newRow("unsupported") << 7 << QByteArray() << std::vector<double>{0, 0};
  }
  void pixelTypes() {
    QFETCH(int, type);
    QFETCH(QByteArray, pixels);
    QFETCH(std::vector<double>, values);
    Itex f;
    f.type = type;
    f.headerWidth = 2;
    f.headerHeight = 1;
    f.comment = "Prop_ImageWidth=2,Prop_ImageHeight=1,";
    f.pixels = pixels;
    auto d = openFrame(write(f.bytes()));
    QVERIFY(d);
    QCOMPARE(rowOf(*d, 0), values);
  }

  void commentKeys() {
    // Prop_ImageWidth wins over the area; the later exposure key wins; the
    // last item without a comma has no effect.
    Itex g;
    g.headerWidth = 8;
    g.headerHeight = 8;
    g.comment =
        "Prop_ExposureTime2=0.5,areSource=\"0,0,6,5\",Prop_ImageWidth=4,"
        "Prop_ExposureTime1=2.5,Prop_ImageHeight=2";
    g.pixels = QByteArray(8 * 8 * 2, '\0');
    auto d = openFrame(write(g.bytes()));
    QVERIFY(d);
    // The height from the area: the last item was not examined.
    QCOMPARE(joined(d->width(), "x", d->height(), d->expTime()), "4 x 5 2.5");
  }

  void rowsAndColumns() {
    Itex f;  // 4 x 3, values 0 .. 11
    f.pixels = kRamp;
    auto d = openFrame(write(f.bytes()));
    QVERIFY(d);
    QCOMPARE(rowOf(*d, 2), (std::vector<double>{8, 9, 10, 11}));
    std::vector<double> col(3, -1);
    d->column(1, col.data());
    QCOMPARE(col, (std::vector<double>{1, 5, 9}));
    // Outside the frame: zeros, never a read outside the pixels.
    QCOMPARE(rowOf(*d, 3), (std::vector<double>(4, 0.0)));
    QCOMPARE(rowOf(*d, -1), (std::vector<double>(4, 0.0)));
    d->column(4, col.data());
    QCOMPARE(col, (std::vector<double>(3, 0.0)));
    double mn = 1, mx = 1;
    d->minMax(mn, mx);
    QCOMPARE(std::make_pair(mn, mx), std::make_pair(0.0, 11.0));
  }

  void multiFrameOffsets() {
    Itex f;
    f.comment = QByteArray(100, ' ');
    f.comment.replace(0, 37, "Prop_ImageWidth=512,Prop_ImageHeight=");
    f.comment.replace(37, 4, "512,");
    f.headerWidth = f.headerHeight = 512;
    f.frames = 3;
    for (int k = 0; k < 3; ++k) f.pixels += QByteArray(512 * 512 * 2, char(k + 1));
    const QString p = write(f.bytes(), ".his");
    auto itex = itexReader(p);
    QVERIFY(itex->open(2));
    QCOMPARE(itex->frameCount(), 3);
    QCOMPARE(itex->frameOffset(), qint64(164 + 2 * (524288 + 64)));
    QCOMPARE(rowOf(*itex, 100)[7], double(0x0303));
    auto first = openFrame(p, 0);
    QCOMPARE(rowOf(*first, 0)[0], double(0x0101));
    QVERIFY(!openFrame(p, 3));  // past the last frame
  }

  void failures_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");  // "" : no message at all
    Itex ok;
    ok.pixels = kRamp;
    Itex noSize = ok;
    noSize.comment = "Prop_ExposureTime1=1,";
    Itex cutComment = ok;
    cutComment.commentLengthField = 5000;
    Itex tooLarge = ok;
    tooLarge.comment = "Prop_ImageWidth=40,Prop_ImageHeight=30,";
    Itex areaOverflow = ok;  // 2147483647 - (-2147483648) wrapped to -1 in 32 bits
    areaOverflow.comment = "areSource=\"-2147483648,0,2147483647,1\",";
    Itex areaWrapsToOne = ok;  // -2147483648 - 2147483647 wrapped to a 1 x 1 frame
    areaWrapsToOne.comment = "areSource=\"2147483647,0,-2147483648,1\",";
    // An unsupported pixel type holds no pixel bytes, so the file size bounds
    // nothing: a comment width of two thousand million meant a 16 GiB row buffer.
    Itex wideUnsupported = ok;
    wideUnsupported.type = 7;
    wideUnsupported.headerWidth = wideUnsupported.headerHeight = 65535;
    wideUnsupported.comment = "Prop_ImageWidth=2147418112,Prop_ImageHeight=2,";
    wideUnsupported.pixels.clear();
    QTest::newRow("area beyond 32 bits") << areaOverflow.bytes() << "";
    QTest::newRow("area wrapping to 1 x 1") << areaWrapsToOne.bytes() << "";
    QTest::newRow("unsupported type wider than header")
        << wideUnsupported.bytes() << "ITEX image size in the comment exceeds the header size.";
    QTest::newRow("short header") << QByteArray("IM", 2) + QByteArray(20, '\0')
                                  << "Error on reading ITEX file props.";
    QTest::newRow("bad magic") << QByteArray("IX") + ok.bytes().mid(2) << "";
    QTest::newRow("no size") << noSize.bytes() << "";
    QTest::newRow("comment cut by end of file") << cutComment.bytes().left(100) << "";
    QTest::newRow("truncated pixels") << ok.bytes().chopped(3) << "Can not open ITEX file";
    QTest::newRow("comment size beyond header")
        << tooLarge.bytes() << "ITEX image size in the comment exceeds the header size.";
  }
  void failures() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString p = write(bytes);
    auto d = itexReader(p);
    LogCapture log;
    QVERIFY(!d->open(0));
    QVERIFY(!d->ready());
    QVERIFY2(message.isEmpty() ? log.lines().isEmpty()
                               : log.lines().contains(QString("%1 %2").arg(message, p)),
             qPrintable(log.lines().join("|")));
    if (message == "Can not open ITEX file")
      QVERIFY(log.lines().contains(QString("Can not open ImgData %1").arg(p)));
  }

  void tiffFormats_data() {
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("tiled");
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<double>("shift");  // float pixels carry a fraction
    QTest::newRow("u8") << 8 << int(SAMPLEFORMAT_UINT) << false << false << 0.0;
    QTest::newRow("s16") << 16 << int(SAMPLEFORMAT_INT) << false << false << 0.0;
    QTest::newRow("f64") << 64 << int(SAMPLEFORMAT_IEEEFP) << false << false << 0.25;
    QTest::newRow("f32 big-endian tiled") << 32 << int(SAMPLEFORMAT_IEEEFP) << true << true << 0.5;
  }
  // Two pages of each layout: both read by value, the third refused.
  void tiffFormats() {
    QFETCH(int, bits);
    QFETCH(int, format);
    QFETCH(bool, tiled);
    QFETCH(bool, bigEndian);
    QFETCH(double, shift);
    const QString p = writeTiff(20, 7, bits, format, 2, tiled, bigEndian);
    QCOMPARE(int(fileType(p)), int(ImgFileType::TIFF));
    const double sign = format == SAMPLEFORMAT_INT ? -1 : 1;
    for (int page = 0; page < 2; ++page) {
      auto d = openFrame(p, page);
      QVERIFY(d);
      // width x height, exposure time, pages
      QCOMPARE(joined(d->width(), "x", d->height(), d->expTime(), d->frameCount()), "20 x 7 1 2");
      QCOMPARE(rowOf(*d, 6)[19], sign * (100 * page + 79) + shift);
      std::vector<double> col(7);
      d->column(3, col.data());
      QCOMPARE(col[5], sign * (100 * page + 53) + shift);
    }
    QVERIFY(!openFrame(p, 2));
  }

  // Compressed strips decode to more bytes than they store; the storage check
  // must allow that.
  void tiffDeflateStrips() {
    const QString p =
        writeTiff(300, 200, 16, SAMPLEFORMAT_UINT, 1, false, false, 1, COMPRESSION_ADOBE_DEFLATE);
    QVERIFY(QFileInfo(p).size() < 300 * 200 * 2);
    auto d = openFrame(p);
    QVERIFY(d);
    QCOMPARE(rowOf(*d, 199)[299], 10 * 199 + 299.0);
  }

  // A 150-byte TIFF claiming 65536 x 65536 samples of 8 bytes in one 16-byte
  // strip made the reader allocate 32 GiB (std::bad_alloc, uncaught) before
  // reading a strip: header, ten IFD entries, the strip.
  void tiffClaimBeyondItsStrips() {
    const QString p = write(
        QByteArray::fromHex("49492a00080000000a000001040001000000000001000101040001000000000001"
                            "000201030001000000400000000301030001000000010000000601030001000000"
                            "010000001101040001000000860000001501030001000000010000001601040001"
                            "000000000001001701040001000000100000005301030001000000030000000000"
                            "000001010101010101010101010101010101"),
        ".tif");
    LogCapture log;
    QVERIFY(!openFrame(p));
    QVERIFY2(log.lines().join("\n").contains("TIFF file refused"),
             qPrintable(log.lines().join("|")));
  }

  void tiffRgbRefused() {
    const QString p = writeTiff(4, 4, 8, SAMPLEFORMAT_UINT, 1, false, false, 3);
    LogCapture log;
    QVERIFY(!openFrame(p));
    QCOMPARE(log.lines().filter("Unsupported TIFF layout").filter(p).size(), 1);
  }
};

QTEST_MAIN(TestImageData)
#include "tst_imagedata.moc"
