#include "imagedata/SelectDataDir.h"

SelectDataDir::SelectDataDir(QWidget* parent) : SelectDir(parent) {
  // A chosen folder holds the projections of one data set.
  connect(this, &SelectDir::aDirSelected, this,
          [this](const QString& dir) { emit selectedDir(dir, QStringList{"*"}); });
}
