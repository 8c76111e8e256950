#pragma once

// Line reading shared by every text reader (configuration, setup and batch
// files, the CT data and XYV files of the 3D view). Two guards hold for all of
// them: only regular files are read, since a device such as /dev/zero or a
// pipe never ends (or blocks), and a line longer than kMaxTextLineBytes
// refuses the file, so that a "line" without an end cannot grow without bound.

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

constexpr qint64 kMaxTextLineBytes = qint64(1) << 20;

enum class TextRead { Ok, CannotOpen, NotRegularFile, LineTooLong };

// Whether path exists but is not a regular file (after following symbolic
// links): a device, a pipe, a socket or a folder.
bool isSpecialFile(const QString& path);

// All lines of path as UTF-8 text without their line ends ("\n" or "\r\n");
// a UTF-8 byte-order mark at the start is skipped. Anything but Ok leaves
// lines empty.
TextRead readTextLines(const QString& path, QStringList& lines);

// Why a read failed, for the debug log: "not a regular file", "a line is
// longer than 1 MiB"; empty for Ok and CannotOpen.
QString textReadReason(TextRead r);

// The lines of an open device, read block by block so that a large data file
// is never held whole. Each line comes without its '\n'; a '\r' before it is
// left to the caller's tokenizer.
class TextLineReader {
 public:
  explicit TextLineReader(QIODevice& device) : device_(device) {}
  // The next line as [begin, end); false at the end of the device, on a read
  // error, or at a line longer than kMaxTextLineBytes (lineTooLong()).
  bool next(const char*& begin, const char*& end);
  bool lineTooLong() const { return tooLong_; }

 private:
  QIODevice& device_;
  QByteArray buffer_;
  qsizetype pos_ = 0;
  bool atEnd_ = false;
  bool tooLong_ = false;
};
