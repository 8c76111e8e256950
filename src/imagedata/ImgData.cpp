#include "imagedata/ImgData.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <limits>

#include "base/NamedLog.h"
#include "imagedata/Hdf5Scan.h"
#include "imagedata/ImgDataHdf5.h"
#include "imagedata/ImgDataITEX.h"
#include "imagedata/ImgDataTiff.h"

ImgData::ImgData()
    : min_(std::numeric_limits<double>::max()), max_(-std::numeric_limits<double>::max()) {}

ImgData::~ImgData() = default;

bool ImgData::open(int frameIndex) {
  ready_ = false;
  if (!readProps(filePath_, width_, height_)) return false;
  rangeValid_ = false;
  frameIndex_ = frameIndex;
  if (!openData()) {
    logNamed("Can not open ImgData", filePath_);
    return false;
  }
  rowBuffer_ = std::make_unique<double[]>(static_cast<size_t>(width_));
  columnBuffer_ = std::make_unique<double[]>(static_cast<size_t>(height_));
  ready_ = true;
  return true;
}

void ImgData::computeMinMax() {
  double mn = std::numeric_limits<double>::max();
  double mx = -std::numeric_limits<double>::max();
  double* buf = rowBuffer_.get();
  for (int y = 0; y < height_; ++y) {
    const double* r = row(y, buf);
    for (int x = 0; x < width_; ++x) {
      if (r[x] < mn) mn = r[x];
      if (r[x] > mx) mx = r[x];
    }
  }
  min_ = mn;
  max_ = mx;
  rangeValid_ = true;
}

void ImgData::minMax(double& min, double& max) {
  if (!ready_) {
    min = max = 0;
    return;
  }
  if (!rangeValid_) computeMinMax();
  min = min_;
  max = max_;
}

void ImgData::toImage(QImage& image, GreyMap& map) {
  if (!ready_) return;
  if (!map.fixed) {
    double mn, mx;
    minMax(mn, mx);
    map.takeRange(mn, mx);
  }
  if (image.width() != width_ || image.height() != height_ ||
      image.format() != QImage::Format_Grayscale8)
    image = QImage(width_, height_, QImage::Format_Grayscale8);
  double* buf = rowBuffer_.get();
  for (int y = 0; y < height_; ++y) map.mapRow(row(y, buf), width_, image.scanLine(y));
}

namespace {

// The first two bytes of a file; false when it cannot be opened.
bool firstTwoBytes(const QString& path, const char* testName, QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    logNamed(QStringLiteral("Check File Type (%1):: Can not open").arg(QLatin1String(testName)),
             path);
    return false;
  }
  bytes = f.read(2);
  return true;
}

}  // namespace

bool isItexFile(const QString& path) {
  QByteArray b;
  return firstTwoBytes(path, "ITEX", b) && b.size() == 2 && b[0] == 'I' && b[1] == 'M';
}

bool isTiffFile(const QString& path) {
  QByteArray b;
  return firstTwoBytes(path, "TIFF", b) && b.size() == 2 &&
         ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M'));
}

bool isHdf5File(const QString& path) { return Hdf5Scan::hasSignature(imageFilePath(path)); }

QString imageFilePath(const QString& path) {
  QString file, dataset;
  return Hdf5Scan::splitPath(path, file, dataset) ? file : path;
}

ImgFileType fileType(const QString& path, bool logUnknown) {
  // "FILE::/dataset" addresses a dataset of an HDF5 file; no other reader
  // can open that name.
  if (imageFilePath(path) != path) {
    if (isHdf5File(path)) return ImgFileType::HDF5;
    if (logUnknown) logNamed("Unknown file type : ", path);
    return ImgFileType::Unknown;
  }
  if (isItexFile(path)) return ImgFileType::ITEX;
  if (isTiffFile(path)) return ImgFileType::TIFF;
  if (isHdf5File(path)) return ImgFileType::HDF5;
  // A scan file by its name that lacks the signature (cut short, or not
  // written yet): its reader says what is wrong with it.
  static const QStringList kHdf5Suffixes = {"h5", "hdf5", "hdf", "nxs"};
  if (kHdf5Suffixes.contains(QFileInfo(path).suffix().toLower())) return ImgFileType::HDF5;
  if (logUnknown) logNamed("Unknown file type : ", path);
  return ImgFileType::Unknown;
}

std::unique_ptr<ImgData> createImgData(ImgFileType type) {
  std::unique_ptr<ImgData> d;
  if (type == ImgFileType::ITEX)
    d = std::make_unique<ImgDataITEX>();
  else if (type == ImgFileType::TIFF)
    d = std::make_unique<ImgDataTiff>();
  else if (type == ImgFileType::HDF5)
    d = std::make_unique<ImgDataHdf5>();
  if (d) d->init();
  return d;
}
