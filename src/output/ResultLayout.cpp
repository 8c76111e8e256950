#include "output/ResultLayout.h"

#include <QDir>

QString sliceNumberText(int slice) { return QString::asprintf("%05d", slice); }

QString resultFileName(const QString& name, const QString& tag, const QString& no,
                       const QString& ext) {
  if (!name.isEmpty()) return QStringLiteral("%1-%2-%3.%4").arg(name, tag, no, ext);
  return QStringLiteral("%1-%2.%4").arg(tag, no, ext);
}

QString resultFilePattern(const QString& no, const QString& ext) {
  return QStringLiteral("*-%1.%2").arg(no, ext);
}

QString ResultLayout::energyFolder(const QString& path, const QString& tag) {
  return path + QDir::separator() + tag;
}

QString ResultLayout::sliceFolder(const QString& path, const QString& no) {
  return path + QDir::separator() + no;
}

QStringList ResultLayout::folders(const QString& path, const QString& tag,
                                  const QString& no) const {
  if (!subFolders) return {path};
  QStringList out;
  if (ofEnergy) out << energyFolder(path, tag);
  if (!(ofEnergy && !ofSlice)) out << sliceFolder(path, no);
  return out;
}
