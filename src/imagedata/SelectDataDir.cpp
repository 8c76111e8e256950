#include "imagedata/SelectDataDir.h"

#include <QFileDialog>
#include <QPushButton>
#include <QRegularExpression>

#include "base/ConfigStore.h"
#include "imagedata/DataSetScan.h"
#include "ui_SelectDataDir.h"

SelectDataDir::SelectDataDir(QWidget* parent)
    : QFrame(parent), ui_(std::make_unique<Ui::SelectDataDir>()) {
  qRegisterMetaType<KestrelMetaItem>("KestrelMetaItem");
  ui_->setupUi(this);
  if (auto* select = ui_->SelDir->findChild<QPushButton*>(QStringLiteral("Select"))) {
    select->setText(tr("Sel. Data Dir."));
    select->setMaximumWidth(QWIDGETSIZE_MAX);
  }

  metaDialog_ = new QFileDialog(this);
  metaDialog_->setFileMode(QFileDialog::ExistingFile);
  metaDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  metaDialog_->setDirectory(ConfigStore::instance().dataRoot());
  metaDialog_->setNameFilter(tr("Meta File (* *.*)"));

  connect(ui_->SelDir, &SelectDir::aDirSelected, this, &SelectDataDir::aDirSelected);
  connect(ui_->Set, &QPushButton::clicked, this, &SelectDataDir::set);
  connect(ui_->Next, &QPushButton::clicked, this, &SelectDataDir::next);
  connect(ui_->SelKestrelMetaFile, &QPushButton::clicked, metaDialog_, &QFileDialog::show);
  connect(metaDialog_, &QFileDialog::fileSelected, this, &SelectDataDir::kestrelMetaFileSelected);
  // A change of layout unchecks one button and checks another: rescan once.
  for (QRadioButton* b : {ui_->isEngDirs_, ui_->isHeronStd_, ui_->isKestrelStd_})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) changedDataSetType();
    });

  showSelKestrelMetaFileFrame(ui_->isKestrelStd_->isChecked());
}

SelectDataDir::~SelectDataDir() = default;

void SelectDataDir::setDataDir(const QString& dir) { ui_->SelDir->selectDir(dir); }
QString SelectDataDir::dataDir() const { return ui_->SelDir->dirName(); }
void SelectDataDir::setPattern(const QString& pattern) { ui_->Pattern->setText(pattern); }
QString SelectDataDir::pattern() const { return ui_->Pattern->text(); }
QString SelectDataDir::kestrelMetaFile() const { return ui_->KestrelMetaFile->text(); }

bool SelectDataDir::isEngDirs() const { return ui_->isEngDirs_->isChecked(); }
bool SelectDataDir::isHeronStd() const { return ui_->isHeronStd_->isChecked(); }
bool SelectDataDir::isKestrelStd() const { return ui_->isKestrelStd_->isChecked(); }

int SelectDataDir::currentIndex() const { return ui_->SubDirs->currentIndex(); }
int SelectDataDir::count() const { return ui_->SubDirs->count(); }

QStringList SelectDataDir::entries() const {
  QStringList list;
  for (int i = 0; i < ui_->SubDirs->count(); ++i) list << ui_->SubDirs->itemText(i);
  return list;
}

SelectDataDir::Layout SelectDataDir::checkedLayout() const {
  if (isEngDirs()) return Layout::EngDirs;
  if (isHeronStd()) return Layout::Heron;
  if (isKestrelStd()) return Layout::Kestrel;
  return Layout::None;
}

QStringList SelectDataDir::entriesOf(Layout layout) const {
  switch (layout) {
    case Layout::EngDirs:
      return subDirEntries(subDirs_);
    case Layout::Heron:
      return fileSetEntries(sets_);
    case Layout::Kestrel:
      return kestrel_.entries();
    case Layout::None:
      break;
  }
  return {};
}

void SelectDataDir::showEntries(Layout layout, const QStringList& entries) {
  if (layout != checkedLayout()) return;
  ui_->SubDirs->clear();
  ui_->SubDirs->addItems(entries);
  if (!entries.isEmpty()) ui_->SubDirs->setCurrentIndex(0);
  shown_ = layout;
}

void SelectDataDir::keepEntries(Layout layout) {
  if (shown_ != layout) showEntries(layout, entriesOf(layout));
}

void SelectDataDir::showSelKestrelMetaFileFrame(bool f) {
  ui_->SelKestrelMetaFileFrame->setVisible(f);
}

void SelectDataDir::changedDataSetType() {
  showSelKestrelMetaFileFrame(isKestrelStd());
  aDirSelected(dataDir());
}

void SelectDataDir::aDirSelected(QString dir) {
  switch (checkedLayout()) {
    case Layout::EngDirs:
      setSubDirs(dir);
      break;
    case Layout::Heron:
      setFileSets(dir);
      break;
    case Layout::Kestrel:
      setKestrelMeta();
      break;
    case Layout::None:
      break;
  }
  emit newSets(count());
}

void SelectDataDir::setSubDirs(QString dir) {
  subDirsRoot_ = dir;
  subDirs_ = subDirNames(dir);
  showEntries(Layout::EngDirs, subDirEntries(subDirs_));
}

void SelectDataDir::setFileSets(QString dir) {
  std::vector<CtFileSet> sets = scanFileSets(dir, pattern());
  if (sets.empty()) {
    keepEntries(Layout::Heron);
    return;
  }
  sets_ = std::move(sets);
  showEntries(Layout::Heron, fileSetEntries(sets_));
}

void SelectDataDir::setKestrelMeta() {
  // Read into a fresh reader so that a file that cannot be opened, or that
  // names no usable scan, leaves the previous items in place.
  KestrelMetaReader reader;
  if (!reader.read(kestrelMetaFile(), dataDir()) || reader.items().isEmpty()) {
    keepEntries(Layout::Kestrel);
    return;
  }
  kestrel_ = std::move(reader);
  showEntries(Layout::Kestrel, kestrel_.entries());
}

void SelectDataDir::kestrelMetaFileSelected(QString filePath) {
  ui_->KestrelMetaFile->setText(filePath);
  setKestrelMeta();
  emit newSets(count());
}

void SelectDataDir::setIsEngDirs(bool f) { ui_->isEngDirs_->setChecked(f); }
void SelectDataDir::setIsHeronStd(bool f) { ui_->isHeronStd_->setChecked(f); }
void SelectDataDir::setIsKestrelStd(bool f) { ui_->isKestrelStd_->setChecked(f); }

void SelectDataDir::set() {
  const int i = currentIndex();
  switch (checkedLayout()) {
    case Layout::EngDirs:
      if (ui_->SubDirs->currentText().isEmpty() || i < 0 || i >= subDirs_.size()) break;
      emit selected(
          dataSetDirPath(subDirsRoot_, subDirs_.at(i)),
          pattern().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts));
      return;
    case Layout::Heron:
      if (i < 0 || i >= static_cast<int>(sets_.size())) break;
      emit selectedFileInfoList(sets_[static_cast<size_t>(i)].files());
      return;
    case Layout::Kestrel:
      if (i < 0 || i >= kestrel_.items().size()) break;
      emit selectedHis(kestrel_.items().at(i));
      return;
    case Layout::None:
      break;
  }
  emit noMoreSets();
}

bool SelectDataDir::next() {
  const int i = currentIndex();
  if (i >= count() - 1) return false;
  ui_->SubDirs->setCurrentIndex(i + 1);
  return true;
}

void SelectDataDir::setFirstSet(int firstIdx) {
  ui_->SubDirs->setCurrentIndex(firstIdx >= 0 && firstIdx < count() ? firstIdx : -1);
  set();
}

void SelectDataDir::setNextSet(int lastIdx) {
  const int i = currentIndex();
  if (i >= lastIdx || i >= count() - 1) {
    emit noMoreSets();
    return;
  }
  ui_->SubDirs->setCurrentIndex(i + 1);
  set();
}

double SelectDataDir::energyEV() const {
  const int i = currentIndex();
  if (i < 0) return 0.0;
  switch (checkedLayout()) {
    case Layout::EngDirs:
      return i < subDirs_.size() ? leadingNumber(subDirs_.at(i)) : 0.0;
    case Layout::Heron:
      return i < static_cast<int>(sets_.size()) ? sets_[static_cast<size_t>(i)].energyEV() : 0.0;
    case Layout::Kestrel:
      return i < kestrel_.items().size() ? kestrel_.items().at(i).energyEV() : 0.0;
    case Layout::None:
      break;
  }
  return 0.0;
}

QString SelectDataDir::energyText() const {
  const int i = currentIndex();
  if (i < 0) return {};
  switch (checkedLayout()) {
    case Layout::EngDirs:
      return i < subDirs_.size() ? subDirs_.at(i) : QString();
    case Layout::Heron:
      return i < static_cast<int>(sets_.size()) ? sets_[static_cast<size_t>(i)].energyField()
                                                : QString();
    case Layout::Kestrel:
      return i < kestrel_.items().size() ? kestrel_.items().at(i).energyText() : QString();
    case Layout::None:
      break;
  }
  return {};
}
