#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "LogCapture.h"
#include "output/CtDataFile.h"

// printf's text as bytes.
template <typename... Args>
QByteArray printed(const char* format, Args... args) {
  char b[256];
  const int n = std::snprintf(b, sizeof b, format, args...);
  return QByteArray(b, n);
}

class TestCtDataFile : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString write(const QString& name, const QByteArray& bytes) {
    const QString p = dir_.filePath(name);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(bytes);
    return p;
  }

 private slots:
  void numberFormat_data() {
    QTest::addColumn<double>("v");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("exp small") << 1.5e-05 << "1.5e-05";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "nan";
    QTest::newRow("inf") << std::numeric_limits<double>::infinity() << "inf";
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity() << "-inf";
  }
  void numberFormat() {
    QFETCH(double, v);
    QFETCH(QString, text);
    QCOMPARE(numberG6(v), text);
  }

  void numberFormatMatchesPrintf_data() {
    // The writer's own six-digit routine against the C library's "%.6g",
    // byte for byte, on families of values that stress its rounding.
    QTest::addColumn<int>("family");
    QTest::newRow("any bit pattern") << 0;
    QTest::newRow("near rounding ties") << 2;
    QTest::newRow("rounding up to a power of ten") << 3;
    QTest::newRow("tiny, huge and subnormal") << 4;
  }
  void numberFormatMatchesPrintf() {
    QFETCH(int, family);
    std::mt19937_64 gen(family + 1);
    auto nudged = [&](double v) {  // a few ulps either way
      return std::nextafter(v, (gen() & 1) ? HUGE_VAL : -HUGE_VAL);
    };
    std::vector<double> values = {0.0,      -0.0,     12345.25,  123456.5,
                                  123457.5, 999999.5, 9.9999951, 1e-5,
                                  0.0001,   1e22,     5e-324,    1.7976931348623157e308};
    for (int i = 0; i < 200000; ++i) {
      double v = 0;
      if (family == 0) {
        const std::uint64_t bits = gen();
        std::memcpy(&v, &bits, sizeof v);
      } else if (family == 2) {
        const double digits = double(100000 + gen() % 900000) + 0.5;
        v = nudged(digits * std::pow(10.0, int(gen() % 26) - 22));
      } else if (family == 3) {
        v = nudged(999999.5 * std::pow(10.0, int(gen() % 26) - 22));
      } else {
        v = std::ldexp(double(gen() >> 11), int(gen() % 2100) - 1126);
      }
      values.push_back((gen() & 1) ? -v : v);
    }
    for (double v : values) {
      char ref[64];
      const int n = std::snprintf(ref, sizeof ref, "%.6g", v);
      QByteArray got;
      appendNumberG6(got, v);
      if (got != QByteArray(ref, n))
        QFAIL(qPrintable(QString::asprintf("%.17g: %s, not %s", v, got.constData(), ref)));
    }
  }

  void dataLinesMatchPrintf() {
    // A whole file against the same text composed with printf.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> img = {0.0, -0.0,     1e-300,  5e-324,      1.5e308, -2.5e-7,
                                     nan, 999999.5, 9.99999, -0.00123457, 12.5,    3e9};
    const CtDataRegion region{-1.0, -0.0, 4.0, 3.5};  // one column and part of a row outside
    const CtDataLimits limits{HUGE_VAL, -HUGE_VAL, 0.0};
    QByteArray out;
    appendCtDataFile(out, img.data(), 3, 4, region, limits);
    QByteArray ref = "#VNTO-CTImg\n";
    ref += printed("# Range_X0       : %.6g\n# Range_Y0       : %.6g\n", -1.0, -0.0);
    ref += printed("# Range_X1       : %.6g\n# Range_Y1       : %.6g\n", 3.0, 2.5);
    ref += printed("# sx,sy, ex,ey   : %.6g\t%.6g\t%.6g\t%.6g\n", -1.0, -0.0, 3.0, 2.5);
    for (int y = 0; y < 4; ++y)
      for (int x = -1; x < 4; ++x) {
        const double v = (y < 3 && x >= 0) ? img[y * 4 + x] : 0.0;
        ref += printed("%d\t%d\t%.6g\n", x, y, v + 0.0);
      }
    QCOMPARE(out, ref);
  }

  void offsetRegionRoundTrip() {
    // 40 x 40 image, value = x + y / 1000 (distinct per pixel).
    std::vector<double> img(40 * 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) img[y * 40 + x] = x * 0.1 - y * 0.013;
    QByteArray out;
    appendCtDataFile(out, img.data(), 40, 40, {10, 20, 20, 30}, {10, -10, 0});
    QVERIFY(
        out.contains("# Range_X0       : 10\n# Range_Y0       : 20\n"
                     "# Range_X1       : 19\n# Range_Y1       : 29\n"
                     "# sx,sy, ex,ey   : 10\t20\t19\t29\n10\t20\t"));
    CtDataGrid g;
    QVERIFY(readCtDataFile(write("r.dat", out), g));
    QCOMPARE(g.width, 10);
    QCOMPARE(g.height, 10);
    // (10,20) = 1 - 0.26 = 0.74 lands at column 0 row 0
    QCOMPARE(g.at(0, 0), 0.74);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
        QCOMPARE(g.at(x, y), numberG6(img[(y + 20) * 40 + x + 10]).toDouble());
    QCOMPARE(g.max, numberG6(1.9 - 0.26).toDouble());        // x=19, y=20
    QCOMPARE(g.min, numberG6(1.0 - 29 * 0.013).toDouble());  // x=10, y=29
  }

  void fractionalRangeRejected() {
    std::vector<double> img(16, 0.0);
    QByteArray out;
    appendCtDataFile(out, img.data(), 4, 4, {0, 0, 10.5, 4}, {});
    QVERIFY(out.contains("# Range_X1       : 9.5\n"));
    QCOMPARE(out.count('\n'), 6 + 11 * 4);  // x = 0..10 (< 10.5), y = 0..3
    CtDataGrid g;
    QVERIFY(!readCtDataFile(write("frac.dat", out), g));
  }

  void clipping_data() {
    QTest::addColumn<double>("pixel");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("above") << 12.5 << QByteArray("0\t0\t10\n");    // clipped to 0, +10
    QTest::newRow("below ok") << -3.0 << QByteArray("0\t0\t7\n");  // -3 + 10
    QTest::newRow("below lim") << -10.5 << QByteArray("0\t0\t10\n");
    QTest::newRow("at upper") << 10.0 << QByteArray("0\t0\t20\n");
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << QByteArray("0\t0\tnan\n");
  }
  void clipping() {
    QFETCH(double, pixel);
    QFETCH(QByteArray, line);
    QByteArray out;
    appendCtDataFile(out, &pixel, 1, 1, {0, 0, 2, 1}, {10, -10, 10});
    int at = 0;
    for (int i = 0; i < 6; ++i) at = out.indexOf('\n', at) + 1;  // skip the header
    const QByteArray data = out.mid(at);
    QVERIFY2(data.startsWith(line), data.constData());
    QVERIFY(data.endsWith("1\t0\t10\n"));  // outside the image: 0 + offset
  }

  void emptyRegion() {
    double v = 1;
    QByteArray out;
    appendCtDataFile(out, &v, 1, 1, {5, 5, 5, 9}, {});
    QCOMPARE(out.count('\n'), 6);
  }

  void reader_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("v00");
    QTest::addColumn<double>("v11");
    const QByteArray h =
        "# Range_X0       : 0\n# Range_Y0       : 0\n# Range_X1       : 1\n"
        "# Range_Y1       : 1\n# sx,sy, ex,ey   : 0\t0\t1\t1\n";
    QTest::newRow("plain") << "#VNTO-CTImg\n" + h + "0\t0\t1.5\n1\t1\t-2\n" << true << 1.5 << -2.0;
    QTest::newRow("magic+text") << "#VNTO-CTImg extra\n" + h + "0 0 3\n" << true << 3.0 << 0.0;
    QTest::newRow("malformed") << "#VNTO-CTImg\n" + h + "0\t0\tabc\n1x\t0\t9\n1 1 7e\n"
                               << true << 9.0 << 0.0;  // "1x" reads as 0, so 9 lands at (0,0)
    QTest::newRow("outside") << "#VNTO-CTImg\n" + h + "5 5 8\n-1 0 8\n1 1 2\n"
                             << true << 0.0 << 2.0;
    QTest::newRow("empty") << QByteArray() << false << 0.0 << 0.0;
    QTest::newRow("truncated") << "#VNTO-CTImg\n" + h + "0\t0\t6\n1\t1" << true << 6.0 << 0.0;
    QTest::newRow("header only") << "#VNTO-CTImg\n" + h << false << 0.0 << 0.0;
  }
  void reader() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    CtDataGrid g;
    QCOMPARE(readCtDataFile(write(QTest::currentDataTag() + QStringLiteral(".dat"), bytes), g), ok);
    if (!ok) return;
    QFETCH(double, v00);
    QFETCH(double, v11);
    QCOMPARE(g.width, 2);
    QCOMPARE(g.height, 2);
    QCOMPARE(g.at(0, 0), v00);
    QCOMPARE(g.at(1, 1), v11);
  }

  void minMaxIncludesOutside() {
    const QByteArray b =
        "#VNTO-CTImg\n# Range_X0 : 0\n# Range_Y0 : 0\n# Range_X1 : 0\n# Range_Y1 : 1\n"
        "0 0 3\n9 9 100\n0 1 -4\n";
    // Range_X1 0 is not above 0: no grid.
    CtDataGrid g;
    QVERIFY(!readCtDataFile(write("mm0.dat", b), g));
    QByteArray b2 = b;
    b2.replace("Range_X1 : 0", "Range_X1 : 1");
    QVERIFY(readCtDataFile(write("mm1.dat", b2), g));
    QCOMPARE(g.max, 100.0);
    QCOMPARE(g.min, -4.0);
    QCOMPARE(g.at(0, 1), -4.0);
  }

  void hugeRangeRefused_data() {
    QTest::addColumn<QByteArray>("x1");
    QTest::addColumn<QByteArray>("y1");
    QTest::newRow("wide") << QByteArray("16384") << QByteArray("3");  // 16385 columns
    QTest::newRow("both max") << QByteArray("2147483647") << QByteArray("2147483647");
  }
  void hugeRangeRefused() {
    QFETCH(QByteArray, x1);
    QFETCH(QByteArray, y1);
    const QByteArray b = "#VNTO-CTImg\n# Range_X0 : 0\n# Range_Y0 : 0\n# Range_X1 : " + x1 +
                         "\n# Range_Y1 : " + y1 + "\n0 0 1\n";
    const QString p = write("huge.dat", b);
    LogCapture log;
    CtDataGrid g;
    QVERIFY(!readCtDataFile(p, g));
    QCOMPARE(log.matching(p).size(), 1);
  }

  // A 110-byte file whose ranges claim 16384 x 16384 used to be read into a
  // 2 GiB grid (and copied once more by the 3D view): a header claiming more
  // cells than the file's data lines can fill is refused; a small sparse grid
  // is still read.
  void gridBoundByFileSize_data() {
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<QString>("refusal");  // "" : accepted
    QTest::newRow("16384 x 16384 in 110 bytes")
        << QByteArray("16383") << "grid 16384 x 16384 more than its 110 bytes can fill";
    QTest::newRow("sparse 256 x 256") << QByteArray("00255") << "";
  }
  void gridBoundByFileSize() {
    QFETCH(QByteArray, last);
    QFETCH(QString, refusal);
    const QByteArray b =
        "#VNTO-CTImg\n# Range_X0       : 0\n# Range_Y0       : 0\n# Range_X1       : " + last +
        "\n# Range_Y1       : " + last + "\n0\t0\t1\n";
    QCOMPARE(b.size(), 110);
    const QString p = write("claim.dat", b);
    LogCapture log;
    CtDataGrid g;
    QCOMPARE(readCtDataFile(p, g), refusal.isEmpty());
    if (refusal.isEmpty()) {
      QCOMPARE(g.width, 256);
      QCOMPARE(g.at(0, 0), 1.0);
    } else {
      QCOMPARE(log.matching(refusal).size(), 1);
      QVERIFY(log.matching(refusal).first().endsWith(p));
    }
  }

  void lineTooLongRefused() {
    const QByteArray b =
        "#VNTO-CTImg\n# Range_X0 : 0\n# Range_Y0 : 0\n# Range_X1 : 1\n# Range_Y1 : 1\n"
        "0 0 1\n1 1 " +
        QByteArray(1 << 20, '5') + "\n";
    const QString p = write("long.dat", b);
    LogCapture log;
    CtDataGrid g;
    QVERIFY(!readCtDataFile(p, g));
    QCOMPARE(log.matching("CT data file refused, a line is longer than 1 MiB: " + p).size(), 1);
  }

  void largestSideAccepted() {
    // 16384 x 1 is within the limit.
    const QByteArray b =
        "#VNTO-CTImg\n# Range_X0 : 0\n# Range_Y0 : 0\n# Range_X1 : 16383\n# Range_Y1 : 1\n"
        "16383 1 2\n";
    CtDataGrid g;
    QVERIFY(readCtDataFile(write("side.dat", b), g));
    QCOMPARE(g.width, 16384);
    QCOMPARE(g.at(16383, 1), 2.0);
  }
};

QTEST_GUILESS_MAIN(TestCtDataFile)
#include "tst_ctdatafile.moc"
