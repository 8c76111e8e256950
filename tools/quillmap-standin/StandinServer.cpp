#include "StandinServer.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cmath>

#include "output/ResultLayout.h"

namespace {
const QString kLoadPattern = QStringLiteral("LOAD_I1_FILES_OF_PATTERN");
const QString kLoadFiles = QStringLiteral("LOAD_I1_FILES");
const QString kExec2dA = QStringLiteral("ANALYZER_EXEC_2DA");

// Characters shown of a line that is dropped for being too long.
constexpr qsizetype kLoggedChars = 200;

// A received line as readable text: control bytes as \xNN, the others as
// Latin-1, as the link writes them.
QString printable(const QByteArray& raw) {
  QString out;
  out.reserve(raw.size());
  for (const char ch : raw) {
    const uchar c = uchar(ch);
    if (c < 0x20 || c == 0x7f)
      out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    else
      out += QChar(c);
  }
  return out;
}

QString csvField(const QString& s) {
  if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) &&
      !s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r')))
    return s;
  QString q = s;
  q.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + q + QLatin1Char('"');
}

QString csvNumber(double v) { return std::isfinite(v) ? QString::number(v, 'g', 12) : QString(); }

bool isFile(const QString& path) { return QFileInfo(path).isFile(); }

// A slice number of an analysis command: decimal digits, at most 9.
int sliceArgument(const QString& s) {
  if (s.isEmpty() || s.size() > 9) return -1;
  for (QChar c : s)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
  return s.toInt();
}
}  // namespace

StandinServer::StandinServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
  stepTimer_.setSingleShot(true);
  connect(&stepTimer_, &QTimer::timeout, this, &StandinServer::step);
  connect(server_, &QTcpServer::newConnection, this, &StandinServer::newConnection);
}

StandinServer::~StandinServer() {
  stepTimer_.stop();
  for (auto& p : peers_)
    if (p->socket) p->socket->disconnect(this);
}

bool StandinServer::listen(const QHostAddress& address, quint16 port) {
  return server_->listen(address, port);
}

quint16 StandinServer::serverPort() const { return server_->serverPort(); }

QString StandinServer::errorString() const { return server_->errorString(); }

QString StandinServer::csvPath(const QString& no) const {
  return QDir(outDir_).absoluteFilePath(QStringLiteral("2da-%1.csv").arg(no));
}

void StandinServer::newConnection() {
  while (QTcpSocket* s = server_->nextPendingConnection()) {
    const QString who = QStringLiteral("%1:%2").arg(s->peerAddress().toString()).arg(s->peerPort());
    if (refuse_) {
      log(QStringLiteral("refused: %1").arg(who));
      s->abort();
      s->deleteLater();
      emit connectionRefused();
      continue;
    }
    log(QStringLiteral("connected: %1").arg(who));
    auto peer = std::make_unique<Peer>();
    peer->socket = s;
    Peer* raw = peer.get();
    peers_.push_back(std::move(peer));
    connect(s, &QTcpSocket::readyRead, this, [this, raw] { readFrom(raw); });
    // Queued, so that a peer is never removed while its bytes are being read.
    connect(
        s, &QTcpSocket::disconnected, this,
        [this, raw, who] {
          log(QStringLiteral("disconnected: %1").arg(who));
          auto it = std::find_if(peers_.begin(), peers_.end(),
                                 [raw](const auto& p) { return p.get() == raw; });
          if (it == peers_.end()) return;
          if ((*it)->socket) (*it)->socket->deleteLater();
          peers_.erase(it);
        },
        Qt::QueuedConnection);
  }
}

void StandinServer::readFrom(Peer* peer) {
  QTcpSocket* s = peer->socket;
  if (!s) return;
  constexpr qint64 kChunk = 64 * 1024;
  while (s->bytesAvailable() > 0) {
    const QByteArray chunk = s->read(kChunk);
    if (chunk.isEmpty()) break;
    qsizetype from = 0;
    for (;;) {
      const qsizetype lf = chunk.indexOf('\n', from);
      const qsizetype end = lf < 0 ? chunk.size() : lf;
      if (!peer->overflow) {
        const qsizetype room = kMaxLineBytes - peer->buffer.size();
        const qsizetype take = std::min(room, end - from);
        peer->buffer.append(chunk.constData() + from, take);
        if (take < end - from) {
          peer->overflow = true;
          log(QStringLiteral("note: line longer than %1 bytes, the rest of it is dropped")
                  .arg(kMaxLineBytes));
        }
      }
      if (lf < 0) break;
      const QByteArray line = peer->buffer;
      const bool cut = peer->overflow;
      peer->buffer.clear();
      peer->overflow = false;
      // A cut line is not carried out: half a file list is worse than none.
      if (cut)
        log(QStringLiteral("rec: %1 ... (dropped, longer than %2 bytes)")
                .arg(printable(line.left(kLoggedChars)))
                .arg(kMaxLineBytes));
      else
        takeLine(peer, line);
      from = lf + 1;
      if (!peer->socket) return;
    }
  }
}

void StandinServer::takeLine(Peer* peer, const QByteArray& raw) {
  QByteArray bytes = raw;
  if (bytes.endsWith('\r')) bytes.chop(1);
  if (bytes.trimmed().isEmpty()) return;
  log(QStringLiteral("rec: %1").arg(printable(bytes)));

  auto cmd = std::make_unique<Command>();
  cmd->from = peer->socket;
  cmd->line = QString::fromLatin1(bytes);
  cmd->items = lineItems(cmd->line);
  if (cmd->items.isEmpty()) return;
  const LineItem w = cmd->items.first();
  cmd->word = cmd->line.mid(w.begin, w.end - w.begin).toUpper();

  if (cmd->word == QLatin1String("MYNAME")) {
    const LineItem* n = cmd->items.size() > 1 ? &cmd->items[1] : nullptr;
    log(QStringLiteral("peer: %1").arg(n ? cmd->line.mid(n->begin) : QStringLiteral("(no name)")));
    return;
  }
  if (cmd->word != kLoadFiles && cmd->word != kLoadPattern && cmd->word != kExec2dA) {
    log(QStringLiteral("note: unknown command ignored: %1").arg(printable(cmd->word.toLatin1())));
    return;
  }
  if (qsizetype(queue_.size()) >= kMaxQueued) {
    log(QStringLiteral("note: %1 commands waiting, %2 dropped").arg(kMaxQueued).arg(cmd->word));
    return;
  }
  if (running_) log(QStringLiteral("note: busy, %1 waits for its turn").arg(cmd->word));
  queue_.push_back(std::move(cmd));
  startNext();
}

void StandinServer::send(QTcpSocket* to, const QString& line) {
  if (!to || to->state() != QAbstractSocket::ConnectedState) return;
  log(QStringLiteral("snd: %1").arg(line));
  to->write((line + QLatin1Char('\n')).toLatin1());
  to->flush();
}

void StandinServer::startNext() {
  while (!running_ && !queue_.empty()) {
    std::unique_ptr<Command> c = std::move(queue_.front());
    queue_.pop_front();
    if (!c->from) {
      log(QStringLiteral("note: %1 dropped, its connection has closed").arg(c->word));
      continue;
    }
    running_ = std::move(c);
    worked_ = false;
    clock_.start();
    send(running_->from, QStringLiteral("ISBUSY 1"));
    // The work runs from the event loop, so the busy report leaves first.
    stepTimer_.start(0);
  }
}

void StandinServer::step() {
  if (!running_) return;
  if (!worked_) {
    work();
    worked_ = true;
    stepTimer_.start(int(std::max<qint64>(0, delayMs_ - clock_.elapsed())));
    return;
  }
  finish();
}

void StandinServer::work() {
  const Command& c = *running_;
  if (c.word == kLoadFiles)
    loadFiles(c);
  else if (c.word == kLoadPattern)
    loadFilesOfPattern(c);
  else
    exec2dA(c);
}

void StandinServer::finish() {
  std::unique_ptr<Command> done = std::move(running_);
  send(done->from, QStringLiteral("ISBUSY 0 %1").arg(done->word));
  emit commandFinished(done->word);
  startNext();
}

bool StandinServer::replaceMode(const Command& c) {
  const QString mode = c.items.size() > 1
                           ? c.line.mid(c.items[1].begin, c.items[1].end - c.items[1].begin)
                           : QString();
  if (mode.compare(QLatin1String("add"), Qt::CaseInsensitive) == 0) return false;
  if (mode.compare(QLatin1String("new"), Qt::CaseInsensitive) != 0)
    log(QStringLiteral("note: load mode '%1' not known, loading as new").arg(mode));
  return true;
}

void StandinServer::loadFiles(const Command& c) {
  const bool replace = replaceMode(c);
  load(announcedPaths(c.line, c.items, 2, isFile), replace);
}

void StandinServer::loadFilesOfPattern(const Command& c) {
  const bool replace = replaceMode(c);
  // "<word> new <dir> <pattern>"; the folder may contain blanks, the
  // pattern is the last item. Without a pattern, *.dat.
  QString dir, pattern = QStringLiteral("*.dat");
  const qsizetype n = c.items.size();
  if (n >= 4) {
    dir = c.line.mid(c.items[2].begin, c.items[n - 2].end - c.items[2].begin);
    pattern = c.line.mid(c.items[n - 1].begin, c.items[n - 1].end - c.items[n - 1].begin);
  } else if (n == 3) {
    dir = c.line.mid(c.items[2].begin, c.items[2].end - c.items[2].begin);
  }
  const QDir d(dir);
  if (dir.isEmpty() || !d.exists()) {
    log(QStringLiteral("note: folder not found: %1").arg(dir));
    load({}, replace);
    return;
  }
  QStringList paths;
  for (const QString& name :
       d.entryList({pattern}, QDir::Files, QDir::Name | QDir::IgnoreCase))
    paths << d.absoluteFilePath(name);
  load(paths, replace);
}

void StandinServer::load(const QStringList& paths, bool replace) {
  if (replace) loaded_.clear();
  int ok = 0, bad = 0;
  for (const QString& p : paths) {
    Loaded l;
    if (!readCtDataFile(p, l.grid)) {
      ++bad;
      log(QStringLiteral("note: not loaded (missing or not a CT data file): %1").arg(p));
      continue;
    }
    l.path = QFileInfo(p).absoluteFilePath();
    l.energy = energyFolderOf(l.path);
    l.slice = sliceNumberOf(l.path);
    loaded_.push_back(std::move(l));
    ++ok;
  }
  log(QStringLiteral("load: %1 file(s) loaded, %2 not loaded, %3 in the set")
          .arg(ok)
          .arg(bad)
          .arg(loaded_.size()));
}

void StandinServer::exec2dA(const Command& c) {
  // The files of the requested slice; files whose names carry no slice
  // number belong to whatever slice is asked for. Without an argument every
  // loaded file is analysed.
  const bool all = c.items.size() < 2;
  const QString arg = all ? QString()
                          : c.line.mid(c.items[1].begin, c.items[1].end - c.items[1].begin);
  const int slice = all ? -1 : sliceArgument(arg);
  if (!all && slice < 0) {
    log(QStringLiteral("2da: slice number not understood: %1").arg(printable(arg.toLatin1())));
    return;
  }
  const QString no = all ? QStringLiteral("all") : sliceNumberText(slice);

  QStringList rows;
  rows << QStringLiteral("file,energy,slice,pixels,min,max,mean,std");
  int count = 0;
  for (const Loaded& l : loaded_) {
    if (!all && l.slice >= 0 && l.slice != slice) continue;
    const SliceStats s = sliceStats(l.grid);
    rows << QStringList{csvField(l.path),
                        csvField(l.energy),
                        l.slice >= 0 ? sliceNumberText(l.slice) : QString(),
                        QString::number(s.pixels),
                        csvNumber(s.min),
                        csvNumber(s.max),
                        csvNumber(s.mean),
                        csvNumber(s.std)}
                .join(QLatin1Char(','));
    ++count;
  }

  const QString path = csvPath(no);
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    log(QStringLiteral("2da %1: folder cannot be created: %2").arg(no, QFileInfo(path).absolutePath()));
    return;
  }
  QSaveFile f(path);
  bool written = f.open(QIODevice::WriteOnly | QIODevice::Text);
  if (written) {
    f.write((rows.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    written = f.commit();
  }
  if (!written) {
    log(QStringLiteral("2da %1: %2 cannot be written: %3").arg(no, path, f.errorString()));
    return;
  }
  log(QStringLiteral("2da %1: %2 of %3 loaded file(s) analysed -> %4")
          .arg(no)
          .arg(count)
          .arg(loaded_.size())
          .arg(path));
}
