#pragma once

#include <QFileDialog>
#include <QFrame>
#include <QPointer>
#include <memory>

namespace Ui {
class SelectAFile;
}

// A one-line file chooser: the chosen file's directory, base name and an extra
// tag, which the result saving uses to name its files, with a status colour on
// the path. In saving mode the row chooses a folder for results: its dialog is a
// folder dialog in which new folders can be made (a name typed there that does
// not exist yet is created), the folder, name and tag fields are labelled, and
// the directory put into the path is created.
class SelectAFile : public QFrame {
  Q_OBJECT
 public:
  enum class Mode { Open, Save };

  explicit SelectAFile(QWidget* parent = nullptr);
  ~SelectAFile() override;

  void setMode(Mode m);
  Mode mode() const { return mode_; }
  // Takes fname as if it had been chosen in the dialog: shows it and emits
  // fileSelected(fname). Batch commands and setup files use this.
  void selectFile(const QString& fname);
  // Shows a directory in the path field (created in saving mode).
  void setPath(const QString& dir);
  // The dialog of the Select button once it has been opened, else null.
  QFileDialog* dialog() const { return dialog_.data(); }

  // The whole name of the file last chosen or selected, "" after clearing.
  QString fileName() const { return fileName_; }
  QString path() const;
  QString name() const;
  QString tag() const;
  void setName(const QString& name);
  void setTag(const QString& tag);

 signals:
  void fileSelected(QString fname);
  void clear();

 public slots:
  void setStat(bool f);
  void fileSelected0();
  void clear0();

 private:
  void openDialog();
  void pathEdited();

  std::unique_ptr<Ui::SelectAFile> ui_;
  QPointer<QFileDialog> dialog_;
  Mode mode_ = Mode::Open;
  QString fileName_;
};
