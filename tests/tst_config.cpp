// Command line and configuration file into the store, INCLUDE handling and
// the start-up decisions that read the store.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "Joined.h"
#include "app/Startup.h"
#include "base/ConfigStore.h"

class TestConfig : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString write(const QString& name, const QString& text) {
    const QString p = dir_.filePath(name);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) qFatal("cannot write fixture");
    f.write(text.toUtf8());
    return p;
  }

 private slots:
  void init() { ConfigStore::instance().clear(); }

  // Each option takes the words up to the next option, joined by blanks; a
  // negative number is an option; the program name is no key. The file
  // named by -config wins over -c, and config.cfg is read when none is named.
  void commandLine() {
    ConfigStore& s = ConfigStore::instance();
    QCOMPARE(startup::configFileName(s), QString("config.cfg"));
    s.parseCommandLine({"vanto", "-c", "my", "file.cfg", "-b", "-x", "-config", "b.cfg", "-d",
                        "dir", "-5", "x", "-nw"});
    QStringList pairs;
    for (const auto& [key, value] : s.entries()) pairs << key + "=" + value;
    QCOMPARE(pairs.join('|'), "-c=my file.cfg|-b=|-x=|-config=b.cfg|-d=dir|-5=x|-nw=");
    QCOMPARE(startup::configFileName(s), QString("b.cfg"));
  }

  // Keys in first-seen order with the last value; a key without a value
  // holds an empty one, not the default.
  void fileEntriesAndRawLines() {
    const QString inc = write("other.cfg", "inner 1\nDataRoot \"/from include\"\n");
    const QString main = write("main.cfg", QString("# comment only\n"
                                                   "first  a\n"
                                                   "\n"
                                                   "Include %1\n"
                                                   "DataRoot \"/data with blank\" extra\n"
                                                   "first b # trailing comment\n"
                                                   "Quillmap host 7000\n"
                                                   "flag\n")
                                               .arg(inc));
    ConfigStore& s = ConfigStore::instance();
    QVERIFY(s.readConfigFile(main));
    QStringList pairs;
    for (const auto& [key, value] : s.entries()) pairs << key + "=" + value;
    QCOMPARE(pairs.join('|'), "first=b|inner=1|DataRoot=/data with blank|Quillmap=host|flag=");
    QCOMPARE(s.rawLines(),
             (QStringList{"first  a", QString("Include %1").arg(inc), "inner 1",
                          "DataRoot \"/from include\"", "DataRoot \"/data with blank\" extra",
                          "first b ", "Quillmap host 7000", "flag"}));
    QCOMPARE(joined(s.valueIgnoringCase("QUILLMAP"), s.value("QUILLMAP", "none"),
                    s.contains("flag"), "[" + s.value("flag", "default") + "]"),
             "host none 1 []");
  }

  // A missing file is refused with its name as it is (no quotes). A missing
  // INCLUDE, and "INCLUDE /dev/zero", which used to hang start-up on one
  // endless line, and a pipe, which blocked it at opening: only regular files
  // are read, and a file with a line over 1 MiB is refused whole; reading goes
  // on after the INCLUDE line.
  void unreadableIncludes() {
    QTest::ignoreMessage(QtDebugMsg, "Can't open config file : ");
    QVERIFY(!ConfigStore::instance().readConfigFile(""));
    const QString fifo = dir_.filePath("pipe");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString tooLong = write("long.cfg", "inner 1\nkey " + QString(1 << 20, 'v') + "\n");
    for (auto [target, reason] : {std::pair{QString("nowhere.cfg"), ""},
                                  {QString("/dev/zero"), " (not a regular file)"},
                                  {fifo, " (not a regular file)"},
                                  {tooLong, " (a line is longer than 1 MiB)"}}) {
      ConfigStore& s = ConfigStore::instance();
      s.clear();
      const QString f =
          write("inc-bad.cfg", QString("before 1\nINCLUDE %1\nafter 2\n").arg(target));
      QTest::ignoreMessage(QtDebugMsg, qPrintable("Can't open config file : " + target + reason));
      QVERIFY(s.readConfigFile(f));
      // before, after, the refused file's key, the lines kept
      QCOMPARE(
          joined(s.value("before"), s.value("after"), s.contains("inner"), s.rawLines().size()),
          "1 2 0 3");
    }
  }

  void includeCycleEnds() {
    const QString a = dir_.filePath("cycA.cfg");
    const QString b = dir_.filePath("cycB.cfg");
    write("cycA.cfg", QString("a 1\ninclude %1\n").arg(b));
    write("cycB.cfg", QString("b 2\ninclude %1\n").arg(a));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("already being read"));
    ConfigStore& s = ConfigStore::instance();
    QVERIFY(s.readConfigFile(a));
    QCOMPARE(joined(s.value("a"), s.value("b"), s.rawLines().size()), "1 2 4");
  }

  void optionsAfterTheFile() {
    // A configuration line "-nw" or "-d dir" acts like the command-line option.
    const QString f = write("opts.cfg", "-nw\n-d /cfg/data\nDataRoot /root/data\n");
    ConfigStore& s = ConfigStore::instance();
    s.parseCommandLine(QStringList{"vanto", "-c", f});
    QVERIFY(startup::noWindowRequested(s));
    QVERIFY(s.readConfigFile(startup::configFileName(s)));
    QVERIFY(s.contains("-nw"));
    QCOMPARE(startup::dataRoot(s, "/builtin"), QString("/cfg/data"));
    s.clear();
    QCOMPARE(startup::dataRoot(s, "/builtin"), QString("/builtin"));
    QVERIFY(!startup::noWindowRequested(s));
    // -nw in an included file chooses the offscreen platform as well.
    const QString outer = write("outer.cfg", QString("a 1\ninclude %1\n").arg(f));
    s.parseCommandLine(QStringList{"vanto", "-c", outer});
    QVERIFY(startup::noWindowRequested(s));
  }

  // Offscreen only when no window is wanted and no display or platform is set.
  void offscreenChoice() {
    QCOMPARE(joined(startup::wantsOffscreen(true, "", "", ""),
                    startup::wantsOffscreen(false, "", "", ""),
                    startup::wantsOffscreen(true, ":0", "", ""),
                    startup::wantsOffscreen(true, "", "wayland-0", ""),
                    startup::wantsOffscreen(true, "", "", "xcb")),
             "1 0 0 0 0");
  }
};

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
