#include "automation/BatchCmd.h"

#include <cmath>

#include "base/ItemLine.h"

BatchCmd::BatchCmd(const QString& line) : line_(line) {
  QString rest = line;
  bool first = true;
  while (!rest.isEmpty()) {
    QString item;
    const QString next = takeItem(rest, item);
    if (next.size() >= rest.size() && item.isEmpty()) break;  // nothing consumed
    rest = next;
    if (first) {
      command_ = item;
      first = false;
    } else if (!item.isEmpty()) {
      arguments_ << item;
    }
  }
}

bool BatchCmd::is(const QString& word) const { return command_.toUpper() == word.toUpper(); }

QString BatchCmd::textArg(int i) const {
  return i >= 0 && i < arguments_.size() ? arguments_[i] : QString();
}

int BatchCmd::intArg(int i) const {
  bool ok = false;
  const int v = textArg(i).toInt(&ok, 10);
  return ok ? v : 0;
}

bool BatchCmd::flagArg(int i) const { return intArg(i) == 1; }

double BatchCmd::realArg(int i) const {
  bool ok = false;
  const double v = textArg(i).toDouble(&ok);
  return ok && std::isfinite(v) ? v : 0.0;
}
