#include "ArrayJob.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include "base/ItemLine.h"

namespace {

QString quoted(const QString& s) { return '"' + s + '"'; }

// A word for bash: in single quotes, a quote written as '\''.
QString shellWord(const QString& s) {
  QString q = s;
  q.replace("'", "'\\''");
  return "'" + q + "'";
}

bool writeText(const QString& path, const QString& text, QString& error) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Text) || f.write(text.toUtf8()) < 0 ||
      !f.commit()) {
    error = QString("cannot write %1: %2").arg(path, f.errorString());
    return false;
  }
  return true;
}

QString readText(const QString& path, bool* ok = nullptr) {
  QFile f(path);
  const bool opened = f.open(QIODevice::ReadOnly | QIODevice::Text);
  if (ok) *ok = opened;
  return opened ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

QList<ArrayTask> sliceTasks(int from, int to, int perTask) {
  QList<ArrayTask> tasks;
  if (perTask < 1 || from > to) return tasks;
  for (long long a = from; a <= to; a += perTask) {
    ArrayTask t;
    t.index = static_cast<int>(tasks.size());
    t.from = static_cast<int>(a);
    t.to = static_cast<int>(std::min<long long>(to, a + perTask - 1));
    tasks << t;
  }
  return tasks;
}

QList<ArrayTask> setTasks(int first, int last) {
  QList<ArrayTask> tasks;
  for (int s = first; s >= 1 && s <= last; ++s) {
    ArrayTask t;
    t.index = static_cast<int>(tasks.size());
    t.set = s;
    tasks << t;
  }
  return tasks;
}

QString formatRanges(const QList<int>& numbers) {
  QStringList parts;
  for (qsizetype i = 0; i < numbers.size();) {
    qsizetype j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
    parts << (j == i ? QString::number(numbers[i])
                     : QString("%1-%2").arg(numbers[i]).arg(numbers[j]));
    i = j + 1;
  }
  return parts.join(',');
}

QList<int> parseRanges(const QString& text, bool* ok) {
  QList<int> out;
  bool good = !text.isEmpty();
  for (const QString& part : text.split(',')) {
    const QStringList ends = part.split('-');
    bool a = false, b = false;
    const int lo = ends.value(0).toInt(&a);
    const int hi = ends.size() == 2 ? ends[1].toInt(&b) : lo;
    if (!a || (ends.size() == 2 && !b) || ends.size() > 2 || hi < lo) {
      good = false;
      break;
    }
    for (int n = lo; n <= hi; ++n) out << n;
  }
  if (ok) *ok = good;
  return good ? out : QList<int>{};
}

QString ArrayJob::logPath(int task, const QString& jobId) const {
  return path(QString("logs/task-%1-%2.log").arg(task).arg(jobId));
}

QString ArrayJob::script() const {
  QString s;
  QTextStream o(&s);
  o << "#!/bin/bash\n"
    << "# One task of a Vanto array job, written by vanto-array. Slurm runs it in\n"
    << "# " << workDir << "\n"
    << "# with SLURM_ARRAY_TASK_ID set; the output goes to logs/task-K-JOBID.log.\n";
  QStringList first, last;
  for (const ArrayTask& t : tasks) {
    first << QString::number(isSets() ? t.set : t.from);
    last << QString::number(t.to);
  }
  o << "k=${SLURM_ARRAY_TASK_ID:?not started as a Slurm array task}\n";
  if (isSets()) {
    o << "sets=(" << first.join(' ') << ")\n"
      << "export VANTO_TASK=$k VANTO_SET=${sets[$k]}\n"
      << "echo \"vanto-array: task $k, data set $VANTO_SET\"\n";
  } else {
    o << "from=(" << first.join(' ') << ")\nto=(" << last.join(' ') << ")\n"
      << "export VANTO_TASK=$k VANTO_SLICE_FROM=${from[$k]} VANTO_SLICE_TO=${to[$k]}\n"
      << "echo \"vanto-array: task $k, slices $VANTO_SLICE_FROM..$VANTO_SLICE_TO\"\n";
  }
  o << "echo \"vanto-array: job ${SLURM_ARRAY_JOB_ID}_$k on $(hostname) in $PWD\"\n"
    << "exitdir=" << shellWord(path("exit")) << "\n"
    << "rm -f \"$exitdir/task-$k\"\n"
    << shellWord(vanto) << " -nw -e -b " << shellWord(batch) << " -x -q\n"
    << "status=$?\n"
    << "echo \"vanto-array: vanto exited with $status\"\n"
    << "echo \"$status ${SLURM_ARRAY_JOB_ID}\" > \"$exitdir/task-$k.tmp.$$\" &&\n"
    << "  mv -f \"$exitdir/task-$k.tmp.$$\" \"$exitdir/task-$k\"\n"
    << "exit $status\n";
  return s;
}

bool ArrayJob::write(QString& error) const {
  for (const char* sub : {"exit", "logs"}) {
    if (!QDir().mkpath(path(sub))) {
      error = "cannot create " + path(sub);
      return false;
    }
  }
  QString s;
  QTextStream o(&s);
  o << "# vanto-array job: the batch, where it runs, the tasks and the result files\n"
    << "# each task must write (file TASK SLICE PATH)\n"
    << "batch " << quoted(batch) << "\nworkdir " << quoted(workDir) << "\nvanto " << quoted(vanto)
    << "\nmax_running " << maxRunning << "\n";
  for (const QString& opt : sbatchOptions) o << "sbatch_option " << quoted(opt) << "\n";
  for (const ArrayTask& t : tasks) {
    if (isSets())
      o << "set " << t.index << " " << t.set << "\n";
    else
      o << "slices " << t.index << " " << t.from << " " << t.to << "\n";
    if (!t.checked) o << "unchecked " << t.index << "\n";
    for (const ExpectedFile& f : t.files)
      o << "file " << t.index << " " << f.slice << " " << quoted(f.path) << "\n";
  }
  if (!writeText(path("job.txt"), s, error)) return false;
  if (!writeText(path("task.sbatch"), script(), error)) return false;
  QFile::setPermissions(path("task.sbatch"), QFile::permissions(path("task.sbatch")) |
                                                 QFileDevice::ExeOwner | QFileDevice::ExeUser);
  return true;
}

bool ArrayJob::read(const QString& jobDir, QString& error) {
  dir = QDir(jobDir).absolutePath();
  bool ok = false;
  const QString text = readText(path("job.txt"), &ok);
  if (!ok) {
    error = QString("%1 is not a vanto-array job folder (no job.txt)").arg(jobDir);
    return false;
  }
  tasks.clear();
  sbatchOptions.clear();
  for (const QString& line : text.split('\n')) {
    QString comment;
    const QStringList w = splitItems(stripComment(line, comment));
    if (w.isEmpty()) continue;
    const QString& key = w[0];
    auto task = [this, &w]() -> ArrayTask* {
      const int k = w.value(1).toInt();
      return k >= 0 && k < tasks.size() ? &tasks[k] : nullptr;
    };
    if (key == "batch") batch = w.value(1);
    if (key == "workdir") workDir = w.value(1);
    if (key == "vanto") vanto = w.value(1);
    if (key == "max_running") maxRunning = w.value(1).toInt();
    if (key == "sbatch_option") sbatchOptions << w.value(1);
    if ((key == "slices" || key == "set") && w.value(1).toInt() == tasks.size()) {
      ArrayTask t;
      t.index = static_cast<int>(tasks.size());
      t.from = w.value(2).toInt();
      t.to = key == "slices" ? w.value(3).toInt() : t.from;
      t.set = key == "set" ? t.from : 0;
      tasks << t;
    }
    if (key == "unchecked" && task()) task()->checked = false;
    if (key == "file" && task() && w.size() >= 4) task()->files << ExpectedFile{w[2].toInt(), w[3]};
  }
  if (tasks.isEmpty() || batch.isEmpty() || vanto.isEmpty()) {
    error = "job.txt in " + jobDir + " names no batch, program or task";
    return false;
  }
  return true;
}

QMap<int, QString> ArrayJob::latestJobs() const {
  QMap<int, QString> latest;
  for (const QString& line : readText(path("submissions.txt")).split('\n')) {
    const QStringList w = line.split(' ', Qt::SkipEmptyParts);
    if (w.size() != 2) continue;
    for (int k : parseRanges(w[1])) latest[k] = w[0];
  }
  return latest;
}

bool ArrayJob::recordSubmission(const QString& jobId, const QList<int>& taskIndices,
                                QString& error) const {
  QFile f(path("submissions.txt"));
  if (!f.open(QIODevice::Append | QIODevice::Text) ||
      f.write(QString("%1 %2\n").arg(jobId, formatRanges(taskIndices)).toUtf8()) < 0) {
    error = "cannot write " + f.fileName();
    return false;
  }
  return true;
}

int ArrayJob::exitStatus(int task, const QString& jobId) const {
  const QStringList w =
      readText(path(QString("exit/task-%1").arg(task))).split(' ', Qt::SkipEmptyParts);
  bool ok = false;
  const int status = w.value(0).toInt(&ok);
  return ok && w.size() == 2 && w[1].trimmed() == jobId ? status : -1;
}
