#pragma once

#include <QFrame>
#include <QPointer>
#include <memory>

#include "widgets/ClosableBase.h"

namespace Ui {
class PopDockBase;
}

// A panel whose content widget lives either in the panel itself (docked) or
// in an owned top-level window (popped). Closing the window docks it back.
class PopDockBase : public QFrame {
  Q_OBJECT
 public:
  explicit PopDockBase(QWidget* parent = nullptr);
  ~PopDockBase() override;

  // Places the content in the docking area; the panel takes it over.
  void setContent(QWidget* content);
  QWidget* content() const { return content_; }
  bool isPopped() const { return popped_; }
  ClosableBase* popWindow() const { return popWin_.get(); }

 signals:
  void closed();
  void popped(bool f);

 public slots:
  void popDock();
  void popDock(bool f);
  void moveToDockBase();
  void moveToPopBase();

 private:
  std::unique_ptr<Ui::PopDockBase> ui_;
  std::unique_ptr<ClosableBase> popWin_;
  QPointer<QWidget> content_;
  bool popped_ = false;
};
