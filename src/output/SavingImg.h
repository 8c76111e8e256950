#pragma once

// One picture to be written by the saver: the same naming fields as
// SavingData with the worker's 8-bit result picture instead of bytes, and
// optionally that picture already encoded as PNG with default quality.

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QString>

#include "output/ResultLayout.h"

class SavingImg {
 public:
  SavingImg(const QString& path, const QString& name, const QString& tag, int sliceNo)
      : path(path), name(name), tag(tag), no(sliceNumberText(sliceNo)) {}

  QString path;
  QString name;
  QString tag;
  QString no;  // slice number, five digits zero-padded (longer numbers in full)
  QImage image;
  QByteArray encoded;  // when not empty, the bytes of the .png file
};

Q_DECLARE_METATYPE(SavingImg*)
