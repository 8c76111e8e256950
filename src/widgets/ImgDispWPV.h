#pragma once

#include <memory>

#include "widgets/ImgDispWCBar.h"

namespace Ui {
class ImgDispWPV;
}

// An image display with colour bar and a readout row ("PVFrame") showing the
// image position and the value under the mouse, with a "Scale Reset" button.
class ImgDispWPV : public ImgDispWCBar {
  Q_OBJECT
 public:
  explicit ImgDispWPV(QWidget* parent = nullptr);
  ~ImgDispWPV() override;

  QString posXText() const;
  QString posYText() const;
  QString valText() const;

 signals:
  void newPosInvY(double x, double y);

 public slots:
  void noticedNewPos(int ix, int iy);
  void setVal(double v);

 private:
  std::unique_ptr<Ui::ImgDispWPV> ui_;
};
