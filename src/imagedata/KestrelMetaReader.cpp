#include "imagedata/KestrelMetaReader.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "base/ItemLine.h"
#include "base/NamedLog.h"
#include "imagedata/DataSetScan.h"

QString KestrelMetaItem::energyText() const {
  return QStringLiteral("%1KeV").arg(energy).replace(QLatin1Char('.'), QLatin1Char('_'));
}

int KestrelMetaReader::digitCount(qsizetype n) {
  int digits = 0;
  for (qint64 power = 1; power < n && digits < 18; power *= 10) ++digits;
  return digits;
}

QString KestrelMetaReader::hisName(const QString& base, int digits, qint32 number) {
  return base + QString::asprintf("_%0*d.his", digits, number);
}

QString KestrelMetaReader::i0Name(const QString& base, int digits, qint32 number) {
  return base + QString::asprintf("_%0*d_I0.his", digits, number);
}

std::optional<qint32> KestrelMetaReader::scanNumber(const QString& item) {
  const double v = item.toDouble();
  // Converting a double outside the int32 range (or NaN) is undefined, so
  // such a line names no scan. The bounds are exact in double.
  if (!(v > -2147483649.0 && v < 2147483648.0)) return std::nullopt;
  return static_cast<qint32>(v);
}

namespace {

struct MetaLine {
  std::optional<qint32> number;
  QString energy;
  QString thirdItem;
};

// Full path of name in the first of the folders that holds it, "" otherwise.
QString findIn(const QString& name, const QDir& first, const QDir* second) {
  const QString p1 = first.absoluteFilePath(name);
  if (QFileInfo::exists(p1)) return p1;
  if (second) {
    const QString p2 = second->absoluteFilePath(name);
    if (QFileInfo::exists(p2)) return p2;
  }
  return {};
}

}  // namespace

bool KestrelMetaReader::read(const QString& metaFile, const QString& dataDir) {
  QFile file(metaFile);
  // No name at all is not tried: QFile would add a warning of its own.
  if (metaFile.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    logNamed("Can't open Kestrel Meta File", metaFile);
    return false;
  }

  // The file names depend on the number of data lines, so all lines are read
  // before any name is built.
  QList<MetaLine> lines;
  QTextStream in(&file);
  QString raw;
  while (in.readLineInto(&raw)) {
    const QString line = raw.simplified();
    if (line.isEmpty() || line.startsWith(QLatin1Char('F'))) continue;
    MetaLine ml;
    QString item;
    QString rest = takeItem(line, item);
    ml.number = scanNumber(item);
    rest = takeItem(rest, ml.energy);
    takeItem(rest, ml.thirdItem);
    lines << ml;
  }

  const QFileInfo metaInfo(metaFile);
  dataDirText_ = dataDir;
  dataDir_ = QDir(dataDir);
  metaDirPath_ = metaInfo.absolutePath();
  metaDir_ = QDir(metaDirPath_);
  baseName_ = metaInfo.baseName();
  items_.clear();

  // An empty data folder is no folder at all: QDir("") would be the working
  // directory.
  const QDir* second = dataDir.isEmpty() ? nullptr : &dataDir_;
  const int digits = digitCount(lines.size());
  QString lastI0;
  for (const MetaLine& ml : lines) {
    if (!ml.number) continue;
    const QString his = findIn(hisName(baseName_, digits, *ml.number), metaDir_, second);
    const QString i0 = findIn(i0Name(baseName_, digits, *ml.number), metaDir_, second);
    if (!i0.isEmpty()) lastI0 = i0;
    if (his.isEmpty() || lastI0.isEmpty()) continue;
    items_ << KestrelMetaItem{*ml.number, ml.energy, ml.thirdItem, his, lastI0};
  }
  return true;
}

QStringList KestrelMetaReader::entries() const {
  QStringList entries;
  entries.reserve(items_.size());
  for (qsizetype i = 0; i < items_.size(); ++i) {
    const KestrelMetaItem& item = items_.at(i);
    entries << QStringLiteral("%1 : %2 (%3eV), %4")
                   .arg(QString::number(i + 1), QFileInfo(item.hisPath).fileName(),
                        shortestNumber(item.energyEV()), QFileInfo(item.i0Path).fileName());
  }
  return entries;
}
