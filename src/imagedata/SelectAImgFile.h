#pragma once

#include <QString>
#include <memory>

#include "imagedata/Hdf5Scan.h"
#include "imagedata/ImgData.h"
#include "widgets/SelectAFile.h"

class QLabel;
class QLineEdit;
class QPushButton;
class ImgDispWPV;

// Chooser of one reference frame (the I0 or the background image): the file
// selector plus the exposure time of the reference, and a display window that
// shows the loaded frame with a value readout. The panel owns the frame; the
// projection image set reads it through the address of frameSlot().
class SelectAImgFile : public SelectAFile {
  Q_OBJECT
 public:
  explicit SelectAImgFile(QWidget* parent = nullptr);
  ~SelectAImgFile() override;

  // The slot the image set points at; null while no reference is loaded.
  const std::shared_ptr<ImgData>* frameSlot() const { return &frame_; }
  const ImgData* frame() const { return frame_.get(); }
  ImgDispWPV* display() const { return disp_.get(); }

  // The exposure time field as a number, 0 when it is not one.
  double expTime() const;

  // Which frames of an HDF5 scan file make the reference: the mean of its
  // flat frames (the I0 selector) or of its dark frames (the background).
  void setHdf5Role(Hdf5Scan::Role role) { hdf5Role_ = role; }

  // Loads the reference frame from fname; on failure the old frame stays and
  // the status shows failure. Returns whether a frame was loaded.
  bool load(const QString& fname);

 public slots:
  void noticedNewPos(double x, double y);
  void clear();
  void setExpTime(double time);

 private:
  // Shared with the frame sets of runs that read it (see FrameSet).
  std::shared_ptr<ImgData> frame_;
  std::unique_ptr<ImgDispWPV> disp_;
  double defaultExpTime_ = 0.05;
  Hdf5Scan::Role hdf5Role_ = Hdf5Scan::Role::Flats;
  QLabel* expTimeLbl1_;
  QLineEdit* expTimeLE_;
  QLabel* expTimeLbl2_;
  QPushButton* showImg_;
};
