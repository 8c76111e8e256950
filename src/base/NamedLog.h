#pragma once

#include <QDebug>
#include <QString>

// Debug-log lines that name a file: the message text, then the name exactly
// as it is (no quotes added), separated by one blank unless the message ends
// in one already: "Can't open config file : config.cfg".
inline QString namedMessage(const QString& message, const QString& name) {
  if (message.isEmpty() || message.endsWith(QLatin1Char(' '))) return message + name;
  return message + QLatin1Char(' ') + name;
}

inline void logNamed(const QString& message, const QString& name) {
  qDebug().noquote() << namedMessage(message, name);
}
