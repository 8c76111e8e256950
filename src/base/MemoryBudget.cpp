#include "base/MemoryBudget.h"

#include <unistd.h>

#include <QFile>
#include <charconv>
#include <mutex>

namespace memorybudget {

namespace {

std::mutex& budgetMutex() {
  static std::mutex m;
  return m;
}
qint64 g_reserved = 0;  // guarded by budgetMutex()

}  // namespace

qint64 availableBytes() {
  QFile f(QStringLiteral("/proc/meminfo"));
  if (f.open(QIODevice::ReadOnly)) {
    const QByteArray text = f.read(64 * 1024);
    const int at = text.indexOf("MemAvailable:");
    if (at >= 0) {
      const char* p = text.constData() + at + 13;
      const char* end = text.constData() + text.size();
      while (p < end && (*p == ' ' || *p == '\t')) ++p;
      long long kb = 0;
      const auto r = std::from_chars(p, end, kb);
      if (r.ec == std::errc() && kb >= 0) return qint64(kb) * 1024;
    }
  }
#ifdef _SC_AVPHYS_PAGES
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long size = sysconf(_SC_PAGESIZE);
  if (pages > 0 && size > 0) return qint64(pages) * size;
#endif
  return -1;
}

qint64 reservedBytes() {
  std::lock_guard<std::mutex> lock(budgetMutex());
  return g_reserved;
}

Reservation& Reservation::operator=(Reservation&& o) noexcept {
  if (this != &o) {
    release();
    bytes_ = o.bytes_;
    held_ = o.held_;
    o.held_ = false;
  }
  return *this;
}

void Reservation::release() {
  if (!held_) return;
  std::lock_guard<std::mutex> lock(budgetMutex());
  g_reserved -= bytes_;
  held_ = false;
}

Reservation reserve(qint64 bytes) {
  Reservation r;
  if (bytes < 0) return r;
  std::lock_guard<std::mutex> lock(budgetMutex());
  const qint64 avail = availableBytes();
  if (avail >= 0 && bytes > avail - g_reserved) return r;
  g_reserved += bytes;
  r.bytes_ = bytes;
  r.held_ = true;
  return r;
}

Reservation reserveTextGrid(qint64 width, qint64 height, qint64 maxSide, qint64 fileBytes,
                            QString* why) {
  const QString size = QStringLiteral("grid %1 x %2").arg(width).arg(height);
  auto refused = [why](const QString& text) {
    if (why) *why = text;
    return Reservation();
  };
  if (width < 1 || height < 1 || width > maxSide || height > maxSide)
    return refused(size + QStringLiteral(" too large"));
  if (width * height > fillableGridCells(fileBytes))
    return refused(size + QStringLiteral(" more than its %1 bytes can fill").arg(fileBytes));
  Reservation r = reserve(width * height * qint64(sizeof(double)));
  if (!r) return refused(size + QStringLiteral(" does not fit into the free memory"));
  return r;
}

}  // namespace memorybudget
