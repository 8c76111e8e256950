#include "widgets/SelectDir.h"

#include <QFileDialog>

#include "base/ConfigStore.h"
#include "ui_SelectDir.h"

SelectDir::SelectDir(QWidget* parent) : QFrame(parent), ui_(new Ui::SelectDir) {
  ui_->setupUi(this);
  connect(ui_->Select, &QPushButton::clicked, this, &SelectDir::openDialog);
}

SelectDir::~SelectDir() = default;

QString SelectDir::dirName() const { return ui_->SelectedDir->text(); }

void SelectDir::setDirName(QString dir) { ui_->SelectedDir->setText(dir); }

void SelectDir::selectDir(const QString& dir) {
  setDirName(dir);
  emit aDirSelected(dir);
}

void SelectDir::openDialog() {
  const QString start = dirName().isEmpty() ? ConfigStore::instance().dataRoot() : dirName();
  const QString dir = QFileDialog::getExistingDirectory(this, "Select a directory", start);
  if (!dir.isEmpty()) selectDir(dir);
}
