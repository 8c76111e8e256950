#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "ResultForecast.h"

// One task of an array job: a slice range, or one data set of an energy scan.
struct ArrayTask {
  int index = 0;  // the Slurm array index, from 0
  int from = 0, to = 0;
  int set = 0;  // 1-based data set number; 0 for a slice task
  QList<ExpectedFile> files;
  bool checked = true;  // false when the files could not be known
};

// A job folder: what was submitted (the batch, where it runs, the program,
// the tasks and the files each must write), the submissions made and the
// exit status each task recorded. Files in the folder:
//   job.txt          the job and its task table (written once by submit)
//   task.sbatch      the script every task runs
//   submissions.txt  "JOBID TASKS" per sbatch call, TASKS as "0-3,5"
//   exit/task-K      "STATUS JOBID", written by task K when vanto has ended
//   logs/task-K-JOBID.log   the output of task K in that submission
struct ArrayJob {
  QString dir;      // absolute
  QString batch;    // absolute
  QString workDir;  // absolute; the tasks run there
  QString vanto;    // absolute
  int maxRunning = 0;
  QStringList sbatchOptions;
  QList<ArrayTask> tasks;

  bool isSets() const { return !tasks.isEmpty() && tasks.first().set > 0; }
  QString path(const QString& name) const { return dir + "/" + name; }
  QString logPath(int task, const QString& jobId) const;

  // Writes job.txt, task.sbatch and the exit/ and logs/ folders.
  bool write(QString& error) const;
  bool read(const QString& jobDir, QString& error);
  QString script() const;

  // The latest submission of every task: task index -> job id.
  QMap<int, QString> latestJobs() const;
  bool recordSubmission(const QString& jobId, const QList<int>& taskIndices, QString& error) const;
  // The exit status task recorded in the given submission, -1 when none.
  int exitStatus(int task, const QString& jobId) const;
};

// FROM..TO cut into ceil((TO - FROM + 1) / perTask) ranges of perTask slices
// (the last one shorter).
QList<ArrayTask> sliceTasks(int from, int to, int perTask);
// One task per data set FIRST..LAST.
QList<ArrayTask> setTasks(int first, int last);
// "0-3,5,7-8" for sorted numbers; parseRanges reads it back (empty on error).
QString formatRanges(const QList<int>& numbers);
QList<int> parseRanges(const QString& text, bool* ok = nullptr);
