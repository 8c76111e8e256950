#pragma once

#include <QFrame>

// The main window. It owns every panel of the program and ends the process
// when it is closed.
class Body : public QFrame {
  Q_OBJECT

 public:
  explicit Body(QWidget* parent = nullptr);
  ~Body() override;

 signals:
  void finishing();
  void callBatchLoad(QString fname);
  void callBatchExec();
  void callBatchCheckEnd();

 public slots:
  void batchLoad(QString fname);
  void batchExec();

 protected:
  void closeEvent(QCloseEvent* event) override;
};
