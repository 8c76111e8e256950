#pragma once

// Writes result records (data files and pictures) to disk in the GUI thread:
// builds the energy / slice sub-folders and the file names, creates the
// folders and writes each file. Failures are logged with the reason and the
// full name, announced by saveFailed, and saving goes on with the next file.

#include <QObject>
#include <QString>

#include "output/SavingData.h"
#include "output/SavingImg.h"

class DataSaver : public QObject {
  Q_OBJECT

 public:
  explicit DataSaver(QObject* parent = nullptr);

  bool subFolders() const { return subFolders_; }
  bool ofEnergy() const { return ofEnergy_; }
  bool ofSlice() const { return ofSlice_; }

  // "%1-%2-%3.%4" (name, tag, no, ext) or "%1-%2.%4" (tag, no, ext) for an empty name.
  static QString fileName(const QString& name, const QString& tag, const QString& no,
                          const QString& ext);
  // The folders a record with this path, tag and slice number text is
  // written to under the present switches, in writing order.
  QStringList targetFolders(const QString& path, const QString& tag, const QString& no) const;

 public slots:
  void setSubFolders(bool on) { subFolders_ = on; }
  void setOfEnergy(bool on) { ofEnergy_ = on; }
  void setOfSlice(bool on) { ofSlice_ = on; }

  void saveDataWDiscard(SavingData* data);
  void saveData(SavingData* data);
  void saveImg(SavingImg* img);
  void saveImgWDiscard(SavingImg* img);

 signals:
  void saved(const QString& path);
  void saveFailed(const QString& path, const QString& reason);

 private:
  // Folders a record goes to, in writing order; creates them first.
  QStringList prepareFolders(const QString& path, const QString& tag, const QString& no);
  bool makeFolder(const QString& folder);
  // Writes the bytes as the whole file target; false (and reported) on failure.
  bool writeFile(const QString& target, const QByteArray& bytes);
  void fail(const QString& path, const QString& reason);

  bool subFolders_ = false;
  bool ofEnergy_ = false;
  bool ofSlice_ = false;
};
