// vanto-array: runs one Vanto batch as a Slurm job array, one task per slice
// range (or per data set of an energy scan), and tells from the tasks' exit
// statuses and result files whether the job is complete; resubmits what is
// not. Slurm is used only through sbatch, squeue and sacct.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>

#include "ArrayJob.h"
#include "ResultForecast.h"
#include "automation/Batch.h"
#include "base/ConfigStore.h"

namespace {

QTextStream& out() {
  static QTextStream s(stdout);
  return s;
}
QTextStream& err() {
  static QTextStream s(stderr);
  return s;
}

const char* const kUsage =
    "usage:\n"
    "  vanto-array submit --batch JOB.batch (--slices FROM:TO --per-task N | --sets FIRST:LAST)\n"
    "                     --dir JOBDIR [--max-running M] [--wait] [--vanto PROGRAM]\n"
    "                     [-- SBATCH-OPTIONS...]\n"
    "  vanto-array status JOBDIR\n"
    "  vanto-array resubmit JOBDIR [--wait]\n"
    "Each task runs \"vanto -nw -e -b JOB.batch -x -q\" in the current folder with\n"
    "VANTO_TASK and VANTO_SLICE_FROM / VANTO_SLICE_TO (or VANTO_SET) set; the batch reads\n"
    "them as ${VANTO_SLICE_FROM}. status exits 0 only when every task exited 0 and every\n"
    "result file is there.\n";

int usage(const QString& why) {
  err() << "vanto-array: " << why << "\n" << kUsage;
  return 2;
}

struct Run {
  int exitCode = -1;
  QString output, error;
};

Run runTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  Run r;
  if (!p.waitForStarted(30000)) {
    r.error = program + ": " + p.errorString();
    return r;
  }
  p.waitForFinished(-1);
  r.output = QString::fromLocal8Bit(p.readAllStandardOutput());
  r.error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return r;
}

bool parsePair(const QString& text, int& a, int& b) {
  const QStringList p = text.split(':');
  bool ok1 = false, ok2 = false;
  if (p.size() == 2) {
    a = p[0].toInt(&ok1);
    b = p[1].toInt(&ok2);
  }
  return ok1 && ok2 && a <= b;
}

// The state of one task in its latest submission.
struct TaskState {
  QString jobId;
  QString state;  // PENDING, RUNNING, ..., COMPLETED, FAILED, NOT SUBMITTED, LOST (ended
                  // without recording an exit status: cancelled, timed out, killed)
  int exit = -1;
  QList<int> missing;  // slices with a missing result file
  bool active() const {
    return state == "PENDING" || state == "RUNNING" || state == "CONFIGURING" ||
           state == "COMPLETING" || state == "SUSPENDED" || state == "REQUEUED";
  }
  bool done() const { return state == "COMPLETED" && exit == 0 && missing.isEmpty(); }
};

// "JOBID_TASK" -> state, for the tasks Slurm still lists.
QMap<QString, QString> queueStates(const QStringList& jobIds) {
  QMap<QString, QString> states;
  if (jobIds.isEmpty()) return states;
  const Run r = runTool("squeue", {"-h", "-r", "-j", jobIds.join(','), "-o", "%F_%K %T"});
  for (const QString& line : r.output.split('\n', Qt::SkipEmptyParts)) {
    const QStringList w = line.split(' ', Qt::SkipEmptyParts);
    if (w.size() == 2) states[w[0]] = w[1];
  }
  return states;
}

// States that accounting knows of ended tasks; empty where it is disabled.
QMap<QString, QString> accountingStates(const QStringList& jobIds) {
  QMap<QString, QString> states;
  if (jobIds.isEmpty()) return states;
  const Run r = runTool("sacct", {"-n", "-X", "-P", "-j", jobIds.join(','), "-o", "JobID,State"});
  if (r.exitCode != 0) return states;
  for (const QString& line : r.output.split('\n', Qt::SkipEmptyParts)) {
    const QStringList w = line.split('|');
    if (w.size() == 2) states[w[0]] = w[1].section(' ', 0, 0);
  }
  return states;
}

QList<TaskState> taskStates(const ArrayJob& job) {
  const QMap<int, QString> latest = job.latestJobs();
  QStringList ids = latest.values();
  ids.removeDuplicates();
  const QMap<QString, QString> queued = queueStates(ids);
  QMap<QString, QString> accounted;
  bool askedAccounting = false;
  QList<TaskState> states;
  for (const ArrayTask& t : job.tasks) {
    TaskState s;
    s.jobId = latest.value(t.index);
    const QString key = s.jobId + "_" + QString::number(t.index);
    if (s.jobId.isEmpty()) {
      s.state = "NOT SUBMITTED";
    } else if (queued.contains(key)) {
      s.state = queued[key];
    } else if ((s.exit = job.exitStatus(t.index, s.jobId)) >= 0) {
      s.state = s.exit == 0 ? "COMPLETED" : "FAILED";
    } else {
      // Ended without recording an exit status: cancelled, timed out, lost.
      if (!askedAccounting) accounted = accountingStates(ids);
      askedAccounting = true;
      s.state = accounted.value(key, "LOST");
    }
    if (!s.active())
      for (const ExpectedFile& f : t.files)
        if (!QFileInfo::exists(f.path) && !s.missing.contains(f.slice)) s.missing << f.slice;
    states << s;
  }
  return states;
}

// Prints one line per task and a summary; returns the exit code of status.
int printStatus(const ArrayJob& job) {
  const QList<TaskState> states = taskStates(job);
  int completed = 0, failed = 0, active = 0, other = 0, unchecked = 0;
  QList<int> missing;
  for (qsizetype i = 0; i < states.size(); ++i) {
    const ArrayTask& t = job.tasks[i];
    const TaskState& s = states[i];
    const QString what = job.isSets() ? QString("set %1").arg(t.set)
                                      : QString("slices %1..%2").arg(t.from).arg(t.to);
    QString line = QString("task %1  %2  %3  exit %4")
                       .arg(t.index, 3)
                       .arg(what, -18)
                       .arg(s.state, -9)
                       .arg(s.exit >= 0 ? QString::number(s.exit) : QString("-"), -3);
    if (!s.missing.isEmpty()) line += QString("  missing %1").arg(s.missing.size());
    if (!s.jobId.isEmpty()) line += "  " + job.logPath(t.index, s.jobId);
    out() << line << "\n";
    if (s.active())
      ++active;
    else if (s.state == "COMPLETED" && s.exit == 0)
      ++completed;
    else if (s.state == "FAILED")
      ++failed;
    else
      ++other;
    if (!t.checked) ++unchecked;
    missing << s.missing;
  }
  std::sort(missing.begin(), missing.end());
  missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
  if (!missing.isEmpty())
    out() << "missing result files for slices " << formatRanges(missing).replace('-', "..") << "\n";
  if (unchecked > 0) out() << unchecked << " task(s) with result files not checked (see job.txt)\n";
  const int total = static_cast<int>(states.size());
  const bool ok = completed == total && missing.isEmpty();
  out() << QString("%1 tasks: %2 completed, %3 failed, %4 pending or running, %5 other; %6")
               .arg(total)
               .arg(completed)
               .arg(failed)
               .arg(active)
               .arg(other)
               .arg(ok ? "all results present" : "not complete")
        << "\n";
  out().flush();
  return ok ? 0 : 1;
}

// Submits the given tasks as one array; returns the job id or "".
QString submitTasks(const ArrayJob& job, const QList<int>& indices) {
  QString array = formatRanges(indices);
  if (job.maxRunning > 0) array += "%" + QString::number(job.maxRunning);
  QStringList args{"--parsable", "--job-name=vanto-array", "--array=" + array,
                   "--chdir=" + job.workDir, "--output=" + job.path("logs/task-%a-%A.log")};
  args << job.sbatchOptions << job.path("task.sbatch");
  const Run r = runTool("sbatch", args);
  const QString id = r.output.trimmed().section(';', 0, 0);
  bool numeric = false;
  id.toLongLong(&numeric);
  if (r.exitCode != 0 || !numeric) {
    err() << "vanto-array: sbatch failed" << (r.error.isEmpty() ? "" : ": ") << r.error << "\n";
    return {};
  }
  QString error;
  if (!job.recordSubmission(id, indices, error)) {
    err() << "vanto-array: " << error << " (array job " << id << ")\n";
    return {};
  }
  out() << "Submitted array job " << id << ": " << indices.size() << " task(s) "
        << formatRanges(indices) << ", folder " << job.dir << "\n";
  out().flush();
  return id;
}

// Returns when Slurm no longer lists any task of the job.
void waitForJob(const QString& id) {
  for (;;) {
    const Run r = runTool("squeue", {"-h", "-r", "-j", id, "-o", "%K"});
    if (r.exitCode != 0 || r.output.trimmed().isEmpty()) return;
    QThread::msleep(1000);
  }
}

int submit(const QStringList& a) {
  QString batch, dir, slices, sets, vanto;
  int perTask = 0, maxRunning = 0;
  bool wait = false;
  QStringList sbatchOptions;
  for (qsizetype i = 0; i < a.size(); ++i) {
    const QString& o = a[i];
    auto value = [&]() -> QString { return i + 1 < a.size() ? a[++i] : QString(); };
    if (o == "--") {
      sbatchOptions = a.mid(i + 1);
      break;
    }
    if (o == "--batch")
      batch = value();
    else if (o == "--dir")
      dir = value();
    else if (o == "--slices")
      slices = value();
    else if (o == "--sets")
      sets = value();
    else if (o == "--per-task")
      perTask = value().toInt();
    else if (o == "--max-running")
      maxRunning = value().toInt();
    else if (o == "--vanto")
      vanto = value();
    else if (o == "--wait")
      wait = true;
    else
      return usage("unknown option " + o);
  }
  if (batch.isEmpty() || dir.isEmpty()) return usage("submit needs --batch and --dir");
  if (slices.isEmpty() == sets.isEmpty()) return usage("give either --slices or --sets");
  int first = 0, last = 0;
  ArrayJob job;
  if (!slices.isEmpty()) {
    if (!parsePair(slices, first, last) || perTask < 1)
      return usage("--slices FROM:TO (FROM <= TO) needs --per-task N (N >= 1)");
    job.tasks = sliceTasks(first, last, perTask);
  } else {
    if (!parsePair(sets, first, last) || first < 1)
      return usage("--sets FIRST:LAST counts data sets from 1");
    job.tasks = setTasks(first, last);
  }
  if (maxRunning < 0) return usage("--max-running must not be negative");
  if (vanto.isEmpty()) {
    vanto = QCoreApplication::applicationDirPath() + "/vanto";
    if (!QFileInfo(vanto).isExecutable()) vanto = QStandardPaths::findExecutable("vanto");
  }
  if (vanto.isEmpty() || !QFileInfo(vanto).isExecutable())
    return usage("vanto not found beside vanto-array nor on PATH; give --vanto PROGRAM");

  job.dir = QDir(dir).absolutePath();
  if (QFileInfo::exists(job.path("job.txt"))) {
    err() << "vanto-array: " << dir
          << " already holds an array job; use resubmit or another folder\n";
    return 1;
  }
  job.batch = QFileInfo(batch).absoluteFilePath();
  job.workDir = QDir::currentPath();
  job.vanto = QFileInfo(vanto).absoluteFilePath();
  job.maxRunning = maxRunning;
  job.sbatchOptions = sbatchOptions;

  // The batch as the program loads it, and the configuration file it reads.
  Batch loader;
  loader.batchLoad(job.batch);
  if (loader.loadFailed()) {
    err() << "vanto-array: cannot read the batch file " << batch << "\n";
    return 1;
  }
  QStringList config;
  if (QFileInfo::exists("config.cfg") && ConfigStore::instance().readConfigFile("config.cfg"))
    config = ConfigStore::instance().rawLines();

  QStringList undefined;
  for (ArrayTask& t : job.tasks) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VANTO_TASK", QString::number(t.index));
    if (t.set > 0) {
      env.insert("VANTO_SET", QString::number(t.set));
    } else {
      env.insert("VANTO_SLICE_FROM", QString::number(t.from));
      env.insert("VANTO_SLICE_TO", QString::number(t.to));
    }
    const ResultForecast f =
        forecastResults(config, loader.lines(), loader.lineNumbers(), env, job.workDir);
    t.files = f.files;
    t.checked = f.known;
    if (!f.known && t.index == 0)
      err() << "vanto-array: result files will not be checked: " << f.why << "\n";
    for (const QString& u : f.undefined)
      if (!undefined.contains(u)) undefined << u;
  }
  for (const QString& u : undefined)
    err() << "vanto-array: warning: the batch names a variable not set here: " << u << "\n";

  QString error;
  if (!job.write(error)) {
    err() << "vanto-array: " << error << "\n";
    return 1;
  }
  QList<int> all;
  for (const ArrayTask& t : job.tasks) all << t.index;
  const QString id = submitTasks(job, all);
  if (id.isEmpty()) return 1;
  if (!wait) return 0;
  waitForJob(id);
  return printStatus(job);
}

int resubmit(const ArrayJob& job, bool wait) {
  const QList<TaskState> states = taskStates(job);
  QList<int> again;
  for (qsizetype i = 0; i < states.size(); ++i)
    if (!states[i].done() && !states[i].active()) again << job.tasks[i].index;
  if (again.isEmpty()) {
    out() << "Nothing to resubmit\n";
    return printStatus(job);
  }
  for (int k : again) QFile::remove(job.path(QString("exit/task-%1").arg(k)));
  const QString id = submitTasks(job, again);
  if (id.isEmpty()) return 1;
  if (!wait) return 0;
  waitForJob(id);
  return printStatus(job);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Quiet the program's own diagnostics (batch loading); the tool speaks
  // through stdout and stderr.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  QStringList a = app.arguments().mid(1);
  if (a.isEmpty() || a[0] == "--help" || a[0] == "-h") {
    out() << kUsage;
    return a.isEmpty() ? 2 : 0;
  }
  const QString command = a.takeFirst();
  if (command == "submit") return submit(a);
  if (command == "status" || command == "resubmit") {
    bool wait = false;
    QString dir;
    for (const QString& o : a) {
      if (command == "resubmit" && o == "--wait")
        wait = true;
      else if (dir.isEmpty() && !o.startsWith("--"))
        dir = o;
      else
        return usage("unknown argument " + o);
    }
    if (dir.isEmpty()) return usage(command + " needs JOBDIR");
    ArrayJob job;
    QString error;
    if (!job.read(dir, error)) {
      err() << "vanto-array: " << error << "\n";
      return 2;
    }
    return command == "status" ? printStatus(job) : resubmit(job, wait);
  }
  return usage("unknown command " + command);
}
