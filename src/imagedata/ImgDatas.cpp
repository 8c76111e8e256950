#include "imagedata/ImgDatas.h"

#include <QDebug>
#include <QFileInfo>

#include "base/NamedLog.h"

ImgDatas::ImgDatas(QObject* parent) : QObject(parent) {}

ImgDatas::~ImgDatas() { clear(); }

std::vector<const ImgData*> ImgDatas::frameList() const {
  std::vector<const ImgData*> list;
  list.reserve(frames_.size());
  for (const auto& f : frames_) list.push_back(f.get());
  return list;
}

std::shared_ptr<const FrameSet> ImgDatas::snapshot() const {
  auto set = std::make_shared<FrameSet>();
  set->frames.assign(frames_.begin(), frames_.end());
  if (i0_) set->i0 = *i0_;
  if (bg_) set->bg = *bg_;
  set->width = width_;
  set->height = height_;
  return set;
}

void ImgDatas::clear() {
  clearImgs();
  width_ = height_ = 0;
}

void ImgDatas::clearImgs() { frames_.clear(); }

bool ImgDatas::add(const QString& filePath, int idx) {
  // A file that vanished after it was chosen is reported once here rather
  // than by each failing step of the type test and the reader.
  if (!QFileInfo(imageFilePath(filePath)).isFile()) {
    logNamed("File is not ready to access", filePath);
    return false;
  }
  std::unique_ptr<ImgData> frame = createImgData(fileType(filePath));
  if (!frame) return false;
  frame->setFilePath(filePath);
  if (!frame->open(idx)) {
    logNamed("File is not ready to access", filePath);
    return false;
  }
  if (width_ == 0) {
    width_ = frame->width();
    height_ = frame->height();
  }
  if (frame->width() == width_ && frame->height() == height_) {
    frames_.push_back(std::move(frame));
    return true;
  }
  logNamed(QStringLiteral("Mismatch image size: (%1, %2) != (%3, %4) :")
               .arg(width_)
               .arg(height_)
               .arg(frame->width())
               .arg(frame->height()),
           filePath);
  return false;
}

bool ImgDatas::show(int idx, QImage& image, GreyMap& map) {
  if (idx < 0 || idx >= count()) return false;
  frames_[static_cast<size_t>(idx)]->toImage(image, map);
  emit imageUpdated();
  return true;
}

int ImgDatas::framesInFile(const QString& filePath) {
  // Quiet: the file is loaded next, and loading reports what is wrong with it.
  if (!QFileInfo(imageFilePath(filePath)).isFile()) return 0;
  std::unique_ptr<ImgData> reader = createImgData(fileType(filePath, false));
  if (!reader) return 0;
  int w = 0, h = 0;
  if (!reader->readProps(filePath, w, h)) return 0;
  return reader->frameCount();
}
