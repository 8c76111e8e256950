#pragma once

#include <QFileInfoList>
#include <QFrame>
#include <QStringList>
#include <memory>
#include <vector>

#include "imagedata/CtFileSet.h"
#include "imagedata/KestrelMetaReader.h"

class QFileDialog;

namespace Ui {
class SelectDataDir;
}

// The panel that finds the data sets of an energy series (CT-XAFS) on disk,
// lists them in SubDirs and hands the chosen one on. Three layouts, chosen by
// radio button: one folder per energy, the facility B (Heron) file naming and
// the facility A (Kestrel) meta file. The list always shows the data sets of
// the checked layout; a rescan that finds nothing keeps that layout's previous
// list.
class SelectDataDir : public QFrame {
  Q_OBJECT

 public:
  explicit SelectDataDir(QWidget* parent = nullptr);
  ~SelectDataDir() override;

  // Shows dir in SelDir and rescans it as if it had been chosen there.
  void setDataDir(const QString& dir);
  QString dataDir() const;
  void setPattern(const QString& pattern);
  QString pattern() const;
  QString kestrelMetaFile() const;

  bool isEngDirs() const;
  bool isHeronStd() const;
  bool isKestrelStd() const;

  int currentIndex() const;
  int count() const;
  QStringList entries() const;

  // The current data set's energy in eV, 0 when there is none.
  double energyEV() const;
  // The current data set's energy as it names a folder ("7112_5eV",
  // "7_1KeV"), "" when there is none.
  QString energyText() const;

 signals:
  void newSets(int items);
  void selected(QString dir, QStringList patterns);
  void selectedHis(KestrelMetaItem kestrelMetaItem);
  void selectedFileInfoList(QFileInfoList fileInofs);
  void noMoreSets();

 public slots:
  void showSelKestrelMetaFileFrame(bool f);
  void changedDataSetType();
  void aDirSelected(QString dir);
  void setSubDirs(QString dir);
  void setFileSets(QString dir);
  void setKestrelMeta();
  void kestrelMetaFileSelected(QString filePath);
  void setIsEngDirs(bool f);
  void setIsHeronStd(bool f);
  void setIsKestrelStd(bool f);
  void set();
  // Moves one entry down unless at the last one; emits nothing. Returns
  // whether it moved.
  bool next();
  void setFirstSet(int firstIdx);
  void setNextSet(int lastIdx);

 private:
  enum class Layout { None, EngDirs, Heron, Kestrel };

  Layout checkedLayout() const;
  QStringList entriesOf(Layout layout) const;
  // Replaces the list with entries when layout is the checked one.
  void showEntries(Layout layout, const QStringList& entries);
  // After a rescan that found nothing: the list keeps layout's previous data
  // sets, but must not go on showing another layout's.
  void keepEntries(Layout layout);

  std::unique_ptr<Ui::SelectDataDir> ui_;
  QFileDialog* metaDialog_ = nullptr;

  QString subDirsRoot_;
  QStringList subDirs_;
  std::vector<CtFileSet> sets_;
  KestrelMetaReader kestrel_;
  Layout shown_ = Layout::None;
};
