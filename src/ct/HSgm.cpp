#include "ct/HSgm.h"

void HSgm::resize(int width, int rows) {
  sgm_.reset();
  raw_.reset();
  width_ = width;
  rows_ = rows;
  if (width > 0 && rows > 0) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(rows);
    sgm_.reset(new double[count]);
    raw_.reset(new double[count]);
  }
}
