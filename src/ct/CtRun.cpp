#include "ct/CtRun.h"

#include <QDebug>
#include <QDir>
#include <QThread>
#include <algorithm>
#include <cmath>

#include "base/NamedLog.h"
#include "ct/CorSweep.h"
#include "ct/CtCalc2.h"
#include "ct/CtDispatch.h"
#include "output/DataSaver.h"

CtRunGeometry ctRunGeometry(const CtRunParams& p, int width, int height, int frameCount,
                            const std::vector<double>& sweep) {
  CtRunGeometry g;
  SinogramParams& s = g.sinogram;
  s.rotAxIsV = p.rotAxIsV;
  s.cor = p.cor;
  s.dataSetRangeDeg = p.dataSetRangeDeg;
  s.usePartial = p.usePartial;
  s.startImageNo = p.startImageNo;
  s.usingImages = p.usingImages;
  s.outlierThreshold = p.outlierThreshold;
  g.length = p.rotAxIsV ? width : height;
  g.slices = p.rotAxIsV ? height : width;
  if (!sweep.empty()) s.halfLimit = sweepHalfWidth(sweep, g.length);
  // Every slice of a run is reconstructed with the run's CoR, so that CoR
  // also sizes the transform: N is the same for the workspaces and each slice.
  g.window = sinogramGeometry(s, g.length);
  g.n = std::max(0, g.window.width) & ~1;
  // The filter scales by 1 / (N x rows) with one row per frame used, as the
  // single panel does, so a partial data set is scaled alike by both.
  g.rows = sinogramRows(s, frameCount);
  g.region = FbpRegion{0.0, 0.0, static_cast<double>(g.n), static_cast<double>(g.n)};
  return g;
}

CtRun::CtRun(int workers, QObject* parent) : QObject(parent), saver_(new DataSaver(this)) {
  // Slices are addressed to the workers through queued signals.
  qRegisterMetaType<CtCalc2*>("CtCalc2*");
  connect(saver_, &DataSaver::saved, this, [this] { status().fileWritten(); });
  connect(saver_, &DataSaver::saveFailed, this, [this](const QString& path, const QString& why) {
    status().failed(QStringLiteral("Saving failed: %1: %2").arg(path, why));
  });
  for (int i = 0; i < workers; ++i) {
    auto* worker = new CtCalc2;
    auto* thread = new QThread(this);
    worker->moveToThread(thread);
    thread->start(QThread::InheritPriority);
    connect(this, &CtRun::startCt, worker, &CtCalc2::startCt);
    connect(worker, &CtCalc2::sliceEnded, this, [this](int slice, bool reconstructed) {
      if (reconstructed)
        status().sliceReconstructed();
      else
        fail(QStringLiteral("Slice %1 could not be reconstructed").arg(slice));
    });
    connect(worker, &CtCalc2::calcFinished, this, [this, i] { workerDone(i); });
    connect(worker, &CtCalc2::sweepImage, this, &CtRun::sweepImage);
    connect(worker, &CtCalc2::saveDataWDiscard, saver_, &DataSaver::saveDataWDiscard);
    connect(worker, &CtCalc2::saveImgWDiscard, saver_, &DataSaver::saveImgWDiscard);
    workers_.push_back(worker);
    threads_.push_back(thread);
    awaited_.push_back(false);
  }
}

CtRun::~CtRun() {
  // Workers finish the slice they are on; nothing they report is read after.
  for (CtCalc2* w : workers_) QObject::disconnect(w, nullptr, nullptr, nullptr);
  for (QThread* t : threads_) {
    t->quit();
    t->wait();
  }
  for (CtCalc2* w : workers_) delete w;
  workers_.clear();
}

bool CtRun::anyWorkerBusy() const {
  for (std::size_t i = 0; i < workers_.size(); ++i)
    if (workerBusy(static_cast<int>(i))) return true;
  return false;
}

bool CtRun::workerBusy(int i) const {
  // A worker is idle for the run only once its end of slice has arrived
  // here: its results (saving records, counts) come before that notice.
  return workers_[i]->busy() || awaited_[i];
}

void CtRun::fail(const QString& text) {
  qDebug().noquote() << text;
  status().failed(text);
}

void CtRun::refuse(const QString& text) {
  fail(text);
  emit refused(text);
  checkIdle();
}

bool CtRun::idle() const {
  return !running_ && !startPending_ && !startAfterRun_ && idleTasks_.empty() && !anyWorkerBusy() &&
         !(busyElsewhere_ && busyElsewhere_());
}

void CtRun::whenIdle(std::function<void()> done) {
  whenIdle_.push_back(std::move(done));
  checkIdle();
}

void CtRun::checkIdle() {
  if (whenIdle_.empty() || !idle()) return;
  std::vector<std::function<void()>> calls;
  calls.swap(whenIdle_);
  for (auto& c : calls) c();
}

void CtRun::whenWorkersIdle(std::function<void()> task) { idleTasks_.push_back(std::move(task)); }

void CtRun::runIdleTasks() {
  if (anyWorkerBusy() || idleTasks_.empty()) return;
  std::vector<std::function<void()>> tasks;
  tasks.swap(idleTasks_);
  for (auto& t : tasks) t();
}

void CtRun::start() {
  if (running_) {
    // One run at a time: a start asked for meanwhile (a batch's calc_exec)
    // begins when the running one has ended.
    if (!startAfterRun_) qDebug() << "CT calculation starts when the running one has ended";
    startAfterRun_ = true;
    return;
  }
  if (anyWorkerBusy()) {
    // A worker of the last run is still on its slice: its workspace must not
    // be re-sized under it, so the run starts when it is done.
    if (!startPending_) {
      startPending_ = true;
      qDebug() << "CT calculation starts when the workers of the last run are done";
      whenWorkersIdle([this] {
        if (!startPending_) return;
        startPending_ = false;
        start();
      });
    }
    emit waiting();
    return;
  }
  CtRunRequest request;
  if (!prepare_ || !prepare_(request)) return;
  begin(std::move(request));
}

bool CtRun::cancelStart() {
  const bool was = startPending_ || startAfterRun_;
  startPending_ = false;
  startAfterRun_ = false;
  return was;
}

void CtRun::begin(CtRunRequest request) {
  params_ = request.params;
  // A thread count of 0 (the old default of a one-thread machine) runs on one.
  params_.threads = std::max(1, params_.threads);
  const std::vector<double>& centres = request.sweepCentres;
  const bool sweep = !centres.empty();
  const QString notStarted = sweep ? QStringLiteral("CoR sweep not started : ")
                                   : QStringLiteral("CT calculation not started : ");
  if (sweep) {
    // The current slice once per centre, on the workers.
    params_.singleOn = false;
    params_.workersOn = true;
    params_.autoExec = false;
    params_.cor = centres.front();
  }
  auto data = std::make_shared<CtRunData>();
  data->frames = request.frames ? request.frames : std::make_shared<const FrameSet>();
  const FrameSet& frames = *data->frames;
  data->geometry = ctRunGeometry(params_, frames.width, frames.height,
                                 static_cast<int>(frames.frames.size()), centres);
  const CtRunGeometry& g = data->geometry;
  // Workers and the single panel take what these values give without
  // checking; a run that can give nothing is refused here, with the reason.
  // Every centre of a sweep must leave a sinogram, which the two extremes decide.
  std::vector<double> tried{params_.cor};
  if (sweep) {
    const auto [lo, hi] = std::minmax_element(centres.begin(), centres.end());
    tried = {*lo, *hi};
  }
  for (double c : tried) {
    if (!corUsable(g.length, c)) {
      refuse(notStarted + QStringLiteral("the centre of rotation %1 leaves no sinogram on a "
                                         "detector line of %2 pixels")
                              .arg(QString::number(c, 'g', 6))
                              .arg(g.length));
      return;
    }
  }
  if (g.rows == 0) {
    refuse(notStarted + "the partial data set uses no image");
    return;
  }

  running_ = true;
  run_.restart();
  showResult_ = request.showResult;
  emit started();
  auto makeSaveDir = [this](const QString& dir) {
    if (!QDir().mkpath(dir)) fail(namedMessage("Cannot create the save folder :", dir));
  };
  if (sweep) {
    // A sweep writes its pictures into the image save folder, whether or not
    // slices are saved automatically, and saves nothing else.
    sweep_ = Sweep{};
    sweep_.folder = request.saveImage.path;
    if (sweep_.folder.isEmpty())
      qDebug() << "CoR sweep: no image save folder, the pictures are only shown";
    else
      makeSaveDir(sweep_.folder);
    request.saveImage.on = false;
    request.saveData.on = false;
  } else {
    if (request.saveImage.on) makeSaveDir(request.saveImage.path);
    if (request.saveData.on) makeSaveDir(request.saveData.path);
  }
  saver_->setSubFolders(request.subFolders);
  saver_->setOfEnergy(request.ofEnergy);
  saver_->setOfSlice(request.ofSlice);

  // Slices are detector lines along the axis; one off the detector would
  // be reconstructed from nothing and saved as zeros.
  const QString detector = QStringLiteral("(0..%1)").arg(g.slices - 1);
  if (params_.autoExec) {
    const SliceRangeOnDetector r = sliceRangeOnDetector(params_, g.slices);
    run_.slicesAsked(r.asked);
    if (r.inside < r.asked) {
      QString text =
          QStringLiteral("Slice %1 is outside the detector %2").arg(r.firstOutside).arg(detector);
      const long long more = r.asked - r.inside - 1;
      if (more > 0)
        text += QStringLiteral(", and %1 more %2 of the range")
                    .arg(more)
                    .arg(more == 1 ? QStringLiteral("slice") : QStringLiteral("slices"));
      qDebug().noquote() << text;
      run_.failed(text, r.asked - r.inside);
    }
    if (r.inside == 0) {
      finish();
      return;
    }
    // The run goes over the slices on the detector only.
    params_.sliceFrom = r.firstInside;
    params_.sliceTo = r.lastInside;
  } else {
    run_.slicesAsked(sweep ? static_cast<long long>(centres.size()) : 1);
    if (params_.sliceNo < 0 || params_.sliceNo >= g.slices) {
      fail(
          QStringLiteral("Slice %1 is outside the detector %2").arg(params_.sliceNo).arg(detector));
      finish();
      return;
    }
  }
  data->params = params_;
  data->source.frames.reserve(frames.frames.size());
  for (const auto& f : frames.frames) data->source.frames.push_back(f.get());
  data->source.i0 = frames.i0.get();
  data->source.bg = frames.bg.get();
  data->source.width = frames.width;
  data->source.height = frames.height;
  data->angles = ctAngles(params_);
  data->saveImage = request.saveImage;
  data->saveData = request.saveData;
  data->sweepCentres = std::move(request.sweepCentres);
  data_ = std::move(data);
  setupWorkspaces();
  emit inputsLocked(true);
  if (sweep) {
    sweep_.thumbs.assign(data_->sweepCentres.size(), QImage());
    sweep_.running = true;
    dispatch();
  } else if (params_.autoExec) {
    params_.currentSlice = params_.sliceFrom;
    dispatch();
  } else {
    startSingle();
  }
}

void CtRun::setupWorkspaces() {
  // On this (the GUI) thread while the workers are idle: FFTW plans are made here.
  if (!data_) return;
  const CtRunGeometry& g = data_->geometry;
  for (CtCalc2* w : workers_) {
    w->setRun(data_);
    w->setupWorkspace(g.n, g.rows, g.rows, data_->params.filter);
  }
}

void CtRun::startSingle() {
  if (params_.singleOn) emit singleRequested();
  if (params_.workersOn && !workers_.empty() && !awaited_[0] && workers_[0]->claim()) {
    awaited_[0] = true;
    emit startCt(workers_[0], params_.sliceNo, showResult_, -1);
  }
}

void CtRun::workerDone(int index) {
  awaited_[index] = false;
  dispatch();
}

void CtRun::dispatch() {
  if (!running_) {
    if (!anyWorkerBusy()) {
      emit inputsLocked(false);
      runIdleTasks();
      checkIdle();
    }
    return;
  }
  if (sweep_.running) {
    dispatchSweep();
    return;
  }
  if (!params_.autoExec) {
    finish();
    return;
  }
  if (!params_.workersOn) return;
  const CtDispatchResult r = dispatchSlices(
      params_, static_cast<int>(workers_.size()),
      [this](int i) { return !awaited_[i] && workers_[i]->claim(); },
      [this](int i, int slice) {
        awaited_[i] = true;
        emit startCt(workers_[i], slice, showResult_, -1);
      },
      [this](int i) { return workerBusy(i); });
  emit progress(r.percent);
  if (r.finished) finish();
}

void CtRun::singleFinished() {
  if (!running_ || !params_.singleOn || params_.autoExec) return;
  run_.sliceReconstructed();
  finish();
}

void CtRun::dispatchSweep() {
  const std::size_t total = data_->sweepCentres.size();
  const int use = std::min(params_.threads, static_cast<int>(workers_.size()));
  for (int i = 0; i < use && sweep_.next < total; ++i) {
    if (awaited_[i] || !workers_[i]->claim()) continue;
    awaited_[i] = true;
    emit startCt(workers_[i], params_.sliceNo, true, static_cast<int>(sweep_.next++));
  }
  emit progress(std::min(100.0, std::trunc(1000.0 * sweep_.done / total) / 10.0));
  if (sweep_.next >= total && !anyWorkerBusy()) finishSweep();
}

void CtRun::sweepImage(int index, const QImage& picture) {
  // A stopped sweep's last pictures are dropped; a new run begins only after
  // they have come in.
  if (!sweep_.running || !data_ || index < 0 ||
      index >= static_cast<int>(data_->sweepCentres.size()))
    return;
  const double cor = data_->sweepCentres[index];
  const QImage labelled = labelledPicture(picture, sweepLabel(cor));
  if (!sweep_.folder.isEmpty()) {
    const QString path = QDir(sweep_.folder).filePath(sweepFileName(cor));
    if (labelled.save(path, "PNG"))
      status().fileWritten();
    else
      fail(namedMessage("Cannot write the picture :", path));
  }
  emit sweepPicture(index, labelled);
  sweep_.thumbs[index] =
      std::max(picture.width(), picture.height()) > kSheetCell
          ? picture.scaled(kSheetCell, kSheetCell, Qt::KeepAspectRatio, Qt::SmoothTransformation)
          : picture;
  ++sweep_.done;
}

void CtRun::finishSweep() {
  std::vector<QImage> pictures;
  std::vector<QString> labels;
  for (std::size_t i = 0; i < sweep_.thumbs.size(); ++i) {
    if (sweep_.thumbs[i].isNull()) continue;
    pictures.push_back(sweep_.thumbs[i]);
    labels.push_back(sweepLabel(data_->sweepCentres[i]));
  }
  if (!pictures.empty() && !sweep_.folder.isEmpty()) {
    const QString path = QDir(sweep_.folder).filePath(sweepSheetName());
    if (contactSheet(pictures, labels).save(path, "PNG"))
      status().fileWritten();
    else
      fail(namedMessage("Cannot write the picture :", path));
  }
  sweep_.thumbs.clear();
  finish();
}

void CtRun::finish() {
  running_ = false;
  sweep_.running = false;
  emit finished();
  if (!anyWorkerBusy()) {
    emit inputsLocked(false);
    runIdleTasks();
  }
  if (startAfterRun_) {
    startAfterRun_ = false;
    start();
  }
  checkIdle();
}
