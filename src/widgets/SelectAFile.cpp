#include "widgets/SelectAFile.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "app/ConfigStore.h"
#include "ui_SelectAFile.h"

namespace {
const char* kUsable = "background-color: rgb(211, 255, 241);";
const char* kNotUsable = "background-color: rgb(255, 192, 192);";
const char* kNeutral = "background-color: rgb(255, 255, 233);";
}  // namespace

SelectAFile::SelectAFile(QWidget* parent) : QFrame(parent), ui_(new Ui::SelectAFile) {
  ui_->setupUi(this);
  connect(ui_->Select, &QPushButton::clicked, this, &SelectAFile::openDialog);
  connect(ui_->Clear, &QPushButton::clicked, this, &SelectAFile::clear0);
  connect(ui_->FilePath, &QLineEdit::editingFinished, this, &SelectAFile::pathEdited);
}

SelectAFile::~SelectAFile() { delete dialog_.data(); }

void SelectAFile::setMode(Mode m) {
  mode_ = m;
  if (!dialog_) return;
  if (m == Mode::Open) {
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    dialog_->setFileMode(QFileDialog::ExistingFile);
    dialog_->setNameFilters({"Img file (*.img *.his)", "Tiff file (*.tif *.tiff)",
                             "HDF5 file (*.h5 *.hdf5 *.hdf *.nxs)", "Any file (* *.*)"});
  } else {
    dialog_->setAcceptMode(QFileDialog::AcceptSave);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setNameFilters({"Any file (* *.*)"});
  }
}

void SelectAFile::openDialog() {
  if (!dialog_) {
    // Created on first use; it starts in the program's data folder.
    dialog_ = new QFileDialog(this);
    dialog_->setDirectory(ConfigStore::instance().dataRoot());
    connect(dialog_, &QFileDialog::accepted, this, &SelectAFile::fileSelected0);
    setMode(mode_);
  }
  dialog_->open();
}

void SelectAFile::fileSelected0() {
  if (!dialog_) return;
  const QStringList files = dialog_->selectedFiles();
  if (files.isEmpty()) return;
  selectFile(files.first());
}

void SelectAFile::selectFile(const QString& fname) {
  const QFileInfo fi(fname);
  fileName_ = fname;
  setPath(fi.absolutePath());
  ui_->Name->setText(fi.completeBaseName());
  emit fileSelected(fname);
}

void SelectAFile::setPath(const QString& dir) {
  ui_->FilePath->setText(dir);
  pathEdited();
}

void SelectAFile::pathEdited() {
  const QString dir = ui_->FilePath->text().trimmed();
  if (mode_ != Mode::Save || dir.isEmpty()) return;
  if (!QDir().mkpath(dir))
    qWarning().noquote() << "Can not create directory" << ("\"" + dir + "\"");
}

QString SelectAFile::path() const { return ui_->FilePath->text(); }
QString SelectAFile::name() const { return ui_->Name->text(); }
QString SelectAFile::tag() const { return ui_->AddTag->text(); }
void SelectAFile::setName(const QString& name) { ui_->Name->setText(name); }
void SelectAFile::setTag(const QString& tag) { ui_->AddTag->setText(tag); }
QString SelectAFile::pathStyle() const { return ui_->FilePath->styleSheet(); }

void SelectAFile::setStat(bool f) { ui_->FilePath->setStyleSheet(f ? kUsable : kNotUsable); }

void SelectAFile::clear0() {
  ui_->FilePath->clear();
  ui_->Name->clear();
  fileName_.clear();
  ui_->FilePath->setStyleSheet(kNeutral);
  emit clear();
}
