#include "app/Body.h"

#include <QCloseEvent>

Body::Body(QWidget* parent) : QFrame(parent) { setWindowTitle("Vanto"); }

Body::~Body() = default;

void Body::batchLoad(QString fname) { emit callBatchLoad(fname); }

void Body::batchExec() { emit callBatchExec(); }

void Body::closeEvent(QCloseEvent* event) {
  emit finishing();
  QFrame::closeEvent(event);
}
