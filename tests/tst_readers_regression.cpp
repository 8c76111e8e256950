// The readers under fuzzing, driven by the fuzz targets' own harness (built
// here with the normal compiler, no libFuzzer): every target on its seeds, and
// every input that ever crashed or broke a reader, with the fault it found.
// Under the sanitizer build this also checks every read and write.
#include <QTest>

#include "ItexFixture.h"
#include "fuzz/FuzzHarness.h"

namespace {

// A one-frame ITEX header followed by the comment.
QByteArray itexHeader(int headerWidth, int headerHeight, int type, const QByteArray& comment) {
  return itexfixture::header(int(comment.size()), headerWidth, headerHeight, type, 1) + comment;
}

}  // namespace

class TestReadersRegression : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { fuzz::silenceLog(); }

  void seeds_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("input");
    for (const fuzz::Target& t : fuzz::targets()) {
      int n = 0;
      for (const QByteArray& seed : t.seeds())
        QTest::addRow("%s seed %d", t.name, ++n) << QString::fromLatin1(t.name) << seed;
    }
  }
  void seeds() { run(); }

  void crashers_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("input");
    // A size line after the first data line resized the grid the values were
    // stored in: heap overflow on the next data line.
    QTest::newRow("xyv: Y-NUM after the grid")
        << "slice_xyv"
        << QByteArray("## 240301\n# X-NUM 3\n# Y-NUM 2\n0 0 1\n# Y-NUM 9000\n0 5 2\n");
    QTest::newRow("xyv: X-NUM after the grid")
        << "slice_xyv"
        << QByteArray("## 240301\n# X-NUM 3\n# Y-NUM 2\n0 0 1\n# X-NUM 900\n1 0 5\n600 0 2\n");
    // 44 bytes claiming 16384 x 16384: 2 GiB allocated.
    QTest::newRow("xyv: grid beyond the file")
        << "slice_xyv" << QByteArray("## 240301\n# X-NUM 16385\n# Y-NUM 16385\n0 0 1\n");
    // 110 bytes claiming 16384 x 16384: 2 GiB grid, copied once more.
    const QByteArray ct =
        "#VNTO-CTImg\n# Range_X0       : 0\n# Range_Y0       : 0\n"
        "# Range_X1       : 16383\n# Range_Y1       : 16383\n0\t0\t1\n";
    QTest::newRow("ct data: grid beyond the file") << "ctdata" << ct;
    QTest::newRow("ct slice: grid beyond the file") << "slice_ct" << ct;
    // 150 bytes claiming 65536 x 65536 doubles in one 16-byte strip: 32 GiB
    // allocated before a strip was read (std::bad_alloc).
    QTest::newRow("tiff: 32 GiB claim")
        << "tiff"
        << QByteArray::fromHex(
               "49492a00080000000a000001040001000000000001000101040001000000000001000201030001"
               "000000400000000301030001000000010000000601030001000000010000001101040001000000"
               "860000001501030001000000010000001601040001000000000001001701040001000000100000"
               "005301030001000000030000000000000001010101010101010101010101010101");
    // 2147483647 - (-2147483648) computed in int (signed overflow).
    QTest::newRow("itex: areSource overflow")
        << "itex"
        << itexHeader(4, 3, 2, "areSource=\"-2147483648,0,2147483647,1\",") + QByteArray(24, '\0');
    // An unsupported pixel type bounds nothing by the file: a 16 GiB row buffer.
    QTest::newRow("itex: wide frame of an unsupported type")
        << "itex" << itexHeader(65535, 65535, 7, "Prop_ImageWidth=2147418112,Prop_ImageHeight=2,");
    // One endless line.
    QTest::newRow("config: INCLUDE /dev/zero")
        << "config" << QByteArray("a 1\nINCLUDE /dev/zero\n");
  }
  void crashers() { run(); }

 private:
  void run() {
    QFETCH(QString, target);
    QFETCH(QByteArray, input);
    const fuzz::Target* t = fuzz::findTarget(target);
    QVERIFY(t);
    QVERIFY(t->run(reinterpret_cast<const std::uint8_t*>(input.constData()), size_t(input.size())));
  }
};

QTEST_MAIN(TestReadersRegression)
#include "tst_readers_regression.moc"
