#pragma once

#include <QFileInfoList>
#include <QStringList>

#include "widgets/SelectDir.h"

// The chooser of the data-set directory of an energy-scanned series: a
// directory selector that announces the folder with the file patterns of its
// projection files, or the list of files of one data set.
class SelectDataDir : public SelectDir {
  Q_OBJECT

 public:
  explicit SelectDataDir(QWidget* parent = nullptr);

 signals:
  void selectedDir(QString dir, QStringList patterns);
  void selectedFileInfoList(QFileInfoList fileInfoList);
};
