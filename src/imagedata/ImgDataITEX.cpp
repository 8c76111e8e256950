#include "imagedata/ImgDataITEX.h"

#include <QDebug>
#include <QFile>
#include <QtEndian>
#include <limits>
#include <new>

#include "base/ItemLine.h"
#include "base/NamedLog.h"

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "ITEX pixels are converted in native byte order");

namespace {

int toInt32(const QString& s) { return s.toInt(nullptr, 10); }  // 0 when it does not parse or fit

int fitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max() ? int(v) : 0;
}

int firstValueAsInt(const QString& item, const QString& key) {
  const QStringList v = itemsAfter(item, key);
  return v.isEmpty() ? 0 : toInt32(v.first());
}

pixel::Kind kindOf(int type) {
  switch (type) {
    case 0:
      return pixel::Kind::U8;
    case 1:
      return pixel::Kind::S16;
    case 2:
      return pixel::Kind::U16;
    case 3:
      return pixel::Kind::S32;
    case 4:
      return pixel::Kind::F32;
    default:
      return pixel::Kind::None;
  }
}

}  // namespace

void ImgDataITEX::init() {
  frameBuffer_.clear();
  dataOffset_ = frameOffset_ = frameSize_ = 0;
  headerWidth_ = headerHeight_ = xOffset_ = yOffset_ = pixelType_ = bytesPerPixel_ = 0;
  framesInFile_ = 0;
  kind_ = pixel::Kind::None;
  areaWidth_ = areaHeight_ = 0;
}

void ImgDataITEX::examineItem(const QString& item, int& width, int& height) {
  static const QString kWidth = "Prop_ImageWidth=";
  static const QString kHeight = "Prop_ImageHeight=";
  static const QString kExp1 = "Prop_ExposureTime1=";
  static const QString kExp2 = "Prop_ExposureTime2=";
  static const QString kArea = "areSource=";
  if (startsWithKey(item, kWidth)) width = firstValueAsInt(item, kWidth);
  if (startsWithKey(item, kHeight)) height = firstValueAsInt(item, kHeight);
  if (startsWithKey(item, kExp1)) {
    const QStringList v = itemsAfter(item, kExp1);
    expTime_ = v.isEmpty() ? 0.0 : v.first().toDouble();
  }
  if (startsWithKey(item, kExp2)) {
    const QStringList v = itemsAfter(item, kExp2);
    expTime_ = v.isEmpty() ? 0.0 : v.first().toDouble();
  }
  if (startsWithKey(item, kArea)) {
    QString text = item.mid(kArea.size());
    text.replace(QLatin1Char(','), QLatin1Char(' '));
    text.remove(QLatin1Char('"'));
    std::int64_t v[4];
    QString it;
    for (std::int64_t& n : v) {
      text = takeItem(text, it);
      n = toInt32(it);
    }
    // The differences of two 32-bit numbers need 33 bits; a size that does not
    // fit in 32 bits counts as none.
    areaWidth_ = fitsInt32(v[2] - v[0]);
    areaHeight_ = fitsInt32(v[3] - v[1]);
  }
}

bool ImgDataITEX::readProps(const QString& path, int& width, int& height) {
  width = height = 0;
  dataOffset_ = 0;
  areaWidth_ = areaHeight_ = 0;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    logNamed("Can not open ITEX file to read props.", path);
    return false;
  }
  const QByteArray h = f.read(40);
  if (h.size() < 40) {
    logNamed("Error on reading ITEX file props.", path);
    return false;
  }
  if (h[0] != 'I' || h[1] != 'M') return false;
  const auto* u = reinterpret_cast<const uchar*>(h.constData());
  const int commentLength = qFromLittleEndian<quint16>(u + 2);
  headerWidth_ = qFromLittleEndian<quint16>(u + 4);
  headerHeight_ = qFromLittleEndian<quint16>(u + 6);
  xOffset_ = qFromLittleEndian<quint16>(u + 8);
  yOffset_ = qFromLittleEndian<quint16>(u + 10);
  pixelType_ = qFromLittleEndian<quint16>(u + 12);
  framesInFile_ = qFromLittleEndian<quint16>(u + 14);
  kind_ = kindOf(pixelType_);
  bytesPerPixel_ = pixel::bytesOf(kind_);
  frameSize_ = std::int64_t(headerWidth_) * headerHeight_ * bytesPerPixel_;
  dataOffset_ = 64 + commentLength;
  frameOffset_ = dataOffset_;

  // The comment: comma-separated items, a double quote toggling a quoted
  // part in which commas do not separate. Text after the last unquoted comma
  // is not examined. The comment is ASCII; each byte is one character.
  if (!f.seek(64)) return false;
  const QByteArray comment = f.read(commentLength);
  bool cut = comment.size() < commentLength;
  bool inQuotes = false;
  QString item;
  for (char ch : comment) {
    const QChar c = QLatin1Char(ch);
    if (c == QLatin1Char('"')) {
      inQuotes = !inQuotes;
      item += c;
    } else if (c == QLatin1Char(',') && !inQuotes) {
      examineItem(item, width, height);
      item.clear();
    } else {
      item += c;
    }
  }
  if (cut) {  // the comment runs past the end of the file
    width = height = 0;
    return false;
  }
  if (width < 1) width = areaWidth_;
  if (height < 1) height = areaHeight_;
  if (width < 1 || height < 1 || commentLength < 1) return false;

  // The frame buffer holds header width x header height pixels; a comment
  // size beyond that could not be read from it.
  // With an unsupported pixel type the frame holds no pixel bytes at all and
  // reads as zeros; its sides are then held to the header's, so that the row
  // and column buffers stay within what a header can announce.
  if (std::int64_t(width) * height > std::int64_t(headerWidth_) * headerHeight_ ||
      (bytesPerPixel_ == 0 && (width > headerWidth_ || height > headerHeight_))) {
    logNamed("ITEX image size in the comment exceeds the header size.", path);
    return false;
  }
  return true;
}

bool ImgDataITEX::openData() {
  QFile f(filePath_);
  if (!f.open(QIODevice::ReadOnly)) {
    logNamed("Can not open ITEX file", filePath_);
    return false;
  }
  frameOffset_ = std::int64_t(frameIndex_) * (frameSize_ + 64) + dataOffset_;
  // Never allocate or read beyond what the file holds: a truncated file or a
  // frame index past the last frame is refused.
  if (frameIndex_ < 0 || frameOffset_ + frameSize_ > f.size()) {
    logNamed("Can not open ITEX file", filePath_);
    return false;
  }
  try {
    frameBuffer_.resize(static_cast<size_t>(frameSize_));
  } catch (const std::bad_alloc&) {
    frameBuffer_.clear();
    logNamed("Not enough memory for the ITEX frame", filePath_);
    return false;
  }
  if (frameSize_ > 0 &&
      (!f.seek(frameOffset_) ||
       f.read(reinterpret_cast<char*>(frameBuffer_.data()), frameSize_) != frameSize_)) {
    frameBuffer_.clear();
    logNamed("Can not open ITEX file", filePath_);
    return false;
  }
  // The file is closed here: the pixels are in memory, and a series of
  // thousands of frames must not hold thousands of open files.
  return true;
}

const double* ImgDataITEX::row(int y, double* buffer) const {
  if (width_ < 1) return buffer;
  if (y < 0 || y >= height_ || frameBuffer_.empty()) {
    std::fill(buffer, buffer + width_, 0.0);
    return buffer;
  }
  const unsigned char* src =
      frameBuffer_.data() + std::int64_t(y) * width_ * bytesPerPixel_;
  pixel::toDoubles(kind_, src, width_, bytesPerPixel_, buffer);
  return buffer;
}

const double* ImgDataITEX::column(int x, double* buffer) const {
  if (height_ < 1) return buffer;
  if (x < 0 || x >= width_ || frameBuffer_.empty()) {
    std::fill(buffer, buffer + height_, 0.0);
    return buffer;
  }
  const unsigned char* src = frameBuffer_.data() + std::int64_t(x) * bytesPerPixel_;
  pixel::toDoubles(kind_, src, height_, std::int64_t(width_) * bytesPerPixel_, buffer);
  return buffer;
}
