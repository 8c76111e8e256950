// The main window as a newcomer meets it: it opens with its left column whole,
// the auto-save rows choose and make result folders, and the debug log is shown
// in the window.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTranslator>
#include <QtTest>

#include "LogCapture.h"
#include "app/Body.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"
#include "widgets/LogStatus.h"
#include "widgets/LogView.h"
#include "widgets/MessageLog.h"
#include "widgets/SelectAFile.h"

class TestWindow : public QObject {
  Q_OBJECT

 private slots:
  // The window used to open as a 1216 x 374 strip of its left column. On a
  // 1280 x 800 screen it now opens within the screen with the column whole (no
  // scroll bar), in either language; a smaller screen bounds it.
  void initialSize_data() {
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("columnWhole");
    QTest::newRow("1280 x 800") << QString() << QSize(1280, 800) << true;
    QTest::newRow("1280 x 800, Japanese") << QString(":Vanto_ja_JP") << QSize(1280, 800) << true;
    QTest::newRow("1366 x 700") << QString() << QSize(1366, 700) << true;
    QTest::newRow("1280 x 560 bounds the height") << QString() << QSize(1280, 560) << false;
  }
  void initialSize() {
    QFETCH(QString, translation);
    QFETCH(QSize, screen);
    QFETCH(bool, columnWhole);
    QTranslator tr;
    if (!translation.isEmpty()) {
      QVERIFY(tr.load(translation));
      QCoreApplication::installTranslator(&tr);
    }
    const auto restore = qScopeGuard([&tr] { QCoreApplication::removeTranslator(&tr); });
    Body body;
    const QSize size = body.initialSize(screen);
    QVERIFY2(size.width() <= screen.width() && size.height() <= screen.height(),
             qPrintable(QString("%1 x %2").arg(size.width()).arg(size.height())));
    body.resize(size);
    body.show();
    QVERIFY(QTest::qWaitForWindowExposed(&body));
    QCOMPARE(body.size(), size);
    Ui::Body* ui = body.form();
    QTRY_VERIFY(ui->ControlsScroll->viewport()->height() > 0);
    const bool whole = ui->ControlsContents->height() <= ui->ControlsScroll->viewport()->height();
    QCOMPARE(whole, columnWhole);
    QCOMPARE(ui->ControlsScroll->verticalScrollBar()->isVisible(), !columnWhole);
    QVERIFY(!ui->ControlsScroll->horizontalScrollBar()->isVisible());
  }

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
    QCOMPARE(status->buttonText(), refusals == 1 ? QString("1 unread warning")
                                                 : QString("%1 unread warnings").arg(refusals));
    status->findChild<QPushButton*>("ShowLog")->click();
    QCOMPARE(body.form()->ImgsTab->currentWidget(), view);
    QCOMPARE(log.unreadWarnings(), 0);
    QCOMPARE(status->buttonText(), QString("Log"));
  }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
