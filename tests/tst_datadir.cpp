// Data sets of energy series: folder-per-energy listing, facility B file sets,
// the facility A meta file, and the SelectDataDir panel that lists and hands
// them on.
#include <QtTest>

#include "Joined.h"
#include "LogCapture.h"
#include "imagedata/DataSetScan.h"
#include "imagedata/KestrelMetaReader.h"
#include "imagedata/SelectDataDir.h"

namespace {

bool touch(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write("x", 1) == 1;
}

bool writeText(const QString& path, const QString& text) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) >= 0;
}

}  // namespace

class TestDataDir : public QObject {
  Q_OBJECT

  QTemporaryDir tmp_;
  QString engRoot_, heronDir_, metaDir_, dataDir_, meta_;
  QString path(const QString& name) const { return tmp_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    QDir d(tmp_.path());
    engRoot_ = path("eng");
    for (const char* sub : {"7200eV", "7100eV", "7112_5eV", "7300eV", "7400eV"})
      QVERIFY(d.mkpath(QString("eng/") + sub));
    QVERIFY(touch(path("eng/notes.img")));  // a file is no data set
    heronDir_ = path("heron");
    QVERIFY(d.mkpath("heron/sub.img"));  // a folder matching the pattern is not a file
    for (const char* f : {"s-7.1keV-001.img", "s-7.1keV-002.img", "s-7.2keV-001.img", "s.txt"})
      QVERIFY(touch(heronDir_ + "/" + f));

    // Meta file run12.txt: 360 data lines give three-digit scan numbers.
    // Scan 1: no I0 and nothing before it -> dropped. Scan 5: in both folders
    // -> the meta file's own folder wins. Scan 6: projection only in the
    // data folder, I0 missing -> scan 5's I0. Scan 8: a line of one item.
    metaDir_ = path("meta");
    dataDir_ = path("data");
    QVERIFY(d.mkpath("meta") && d.mkpath("data"));
    for (const char* f : {"run12_001.his", "run12_005.his", "run12_005_I0.his", "run12_008.his",
                          "run12_008_I0.his"})
      QVERIFY(touch(metaDir_ + "/" + f));
    for (const char* f : {"run12_005.his", "run12_006.his"}) QVERIFY(touch(dataDir_ + "/" + f));
    QString text = "File header line\n\n   \n";
    for (int s = 1; s <= 360; ++s) {
      if (s == 8)
        text += "  8  \n";
      else if (s == 9)
        text += "1e30 7.3 x\n";  // beyond int32: names no scan
      else
        text += QString("%1\t7.%2  t%1 extra\n").arg(s).arg(s == 5 ? 125 : 25 * s);
    }
    meta_ = metaDir_ + "/run12.txt";
    QVERIFY(writeText(meta_, text));
    QVERIFY(writeText(path("empty.txt"), ""));
  }

  // "key | sample | energy field | value | unit | eV" of a file name.
  void fileSetFields_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fields");
    // clang-format off
    QTest::newRow("example") << "beadA-7112_5eV-0001.img" << "beadA-7112_5eV | beadA | 7112_5eV | 7112.5 | eV | 7112.5";
    QTest::newRow("KEV any case, dashes in sample") << "a-b-7.2KEV-01.his" << "a-b-7.2KEV | a-b | 7.2KEV | 7.2 | KEV | 7200";
    QTest::newRow("no dash") << "plain.img" << "plain.img | plain.img | plain.img | 0 | plain.img | 0";
    QTest::newRow("key without dash, no number") << "run5-001.img" << "run5 | run5 | run5 | 0 |  | 0";
    // clang-format on
  }
  void fileSetFields() {
    QFETCH(QString, name);
    CtFileSet set{QFileInfo(name)};
    QTEST(
        QStringList({set.key(), set.sample(), set.energyField(), QString::number(set.energyValue()),
                     set.unit(), QString::number(set.energyEV())})
            .join(" | "),
        "fields");
  }

  void fileSetsGroupAdjacentKeys() {
    const std::vector<CtFileSet> sets = scanFileSets(heronDir_, "*.img");
    QCOMPARE(fileSetEntries(sets), (QStringList{"1 : s (7.1[keV], 2)", "2 :   (7.2[keV], 1)"}));
    QCOMPARE(sets[0].files().value(1).fileName(), QString("s-7.1keV-002.img"));

    // Equal keys apart in name order are separate sets; a sample of 150
    // characters repeats as 101 blanks at most.
    QTemporaryDir d;
    const QString longName(150, QChar('q'));
    for (const QString& f :
         {QString("a-1eV-1.img"), QString("a-1eV-5-x.img"), QString("a-1eV-9.img"),
          longName + "-1eV-1.img", longName + "-2eV-1.img"})
      QVERIFY(touch(d.filePath(f)));
    QCOMPARE(fileSetEntries(scanFileSets(d.path(), "*.img")),
             (QStringList{"1 : a (1[eV], 1)", "2 : a-1eV (5[], 1)", "3 : a (1[eV], 1)",
                          "4 : " + longName + " (1[eV], 1)",
                          "5 : " + QString(101, ' ') + " (2[eV], 1)"}));
    // Nothing matching, and an empty folder name, which is not the working directory.
    QCOMPARE(joined(scanFileSets(d.path(), "*.his").size(), scanFileSets("", "*").size(),
                    subDirNames("").size(), subDirNames(path("missing")).size()),
             "0 0 0 0");
  }

  // The scan number of a meta file line's first item: truncated, int32 at its
  // lower end, one above int32 (names no scan), text (reads as 0).
  void scanNumber() {
    QStringList got;
    for (const char* item : {"5.9", "-2147483648", "2147483648", "abc"}) {
      const std::optional<qint32> n = KestrelMetaReader::scanNumber(item);
      got << (n ? QString::number(*n) : QString("none"));
    }
    QCOMPARE(got, (QStringList{"5", "-2147483648", "none", "0"}));
  }

  void metaFileItems() {
    KestrelMetaReader r;
    QVERIFY(r.read(meta_, dataDir_));
    QCOMPARE(r.metaDirPath(), QDir(metaDir_).absolutePath());
    const QList<KestrelMetaItem>& items = r.items();
    QCOMPARE(joined(r.baseName(), items.size(), items[0].thirdItem, items[0].energyText()),
             "run12 3 t5 7_125KeV");
    // Scan 5 from the meta file's folder, scan 6 from the data folder with scan 5's I0.
    QCOMPARE((QStringList{items[0].hisPath, items[1].hisPath, items[1].i0Path}),
             (QStringList{metaDir_ + "/run12_005.his", dataDir_ + "/run12_006.his",
                          metaDir_ + "/run12_005_I0.his"}));
    // The entries name the files the items use, the carried I0 included.
    QCOMPARE(r.entries(), (QStringList{"1 : run12_005.his (7125eV), run12_005_I0.his",
                                       "2 : run12_006.his (7150eV), run12_005_I0.his",
                                       "3 : run12_008.his (0eV), run12_008_I0.his"}));

    // Without a data folder only the meta file's own folder is searched.
    QVERIFY(r.read(meta_, ""));
    QCOMPARE(r.items().size(), 2);

    QVERIFY(r.read(path("empty.txt"), dataDir_));
    QVERIFY(r.items().isEmpty());
  }

  // A missing meta file and a folder are refused; the items stay.
  void unopenableMetaFileKeepsItems() {
    for (const QString& file : {path("nothere.txt"), metaDir_}) {
      KestrelMetaReader r;
      QVERIFY(r.read(meta_, dataDir_));
      LogCapture log;
      QVERIFY(!r.read(file, path("elsewhere")));
      QCOMPARE(log.lines(), QStringList{QString("Can't open Kestrel Meta File %1").arg(file)});
      QCOMPARE(joined(r.items().size(), r.dataDirText()), joined(3, dataDir_));
    }
  }

  // A rescan of a folder without matching files keeps the sets listed.
  void heronSets() {
    SelectDataDir p;
    QSignalSpy sets(&p, &SelectDataDir::newSets);
    QSignalSpy files(&p, &SelectDataDir::selectedFileInfoList);
    p.setDataDir(heronDir_);
    QVERIFY(p.next());
    p.setDataDir(metaDir_);
    QCOMPARE(sets.count(), 2);
    QCOMPARE(sets.at(1).at(0).toInt(), 2);
    QCOMPARE(p.currentIndex(), 1);
    p.set();
    QCOMPARE(files.at(0).at(0).value<QFileInfoList>()[0].fileName(), QString("s-7.2keV-001.img"));
    QCOMPARE(p.energyText(), QString("7.2keV"));
  }

  void layoutChangeNeverShowsOtherLayoutsSets() {
    // Regression: a layout whose rescan found nothing used to keep listing the
    // previous layout's entries while set() emitted nothing for them.
    SelectDataDir p;
    p.setPattern("*.his");
    p.setIsEngDirs(true);
    p.setDataDir(engRoot_);
    QCOMPARE(p.count(), 5);
    QSignalSpy sets(&p, &SelectDataDir::newSets);
    QSignalSpy none(&p, &SelectDataDir::noMoreSets);
    QSignalSpy files(&p, &SelectDataDir::selectedFileInfoList);
    p.setIsHeronStd(true);  // no *.his and no earlier sets: an empty list
    QCOMPARE(p.count(), 0);
    QCOMPARE(sets.at(0).at(0).toInt(), 0);
    p.set();
    QCOMPARE(none.count(), 1);

    p.setPattern("*.img");
    p.setIsEngDirs(true);
    p.setIsHeronStd(true);  // engRoot_ holds only notes.img: one set
    p.setPattern("*.his");
    p.setIsEngDirs(true);
    p.setIsHeronStd(true);  // nothing matches: the earlier set is listed again
    QCOMPARE(p.entries(), QStringList{"1 : notes.img (0[notes.img], 1)"});
    QCOMPARE(sets.last().at(0).toInt(), 1);
    p.set();
    QCOMPARE(files.count(), 1);
    QCOMPARE(files.at(0).at(0).value<QFileInfoList>()[0].fileName(), QString("notes.img"));
  }

  // The panel's meta file: neither a missing nor an empty one loses the items.
  void kestrelPanelKeepsItems() {
    SelectDataDir p;
    p.setDataDir(dataDir_);
    QSignalSpy sets(&p, &SelectDataDir::newSets);
    QTest::ignoreMessage(QtDebugMsg, "Can't open Kestrel Meta File ");
    p.setIsKestrelStd(true);
    p.kestrelMetaFileSelected(meta_);
    QCOMPARE(sets.last().at(0).toInt(), 3);
    const QString missing = path("gone.txt");
    QTest::ignoreMessage(QtDebugMsg, qPrintable("Can't open Kestrel Meta File " + missing));
    p.kestrelMetaFileSelected(missing);
    p.kestrelMetaFileSelected(path("empty.txt"));
    QCOMPARE(sets.last().at(0).toInt(), 3);
    QCOMPARE(p.count(), 3);
  }
};

QTEST_MAIN(TestDataDir)
#include "tst_datadir.moc"
