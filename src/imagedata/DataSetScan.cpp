#include "imagedata/DataSetScan.h"

#include <QDebug>
#include <QDir>
#include <QLocale>

#include "base/ItemLine.h"

qsizetype lastDigitIndex(const QString& text) {
  for (qsizetype i = text.size() - 1; i >= 0; --i) {
    const QChar c = text.at(i);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return i;
  }
  return -1;
}

double leadingNumber(const QString& text) {
  QString number = text.left(lastDigitIndex(text) + 1);
  number.replace(QLatin1Char('_'), QLatin1Char('.'));
  return number.toDouble();
}

QString shortestNumber(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

QStringList subDirNames(const QString& dir) {
  if (dir.isEmpty()) return {};
  return QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList subDirEntries(const QStringList& names) {
  QStringList entries;
  entries.reserve(names.size());
  for (qsizetype i = 0; i < names.size(); ++i)
    entries << QStringLiteral("%1 : %2").arg(i + 1).arg(names.at(i));
  return entries;
}

QString dataSetDirPath(const QString& root, const QString& name) {
  return QDir(root).filePath(name);
}

std::vector<CtFileSet> scanFileSets(const QString& dir, const QString& pattern) {
  std::vector<CtFileSet> sets;
  if (dir.isEmpty()) return sets;
  const QFileInfoList files =
      QDir(dir).entryInfoList(QStringList{pattern}, QDir::Files, QDir::Name);
  if (files.isEmpty()) return sets;
  sets.emplace_back(files.first());
  for (qsizetype i = 1; i < files.size(); ++i) {
    const QFileInfo& file = files.at(i);
    qDebug() << "reading" << sets.size() << file.filePath();
    if (!sets.back().add(file)) sets.emplace_back(file);
  }
  return sets;
}

QStringList fileSetEntries(const std::vector<CtFileSet>& sets) {
  QStringList entries;
  entries.reserve(static_cast<qsizetype>(sets.size()));
  for (size_t i = 0; i < sets.size(); ++i) {
    const CtFileSet& set = sets[i];
    const bool repeated = i > 0 && sets[i - 1].sample() == set.sample();
    const QString sample = repeated
                               ? spaces(static_cast<int>(qMin<qsizetype>(set.sample().size(), 101)))
                               : set.sample();
    // One multi-argument arg(): a '%' in a file name must not be taken for a
    // place marker of a later argument.
    entries << QStringLiteral("%1 : %2 (%3[%4], %5)")
                   .arg(QString::number(i + 1), sample, shortestNumber(set.energyValue()),
                        set.unit(), QString::number(set.files().size()));
  }
  return entries;
}
