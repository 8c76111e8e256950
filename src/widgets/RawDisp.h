#pragma once

#include "widgets/ImgDispWPV.h"

// The display used for raw projection frames, with one integer setting.
class RawDisp : public ImgDispWPV {
  Q_OBJECT
 public:
  explicit RawDisp(QWidget* parent = nullptr) : ImgDispWPV(parent) {}

  int setting() const { return setting_; }
  void setSetting(int s) { setting_ = s; }

 private:
  int setting_ = 0;
};
