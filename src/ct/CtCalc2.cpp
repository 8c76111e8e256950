#include "ct/CtCalc2.h"

#include <QBuffer>
#include <QDebug>
#include <QImageWriter>
#include <algorithm>
#include <limits>

#include "ct/StripeRemoval.h"
#include "output/CtDataFile.h"
#include "output/CtFloatTiff.h"
#include "output/SavingData.h"
#include "output/SavingImg.h"

CtCalc2::CtCalc2(QObject* parent) : QObject(parent) {}

CtCalc2::~CtCalc2() = default;

void CtCalc2::setRun(std::shared_ptr<const CtRunData> run) {
  std::lock_guard lock(input_);
  run_ = std::move(run);
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

void CtCalc2::startCt(CtCalc2* ctc2, int slice, bool genAndDispImage, int sweepIndex) {
  if (ctc2 != this) return;
  if (!takeSlice()) return;
  genAndDispImage_ = genAndDispImage;
  beginingCt();
  {
    std::lock_guard lock(result_);
    sliceNo_ = slice;
  }
  emit began(slice);

  std::shared_ptr<const CtRunData> run;
  FbpRegion region;
  bool regionSet;
  {
    std::lock_guard lock(input_);
    run = run_;
    region = region_;
    regionSet = regionSet_;
  }

  bool computed = false;
  const bool sweep =
      run && sweepIndex >= 0 && sweepIndex < static_cast<int>(run->sweepCentres.size());
  if (run) {
    // The run sized this worker's workspace from the same geometry the
    // sinogram is built with, so every slice fits it. A sweep's centres
    // share the run's half width, and with it the transform length.
    const CtRunGeometry& g = run->geometry;
    SinogramParams sp = g.sinogram;
    sp.slice = slice;
    SgmGeometry window = g.window;
    if (sweep) {
      sp.cor = run->sweepCentres[sweepIndex];
      window = sinogramGeometry(sp, g.length);
    }
    std::lock_guard lock(work_);
    // The builder leaves the record as it is when it cannot build (no
    // frames); a slice number it did not write tells that, and the arrays
    // are kept from slice to slice.
    sgm_.setSlice(std::numeric_limits<int>::min());
    buildSinogram(run->source, sp, window, sgm_);
    if (sgm_.slice() == slice && sgm_.hasData() &&
        static_cast<long long>(sgm_.width()) * sgm_.rows() > 0) {
      ws_.clearImage(g.n);
      if (!regionSet) {
        region = g.region;
        emit regionDefaulted(g.n);
      }
      region_used_ = region;
      if (run->params.ringRemovalSize >= 3)
        removeStripes(sgm_.sgm(), sgm_.width(), g.rows, run->params.ringRemovalSize);
      ws_.forwardAll(sgm_);
      ws_.filterAll(g.rows);
      ws_.backProjectAll(g.rows, region, run->angles.angle0, run->angles.dAngle);
      {
        std::lock_guard rl(result_);
        pictureValid_ = false;
      }
      if (genAndDispImage_) genResImageLocked();
      computed = true;
    }
  }
  if (computed) {
    ++slicesDone_;
    if (run->saveImage.on) saveImage();
    if (run->saveData.on) saveData();
    QImage copy;
    bool valid;
    {
      std::lock_guard lock(result_);
      valid = pictureValid_;
      if (valid) copy = picture_.copy();
    }
    if (valid && sweep)
      emit sweepImage(sweepIndex, copy);
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
    if (run_) setting = run_->saveImage;
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
  std::shared_ptr<const CtRunData> run;
  {
    std::lock_guard lock(input_);
    run = run_;
  }
  CtSaveSetting setting;
  CtDataLimits limits;
  bool tiff = false;
  if (run) {
    setting = run->saveData;
    limits = CtDataLimits{run->params.upperLimit, run->params.lowerLimit, run->params.offset};
    tiff = run->params.saveDataTiff;
  }
  auto* rec = new SavingData(setting.path, setting.name, setting.tag, sliceNo());
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
