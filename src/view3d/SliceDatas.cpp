#include "view3d/SliceDatas.h"

#include <QDebug>
#include <QPainter>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <optional>
#include <thread>

#include "view3d/SliceFileReaders.h"

SliceDatas::SliceDatas(QObject* parent)
    : QObject(parent), current_(std::make_shared<const SliceSeries>()) {}

std::shared_ptr<const SliceSeries> SliceDatas::series() const {
  return std::atomic_load_explicit(&current_, std::memory_order_acquire);
}

void SliceDatas::publish(std::shared_ptr<const SliceSeries> s) {
  std::atomic_store_explicit(&current_, std::move(s), std::memory_order_release);
}

void SliceDatas::clear() {
  loaded_ = false;
  publish(std::make_shared<const SliceSeries>());
  minimum_ = 0;
  maximum_ = 1;
  displayMin_ = 0;
  displayMax_ = 1;
  // The histogram and its image stay as they were until the next load completes.
}

void SliceDatas::filesSelected(QStringList files) {
  loading_.store(true, std::memory_order_release);
  clear();
  emit cleared();

  double runMin = DBL_MAX, runMax = -DBL_MAX;
  auto next = std::make_shared<SliceSeries>();
  // Files are parsed in parallel, a batch of one per hardware thread at a time, and
  // then taken in file order, so the size and flatness rules see them in order and
  // only one batch of rejected grids is ever held.
  const int threads = std::max(1u, std::thread::hardware_concurrency());
  for (int first = 0; first < files.size(); first += threads) {
    const int count = std::min<int>(threads, int(files.size()) - first);
    std::vector<std::optional<SliceRecord>> read(static_cast<size_t>(count));
    // Read-only access only: the non-const operator[] of a shared list detaches it,
    // and the readers would then copy the list concurrently.
    // The readers reserve the memory of their grids (see memorybudget), so the
    // parallel readers cannot all pass the free-memory check on the same bytes;
    // a failed allocation still only drops that file (an exception leaving a
    // thread would end the program).
    auto work = [&](int i) {
      try {
        SliceRecord r;
        if (readSliceFile(files.at(first + i), r)) read[size_t(i)] = std::move(r);
      } catch (const std::bad_alloc&) {
        qDebug() << "Not enough memory to hold the slice file" << files.at(first + i);
      }
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < count; ++i) pool.emplace_back(work, i);
    work(0);
    for (auto& t : pool) t.join();

    for (int i = 0; i < count; ++i) {
      auto& r = read[size_t(i)];
      if (!r) continue;
      if (next->slices.empty()) {
        next->width = r->width;
        next->height = r->height;
      } else if (r->width != next->width || r->height != next->height) {
        continue;
      }
      if (!(r->maximum > r->minimum)) continue;  // flat slice
      runMin = std::min(runMin, r->minimum);
      runMax = std::max(runMax, r->maximum);
      next->slices.push_back(std::move(*r));
      r.reset();
      emit loadedNewFile(files.at(first + i));
    }
  }
  if (next->slices.empty()) next->width = next->height = 0;

  if (!next->slices.empty()) {
    minimum_ = displayMin_ = runMin;
    maximum_ = displayMax_ = runMax;
    makeHistogram(*next);
    publish(std::move(next));
    loaded_ = true;
  }
  loading_.store(false, std::memory_order_release);
  emit loadFilesFinished();
}

std::vector<int> SliceDatas::histogramOf(const std::vector<std::span<const double>>& values,
                                         double minimum, double maximum, int bins,
                                         double* binWidth) {
  std::vector<int> counts(size_t(std::max(bins, 1)), 0);
  const double bw = bins > 1 ? (maximum - minimum) / (bins - 1) : 0.0;
  if (binWidth) *binWidth = bw;
  const double lower = minimum - bw / 2;
  const int last = int(counts.size()) - 1;
  for (const auto& vs : values) {
    for (double v : vs) {
      int bin = 0;
      if (bw > 0) {
        const double b = (v - lower) / bw;
        // Clamp in doubles first so that huge or NaN positions never overflow the cast.
        bin = b >= last ? last : (b > 0 ? int(b) : 0);
      }
      ++counts[size_t(bin)];
    }
  }
  return counts;
}

void SliceDatas::makeHistogram(const SliceSeries& s) {
  std::vector<std::span<const double>> all;
  for (const auto& r : s.slices) all.emplace_back(r.values.data(), r.values.size());
  counts_ = histogramOf(all, minimum_, maximum_, bins_, &binWidth_);
  largestCount_ = counts_.empty() ? 0 : *std::max_element(counts_.begin(), counts_.end());

  QImage img(bins_, histHeight_, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setPen(QColor(0, 220, 160));
  const int bottom = histHeight_ - 1;
  for (int i = 0; i < bins_; ++i) {
    const double frac = largestCount_ > 0 ? counts_[size_t(i)] / largestCount_ : 0.0;
    const int top = int(bottom - frac * bottom);
    p.drawLine(i, bottom, i, top);
  }
  p.end();
  histImage_ = img;
  histReady_ = true;
}
