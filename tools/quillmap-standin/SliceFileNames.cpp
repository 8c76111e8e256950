#include "SliceFileNames.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {
bool allDigits(const QString& s) {
  if (s.isEmpty()) return false;
  for (QChar c : s)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return true;
}

// Digit runs longer than this would not fit an int.
constexpr qsizetype kMaxDigits = 9;

int numberOf(const QString& digits) {
  if (!allDigits(digits) || digits.size() > kMaxDigits) return -1;
  return digits.toInt();
}

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }
}  // namespace

int sliceNumberOf(const QString& path) {
  const QFileInfo fi(path);
  const QString base = fi.completeBaseName();
  const qsizetype dash = base.lastIndexOf(QLatin1Char('-'));
  if (dash >= 0) {
    const int n = numberOf(base.mid(dash + 1));
    if (n >= 0) return n;
  }
  return numberOf(fi.dir().dirName());
}

QString energyFolderOf(const QString& path) {
  const QFileInfo fi(path);
  const QString folder = fi.dir().dirName();
  if (folder.isEmpty() || folder == QLatin1String(".") || folder == QLatin1String("..")) return {};
  const QString base = fi.completeBaseName();
  const qsizetype dash = base.lastIndexOf(QLatin1Char('-'));
  if (dash < 0 || !allDigits(base.mid(dash + 1))) return {};
  const QString rest = base.left(dash);  // "name-tag" or "tag"
  if (rest == folder || rest.endsWith(QLatin1Char('-') + folder)) return folder;
  return {};
}

QList<LineItem> lineItems(const QString& line) {
  QList<LineItem> items;
  qsizetype i = 0;
  const qsizetype n = line.size();
  while (i < n) {
    while (i < n && isBlank(line.at(i))) ++i;
    if (i >= n) break;
    const qsizetype b = i;
    while (i < n && !isBlank(line.at(i))) ++i;
    items.append({b, i});
  }
  return items;
}

QStringList announcedPaths(const QString& line, const QList<LineItem>& items, qsizetype from,
                           const std::function<bool(const QString&)>& isFile) {
  QStringList paths;
  auto span = [&](qsizetype a, qsizetype b) {
    return line.mid(items[a].begin, items[b].end - items[a].begin);
  };
  qsizetype i = std::max<qsizetype>(from, 0);
  while (i < items.size()) {
    const QString single = span(i, i);
    if (isFile(single)) {
      paths << single;
      ++i;
      continue;
    }
    qsizetype found = -1;
    const qsizetype last = std::min<qsizetype>(items.size() - 1, i + kMaxBlanksInPath);
    for (qsizetype j = last; j > i; --j)
      if (isFile(span(i, j))) {
        found = j;
        break;
      }
    if (found < 0) {
      paths << single;
      ++i;
    } else {
      paths << span(i, found);
      i = found + 1;
    }
  }
  return paths;
}
