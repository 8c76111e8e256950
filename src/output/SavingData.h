#pragma once

// One data file to be written by the saver: where (path), under which name
// (name, tag, slice number) and what (the complete file bytes). Created by a
// reconstruction worker, passed by pointer through a queued signal.

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include "output/ResultLayout.h"

class SavingData {
 public:
  SavingData(const QString& path, const QString& name, const QString& tag, int sliceNo)
      : path(path), name(name), tag(tag), no(sliceNumberText(sliceNo)) {}

  QString path;
  QString name;
  QString tag;
  QString no;  // slice number, five digits zero-padded (longer numbers in full)
  QByteArray data;
  QString ext = QStringLiteral("dat");  // file extension: "dat", or "tif" for a float TIFF
};

Q_DECLARE_METATYPE(SavingData*)
