#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

#include "base/GreyMap.h"

// File formats a frame can come from, decided from a file's first bytes.
enum class ImgFileType { ITEX = 0, TIFF = 1, Unknown = 2, HDF5 = 3 };

// One image frame read from one file: size, exposure time, path, frame index,
// ready flag and a cached value range, with whole rows and columns fetched as
// doubles. Readers derive from it. Once open() has succeeded the pixels never
// change; row() and column() only read the frame's memory and write the
// caller's buffer, so several threads may call them at once, each with its own
// buffer. open(), computeMinMax(), minMax() and toImage() use the frame's own
// row buffer and run on the GUI thread only.
class ImgData {
 public:
  ImgData();
  virtual ~ImgData();
  ImgData(const ImgData&) = delete;
  ImgData& operator=(const ImgData&) = delete;

  // Resets the reader's own members; called once by createImgData().
  virtual void init() = 0;
  // Reads the header of path, reports the frame size and sets the exposure time.
  virtual bool readProps(const QString& path, int& width, int& height) = 0;
  // Makes the pixels of frame frameIndex() available in memory.
  virtual bool openData() = 0;
  // Fills buffer with the width() values of row y (top row 0) and returns it.
  // A row outside the frame fills the buffer with zeros.
  virtual const double* row(int y, double* buffer) const = 0;
  // Fills buffer with the height() values of column x (top to bottom).
  // A column outside the frame fills the buffer with zeros.
  virtual const double* column(int x, double* buffer) const = 0;
  // Number of frames the file holds, known after readProps() (1 when the
  // format has no frame count).
  virtual int frameCount() const { return 1; }

  // The one way a frame becomes ready.
  bool open(int frameIndex);
  void computeMinMax();
  // The cached range, computed first when needed; 0 and 0 when not ready.
  void minMax(double& min, double& max);
  // Renders the frame into an 8-bit greyscale image through the map; unless
  // the map is fixed, its range is first set to the frame's own.
  void toImage(QImage& image, GreyMap& map);

  bool ready() const { return ready_; }
  double expTime() const { return expTime_; }
  int width() const { return width_; }
  int height() const { return height_; }
  const QString& filePath() const { return filePath_; }
  void setFilePath(const QString& path) { filePath_ = path; }
  int frameIndex() const { return frameIndex_; }
  double* rowBuffer() { return rowBuffer_.get(); }
  double* columnBuffer() { return columnBuffer_.get(); }

 protected:
  bool ready_ = false;
  double expTime_ = 1.0;
  int width_ = 0;
  int height_ = 0;
  QString filePath_;
  int frameIndex_ = 0;
  bool rangeValid_ = false;
  double min_;
  double max_;
  std::unique_ptr<double[]> rowBuffer_;
  std::unique_ptr<double[]> columnBuffer_;
};

bool isItexFile(const QString& path);
bool isTiffFile(const QString& path);
// HDF5 signature, or "FILE::/dataset" naming a dataset of an HDF5 file.
bool isHdf5File(const QString& path);
// The file a frame path names: FILE for "FILE::/dataset", else the path itself.
QString imageFilePath(const QString& path);
ImgFileType fileType(const QString& path, bool logUnknown = true);
// A new reader for the type (null for Unknown), init() already called.
std::unique_ptr<ImgData> createImgData(ImgFileType type);

// Projection frames and references as they were at one moment. Whoever holds
// the set keeps its frames alive and unchanged: loading may replace the image
// set or a reference meanwhile, but never these frames.
struct FrameSet {
  std::vector<std::shared_ptr<const ImgData>> frames;
  std::shared_ptr<const ImgData> i0;  // null when no reference is loaded
  std::shared_ptr<const ImgData> bg;
  int width = 0;  // frame size of the set
  int height = 0;
};
