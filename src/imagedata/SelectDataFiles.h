#pragma once

#include <QFileInfoList>
#include <QFrame>
#include <QStringList>
#include <memory>

class QFileDialog;

namespace Ui {
class SelectDataFiles;
}

// The panel with which the operator (or a batch file, or the data-set
// selector) chooses the files of a projection series. It announces file lists
// through filesSelected(); the main window loads them and reports each loaded
// file back with addFile(), so the Selected list shows what was loaded.
class SelectDataFiles : public QFrame {
  Q_OBJECT

 public:
  // Largest repeat count accepted for "Multi."; a typing slip such as
  // 1000000000 would otherwise build a list of a billion paths.
  static constexpr int kMaxMultiTimes = 100000;

  explicit SelectDataFiles(QWidget* parent = nullptr);
  ~SelectDataFiles() override;

  void addFile(const QString& text);
  // Points the dialog at dir (unless pointDialog is false) and selects the
  // files of dir whose names match patterns.
  void setDirAndPatterns(const QString& dir, const QStringList& patterns, bool pointDialog = true);
  void setFileInfos(const QFileInfoList& infos);
  void selectFile(const QString& path);
  void setNewOnlyMode(bool f);
  bool newOnlyMode() const { return newOnly_; }
  int multiTimes() const;
  int count() const;
  int currentIndex() const;
  QString entry(int i) const;
  QStringList entries() const;

  bool loadNewFiles() const;
  void setLoadNewFiles(bool f);  // true checks "New", false checks "Add"
  bool keepConditions() const;
  void setKeepConditions(bool f);
  bool loadMultiTimes() const;
  void setLoadMultiTimes(bool f, int count);
  QString extention() const;
  void setSelectButtonText(const QString& text);
  QFileDialog* dialog() const { return dialog_; }

 signals:
  void currentIndexChanged(int idx);
  void filesSelected(QStringList files, bool newFile);
  void filesCleared();

 public slots:
  void clearFiles();
  void prev();
  void next();
  void select(int idx);
  void setExpTime(double time);
  double expTime() const;

 private:
  void selectionStep(const QStringList& files);

  std::unique_ptr<Ui::SelectDataFiles> ui_;
  QFileDialog* dialog_ = nullptr;
  bool newOnly_ = false;
};
