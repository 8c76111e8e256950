#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "base/GreyMap.h"
#include "ct/CtRun.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"

class SavingData;
class SavingImg;

// One reconstruction worker. It lives in a thread of its own with its own
// sinogram record and FBP workspace and reconstructs the slices the run
// addresses to it through startCt. What it reads comes as the run's shared,
// unchanging data (frames, geometry, angles, saving) and as copies of its
// panel's region and colour-bar settings made on the GUI thread; what it
// shows (times, slice number, picture, colour-bar range) leaves through
// queued signals and mutex-guarded getters.
class CtCalc2 : public QObject {
  Q_OBJECT

 public:
  explicit CtCalc2(QObject* parent = nullptr);
  ~CtCalc2() override;

  // The panel showing this worker, if any.
  void setPanel(QObject* panel) { panel_ = panel; }
  QObject* panel() const { return panel_; }

  // GUI thread, while idle: what every slice of the coming run is made from.
  void setRun(std::shared_ptr<const CtRunData> run);
  // GUI thread, any time: the panel's calculation region.
  void setRegion(const FbpRegion& region, bool regionSet);
  // GUI thread, any time: the panel's colour-bar mapping (range and marks).
  void setGreyMap(const GreyMap& map);
  // GUI thread, while idle: sizes the workspace (FFTW plans are made here).
  void setupWorkspace(int n, int m, int rowCapacity, const FbpFilterChoice& filter = {});

  // The dispatcher reserves an idle worker before addressing it, so that it
  // counts as busy from that moment on. False when it is already busy.
  bool claim();
  bool busy() const { return busy_.load(); }

  // Results, safe to read from the GUI thread.
  QImage picture() const;
  bool pictureValid() const;
  // Value of the last shown image at (x, z), or 0 outside it.
  double valueAt(int x, int z) const;
  int shownSize() const;
  int sliceNo() const;
  QDateTime startTime() const;
  QDateTime endTime() const;
  // The last finished slice's image (N x N, row-major), for tests and saving.
  std::vector<double> imageCopy() const;
  int slicesDone() const { return slicesDone_.load(); }

 signals:
  void askToStartCalc();
  void calcFinished();
  void saveDataWDiscard(SavingData* data);
  void saveImgWDiscard(SavingImg* img);
  void ctImage(int slice, QImage imge);
  // In a centre-of-rotation sweep, instead of ctImage and saving: the
  // picture of the slice reconstructed with the run's index-th sweep centre.
  void sweepImage(int index, QImage image);
  // The slice this worker took is done: reconstructed, or not (no run, or no
  // sinogram). Emitted after the saving records and before calcFinished.
  void sliceEnded(int slice, bool reconstructed);
  // For the panel (queued).
  void began(int slice);
  void ended();
  void pictureChanged();
  void barRange(double min, double max);
  void regionDefaulted(int n);

 public slots:
  void beginingCt();
  void endingCt();
  void genResImage();
  // Reconstructs a slice of the run when this worker is ctc2 and idle.
  // sweepIndex: the centre of the run's sweep to reconstruct the slice
  // with, or -1 for the run's own centre.
  void startCt(CtCalc2* ctc2, int slice, bool genAndDispImage, int sweepIndex);
  void saveImage();
  void saveData();

 private:
  bool takeSlice();
  void genResImageLocked();

  QObject* panel_ = nullptr;
  std::atomic<bool> busy_{false};
  std::atomic<bool> claimed_{false};
  std::atomic<int> slicesDone_{0};

  // Held while the workspace is computed on, mapped or re-sized.
  mutable std::mutex work_;
  HSgm sgm_;
  FbpWorkspace ws_;
  QByteArray dataText_;  // the last data file's text, its memory reused
  bool genAndDispImage_ = true;
  FbpRegion region_used_;  // the region of the last slice, as its data file states it

  // Inputs handed over from the GUI thread.
  mutable std::mutex input_;
  std::shared_ptr<const CtRunData> run_;
  FbpRegion region_;
  bool regionSet_ = false;
  GreyMap map_;

  // Results read by the GUI thread.
  mutable std::mutex result_;
  QImage picture_;
  bool pictureValid_ = false;
  std::vector<double> shown_;
  int shownN_ = 0;
  int sliceNo_ = 0;
  QDateTime start_, end_;
};
