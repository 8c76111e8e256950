#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "Joined.h"
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
  // The writer's own six-digit routine against the C library's "%.6g", byte
  // for byte, on families of values that stress its rounding: any bit
  // pattern, near rounding ties, rounding up to a power of ten, tiny, huge
  // and subnormal.
  void numberFormatMatchesPrintf() {
    for (int family : {0, 2, 3, 4}) {
      std::mt19937_64 gen(family + 1);
      auto nudged = [&](double v) {  // a few ulps either way
        return std::nextafter(v, (gen() & 1) ? HUGE_VAL : -HUGE_VAL);
      };
      std::vector<double> values = {0.0,      -0.0,     12345.25,  123456.5,
                                    123457.5, 999999.5, 9.9999951, 1e-5,
                                    0.0001,   1e22,     5e-324,    1.7976931348623157e308,
                                    1.5e-05,  NAN,      INFINITY,  -INFINITY};
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
    // 40 x 40 image, value 0.1 x - 0.013 y; the region x 10 .. 19, y 20 .. 29
    // read back from its origin (the header lines of an offset region are
    // compared byte for byte above): (0, 0) is (10, 20) = 0.74, (9, 9) is
    // (19, 29) = 1.523, the smallest (10, 29) = 0.623, the largest (19, 20) = 1.64.
    std::vector<double> img(40 * 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) img[y * 40 + x] = x * 0.1 - y * 0.013;
    QByteArray out;
    appendCtDataFile(out, img.data(), 40, 40, {10, 20, 20, 30}, {10, -10, 0});
    CtDataGrid g;
    QVERIFY(readCtDataFile(write("r.dat", out), g));
    QCOMPARE(joined(g.width, g.height, g.at(0, 0), g.at(9, 9), g.min, g.max),
             "10 10 0.74 1.523 0.623 1.64");
  }

  // A fractional range is written as it is (x = 0..10 below 10.5), and the
  // reader refuses it; an empty region leaves the header alone.
  void fractionalAndEmptyRegions() {
    std::vector<double> img(16, 0.0);
    QByteArray out;
    appendCtDataFile(out, img.data(), 4, 4, {0, 0, 10.5, 4}, {});
    QVERIFY(out.contains("# Range_X1       : 9.5\n"));
    QCOMPARE(out.count('\n'), 6 + 11 * 4);
    CtDataGrid g;
    QVERIFY(!readCtDataFile(write("frac.dat", out), g));
    out.clear();
    appendCtDataFile(out, img.data(), 1, 1, {5, 5, 5, 9}, {});
    QCOMPARE(out.count('\n'), 6);
  }

  // Upper limit 10, lower -10, offset 10. A value above the limit and one
  // within it are read back through the data file in tst_floattiff.
  void clipping() {
    for (auto [pixel, line] :
         {std::pair{-10.5, "0\t0\t10\n"}, {10.0, "0\t0\t20\n"}, {std::nan(""), "0\t0\tnan\n"}}) {
      QByteArray out;
      appendCtDataFile(out, &pixel, 1, 1, {0, 0, 2, 1}, {10, -10, 10});
      // The header, the pixel, then the column outside the image: 0 + offset.
      QCOMPARE(out.mid(out.indexOf("\n0\t0\t") + 1), line + QByteArray("1\t0\t10\n"));
    }
  }

  // What the reader makes of a file: "width x height min .. max (0,0) (1,1)"
  // when it reads a grid (the range is that of the values read, those
  // outside the grid included; cells no line names hold 0), else the line it
  // logs before the file name, or "" for a file it refuses quietly. A
  // 110-byte file claiming 16384 x 16384 used to be read into a 2 GiB grid
  // (and copied once more by the 3D view).
  void reader_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("result");
    auto file = [](const char* x1, const char* y1, const QByteArray& data,
                   const char* magic = "#VNTO-CTImg\n") {
      return magic + QByteArray("# Range_X0       : 0\n# Range_Y0       : 0\n# Range_X1       : ") +
             x1 + "\n# Range_Y1       : " + y1 + "\n" + data;
    };
    // clang-format off
    QTest::newRow("plain") << file("1", "1", "0\t0\t1.5\n1\t1\t-2\n") << "2 x 2 -2 .. 1.5 1.5 -2";
    QTest::newRow("magic+text") << file("1", "1", "0 0 3\n", "#VNTO-CTImg extra\n") << "2 x 2 3 .. 3 3 0";
    // "1x" reads as 0, so 9 lands at (0, 0).
    QTest::newRow("malformed") << file("1", "1", "0\t0\tabc\n1x\t0\t9\n1 1 7e\n") << "2 x 2 0 .. 9 9 0";
    QTest::newRow("outside") << file("1", "1", "0 0 3\n9 9 100\n0 1 -4\n") << "2 x 2 -4 .. 100 3 0";
    QTest::newRow("truncated") << file("1", "1", "0\t0\t6\n1\t1") << "2 x 2 6 .. 6 6 0";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("header only") << file("1", "1", "") << "";
    QTest::newRow("X1 0: no grid") << file("0", "1", "0 0 3\n") << "";
    QTest::newRow("largest side") << file("16383", "1", "16383 1 2\n") << "16384 x 2 2 .. 2 0 0";
    QTest::newRow("one column more") << file("16384", "3", "0 0 1\n") << "grid 16385 x 4 too large";
    QTest::newRow("both max") << file("2147483647", "2147483647", "0 0 1\n") << "grid 2147483648 x 2147483648 too large";
    QTest::newRow("16384 x 16384 in 110 bytes") << file("16383", "16383", "0\t0\t1\n") << "grid 16384 x 16384 more than its 110 bytes can fill";
    QTest::newRow("sparse 256 x 256 in 110 bytes") << file("00255", "00255", "0\t0\t1\n") << "256 x 256 1 .. 1 1 0";
    QTest::newRow("line over 1 MiB") << file("1", "1", "0 0 1\n1 1 " + QByteArray(1 << 20, '5') + "\n") << "a line is longer than 1 MiB";
    // clang-format on
  }
  void reader() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, result);
    const QString p = write("r.dat", bytes);
    LogCapture log;
    CtDataGrid g;
    const bool read = readCtDataFile(p, g);
    if (read)
      QCOMPARE(joined(g.width, "x", g.height, g.min, "..", g.max, g.at(0, 0), g.at(1, 1)), result);
    else if (!result.isEmpty())
      QCOMPARE(log.lines(), QStringList{"CT data file refused, " + result + ": " + p});
    QCOMPARE(read, result.contains(".."));
  }
};

QTEST_GUILESS_MAIN(TestCtDataFile)
#include "tst_ctdatafile.moc"
