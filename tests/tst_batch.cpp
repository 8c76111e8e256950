// The batch interpreter against a scripted stand-in for the main window's
// dispatcher: what runs, in which order, what waits and how deep it nests.
#include <QtTest>

#include "LogCapture.h"
#include "automation/Batch.h"

namespace {

// Plays the dispatcher: records every command, finishes it at once except
// calc_exec (held until release()), and answers seq_exec_next from a queue.
class Dispatcher : public QObject {
 public:
  explicit Dispatcher(Batch& b) : batch(b) {
    connect(&batch, &Batch::batchExCmd, this, [this](const BatchCmd& cmd) { run(cmd); });
  }
  void run(const BatchCmd& cmd) {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    commands << cmd.line();
    if (cmd.is("seq_exec_next"))
      batch.setLastOk(nextResults.isEmpty() ? false : nextResults.takeFirst());
    if (!cmd.is("calc_exec")) batch.batchCheckEnd();
    --depth;
  }
  void release() { batch.batchCheckEnd(); }
  Batch& batch;
  QStringList commands;
  QList<bool> nextResults;
  int depth = 0;
  int maxDepth = 0;
};

// A batch file of text in a folder that lives as long as the test program.
QString writeFile(const QString& text) {
  static QTemporaryDir dir;
  static int n = 0;
  const QString path = dir.filePath(QString("b%1.txt").arg(++n));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return {};
  f.write(text.toUtf8());
  return path;
}

}  // namespace

class TestBatch : public QObject {
  Q_OBJECT

 private slots:
  // "count:lines joined by |" of the lines kept: none of an empty file, a comment cut, a
  // quoted hash kept, a continuation (also on the last line and before a
  // comment-only line), a blank line kept.
  void loadStripsCommentsAndJoinsLines() {
    QStringList got;
    for (const char* text : {"", "ct_cor 12.5 # the centre\nshow_ct1", "i0_load \"/a#b/i0.img\"",
                             "ct_set_calc_region 1 2 \\\n3 4\nshow_ct1", "a b \\",
                             "a \\\n# only a comment\nb", "a\n   \nb"}) {
      Batch b;
      b.batchLoad(writeFile(text));
      QVERIFY(!b.loadFailed());
      got << QString::number(b.lines().size()) + ':' + b.lines().join('|');
    }
    QCOMPARE(got, (QStringList{"0:", "2:ct_cor 12.5 |show_ct1", "1:i0_load \"/a#b/i0.img\"",
                               "2:ct_set_calc_region 1 2 3 4|show_ct1", "1:a b ", "2:a |b",
                               "3:a|   |b"}));
  }

  void runsLinesInOrder_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<bool>>("nextResults");
    QTest::addColumn<QStringList>("commands");
    // clang-format off
    QTest::newRow("plain") << "a 1\nb 2\nc" << QList<bool>{} << QStringList{"a 1", "b 2", "c"};
    QTest::newRow("end in the middle") << "a\n:end\nb" << QList<bool>{} << QStringList{"a"};
    QTest::newRow("stop in capitals") << "a\n:STOP\nb" << QList<bool>{} << QStringList{"a"};
    QTest::newRow("echo is not dispatched") << ":echo hello\na" << QList<bool>{} << QStringList{"a"};
    QTest::newRow("ifng jumps after a failed next") << "seq_exec_next\n:ifng :goto done\nx\ndone" << QList<bool>{false} << QStringList{"seq_exec_next", "done"};
    QTest::newRow("ifng not taken after a successful next") << "seq_exec_next\n:ifng :goto done\nx\ndone" << QList<bool>{true} << QStringList{"seq_exec_next", ":ifng :goto done", "x", "done"};
    QTest::newRow("a line between resets the condition") << "seq_exec_next\ny\n:ifng :goto done\nx\ndone" << QList<bool>{false} << QStringList{"seq_exec_next", "y", ":ifng :goto done", "x", "done"};
    QTest::newRow("loop over data sets") << "loop\nseq_exec_next\n:IFOK :GOTO loop\nlast" << QList<bool>{true, true, false} << QStringList{"loop", "seq_exec_next", "loop", "seq_exec_next", "loop", "seq_exec_next", ":IFOK :GOTO loop", "last"};
    // Labels are case-sensitive: LOOP is no label, and the line after it runs.
    QTest::newRow("goto to a missing label goes on") << "a\nloop\n:goto LOOP\nb" << QList<bool>{} << QStringList{"a", "loop", "b"};
    QTest::newRow("ifok runs the rest as a command") << ":ifok ct_cor  \"12.5\"" << QList<bool>{} << QStringList{"ct_cor 12.5"};
    QTest::newRow("comments only") << "# nothing\n" << QList<bool>{} << QStringList{};
    // clang-format on
  }

  void runsLinesInOrder() {
    QFETCH(QString, text);
    QFETCH(QList<bool>, nextResults);
    QFETCH(QStringList, commands);
    Batch b;
    Dispatcher d(b);
    d.nextResults = nextResults;
    QSignalSpy ended(&b, &Batch::batchEnded);
    b.batchLoad(writeFile(text));
    b.batchExec();
    QCOMPARE(d.commands, commands);
    QVERIFY(!b.running());
    QCOMPARE(ended.count(), 1);
  }

  void execWhileRunningStops() {
    Batch b;
    Dispatcher d(b);
    b.batchLoad(writeFile("calc_exec\nafter"));
    b.batchExec();
    QVERIFY(b.running());
    b.batchExec();  // the start button pressed again
    QVERIFY(!b.running());
    d.release();  // the calculation ends later: the batch stays stopped
    QCOMPARE(d.commands, QStringList{"calc_exec"});
    // Starting again begins at the first line.
    b.batchExec();
    QCOMPARE(b.current(), 1);
  }

  // A first word that nothing knows is logged once at loading, with its line
  // number in the file; labels (targets of :goto) and control words are known.
  void unknownWordsAreLogged() {
    Batch b;
    b.setCommandWords({"ct_cor", "calc_exec"});
    LogCapture log;
    b.batchLoad(
        writeFile("CT_COR 1\n# a comment\ncalc_exce\nloop\n:ifok :goto loop\n:echo \\\n"
                  "  continued\n  \nct_cor 2 \\\n  more\nbogus x\n:goto :done\n:done\n"));
    QCOMPARE(log.matching("Unknown command"), (QStringList{"Unknown command: calc_exce (line 3)",
                                                           "Unknown command: bogus (line 11)"}));
  }

  // A file that cannot be read leaves the lines loaded before. A batch file of
  // one endless line (a device such as /dev/zero) used to be read until memory
  // ran out; a line over 1 MiB refuses the file like an unopenable one.
  void unreadableFileKeepsLines() {
    const QString tooLong = writeFile("x\n" + QString((1 << 20) + 1, 'y') + "\nz\n");
    for (auto [path, reason] : {std::pair{QDir::temp().filePath("vanto-no-such-batch.txt"), ""},
                                {QString("/dev/zero"), " (not a regular file)"},
                                {tooLong, " (a line is longer than 1 MiB)"}}) {
      Batch b;
      b.batchLoad(writeFile("a\nb"));
      LogCapture log;
      b.batchLoad(path);
      QVERIFY(b.loadFailed());
      QCOMPARE(b.lines(), (QStringList{"a", "b"}));
      QCOMPARE(log.lines(), QStringList{"Can't open batch file " + path + reason});
    }
  }

  void endlessGotoLoopStaysStoppable() {
    Batch b;
    Dispatcher d(b);
    LogCapture quiet;
    b.batchLoad(writeFile("again\n:goto again"));
    b.batchExec();
    // batchExec returned although the loop never ends ...
    QVERIFY(b.running());
    const int first = d.commands.size();
    QVERIFY(first >= Batch::kStepsPerTurn / 2);
    // ... and it goes on in later turns of the event loop until it is stopped.
    QTRY_VERIFY(d.commands.size() > first);
    b.batchExec();
    QVERIFY(!b.running());
    const int stopped = d.commands.size();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(d.commands.size(), stopped);
    QCOMPARE(d.maxDepth, 1);
  }

  void environmentValues_data() {
    QTest::addColumn<QString>("text");
    // Each dispatched command as its items joined by '|'.
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("failure");
    // clang-format off
    QTest::newRow("a value with blanks splits into items") << "images_load ${VT_DIR} *.img" << QStringList{"images_load|/d|a|*.img"} << "";
    QTest::newRow("inside quotes it stays one item") << "images_load \"${VT_DIR}/p\" *.img" << QStringList{"images_load|/d a/p|*.img"} << "";
    QTest::newRow("several in one line and one item") << "k ${VT_FROM} ${VT_TO} s${VT_FROM}-${VT_TO}" << QStringList{"k|8|15|s8-15"} << "";
    QTest::newRow("only the braced form") << "k $VT_FROM $ {VT_FROM} $$" << QStringList{"k|$VT_FROM|$|{VT_FROM}|$$"} << "";
    QTest::newRow("an empty value leaves an empty item, dropped") << "k \"${VT_EMPTY}\" 1" << QStringList{"k|1"} << "";
    QTest::newRow("in a control word's command") << ":ifok ct_slice_to ${VT_TO}" << QStringList{"ct_slice_to|15"} << "";
    // The file's line number counts comments and joined lines.
    QTest::newRow("undefined: the line is not run") << "# job\na \\\n 1\nb ${VT_FROM} ${VT_NOPE}\nc" << QStringList{"a|1", "c"} << "Undefined variable: VT_NOPE (line 4)";
    QTest::newRow("no closing brace") << "b ${VT_FROM" << QStringList{} << "Undefined variable: VT_FROM (line 1)";
    // clang-format on
  }

  void environmentValues() {
    QFETCH(QString, text);
    QFETCH(QStringList, commands);
    QFETCH(QString, failure);
    qputenv("VT_DIR", "/d a");
    qputenv("VT_FROM", "8");
    qputenv("VT_TO", "15");
    qputenv("VT_EMPTY", "");
    qunsetenv("VT_NOPE");
    Batch b;
    Dispatcher d(b);
    QStringList items;
    connect(&b, &Batch::batchExCmd, this, [&items](const BatchCmd& c) {
      items << (QStringList{c.command()} + c.arguments()).join('|');
    });
    QSignalSpy failed(&b, &Batch::failed);
    b.batchLoad(writeFile(text));
    LogCapture log;
    b.batchExec();
    QCOMPARE(items, commands);
    QCOMPARE(b.failures(), failure.isEmpty() ? 0 : 1);
    QCOMPARE(failed.count(), b.failures());
    if (!failure.isEmpty()) QCOMPARE(log.matching("Undefined variable"), QStringList{failure});
    QVERIFY(!b.running());
  }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
