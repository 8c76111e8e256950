#include "automation/BatchCmd.h"

#include "app/ItemLine.h"

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
