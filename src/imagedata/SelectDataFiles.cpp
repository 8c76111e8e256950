#include "imagedata/SelectDataFiles.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>

#include "base/ConfigStore.h"
#include "ui_SelectDataFiles.h"

SelectDataFiles::SelectDataFiles(QWidget* parent)
    : QFrame(parent), ui_(std::make_unique<Ui::SelectDataFiles>()) {
  ui_->setupUi(this);
  dialog_ = new QFileDialog(this);
  dialog_->setFileMode(QFileDialog::ExistingFiles);
  dialog_->setAcceptMode(QFileDialog::AcceptOpen);
  dialog_->setDirectory(ConfigStore::instance().dataRoot());
  dialog_->setNameFilters({"Itex File (*.img *.his)", "Tiff File (*.tif *.tiff)",
                           "HDF5 File (*.h5 *.hdf5 *.hdf *.nxs)", "Any Files (* *.*)"});

  connect(ui_->Select, &QPushButton::clicked, dialog_, &QFileDialog::show);
  connect(dialog_, &QFileDialog::filesSelected, this, &SelectDataFiles::selectionStep);
  connect(ui_->Clear, &QPushButton::clicked, this, &SelectDataFiles::clearFiles);
  connect(ui_->Selected, &QComboBox::currentIndexChanged, this,
          &SelectDataFiles::currentIndexChanged);
}

SelectDataFiles::~SelectDataFiles() = default;

void SelectDataFiles::addFile(const QString& text) {
  ui_->Selected->addItem(text);
  ui_->Count->setText(QString::number(ui_->Selected->count()));
}

int SelectDataFiles::count() const { return ui_->Selected->count(); }
int SelectDataFiles::currentIndex() const { return ui_->Selected->currentIndex(); }
QString SelectDataFiles::entry(int i) const { return ui_->Selected->itemText(i); }

QStringList SelectDataFiles::entries() const {
  QStringList list;
  for (int i = 0; i < ui_->Selected->count(); ++i) list << ui_->Selected->itemText(i);
  return list;
}

void SelectDataFiles::clearFiles() {
  ui_->Selected->clear();
  ui_->Count->setText(QString::number(ui_->Selected->count()));
  emit filesCleared();
}

void SelectDataFiles::prev() {
  const int i = ui_->Selected->currentIndex();
  if (i > 0) ui_->Selected->setCurrentIndex(i - 1);
}

void SelectDataFiles::next() {
  const int i = ui_->Selected->currentIndex();
  if (i >= 0 && i < ui_->Selected->count() - 1) ui_->Selected->setCurrentIndex(i + 1);
}

void SelectDataFiles::select(int idx) {
  if (idx >= 0 && idx < ui_->Selected->count()) ui_->Selected->setCurrentIndex(idx);
}

void SelectDataFiles::setExpTime(double time) {
  ui_->ExpTime->setText(QString::number(time, 'g', 6));
}

double SelectDataFiles::expTime() const { return ui_->ExpTime->text().trimmed().toDouble(); }

int SelectDataFiles::multiTimes() const { return ui_->MultiTimes->text().trimmed().toInt(); }

bool SelectDataFiles::loadNewFiles() const { return ui_->LoadNewFiles->isChecked(); }

void SelectDataFiles::setLoadNewFiles(bool f) {
  (f ? ui_->LoadNewFiles : ui_->AddFiles)->setChecked(true);
}

bool SelectDataFiles::keepConditions() const { return ui_->KeepConditions->isChecked(); }
void SelectDataFiles::setKeepConditions(bool f) { ui_->KeepConditions->setChecked(f); }
bool SelectDataFiles::loadMultiTimes() const { return ui_->LoadMultiTimes->isChecked(); }

void SelectDataFiles::setLoadMultiTimes(bool f, int count) {
  ui_->LoadMultiTimes->setChecked(f);
  ui_->MultiTimes->setText(QString::number(count));
}

QString SelectDataFiles::extention() const { return ui_->Extention->text(); }

void SelectDataFiles::setSelectButtonText(const QString& text) { ui_->Select->setText(text); }

void SelectDataFiles::setNewOnlyMode(bool f) {
  newOnly_ = f;
  for (QWidget* w :
       {static_cast<QWidget*>(ui_->LoadNewFiles), static_cast<QWidget*>(ui_->AddFiles),
        static_cast<QWidget*>(ui_->KeepConditions), static_cast<QWidget*>(ui_->LoadMultiTimes),
        static_cast<QWidget*>(ui_->MultiTimes), static_cast<QWidget*>(ui_->SepLine)})
    w->setVisible(!f);
  if (f) ui_->LoadNewFiles->setChecked(true);
}

void SelectDataFiles::selectionStep(const QStringList& files) {
  const bool newFile = ui_->LoadNewFiles->isChecked();
  if (newFile) clearFiles();
  if (!ui_->LoadMultiTimes->isChecked() || files.isEmpty()) {
    emit filesSelected(files, newFile);
    return;
  }
  const int n = multiTimes();
  if (n > kMaxMultiTimes) {
    qDebug() << "Multi. count" << n << "is more than a series can hold; nothing selected";
    return;
  }
  QStringList repeated;
  if (n > 0) {
    repeated.reserve(n);
    for (int i = 0; i < n; ++i) repeated << files.first();
  }
  emit filesSelected(repeated, newFile);
}

void SelectDataFiles::setDirAndPatterns(const QString& dir, const QStringList& patterns,
                                        bool pointDialog) {
  if (pointDialog) dialog_->setDirectory(dir);
  if (ui_->LoadNewFiles->isChecked()) clearFiles();
  QDir d(dir);
  const auto filter = QDir::Files | QDir::NoDotAndDotDot;
  const auto order = QDir::Name | QDir::IgnoreCase;
  // "NAME::/dataset" addresses a dataset in each HDF5 file matching NAME.
  QStringList plain;
  QList<std::pair<QString, QString>> addressed;
  for (const QString& p : patterns) {
    const int at = p.indexOf(QStringLiteral("::/"));
    if (at > 0)
      addressed.append({p.left(at), p.mid(at)});
    else
      plain << p;
  }
  QStringList paths;
  if (!plain.isEmpty() || addressed.isEmpty())
    for (const QString& n : d.entryList(plain, filter, order)) paths << d.absoluteFilePath(n);
  for (const auto& [name, dataset] : addressed)
    for (const QString& n : d.entryList({name}, filter, order))
      paths << d.absoluteFilePath(n) + dataset;
  selectionStep(paths);
}

void SelectDataFiles::setFileInfos(const QFileInfoList& infos) {
  QStringList paths;
  paths.reserve(infos.size());
  for (const QFileInfo& fi : infos) paths << fi.filePath();
  selectionStep(paths);
}

void SelectDataFiles::selectFile(const QString& path) { selectionStep(QStringList{path}); }
