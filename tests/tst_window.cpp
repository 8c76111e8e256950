// The main window as a newcomer meets it: the auto-save rows choose and make
// result folders, and the debug log is shown in the window.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "LogCapture.h"
#include "app/Body.h"
#include "base/MessageLog.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"
#include "widgets/LogStatus.h"
#include "widgets/LogView.h"
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

  // A file the loader refuses is reported in the window: on the log page,
  // highlighted, and in the status line, which counts it as an unread warning
  // until the log page is shown. Standard error still gets every message.
  void refusedFileReachesTheLog() {
    LogCapture stderrStandIn;  // the handler the log passes every message on to
    MessageLog& log = MessageLog::instance();
    log.install();
    const auto uninstall = qScopeGuard([&log] { log.uninstall(); });
    Body body;
    body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&body));
    auto* view = body.findChild<LogView*>("LogView");
    auto* status = body.findChild<LogStatus*>("LogStatus");
    QVERIFY(view && status);
    QCoreApplication::processEvents();
    log.markRead();

    QTemporaryDir tmp;
    const QString notes = tmp.filePath("notes.txt");
    QFile f(notes);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not an image\n") > 0);
    f.close();
    QSignalSpy loaded(&body, &Body::finishedLoadingCTFiles);
    emit body.form()->CTFiles->filesSelected({notes}, true);
    QVERIFY(loaded.wait());
    auto refusal = [&] {
      const QStringList lines = view->lines();
      for (int i = lines.size() - 1; i >= 0; --i)
        if (lines[i].contains("Unknown file type") && lines[i].contains(notes)) return i;
      return -1;
    };
    QTRY_VERIFY(refusal() >= 0);
    QVERIFY(view->highlighted(refusal()));
    QVERIFY(!stderrStandIn.matching("Unknown file type").isEmpty());
    QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  ")
                .match(view->lines()[refusal()])
                .hasMatch());
    QCOMPARE(status->message(), view->lines().last());
    // The loader reports the file once per look at it.
    const int refusals = view->lines().filter("Unknown file type").size();
    QCOMPARE(log.unreadWarnings(), refusals);
    QVERIFY(status->buttonText().startsWith(QString("%1 unread warning").arg(refusals)));
    status->findChild<QPushButton*>("ShowLog")->click();
    QCOMPARE(body.form()->ImgsTab->currentWidget(), view);
    QCOMPARE(log.unreadWarnings(), 0);
    QCOMPARE(status->buttonText(), QString("Log"));
  }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
