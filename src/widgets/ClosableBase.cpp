#include "widgets/ClosableBase.h"

#include <QCloseEvent>

ClosableBase::ClosableBase(QWidget* parent) : QFrame(parent, Qt::Window) {}

void ClosableBase::closeEvent(QCloseEvent* e) {
  QFrame::closeEvent(e);
  emit closed();
}
