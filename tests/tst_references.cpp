// The reference-frame chooser (I0 / background) and the I0 settings panel.
#include <QTemporaryDir>
#include <QTest>

#include "ItexFixture.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"

class TestReferences : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString path(const QString& n) const { return dir_.filePath(n); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(itexfixture::writeRamp(path("ref.img"), 8, 4, 100));
    QVERIFY(itexfixture::writeRamp(path("other.img"), 6, 3, 500));
    QFile junk(path("junk.img"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("IM not really a frame");
  }

  // A frame of another size replaces the reference (references are not
  // checked against projections); an unreadable file and one of no known
  // type leave the old reference.
  void failedLoadKeepsOldReference() {
    SelectAImgFile sel;
    QVERIFY(sel.frame() == nullptr);
    sel.selectFile(path("ref.img"));
    QVERIFY(sel.frame() != nullptr);
    QCOMPARE(sel.frame()->width(), 8);
    sel.selectFile(path("other.img"));
    const ImgData* before = sel.frame();
    QCOMPARE(before->width(), 6);
    for (const char* bad : {"junk.img", "notes.txt"}) {
      sel.selectFile(path(bad));
      QCOMPARE(sel.frame(), before);
    }
  }

  void imageSetSeesTheSlot() {
    SelectAImgFile i0, bg;
    ImgDatas set;
    set.setReferences(i0.frameSlot(), bg.frameSlot());
    QCOMPARE(set.i0(), nullptr);
    i0.selectFile(path("ref.img"));
    QCOMPARE(set.i0(), i0.frame());
    i0.clear0();
    QCOMPARE(set.i0(), nullptr);
  }
};

QTEST_MAIN(TestReferences)
#include "tst_references.moc"
