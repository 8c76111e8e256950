#pragma once

// Hand-built ITEX files for tests: a 64-byte header, a comment and 16-bit
// pixels, written byte by byte so that a reader bug and a writer bug cannot
// cancel out.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

namespace itexfixture {

inline void putU16(QByteArray& b, int offset, std::uint16_t v) {
  b[offset] = static_cast<char>(v & 0xff);
  b[offset + 1] = static_cast<char>(v >> 8);
}

// The 64-byte header: magic, comment length, size, pixel type, frame count.
inline QByteArray header(int commentLength, int width, int height, int type, int frames) {
  QByteArray h(64, '\0');
  h[0] = 'I';
  h[1] = 'M';
  putU16(h, 2, static_cast<std::uint16_t>(commentLength));
  putU16(h, 4, static_cast<std::uint16_t>(width));
  putU16(h, 6, static_cast<std::uint16_t>(height));
  putU16(h, 12, static_cast<std::uint16_t>(type));
  putU16(h, 14, static_cast<std::uint16_t>(frames));
  return h;
}

// frames: one vector of width*height values per frame (unsigned 16-bit),
// exposure time 1.
inline bool writeU16(const QString& path, int width, int height,
                     const std::vector<std::vector<std::uint16_t>>& frames) {
  const QByteArray comment = "Prop_ImageWidth=" + QByteArray::number(width) +
                             ",Prop_ImageHeight=" + QByteArray::number(height) +
                             ",Prop_ExposureTime1=1,";
  QByteArray out;
  for (size_t f = 0; f < frames.size(); ++f) {
    // unsigned 16-bit pixels (type 2)
    out += header(f == 0 ? int(comment.size()) : 0, width, height, 2, int(frames.size()));
    if (f == 0) out += comment;
    for (std::uint16_t v : frames[f]) {
      out += static_cast<char>(v & 0xff);
      out += static_cast<char>(v >> 8);
    }
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  return file.write(out) == out.size();
}

// A single frame whose pixel (x, y) holds base + y * width + x.
inline bool writeRamp(const QString& path, int width, int height, int base = 0) {
  std::vector<std::uint16_t> px(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint16_t>(base + i);
  return writeU16(path, width, height, {px});
}

}  // namespace itexfixture
