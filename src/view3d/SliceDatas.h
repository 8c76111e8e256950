#pragma once

// A series of slices for the 3D view, loaded from a list of files (one slice per
// file, in the order given) with its common size, value range and histogram.
// Lives on a loader thread of its own: filesSelected runs there. The slices are
// published as one immutable series (`series()`): a reload builds a new one and
// swaps it in at the end, so that a renderer holding the old one keeps reading a
// whole series and never a half-loaded one; `isLoading()` tells renderers to skip
// while a reload runs.

#include <QImage>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <memory>
#include <span>
#include <vector>

#include "view3d/SliceRecord.h"

struct SliceSeries {
  int width = 0, height = 0;
  std::vector<SliceRecord> slices;
};

class SliceDatas : public QObject {
  Q_OBJECT
 public:
  explicit SliceDatas(QObject* parent = nullptr);

  bool isLoaded() const { return loaded_; }
  bool isLoading() const { return loading_.load(std::memory_order_acquire); }
  // The current series (never null); safe to take from any thread.
  std::shared_ptr<const SliceSeries> series() const;
  const std::vector<SliceRecord>& slices() const { return current_->slices; }
  int width() const { return current_->width; }
  int height() const { return current_->height; }
  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }
  double displayMinimum() const { return displayMin_; }
  double displayMaximum() const { return displayMax_; }
  void setDisplayRange(double low, double high) {
    displayMin_ = low;
    displayMax_ = high;
  }
  bool isHistogramReady() const { return histReady_; }
  int bins() const { return bins_; }
  int histogramHeight() const { return histHeight_; }
  const std::vector<int>& counts() const { return counts_; }
  double binWidth() const { return binWidth_; }
  double largestCount() const { return largestCount_; }
  const QImage& histogramImage() const { return histImage_; }

  // Histogram of `values` over [minimum, maximum] into `bins` bins (lowest bin
  // centred on the minimum); returns the counts and the bin width.
  static std::vector<int> histogramOf(const std::vector<std::span<const double>>& values,
                                      double minimum, double maximum, int bins, double* binWidth);

 public slots:
  void filesSelected(QStringList files);

 signals:
  void cleared();
  void loadedNewFile(QString fname);
  void loadFilesFinished();

 private:
  void clear();
  void publish(std::shared_ptr<const SliceSeries> s);
  void makeHistogram(const SliceSeries& s);

  bool loaded_ = false;
  std::atomic<bool> loading_{false};
  std::shared_ptr<const SliceSeries> current_;
  double minimum_ = 0, maximum_ = 1;
  double displayMin_ = 0, displayMax_ = 1;
  bool histReady_ = false;
  int bins_ = 50;
  int histHeight_ = 100;
  std::vector<int> counts_;
  double binWidth_ = 1;
  double largestCount_ = 0;
  QImage histImage_;
};
