#include "base/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace {
// Read size: small, since most text files are; a long line takes several.
constexpr qint64 kBlockBytes = qint64(64) << 10;
}  // namespace

bool isSpecialFile(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && !info.isFile();
}

TextRead readTextLines(const QString& path, QStringList& lines) {
  lines.clear();
  // Checked before opening: opening a pipe blocks until someone writes to it.
  if (isSpecialFile(path)) return TextRead::NotRegularFile;
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return TextRead::CannotOpen;
  TextLineReader reader(file);
  const char* b = nullptr;
  const char* e = nullptr;
  while (reader.next(b, e)) {
    if (e > b && e[-1] == '\r') --e;  // "\r\n" ends a line as "\n" does
    if (lines.isEmpty() && e - b >= 3 && std::memcmp(b, "\xEF\xBB\xBF", 3) == 0) b += 3;
    lines << QString::fromUtf8(b, e - b);
  }
  if (reader.lineTooLong()) {
    lines.clear();
    return TextRead::LineTooLong;
  }
  return TextRead::Ok;
}

QString textReadReason(TextRead r) {
  switch (r) {
    case TextRead::NotRegularFile:
      return QStringLiteral("not a regular file");
    case TextRead::LineTooLong:
      return QStringLiteral("a line is longer than 1 MiB");
    case TextRead::Ok:
    case TextRead::CannotOpen:
      break;
  }
  return {};
}

bool TextLineReader::next(const char*& begin, const char*& end) {
  if (tooLong_) return false;
  for (;;) {
    const char* p = buffer_.constData() + pos_;
    const char* stop = buffer_.constData() + buffer_.size();
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(stop - p)));
    const char* lineEnd = nl ? nl : stop;
    if (lineEnd - p > kMaxTextLineBytes) {
      tooLong_ = true;
      return false;
    }
    if (nl || (atEnd_ && p < stop)) {
      begin = p;
      end = lineEnd;
      pos_ = (nl ? nl + 1 : stop) - buffer_.constData();
      return true;
    }
    if (atEnd_) return false;
    // Keep the unfinished line and append the next block to it.
    buffer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype kept = buffer_.size();
    buffer_.resize(kept + kBlockBytes);
    const qint64 got = device_.read(buffer_.data() + kept, kBlockBytes);
    buffer_.resize(kept + (got > 0 ? got : 0));
    if (got <= 0) atEnd_ = true;
  }
}
