// Setup files: the state of the main window's panels written as command
// lines, and restored by running those lines through the dispatcher.
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QTextStream>

#include "app/Body.h"
#include "app/SetupFile.h"
#include "base/NamedLog.h"

namespace {
const char* const kCantOpen = "can't open save setup file : ";
}  // namespace

void Body::showSaveSetupD() {
  setupSaving_ = true;
  setupDialog_->setAcceptMode(QFileDialog::AcceptSave);
  setupDialog_->setFileMode(QFileDialog::AnyFile);
  setupDialog_->open();
}

void Body::showLoadSetupD() {
  setupSaving_ = false;
  setupDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  setupDialog_->setFileMode(QFileDialog::ExistingFile);
  setupDialog_->open();
}

void Body::saveLoadFileSelected(QString fname) {
  if (setupSaving_)
    saveSetup(fname);
  else
    loadSetup(fname);
}

void Body::saveSetup(QString fname) {
  SetupWriter w;
  commands_.writeSetup(w);

  QFile file(fname);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    fail(namedMessage(kCantOpen, fname));
    return;
  }
  const QByteArray bytes = w.contents().toUtf8();
  if (file.write(bytes) != bytes.size() || !file.flush())
    fail(namedMessage("Can not write the whole setup file :", fname) + " : " + file.errorString());
}

void Body::loadSetup(QString fname) {
  QFile file(fname);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    fail(namedMessage(kCantOpen, fname));
    return;
  }
  QTextStream in(&file);
  QString line;
  QStringList lines;
  while (in.readLineInto(&line)) lines << line;
  file.close();
  runQuietly(lines);
}
