#include "widgets/DispAWLayout.h"

#include <QGridLayout>

DispAWLayout::DispAWLayout(QWidget* parent) : QFrame(parent) {
  grid_ = new QGridLayout(this);
  grid_->setContentsMargins(0, 0, 0, 0);
  dispB_ = new DispB(this);
  dispB_->setObjectName("dispB");
  grid_->addWidget(dispB_, 0, 0);
  connect(dispB_, &DispB::drawImage0, this, &DispAWLayout::drawImage0);
  connect(dispB_, &DispB::drawImage1, this, &DispAWLayout::drawImage1);
  connect(dispB_, &DispB::drawImage2, this, &DispAWLayout::drawImage2);
  connect(dispB_, &DispB::mouseMoved0, this, &DispAWLayout::mouseMoved0);
  connect(dispB_, &DispB::mousePressed0, this, &DispAWLayout::mousePressed0);
  connect(dispB_, &DispB::mouseReleased0, this, &DispAWLayout::mouseReleased0);
  connect(dispB_, &DispB::mouseDoubleClicked0, this, &DispAWLayout::mouseDoubleClicked0);
  connect(dispB_, &DispB::wheelMoved0, this, &DispAWLayout::wheelMoved0);
}
