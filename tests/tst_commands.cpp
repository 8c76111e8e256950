// The main window's command dispatcher and setup files: argument rules,
// pages, the batch waiting for its calculation (also right after loading),
// and a setup saved by one window restoring every key in a fresh one.
#include <QTabWidget>
#include <QtTest>

#include "LogCapture.h"
#include "PhantomSet.h"
#include "app/Body.h"
#include "app/SetupFile.h"
#include "automation/Batch.h"
#include "ct/ProcCtrl.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataDir.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"
#include "widgets/SelectAFile.h"

namespace {
constexpr int kProjections = 10;

void exec(Body& body, const QString& line) {
  QVERIFY(QMetaObject::invokeMethod(&body, "batchExCmd", Qt::DirectConnection,
                                    Q_ARG(BatchCmd, BatchCmd(line))));
}

// The state a command changes, read back from the window as text.
QString probe(Body& body, const QString& what) {
  Ui::Body* u = body.form();
  const ProcCtrl* pc = u->procCtrl;
  if (what == "cor") return QString::number(pc->cor());
  if (what == "sliceStep") return QString::number(pc->sliceStep());
  if (what == "angleOrigin") return QString::number(pc->angleOriginDeg());
  if (what == "page") return QString::number(u->ImgsTab->currentIndex());
  if (what == "pageTitle") return u->ImgsTab->tabText(u->ImgsTab->currentIndex());
  if (what == "engine") return u->SelectCt1->isChecked() ? "ct1" : "ct2";
  return "?" + what;
}

bool writeText(const QString& path, const QString& text) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  return f.write(text.toUtf8()) >= 0;
}

QString readText(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  return QString::fromUtf8(f.readAll());
}
}  // namespace

class TestCommands : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString data_;   // the projections, I0 and background ("phantom data")
  QString blank_;  // a folder whose name holds a blank
  QString heron_;  // facility B data sets: two energies of *.his files

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    data_ = dir_.filePath("phantom data");
    blank_ = dir_.filePath("my results");
    QVERIFY(QDir().mkpath(blank_));
    heron_ = dir_.filePath("heron");
    QVERIFY(QDir().mkpath(heron_));
    for (const char* f : {"sample-7100-0001.his", "sample-7100-0002.his", "sample-7200-0001.his"})
      QVERIFY(writeText(heron_ + "/" + f, "x"));
    QCOMPARE(writePhantom(data_, 64, 8, kProjections), QString());
    QVERIFY(QFile::copy(data_ + "/i0.img", blank_ + "/i0 copy.img"));
  }

  // One row per argument rule of the dispatcher; the values themselves go
  // through the setup round trip below, which also reads flags other than "1"
  // (setupLoadingRules) and quoted text back.
  void conversions_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("word in capitals") << "CT_COR 12.5" << "cor" << "12.5";
    QTest::newRow("real not a number") << "ct_cor abc" << "cor" << "0";
    QTest::newRow("synonym") << "ct_angle_offset -90" << "angleOrigin" << "-90";
    QTest::newRow("integer as real") << "ct_slice_step 2.5" << "sliceStep" << "0";
    QTest::newRow("clearing the chosen engine does nothing") << "calc_ct2 0" << "engine" << "ct2";
    // The first worker's page (inserted before the I0 page), not page 5.
    QTest::newRow("engine page") << "show_ct2 0" << "pageTitle" << "CT2";
    QTest::newRow("engine without a page") << "show_ct2 2" << "page" << "0";
    // Lines that do nothing (a label or a comment is an unknown word here)
    // finish all the same, so that a batch goes on.
    QTest::newRow("unknown word") << "no_such_command 1" << "page" << "0";
    QTest::newRow("blank") << "   " << "page" << "0";
    // clang-format on
  }

  void conversions() {
    QFETCH(QString, line);
    QFETCH(QString, what);
    QFETCH(QString, expected);
    Body body;
    QSignalSpy done(&body, &Body::callBatchCheckEnd);
    exec(body, line);
    QCOMPARE(probe(body, what), expected);
    QCOMPARE(done.count(), 1);
  }

  // A change of axis is announced (it sets slice, range and centre anew); a
  // line that leaves the axis as it is (horizontal at first) is not.
  void axisChangeIsAnnounced() {
    Body body;
    QSignalSpy changed(body.form()->procCtrl, &ProcCtrl::rotAxUpdated);
    QStringList counts;
    for (const char* l :
         {"ct_rot_ax_is_h 1", "ct_rot_ax_is_v 1", "ct_rot_ax_is_h 0", "ct_rot_ax_is_h 1"}) {
      exec(body, l);
      counts << QString::number(changed.count());
    }
    QCOMPARE(counts.join(' '), QString("0 1 1 2"));
  }

  // The usual batch: load, set, reconstruct. The reconstruction must start on
  // the complete set although the files come in one per event-loop turn, and
  // a setup loaded while the batch waits on its calculation must not move it on.
  void calcExecWaitsForLoadingAndHoldsTheBatch() {
    Body body;
    Ui::Body* u = body.form();
    int imagesAtStart = -1;
    connect(u->CalcStartT, &QLineEdit::textChanged, this,
            [&] { imagesAtStart = body.imageSet()->count(); });
    const QString batch = dir_.filePath("run.batch");
    QVERIFY(
        writeText(batch, "images_keep_setup 1\n" + imagesLine() +
                             QString("\ni0_load \"%1/i0.img\"\nbg_load \"%1/bg.img\"\n"
                                     "ct_rot_ax_is_v 1\nct_cor 32\nct_slice_from 0\nct_slice_to 7\n"
                                     "calc_ct2 1\nct_auto_exec 1\ncalc_exec\nct_proc_slice 5\n")
                                 .arg(data_)));
    QSignalSpy ended(body.batch(), &Batch::batchEnded);
    emit body.callBatchLoad(batch);
    emit body.callBatchExec();
    // Held on calc_exec: the line after it has not run yet.
    QVERIFY(body.batch()->running());
    QCOMPARE(body.form()->procCtrl->sliceNo() == 5, false);
    const int at = body.batch()->current();
    const QString setup = dir_.filePath("small.cfg");
    QVERIFY(writeText(setup, "ct_slice_step 1\nct_slice_from 0\n"));
    QVERIFY(QMetaObject::invokeMethod(&body, "loadSetup", Q_ARG(QString, setup)));
    QCOMPARE(body.batch()->current(), at);
    QTRY_VERIFY_WITH_TIMEOUT(ended.count() == 1, 60000);
    QCOMPARE(imagesAtStart, kProjections);
    QVERIFY(u->CalcEndT->text() != "--");
    QCOMPARE(body.form()->procCtrl->sliceNo(), 5);
    QCOMPARE(body.form()->procCtrl->cor(), 32.0);
  }

  // calc_exec while the operator's run is going: the batch's own run, with
  // the batch's settings, follows that one, and the batch waits for it.
  void calcExecDuringARunFollowsIt() {
    Body body;
    for (const QString& l : {imagesLine(), QString("ct_rot_ax_is_v 1"), QString("ct_auto_exec 1")})
      exec(body, l);
    QTRY_VERIFY(!body.loadingFiles());
    for (const char* l : {"ct_cor 32", "ct_slice_from 0", "ct_slice_to 7"}) exec(body, l);
    QSignalSpy started(body.ctRun(), &CtRun::startCt);
    QSignalSpy runs(&body, &Body::calcFinished);
    body.form()->CalcCT->click();
    QVERIFY(body.calculating());
    const QString batch = dir_.filePath("during.batch");
    QVERIFY(writeText(batch, "ct_slice_from 2\nct_slice_to 3\ncalc_exec\nct_proc_slice 5\n"));
    emit body.callBatchLoad(batch);
    emit body.callBatchExec();
    QVERIFY(body.batch()->running());
    QTRY_VERIFY_WITH_TIMEOUT(!body.batch()->running(), 60000);
    QCOMPARE(runs.count(), 2);
    QList<int> slices;
    for (const auto& args : started) slices << args.at(1).toInt();
    std::sort(slices.begin(), slices.begin() + std::min<qsizetype>(8, slices.size()));
    QCOMPARE(slices, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 2, 3}));
    QCOMPARE(body.form()->procCtrl->sliceNo(), 5);
    QCOMPARE(body.jobStatus().failures(), 0);
  }

  QString imagesLine() const { return QString("images_load \"%1\" proj-*.img").arg(data_); }

  // Lines that may change what entry e writes, made from its argument rule and
  // its value now. None for an exclusive choice already chosen: only choosing
  // another one changes it.
  QStringList candidateLines(const CommandEntry& e, const QVariantList& now) const {
    const auto at = [&now](int i) { return i < now.size() ? now.at(i) : QVariant(); };
    const auto q = [](const QString& t) { return '"' + t + '"'; };
    // Another integer, within ranges that start at 0 or 1.
    const auto other = [](const QVariant& v) {
      return v.toInt() >= 2 ? v.toInt() - 1 : v.toInt() + 1;
    };
    const QString flip = at(0).toBool() ? "0" : "1";
    const QMap<ArgRule, QStringList> values{
        {ArgRule::Flag, {flip}},
        {ArgRule::Option, flip == "1" ? QStringList{flip} : QStringList()},
        {ArgRule::Integer, {QString::number(other(at(0)))}},
        {ArgRule::Real, {QString::number(at(0).toDouble() + 0.5)}},
        {ArgRule::Text, {q("a b#c")}},
        {ArgRule::Word, e.words},
        {ArgRule::File, {q(blank_ + "/i0 copy.img")}},
        {ArgRule::Folder, {q(blank_)}},
        {ArgRule::FolderPatterns, {q(data_) + " *.img"}},
        {ArgRule::FlagInteger, {flip + ' ' + QString::number(other(at(1)))}},
        {ArgRule::IntegerReal, {QString("%1 %2").arg(other(at(0))).arg(at(1).toDouble() + 0.5)}}};
    QStringList lines;
    for (const QString& v : values.value(e.rule)) lines << e.key + ' ' + v;
    return lines;
  }

  // Runs the first candidate line that changes what key writes in body, and
  // returns it; "" when none does.
  QString changeKey(Body& body, const QString& key) const {
    const CommandEntry* e = body.commandTable().find(key);
    if (!e || !e->write) return {};
    const std::optional<QVariantList> before = e->write();
    for (const QString& line : candidateLines(*e, before.value_or(QVariantList()))) {
      exec(body, line);
      if (!QTest::qWaitFor([&] { return !body.loadingFiles(); })) return {};
      if (e->write() != before) return line;
    }
    return {};
  }

  // Every entry that a setup file holds with a value it reads back, in table order.
  static QStringList valueKeys(const Body& body) {
    QStringList keys;
    for (const CommandEntry& e : body.commandTable().entries())
      if (e.write && !e.comment && e.rule != ArgRule::None) keys << e.key;
    return keys;
  }

  // Saves a setup from a window that make sets up (false: it could not), loads
  // it into one made by the lines before, saves again: both files must be the same.
  void roundTrip(const std::function<bool(Body&)>& make, const QStringList& before,
                 const QStringList& expected, int dataSets, QStringList* savedOut = nullptr) {
    const QString file1 = dir_.filePath("one.cfg"), file2 = dir_.filePath("two.cfg");
    bool imagesSaved = false;
    int setsSaved = 0;
    {
      Body a;
      if (!make(a)) return;
      QTRY_VERIFY(!a.loadingFiles());
      imagesSaved = a.imageSet()->count() > 0;
      setsSaved = a.form()->SelDDir->count();
      QVERIFY(QMetaObject::invokeMethod(&a, "saveSetup", Q_ARG(QString, file1)));
    }
    const QString saved = readText(file1);
    const QStringList savedLines = saved.split('\n');
    if (savedOut) *savedOut = savedLines;
    QCOMPARE(savedLines.first(), QString(SetupWriter::kBanner));
    for (const QString& l : expected) QVERIFY2(savedLines.contains(l), qPrintable(l));

    Body b;
    for (const QString& l : before) exec(b, l);
    QTRY_VERIFY(!b.loadingFiles());
    const int imagesBefore = b.imageSet()->count();
    LogCapture log;
    QVERIFY(QMetaObject::invokeMethod(&b, "loadSetup", Q_ARG(QString, file1)));
    QCOMPARE(b.imageSet()->count(), imagesBefore);  // images are not loaded again
    QCOMPARE(b.form()->SelDDir->count(), setsSaved);
    if (dataSets >= 0) QCOMPARE(setsSaved, dataSets);
    QCOMPARE(b.jobStatus().failures(), 0);  // every line of the file could be applied
    QVERIFY(QMetaObject::invokeMethod(&b, "saveSetup", Q_ARG(QString, file2)));
    // The images are noted only when the loading window holds them too.
    auto withoutImages = [](QStringList lines) {
      lines.removeIf([](const QString& l) { return l.startsWith("#images_load"); });
      return lines;
    };
    if (imagesSaved == (imagesBefore > 0))
      QCOMPARE(readText(file2), saved);
    else
      QCOMPARE(withoutImages(readText(file2).split('\n')), withoutImages(savedLines));
  }

  // A setup saved from a window, loaded into another window and saved again
  // gives the same file, whatever that window held before.
  void setupRoundTrip_data() {
    QTest::addColumn<QStringList>("state");     // lines that make the saved window
    QTest::addColumn<QStringList>("before");    // lines run in the loading window first
    QTest::addColumn<QStringList>("expected");  // lines the saved file holds
    QTest::addColumn<int>("dataSets");          // data sets the saved folder holds
    // Every key of the table away from its value, one after the other.
    QStringList changed{imagesLine()};
    {
      Body body;
      exec(body, imagesLine());
      QTRY_VERIFY(!body.loadingFiles());
      for (const QString& key : valueKeys(body)) {
        const QString line = changeKey(body, key);
        if (!line.isEmpty()) changed << line;
      }
    }
    QTest::newRow("every key changed, into a window with the images")
        << changed << QStringList{imagesLine()}
        << QStringList{QString("#images_load             \"%1\" *.img").arg(data_),
                       QString("i0_load                  \"%1/i0 copy.img\"").arg(blank_),
                       "ct_use_partial_data_set  1", "auto_save_image_name     \"a b#c\""}
        << 0;
    // The second engine, no references: written so that loading restores them.
    // Not so the default data format, the reconstruction options and an empty
    // I0 file list, which write no line, so that loading leaves the window's own.
    changed.removeIf([](const QString& l) {
      for (const char* key : {"auto_save_data_format ", "seq_exec_select_i0 ", "ct_filter ",
                              "ct_filter_padding ", "ct_ring_removal ", "ct_outlier_removal "})
        if (l.startsWith(QLatin1String(key))) return true;
      return false;
    });
    QTest::newRow("defaults, into a changed window")
        << QStringList() << changed
        << QStringList{"i0_clear", "bg_clear", "calc_ct2                 1",
                       "ct_use_partial_data_set   0"}
        << 0;
    // The pattern is needed to scan the folder.
    QTest::newRow("facility B data sets")
        << QStringList{QString("seq_exec_file_pattern *.his"),
                       QString("seq_exec_dir \"%1\"").arg(heron_)}
        << QStringList() << QStringList{QString("seq_exec_dir             %1").arg(heron_)} << 2;
  }

  void setupRoundTrip() {
    QFETCH(QStringList, state);
    QFETCH(QStringList, before);
    QFETCH(QStringList, expected);
    QFETCH(int, dataSets);
    roundTrip(
        [&](Body& a) {
          for (const QString& l : state) exec(a, l);
          return true;
        },
        before, expected, dataSets);
  }

  // Each key alone away from its value: a key of the table that the setup
  // file does not write, or that loading does not apply, fails its row.
  void everyKeyRoundTrip_data() {
    QTest::addColumn<QString>("key");
    Body body;
    for (const QString& key : valueKeys(body)) {
      const CommandEntry* e = body.commandTable().find(key);
      // A choice made already is changed by the other choices' rows.
      if (e->rule != ArgRule::Option || !e->write()->value(0).toBool())
        QTest::newRow(qPrintable(key)) << key;
    }
  }

  void everyKeyRoundTrip() {
    QFETCH(QString, key);
    QString line;
    const auto changeOne = [&](Body& a) {
      exec(a, imagesLine());
      if (!QTest::qWaitFor([&] { return !a.loadingFiles(); })) return false;
      line = changeKey(a, key);
      return !line.isEmpty();
    };
    QStringList saved;
    roundTrip(changeOne, {imagesLine()}, {}, -1, &saved);
    QVERIFY2(!line.isEmpty(), "no line of its rule changes what it writes");
    // The line as written holds the value as given.
    QVERIFY2(std::any_of(saved.begin(), saved.end(),
                         [&](const QString& l) { return l.simplified() == line; }),
             qPrintable(line));
  }

  void setupLoadingRules() {
    Body body;
    const QString file = dir_.filePath("rules.cfg");
    QVERIFY(writeText(file,
                      "### a setup\nfix_color_scale 2\nno_such_key 1\ncalc_show_res 0\n"
                      "auto_save_image_name two words\nimages_keep_setup 1\n"));
    QVERIFY(QMetaObject::invokeMethod(&body, "loadSetup", Q_ARG(QString, file)));
    Ui::Body* u = body.form();
    QVERIFY(!u->FixColorScale->isChecked());                  // only "1" checks
    QVERIFY(!u->ShowCalcRes->isChecked());                    // the line after the unknown one ran
    QCOMPARE(u->SelectImageSaveDir->name(), QString("two"));  // unquoted: cut at the blank
    QVERIFY(u->CTFiles->keepConditions());

    LogCapture log;
    QVERIFY(
        QMetaObject::invokeMethod(&body, "loadSetup", Q_ARG(QString, dir_.filePath("none.cfg"))));
    QVERIFY(QMetaObject::invokeMethod(&body, "saveSetup",
                                      Q_ARG(QString, dir_.filePath("no/such/folder/x.cfg"))));
    QCOMPARE(log.matching("can't open save setup file : ").size(), 2);
  }

  // Keys that a setup holds only when they are not at their defaults (older
  // setups stay valid): set and written (loading it back is the key's
  // everyKeyRoundTrip row); a bad value is logged and leaves the setting; the
  // default written nowhere again.
  void keysOnlyWhenSet_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("values");  // set, as saved, refused, default
    QTest::newRow("data format") << "auto_save_data_format"
                                 << QStringList{"TIF", "tif", "png", "dat"};
    QTest::newRow("filter window")
        << "ct_filter" << QStringList{"Shepp-Logan", "shepp-logan", "gauss", "ramp"};
    QTest::newRow("ring removal") << "ct_ring_removal" << QStringList{"21", "21", "-3", "0"};
  }

  void keysOnlyWhenSet() {
    QFETCH(QString, key);
    QFETCH(QStringList, values);
    const QString file = dir_.filePath("keys.cfg");
    const QStringList saved{key.leftJustified(24) + ' ' + values[1]};
    auto savedLines = [&](Body& body) {
      QMetaObject::invokeMethod(&body, "saveSetup", Q_ARG(QString, file));
      return readText(file).split('\n').filter(QRegularExpression("^" + key + " "));
    };
    Body body;
    exec(body, key + ' ' + values[0]);
    QCOMPARE(savedLines(body), saved);
    LogCapture log;
    exec(body, key + ' ' + values[2]);
    QCOMPARE(log.matching(key + " takes ").size(), 1);
    QCOMPARE(savedLines(body), saved);
    exec(body, key + ' ' + values[3]);
    QCOMPARE(savedLines(body), QStringList());
  }

  // A sweep that cannot run is logged and counted, and the batch goes on.
  void corSweepRefused_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("step 0") << "ct_cor_sweep 30 34 0";
    QTest::newRow("too many centres") << "ct_cor_sweep 0 1000 0.5";
    QTest::newRow("no images") << "ct_cor_sweep 30 34 1";
  }

  void corSweepRefused() {
    QFETCH(QString, line);
    Body body;
    QSignalSpy done(&body, &Body::callBatchCheckEnd);
    LogCapture log;
    exec(body, line);
    QCOMPARE(log.matching("CoR sweep not started : ").size(), 1);
    QCOMPARE(body.jobStatus().failures(), 1);
    QCOMPARE(done.count(), 1);
    QVERIFY(!body.calculating());
  }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
