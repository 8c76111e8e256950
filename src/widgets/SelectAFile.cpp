#include "widgets/SelectAFile.h"

#include <QBoxLayout>
#include <QDebug>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "base/ConfigStore.h"
#include "ui_SelectAFile.h"

namespace {
const char* kUsable = "background-color: rgb(211, 255, 241);";
const char* kNotUsable = "background-color: rgb(255, 192, 192);";
const char* kNeutral = "background-color: rgb(255, 255, 233);";

// A folder dialog that takes a folder name typed into it that does not exist
// yet and makes that folder (its own "New Folder" button makes one as well),
// where the plain dialog would disable its accept button for such a name or
// refuse it with a message box. A folder that cannot be made keeps the dialog
// open and is reported on the log.
class FolderDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  void setVisible(bool visible) override {
    QFileDialog::setVisible(visible);
    if (!visible || hooked_) return;
    // The dialog's own widgets exist once it is shown (not for a native dialog).
    auto* edit = findChild<QLineEdit*>("fileNameEdit");
    auto* box = findChild<QDialogButtonBox*>("buttonBox");
    if (!edit || !box) return;
    hooked_ = true;
    // Runs after the dialog's own check of the typed name, which disables the
    // button for a folder that is not there.
    connect(edit, &QLineEdit::textChanged, this, [box](const QString& text) {
      if (QPushButton* ok = box->button(QDialogButtonBox::Open); ok && !text.trimmed().isEmpty())
        ok->setEnabled(true);
    });
  }

  void accept() override {
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty() && !chosen.first().isEmpty() && !QFileInfo::exists(chosen.first()) &&
        !QDir().mkpath(chosen.first())) {
      qWarning().noquote() << "Can not create directory" << ("\"" + chosen.first() + "\"");
      return;
    }
    QFileDialog::accept();
  }

 private:
  bool hooked_ = false;
};
}  // namespace

SelectAFile::SelectAFile(QWidget* parent) : QFrame(parent), ui_(new Ui::SelectAFile) {
  ui_->setupUi(this);
  connect(ui_->Select, &QPushButton::clicked, this, &SelectAFile::openDialog);
  connect(ui_->Clear, &QPushButton::clicked, this, &SelectAFile::clear0);
  connect(ui_->FilePath, &QLineEdit::editingFinished, this, &SelectAFile::pathEdited);
  // A folder path is longer than a name, and a name longer than a tag.
  if (auto* row = qobject_cast<QBoxLayout*>(layout())) {
    row->setStretchFactor(ui_->FilePath, 5);
    row->setStretchFactor(ui_->Name, 3);
    row->setStretchFactor(ui_->AddTag, 2);
  }
  setMode(mode_);
}

SelectAFile::~SelectAFile() { delete dialog_.data(); }

void SelectAFile::setMode(Mode m) {
  mode_ = m;
  // The labels name the three parts of a result file name.
  for (QWidget* label : {ui_->PathLbl, ui_->NameLbl, ui_->TagLbl})
    label->setVisible(m == Mode::Save);
  // The two modes use different kinds of dialog: the next Select makes the right one.
  delete dialog_.data();
}

void SelectAFile::openDialog() {
  if (!dialog_) {
    if (mode_ == Mode::Open) {
      // Created on first use; it starts in the program's data folder.
      dialog_ = new QFileDialog(this);
      dialog_->setAcceptMode(QFileDialog::AcceptOpen);
      dialog_->setFileMode(QFileDialog::ExistingFile);
      dialog_->setNameFilters({"Img file (*.img *.his)", "Tiff file (*.tif *.tiff)",
                               "HDF5 file (*.h5 *.hdf5 *.hdf *.nxs)", "Any file (* *.*)"});
      dialog_->setDirectory(ConfigStore::instance().dataRoot());
    } else {
      dialog_ = new FolderDialog(this, tr("Folder for the results"));
      dialog_->setFileMode(QFileDialog::Directory);
      dialog_->setOption(QFileDialog::ShowDirsOnly);
      // Typed new folders are made by this program's dialog, not by a native one.
      if (ConfigStore::instance().value("native_dialog", "0").trimmed() != "1")
        dialog_->setOption(QFileDialog::DontUseNativeDialog);
    }
    connect(dialog_, &QFileDialog::accepted, this, &SelectAFile::fileSelected0);
  }
  if (mode_ == Mode::Save) {
    // Opens at the folder in the path field, or where it would be made.
    const QString dir = ui_->FilePath->text().trimmed();
    dialog_->setDirectory(QFileInfo::exists(dir) ? dir : ConfigStore::instance().dataRoot());
  }
  dialog_->open();
}

void SelectAFile::fileSelected0() {
  if (!dialog_) return;
  const QStringList files = dialog_->selectedFiles();
  if (files.isEmpty()) return;
  if (mode_ == Mode::Save) {
    // A folder: it becomes the path; name and tag stay as typed.
    const QString dir = QDir::cleanPath(files.first());
    fileName_ = dir;
    setPath(dir);
    emit fileSelected(dir);
    return;
  }
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

void SelectAFile::setStat(bool f) { ui_->FilePath->setStyleSheet(f ? kUsable : kNotUsable); }

void SelectAFile::clear0() {
  ui_->FilePath->clear();
  ui_->Name->clear();
  fileName_.clear();
  ui_->FilePath->setStyleSheet(kNeutral);
  emit clear();
}
