#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "imagedata/CtFileSet.h"

// Finding the data sets of an energy series on disk and the texts that list
// them: one sub-folder per energy, or the files of one folder grouped by the
// facility B naming (see CtFileSet). The facility A meta file has a reader of
// its own (KestrelMetaReader).

// Position of the last ASCII digit of text, -1 when it has none.
qsizetype lastDigitIndex(const QString& text);
// The number at the front of an energy text such as "7112_5eV": the text up
// to its last digit, '_' read as the decimal point; 0 when that does not
// parse.
double leadingNumber(const QString& text);
// A double in the shortest form that reads back to the same value.
QString shortestNumber(double v);

// Names of the sub-folders of dir, sorted by name. An empty dir has none (it
// does not stand for the working directory).
QStringList subDirNames(const QString& dir);
// "1 : <name>", "2 : <name>", ...
QStringList subDirEntries(const QStringList& names);
// The folder of one energy: root joined with the sub-folder name.
QString dataSetDirPath(const QString& root, const QString& name);

// The files of dir (files only) that match pattern, taken as one wildcard
// pattern, sorted by name, grouped into sets of adjacent files with equal
// keys. Empty when nothing matches.
std::vector<CtFileSet> scanFileSets(const QString& dir, const QString& pattern);
// "1 : <sample> (<energy>[<unit>], <files>)", ...; a sample equal to the one
// of the entry before is shown as blanks of its length, so that a series of
// one sample reads as a column of energies.
QStringList fileSetEntries(const std::vector<CtFileSet>& sets);
