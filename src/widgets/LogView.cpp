#include "widgets/LogView.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "base/MessageLog.h"

namespace {
const QColor kWarning(255, 192, 192);
}

LogView::LogView(MessageLog* log, QWidget* parent)
    : QFrame(parent), log_(log), text_(new QPlainTextEdit(this)) {
  auto* clear = new QPushButton(tr("Clear"), this);
  clear->setObjectName("ClearLog");
  auto* top = new QHBoxLayout;
  top->addWidget(clear);
  top->addStretch(1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);
  column->addLayout(top);
  column->addWidget(text_);
  text_->setObjectName("LogText");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setMaximumBlockCount(MessageLog::kMaxEntries);
  connect(clear, &QPushButton::clicked, log_, &MessageLog::clear);
  connect(log_, &MessageLog::added, this, &LogView::scheduleRefresh);
  connect(log_, &MessageLog::cleared, this, &LogView::clearView);
  refresh();  // what was logged before the window was built
}

QStringList LogView::lines() const {
  if (text_->document()->isEmpty()) return {};
  return text_->toPlainText().split('\n');
}

bool LogView::highlighted(int line) const {
  const QTextBlock b = text_->document()->findBlockByNumber(line);
  return b.isValid() && b.blockFormat().background().color() == kWarning;
}

void LogView::showEvent(QShowEvent* event) {
  QFrame::showEvent(event);
  log_->markRead();
}

void LogView::scheduleRefresh() {
  // A burst of messages (a batch, a run's slices) is appended in one go.
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, this, &LogView::refresh);
}

void LogView::refresh() {
  pending_ = false;
  const auto& entries = log_->entries();
  const qint64 first = log_->total() - qint64(entries.size());
  QScrollBar* bar = text_->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum();
  QTextCursor c(text_->document());
  c.movePosition(QTextCursor::End);
  c.beginEditBlock();
  for (qint64 i = std::max(shown_, first); i < log_->total(); ++i) {
    const LogEntry& e = entries[size_t(i - first)];
    QTextBlockFormat f;
    if (e.warning) f.setBackground(kWarning);
    if (text_->document()->isEmpty())
      c.setBlockFormat(f);
    else
      c.insertBlock(f);
    c.insertText(e.time.toString("hh:mm:ss.zzz") + "  " + e.text);
  }
  c.endEditBlock();
  shown_ = log_->total();
  if (atEnd) bar->setValue(bar->maximum());
  if (isVisible()) log_->markRead();
}

void LogView::clearView() {
  text_->clear();
  shown_ = log_->total();
}
