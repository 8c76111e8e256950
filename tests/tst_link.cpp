// The line-oriented TCP client and the Quillmap protocol object, driven over
// loopback against a QTcpServer inside the test.
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>
#include <vector>

#include "LogCapture.h"
#include "app/ConfigStore.h"
#include "link/QuillmapLink.h"
#include "link/TcpClient.h"

namespace {

// A loopback server that keeps every accepted socket and what it received.
class Peer : public QObject {
 public:
  explicit Peer(bool closeAtOnce = false) {
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this, closeAtOnce] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        times.push_back(clock.elapsed());
        if (closeAtOnce) {
          s->close();
          s->deleteLater();
          continue;
        }
        sockets.push_back(s);
        connect(s, &QTcpSocket::readyRead, this, [this, s] { received += s->readAll(); });
      }
    });
    clock.start();
  }
  quint16 port() const { return server.serverPort(); }
  int connections() const { return int(times.size()); }
  QTcpSocket* last() const { return sockets.empty() ? nullptr : sockets.back(); }
  // Writes to the latest connection and pushes the bytes out at once.
  void write(const QByteArray& bytes) {
    last()->write(bytes);
    last()->flush();
  }

  QTcpServer server;
  std::vector<QTcpSocket*> sockets;  // children of the server
  std::vector<qint64> times;         // ms since start, one per accepted connection
  QByteArray received;
  QElapsedTimer clock;
};

// Gives the tests a view of the bytes still waiting for their line feed.
class ProbeClient : public TcpClient {
 public:
  QByteArray buffered() const { return rxBuffer_; }
};

// A port on which nobody listens (taken from a server that is closed again).
quint16 closedPort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  const quint16 p = s.serverPort();
  s.close();
  return p;
}

void pointAt(TcpClient& c, quint16 port) {
  c.setHostName(QStringLiteral("127.0.0.1"));
  c.setPort(port);
}

// Connects the client to the peer and waits until both ends are up.
bool connectTo(TcpClient& c, Peer& peer) {
  pointAt(c, peer.port());
  c.doConnect();
  return QTest::qWaitFor([&] { return c.isConnected() && peer.last(); }, 5000);
}

}  // namespace

class TestLink : public QObject {
  Q_OBJECT

 private slots:
  void init() { ConfigStore::instance().clear(); }

  // ---- TcpClient ----

  void framing_data() {
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("messages");
    QTest::addColumn<int>("logged");  // "rec:" lines, empty lines included
    QTest::newRow("empty line between")
        << QList<QByteArray>{"A\n\nB\n"} << QList<QByteArray>{"A", "B"} << 3;
    QTest::newRow("line split over two reads")
        << QList<QByteArray>{"AB", "C\n"} << QList<QByteArray>{"ABC"} << 1;
    QTest::newRow("carriage return kept")
        << QList<QByteArray>{"A\r\n"} << QList<QByteArray>{"A\r"} << 1;
  }
  void framing() {
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, messages);
    QFETCH(int, logged);
    Peer peer;
    ProbeClient client;
    QSignalSpy msgs(&client, &TcpClient::receiveAnMsg);
    QVERIFY(connectTo(client, peer));
    LogCapture log;
    QByteArray sent;
    for (const QByteArray& r : reads) {
      peer.write(r);
      sent += r;
      // Wait until this piece has been taken in, so that each piece is a read
      // of its own: the tail after the last line feed is what stays buffered.
      const QByteArray tail = sent.mid(sent.lastIndexOf('\n') + 1);
      int expectedSoFar = 0;
      for (const QByteArray& l : sent.left(sent.size() - tail.size()).split('\n'))
        if (!l.isEmpty()) ++expectedSoFar;
      QTRY_COMPARE(msgs.count(), expectedSoFar);
      QTRY_COMPARE(client.buffered(), tail);
    }
    QList<QByteArray> got;
    for (const auto& args : msgs) got << args.at(0).toByteArray();
    QCOMPARE(got, messages);
    QCOMPARE(log.matching(QStringLiteral("rec:")).size(), logged);
  }

  void overlongLineIsCapped() {
    // A peer that never sends a line feed must not grow the buffer without
    // bound; the link stays up and the next line comes through.
    Peer peer;
    ProbeClient client;
    QSignalSpy msgs(&client, &TcpClient::receiveAnMsg);
    QVERIFY(connectTo(client, peer));
    LogCapture log;
    const QByteArray piece(512 * 1024, 'x');
    for (int i = 0; i < 5; ++i) peer.write(piece);  // 2.5 MiB, no line feed
    QTRY_VERIFY_WITH_TIMEOUT(!peer.last()->bytesToWrite() &&
                                 client.buffered().size() == TcpClient::kMaxLineBytes &&
                                 log.matching(QStringLiteral("exceeds")).size() == 1,
                             20000);
    peer.write("tail\nnext\n");
    QTRY_COMPARE_WITH_TIMEOUT(msgs.count(), 2, 20000);
    // The capped line is the first 1 MiB of what was sent; "tail" belonged to
    // the dropped excess.
    QCOMPARE(msgs.at(0).at(0).toByteArray(), QByteArray(TcpClient::kMaxLineBytes, 'x'));
    QCOMPARE(msgs.at(1).at(0).toByteArray(), QByteArray("next"));
    QCOMPARE(log.matching(QStringLiteral("exceeds")).size(), 1);
    QVERIFY(client.isConnected());
    QVERIFY(client.buffered().isEmpty());
    QCOMPARE(peer.last()->state(), QAbstractSocket::ConnectedState);
  }

  void sendWritesLatin1AndLogs() {
    Peer peer;
    TcpClient client;
    QVERIFY(connectTo(client, peer));
    LogCapture log;
    client.send(QStringLiteral("caf\u00e9 1\n"));
    QTRY_COMPARE(peer.received, QByteArray("caf\xe9 1\n"));  // é is 0xE9 in Latin-1
    QCOMPARE(log.matching(QStringLiteral("snd:")).size(), 1);
  }

  void doConnectWhileUp() {
    Peer peer;
    TcpClient client;
    QVERIFY(connectTo(client, peer));
    QSignalSpy stat(&client, &TcpClient::statChanged);
    client.doConnect();
    QCOMPARE(stat.count(), 1);
    QCoreApplication::processEvents();
    QVERIFY(client.isConnected());
    QCOMPARE(peer.connections(), 1);
    QCOMPARE(peer.last()->state(), QAbstractSocket::ConnectedState);
  }

  void reconnectsEverySecondAfterLoss() {
    // The peer drops every connection at once; after each loss the client
    // must come back about once a second, not at once and not never.
    Peer peer(/*closeAtOnce=*/true);
    TcpClient client;
    pointAt(client, peer.port());
    client.doConnect();
    QTRY_VERIFY_WITH_TIMEOUT(peer.connections() >= 4, 15000);
    for (int i = 1; i < 4; ++i) {
      const qint64 gap = peer.times[i] - peer.times[i - 1];
      QVERIFY2(gap >= 900, qPrintable(QString::number(gap)));
    }
    QVERIFY(client.linkWanted());
    client.doDisconnect();
    const int before = peer.connections();
    QVERIFY(!QTest::qWaitFor([&] { return peer.connections() > before; }, 2500));
  }

  void destructionClosesLink() {
    Peer peer;
    auto client = std::make_unique<TcpClient>();
    QVERIFY(connectTo(*client, peer));
    QSignalSpy stat(client.get(), &TcpClient::statChanged);
    client.reset();
    QVERIFY(stat.count() >= 1);  // the link is reported as no longer wanted
    QTRY_COMPARE(peer.last()->state(), QAbstractSocket::UnconnectedState);
  }

  // ---- QuillmapLink ----

  void endpoint_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("absent") << QString() << QString() << "127.0.0.1" << 6078;
    QTest::newRow("lower-case key, extra blanks") << "quillmap"
                                                  << "  qmhost \t 6101 "
                                                  << "qmhost" << 6101;
    // clang-format off
    QTest::newRow("port not a number") << "Quillmap" << "qmhost abc" << "qmhost" << 0;
    // clang-format on
  }
  void endpoint() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, host);
    QFETCH(int, port);
    if (!key.isEmpty()) ConfigStore::instance().setValue(key, value);
    QuillmapLink link;
    QCOMPARE(link.hostName(), host);
    QCOMPARE(int(link.port()), port);
    QVERIFY(!link.linkWanted());  // the constructor does not connect
  }

  void busyReports_data() {
    QTest::addColumn<QStringList>("before");  // reports that set the start state
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("lastCommand");
    QTest::addColumn<QList<bool>>("emitted");
    const QStringList fromFree{"ISBUSY 0 OLD"};  // free, lastCommand OLD
    const QStringList fromBusy{"ISBUSY 1"};
    QTest::newRow("lower-case command word") << fromBusy << QByteArray("ISBUSY 0 load_i1_files")
                                             << false << "LOAD_I1_FILES" << QList<bool>{false};
    QTest::newRow("busy naming a command")
        << fromFree << QByteArray("ISBUSY 1 LOAD_I1_FILES") << true << "" << QList<bool>{true};
    QTest::newRow("second item not a number, three items")
        << fromBusy << QByteArray("ISBUSY yes LOAD_I1_FILES") << false << "LOAD_I1_FILES"
        << QList<bool>{false};
    QTest::newRow("bare ISBUSY clears the command")
        << fromFree << QByteArray("ISBUSY") << false << "" << QList<bool>{};
    QTest::newRow("other line ignored")
        << fromFree << QByteArray("HELLO 1 X") << false << "OLD" << QList<bool>{};
  }
  void busyReports() {
    QFETCH(QStringList, before);
    QFETCH(QByteArray, report);
    QFETCH(bool, busy);
    QFETCH(QString, lastCommand);
    QFETCH(QList<bool>, emitted);
    QuillmapLink link;
    for (const QString& b : before) link.receiveAnMsg(b.toUtf8());
    QSignalSpy spy(&link, &QuillmapLink::changedIsBusy);
    link.receiveAnMsg(report);
    QCOMPARE(link.peerBusy(), busy);
    QCOMPARE(link.lastCommand(), lastCommand);
    QList<bool> got;
    for (const auto& args : spy) got << args.at(0).toBool();
    QCOMPARE(got, emitted);
  }

  void messages_data() {
    QTest::addColumn<QStringList>("calls");  // "exec:S", "files:A B"
    QTest::addColumn<QByteArray>("sent");    // after the first handshake
    QTest::addColumn<bool>("busy");
    QTest::newRow("empty list re-sends handshake")
        << QStringList{"files:"} << QByteArray("myName Vanto\n") << false;
    QTest::newRow("two exec2dA in a row")
        << QStringList{"exec:00012", "exec:00013"}
        << QByteArray("ANALYZER_EXEC_2DA 00012\nmyName Vanto\n") << false;
    QTest::newRow("load while busy")
        << QStringList{"exec:00001", "files:a"}
        << QByteArray("ANALYZER_EXEC_2DA 00001\nmyName Vanto\n") << false;
  }
  void messages() {
    QFETCH(QStringList, calls);
    QFETCH(QByteArray, sent);
    QFETCH(bool, busy);
    Peer peer;
    ConfigStore::instance().setValue("Quillmap", QStringLiteral("127.0.0.1 %1").arg(peer.port()));
    QuillmapLink link;
    QSignalSpy up(&link, &QuillmapLink::connected);
    link.doConnect();
    QTRY_COMPARE(peer.received, QByteArray("myName Vanto\n"));
    QCOMPARE(up.count(), 1);
    peer.received.clear();
    for (const QString& c : calls) {
      const QString arg = c.section(':', 1);
      if (c.startsWith("exec:"))
        link.exec2dA(arg);
      else
        link.loadFiles(arg.split(' ', Qt::SkipEmptyParts));
    }
    QTRY_COMPARE(peer.received, sent);
    QCOMPARE(link.peerBusy(), busy);
  }

  void commandWhileDownStaysBusyUntilConnected() {
    Peer peer;
    ConfigStore::instance().setValue("Quillmap", QStringLiteral("127.0.0.1 %1").arg(peer.port()));
    QuillmapLink link;
    QSignalSpy busy(&link, &QuillmapLink::changedIsBusy);
    LogCapture log;
    link.exec2dA(QStringLiteral("00005"));  // dropped by the base, flag set all the same
    QVERIFY(link.peerBusy());
    QCOMPARE(busy.count(), 1);
    QVERIFY(log.matching(QStringLiteral("snd:")).isEmpty());
    link.doConnect();
    QTRY_COMPARE(peer.received, QByteArray("myName Vanto\n"));
    QVERIFY(!link.peerBusy());  // the new connection clears it
    QCOMPARE(busy.count(), 2);
    QCOMPARE(busy.at(1).at(0).toBool(), false);
  }

  void buttonGoneBeforeLink() {
    ConfigStore::instance().setValue("Quillmap", QStringLiteral("127.0.0.1 %1").arg(closedPort()));
    QuillmapLink link;
    auto button = std::make_unique<QPushButton>();
    link.setLinkButton(button.get());
    link.doConnect();
    // The button may go before the link; the link must not touch it then.
    button.reset();
    link.doDisconnect();
    QVERIFY(!link.linkButton());
  }

  void blankInPathIsLogged() {
    Peer peer;
    ConfigStore::instance().setValue("Quillmap", QStringLiteral("127.0.0.1 %1").arg(peer.port()));
    QuillmapLink link;
    link.doConnect();
    QTRY_COMPARE(peer.received, QByteArray("myName Vanto\n"));
    peer.received.clear();
    LogCapture log;
    link.loadFiles({"/d/my run/a.dat", "/d/b.dat"});
    // Still sent as it is, unquoted; the one path with a blank is named.
    QTRY_COMPARE(peer.received, QByteArray("LOAD_I1_FILES new /d/my run/a.dat /d/b.dat\n"));
    const QStringList warned = log.matching(QStringLiteral("blank"));
    QCOMPARE(warned.size(), 1);
    QVERIFY(warned.at(0).contains("/d/my run/a.dat"));
  }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
