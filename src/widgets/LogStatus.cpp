#include "widgets/LogStatus.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "base/MessageLog.h"

LogStatus::LogStatus(MessageLog* log, QWidget* parent)
    : QFrame(parent), log_(log), message_(new QLabel(this)), button_(new QPushButton(this)) {
  message_->setObjectName("LastMessage");
  button_->setObjectName("ShowLog");
  // The label's own width must not widen the window: it is elided to fit.
  message_->setMinimumWidth(50);
  message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(message_, 1);
  row->addWidget(button_);
  connect(button_, &QPushButton::clicked, this, &LogStatus::showLog);
  connect(log_, &MessageLog::added, this, &LogStatus::lastMessage);
  connect(log_, &MessageLog::cleared, this, &LogStatus::lastMessage);
  connect(log_, &MessageLog::unreadChanged, this, &LogStatus::unread);
  lastMessage();
  unread(log_->unreadWarnings());
}

QString LogStatus::buttonText() const { return button_->text(); }

void LogStatus::lastMessage() {
  const auto& entries = log_->entries();
  full_ = entries.empty()
              ? QString()
              : entries.back().time.toString("hh:mm:ss.zzz") + "  " + entries.back().text;
  message_->setToolTip(full_);
  elide();
}

void LogStatus::unread(int count) {
  if (count <= 0) {
    button_->setText(tr("Log"));
    button_->setStyleSheet(QString());
  } else {
    button_->setText(count == 1 ? tr("1 unread warning") : tr("%1 unread warnings").arg(count));
    button_->setStyleSheet("background-color: rgb(255, 192, 192);");
  }
}

void LogStatus::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  elide();
}

void LogStatus::elide() {
  message_->setText(
      message_->fontMetrics().elidedText(full_, Qt::ElideRight, std::max(0, message_->width())));
}
