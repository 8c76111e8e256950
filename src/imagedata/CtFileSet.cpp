#include "imagedata/CtFileSet.h"

#include "imagedata/DataSetScan.h"

CtFileSet::CtFileSet(const QFileInfo& firstFile)
    : fileName_(firstFile.fileName()), key_(keyOf(fileName_)) {
  const qsizetype dash = key_.lastIndexOf(QLatin1Char('-'));
  sample_ = dash < 0 ? key_ : key_.left(dash);
  energyField_ = dash < 0 ? key_ : key_.mid(dash + 1);
  energyValue_ = leadingNumber(energyField_);
  unit_ = energyField_.mid(lastDigitIndex(energyField_) + 1);
  unitFactor_ = unit_.toUpper() == QLatin1String("KEV") ? 1000.0 : 1.0;
  files_ << firstFile;
}

QString CtFileSet::keyOf(const QString& fileName) {
  const qsizetype dash = fileName.lastIndexOf(QLatin1Char('-'));
  return dash < 0 ? fileName : fileName.left(dash);
}

bool CtFileSet::add(const QFileInfo& file) {
  if (keyOf(file.fileName()) != key_) return false;
  files_ << file;
  return true;
}
