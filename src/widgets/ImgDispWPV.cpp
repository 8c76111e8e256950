#include "widgets/ImgDispWPV.h"

#include <QGridLayout>

#include "ui_ImgDispWPV.h"

ImgDispWPV::ImgDispWPV(QWidget* parent) : ImgDispWCBar(parent), ui_(new Ui::ImgDispWPV) {
  auto* pv = new QFrame(this);
  ui_->setupUi(pv);
  setWindowTitle("Image Display with Position and Value");
  bottomGrid()->addWidget(pv, 0, 0);
  connect(this, &ImgDisp::newPos, this, &ImgDispWPV::noticedNewPos);
  connect(ui_->ResetScale, &QPushButton::clicked, this, &ImgDisp::resetScale);
  resize(width(), width());
}

ImgDispWPV::~ImgDispWPV() = default;

QString ImgDispWPV::posXText() const { return ui_->PosX->text(); }
QString ImgDispWPV::posYText() const { return ui_->PosY->text(); }
QString ImgDispWPV::valText() const { return ui_->Val->text(); }

void ImgDispWPV::noticedNewPos(int ix, int iy) {
  ui_->PosX->setText(QString::number(ix, 'g', 6));
  ui_->PosY->setText(QString::number(iy, 'g', 6));
  emit newPosInvY(ix, iy);
}

void ImgDispWPV::setVal(double v) { ui_->Val->setText(QString::number(v, 'g', 6)); }
