#pragma once

#include <QString>
#include <QStringList>
#include <type_traits>

// The values as one text separated by blanks (numbers as QString::number
// writes them), so that a test compares a whole record in one line and a
// failure shows every field.
template <typename... T>
QString joined(const T&... values) {
  QStringList parts;
  auto text = [](const auto& v) {
    if constexpr (std::is_arithmetic_v<std::decay_t<decltype(v)>>)
      return QString::number(v);
    else
      return QString(v);
  };
  (parts << ... << text(values));
  return parts.join(' ');
}
