#include "app/SetupFile.h"

#include "base/ItemLine.h"

const char* const SetupWriter::kBanner = "### Vanto setup saving setup file";

SetupWriter::SetupWriter() { lines_ << QString::fromLatin1(kBanner) << QString(); }

void SetupWriter::section(const QString& title) {
  if (!firstSection_) lines_ << QString();
  firstSection_ = false;
  lines_ << QStringLiteral("## ") + title << QString();
}

void SetupWriter::entry(const QString& key, const QString& value) {
  const QString k = key.size() >= kKeyWidth ? key + QLatin1Char(' ') : padRight(key, kKeyWidth);
  lines_ << k + value;
}

QString SetupWriter::text(const QString& v) {
  bool needsQuotes = false;
  for (const QChar c : v) {
    if (c.isSpace() || c == QLatin1Char('#')) {
      needsQuotes = true;
      break;
    }
  }
  return needsQuotes ? QLatin1Char('"') + v + QLatin1Char('"') : v;
}

QString SetupWriter::contents() const {
  QString out;
  for (const QString& l : lines_) out += l + QLatin1Char('\n');
  return out;
}
