#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>
#include <vector>

#include "SliceFileNames.h"
#include "SliceStats.h"
#include "output/CtDataFile.h"

class QTcpServer;
class QTcpSocket;

// The peer side of the Quillmap link. It accepts line-oriented connections,
// takes the load and analysis commands one at a time in the order they
// arrive, answers each with "ISBUSY 1" when it starts it and
// "ISBUSY 0 <COMMAND>" when it has finished, loads the announced CT data
// files and writes the statistics of an analysed slice to a CSV file.
// Every received and sent line, and a summary of every command, is reported
// through logLine().
class StandinServer : public QObject {
  Q_OBJECT

 public:
  // Longest line kept; the rest of a longer line is dropped.
  static constexpr qsizetype kMaxLineBytes = 1024 * 1024;
  // Commands waiting while one runs; further ones are dropped.
  static constexpr int kMaxQueued = 256;

  // One loaded slice file.
  struct Loaded {
    QString path;    // absolute
    QString energy;  // energy folder, or empty
    int slice = -1;  // slice number from the name, -1 when it has none
    CtDataGrid grid;
  };

  explicit StandinServer(QObject* parent = nullptr);
  ~StandinServer() override;

  bool listen(const QHostAddress& address, quint16 port);
  quint16 serverPort() const;
  QString errorString() const;

  // Time a command takes at least, from its "ISBUSY 1" to its "ISBUSY 0".
  void setDelay(int ms) { delayMs_ = ms < 0 ? 0 : ms; }
  // Accept connections and close them at once.
  void setRefuse(bool refuse) { refuse_ = refuse; }
  // Folder of the CSV files (created when missing).
  void setOutDir(const QString& dir) { outDir_ = dir; }

  bool busy() const { return running_ != nullptr; }
  const std::vector<Loaded>& loaded() const { return loaded_; }
  // The CSV file of an analysis of slice text no ("00012", or "all").
  QString csvPath(const QString& no) const;

 signals:
  // "rec: <line>", "snd: <line>", or a summary / note of a command.
  void logLine(const QString& line);
  void commandFinished(const QString& command);
  void connectionRefused();

 private:
  struct Peer {
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    bool overflow = false;
  };
  struct Command {
    QPointer<QTcpSocket> from;
    QString word;  // upper case
    QString line;
    QList<LineItem> items;
  };

  void newConnection();
  void readFrom(Peer* peer);
  void takeLine(Peer* peer, const QByteArray& raw);
  void startNext();
  void step();
  void work();
  void finish();
  void send(QTcpSocket* to, const QString& line);
  void log(const QString& line) { emit logLine(line); }

  void loadFiles(const Command& c);
  void loadFilesOfPattern(const Command& c);
  void load(const QStringList& paths, bool replace);
  void exec2dA(const Command& c);
  // "new" replaces the loaded set, "add" adds to it; anything else is taken
  // as new.
  bool replaceMode(const Command& c);

  QTcpServer* server_;
  std::vector<std::unique_ptr<Peer>> peers_;
  std::deque<std::unique_ptr<Command>> queue_;
  std::unique_ptr<Command> running_;
  bool worked_ = false;  // the running command's work is done, its delay runs
  QTimer stepTimer_;
  QElapsedTimer clock_;
  int delayMs_ = 0;
  bool refuse_ = false;
  QString outDir_ = QStringLiteral(".");
  std::vector<Loaded> loaded_;
};
