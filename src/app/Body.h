#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfoList>
#include <QFrame>
#include <QHash>
#include <QImage>
#include <QRectF>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "app/CommandTable.h"
#include "automation/BatchCmd.h"
#include "ct/CtRun.h"
#include "imagedata/KestrelMetaReader.h"
#include "link/QmpSequence.h"
#include "widgets/MouseC.h"

namespace Ui {
class Body;
}
class QAbstractButton;
class QButtonGroup;
class QFileDialog;
class QLineEdit;
class Batch;
class XafsBatch;
class QPainter;
class CtCalc;
class CtCalc2;
class CtCalc2Ui;
class CtDisp;
class CtView;
class QuillmapLink;
class DataSaver;
class ImgDatas;
class ImgDispWPV;
class PopDockBase;
class ProcCtrl;
class SelectAImgFile;
class SelectDataFiles;
class Sinogram;

// The main window. It owns every panel of the program, wires them together,
// runs the load -> sinogram -> reconstruct -> show workflow and ends the
// process when it is closed. Reconstruction runs belong to its run controller
// (CtRun: the workers, one per hardware thread, and the slice hand-out); the
// window reads the panels into a run's inputs and shows what the run reports.
class Body : public QFrame {
  Q_OBJECT

 public:
  explicit Body(QWidget* parent = nullptr);
  ~Body() override;

  // Access for the program's own tools and tests.
  Ui::Body* form() const { return ui_.get(); }
  ImgDatas* imageSet() const { return imgs_; }
  Sinogram* sinogramPanel() const { return sino_; }
  CtCalc* ctCalc() const { return ctCalc_; }
  ImgDispWPV* rawDisplay() const { return rawDisp_; }
  CtDisp* gallery() const { return gallery_; }
  CtView* ctView() const { return ctView_; }
  QuillmapLink* quillmapLink() const { return qmp_; }
  const QmpSequence& qmpSequence() const { return qmpSeq_; }
  DataSaver* saver() const { return ct_->saver(); }
  CtRun* ctRun() const { return ct_; }
  const std::vector<CtCalc2*>& workers() const { return ct_->workers(); }
  const std::vector<CtCalc2Ui*>& workerPanels() const { return workerUis_; }
  const CtRunParams& runParams() const { return ct_->params(); }
  bool calculating() const { return ct_->running(); }
  // Whether projection files announced for loading are still being loaded.
  bool loadingFiles() const { return loadingFiles_; }
  Batch* batch() const { return batch_; }
  XafsBatch* xafsBatch() const { return xafs_; }
  QFileDialog* setupDialog() const { return setupDialog_; }
  const CommandTable& commandTable() const { return commands_; }
  bool anyWorkerBusy() const { return ct_->anyWorkerBusy(); }
  // Worker i is on a slice, or its end of slice has not reached the window yet.
  bool workerBusy(int i) const { return ct_->workerBusy(i); }

  // What was asked and done since the window was made (the job) and in the
  // last run: slices, files written, failures.
  const JobStatus& jobStatus() const { return ct_->jobStatus(); }
  const JobStatus& runStatus() const { return ct_->runStatus(); }
  // Nothing loads, runs or waits to start.
  bool idle() const { return ct_->idle(); }
  // Calls done once the window is idle (at once when it is).
  void whenIdle(std::function<void()> done) { ct_->whenIdle(std::move(done)); }

  // The size the window opens at on a screen whose free area is available:
  // 1280 x 800, taller when the left column needs it, never below what the
  // layout needs, and bounded by available.
  QSize initialSize(const QSize& available) const;
  // Pulls the window, title bar and borders included, back into the screen's free
  // area once the window manager has framed it (shrinking it if need be).
  void keepOnScreen();

 signals:
  void batchCalcStart();
  void batchCalcFinished();
  void askLoadNextDataFile();
  void askLoadNextMultiData(int idx);
  void noticeFinishedLoadDataFiles();
  void setFirstSet(int firstIdx);
  void setNextSet(int lastIdx);
  void finishing();
  void finishedLoadingCTFiles();
  void calcFinished();
  void stage(QString msg, qulonglong dEt);
  void callBatchLoad(QString fname);
  void callBatchExec();
  void callBatchCheckEnd();
  void qmpLoadFilesOfPattern(QString path);
  void qmpLoadFiles(QStringList fileList);
  void qmpStatChanged();
  void exec2dA(QString sliceNoS);

 private slots:
  void dataFilesSelected(QStringList files, bool clear);
  void loadNextDataFile();
  void loadNextMultiData(int idx);
  void finishedLoadDataFiles();
  void newPosOnRawImg(double x, double y);
  void updateRawImage();
  void draw(QPainter* p);
  void selectedAPointInRawImg(double x, double y, MouseC::MStat s);
  void showDispRaw();
  void showSinogram();
  void toggleCalcCt();
  void startCalcCt();
  void stopCalcCt();
  void setupFFT();
  void setupSaveConds();
  void execSingleCtCalc();
  void execMultiCtCalc();
  void ctCalcFinished();
  void setShowAdditionalInfo(bool f);
  void setShowAdditionalAdditionalInfo(bool f);
  void changedCtSel(QAbstractButton* button);
  void changedAutoExec();
  void dRUpdated(double rx0, double rz0, double rx1, double rz1);
  void cRUpdated(double rx0, double rz0, double rx1, double rz1);
  void batchExCmd(BatchCmd cmd);
  void fixColorScaleChanged();
  double colorMin();
  double colorMax();
  void selectedDir(QString dir, QStringList patterns);
  void selectedFileInfoList(QFileInfoList fileInfoList);
  void selectedHis(KestrelMetaItem kestrelMetaItem);
  void newSets(int count);
  void setFirstImageSet();
  void setNextImageSet();
  void startingSeqCalc();
  void finishedSeqCalc();
  void i0FilesSelected(QStringList files, bool clear);
  void noticedStage(QString msg, qlonglong dEt);
  void setI0FileFromList();
  void showSaveSetupD();
  void showLoadSetupD();
  void saveLoadFileSelected(QString fname);
  void saveSetup(QString fname);
  void loadSetup(QString fname);
  void exec2dA0();
  void setupQuillmapLink();
  void qmpInitFlags();
  void qmpChangedIsBusy(bool f);
  void qmpStageCtrl();
  void qmpStartCont2dA();
  void ctImage(int no, QImage img);

 public slots:
  void batchLoad(QString fname);
  void batchExec();
  void setFixColorScale(bool f);
  void setColorMin(double v);
  void setColorMax(double v);
  void setAutoSaveImage(bool f);
  void setAutoSaveData(bool f);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createWorkers();
  void placeDisplays();
  // Hands a region to every calculation panel except the sender.
  void shareRegion(QObject* sender, bool calc, double rx0, double rz0, double rx1, double rz1);
  void setAllRegions(double x0, double z0, double x1, double z1);
  void applyRawSelection();
  // Which load defaults (slice range, slice, CoR, regions) to set from the
  // loaded frames: those loading resets, those of a new frame size, or all
  // (the axis changed).
  enum class Defaults { Load, NewSize, All };
  void applyLoadDefaults(Defaults which);
  // The rotation axis changed: with frames loaded, the defaults of the new axis.
  void rotAxChanged();
  // The data-select controls are locked while files load and while a run
  // reads the inputs; the references only during a run.
  void refreshInputLock();
  // Loads a reference (I0 or background) once the inputs are free; one that
  // cannot be read leaves the old one in use and counts as a failure.
  void selectReference(SelectAImgFile* sel, const QString& path);
  // Logs text and counts it as a failure of the run under way, else of the job.
  void fail(const QString& text) { ct_->fail(text); }
  // A start was refused (logged and counted): whoever waited for it (a batch
  // on calc_exec, the energy-scan sequence) goes on.
  void runRefused();
  // Reads the panels into the inputs of a run that begins now; false when it
  // cannot begin now (nothing loaded, files still loading).
  bool prepareRun(CtRunRequest& request);
  // The auto-save row of pictures (image) or of data files, as the run takes it.
  CtSaveSetting saveSetting(bool image) const;
  // The window's part of a run's beginning and end.
  void runStarted();
  void runFinished();
  void showRunCounts();
  void checkIdle() { ct_->checkIdle(); }
  // Runs what waited for the workers of an earlier run to become idle.
  void runWhenIdle(std::function<void()> task) { ct_->whenWorkersIdle(std::move(task)); }
  void setInputsLocked(bool locked);
  void replayConfigLines();
  // The command table of the dispatcher and the setup writer.
  void registerCommands();
  // Runs task now, or once the workers are idle when a run reads the inputs
  // that task changes.
  void whenInputsFree(std::function<void()> task);
  void showPage(int index);
  // Runs lines through the dispatcher outside any batch: a batch that waits
  // for its own line is not moved on by them.
  void runQuietly(const QStringList& lines);
  // Lets a batch waiting on its calc_exec line go on.
  void releaseBatchCalc();
  // Starts a centre-of-rotation sweep of the current slice over centres as
  // soon as a run can start (as calc_exec does); asked is the request as
  // given, for the log. False when there is no centre to sweep (logged and
  // counted as a failure).
  bool requestCorSweep(std::vector<double> centres, const QString& asked);
  // A data set taken from the data-set selector: its energy's I0, the energy
  // shown and used as the saving tag, so every energy is saved apart.
  void takeDataSetEnergy();
  // A stage report with the window's own sequence timer.
  void reportStage(const QString& msg);

  std::unique_ptr<Ui::Body> ui_;
  ImgDatas* imgs_;
  QButtonGroup* ctSel_;
  PopDockBase* imagesPop_ = nullptr;
  ImgDispWPV* rawDisp_ = nullptr;
  PopDockBase* rawPop_ = nullptr;
  Sinogram* sino_ = nullptr;
  PopDockBase* sinoPop_ = nullptr;
  CtCalc* ctCalc_ = nullptr;
  PopDockBase* ctPop_ = nullptr;
  PopDockBase* viewPop_ = nullptr;
  CtView* ctView_ = nullptr;

  // Peer link: the link itself, the slice-by-slice sequence and the window's
  // own copy of the peer's busy flag.
  QuillmapLink* qmp_ = nullptr;
  QmpSequence qmpSeq_;
  bool qmpIsBusy_ = false;
  void qmpAnnounceSlice(int slice);
  void showCont2dAState();
  ImgDispWPV* i0Disp_ = nullptr;
  PopDockBase* i0Pop_ = nullptr;
  ImgDispWPV* bgDisp_ = nullptr;
  PopDockBase* bgPop_ = nullptr;
  CtDisp* gallery_ = nullptr;
  PopDockBase* galleryPop_ = nullptr;

  CtRun* ct_ = nullptr;
  std::vector<CtCalc2Ui*> workerUis_;

  QStringList pendingFiles_;
  QString currentFile_;
  int currentFrames_ = 0;
  bool calcByBatch_ = false;
  QDateTime calcStart_;
  bool showAllCt2_ = false;
  // Load defaults still to be applied at the next load.
  // Each load default has a pending mark (set at construction, cleared when
  // the default is applied or a command sets the value) and a mark for a
  // value a command set since the last load, which a new frame size keeps.
  struct DefaultMark {
    bool pending = true;
    bool setSinceLoad = false;
    void setByCommand() {
      pending = false;
      setSinceLoad = true;
    }
  };
  DefaultMark markSliceRange_, markSliceNo_, markCor_, markRegions_;
  int loadedWidth_ = 0;  // frame size of the last completed load
  int loadedHeight_ = 0;
  // Loading runs one file per event-loop turn; a start asked for meanwhile
  // waits for its end, so that a run sees the whole set.
  bool loadingFiles_ = false;
  bool startAfterLoad_ = false;
  // The running run is the one a batch's calc_exec waits for.
  bool runByBatch_ = false;
  bool runLock_ = false;
  // A new selection that replaces the set stops the old one's multi-frame
  // file: loading goes by generation.
  int loadGeneration_ = 0;
  int multiGeneration_ = 0;
  // Files in the last selection announced (-1: none was announced).
  int lastSelectionSize_ = -1;
  QString firstLoadedFile_;

  Batch* batch_;
  XafsBatch* xafs_;
  std::vector<double> i0Energies_;
  QElapsedTimer seqTimer_;
  qint64 seqLastMark_ = 0;
  // Frames that the loading of the current selection added.
  int framesLoaded_ = 0;
  CommandTable commands_;
  QFileDialog* setupDialog_ = nullptr;
  bool setupSaving_ = false;
  bool quietDispatch_ = false;
  std::vector<QWidget*> ct2Pages_;  // the view page of each worker, null when it has none
  QLineEdit* runCounts_ = nullptr;  // the last run's counts, beside its times
  // Centres of a sweep asked for and not started yet.
  std::vector<double> sweepAsked_;
};
