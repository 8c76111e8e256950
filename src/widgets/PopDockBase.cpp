#include "widgets/PopDockBase.h"

#include <QGridLayout>
#include <QPushButton>

#include "ui_PopDockBase.h"

PopDockBase::PopDockBase(QWidget* parent)
    : QFrame(parent), ui_(new Ui::PopDockBase), popWin_(new ClosableBase) {
  ui_->setupUi(this);
  new QGridLayout(popWin_.get());
  popWin_->resize(700, 740);
  connect(ui_->PopDock, &QPushButton::clicked, this, qOverload<>(&PopDockBase::popDock));
  connect(popWin_.get(), &ClosableBase::closed, this, &PopDockBase::moveToDockBase);
  connect(popWin_.get(), &ClosableBase::closed, this, &PopDockBase::closed);
}

PopDockBase::~PopDockBase() {
  // A popped content belongs to the window; bring it home so that it dies
  // with the panel, as its owner expects.
  if (content_ && content_->parentWidget() == popWin_.get()) {
    content_->setParent(this);
  }
}

void PopDockBase::setContent(QWidget* content) {
  content_ = content;
  if (content) ui_->Layout->addWidget(content, 0, 0);
}

void PopDockBase::popDock() {
  popWin_->setVisible(!popWin_->isVisible());
  if (!content_) return;
  if (popWin_->isVisible()) {
    popped_ = true;
    emit popped(true);
    popWin_->layout()->addWidget(content_);
  } else {
    popped_ = false;
    emit popped(false);
    ui_->Layout->addWidget(content_, 0, 0);
  }
}

void PopDockBase::popDock(bool f) {
  if (f == popped_) return;
  if (f) {
    moveToPopBase();
    popWin_->show();
  } else {
    popWin_->hide();
    moveToDockBase();
  }
}

void PopDockBase::moveToDockBase() {
  if (!content_) return;
  popped_ = false;
  emit popped(false);
  ui_->Layout->addWidget(content_, 0, 0);
}

void PopDockBase::moveToPopBase() {
  if (!content_) return;
  popped_ = true;
  emit popped(true);
  popWin_->layout()->addWidget(content_);
}
