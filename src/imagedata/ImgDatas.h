#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "base/GreyMap.h"
#include "imagedata/ImgData.h"

// The projection image set: frames of one size in loading order, plus the I0
// and background reference slots of the two reference selectors. The size is
// fixed by the first frame added after clear(); clearImgs() keeps it, so later
// frames must still match it.
class ImgDatas : public QObject {
  Q_OBJECT

 public:
  using FrameSlot = std::shared_ptr<ImgData>;

  explicit ImgDatas(QObject* parent = nullptr);
  ~ImgDatas() override;

  int width() const { return width_; }
  int height() const { return height_; }
  int count() const { return static_cast<int>(frames_.size()); }
  const ImgData* frame(int i) const { return frames_[static_cast<size_t>(i)].get(); }
  ImgData* frame(int i) { return frames_[static_cast<size_t>(i)].get(); }
  std::vector<const ImgData*> frameList() const;
  // The frames and references as they are now, for readers on other threads.
  std::shared_ptr<const FrameSet> snapshot() const;

  // The reference slots are set once by the main window; they may hold null.
  void setReferences(const FrameSlot* i0, const FrameSlot* bg) {
    i0_ = i0;
    bg_ = bg;
  }
  const ImgData* i0() const { return i0_ ? i0_->get() : nullptr; }
  const ImgData* bg() const { return bg_ ? bg_->get() : nullptr; }

  // Renders frame idx into image through map; false when idx is outside the set.
  bool show(int idx, QImage& image, GreyMap& map);

  // Number of frames a file holds (2 or more for a multi-frame file); 0 when
  // the file cannot be read.
  static int framesInFile(const QString& filePath);

 signals:
  void imageUpdated();

 public slots:
  void clear();
  void clearImgs();
  bool add(const QString& filePath, int idx);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::shared_ptr<ImgData>> frames_;
  const FrameSlot* i0_ = nullptr;
  const FrameSlot* bg_ = nullptr;
};
