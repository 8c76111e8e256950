#pragma once

#include <QString>

class ConfigStore;

// Decisions of the start-up sequence that depend only on the store, kept
// apart from main() so that they can be tested.
namespace startup {

// "config.cfg", then the value of -c, then that of -config (command line only).
QString configFileName(const ConfigStore& store);
// The DataRoot key (default: the built-in folder), then option -d.
QString dataRoot(const ConfigStore& store, const QString& builtIn);
// Whether the program should run on Qt's offscreen platform: -nw given and no
// display available, unless the user chose a platform himself.
bool wantsOffscreen(bool noWindow, const QByteArray& display, const QByteArray& wayland,
                    const QByteArray& platform);
// Whether -nw is given on the command line or as a line of the configuration
// file or of a file it includes (read before the application exists, to
// choose the platform).
bool noWindowRequested(const ConfigStore& commandLine);

}  // namespace startup
