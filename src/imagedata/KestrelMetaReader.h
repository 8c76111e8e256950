#pragma once

#include <QDir>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <optional>

// One usable line of a facility A (Kestrel) meta file: a scan with its
// projection file (a multi-frame .his) and the I0 file of its energy.
struct KestrelMetaItem {
  qint32 number = 0;  // scan number
  QString energy;     // in keV, as written in the file
  QString thirdItem;  // carried along, not interpreted
  QString hisPath;    // full path of the projection file
  QString i0Path;     // full path of the I0 file

  // The energy in eV.
  double energyEV() const { return energy.toDouble() * 1000.0; }
  // "<energy>KeV" with '_' for '.', fit for a folder name.
  QString energyText() const;
};
Q_DECLARE_METATYPE(KestrelMetaItem)

// Reads a facility A meta file: one line per scan, "<scan number> <energy in
// keV> <third item> ...". Lines starting with 'F' are headers. Scan s of the
// meta file <base>.<ext> is stored as <base>_<s>.his with I0 <base>_<s>_I0.his,
// s zero-padded to as many digits as the count of scans needs; the files are
// looked for beside the meta file and then in the data folder.
class KestrelMetaReader {
 public:
  // Reads metaFile with dataDir as the second place to look for the files.
  // When the file cannot be opened, logs "Can't open Kestrel Meta File" with
  // its name, returns false and keeps everything read before.
  bool read(const QString& metaFile, const QString& dataDir);

  // ceil(log10(n)) for n >= 1, 0 otherwise (so 1 -> 0, 10 -> 1, 11 -> 2).
  static int digitCount(qsizetype n);
  // "<base>_<number>.his" and "<base>_<number>_I0.his", number zero-padded
  // to digits (never cut).
  static QString hisName(const QString& base, int digits, qint32 number);
  static QString i0Name(const QString& base, int digits, qint32 number);
  // A scan-number item read as a double and truncated; nothing when it is not
  // finite or does not fit an int32. Text that is not a number reads as 0.
  static std::optional<qint32> scanNumber(const QString& item);

  const QDir& dataDir() const { return dataDir_; }
  const QString& dataDirText() const { return dataDirText_; }
  const QDir& metaDir() const { return metaDir_; }
  const QString& metaDirPath() const { return metaDirPath_; }
  const QString& baseName() const { return baseName_; }
  const QList<KestrelMetaItem>& items() const { return items_; }

  // "1 : <projection file> (<energy>eV), <I0 file>", ... naming the files the
  // items really use.
  QStringList entries() const;

 private:
  QDir dataDir_;
  QString dataDirText_;
  QDir metaDir_;
  QString metaDirPath_;
  QString baseName_;
  QList<KestrelMetaItem> items_;
};
