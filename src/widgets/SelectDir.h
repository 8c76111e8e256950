#pragma once

#include <QFrame>
#include <memory>

namespace Ui {
class SelectDir;
}

// A one-line directory chooser.
class SelectDir : public QFrame {
  Q_OBJECT
 public:
  explicit SelectDir(QWidget* parent = nullptr);
  ~SelectDir() override;

  QString dirName() const;
  // Takes dir as if it had been chosen in the dialog: shows it and emits
  // aDirSelected(dir).
  void selectDir(const QString& dir);

 signals:
  void aDirSelected(QString dir);

 public slots:
  // Shows a directory without announcing it.
  void setDirName(QString dir);

 private:
  void openDialog();
  std::unique_ptr<Ui::SelectDir> ui_;
};
