#pragma once

#include <QFrame>
#include <QImage>
#include <QList>
#include <memory>
#include <vector>

class ImgDisp;
class SeekCtrl;
namespace Ui {
class CtDisp;
}

// A numbered series of images (reconstructed slices, for instance) kept in
// order of their numbers and shown one at a time with a seek control.
class CtDisp : public QFrame {
  Q_OBJECT
 public:
  explicit CtDisp(QWidget* parent = nullptr);
  ~CtDisp() override;

  ImgDisp* display() const;
  SeekCtrl* seeker() const;
  int count() const { return static_cast<int>(entries_.size()); }
  int numberAt(int idx) const { return entries_.at(idx).no; }
  // The index of the entry shown last (-1 before any).
  int shownIndex() const { return shown_; }

 public slots:
  void clear();
  void addImg(int no, const QImage& img);
  void showImg(int idx);
  QList<QImage> getQImages() const;

 private:
  struct Entry {
    int no;
    QImage img;
  };
  std::unique_ptr<Ui::CtDisp> ui_;
  std::vector<Entry> entries_;
  int shown_ = -1;
};
