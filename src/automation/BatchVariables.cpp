#include "automation/BatchVariables.h"

bool expandVariables(const QString& line, const QProcessEnvironment& env, QString& out,
                     QString& undefinedName) {
  const QLatin1String open("${");
  QString result;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = line.indexOf(open, from);
    if (at < 0) break;
    result += QStringView(line).mid(from, at - from);
    const qsizetype nameStart = at + open.size();
    const qsizetype close = line.indexOf(QLatin1Char('}'), nameStart);
    const QString name = line.mid(nameStart, close < 0 ? -1 : close - nameStart);
    if (close < 0 || name.isEmpty() || !env.contains(name)) {
      undefinedName = name;
      return false;
    }
    result += env.value(name);
    from = close + 1;
  }
  result += QStringView(line).mid(from);
  out = result;
  return true;
}
