// The line-oriented TCP client (its line cutting directly, the rest over
// loopback against a server inside the test) and the Quillmap protocol object.
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "LogCapture.h"
#include "LoopbackPeer.h"
#include "base/ConfigStore.h"
#include "link/QuillmapLink.h"
#include "link/TcpClient.h"

namespace {

// Gives the tests the line cutting on its own and the bytes still waiting
// for their line feed.
class ProbeClient : public TcpClient {
 public:
  using TcpClient::takeBytes;
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
bool connectTo(TcpClient& c, LoopbackPeer& peer) {
  pointAt(c, peer.port());
  c.doConnect();
  return QTest::qWaitFor([&] { return c.isConnected() && peer.last(); }, 5000);
}

// Points the configuration at the peer, connects a link and waits for its
// handshake, which is then cleared from what the peer received.
bool connectLink(QuillmapLink& link, LoopbackPeer& peer) {
  pointAt(link, peer.port());
  link.doConnect();
  const bool up =
      QTest::qWaitFor([&] { return peer.received == QByteArray("myName Vanto\n"); }, 5000);
  peer.received.clear();
  return up;
}

}  // namespace

class TestLink : public QObject {
  Q_OBJECT

 private slots:
  void init() { ConfigStore::instance().clear(); }

  // ---- TcpClient ----

  // Lines are cut as the bytes arrive, in any pieces; a partial line longer than
  // kMaxLineBytes keeps its first kMaxLineBytes and loses the rest up to its
  // line feed, so that a peer that never ends a line cannot exhaust memory.
  void framing_data() {
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("messages");
    QTest::addColumn<int>("logged");  // "rec:" lines, empty lines included
    QTest::addColumn<int>("capped");  // "exceeds" lines
    QTest::newRow("empty line, line over two reads, carriage return kept")
        << QList<QByteArray>{"A\n\nB", "C\r\n"} << QList<QByteArray>{"A", "BC\r"} << 3 << 0;
    const QByteArray piece(512 * 1024, 'x');  // 2.5 MiB without a line feed
    QTest::newRow("overlong line capped")
        << QList<QByteArray>{piece, piece, piece, piece, piece, "tail\nnext\n"}
        << QList<QByteArray>{QByteArray(TcpClient::kMaxLineBytes, 'x'), "next"} << 2 << 1;
  }
  void framing() {
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, messages);
    QFETCH(int, logged);
    QFETCH(int, capped);
    ProbeClient client;
    QSignalSpy msgs(&client, &TcpClient::receiveAnMsg);
    LogCapture log;
    for (const QByteArray& r : reads) {
      client.takeBytes(r);
      QVERIFY(client.buffered().size() <= TcpClient::kMaxLineBytes);
    }
    QList<QByteArray> got;
    for (const auto& args : msgs) got << args.at(0).toByteArray();
    QCOMPARE(got, messages);
    QVERIFY(client.buffered().isEmpty());
    QCOMPARE(log.matching(QStringLiteral("rec:")).size(), logged);
    QCOMPARE(log.matching(QStringLiteral("exceeds")).size(), capped);
  }

  // A second doConnect while up keeps the one connection; destroying the
  // client closes it and reports the link as no longer wanted.
  void connectWhileUpThenDestroy() {
    LoopbackPeer peer;
    auto client = std::make_unique<TcpClient>();
    QVERIFY(connectTo(*client, peer));
    QSignalSpy stat(client.get(), &TcpClient::statChanged);
    client->doConnect();
    QCOMPARE(stat.count(), 1);
    QCoreApplication::processEvents();
    QVERIFY(client->isConnected());
    QCOMPARE(peer.connections(), 1);
    QCOMPARE(peer.last()->state(), QAbstractSocket::ConnectedState);
    client.reset();
    QVERIFY(stat.count() >= 2);
    QTRY_COMPARE(peer.last()->state(), QAbstractSocket::UnconnectedState);
  }

  // ---- QuillmapLink ----

  // The peer's address from the configuration: the default when the key is
  // absent, the key in any case with blanks around the items, a port that is
  // no number read as 0. The constructor does not connect.
  void endpoint() {
    QStringList got;
    for (auto [key, value] : {std::pair<QString, QString>{},
                              {"quillmap", "  qmhost \t 6101 "},
                              {"Quillmap", "qmhost abc"}}) {
      ConfigStore::instance().clear();
      if (!key.isEmpty()) ConfigStore::instance().setValue(key, value);
      QuillmapLink link;
      QVERIFY(!link.linkWanted());
      got << link.hostName() + ':' + QString::number(link.port());
    }
    QCOMPARE(got, (QStringList{"127.0.0.1:6078", "qmhost:6101", "qmhost:0"}));
  }

  // The state after a report, as "busy|last command|busy flags emitted", from
  // a free state with OLD as the last command or from a busy one.
  void busyReports() {
    const QByteArray fromFree = "ISBUSY 0 OLD", fromBusy = "ISBUSY 1";
    const std::pair<QByteArray, QByteArray> cases[] = {
        {fromBusy, "ISBUSY 0 load_i1_files"},    // lower-case command word
        {fromFree, "ISBUSY 1 LOAD_I1_FILES"},    // busy naming a command
        {fromBusy, "ISBUSY yes LOAD_I1_FILES"},  // second item not a number, three items
        {fromFree, "ISBUSY"},                    // a bare ISBUSY clears the command
        {fromFree, "HELLO 1 X"}};                // other lines are ignored
    QStringList got;
    for (const auto& [before, report] : cases) {
      QuillmapLink link;
      link.receiveAnMsg(before);
      QSignalSpy spy(&link, &QuillmapLink::changedIsBusy);
      link.receiveAnMsg(report);
      QString emitted;
      for (const auto& args : spy) emitted += args.at(0).toBool() ? '1' : '0';
      got << QStringList({link.peerBusy() ? "1" : "0", link.lastCommand(), emitted}).join('|');
    }
    QCOMPARE(got, (QStringList{"0|LOAD_I1_FILES|0", "1||1", "0|LOAD_I1_FILES|0", "0||", "0|OLD|"}));
  }

  // What goes out after the handshake, as Latin-1, each line logged as sent;
  // a path with a blank goes out as it is, unquoted, and is named in a warning.
  void messages_data() {
    QTest::addColumn<QStringList>("calls");  // "exec:S", "files:A|B"
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("busy");       // waiting for the peer's report afterwards
    QTest::addColumn<QString>("warned");  // the path named in a warning
    QTest::newRow("empty list re-sends handshake")
        << QStringList{"files:"} << QByteArray("myName Vanto\n") << false << "";
    QTest::newRow("two exec2dA in a row")
        << QStringList{"exec:00012", "exec:00013"}
        << QByteArray("ANALYZER_EXEC_2DA 00012\nmyName Vanto\n") << false << "";
    QTest::newRow("load while busy")
        << QStringList{"exec:00001", "files:a"}
        << QByteArray("ANALYZER_EXEC_2DA 00001\nmyName Vanto\n") << false << "";
    QTest::newRow("Latin-1") << QStringList{"files:/d/caf\u00e9"}
                             << QByteArray("LOAD_I1_FILES new /d/caf\xe9\n") << true << "";
    QTest::newRow("blank in a path")
        << QStringList{"files:/d/my run/a.dat|/d/b.dat"}
        << QByteArray("LOAD_I1_FILES new /d/my run/a.dat /d/b.dat\n") << true << "/d/my run/a.dat";
  }
  void messages() {
    QFETCH(QStringList, calls);
    QFETCH(QByteArray, sent);
    QFETCH(bool, busy);
    QFETCH(QString, warned);
    LoopbackPeer peer;
    QuillmapLink link;
    QSignalSpy up(&link, &QuillmapLink::connected);
    QVERIFY(connectLink(link, peer));
    QCOMPARE(up.count(), 1);
    LogCapture log;
    for (const QString& c : calls) {
      const QString arg = c.section(':', 1);
      if (c.startsWith("exec:"))
        link.exec2dA(arg);
      else
        link.loadFiles(arg.split('|', Qt::SkipEmptyParts));
    }
    QTRY_COMPARE(peer.received, sent);
    QCOMPARE(link.peerBusy(), busy);
    QCOMPARE(log.matching(QStringLiteral("snd:")).size(), sent.count('\n'));
    const QStringList warnings = log.matching(QStringLiteral("blank"));
    QCOMPARE(warnings.size(), warned.isEmpty() ? 0 : 1);
    QVERIFY(warned.isEmpty() || warnings[0].contains(warned));
  }

  void commandWhileDownStaysBusyUntilConnected() {
    LoopbackPeer peer;
    QuillmapLink link;
    pointAt(link, peer.port());
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
    QuillmapLink link;
    pointAt(link, closedPort());
    auto button = std::make_unique<QPushButton>();
    link.setLinkButton(button.get());
    link.doConnect();
    // The button may go before the link; the link must not touch it then.
    button.reset();
    link.doDisconnect();
    QVERIFY(!link.linkButton());
  }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
