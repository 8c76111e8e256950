#include "ct/HSgm.h"

void HSgm::resize(int width, int rows) {
  const std::size_t count = (width > 0 && rows > 0)
                                ? static_cast<std::size_t>(width) * static_cast<std::size_t>(rows)
                                : 0;
  // Content is undefined after a resize, so arrays of the right size are
  // kept: a worker rebuilding slice after slice then never returns its
  // memory to the system and faults it in again.
  const bool keep = count > 0 && sgm_ && static_cast<std::size_t>(width_) * rows_ == count;
  width_ = width;
  rows_ = rows;
  if (keep) return;
  sgm_.reset();
  raw_.reset();
  if (count > 0) {
    sgm_.reset(new double[count]);
    raw_.reset(new double[count]);
  }
}
