#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The result files a headless run of a batch will write, worked out from the
// batch's lines the way the program reads them: the saving settings, the
// slice range and step, sub-folders and the tag (replaced by the energy of a
// data set taken with seq_exec_set / seq_exec_next), named and placed by the
// saver's own rules, for every calc_exec. The lines are read once from top to
// bottom: ":end" / ":stop" end the reading, ":ifok" runs its command,
// ":ifng" and ":goto" are passed over.
struct ExpectedFile {
  int slice = 0;
  QString path;  // absolute
};

struct ResultForecast {
  QList<ExpectedFile> files;
  // False when the files cannot be known beforehand (for example when the
  // slice range follows the size of the images); why says why.
  bool known = true;
  QString why;
  // Lines naming a variable that env does not define ("NAME (line N)").
  QStringList undefined;
};

// configLines: the configuration file's lines (not expanded); batchLines and
// their file line numbers: the batch as Batch loads it. Relative paths are
// taken from workDir, the folder the run starts in.
ResultForecast forecastResults(const QStringList& configLines, const QStringList& batchLines,
                               const QList<int>& lineNumbers, const QProcessEnvironment& env,
                               const QString& workDir);
