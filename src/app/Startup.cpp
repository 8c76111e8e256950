#include "app/Startup.h"

#include "app/ConfigStore.h"
#include "app/ItemLine.h"
#include "app/TextFiles.h"

namespace startup {

QString configFileName(const ConfigStore& store) {
  QString name = QStringLiteral("config.cfg");
  if (store.contains("-c")) name = store.value("-c");
  if (store.contains("-config")) name = store.value("-config");
  return name;
}

QString dataRoot(const ConfigStore& store, const QString& builtIn) {
  QString root = store.value("DataRoot", builtIn);
  if (store.contains("-d")) root = store.value("-d");
  return root;
}

bool wantsOffscreen(bool noWindow, const QByteArray& display, const QByteArray& wayland,
                    const QByteArray& platform) {
  return noWindow && display.isEmpty() && wayland.isEmpty() && platform.isEmpty();
}

bool noWindowRequested(const ConfigStore& commandLine) {
  if (commandLine.contains("-nw")) return true;
  QStringList lines;
  if (readTextLines(configFileName(commandLine), lines) != TextRead::Ok) return false;
  for (const QString& line : std::as_const(lines)) {
    QString comment, key;
    takeItem(stripComment(line, comment), key);
    if (key == QLatin1String("-nw")) return true;
  }
  return false;
}

}  // namespace startup
