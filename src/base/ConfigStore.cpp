#include "base/ConfigStore.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include "base/ItemLine.h"
#include "base/NamedLog.h"
#include "base/TextFiles.h"

ConfigStore& ConfigStore::instance() {
  static ConfigStore store;
  return store;
}

void ConfigStore::parseCommandLine(int argc, char** argv) {
  QStringList words;
  for (int i = 0; i < argc; ++i) words << QString::fromLocal8Bit(argv[i]);
  parseCommandLine(words);
}

void ConfigStore::parseCommandLine(const QStringList& words) {
  int i = 0;
  while (i < words.size()) {
    const QString& w = words[i];
    if (!w.startsWith(QLatin1Char('-'))) {
      ++i;
      continue;
    }
    QStringList values;
    int j = i + 1;
    while (j < words.size() && !words[j].startsWith(QLatin1Char('-'))) values << words[j++];
    setValue(w, values.join(QLatin1Char(' ')));
    i = j;
  }
}

void ConfigStore::setValue(const QString& key, const QString& value) {
  auto it = index_.constFind(key);
  if (it != index_.constEnd()) {
    entries_[it.value()].second = value;
    return;
  }
  const int pos = entries_.size();
  entries_.append({key, value});
  index_.insert(key, pos);
  const QString upper = key.toUpper();
  if (!upperIndex_.contains(upper)) upperIndex_.insert(upper, pos);
}

QString ConfigStore::value(const QString& key, const QString& defaultValue) const {
  auto it = index_.constFind(key);
  return it == index_.constEnd() ? defaultValue : entries_[it.value()].second;
}

bool ConfigStore::contains(const QString& key) const { return index_.contains(key); }

QString ConfigStore::valueIgnoringCase(const QString& key, const QString& defaultValue) const {
  auto it = upperIndex_.constFind(key.toUpper());
  return it == upperIndex_.constEnd() ? defaultValue : entries_[it.value()].second;
}

bool ConfigStore::readConfigFile(const QString& fileName) {
  QStringList reading;
  return readConfigFileRec(fileName, reading);
}

bool ConfigStore::readConfigFileRec(const QString& fileName, QStringList& reading) {
  // A file that includes itself, directly or through others, is refused so
  // that reading always ends.
  const QString canonical = QFileInfo(fileName).canonicalFilePath();
  if (!canonical.isEmpty() && reading.contains(canonical)) {
    logNamed("Config file is already being read, INCLUDE ignored :", fileName);
    return false;
  }
  // Only regular files are read (a device such as /dev/zero never ends), and
  // a line longer than 1 MiB refuses the file.
  QStringList lines;
  const TextRead read = readTextLines(fileName, lines);
  if (read != TextRead::Ok) {
    if (read == TextRead::CannotOpen)
      logNamed("Can't open config file : ", fileName);
    else
      logNamed("Can't open config file : ", fileName + " (" + textReadReason(read) + ")");
    return false;
  }
  reading << canonical;
  for (const QString& line : std::as_const(lines)) {
    QString comment;
    const QString code = stripComment(line, comment);
    if (isBlankLine(code)) continue;
    rawLines_ << code;
    QString key, value;
    QString rest = takeItem(code, key);
    takeItem(rest, value);
    if (key.toUpper() == QLatin1String("INCLUDE"))
      readConfigFileRec(value, reading);
    else
      setValue(key, value);
  }
  reading.removeLast();
  return true;
}

void ConfigStore::clear() {
  entries_.clear();
  index_.clear();
  upperIndex_.clear();
  rawLines_.clear();
  dataRoot_.clear();
}
