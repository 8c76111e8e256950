#include "link/QuillmapLink.h"

#include <QDebug>
#include <QHostAddress>
#include <QPushButton>
#include <QRegularExpression>

#include "base/ConfigStore.h"
#include "base/ItemLine.h"

namespace {
const QString kLoadPattern = QStringLiteral("LOAD_I1_FILES_OF_PATTERN");
const QString kLoadFiles = QStringLiteral("LOAD_I1_FILES");
const QString kExec2dA = QStringLiteral("ANALYZER_EXEC_2DA");
}  // namespace

QuillmapLink::QuillmapLink(QObject* parent) : TcpClient(parent) {
  const QString entry = ConfigStore::instance().valueIgnoringCase(QStringLiteral("Quillmap"));
  if (entry.isNull()) {
    setHostName(QHostAddress(QHostAddress::LocalHost).toString());
    setPort(kDefaultPort);
  } else {
    const QStringList items = splitItems(entry);
    setHostName(items.value(0));
    bool ok = false;
    const uint p = items.value(1).toUInt(&ok, 10);
    setPort(ok && p <= 65535 ? quint16(p) : 0);
  }
  connect(this, &TcpClient::statChanged, this, &QuillmapLink::statChanged);
  connect(this, &TcpClient::statChanged, this, &QuillmapLink::nextStep);
  connect(this, &TcpClient::receiveAnMsg, this, &QuillmapLink::receiveAnMsg);
}

QuillmapLink::~QuillmapLink() {
  // The base's destructor still reports the link going down; by then this
  // part of the object is gone, so its slots must not be reached.
  disconnect(this, &TcpClient::statChanged, this, nullptr);
}

void QuillmapLink::setLinkButton(QPushButton* button) {
  if (linkButton_) disconnect(linkButton_, nullptr, this, nullptr);
  linkButton_ = button;
  setLinkButtonStyle();
  if (button) connect(button, &QPushButton::clicked, this, &TcpClient::doConnect);
}

void QuillmapLink::statChanged() {
  if (isConnected()) {
    send(QStringLiteral("myName Vanto\n"));
    emit connected();
    if (peerBusy_) {
      peerBusy_ = false;
      emit changedIsBusy(false);
    }
  }
  setLinkButtonStyle();
}

void QuillmapLink::nextStep() {}

void QuillmapLink::setLinkButtonStyle() {
  if (!linkButton_) return;
  if (isConnected())
    linkButton_->setStyleSheet(QStringLiteral("background-color: rgb(211, 255, 241);"));
  else if (linkWanted())
    linkButton_->setStyleSheet(QStringLiteral("background-color: rgb(255, 243, 162);"));
  else
    linkButton_->setStyleSheet(QStringLiteral("background-color: rgb(176, 192, 192);"));
}

void QuillmapLink::receiveAnMsg(QByteArray msg) {
  const QStringList items = QString::fromUtf8(msg).simplified().split(QLatin1Char(' '));
  if (items.isEmpty() || items.first().toUpper() != QLatin1String("ISBUSY")) return;
  bool ok = false;
  const int n = items.value(1).toInt(&ok, 10);
  bool busy = ok && n == 1;
  if (busy || items.size() < 3) {
    lastCommand_.clear();
  } else {
    lastCommand_ = items.at(2).toUpper();
    busy = false;
  }
  if (items.size() >= 2 && busy != peerBusy_) {
    peerBusy_ = busy;
    emit changedIsBusy(busy);
  }
}

bool QuillmapLink::startCommand() {
  if (peerBusy_) {
    statChanged();
    return false;
  }
  peerBusy_ = true;
  emit changedIsBusy(true);
  return true;
}

void QuillmapLink::warnOfBlanks(const QString& path) {
  // Paths travel unquoted, so the peer reads a path with a blank as several
  // items and will not find the file.
  static const QRegularExpression space(QStringLiteral("\\s"));
  if (path.contains(space))
    qDebug().noquote()
        << QStringLiteral("Path contains a blank, Quillmap will not find it: %1").arg(path);
}

void QuillmapLink::loadFilesOfPattern(QString path) {
  if (!startCommand()) return;
  warnOfBlanks(path);
  send(QStringLiteral("%1 new %2 *.dat\n").arg(kLoadPattern, path));
}

void QuillmapLink::loadFiles(QStringList fileList) {
  if (peerBusy_ || fileList.isEmpty()) {
    statChanged();
    return;
  }
  startCommand();
  for (const QString& f : fileList) warnOfBlanks(f);
  send(QStringLiteral("%1 new %2\n").arg(kLoadFiles, fileList.join(QLatin1Char(' '))));
}

void QuillmapLink::exec2dA(QString sliceNo) {
  if (!startCommand()) return;
  send(QStringLiteral("%1 %2\n").arg(kExec2dA, sliceNo));
}
