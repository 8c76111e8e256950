#include "base/ItemLine.h"

#include <QDebug>

namespace {

bool isSpace(QChar c) { return c.isSpace(); }

const QString& blanks101() {
  static const QString s(101, QLatin1Char(' '));
  return s;
}

int lastNonSpace(const QString& s) {
  int i = s.size() - 1;
  while (i >= 0 && isSpace(s[i])) --i;
  return i;
}

}  // namespace

QString takeItem(const QString& line, QString& item) {
  item.clear();
  const int n = line.size();
  int s = 0;
  while (s < n && isSpace(line[s])) ++s;
  if (s >= n) return QString();
  if (line[s] == QLatin1Char('"')) {
    const int q = line.indexOf(QLatin1Char('"'), s + 1);
    if (q < 0) {
      qDebug().noquote()
          << QStringLiteral("In a line [%1] item is started from quote but not ended by quote")
                 .arg(line);
      item = line.mid(s + 1);
      return QString();
    }
    item = line.mid(s + 1, q - s - 1);
    return line.mid(q + 1);
  }
  int e = s;
  while (e < n && !isSpace(line[e])) ++e;
  item = line.mid(s, e - s);
  if (item.endsWith(QLatin1Char('"')))
    qDebug().noquote()
        << QStringLiteral("In a line [%1] item is started from not quote but ended by quote")
               .arg(line);
  return e < n ? line.mid(e) : QString();
}

QStringList splitItems(const QString& line) {
  QStringList items;
  QString rest = line;
  QString item;
  while (!rest.isEmpty()) {
    rest = takeItem(rest, item);
    if (!item.isEmpty()) items << item;
  }
  return items;
}

QStringList itemsAfter(const QString& line, const QString& prefix) {
  QStringList items;
  QString rest = line.mid(prefix.size());
  QString item;
  while (!rest.isEmpty()) {
    rest = takeItem(rest, item);
    items << item;
  }
  return items;
}

bool startsWithKey(const QString& line, const QString& prefix) {
  return line.size() >= prefix.size() && line.left(prefix.size()) == prefix;
}

QString stripComment(const QString& line, QString& comment) {
  comment.clear();
  bool inQuote = false;
  for (int i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
      inQuote = !inQuote;
    } else if (c == QLatin1Char('#') && !inQuote) {
      comment = line.mid(i + 1);
      return line.left(i);
    }
  }
  return line;
}

bool isBlankLine(const QString& line) {
  QString comment;
  return stripComment(line, comment).simplified().isEmpty();
}

bool hasContinuation(QString& line) {
  const int i = lastNonSpace(line);
  if (i < 0 || line[i] != QLatin1Char('\\')) return false;
  line.truncate(i);
  return true;
}

QString withoutContinuation(const QString& line) {
  QString copy = line;
  if (hasContinuation(copy)) {
    const int i = lastNonSpace(copy);
    if (i >= 0 && copy[i] == QLatin1Char('\\')) copy.truncate(i);
  }
  return copy;
}

QString spaces(int n) {
  if (n <= 0) return QString();
  return blanks101().left(qMin(n, 101));
}

QString padRight(const QString& text, int width) {
  if (text.size() >= width) return text;
  return text + spaces(width - text.size());
}
