#pragma once

#include <QFrame>

class QCheckBox;
class QLabel;
class QLineEdit;
class SelectAFile;

// Settings of the energy-scan I0 bookkeeping for one kind of image: a fixed I0
// value or an XAFS file to take it from, and where the energy stands in an
// image file name. Plain settings, read and written by the main window and by
// batch commands.
class I0ofImage : public QFrame {
  Q_OBJECT
 public:
  explicit I0ofImage(QWidget* parent = nullptr);

  void setTitle(const QString& t);
  QString title() const;

  QLineEdit* i0Val() const { return i0Val_; }
  QCheckBox* calcFromXafs() const { return calcFromXafs_; }
  SelectAFile* xafsFile() const { return xafsFile_; }
  QLineEdit* engPattern() const { return engPattern_; }

 private:
  QLabel* title_;
  QLineEdit* i0Val_;
  QCheckBox* calcFromXafs_;
  SelectAFile* xafsFile_;
  QLabel* label_;
  QLineEdit* engPattern_;
};
