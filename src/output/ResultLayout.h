#pragma once

// Where saved results go and what they are called: the slice number text,
// the file name and the energy and slice sub-folders. The saver writes by
// these rules; the peer link, the job-array forecast and the tools that look
// for results find them by the same rules.

#include <QString>
#include <QStringList>

// The slice number as result names carry it: five digits, zero-padded
// ("00012"); longer numbers in full.
QString sliceNumberText(int slice);

// "name-tag-no.ext", or "tag-no.ext" for an empty name.
QString resultFileName(const QString& name, const QString& tag, const QString& no,
                       const QString& ext);

// The wildcard that matches every result file of slice number text no with
// the extension ext, whatever its name and tag: "*-00012.dat".
QString resultFilePattern(const QString& no, const QString& ext);

// The saver's three sub-folder switches and the folders they give.
struct ResultLayout {
  bool subFolders = false;  // write into sub-folders of the path
  bool ofEnergy = false;    // a sub-folder per tag
  bool ofSlice = false;     // a sub-folder per slice number

  // The energy folder of tag and the slice folder of slice number text no
  // under path, joined with the platform's separator.
  static QString energyFolder(const QString& path, const QString& tag);
  static QString sliceFolder(const QString& path, const QString& no);

  // The folders a record with this path, tag and slice number text is
  // written to, in writing order: path itself without sub-folders; else the
  // energy folder when ofEnergy, and the slice folder unless ofEnergy is on
  // and ofSlice off.
  QStringList folders(const QString& path, const QString& tag, const QString& no) const;
};
