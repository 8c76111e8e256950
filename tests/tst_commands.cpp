// The main window's command dispatcher and setup files: argument rules,
// pages, the batch waiting for its calculation (also right after loading),
// and a setup saved by one window restoring every key in a fresh one.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>
#include <thread>

#include "LogCapture.h"
#include "PhantomWriter.h"
#include "app/Body.h"
#include "app/SetupFile.h"
#include "automation/Batch.h"
#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "imagedata/I0ofImage.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataDir.h"
#include "imagedata/SelectDataFiles.h"
#include "ui_Body.h"
#include "widgets/SeekCtrl.h"
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
  const auto b = [](bool f) { return f ? QString("1") : QString("0"); };
  if (what == "autoExec") return b(pc->autoExec());
  if (what == "cor") return QString::number(pc->cor());
  if (what == "sliceNo") return QString::number(pc->sliceNo());
  if (what == "sliceStep") return QString::number(pc->sliceStep());
  if (what == "rotAxIsV") return b(pc->rotAxIsV());
  if (what == "angleOrigin") return QString::number(pc->angleOriginDeg());
  if (what == "threads") return QString::number(pc->maxThreads());
  if (what == "recorded1") return QString("%1 %2").arg(pc->corSlice1()).arg(pc->cor1());
  if (what == "page") return QString::number(u->ImgsTab->currentIndex());
  if (what == "pageTitle") return u->ImgsTab->tabText(u->ImgsTab->currentIndex());
  if (what == "engine") return u->SelectCt1->isChecked() ? "ct1" : "ct2";
  if (what == "upperLimit") return u->DataUpperLimit->text();
  if (what == "colorMin") return u->ColorMin->text();
  if (what == "imageName") return u->SelectImageSaveDir->name();
  if (what == "alterStack") return b(body.sinogramPanel()->alterStack());
  if (what == "rawI0Val") return u->I0ofRawImage_->i0Val()->text();
  if (what == "multi")
    return b(u->CTFiles->loadMultiTimes()) + " " + QString::number(u->CTFiles->multiTimes());
  if (what == "newOnLoad") return b(u->CTFiles->loadNewFiles());
  if (what == "pattern") return u->SelDDir->pattern();
  if (what == "engDirs") return b(u->SelDDir->isEngDirs());
  if (what == "showAddInf") return b(u->ShowAdditionalAdditionalInfo->isChecked());
  if (what == "subOfSlice") return b(u->SubOfSlice->isChecked());
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
    PhantomOptions o;
    o.outDir = data_;
    o.width = 64;
    o.rows = 8;
    o.projections = kProjections;
    o.rangeDeg = 180.0;
    PhantomWriter w(o);
    QVERIFY2(w.write(), qPrintable(w.errorText()));
    QVERIFY(QFile::copy(data_ + "/i0.img", blank_ + "/i0 copy.img"));
  }

  void conversions_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("expected");
    const QString n = QString::number(std::max(1u, std::thread::hardware_concurrency()));
    QTest::newRow("flag 1") << "ct_auto_exec 1"
                            << "autoExec"
                            << "1";
    QTest::newRow("flag yes is off") << "ct_auto_exec yes"
                                     << "autoExec"
                                     << "0";
    QTest::newRow("flag 2 is off") << "ct_auto_exec 2"
                                   << "autoExec"
                                   << "0";
    QTest::newRow("word in capitals") << "CT_COR 12.5"
                                      << "cor"
                                      << "12.5";
    QTest::newRow("real not a number") << "ct_cor abc"
                                       << "cor"
                                       << "0";
    QTest::newRow("real missing") << "ct_angle_origin"
                                  << "angleOrigin"
                                  << "0";
    QTest::newRow("synonym") << "ct_angle_offset -90"
                             << "angleOrigin"
                             << "-90";
    QTest::newRow("integer") << "ct_proc_slice 7"
                             << "sliceNo"
                             << "7";
    QTest::newRow("integer beyond 32 bits") << "ct_proc_slice 4294967297"
                                            << "sliceNo"
                                            << "0";
    QTest::newRow("integer as real") << "ct_slice_step 2.5"
                                     << "sliceStep"
                                     << "0";
    QTest::newRow("threads capped") << "ct_threads 100000"
                                    << "threads" << n;
    QTest::newRow("two arguments") << "ct_recorded_cor_1 10 20.5"
                                   << "recorded1"
                                   << "10 20.5";
    QTest::newRow("flag and integer") << "images_multi 1 3"
                                      << "multi"
                                      << "1 3";
    QTest::newRow("add on load") << "images_add_on_load 1"
                                 << "newOnLoad"
                                 << "0";
    QTest::newRow("horizontal axis") << "ct_rot_ax_is_h 1"
                                     << "rotAxIsV"
                                     << "0";
    QTest::newRow("vertical 0 is horizontal") << "ct_rot_ax_is_v 0"
                                              << "rotAxIsV"
                                              << "0";
    QTest::newRow("second engine") << "calc_ct2 1"
                                   << "engine"
                                   << "ct2";
    QTest::newRow("first engine") << "calc_ct1 1"
                                  << "engine"
                                  << "ct1";
    QTest::newRow("clearing the chosen engine does nothing") << "calc_ct2 0"
                                                             << "engine"
                                                             << "ct2";
    QTest::newRow("text as given") << "auto_save_data_upper_limit 3.5e1"
                                   << "upperLimit"
                                   << "3.5e1";
    QTest::newRow("real field") << "fix_color_min -0.25"
                                << "colorMin"
                                << "-0.25";
    QTest::newRow("quoted text") << "auto_save_image_name \"my scan\""
                                 << "imageName"
                                 << "my scan";
    QTest::newRow("text missing") << "auto_save_image_name"
                                  << "imageName"
                                  << "";
    QTest::newRow("sinogram option") << "set_sgm_alter_stack 1"
                                     << "alterStack"
                                     << "1";
    QTest::newRow("I0 panel value") << "add_inf_raw_i0_val 1.5"
                                    << "rawI0Val"
                                    << "1.5";
    QTest::newRow("data-set pattern") << "seq_exec_file_pattern *.his"
                                      << "pattern"
                                      << "*.his";
    QTest::newRow("data-set layout") << "add_inf_Eng_Dirs 1"
                                     << "engDirs"
                                     << "1";
    QTest::newRow("additional panels") << "add_inf_show 1"
                                       << "showAddInf"
                                       << "1";
    QTest::newRow("sub-folder per slice") << "auto_save_in_sub_folders_of_slice 1"
                                          << "subOfSlice"
                                          << "1";
    QTest::newRow("page by number") << "show_tab 1"
                                    << "page"
                                    << "1";
    QTest::newRow("page out of range") << "show_tab 99"
                                       << "page"
                                       << "0";
    QTest::newRow("reconstruction page") << "show_ct1"
                                         << "page"
                                         << "2";
    // The first worker's page (inserted before the I0 page), not page 5.
    QTest::newRow("engine page") << "show_ct2 0"
                                 << "pageTitle"
                                 << "CT2";
    QTest::newRow("engine without a page") << "show_ct2 2"
                                           << "page"
                                           << "0";
    QTest::newRow("I0 page") << "show_i0"
                             << "pageTitle"
                             << "I0 Image";
    QTest::newRow("background page") << "show_bg"
                                     << "pageTitle"
                                     << "BG Image";
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

  void axisChangeIsAnnounced() {
    Body body;
    ProcCtrl* pc = body.form()->procCtrl;
    QSignalSpy changed(pc, &ProcCtrl::rotAxUpdated);
    exec(body, "ct_rot_ax_is_h 1");
    QVERIFY(!pc->rotAxIsV());
    const int first = changed.count();
    exec(body, "ct_rot_ax_is_h 1");  // already horizontal: nothing to announce
    QCOMPARE(changed.count(), first);
    exec(body, "ct_rot_ax_is_v 1");
    QCOMPARE(changed.count(), first + 1);
    exec(body, "ct_rot_ax_is_h 0");  // "0": vertical, as it already is
    QCOMPARE(changed.count(), first + 1);
  }

  void unknownWordsFinishTheirLine() {
    Body body;
    QSignalSpy done(&body, &Body::callBatchCheckEnd);
    for (const QString& line : {":loop", "no_such_command 1", "", "   ", "#images_load x *.img"})
      exec(body, line);
    QCOMPARE(done.count(), 5);
  }

  void imagesLoadAndSeek() {
    Body body;
    exec(body, QString("images_load \"%1\" proj-*.img").arg(data_));
    QVERIFY(body.loadingFiles());
    QTRY_VERIFY(!body.loadingFiles());
    QCOMPARE(body.imageSet()->count(), kProjections);
    SeekCtrl* seek = body.form()->seekCtrl;
    exec(body, "IMAGES_SEEK 999");
    QCOMPARE(seek->value(), kProjections - 1);
    exec(body, "images_seek -3");
    QCOMPARE(seek->value(), 0);
    exec(body, "images_seek 4");
    QCOMPARE(seek->value(), 4);
    // New on load replaces the set, Add appends to it.
    exec(body, "images_add_on_load 1");
    exec(body, QString("images_load \"%1\" proj-0000[0-1].img").arg(data_));
    QTRY_VERIFY(!body.loadingFiles());
    QCOMPARE(body.imageSet()->count(), kProjections + 2);
    exec(body, "images_new_on_load 1");
    exec(body, QString("images_load \"%1\" proj-0000[0-2].img").arg(data_));
    QTRY_VERIFY(!body.loadingFiles());
    QCOMPARE(body.imageSet()->count(), 3);
  }

  // The usual batch: load, set, reconstruct. The reconstruction must start on
  // the complete set although the files come in one per event-loop turn.
  void calcExecWaitsForLoadingAndHoldsTheBatch() {
    Body body;
    Ui::Body* u = body.form();
    int imagesAtStart = -1;
    connect(u->CalcStartT, &QLineEdit::textChanged, this,
            [&] { imagesAtStart = body.imageSet()->count(); });
    const QString batch = dir_.filePath("run.batch");
    QVERIFY(writeText(batch, QString("images_keep_setup 1\n"
                                     "images_load \"%1\" proj-*.img\n"
                                     "i0_load \"%1/i0.img\"\n"
                                     "bg_load \"%1/bg.img\"\n"
                                     "ct_rot_ax_is_v 1\n"
                                     "ct_cor 32\n"
                                     "ct_slice_from 0\n"
                                     "ct_slice_to 7\n"
                                     "calc_ct2 1\n"
                                     "ct_auto_exec 1\n"
                                     "calc_exec\n"
                                     "ct_proc_slice 5\n")
                                 .arg(data_)));
    QSignalSpy ended(body.batch(), &Batch::batchEnded);
    emit body.callBatchLoad(batch);
    emit body.callBatchExec();
    // Held on calc_exec: the line after it has not run yet.
    QVERIFY(body.batch()->running());
    QCOMPARE(body.form()->procCtrl->sliceNo() == 5, false);
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
    for (const QString& l : {QString("images_load \"%1\" proj-*.img").arg(data_),
                             QString("ct_rot_ax_is_v 1"), QString("ct_auto_exec 1")})
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

  // Every key away from its default (and the images loaded, which are only
  // noted as a comment).
  QStringList everyKeyChanged() const {
    return {QString("images_load \"%1\" proj-*.img").arg(data_),
            "images_new_on_load 0",
            "images_keep_setup 1",
            "images_multi 1 4",
            QString("i0_load \"%1/i0 copy.img\"").arg(blank_),
            QString("bg_load \"%1/bg.img\"").arg(data_),
            "ct_proc_slice 3",
            "ct_angle_origin 12.5",
            "ct_dataset_range 360",
            "ct_use_partial_data_set 1",
            "ct_dataset_using_images 6",
            "ct_dataset_start_image_no 2",
            "ct_auto_exec 1",
            "ct_slice_from 1",
            "ct_slice_to 6",
            "ct_slice_step 2",
            "ct_threads 1",
            "ct_cor 30.25",
            "ct_rot_ax_is_v 1",
            "ct_recorded_cor_1 2 30.5",
            "ct_recorded_cor_2 5 31.125",
            "calc_ct1 1",
            "calc_show_res 0",
            "fix_color_scale 1",
            "fix_color_min -0.5",
            "fix_color_max 2.5",
            "auto_save_image 1",
            QString("auto_save_image_path \"%1/pictures\"").arg(blank_),
            "auto_save_image_name \"slice of\"",
            "auto_save_image_tag t1",
            "auto_save_data 1",
            QString("auto_save_data_path \"%1/values\"").arg(blank_),
            "auto_save_data_name d",
            "auto_save_data_tag \"a#b\"",
            "auto_save_data_upper_limit 5",
            "auto_save_data_lower_limit -5",
            "auto_save_data_offset 1.5",
            "auto_save_in_sub_folders 1",
            "auto_save_in_sub_folders_of_energy 1",
            "add_inf_show 1",
            "add_inf_Kestrel_standard 1",
            QString("seq_exec_dir \"%1\"").arg(blank_),
            "seq_exec_file_pattern \"*.his *.img\"",
            "seq_exec_keep_range_on_new_set 1"};
  }

  // A setup saved from a window, loaded into another window and saved again
  // gives the same file, whatever that window held before.
  void setupRoundTrip_data() {
    QTest::addColumn<QStringList>("state");   // lines that make the saved window
    QTest::addColumn<QStringList>("before");  // lines run in the loading window first
    QTest::addColumn<int>("dataSets");        // data sets the loaded setup finds
    const QStringList changed = everyKeyChanged();
    QTest::newRow("every key changed, into a fresh window") << changed << QStringList() << 0;
    // The second engine, no references: written so that loading restores them.
    QTest::newRow("defaults, into a changed window") << QStringList() << changed << 0;
    // The pattern is needed to scan the folder.
    QTest::newRow("facility B data sets") << QStringList{QString("seq_exec_file_pattern *.his"),
                                                         QString("seq_exec_dir \"%1\"").arg(heron_)}
                                          << QStringList() << 2;
  }

  void setupRoundTrip() {
    QFETCH(QStringList, state);
    QFETCH(QStringList, before);
    QFETCH(int, dataSets);
    const QString file1 = dir_.filePath("one.cfg"), file2 = dir_.filePath("two.cfg");
    auto withoutImages = [](QStringList lines) {
      lines.removeIf([](const QString& l) { return l.startsWith("#images_load"); });
      return lines;
    };
    {
      Body a;
      for (const QString& l : state) exec(a, l);
      QTRY_VERIFY(!a.loadingFiles());
      QVERIFY(QMetaObject::invokeMethod(&a, "saveSetup", Q_ARG(QString, file1)));
    }
    const QStringList savedLines = readText(file1).split('\n');
    QCOMPARE(savedLines.first(), QString(SetupWriter::kBanner));
    if (state.size() > 10) {
      QVERIFY(savedLines.contains(QString("#images_load             \"%1\" *.img").arg(data_)));
      QVERIFY(savedLines.contains("ct_dataset_start_image_no 2"));
      QVERIFY(savedLines.contains("ct_use_partial_data_set  1"));
      QVERIFY(savedLines.contains("ct_cor                   30.25"));
    }

    Body b;
    for (const QString& l : before) exec(b, l);
    QTRY_VERIFY(!b.loadingFiles());
    const int imagesBefore = b.imageSet()->count();
    LogCapture log;
    QVERIFY(QMetaObject::invokeMethod(&b, "loadSetup", Q_ARG(QString, file1)));
    QCOMPARE(b.imageSet()->count(), imagesBefore);  // images are not loaded again
    QCOMPARE(b.form()->SelDDir->count(), dataSets);
    QCOMPARE(b.jobStatus().failures(), 0);  // every line of the file could be applied
    QVERIFY(QMetaObject::invokeMethod(&b, "saveSetup", Q_ARG(QString, file2)));
    QCOMPARE(withoutImages(readText(file2).split('\n')), withoutImages(savedLines));
  }

  void setupLoadingRules() {
    Body body;
    const QString file = dir_.filePath("rules.cfg");
    QVERIFY(writeText(file,
                      "### a setup\n"
                      "fix_color_scale          2\n"
                      "no_such_key              1\n"
                      "calc_show_res            0\n"
                      "auto_save_image_name     two words\n"
                      "images_keep_setup        1\n"));
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

  // The saved-data format is a setup line only when it is not the default.
  void dataFormatKey() {
    Body body;
    const QString file = dir_.filePath("format.cfg");
    auto saved = [&] {
      QMetaObject::invokeMethod(&body, "saveSetup", Q_ARG(QString, file));
      return readText(file).split('\n').filter("auto_save_data_format");
    };
    QCOMPARE(saved(), QStringList());
    exec(body, "auto_save_data_format TIF");
    QCOMPARE(saved(), QStringList{"auto_save_data_format    tif"});
    LogCapture log;
    exec(body, "auto_save_data_format png");
    QCOMPARE(log.matching("auto_save_data_format takes dat or tif, not").size(), 1);
    QCOMPARE(saved(), QStringList{"auto_save_data_format    tif"});
    exec(body, "auto_save_data_format dat");
    QCOMPARE(saved(), QStringList());
  }

  // Loading a setup while a batch waits on its calculation must not move it on.
  void setupLoadingLeavesAWaitingBatchAlone() {
    Body body;
    const QString batch = dir_.filePath("wait.batch");
    QVERIFY(writeText(
        batch, QString("images_load \"%1\" proj-*.img\ncalc_ct1 1\ncalc_exec\nct_proc_slice 6\n")
                   .arg(data_)));
    const QString setup = dir_.filePath("small.cfg");
    QVERIFY(writeText(setup, "ct_slice_step 1\nct_slice_from 0\n"));
    emit body.callBatchLoad(batch);
    emit body.callBatchExec();
    QVERIFY(body.batch()->running());
    const int at = body.batch()->current();
    QVERIFY(QMetaObject::invokeMethod(&body, "loadSetup", Q_ARG(QString, setup)));
    QCOMPARE(body.batch()->current(), at);
    QTRY_VERIFY_WITH_TIMEOUT(!body.batch()->running(), 60000);
    QCOMPARE(body.form()->procCtrl->sliceNo(), 6);
  }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
