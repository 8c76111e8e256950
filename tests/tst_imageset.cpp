// The projection image set and its file-selection panel: size fixing and
// refusal, the "Multi." count, folder patterns, list stepping, rendering and
// vanished files.
#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

#include "ItexFixture.h"
#include "Joined.h"
#include "LogCapture.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectDataFiles.h"

class TestImageSet : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(itexfixture::writeRamp(path("a.img"), 8, 4));
    QVERIFY(itexfixture::writeRamp(path("b.img"), 8, 4, 100));
    QVERIFY(itexfixture::writeRamp(path("wide.img"), 10, 4));
  }

  void firstFrameFixesSize() {
    ImgDatas set;
    QVERIFY(set.add(path("a.img"), 0));
    QCOMPARE(joined(set.width(), set.height()), "8 4");
    QTest::ignoreMessage(
        QtDebugMsg,
        qPrintable(QString("Mismatch image size: (8, 4) != (10, 4) : %1").arg(path("wide.img"))));
    QVERIFY(!set.add(path("wide.img"), 0));
    QCOMPARE(set.count(), 1);

    // clearImgs keeps the size: the old size is accepted, a new one refused.
    set.clearImgs();
    QCOMPARE(joined(set.count(), set.width()), "0 8");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Mismatch image size"));
    QVERIFY(!set.add(path("wide.img"), 0));
    QVERIFY(set.add(path("b.img"), 0));

    // Only clear forgets the size.
    set.clear();
    QCOMPARE(set.width(), 0);
    QVERIFY(set.add(path("wide.img"), 0));
    QCOMPARE(set.width(), 10);
  }

  // A file that cannot be loaded is reported once, its frames counted first
  // as loading does: one that vanished, one of unknown type.
  void unloadableFileReportedOnceAndSkipped() {
    QFile txt(path("notes.txt"));
    QVERIFY(txt.open(QIODevice::WriteOnly) && txt.write("not an image") > 0);
    txt.close();
    ImgDatas set;
    QVERIFY(set.add(path("a.img"), 0));
    for (const auto& [name, message] : {std::pair{"gone.img", "File is not ready to access "},
                                        std::pair{"notes.txt", "Unknown file type : "}}) {
      LogCapture log;
      QCOMPARE(ImgDatas::framesInFile(path(name)), 0);
      QVERIFY(!set.add(path(name), 0));
      QCOMPARE(log.lines().join(" | "), message + path(name));
    }
    QCOMPARE(set.count(), 1);
  }

  void showBounds() {
    ImgDatas set;
    QVERIFY(set.add(path("a.img"), 0));
    QSignalSpy spy(&set, &ImgDatas::imageUpdated);
    QImage img;
    GreyMap map;
    QVERIFY(!set.show(1, img, map));  // index equal to the count
    QVERIFY(!set.show(-1, img, map));
    QCOMPARE(spy.count(), 0);
    QVERIFY(set.show(0, img, map));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(img.size(), QSize(8, 4));
  }

  // "Multi." loads the first file that many times; an absurd count is refused.
  void multiTimes() {
    SelectDataFiles sel;
    sel.findChild<QCheckBox*>("LoadMultiTimes")->setChecked(true);
    auto* count = sel.findChild<QLineEdit*>("MultiTimes");
    QSignalSpy spy(&sel, &SelectDataFiles::filesSelected);
    const QFileInfoList infos{QFileInfo(path("a.img")), QFileInfo(path("b.img"))};
    count->setText("1000000000");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Multi. count"));
    sel.setFileInfos(infos);
    QCOMPARE(spy.count(), 0);
    count->setText("180");
    sel.setFileInfos(infos);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), QStringList(180, path("a.img")));
    QVERIFY(spy.at(0).at(1).toBool());
  }

  // A folder and patterns give the matching files in name order, any case;
  // "NAME::/dataset" addresses that dataset in each matching file.
  void dirAndPatterns() {
    QTemporaryDir d;
    for (const char* n : {"B.img", "a.img", "c.txt", "C.img", "s.h5"})
      QVERIFY(itexfixture::writeRamp(d.filePath(n), 2, 2));
    QDir(d.path()).mkdir("sub.img");  // folders are not files to load
    SelectDataFiles sel;
    QSignalSpy spy(&sel, &SelectDataFiles::filesSelected);
    sel.setDirAndPatterns(d.path(), {"*.img"});
    sel.setDirAndPatterns(d.path(), {"*.h5::/scan/data"});
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toStringList(),
             (QStringList{d.filePath("a.img"), d.filePath("B.img"), d.filePath("C.img")}));
    QCOMPARE(spy.at(1).at(0).toStringList(), QStringList{d.filePath("s.h5") + "::/scan/data"});
  }

  void stepping() {
    SelectDataFiles sel;
    for (const char* s : {"f0", "f1", "f2"}) sel.addFile(s);
    QSignalSpy spy(&sel, &SelectDataFiles::currentIndexChanged);
    sel.select(0);
    sel.prev();
    QCOMPARE(sel.currentIndex(), 0);
    sel.select(-1);
    sel.select(3);
    QCOMPARE(sel.currentIndex(), 0);
    sel.select(2);
    sel.next();
    QCOMPARE(sel.currentIndex(), 2);
    sel.prev();
    QCOMPARE(sel.currentIndex(), 1);
    QCOMPARE(spy.count(), 2);  // 0 -> 2 -> 1
  }
};

QTEST_MAIN(TestImageSet)
#include "tst_imageset.moc"
