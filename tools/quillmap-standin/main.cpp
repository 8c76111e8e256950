// quillmap-standin: a stand-in for the Quillmap analysis program. It listens
// for Vanto's link, loads the slice files Vanto announces and writes the
// statistics of every analysed slice to <out>/2da-<slice>.csv.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <cstdio>

#include "StandinServer.h"

namespace {
void printLine(const QString& line, QFile* logFile) {
  const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
  std::fflush(stdout);
  if (logFile) {
    logFile->write(bytes);
    logFile->flush();
  }
}

bool toInt(const QString& s, int min, int max, int& out) {
  bool ok = false;
  const int v = s.toInt(&ok, 10);
  if (!ok || v < min || v > max) return false;
  out = v;
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("quillmap-standin"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Stand-in for the Quillmap analysis program: answers Vanto's link, loads the announced "
      "slice files and writes slice statistics to CSV."));
  parser.addHelpOption();
  const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Address to listen on."),
                                QStringLiteral("H"), QStringLiteral("127.0.0.1"));
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("Port to listen on; 0 picks a free one."),
                                QStringLiteral("P"), QStringLiteral("6078"));
  const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder of the CSV files."),
                               QStringLiteral("DIR"), QStringLiteral("."));
  const QCommandLineOption logOpt(QStringLiteral("log"),
                                  QStringLiteral("Also write the message log to FILE."),
                                  QStringLiteral("FILE"));
  const QCommandLineOption delay(QStringLiteral("delay"),
                                 QStringLiteral("Least time a command takes, in ms."),
                                 QStringLiteral("MS"), QStringLiteral("0"));
  const QCommandLineOption refuse(QStringLiteral("refuse"),
                                  QStringLiteral("Accept connections and close them at once."));
  parser.addOptions({host, port, out, logOpt, delay, refuse});
  parser.process(app);
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "quillmap-standin: unexpected argument %s\n",
                 qPrintable(parser.positionalArguments().first()));
    return 2;
  }

  const QHostAddress address(parser.value(host));
  if (address.isNull()) {
    std::fprintf(stderr, "quillmap-standin: --host needs an IP address, not %s\n",
                 qPrintable(parser.value(host)));
    return 2;
  }
  int portNo = 0, delayMs = 0;
  if (!toInt(parser.value(port), 0, 65535, portNo)) {
    std::fprintf(stderr, "quillmap-standin: --port needs 0 ... 65535\n");
    return 2;
  }
  if (!toInt(parser.value(delay), 0, 3600 * 1000, delayMs)) {
    std::fprintf(stderr, "quillmap-standin: --delay needs 0 ... 3600000 ms\n");
    return 2;
  }

  QFile logFile;
  if (parser.isSet(logOpt)) {
    logFile.setFileName(parser.value(logOpt));
    if (!logFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      std::fprintf(stderr, "quillmap-standin: %s cannot be written: %s\n",
                   qPrintable(logFile.fileName()), qPrintable(logFile.errorString()));
      return 2;
    }
  }
  QFile* logTo = logFile.isOpen() ? &logFile : nullptr;

  StandinServer server;
  server.setDelay(delayMs);
  server.setRefuse(parser.isSet(refuse));
  server.setOutDir(parser.value(out));
  QObject::connect(&server, &StandinServer::logLine,
                   [logTo](const QString& line) { printLine(line, logTo); });
  if (!server.listen(address, quint16(portNo))) {
    std::fprintf(stderr, "quillmap-standin: cannot listen on %s:%d: %s\n",
                 qPrintable(address.toString()), portNo, qPrintable(server.errorString()));
    return 1;
  }
  printLine(QStringLiteral("listening %1:%2").arg(address.toString()).arg(server.serverPort()),
            logTo);
  return app.exec();
}
