#include "app/Body.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <thread>

#include "automation/Batch.h"
#include "automation/I0Energy.h"
#include "automation/XafsBatch.h"
#include "base/ConfigStore.h"
#include "base/MessageLog.h"
#include "base/NamedLog.h"
#include "ct/CorSweep.h"
#include "ct/CtCalc.h"
#include "ct/CtCalc2.h"
#include "ct/CtCalc2Ui.h"
#include "ct/CtRunMath.h"
#include "ct/ProcCtrl.h"
#include "ct/Sinogram.h"
#include "imagedata/ImgDatas.h"
#include "imagedata/ScanAngles.h"
#include "imagedata/SelectAImgFile.h"
#include "imagedata/SelectDataDir.h"
#include "imagedata/SelectDataFiles.h"
#include "link/QuillmapLink.h"
#include "output/DataSaver.h"
#include "output/ResultLayout.h"
#include "ui_Body.h"
#include "view3d/CtView.h"
#include "widgets/CtDisp.h"
#include "widgets/ImgDispWPV.h"
#include "widgets/LogStatus.h"
#include "widgets/LogView.h"
#include "widgets/PopDockBase.h"
#include "widgets/SeekCtrl.h"

namespace {
const char* const kTimeFormat = "hh:mm:ss.zzz";
const char* const kCalcRunning = "background-color: rgb(255, 255, 128);";
const char* const kCalcIdle = "background-color: rgb(213, 245, 255);";

// A detachable container titled title, holding content, placed in layout.
PopDockBase* dockInto(QGridLayout* layout, QWidget* content, const QString& title) {
  auto* pop = new PopDockBase;
  pop->setContent(content);
  pop->popWindow()->setWindowTitle(title);
  layout->addWidget(pop, 0, 0);
  return pop;
}

// Renders a reference frame into its display.
void showFrame(const ImgData* frame, ImgDispWPV* disp) {
  if (!frame || !disp) return;
  const_cast<ImgData*>(frame)->toImage(disp->image(), disp->colorBar()->map());
  disp->colorBar()->refreshFromMap();
  disp->newImage();
}
}  // namespace

Body::Body(QWidget* parent)
    : QFrame(parent),
      ui_(new Ui::Body),
      imgs_(new ImgDatas(this)),
      batch_(new Batch(this)),
      xafs_(new XafsBatch(this)) {
  ct_ = new CtRun(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())), this);
  ui_->setupUi(this);
  setWindowTitle("Vanto");

  // The image views can be taken out of the window as a whole.
  ui_->ImagesLayout->removeWidget(ui_->ImgsTab);
  imagesPop_ = new PopDockBase;
  imagesPop_->setContent(ui_->ImgsTab);
  imagesPop_->popWindow()->setWindowTitle("Vanto Images");
  ui_->ImagesLayout->addWidget(imagesPop_, 0, 0);

  imgs_->setReferences(ui_->I0ImgSel->frameSlot(), ui_->BGImgSel->frameSlot());
  ui_->I0ImgSel->setHdf5Role(Hdf5Scan::Role::Flats);
  ui_->BGImgSel->setHdf5Role(Hdf5Scan::Role::Darks);

  rawDisp_ = new ImgDispWPV;
  rawPop_ = dockInto(ui_->RawImgBaseLayout, rawDisp_, "Measured Raw Image");
  sino_ = new Sinogram;
  sino_->setProcCtrl(ui_->procCtrl);
  sino_->setImgDatas(imgs_);
  sinoPop_ = dockInto(ui_->SinogramImgBaseLayout, sino_, "Check Sinogram");
  connect(sino_, &Sinogram::askCorSweep, this, [this](double from, double to, double step) {
    requestCorSweep(sweepCentres(from, to, step),
                    QStringLiteral("%1 %2 %3").arg(from).arg(to).arg(step));
  });
  ctCalc_ = new CtCalc;
  ctCalc_->setSinogram(sino_);
  ctCalc_->setRunParams(&ct_->params());
  ctPop_ = dockInto(ui_->CtImgBaseLayout, ctCalc_, "CT Reconstruction");
  ctView_ = new CtView;
  viewPop_ = dockInto(ui_->CtViewBaseLayout, ctView_, "Reconstructed Body View");
  i0Disp_ = new ImgDispWPV;
  i0Pop_ = dockInto(ui_->I0ImgBaseLayout, i0Disp_, "I0 Image");
  bgDisp_ = new ImgDispWPV;
  bgPop_ = dockInto(ui_->BGImgBaseLayout, bgDisp_, "BG Image");
  gallery_ = new CtDisp;
  galleryPop_ = dockInto(ui_->CtImgsBaseLayout, gallery_, "CT images");

  ui_->SelI0Files->setNewOnlyMode(true);
  // The auto-save rows choose (and make) the folders the results go to.
  ui_->SelectImageSaveDir->setMode(SelectAFile::Mode::Save);
  ui_->SelectDataSaveDir->setMode(SelectAFile::Mode::Save);
  ui_->SelI0Files->setSelectButtonText(tr("Sel. I0 File Set"));
  ui_->I0ofRawImage_->setTitle(tr("I0 of Raw Image"));
  ui_->I0ofI0Image_->setTitle(tr("I0 of I0 Image"));
  ui_->CalcCT->setStyleSheet(kCalcIdle);
  ctSel_ = ui_->CtSelGroup;

  connect(this, &Body::askLoadNextDataFile, this, &Body::loadNextDataFile, Qt::QueuedConnection);
  connect(this, &Body::askLoadNextMultiData, this, &Body::loadNextMultiData, Qt::QueuedConnection);
  connect(this, &Body::noticeFinishedLoadDataFiles, this, &Body::finishedLoadDataFiles,
          Qt::QueuedConnection);
  connect(this, &Body::batchCalcStart, this, &Body::startCalcCt, Qt::DirectConnection);
  connect(this, &Body::batchCalcFinished, this, &Body::callBatchCheckEnd, Qt::DirectConnection);
  connect(batch_, &Batch::batchExCmd, this, &Body::batchExCmd, Qt::DirectConnection);
  connect(this, &Body::callBatchLoad, batch_, &Batch::batchLoad, Qt::DirectConnection);
  connect(this, &Body::callBatchExec, batch_, &Batch::batchExec, Qt::DirectConnection);
  connect(this, &Body::callBatchCheckEnd, batch_, &Batch::batchCheckEnd, Qt::DirectConnection);
  // A batch line that could not be run (undefined ${NAME}, no such data set)
  // is a failure of the job; Batch has logged it already.
  connect(batch_, &Batch::failed, this, [this](const QString& text) { ct_->jobFailed(text); });
  connect(ui_->SelI0Files, &SelectDataFiles::filesSelected, this, &Body::i0FilesSelected);
  connect(ui_->SelI0Files, &SelectDataFiles::filesCleared, this, [this] { i0Energies_.clear(); });
  connect(ui_->SelDDir, &SelectDataDir::selected, this, &Body::selectedDir);
  connect(ui_->SelDDir, &SelectDataDir::selectedFileInfoList, this, &Body::selectedFileInfoList);
  connect(ui_->SelDDir, &SelectDataDir::selectedHis, this, &Body::selectedHis);

  // The energy-scan sequence.
  connect(ui_->SeqCalc, &QPushButton::clicked, xafs_, &XafsBatch::start);
  connect(xafs_, &XafsBatch::starting, this, &Body::startingSeqCalc);
  connect(xafs_, &XafsBatch::finished, this, &Body::finishedSeqCalc);
  connect(xafs_, &XafsBatch::stage, this, &Body::noticedStage);
  connect(xafs_, &XafsBatch::setFirstImageSet, this, &Body::setFirstImageSet);
  connect(xafs_, &XafsBatch::setNextImageSet, this, &Body::setNextImageSet);
  connect(xafs_, &XafsBatch::execCalculation, this, &Body::startCalcCt);
  // A data set whose files were all refused is not reconstructed.
  connect(this, &Body::finishedLoadingCTFiles, xafs_, [this] {
    if (framesLoaded_ > 0)
      xafs_->loadedDataSet();
    else
      xafs_->skippedDataSet();
  });
  connect(this, &Body::calcFinished, xafs_, &XafsBatch::calcFinished);
  connect(this, &Body::setFirstSet, ui_->SelDDir, &SelectDataDir::setFirstSet);
  connect(this, &Body::setNextSet, ui_->SelDDir, &SelectDataDir::setNextSet);
  connect(ui_->SelDDir, &SelectDataDir::noMoreSets, xafs_, &XafsBatch::finishIfRunning);
  connect(ui_->SelDDir, &SelectDataDir::newSets, this, &Body::newSets);
  connect(this, &Body::stage, this,
          [this](const QString& msg, qulonglong dEt) { noticedStage(msg, qlonglong(dEt)); });

  // One long-lived dialog saves and loads setup files.
  setupDialog_ = new QFileDialog(this, "Setup File");
  setupDialog_->setNameFilters({"*.cfg", "*.*"});
  connect(setupDialog_, &QFileDialog::fileSelected, this, &Body::saveLoadFileSelected);
  connect(ui_->SaveSetup, &QPushButton::clicked, this, &Body::showSaveSetupD);
  connect(ui_->LoadSetup, &QPushButton::clicked, this, &Body::showLoadSetupD);
  connect(ui_->CTFiles, &SelectDataFiles::filesSelected, this, &Body::dataFilesSelected);
  connect(ctSel_, &QButtonGroup::buttonClicked, this, &Body::changedCtSel);
  connect(rawDisp_, &ImgDispWPV::newPosInvY, this, &Body::newPosOnRawImg);
  connect(rawDisp_, &ImgDispWCBar::newBar, this, &Body::updateRawImage);
  connect(rawDisp_, &DispAWLayout::drawImage2, this, &Body::draw);
  connect(rawDisp_, &ImgDisp::selectedAPoint, this, &Body::selectedAPointInRawImg);
  // A selection on the raw image applies once, when the operator finishes it
  // (after the display has taken it); clearing it applies nothing.
  connect(rawDisp_, &DispAWLayout::mouseReleased0, this, [this] {
    if (rawDisp_->mouseState()->pressStat() == MouseC::LShift && !rawDisp_->selecting() &&
        rawDisp_->hasSelection() && !rawDisp_->selection().isEmpty())
      applyRawSelection();
  });
  connect(ui_->procCtrl, &ProcCtrl::rotAxUpdated, this, &Body::rotAxChanged);
  connect(ctCalc_, &CtCalc::askToStartCalc, this, &Body::toggleCalcCt);
  connect(ui_->CalcCT, &QPushButton::clicked, this, &Body::toggleCalcCt);

  // The single panel's run ends the window's run when it was started from here.
  connect(ctCalc_, &CtCalc::calcFinished, ct_, &CtRun::singleFinished);
  ct_->setPrepare([this](CtRunRequest& request) { return prepareRun(request); });
  ct_->setBusyElsewhere([this] { return loadingFiles_ || startAfterLoad_; });
  connect(ct_, &CtRun::started, this, &Body::runStarted);
  connect(ct_, &CtRun::waiting, this, [this] { ui_->CalcCT->setStyleSheet(kCalcRunning); });
  connect(ct_, &CtRun::refused, this, &Body::runRefused);
  connect(ct_, &CtRun::singleRequested, ctCalc_, &CtCalc::calcCt);
  connect(ct_, &CtRun::progress, this, [this](double percent) {
    ui_->ProgPerCent->setText(QString("%1 %").arg(percent, 0, 'f', 1));
  });
  connect(ct_, &CtRun::sweepPicture, gallery_, &CtDisp::addImg);
  connect(ct_, &CtRun::finished, this, &Body::runFinished);
  connect(ct_, &CtRun::inputsLocked, this, &Body::setInputsLocked);

  // The last run's counts, beside its times.
  runCounts_ = new QLineEdit(this);
  runCounts_->setObjectName("RunCounts");
  runCounts_->setReadOnly(true);
  runCounts_->setStyleSheet("background-color: rgb(255, 255, 232);");
  ui_->layout_5->insertWidget(ui_->layout_5->indexOf(ui_->CalcTimeRow) + 1, runCounts_);
  connect(ctCalc_, &CtCalc::dRUpdated, this, &Body::dRUpdated);
  connect(ctCalc_, &CtCalc::cRUpdated, this, &Body::cRUpdated);
  connect(ui_->seekCtrl, &SeekCtrl::newIndex, this, &Body::updateRawImage);
  connect(ui_->procCtrl, &ProcCtrl::autoExecUpdated, this, &Body::changedAutoExec);
  connect(ui_->FixColorScale, &QCheckBox::toggled, this, &Body::fixColorScaleChanged);
  connect(ui_->ColorMin, &QLineEdit::editingFinished, this, &Body::fixColorScaleChanged);
  connect(ui_->ColorMax, &QLineEdit::editingFinished, this, &Body::fixColorScaleChanged);
  connect(ui_->ShowAdditionalInfo, &QCheckBox::toggled, this, &Body::setShowAdditionalInfo);
  connect(ui_->ShowAdditionalAdditionalInfo, &QCheckBox::toggled, this,
          &Body::setShowAdditionalAdditionalInfo);
  setShowAdditionalInfo(ui_->ShowAdditionalInfo->isChecked());
  setShowAdditionalAdditionalInfo(ui_->ShowAdditionalAdditionalInfo->isChecked());

  // A new reference changes the normalisation of every view.
  for (SelectAImgFile* sel : {ui_->I0ImgSel, ui_->BGImgSel}) {
    connect(sel, &SelectAFile::fileSelected, this, [this, sel] {
      showFrame(sel->frame(), sel == ui_->I0ImgSel ? i0Disp_ : bgDisp_);
      updateRawImage();
      sino_->genSinogram();
      sino_->genImage();
    });
  }

  createWorkers();
  // Every debug-log message in the window: a page after the views, and a status
  // line below them with the last message and the warnings not yet read.
  auto* logView = new LogView(&MessageLog::instance());
  logView->setObjectName("LogView");
  ui_->ImgsTab->addTab(logView, tr("Log"));
  auto* logStatus = new LogStatus(&MessageLog::instance());
  logStatus->setObjectName("LogStatus");
  ui_->ImagesLayout->addWidget(logStatus, 1, 0);
  connect(logStatus, &LogStatus::showLog, this,
          [this, logView] { ui_->ImgsTab->setCurrentWidget(logView); });
  registerCommands();
  batch_->setCommandWords(commands_.words());
  replayConfigLines();
  setupQuillmapLink();
}

Body::~Body() {
  // The workers end (each finishes the slice it is on) before the panels
  // that show them go.
  delete ct_;
}

void Body::createWorkers() {
  const int n = static_cast<int>(ct_->workers().size());
  bool ok = false;
  showAllCt2_ =
      ConfigStore::instance().value("show_all_ct2_images", "0").trimmed().toInt(&ok) == 1 && ok;
  for (int i = 1; i <= n; ++i) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* panel = new CtCalc2Ui;
    auto* pop = new PopDockBase;
    pop->setContent(panel);
    grid->addWidget(pop, 0, 0);
    CtCalc2* worker = ct_->workers()[static_cast<std::size_t>(i - 1)];
    panel->setWorker(worker);
    if (showAllCt2_) {
      ui_->ImgsTab->addTab(page, QString("CT2 %1").arg(i));
    } else if (i == 1) {
      ui_->ImgsTab->insertTab(3, page, "CT2");
    } else {
      page->setParent(this);
      page->hide();
    }
    ct2Pages_.push_back(showAllCt2_ || i == 1 ? page : nullptr);
    pop->popWindow()->setWindowTitle(QString("CT Calc2 %1").arg(i));
    connect(worker, &CtCalc2::ctImage, this, &Body::ctImage);
    connect(worker, &CtCalc2::askToStartCalc, this, &Body::toggleCalcCt);
    connect(panel, &CtCalc2Ui::dRUpdated, this, &Body::dRUpdated);
    connect(panel, &CtCalc2Ui::cRUpdated, this, &Body::cRUpdated);
    workerUis_.push_back(panel);
  }
  ui_->procCtrl->setThreadLimit(n);
}

void Body::replayConfigLines() { runQuietly(ConfigStore::instance().rawLines()); }

void Body::setInputsLocked(bool locked) {
  runLock_ = locked;
  refreshInputLock();
}

void Body::refreshInputLock() {
  // Workers read the frames and references without locks while they run;
  // loading adds to the set one file per event-loop turn.
  ui_->DataSetSelectFrame->setEnabled(!runLock_ && !loadingFiles_);
  ui_->I0BgSelectFrame->setEnabled(!runLock_);
}

// ---- loading -------------------------------------------------------------

void Body::dataFilesSelected(QStringList files, bool clear) {
  lastSelectionSize_ = static_cast<int>(files.size());
  if (calculating() || anyWorkerBusy()) {
    // The workers read the frames being replaced: load once they are idle.
    if (calculating()) stopCalcCt();
    qDebug() << "data file selection waits for the running reconstruction";
    runWhenIdle([this, files, clear] { dataFilesSelected(files, clear); });
    return;
  }
  if (clear) {
    imgs_->clear();
    firstLoadedFile_.clear();
    ui_->seekCtrl->setRange(0, 0);
    ui_->seekCtrl->setValue(0);
    // The new selection replaces what the last one still had to load,
    // including the rest of a multi-frame file.
    pendingFiles_.clear();
    ++loadGeneration_;
    framesLoaded_ = 0;
  }
  pendingFiles_ += files;
  qDebug() << "data file selected";
  // While a list is loading, its chain takes the new files in turn: one
  // chain, one finishedLoadingCTFiles() per completed load.
  if (loadingFiles_) return;
  if (!clear) framesLoaded_ = 0;
  loadingFiles_ = true;
  refreshInputLock();
  emit askLoadNextDataFile();
}

void Body::loadNextDataFile() {
  if (pendingFiles_.isEmpty()) {
    emit noticeFinishedLoadDataFiles();
    return;
  }
  currentFile_ = pendingFiles_.takeFirst();
  currentFrames_ = ImgDatas::framesInFile(currentFile_);
  if (currentFrames_ > 1) {
    multiGeneration_ = loadGeneration_;
    emit askLoadNextMultiData(0);
    return;
  }
  if (imgs_->add(currentFile_, 0)) {
    ui_->CTFiles->addFile(currentFile_);
    ++framesLoaded_;
    if (firstLoadedFile_.isEmpty()) firstLoadedFile_ = currentFile_;
  } else {
    fail(namedMessage("Image not loaded :", currentFile_));
  }
  emit askLoadNextDataFile();
}

void Body::loadNextMultiData(int idx) {
  if (multiGeneration_ != loadGeneration_) {
    // The selection this file belonged to has been replaced.
    emit askLoadNextDataFile();
    return;
  }
  const QString entry = QString("%1(%2)").arg(currentFile_).arg(idx);
  if (imgs_->add(currentFile_, idx)) {
    ui_->CTFiles->addFile(entry);
    ++framesLoaded_;
    if (firstLoadedFile_.isEmpty()) firstLoadedFile_ = currentFile_;
  } else {
    fail(namedMessage("Image not loaded :", entry));
  }
  if (idx + 1 < currentFrames_)
    emit askLoadNextMultiData(idx + 1);
  else
    emit askLoadNextDataFile();
}

void Body::applyLoadDefaults(Defaults which) {
  ProcCtrl* pc = ui_->procCtrl;
  const int w = imgs_->width(), h = imgs_->height();
  if (imgs_->count() == 0 || w <= 0 || h <= 0) return;
  const bool v = pc->rotAxIsV();
  const bool keep = ui_->CTFiles->keepConditions();
  auto wanted = [&](DefaultMark& m) {
    const bool apply = which == Defaults::All || !keep || m.pending ||
                       (which == Defaults::NewSize && !m.setSinceLoad);
    if (apply) m.pending = false;
    return apply;
  };
  if (wanted(markSliceRange_)) {
    // A range kept from other frames may lie off this detector: a new size
    // or axis starts the range at the first slice as well.
    if (which != Defaults::Load) pc->setSliceFrom(0);
    pc->setSliceTo((v ? h : w) - 1);
  }
  if (wanted(markSliceNo_)) pc->setSliceNo(v ? static_cast<int>(h * 0.5) : w / 2);
  if (wanted(markCor_)) pc->setCor(v ? w * 0.5 : static_cast<double>(h / 2));
  if (wanted(markRegions_)) {
    const int d = v ? w : h;
    setAllRegions(0, 0, d - 1, d - 1);
  }
}

void Body::rotAxChanged() {
  // Slice, centre of rotation, range and regions of the other axis do not
  // fit this one (the calculation region would be the other axis's and the
  // slices black).
  if (loadingFiles_ || imgs_->count() == 0) return;
  applyLoadDefaults(Defaults::All);
}

void Body::finishedLoadDataFiles() {
  // A selection added while the end was being announced is loaded first.
  if (!pendingFiles_.isEmpty()) {
    emit askLoadNextDataFile();
    return;
  }
  ProcCtrl* pc = ui_->procCtrl;
  const int w = imgs_->width(), h = imgs_->height(), n = imgs_->count();
  if (n > 0 && w > 0 && h > 0) {
    // "New" may bring frames of another size; conditions of the old size
    // are not kept for them.
    const bool newSize = loadedWidth_ > 0 && (w != loadedWidth_ || h != loadedHeight_);
    if (newSize)
      qDebug().noquote() << QStringLiteral(
                                "Frame size %1 x %2 differs from the last load (%3 x %4): slice, "
                                "centre of rotation, slice range and regions set anew")
                                .arg(w)
                                .arg(h)
                                .arg(loadedWidth_)
                                .arg(loadedHeight_);
    applyLoadDefaults(newSize ? Defaults::NewSize : Defaults::Load);
    loadedWidth_ = w;
    loadedHeight_ = h;
  }
  for (DefaultMark* m : {&markSliceRange_, &markSliceNo_, &markCor_, &markRegions_})
    m->setSinceLoad = false;
  pc->setDataSetImages(n);
  ui_->seekCtrl->setRange(0, std::max(0, n - 1));
  updateRawImage();
  sino_->genSinogram();
  sino_->genImage();
  loadingFiles_ = false;
  refreshInputLock();
  emit finishedLoadingCTFiles();
  if (startAfterLoad_) {
    startAfterLoad_ = false;
    startCalcCt();
  }
  checkIdle();
}

// ---- raw image -----------------------------------------------------------

void Body::newPosOnRawImg(double x, double y) {
  const int idx = ui_->seekCtrl->value();
  double value = 0.0;
  if (idx >= 0 && idx < imgs_->count()) {
    const ImgData* f = imgs_->frame(idx);
    const double tx = std::trunc(x), ty = std::trunc(y);
    if (f && tx >= 0 && ty >= 0 && tx < f->width() && ty < f->height()) {
      std::vector<double> buffer(static_cast<std::size_t>(f->width()));
      value = f->row(static_cast<int>(ty), buffer.data())[static_cast<int>(tx)];
    }
  }
  rawDisp_->setVal(value);
}

void Body::updateRawImage() {
  if (imgs_->show(ui_->seekCtrl->value(), rawDisp_->image(), rawDisp_->colorBar()->map())) {
    rawDisp_->colorBar()->refreshFromMap();
    rawDisp_->newImage();
  }
}

void Body::draw(QPainter* p) {
  if (imgs_->count() == 0) return;
  DispB* surface = rawDisp_->dispB();
  ChCoord* c = surface->coord();
  const MouseC* m = surface->mouse();
  const double W = surface->width(), H = surface->height();
  const ProcCtrl* pc = ui_->procCtrl;
  const bool v = pc->rotAxIsV();
  p->save();
  auto lineAt = [&](bool horizontal, double pos) {
    if (horizontal) {
      const double y = c->dataToScreenY(pos);
      p->drawLine(QPointF(0, y), QPointF(W, y));
    } else {
      const double x = c->dataToScreenX(pos);
      p->drawLine(QPointF(x, 0), QPointF(x, H));
    }
  };
  // Cross-hair through the pointer.
  p->setPen(QPen(QColor(255, 255, 255, 140), 1));
  p->drawLine(QPointF(m->x, 0), QPointF(m->x, H));
  p->drawLine(QPointF(0, m->y), QPointF(W, m->y));
  // Slice range, then the current slice and the centre of rotation.
  p->setPen(QPen(QColor(0, 160, 255), 1, Qt::DashLine));
  lineAt(v, pc->sliceFrom());
  lineAt(v, pc->sliceTo());
  p->setPen(QPen(QColor(255, 60, 60), 1));
  lineAt(v, pc->sliceNo());
  p->setPen(QPen(QColor(60, 255, 60), 1));
  lineAt(!v, pc->cor());
  // The selection rectangle: dashed while dragged, solid once finished.
  if (rawDisp_->selecting() || rawDisp_->hasSelection()) {
    const QRectF s = rawDisp_->selection().normalized();
    const QPointF a(c->dataToScreenX(s.left()), c->dataToScreenY(s.top()));
    const QPointF b(c->dataToScreenX(s.right()), c->dataToScreenY(s.bottom()));
    p->setPen(rawDisp_->selecting() ? QPen(QColor(255, 200, 0), 1, Qt::DashLine)
                                    : QPen(QColor(255, 140, 0), 2));
    p->setBrush(Qt::NoBrush);
    p->drawRect(QRectF(a, b).normalized());
  }
  p->restore();
}

void Body::applyRawSelection() {
  const QRectF s = rawDisp_->selection().normalized();
  ProcCtrl* pc = ui_->procCtrl;
  if (pc->rotAxIsV()) {
    setAllRegions(s.x(), s.x(), s.x() + s.width(), s.x() + s.width());
    pc->setSliceFrom(static_cast<int>(std::trunc(s.y())));
    pc->setSliceTo(static_cast<int>(std::trunc(s.y() + s.height())));
  } else {
    setAllRegions(s.y(), s.y(), s.y() + s.height(), s.y() + s.height());
    pc->setSliceFrom(static_cast<int>(std::trunc(s.x())));
    pc->setSliceTo(static_cast<int>(std::trunc(s.x() + s.width())));
  }
}

void Body::selectedAPointInRawImg(double x, double y, MouseC::MStat s) {
  ProcCtrl* pc = ui_->procCtrl;
  if (s == MouseC::R) {
    pc->setCor(pc->rotAxIsV() ? x : y);
  } else if (s == MouseC::L) {
    pc->setSliceNo(static_cast<int>(std::trunc(pc->rotAxIsV() ? y : x)));
    if (ui_->SendMsg2Quillmap->isChecked()) qmpAnnounceSlice(pc->sliceNo());
  }
}

void Body::showDispRaw() { rawPop_->show(); }

void Body::showSinogram() {
  sinoPop_->show();
  sino_->genSinogram();
  sino_->genImage();
}

// ---- calculation ---------------------------------------------------------

void Body::toggleCalcCt() {
  if (ct_->startWaiting() || startAfterLoad_) {
    // A start that still waits is called off; a batch waiting for it goes on.
    const bool wasRunning = calculating();
    ct_->cancelStart();
    startAfterLoad_ = false;
    if (!wasRunning) ui_->CalcCT->setStyleSheet(kCalcIdle);
    if (calcByBatch_ && !runByBatch_) {
      fail("CT calculation called off before it started");
      releaseBatchCalc();
    }
    checkIdle();
    return;
  }
  if (imgs_->count() == 0) return;
  if (calculating())
    stopCalcCt();
  else
    startCalcCt();
}

void Body::runRefused() {
  sweepAsked_.clear();
  ui_->CalcCT->setStyleSheet(kCalcIdle);
  releaseBatchCalc();
  // The energy-scan sequence waits for the end of its run; it goes on with
  // the next data set instead.
  if (xafs_->running()) emit calcFinished();
}

bool Body::prepareRun(CtRunRequest& request) {
  if (loadingFiles_) {
    // Files announced for loading are still coming in one per event-loop
    // turn: the run starts on the complete set once they are in.
    if (!startAfterLoad_) qDebug() << "CT calculation starts when the files being loaded are in";
    startAfterLoad_ = true;
    ui_->CalcCT->setStyleSheet(kCalcRunning);
    return false;
  }
  const bool sweep = !sweepAsked_.empty();
  const QString notStarted = sweep ? QStringLiteral("CoR sweep not started : ")
                                   : QStringLiteral("CT calculation not started : ");
  if (imgs_->count() == 0) {
    ct_->refuse(notStarted + "no projection images are loaded");
    return false;
  }
  CtRunParams& p = request.params;
  ui_->procCtrl->fillRunParams(p, ui_->SelectCt1->isChecked(), ui_->SelectCt2->isChecked());
  p.upperLimit = ui_->DataUpperLimit->text().toDouble();
  p.lowerLimit = ui_->DataLowerLimit->text().toDouble();
  p.offset = ui_->DataOffset->text().toDouble();
  p.saveDataTiff = ui_->AutoSaveDataFormat->currentIndex() == 1;
  request.frames = imgs_->snapshot();
  request.saveImage = saveSetting(true);
  request.saveData = saveSetting(false);
  request.showResult = ui_->ShowCalcRes->isChecked();
  request.subFolders = ui_->SaveInSubFolders->isChecked();
  request.ofEnergy = ui_->SubOfEnergy->isChecked();
  request.ofSlice = ui_->SubOfSlice->isChecked();
  request.sweepCentres = std::move(sweepAsked_);
  sweepAsked_.clear();
  return true;
}

void Body::runStarted() {
  runByBatch_ = calcByBatch_;
  calcStart_ = QDateTime::currentDateTime();
  ui_->CalcStartT->setText(calcStart_.toString(kTimeFormat));
  ui_->CalcEndT->setText("--");
  ui_->CalcCT->setStyleSheet(kCalcRunning);
  runCounts_->clear();
  gallery_->clear();
  const CtRunParams& p = ct_->params();
  checkScanAngles(*imgs_, p.dataSetRangeDeg, p.angleOriginDeg);
  if (p.workersOn) ui_->ProgPerCent->setText("0 %");
  setupSaveConds();
}

void Body::startCalcCt() { ct_->start(); }

void Body::stopCalcCt() {
  ctCalcFinished();
  if (ctCalc_->running()) ctCalc_->stopCt();
}

void Body::setupFFT() { ct_->setupWorkspaces(); }

CtSaveSetting Body::saveSetting(bool image) const {
  const SelectAFile* f = image ? ui_->SelectImageSaveDir : ui_->SelectDataSaveDir;
  const QCheckBox* on = image ? ui_->AutoSaveImage : ui_->AutoSaveData;
  return CtSaveSetting{on->isChecked(), f->path(), f->name(), f->tag()};
}

void Body::setupSaveConds() {
  // The single panel's; the workers take theirs from the run.
  const CtSaveSetting i = saveSetting(true), d = saveSetting(false);
  ctCalc_->setSaveImage(i.on, i.path, i.name, i.tag);
  ctCalc_->setSaveData(d.on, d.path, d.name, d.tag);
}

void Body::execSingleCtCalc() { ct_->startSingle(); }

void Body::execMultiCtCalc() { ct_->dispatch(); }

void Body::ctCalcFinished() { ct_->finish(); }

void Body::runFinished() {
  const QDateTime end = QDateTime::currentDateTime();
  ui_->CalcEndT->setText(end.toString(kTimeFormat));
  ui_->CalcSpentT->setText(QString::number(calcStart_.msecsTo(end) / 1000.0, 'g', 6));
  ui_->CalcCT->setStyleSheet(kCalcIdle);
  showRunCounts();
  if (runByBatch_) {
    runByBatch_ = false;
    releaseBatchCalc();
  }
  emit calcFinished();
}

void Body::showRunCounts() {
  runCounts_->setText(runStatus().counts());
  runCounts_->setToolTip(runStatus().counts());
  runCounts_->setCursorPosition(0);
}

void Body::releaseBatchCalc() {
  if (!calcByBatch_) return;
  calcByBatch_ = false;
  emit batchCalcFinished();
}

void Body::ctImage(int no, QImage img) { gallery_->addImg(no, img); }

bool Body::requestCorSweep(std::vector<double> centres, const QString& asked) {
  if (centres.empty()) {
    fail(QStringLiteral("CoR sweep not started : \"%1\" is not FROM TO STEP with a positive step "
                        "and at most %2 centres")
             .arg(asked)
             .arg(kMaxSweepCentres));
    return false;
  }
  sweepAsked_ = std::move(centres);
  startCalcCt();
  return true;
}

void Body::i0FilesSelected(QStringList files, bool clear) {
  // The sequence's I0 files are only listed; the one of each energy is
  // taken from the list when its data set is loaded.
  if (clear) {
    ui_->SelI0Files->clearFiles();
    i0Energies_.clear();
  }
  for (const QString& f : files) {
    i0Energies_.push_back(i0EnergyOfPath(f));
    ui_->SelI0Files->addFile(f);
  }
}

// ---- smaller slots -------------------------------------------------------

void Body::setShowAdditionalInfo(bool f) { ui_->AdditionalInfo->setVisible(f); }

void Body::setShowAdditionalAdditionalInfo(bool f) { ui_->AdditionalAdditionalInfo->setVisible(f); }

void Body::changedCtSel(QAbstractButton*) {
  if (ui_->SelectCt1->isChecked()) ui_->procCtrl->setAutoExec(false);
}

void Body::changedAutoExec() {
  if (ui_->procCtrl->autoExec()) ui_->SelectCt2->setChecked(true);
}

void Body::shareRegion(QObject* from, bool calc, double rx0, double rz0, double rx1, double rz1) {
  if (from != ctCalc_) {
    if (calc)
      ctCalc_->setCR(rx0, rz0, rx1, rz1);
    else
      ctCalc_->setDR(rx0, rz0, rx1, rz1);
  }
  for (CtCalc2Ui* ui : workerUis_) {
    if (ui == from) continue;
    if (calc)
      ui->setCR(rx0, rz0, rx1, rz1);
    else
      ui->setDR(rx0, rz0, rx1, rz1);
  }
}

void Body::setAllRegions(double x0, double z0, double x1, double z1) {
  ctCalc_->setDR(x0, z0, x1, z1);
  ctCalc_->setCR(x0, z0, x1, z1);
  for (CtCalc2Ui* ui : workerUis_) {
    ui->setDR(x0, z0, x1, z1);
    ui->setCR(x0, z0, x1, z1);
  }
}

void Body::dRUpdated(double rx0, double rz0, double rx1, double rz1) {
  shareRegion(sender(), false, rx0, rz0, rx1, rz1);
}

void Body::cRUpdated(double rx0, double rz0, double rx1, double rz1) {
  shareRegion(sender(), true, rx0, rz0, rx1, rz1);
}

void Body::fixColorScaleChanged() {
  const bool f = ui_->FixColorScale->isChecked();
  ctCalc_->setFixColorScale(f);
  if (f) ctCalc_->setCBarMinMaxForced(colorMin(), colorMax());
  for (CtCalc2Ui* ui : workerUis_) {
    ui->setFixColorScale(f);
    if (f) ui->setCBarMinMaxForced(colorMin(), colorMax());
  }
}

double Body::colorMin() { return ui_->ColorMin->text().toDouble(); }

double Body::colorMax() { return ui_->ColorMax->text().toDouble(); }

void Body::takeDataSetEnergy() {
  const QString energy = ui_->SelDDir->energyText();
  ui_->RawEnergy->setText(energy);
  ui_->I0Energy->setText(energy);
  if (!energy.isEmpty()) {
    ui_->SelectImageSaveDir->setTag(energy);
    ui_->SelectDataSaveDir->setTag(energy);
  }
}

void Body::selectedDir(QString dir, QStringList patterns) {
  setI0FileFromList();
  takeDataSetEnergy();
  lastSelectionSize_ = -1;
  ui_->CTFiles->setDirAndPatterns(dir, patterns);
  if (lastSelectionSize_ <= 0)
    fail(namedMessage("Nothing to load :", (QStringList{dir} + patterns).join(' ')));
}

void Body::selectedFileInfoList(QFileInfoList fileInfoList) {
  setI0FileFromList();
  takeDataSetEnergy();
  lastSelectionSize_ = -1;
  ui_->CTFiles->setFileInfos(fileInfoList);
  if (lastSelectionSize_ <= 0)
    fail(namedMessage("Nothing to load : data set", ui_->SelDDir->energyText()));
}

void Body::selectedHis(KestrelMetaItem kestrelMetaItem) {
  // One facility A scan: its I0 file becomes the I0 reference (frame 0),
  // its multi-frame projection file the new image set.
  selectReference(ui_->I0ImgSel, kestrelMetaItem.i0Path);
  takeDataSetEnergy();
  qDebug() << "setid" << ui_->SelDDir->energyText();
  ui_->CTFiles->selectFile(kestrelMetaItem.hisPath);
}

void Body::setI0FileFromList() {
  SelectDataFiles* list = ui_->SelI0Files;
  if (list->count() == 0) return;
  const int i = nearestEnergyIndex(i0Energies_, ui_->SelDDir->energyEV());
  selectReference(ui_->I0ImgSel, list->entry(i));
}

void Body::newSets(int count) {
  if (ui_->keepOnNewSet->isChecked()) return;
  ui_->SeqCalcFrom->setValue(1);
  ui_->SeqCalcTo->setValue(count);
}

void Body::reportStage(const QString& msg) {
  const qint64 now = seqTimer_.isValid() ? seqTimer_.elapsed() : 0;
  const qint64 dEt = now - seqLastMark_;
  seqLastMark_ = now;
  emit stage(msg, static_cast<qulonglong>(std::max<qint64>(0, dEt)));
}

void Body::setFirstImageSet() {
  reportStage(tr("Loading first Data Set"));
  emit setFirstSet(ui_->SeqCalcFrom->value() - 1);
}

void Body::setNextImageSet() {
  reportStage(tr("Loading next Data Set"));
  emit setNextSet(ui_->SeqCalcTo->value() - 1);
}

void Body::startingSeqCalc() {
  ui_->SeqCalc->setStyleSheet(kCalcRunning);
  seqTimer_.start();
  seqLastMark_ = 0;
}

void Body::finishedSeqCalc() { ui_->SeqCalc->setStyleSheet(kCalcIdle); }

void Body::noticedStage(QString msg, qlonglong dEt) {
  ui_->ProgressMsg->setText(msg);
  ui_->DeltaET->setText(QString::number((dEt / 100) / 10.0, 'g', 6));
  const qint64 total = seqTimer_.isValid() ? seqTimer_.elapsed() : 0;
  ui_->TotalET->setText(QString::number(total / 1000));
}

void Body::batchLoad(QString fname) { emit callBatchLoad(fname); }

void Body::batchExec() { emit callBatchExec(); }

void Body::setFixColorScale(bool f) { ui_->FixColorScale->setChecked(f); }

void Body::setColorMin(double v) { ui_->ColorMin->setText(QString::number(v, 'g', 6)); }

void Body::setColorMax(double v) { ui_->ColorMax->setText(QString::number(v, 'g', 6)); }

void Body::setAutoSaveImage(bool f) { ui_->AutoSaveImage->setChecked(f); }

void Body::setAutoSaveData(bool f) { ui_->AutoSaveData->setChecked(f); }

void Body::closeEvent(QCloseEvent* event) {
  emit finishing();
  QFrame::closeEvent(event);
}

// ---- Peer link ---------------------------------------------------------

namespace {
const char* const kQmpBusy = "background-color: rgb(255, 192, 192);";
const char* const kQmpFree = "background-color: rgb(211, 255, 241);";
const char* const kCont2dAOn = "background-color: rgb(255, 255, 128);";
const char* const kCont2dAOff = "background-color: rgb(213, 245, 255);";
}  // namespace

void Body::exec2dA0() { emit exec2dA(sliceNumberText(ui_->procCtrl->sliceNo())); }

void Body::setupQuillmapLink() {
  qmp_ = new QuillmapLink(this);
  ui_->QMPIsBusy->setStyleSheet(kQmpFree);
  ui_->Cont2DA->setStyleSheet(kCont2dAOff);
  qmp_->setLinkButton(ui_->LinkQuillmap);
  connect(qmp_, &QuillmapLink::connected, this, &Body::qmpInitFlags);
  connect(qmp_, &QuillmapLink::changedIsBusy, this, &Body::qmpChangedIsBusy);
  connect(this, &Body::qmpStatChanged, this, &Body::qmpStageCtrl);
  connect(this, &Body::qmpLoadFilesOfPattern, qmp_, &QuillmapLink::loadFilesOfPattern);
  connect(this, &Body::qmpLoadFiles, qmp_, &QuillmapLink::loadFiles);
  connect(this, &Body::exec2dA, qmp_, &QuillmapLink::exec2dA);
  connect(ui_->Exec2DA, &QPushButton::clicked, this, &Body::exec2dA0);
  connect(ui_->Cont2DA, &QPushButton::clicked, this, &Body::qmpStartCont2dA);
  qmp_->doConnect();
}

void Body::qmpInitFlags() {
  qmpSeq_.reset();
  showCont2dAState();
  qmpIsBusy_ = false;
  ui_->QMPIsBusy->setStyleSheet(kQmpFree);
}

void Body::qmpChangedIsBusy(bool f) {
  ui_->QMPIsBusy->setStyleSheet(f ? kQmpBusy : kQmpFree);
  if (f == qmpIsBusy_) return;
  qmpIsBusy_ = f;
  emit qmpStatChanged();
}

void Body::qmpStageCtrl() {
  if (qmpIsBusy_) return;
  switch (qmpSeq_.peerFree(qmp_->lastCommand(), ui_->With2DA->isChecked())) {
    case QmpSequence::Action::Exec2dA:
      emit exec2dA(sliceNumberText(qmpSeq_.slice()));
      break;
    case QmpSequence::Action::Announce:
      qmpAnnounceSlice(qmpSeq_.slice());
      break;
    case QmpSequence::Action::None:
      break;
  }
  showCont2dAState();
}

void Body::qmpStartCont2dA() {
  if (qmpSeq_.continuous()) {
    qmpSeq_.reset();
  } else {
    ProcCtrl* pc = ui_->procCtrl;
    const int from = pc->sliceFrom(), to = pc->sliceTo();
    const int first = qmpSeq_.startContinuous(from, to, runSliceStep(from, to, pc->sliceStep()));
    ui_->Cont2DA->setStyleSheet(kCont2dAOn);
    qmpAnnounceSlice(first);
  }
  showCont2dAState();
}

void Body::qmpAnnounceSlice(int slice) {
  qmpSeq_.announcing(slice);
  const QmpSliceFiles f =
      qmpSliceFiles(ui_->SelectDataSaveDir->path(), slice, ui_->SaveInSubFolders->isChecked(),
                    ui_->SubOfSlice->isChecked());
  if (f.byPattern)
    emit qmpLoadFilesOfPattern(f.folder);
  else
    emit qmpLoadFiles(f.files);
}

void Body::showCont2dAState() {
  ui_->Cont2DA->setStyleSheet(qmpSeq_.continuous() ? kCont2dAOn : kCont2dAOff);
}

// ---- window size -----------------------------------------------------------

QSize Body::initialSize(const QSize& available) const {
  // The whole left column: its panels and the frames and margins around them.
  const QMargins m = layout()->contentsMargins();
  const int column = ui_->ControlsContents->sizeHint().height() +
                     2 * ui_->ControlsScroll->frameWidth() + m.top() + m.bottom() +
                     2 * frameWidth();
  const QSize least = minimumSizeHint();
  const QSize wanted(std::max(least.width(), 1280), std::max({least.height(), column, 800}));
  return wanted.boundedTo(available);
}

void Body::keepOnScreen() {
  const QScreen* s = screen();
  if (!s || !isVisible()) return;
  const QRect free = s->availableGeometry();
  const QRect frame = frameGeometry();
  const QSize decoration = frame.size() - size();
  const QSize fits = size().boundedTo(free.size() - decoration);
  if (fits != size()) resize(fits);
  const QRect now = frameGeometry();
  const int x =
      std::clamp(now.x(), free.left(), std::max(free.left(), free.right() + 1 - now.width()));
  const int y =
      std::clamp(now.y(), free.top(), std::max(free.top(), free.bottom() + 1 - now.height()));
  if (QPoint(x, y) != now.topLeft()) move(x, y);
}
