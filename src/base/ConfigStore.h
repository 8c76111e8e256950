#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

// The process-wide key/value store filled from the command line and the
// configuration file before the main window exists, and read-only after.
// Entries keep their first position; a repeated key replaces the value in
// place. The raw (comment-free, non-blank) configuration lines are kept in
// reading order for the main window to replay as commands.
class ConfigStore {
 public:
  static ConfigStore& instance();

  // Command line: every word beginning with '-' is an option whose value is
  // the following words up to the next '-' word, joined by single blanks.
  void parseCommandLine(int argc, char** argv);
  void parseCommandLine(const QStringList& words);
  // Reads one configuration file (INCLUDE lines read other files at once).
  bool readConfigFile(const QString& fileName);

  QString value(const QString& key, const QString& defaultValue = QString()) const;
  bool contains(const QString& key) const;
  QString valueIgnoringCase(const QString& key, const QString& defaultValue = QString()) const;
  void setValue(const QString& key, const QString& value);
  const QStringList& rawLines() const { return rawLines_; }
  const QVector<std::pair<QString, QString>>& entries() const { return entries_; }

  // Folder in which the data-file dialogs open.
  QString dataRoot() const { return dataRoot_; }
  void setDataRoot(const QString& dir) { dataRoot_ = dir; }

  // Empties the store (tests only; the program fills it once).
  void clear();

 private:
  bool readConfigFileRec(const QString& fileName, QStringList& reading);

  QVector<std::pair<QString, QString>> entries_;
  QHash<QString, int> index_;       // key -> position in entries_
  QHash<QString, int> upperIndex_;  // upper-cased key -> position in entries_
  QStringList rawLines_;
  QString dataRoot_;
};
