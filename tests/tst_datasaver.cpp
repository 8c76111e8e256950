#include <QImageWriter>
#include <QtTest>

#include "LogCapture.h"
#include "output/DataSaver.h"

class TestDataSaver : public QObject {
  Q_OBJECT

 private:
  static QByteArray contents(const QString& p) {
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  // Relative paths of all files below root, sorted.
  static QStringList filesBelow(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
  }

 private slots:
  // The files a record goes to, each named by the saved signal: without a
  // name, without a tag, in the base (sub-folders off), in the slice folder
  // when neither kind is chosen, the energy folder, the slice folder, both.
  void fileNamesAndFolders() {
    QStringList got;
    for (auto [name, tag, sub, energy, slice] : {std::tuple{"", "E7100", false, false, false},
                                                 {"sample", "", false, false, false},
                                                 {"s", "E7100", false, true, true},
                                                 {"s", "E7100", true, false, false},
                                                 {"s", "E7100", true, true, false},
                                                 {"s", "E7100", true, false, true},
                                                 {"s", "E7100", true, true, true}}) {
      QTemporaryDir dir;
      DataSaver saver;
      saver.setSubFolders(sub);
      saver.setOfEnergy(energy);
      saver.setOfSlice(slice);
      QSignalSpy spy(&saver, &DataSaver::saved);
      auto* d = new SavingData(dir.path(), name, tag, 250);
      d->data = "abc\n";
      saver.saveDataWDiscard(d);
      const QStringList files = filesBelow(dir.path());
      QStringList saved;
      for (const auto& args : spy)
        saved << QDir(dir.path()).relativeFilePath(args.at(0).toString());
      saved.sort();
      QCOMPARE(saved, files);
      for (const QString& f : files) QCOMPARE(contents(dir.filePath(f)), QByteArray("abc\n"));
      got << files.join(',');
    }
    QCOMPARE(got, (QStringList{"E7100-00250.dat", "sample--00250.dat", "s-E7100-00250.dat",
                               "00250/s-E7100-00250.dat", "E7100/s-E7100-00250.dat",
                               "00250/s-E7100-00250.dat",
                               "00250/s-E7100-00250.dat,E7100/s-E7100-00250.dat"}));
  }

  void pictureEncodedByWorker() {
    // A worker hands the picture over already encoded (QImageWriter, PNG,
    // default quality); the file must be those bytes and the same file the
    // saver's own encoding writes.
    QTemporaryDir dir;
    DataSaver saver;
    SavingImg own(dir.path(), "own", "t", 1);
    own.image = QImage(64, 48, QImage::Format_Grayscale8);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) own.image.scanLine(y)[x] = uchar(x * 3 + y * y);
    saver.saveImg(&own);
    SavingImg pre(dir.path(), "pre", "t", 1);
    pre.image = own.image;
    QBuffer buffer(&pre.encoded);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(QImageWriter(&buffer, "png").write(pre.image));
    buffer.close();
    pre.image = QImage();  // only the bytes are written
    saver.saveImg(&pre);
    QCOMPARE(contents(dir.filePath("pre-t-00001.png")), pre.encoded);
    QCOMPARE(contents(dir.filePath("own-t-00001.png")), pre.encoded);
  }

  void truncatesExisting() {
    QTemporaryDir dir;
    DataSaver saver;
    SavingData d(dir.path(), "", "t", 1);
    d.data = "long old content";
    saver.saveData(&d);
    d.data = "new";
    saver.saveData(&d);
    QCOMPARE(contents(dir.filePath("t-00001.dat")), QByteArray("new"));
    QCOMPARE(SavingImg("p", "n", "t", 123456).no, QString("123456"));  // more digits when needed
  }

  void failureLoggedAndSavingGoesOn() {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("plain"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DataSaver saver;
    saver.setSubFolders(true);
    saver.setOfEnergy(true);
    saver.setOfSlice(true);
    QSignalSpy ok(&saver, &DataSaver::saved);
    QSignalSpy bad(&saver, &DataSaver::saveFailed);
    LogCapture log;
    // Base path under a regular file: both folders and both files fail.
    // (Pictures go through the same folder and write code.)
    auto* d = new SavingData(dir.filePath("plain/sub"), "s", "E1", 3);
    d->data = "x";
    saver.saveDataWDiscard(d);
    // The next record is written normally.
    auto* d2 = new SavingData(dir.path(), "s", "E1", 4);
    d2->data = "y";
    saver.saveDataWDiscard(d2);

    QCOMPARE(bad.size(), 4);  // 2 folders + 2 files
    const QString energyFolder = dir.filePath("plain/sub/E1");
    QCOMPARE(bad.at(0).at(0).toString(), energyFolder);
    QVERIFY(bad.at(0).at(1).toString().contains("not a folder"));
    QCOMPARE(bad.at(2).at(0).toString(), energyFolder + "/s-E1-00003.dat");
    QCOMPARE(log.matching(energyFolder + "/s-E1-00003.dat").size(), 1);
    QCOMPARE(log.matching(dir.filePath("plain/sub/00003") + ":").size(), 1);
    QCOMPARE(ok.size(), 2);
    QCOMPARE(contents(dir.filePath("00004/s-E1-00004.dat")), QByteArray("y"));
    QCOMPARE(contents(dir.filePath("E1/s-E1-00004.dat")), QByteArray("y"));
  }
};

QTEST_GUILESS_MAIN(TestDataSaver)
#include "tst_datasaver.moc"
