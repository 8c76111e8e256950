#include "ct/CtCalc2.h"

#include <QBuffer>
#include <QDebug>
#include <QImageWriter>
#include <algorithm>
#include <limits>

#include "ct/CtRunMath.h"
#include "ct/StripeRemoval.h"
#include "output/CtDataFile.h"
#include "output/CtFloatTiff.h"
#include "output/SavingData.h"
#include "output/SavingImg.h"

CtCalc2::CtCalc2(QObject* parent) : QObject(parent) {}

CtCalc2::~CtCalc2() = default;

void CtCalc2::setSource(const SinogramSource& src, const SinogramParams& base) {
  std::lock_guard lock(input_);
  source_ = src;
  base_ = base;
}

void CtCalc2::setRegion(const FbpRegion& region, bool regionSet) {
  std::lock_guard lock(input_);
  region_ = region;
  regionSet_ = regionSet;
}

void CtCalc2::setGreyMap(const GreyMap& map) {
  std::lock_guard lock(input_);
  map_ = map;
}

void CtCalc2::setupWorkspace(int n, int m, int rowCapacity, const FbpFilterChoice& filter) {
  std::lock_guard lock(work_);
  ws_.setup(n, m, rowCapacity, filter);
}

int CtCalc2::workspaceN() const {
  std::lock_guard lock(work_);
  return ws_.n();
}

bool CtCalc2::claim() {
  bool expected = false;
  if (!busy_.compare_exchange_strong(expected, true)) return false;
  claimed_.store(true);
  return true;
}

QImage CtCalc2::picture() const {
  std::lock_guard lock(result_);
  return picture_;
}

bool CtCalc2::pictureValid() const {
  std::lock_guard lock(result_);
  return pictureValid_;
}

double CtCalc2::valueAt(int x, int z) const {
  std::lock_guard lock(result_);
  if (x < 0 || z < 0 || x >= shownN_ || z >= shownN_) return 0.0;
  return shown_[static_cast<std::size_t>(z) * shownN_ + x];
}

int CtCalc2::shownSize() const {
  std::lock_guard lock(result_);
  return shownN_;
}

int CtCalc2::sliceNo() const {
  std::lock_guard lock(result_);
  return sliceNo_;
}

QDateTime CtCalc2::startTime() const {
  std::lock_guard lock(result_);
  return start_;
}

QDateTime CtCalc2::endTime() const {
  std::lock_guard lock(result_);
  return end_;
}

std::vector<double> CtCalc2::imageCopy() const {
  std::lock_guard lock(work_);
  if (ws_.imageSize() <= 0) return {};
  return std::vector<double>(
      ws_.image(), ws_.image() + static_cast<std::size_t>(ws_.imageSize()) * ws_.imageSize());
}

void CtCalc2::beginingCt() {
  busy_.store(true);
  {
    std::lock_guard lock(result_);
    start_ = QDateTime::currentDateTime();
  }
}

void CtCalc2::endingCt() {
  {
    std::lock_guard lock(result_);
    end_ = QDateTime::currentDateTime();
  }
  // Idle before the dispatcher hears of it, so that it can hand out the next
  // slice at once.
  busy_.store(false);
  emit ended();
  emit calcFinished();
}

// A slice is taken when the dispatcher claimed this worker for it, or when
// the worker is idle (a call that did not go through the dispatcher).
bool CtCalc2::takeSlice() {
  if (claimed_.exchange(false)) return true;
  bool expected = false;
  return busy_.compare_exchange_strong(expected, true);
}

void CtCalc2::startCt(CtCalc2* ctc2, bool rotAxIsV, double cor, int slice, bool genAndDispImage) {
  if (ctc2 != this || !panel_) return;
  if (!takeSlice()) return;
  genAndDispImage_ = genAndDispImage;
  beginingCt();
  {
    std::lock_guard lock(result_);
    sliceNo_ = slice;
  }
  emit began(slice);

  SinogramSource src;
  SinogramParams sp;
  FbpRegion region;
  bool regionSet;
  {
    std::lock_guard lock(input_);
    src = source_;
    sp = base_;
    region = region_;
    regionSet = regionSet_;
  }
  sp.rotAxIsV = rotAxIsV;
  sp.cor = cor;
  sp.slice = slice;

  bool computed = false;
  {
    std::lock_guard lock(work_);
    // The builder leaves the record as it is when it cannot build (no frames,
    // a CoR off the detector); a slice number it did not write tells that,
    // and the arrays are kept from slice to slice.
    sgm_.setSlice(std::numeric_limits<int>::min());
    buildSinogram(src, sp, sgm_);
    if (sgm_.slice() == slice && sgm_.hasData() &&
        static_cast<long long>(sgm_.width()) * sgm_.rows() > 0) {
      n_ = sgm_.width() & ~1;
      m_ = sgm_.rows();
      if (n_ != ws_.n() || m_ > ws_.rowCapacity()) {
        // The run sized every workspace for one transform length; a slice
        // that needs another is skipped rather than computed out of bounds.
        qDebug() << "CtCalc2: slice" << slice << "needs N" << n_ << "and" << m_
                 << "rows; the workspace has" << ws_.n() << "and" << ws_.rowCapacity();
      } else {
        ws_.clearImage(n_);
        if (!regionSet) {
          region = FbpRegion{0.0, 0.0, static_cast<double>(n_), static_cast<double>(n_)};
          emit regionDefaulted(n_);
        }
        region_used_ = region;
        const CtAngles a = params_ ? ctAngles(*params_) : CtAngles{};
        if (params_ && params_->ringRemovalSize >= 3)
          removeStripes(sgm_.sgm(), sgm_.width(), m_, params_->ringRemovalSize);
        ws_.forwardAll(sgm_);
        ws_.filterAll(m_);
        ws_.backProjectAll(m_, region, a.angle0, a.dAngle);
        {
          std::lock_guard rl(result_);
          pictureValid_ = false;
        }
        if (genAndDispImage_) genResImageLocked();
        computed = true;
      }
    }
  }
  if (computed) {
    ++slicesDone_;
    const bool sweep = params_ && params_->corSweep;
    bool saveImg, saveDat;
    {
      std::lock_guard lock(input_);
      saveImg = saveImg_.on && !sweep;
      saveDat = saveData_.on && !sweep;
    }
    if (saveImg) saveImage();
    if (saveDat) saveData();
    QImage copy;
    bool valid;
    {
      std::lock_guard lock(result_);
      valid = pictureValid_;
      if (valid) copy = picture_.copy();
    }
    if (valid && sweep)
      emit corImage(sp.cor, copy);
    else if (valid)
      emit ctImage(slice, copy);
  }
  emit sliceEnded(slice, computed);
  endingCt();
}

void CtCalc2::genResImage() {
  std::lock_guard lock(work_);
  genResImageLocked();
}

void CtCalc2::genResImageLocked() {
  const int n = ws_.imageSize();
  if (n <= 0 || n != ws_.n() || !ws_.done()) return;
  ws_.minMax();
  GreyMap map;
  {
    std::lock_guard lock(input_);
    map_.takeRange(ws_.min(), ws_.max());
    map = map_;
  }
  QImage pic(n, n, QImage::Format_Grayscale8);
  for (int y = 0; y < n; ++y) map.mapRow(ws_.imageRow(y), n, pic.scanLine(y));
  {
    std::lock_guard lock(result_);
    picture_ = std::move(pic);
    pictureValid_ = true;
    shown_.assign(ws_.image(), ws_.image() + static_cast<std::size_t>(n) * n);
    shownN_ = n;
  }
  if (!map.fixed) emit barRange(ws_.min(), ws_.max());
  emit pictureChanged();
}

void CtCalc2::saveImage() {
  if (!pictureValid()) genResImage();
  CtSaveSetting setting;
  {
    std::lock_guard lock(input_);
    setting = saveImg_;
  }
  auto* rec = new SavingImg(setting.path, setting.name, setting.tag, sliceNo());
  {
    std::lock_guard lock(result_);
    if (!pictureValid_) {
      delete rec;
      return;
    }
    rec->image = picture_.copy();
  }
  // The PNG is encoded here, on this worker's thread: the saver's thread is
  // also the dispatcher's, which would otherwise encode every worker's
  // pictures one after the other before handing out the next slice.
  QBuffer buffer(&rec->encoded);
  if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "png").write(rec->image))
    rec->encoded.clear();  // the saver encodes it then
  emit saveImgWDiscard(rec);
}

void CtCalc2::saveData() {
  CtSaveSetting setting;
  {
    std::lock_guard lock(input_);
    setting = saveData_;
  }
  auto* rec = new SavingData(setting.path, setting.name, setting.tag, sliceNo());
  CtDataLimits limits;
  if (params_) limits = CtDataLimits{params_->upperLimit, params_->lowerLimit, params_->offset};
  const bool tiff = params_ && params_->saveDataTiff;
  {
    std::lock_guard lock(work_);
    const CtDataRegion r{region_used_.x0, region_used_.y0, region_used_.x1, region_used_.y1};
    const int n = ws_.imageSize();
    if (!tiff) {
      // Composed in a buffer kept from slice to slice (shared with the
      // record until the saver has written it, after which its memory is
      // ours again): tens of megabytes of fresh memory cost more in page
      // faults than the text takes to format.
      dataText_.resize(0);
      appendCtDataFile(dataText_, n > 0 ? ws_.image() : nullptr, n, n, r, limits);
      rec->data = dataText_;
    } else if (!appendCtFloatTiff(rec->data, n > 0 ? ws_.image() : nullptr, n, n, r, limits)) {
      qWarning() << "Float TIFF slice not saved, the region holds no pixel or is too large: slice"
                 << rec->no;
      delete rec;
      return;
    }
  }
  if (tiff) rec->ext = QStringLiteral("tif");
  emit saveDataWDiscard(rec);
}

void CtCalc2::setSaveImage(bool f, QString path, QString name, QString tag) {
  std::lock_guard lock(input_);
  saveImg_ = CtSaveSetting{f, path, name, tag};
}

void CtCalc2::setSaveData(bool f, QString path, QString name, QString tag) {
  std::lock_guard lock(input_);
  saveData_ = CtSaveSetting{f, path, name, tag};
}
