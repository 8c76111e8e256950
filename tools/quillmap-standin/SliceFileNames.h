#pragma once

// What the stand-in reads from the names of announced slice files, and how it
// takes the paths out of a message line.
//
// Saved slices are named "name-tag-00012.dat" (or "tag-00012.dat" without a
// name) and live either in the data folder itself, in one folder per energy
// named after the tag ("dir/E7100/"), or in one folder per slice
// ("dir/00012/").

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The slice number of a file: the digits after the last '-' of its base name,
// else the name of its folder when that is all digits; -1 when neither.
int sliceNumberOf(const QString& path);

// The energy folder a file lives in: its folder's name when that is the tag
// of the file's name ("dir/E7100/s-E7100-00012.dat" gives "E7100"); empty
// otherwise (the data folder itself, a slice folder).
QString energyFolderOf(const QString& path);

// One item of a message line: the characters [begin, end).
struct LineItem {
  qsizetype begin = 0, end = 0;
};
// The runs of non-blank characters (blank or tab separated) of line.
QList<LineItem> lineItems(const QString& line);

// The file paths given by items [from, end) of line. Paths travel unquoted,
// so a path with blanks arrives as several items: where an item is not an
// existing file, the longest run of it and up to kMaxBlanksInPath following
// items that names an existing file (isFile) is taken as one path, with the
// blanks as they were in the line. An item that starts no existing file is
// returned as it is (the caller reports it missing).
constexpr int kMaxBlanksInPath = 16;
QStringList announcedPaths(const QString& line, const QList<LineItem>& items, qsizetype from,
                           const std::function<bool(const QString&)>& isFile);
