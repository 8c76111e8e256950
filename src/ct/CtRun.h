#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "ct/CtRunMath.h"
#include "ct/CtRunParams.h"
#include "ct/FbpWorkspace.h"
#include "ct/JobStatus.h"
#include "ct/SgmGeometry.h"
#include "ct/SinogramBuilder.h"
#include "imagedata/ImgData.h"

class CtCalc2;
class DataSaver;
class QThread;

// Where and whether a worker saves its pictures or data files.
struct CtSaveSetting {
  bool on = false;
  QString path, name, tag;
};

// Where the slices of a run come from on the detector, worked out once from
// the run parameters and the frame size: every worker builds and transforms
// its slices with these values.
struct CtRunGeometry {
  SinogramParams sinogram;  // everything but the slice, which each worker sets
  SgmGeometry window;       // the centre in whole and fractional pixels, half, width
  int length = 0;           // detector pixels across the rotation axis
  int slices = 0;           // detector lines along it (slices 0 .. slices - 1)
  int n = 0;                // transform length: the sinogram width rounded down to even
  int rows = 0;             // sinogram rows, one per projection used
  FbpRegion region;         // the calculation region of a panel that set none: N x N
};
// sweep: the centres of a centre-of-rotation sweep, which share one half
// width (that of the centre nearest a detector edge) and so one transform
// length; the window is then the first centre's.
CtRunGeometry ctRunGeometry(const CtRunParams& p, int width, int height, int frameCount,
                            const std::vector<double>& sweep = {});

// Everything the workers read during one run, fixed when it starts and shared
// unchanged by all of them until the last slice has ended.
struct CtRunData {
  CtRunParams params;
  std::shared_ptr<const FrameSet> frames;
  SinogramSource source;  // the frames as the sinogram builder reads them
  CtRunGeometry geometry;
  CtAngles angles;
  CtSaveSetting saveImage, saveData;
  std::vector<double> sweepCentres;  // the centres of a sweep run, else empty
};

// What the window hands over when a run starts.
struct CtRunRequest {
  CtRunParams params;
  std::shared_ptr<const FrameSet> frames;
  CtSaveSetting saveImage, saveData;
  bool showResult = true;  // workers render the picture of every slice
  // Saver switches: the energy and slice sub-folders.
  bool subFolders = false, ofEnergy = false, ofSlice = false;
  // A centre-of-rotation sweep: params' slice reconstructed by the workers
  // once per centre, each picture labelled and written with a contact sheet
  // into saveImage's folder (whatever saveImage.on says); nothing else saved.
  std::vector<double> sweepCentres;
};

// One reconstruction run and the workers that do it, without widgets: the run
// parameters, the workers (one thread each) and their FFT workspaces, the
// hand-out of slices, the run end with its counts, and the tasks that wait
// until the workers are idle. The window supplies the run's inputs when a run
// begins (setPrepare) and shows what the run reports through the signals.
class CtRun : public QObject {
  Q_OBJECT

 public:
  // workers: how many to make, each moved to a thread of its own.
  explicit CtRun(int workers, QObject* parent = nullptr);
  ~CtRun() override;

  // Called when a run is about to begin (the workers idle): fills the
  // request and returns true, or returns false when the run does not happen
  // now (refused through refuse(), or put off by the window itself).
  void setPrepare(std::function<bool(CtRunRequest&)> prepare) { prepare_ = std::move(prepare); }
  // Work of the window that keeps it from being idle (loading files).
  void setBusyElsewhere(std::function<bool()> busy) { busyElsewhere_ = std::move(busy); }

  const std::vector<CtCalc2*>& workers() const { return workers_; }
  DataSaver* saver() const { return saver_; }
  const CtRunParams& params() const { return params_; }
  // The fixed inputs of the present (or last) run; null before the first.
  std::shared_ptr<const CtRunData> data() const { return data_; }
  bool running() const { return running_; }
  // A start waits for the workers of the last run or for the running one.
  bool startWaiting() const { return startPending_ || startAfterRun_; }
  bool anyWorkerBusy() const;
  // Worker i is on a slice, or its end of slice has not been handled yet.
  bool workerBusy(int i) const;

  // What was asked and done since this object was made (the job) and in the
  // last run; failures count in the run while one is going.
  const JobStatus& jobStatus() const { return job_; }
  const JobStatus& runStatus() const { return run_; }
  JobStatus& status() { return running_ ? run_ : job_; }
  void jobFailed(const QString& text) { job_.failed(text); }
  // Logs text and counts it as a failure of the run under way, else of the job.
  void fail(const QString& text);
  // A start that cannot happen: counted as a failure, then refused is emitted.
  void refuse(const QString& text);

  // Nothing runs, waits to start or waits for idle workers, and the window
  // is not busy elsewhere.
  bool idle() const;
  // Calls done once idle() holds (at once when it does).
  void whenIdle(std::function<void()> done);
  // Runs task once the workers are idle (at the end of the run under way).
  void whenWorkersIdle(std::function<void()> task);
  void runIdleTasks();
  // Calls what waits for idle() if it holds.
  void checkIdle();

  // Asks for a run: it begins now, when the running one has ended, or when
  // the workers of the last one are done.
  void start();
  // Calls off a start that waits; true when there was one.
  bool cancelStart();
  // The single panel's reconstruction of a run's slice has ended.
  void singleFinished();

  // Parts of a run, public for the window's slots of the same purpose.
  void setupWorkspaces();
  void startSingle();
  void dispatch();
  void finish();

 signals:
  // A slice for worker ctc2 (queued to every worker; only the addressed one acts).
  // sweepIndex: the sweep centre to use, -1 for the run's centre.
  void startCt(CtCalc2* ctc2, int slice, bool genAndDispImage, int sweepIndex);
  // A run has begun (the status restarted) / is waiting to begin.
  void started();
  void waiting();
  // A start was refused (the failure is counted already).
  void refused(const QString& text);
  // The single panel is to reconstruct the run's slice.
  void singleRequested();
  void progress(double percent);
  // A sweep's labelled picture, index-th of its centres.
  void sweepPicture(int index, QImage labelled);
  // The run has ended (before its waiting tasks run).
  void finished();
  // The frames and references are read by the workers (true) or free again.
  void inputsLocked(bool locked);

 private:
  void begin(CtRunRequest request);
  void workerDone(int index);
  // Hands the sweep's next centres to idle workers; ends it when all are done.
  void dispatchSweep();
  // A worker's picture of the slice at one centre: labelled, written, kept
  // for the contact sheet.
  void sweepImage(int index, const QImage& picture);
  // Writes the contact sheet and ends the run.
  void finishSweep();

  std::function<bool(CtRunRequest&)> prepare_;
  std::function<bool()> busyElsewhere_;
  std::vector<CtCalc2*> workers_;
  std::vector<QThread*> threads_;
  // Per worker: a slice was handed to it and its calcFinished has not been
  // handled yet (the worker's own busy flag clears before that).
  std::vector<bool> awaited_;
  DataSaver* saver_ = nullptr;
  CtRunParams params_;
  std::shared_ptr<const CtRunData> data_;
  bool showResult_ = true;
  bool running_ = false;
  bool startPending_ = false;
  bool startAfterRun_ = false;
  std::vector<std::function<void()>> idleTasks_;
  std::vector<std::function<void()>> whenIdle_;
  JobStatus job_;
  JobStatus run_{&job_};
  // The sweep under way: the next centre to hand out, the pictures received
  // (scaled for the contact sheet) and the folder they go to.
  struct Sweep {
    bool running = false;
    std::size_t next = 0;
    int done = 0;
    std::vector<QImage> thumbs;
    QString folder;
  } sweep_;
};
