#pragma once

#include <QString>
#include <QStringList>

// Composes a setup file: the banner, section headers and "key value" entry
// lines written in the batch command language, so that loading a setup is
// running its lines through the command dispatcher.
class SetupWriter {
 public:
  static constexpr int kKeyWidth = 25;
  static const char* const kBanner;

  SetupWriter();

  // Starts a section: a blank line before every section but the first, the
  // header "## title" and one blank line.
  void section(const QString& title);
  // key padded with blanks to 25 characters (at least one blank), then the
  // value text exactly as given.
  void entry(const QString& key, const QString& value);
  // A command line without a value.
  void command(const QString& word) { lines_ << word; }
  // Value texts of the entries.
  static QString flag(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
  static QString integer(int v) { return QString::number(v); }
  static QString real(double v) { return QString::number(v, 'g', 6); }
  // A text item. A value holding a blank, a tab or a '#' would be cut on
  // loading, so it is written in double quotes.
  static QString text(const QString& v);

  const QStringList& lines() const { return lines_; }
  // All lines, each ended by a line feed.
  QString contents() const;

 private:
  QStringList lines_;
  bool firstSection_ = true;
};
