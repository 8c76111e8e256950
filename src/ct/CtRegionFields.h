#pragma once

#include <QLineEdit>
#include <QString>
#include <array>

// The four text fields of a region (x0, z0, x1, z1) of the calculation
// panels' form. Texts that do not parse read as 0.
struct CtRegionFields {
  std::array<QLineEdit*, 4> fields{};

  std::array<double, 4> values() const {
    std::array<double, 4> v{};
    for (int i = 0; i < 4; ++i) v[i] = fields[i]->text().toDouble();
    return v;
  }
  // Writes the values and tells whether any of them, read back, differs from
  // what the field held before.
  bool write(const std::array<double, 4>& v) {
    const std::array<double, 4> before = values();
    for (int i = 0; i < 4; ++i) fields[i]->setText(QString::number(v[i], 'g', 6));
    const std::array<double, 4> after = values();
    return after != before;
  }
};
