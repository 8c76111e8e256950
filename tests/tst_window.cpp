// The main window as a newcomer meets it: the auto-save rows choose and make
// result folders.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/Body.h"
#include "ui_Body.h"
#include "widgets/SelectAFile.h"

class TestWindow : public QObject {
  Q_OBJECT

 private slots:
  // A folder name typed into the Select dialog of an auto-save row is made and
  // becomes the row's folder (the rows used to open an "Open" dialog for image
  // files, which refused a new name).
  void saveRowsMakeNewFolders_data() {
    QTest::addColumn<QString>("row");
    QTest::newRow("pictures") << QString("SelectImageSaveDir");
    QTest::newRow("data files") << QString("SelectDataSaveDir");
  }
  void saveRowsMakeNewFolders() {
    QFETCH(QString, row);
    Body body;
    auto* sel = body.findChild<SelectAFile*>(row);
    QVERIFY(sel);
    sel->setName("sample");
    QTemporaryDir tmp;
    QSignalSpy chosen(sel, &SelectAFile::fileSelected);
    sel->findChild<QPushButton*>("Select")->click();
    QFileDialog* d = sel->dialog();
    QVERIFY(d);
    QCOMPARE(d->fileMode(), QFileDialog::Directory);
    QVERIFY(!d->testOption(QFileDialog::ReadOnly));  // its "New Folder" button works
    d->setDirectory(tmp.path());
    // Typed as a new user would, and taken with the dialog's button.
    auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, "run 07");
    QPushButton* ok = d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
    QVERIFY(ok->isEnabled());
    ok->click();
    const QString made = tmp.filePath("run 07");
    QVERIFY(QFileInfo(made).isDir());
    QCOMPARE(sel->path(), made);
    QCOMPARE(sel->name(), QString("sample"));  // the name prefix stays as typed
    QCOMPARE(chosen.count(), 1);
    QVERIFY(!d->isVisible());
  }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
