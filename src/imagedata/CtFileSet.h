#pragma once

#include <QFileInfo>
#include <QFileInfoList>
#include <QString>

// One data set of the facility B (Heron) layout: the files whose names share
// a key, the name up to its last '-'. The key itself reads
// <sample>-<energy field>, the energy field being a number (with '_' for the
// decimal point) followed by its unit, as in beadA-7112_5eV-0001.img.
class CtFileSet {
 public:
  explicit CtFileSet(const QFileInfo& firstFile);

  // The key a file name belongs to: the name up to its last '-' (the whole
  // name when it has none).
  static QString keyOf(const QString& fileName);

  // Appends file when its key is this set's key; returns whether it did.
  bool add(const QFileInfo& file);

  const QString& fileName() const { return fileName_; }
  const QString& key() const { return key_; }
  const QString& sample() const { return sample_; }
  const QString& energyField() const { return energyField_; }
  double energyValue() const { return energyValue_; }
  const QString& unit() const { return unit_; }
  double unitFactor() const { return unitFactor_; }
  // The energy in eV.
  double energyEV() const { return energyValue_ * unitFactor_; }
  const QFileInfoList& files() const { return files_; }

 private:
  QString fileName_;
  QString key_;
  QString sample_;
  QString energyField_;
  double energyValue_ = 0.0;
  QString unit_;
  double unitFactor_ = 1.0;
  QFileInfoList files_;
};
