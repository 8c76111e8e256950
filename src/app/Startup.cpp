#include "app/Startup.h"

#include <QtGlobal>

#include "base/ConfigStore.h"

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
  // The configuration file is read once more, INCLUDE lines and all, into a
  // store of its own; its messages come again when the file is really read.
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  ConfigStore probe;
  probe.readConfigFile(configFileName(commandLine));
  qInstallMessageHandler(previous);
  return probe.contains("-nw");
}

}  // namespace startup
