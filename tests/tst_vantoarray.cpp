// vanto-array's planning: how a slice range is cut into tasks, and which
// result files a task's batch run will write (the files status checks).
#include <QtTest>

#include "ArrayJob.h"
#include "ResultForecast.h"

class TestVantoArray : public QObject {
  Q_OBJECT

 private slots:
  // Ranges cut into tasks: evenly, with a shorter last task (ceil(10 / 4) =
  // 3 tasks), one slice, and near the int limit.
  void sliceTasks() {
    QStringList got;
    for (auto [from, to, perTask] :
         {std::tuple{0, 31, 8}, {0, 9, 4}, {5, 5, 3}, {2147483640, 2147483647, 5}}) {
      QStringList tasks;
      for (const ArrayTask& t : ::sliceTasks(from, to, perTask)) {
        QCOMPARE(t.index, tasks.size());
        tasks << QString("%1-%2").arg(t.from).arg(t.to);
      }
      got << tasks.join(' ');
    }
    QCOMPARE(got, (QStringList{"0-7 8-15 16-23 24-31", "0-3 4-7 8-9", "5-5",
                               "2147483640-2147483644 2147483645-2147483647"}));
  }

  void ranges() {
    const QList<int> numbers{0, 1, 2, 3, 5, 7, 8};
    QCOMPARE(formatRanges(numbers), "0-3,5,7-8");
    QCOMPARE(parseRanges("0-3,5,7-8"), numbers);
    QCOMPARE(formatRanges({1}), "1");
    QCOMPARE(parseRanges("1"), QList<int>{1});
  }

  void forecast_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("env");
    // "slice:path" relative to the working folder; "unknown" when not known.
    QTest::addColumn<QStringList>("files");
    const QString save =
        "images_keep_setup 1\nct_slice_from ${F}\nct_slice_to ${T}\n"
        "auto_save_data 1\nauto_save_data_path res/d\nauto_save_data_name p\n"
        "auto_save_data_tag s\n";
    // clang-format off
    QTest::newRow("data and pictures, flat") << save + "auto_save_image 1\nauto_save_image_path \"res/i m\"\ncalc_exec" << "F=8;T=9" << QStringList{"8:res/d/p-s-00008.dat", "8:res/i m/-00008.png", "9:res/d/p-s-00009.dat", "9:res/i m/-00009.png"};
    QTest::newRow("step 2 downwards") << save + "ct_slice_step 2\ncalc_exec" << "F=5;T=1" << QStringList{"5:res/d/p-s-00005.dat", "3:res/d/p-s-00003.dat", "1:res/d/p-s-00001.dat"};
    // Both sub-folder kinds: the file is written once into each.
    QTest::newRow("energy and slice folders") << save + "auto_save_in_sub_folders 1\nauto_save_in_sub_folders_of_energy 1\nauto_save_in_sub_folders_of_slice 1\ncalc_exec" << "F=3;T=3" << QStringList{"3:res/d/s/p-s-00003.dat", "3:res/d/00003/p-s-00003.dat"};
    // Data set 2 of scan/ (7100eV, 7200eV): the tag becomes its energy.
    QTest::newRow("data set by number") << save + "auto_save_in_sub_folders 1\nauto_save_in_sub_folders_of_energy 1\nadd_inf_Eng_Dirs 1\nseq_exec_dir scan\nseq_exec_set ${S}\ncalc_exec" << "F=0;T=0;S=2" << QStringList{"0:res/d/7200eV/p-7200eV-00000.dat"};
    QTest::newRow("ended by :end") << save + ":end\ncalc_exec" << "F=0;T=0" << QStringList{};
    QTest::newRow("range from the images") << save + "images_keep_setup 0\ncalc_exec" << "F=0;T=3" << QStringList{"unknown"};
    // clang-format on
  }
  void forecast() {
    QFETCH(QString, batch);
    QFETCH(QString, env);
    QFETCH(QStringList, files);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("scan/7100eV") && QDir(dir.path()).mkpath("scan/7200eV"));
    QProcessEnvironment e;
    for (const QString& kv : env.split(';')) e.insert(kv.section('=', 0, 0), kv.section('=', 1));
    const QStringList lines = batch.split('\n');
    QList<int> numbers;
    for (int i = 1; i <= lines.size(); ++i) numbers << i;
    const ResultForecast f = forecastResults({}, lines, numbers, e, dir.path());
    QStringList got;
    for (const ExpectedFile& x : f.files)
      got << QString("%1:%2").arg(x.slice).arg(QDir(dir.path()).relativeFilePath(x.path));
    if (!f.known) got << "unknown";
    QCOMPARE(got, files);
    QVERIFY(f.undefined.isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestVantoArray)
#include "tst_vantoarray.moc"
