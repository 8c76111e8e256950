#pragma once

#include <QFrame>
#include <memory>

#include "ct/FbpFilter.h"

class QAbstractButton;
class QCheckBox;
struct CtRunParams;

namespace Ui {
class ProcCtrl;
}

// The processing-control panel: every geometric and range parameter of a
// reconstruction. Slice number, centre of rotation and axis orientation are
// members; the other values live in the text fields and are parsed whenever
// they are read (a text that does not parse, or an integer out of 32-bit
// range, reads as 0). Every change is announced by a signal.
class ProcCtrl : public QFrame {
  Q_OBJECT

 public:
  explicit ProcCtrl(QWidget* parent = nullptr);
  ~ProcCtrl() override;

  bool rotAxIsV() const { return rotAxIsV_; }
  int sliceNo() const { return sliceNo_; }
  double cor() const { return cor_; }
  double cor1() const { return cor1_; }
  double cor2() const { return cor2_; }
  int corSlice1() const { return corSlice1_; }
  int corSlice2() const { return corSlice2_; }

  int sliceFrom() const;
  int sliceTo() const;
  int sliceStep() const;
  double angleOriginDeg() const;
  double dataSetRangeDeg() const;
  int dataSetImages() const;
  int dataSetUsingImages() const;
  int dataSetStartImageNo() const;
  bool usePartialDataSet() const;
  bool autoExec() const;
  int maxThreads() const;

  // Recorded CoR k (1 or 2) := (slice, cor); a negative slice clears it.
  void setRecordedCoR(int k, int slice, double cor);

  // The main window tells the panel how many worker threads exist: the spin
  // box maximum, the "/n" label, and the value trunc(0.8 n).
  void setThreadLimit(int n);
  void setMaxThreads(int n);
  void setAutoExec(bool f);
  // Sets the axis orientation; when it changes, the matching option is
  // checked and rotAxUpdated() is emitted.
  void setRotAxIsV(bool v);

  // The reconstruction options of the "Options" group (all off by default):
  // the filter window and padding, the ring-removal window (0: off) and the
  // outlier threshold (0: off; the field parses as other fields do).
  FbpFilterChoice filterChoice() const;
  void setFilterWindow(FilterWindow w);
  void setFilterPadding(bool on);
  int ringRemovalSize() const;
  // Sizes from 0 to ringRemovalLimit() can be set.
  void setRingRemovalSize(int size);
  static constexpr int ringRemovalLimit() { return 9999; }
  double outlierThreshold() const;
  void setOutlierThreshold(double threshold);
  // The centre-of-rotation sweep of the sinogram panel's "CoR Sweep" button:
  // centres from CoR - range to CoR + range in steps of step.
  double sweepRange() const;
  double sweepStep() const;

  // Fills the run parameters of a calculation from the panel.
  void fillRunParams(CtRunParams& p, bool singleOn, bool workersOn) const;

  QCheckBox* autoExecCheckBox() const;

 signals:
  void usePartialDataSetUpdated();
  void autoUpdateUpdated();
  void autoExecUpdated();
  void rotAxUpdated();
  void sliceNoUpdated();
  void corUpdated();
  void angleOriginUpdated();
  void dataSetRangeUpdated();
  void dataSetUsingImagesUpdated();
  void dataSetStartImageNoUpdated();
  void askGenImage();

 public slots:
  void showPartial();
  // Unfolds or folds the "Options" group as its toggle says.
  void showOptions();
  void recordCoR();
  void sliceNoEditingFinished();
  void corEditingFinished();
  void rotAxSelectionChanged(QAbstractButton* button);
  void clearRecordedCoR();
  void setCor(double cor);
  void setSliceNo(int sliceNo);
  void setSliceFrom(int from);
  void setSliceTo(int to);
  void setSliceStep(int step);
  void setDataSetImages(int no);
  void setDataSetUsingImages(int images);
  void setDataSetStartImageNo(int no);
  void setAngleOriginDeg(double deg);
  void setDataSetRangeDeg(double deg);
  void setUsePartialDataSet(bool f);

 private:
  std::unique_ptr<Ui::ProcCtrl> ui_;
  bool rotAxIsV_ = false;
  int sliceNo_ = 0;
  double cor_ = 0.0;
  double cor1_ = 0.0;
  double cor2_ = 0.0;
  int corSlice1_ = -1;
  int corSlice2_ = -1;
};
