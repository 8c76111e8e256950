#pragma once

// The memory check of readers that allocate a buffer sized by what a file
// announces. Several readers run at once (the 3D view parses one file per
// hardware thread), so checking the free memory alone would let all of them
// pass on the same free gigabytes: a reader reserves what it is about to
// allocate, and the reservations of readers still filling their buffers count
// as used until they are released.

#include <QString>
#include <QtGlobal>

namespace memorybudget {

// The memory the system can still give (MemAvailable), in bytes; -1 when it
// cannot be told.
qint64 availableBytes();

// Bytes reserved by readers in flight.
qint64 reservedBytes();

class Reservation {
 public:
  Reservation() = default;
  ~Reservation() { release(); }
  Reservation(Reservation&& o) noexcept : bytes_(o.bytes_), held_(o.held_) { o.held_ = false; }
  Reservation& operator=(Reservation&& o) noexcept;
  Reservation(const Reservation&) = delete;
  Reservation& operator=(const Reservation&) = delete;

  bool held() const { return held_; }
  explicit operator bool() const { return held_; }
  // Hands the bytes back (the buffer is filled, so the system now counts it).
  void release();

 private:
  friend Reservation reserve(qint64 bytes);
  qint64 bytes_ = 0;
  bool held_ = false;
};

// Reserves bytes when the available memory minus what other readers hold is
// enough; otherwise the result is not held. When the available memory cannot
// be told, the reservation is granted.
Reservation reserve(qint64 bytes);

// The largest grid (in cells) that a text data file of fileBytes bytes may
// announce: every value needs a data line of at least "x y v\n" (6 bytes);
// small grids may be sparse. A header claiming more is refused rather than
// allocated, so that a tiny file cannot cost gigabytes.
constexpr qint64 kSparseGridCells = qint64(1) << 16;
constexpr qint64 kMinDataLineBytes = 6;
inline qint64 fillableGridCells(qint64 fileBytes) {
  return kSparseGridCells + fileBytes / kMinDataLineBytes;
}

// Reserves a grid of width x height doubles that a text data file of
// fileBytes bytes announces. Not held, with the reason in *why ("grid W x H
// too large", "... more than its N bytes can fill", "... does not fit into
// the free memory"), when a side is not within 1 .. maxSide, when the file
// cannot fill that many cells, or when the memory is not there.
Reservation reserveTextGrid(qint64 width, qint64 height, qint64 maxSide, qint64 fileBytes,
                            QString* why);

}  // namespace memorybudget
