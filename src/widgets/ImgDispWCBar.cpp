#include "widgets/ImgDispWCBar.h"

#include <QGridLayout>

ImgDispWCBar::ImgDispWCBar(QWidget* parent) : ImgDisp(parent) {
  setWindowTitle("Image Display with Color Bar");
  cBar_ = new ColorBar(this);
  cBar_->setObjectName("CBar");
  cBar_->setMinimumWidth(25);
  cBar_->setMaximumWidth(40);
  cBar_->setFrameShape(QFrame::StyledPanel);
  cBar_->setFrameShadow(QFrame::Sunken);
  grid()->addWidget(cBar_, 0, 1);
  bottom_ = new QGridLayout;
  bottom_->addWidget(cBar_->controls(), 0, 1);
  grid()->addLayout(bottom_, 1, 0, 1, 2);
  grid()->setRowStretch(0, 1);
  grid()->setColumnStretch(0, 1);
  connect(cBar_, &ColorBar::newBar, this, &ImgDispWCBar::newBar);
}
