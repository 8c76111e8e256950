#include "PhantomWriter.h"

#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

namespace {
constexpr double kPi = 3.14159265358979323846;

// Small deterministic generator, the same on every platform.
struct SplitMix64 {
  quint64 state;
  quint64 next() {
    quint64 z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in (0, 1].
  double uniform() { return double((next() >> 11) + 1) * (1.0 / 9007199254740992.0); }
  double gaussian() {
    const double r = std::sqrt(-2.0 * std::log(uniform()));
    return r * std::cos(2.0 * kPi * uniform());
  }
};

uint16_t toCount(double v) { return uint16_t(std::clamp(std::round(v), 0.0, 65535.0)); }

void appendPixels(QByteArray& bytes, const std::vector<uint16_t>& pixels) {
  const qsizetype start = bytes.size();
  bytes.resize(start + qsizetype(pixels.size()) * 2);
  char* d = bytes.data() + start;
  for (uint16_t v : pixels) {
    qToLittleEndian<quint16>(v, d);
    d += 2;
  }
}
}  // namespace

PhantomWriter::PhantomWriter(const PhantomOptions& options)
    : options_(options), phantom_(options.width, options.rows, options.effectiveCor()) {
  phantom_.setEdge(edgeEnergy());
}

bool PhantomWriter::parseEnergies(const QString& text, std::vector<double>& energies,
                                  QString& error) {
  energies.clear();
  if (text.trimmed().isEmpty()) {
    error = QStringLiteral("the energy list is empty");
    return false;
  }
  const QStringList items = text.split(QLatin1Char(','));
  if (items.size() > kMaxEnergies) {
    error = QStringLiteral("%1 energies given, at most %2 are allowed")
                .arg(items.size())
                .arg(kMaxEnergies);
    return false;
  }
  for (const QString& item : items) {
    const QString t = item.trimmed();
    bool ok = false;
    const double e = t.toDouble(&ok);
    if (t.isEmpty()) {
      error = QStringLiteral("the energy list \"%1\" has an empty entry").arg(text);
      return false;
    }
    if (!ok || !std::isfinite(e)) {
      error = QStringLiteral("\"%1\" is not an energy in eV").arg(t);
      return false;
    }
    energies.push_back(e);
  }
  error = energiesError(energies);
  return error.isEmpty();
}

QString PhantomWriter::energiesError(const std::vector<double>& energies) {
  if (energies.empty()) return QStringLiteral("the energy list is empty");
  if (energies.size() > size_t(kMaxEnergies))
    return QStringLiteral("%1 energies given, at most %2 are allowed")
        .arg(energies.size())
        .arg(kMaxEnergies);
  QStringList names;
  for (double e : energies) {
    if (!std::isfinite(e) || e <= 0.0)
      return QStringLiteral("energy %1 eV is not positive").arg(e, 0, 'g', 12);
    if (e > kMaxEnergyEV)
      return QStringLiteral("energy %1 eV is above %2 eV")
          .arg(e, 0, 'g', 12)
          .arg(kMaxEnergyEV, 0, 'f', 0);
    // Names carry three decimals; a finer energy would not read back.
    if (std::fabs(e * 1000.0 - std::round(e * 1000.0)) > 1e-6)
      return QStringLiteral("energy %1 eV has more than three decimals").arg(e, 0, 'g', 12);
    const QString name = energyText(e);
    if (names.contains(name))
      return QStringLiteral("energy %1 eV is given twice").arg(e, 0, 'g', 12);
    names.append(name);
  }
  return {};
}

QString PhantomWriter::energyText(double energyEV) {
  QString t = QString::number(energyEV, 'f', 3);
  while (t.endsWith(QLatin1Char('0'))) t.chop(1);
  if (t.endsWith(QLatin1Char('.'))) t.chop(1);
  t.replace(QLatin1Char('.'), QLatin1Char('_'));
  return t + QStringLiteral("eV");
}

double PhantomWriter::edgeEnergy() const {
  if (options_.energies.empty()) return 0.0;
  if (options_.edgeEV > 0.0) return options_.edgeEV;
  std::vector<double> sorted = options_.energies;
  std::sort(sorted.begin(), sorted.end());
  const size_t n = sorted.size();
  if (n == 1) return sorted[0] + 10.0;
  return 0.5 * (sorted[n / 2 - 1] + sorted[n / 2]);
}

int PhantomWriter::rankOf(int index) const {
  const double e = energyOf(index);
  return int(std::count_if(options_.energies.begin(), options_.energies.end(),
                           [e](double other) { return other < e; }));
}

double PhantomWriter::i0Factor(int index) const {
  const double t = rankOf(index) * 0.6180339887498949 + 0.5;
  const double f = 1.0 + 0.8 * (t - std::floor(t) - 0.5);
  return std::round(f * 1e4) / 1e4;
}

void PhantomWriter::selectEnergy(int index) {
  if (index < 0 || index >= energyCount()) {
    energy_ = -1;
    phantom_.setEnergy(0.0);
    phantom_.setI0Scale(1.0);
    noiseStream_ = 0;
    return;
  }
  energy_ = index;
  phantom_.setEnergy(energyOf(index));
  phantom_.setI0Scale(i0Factor(index));
  // Each energy has noise of its own, the same whatever the order given.
  noiseStream_ = quint64(rankOf(index) + 1) * 0xD1B54A32D192ED03ull;
}

int PhantomWriter::imageWidth() const {
  return options_.axisVertical ? options_.width : options_.rows;
}

int PhantomWriter::imageHeight() const {
  return options_.axisVertical ? options_.rows : options_.width;
}

double PhantomWriter::angleRad(int k) const {
  return (options_.angleOriginDeg + k * options_.rangeDeg / options_.projections) * kPi / 180.0;
}

size_t PhantomWriter::pixelIndex(int p, int r) const {
  return options_.axisVertical ? size_t(r) * options_.width + p : size_t(p) * options_.rows + r;
}

void PhantomWriter::projection(int k, std::vector<uint16_t>& pixels) const {
  const int w = options_.width;
  pixels.assign(size_t(w) * options_.rows, 0);
  std::vector<double> integrals(w);
  // One noise stream per projection, so threads do not change the result.
  SplitMix64 rng{options_.noiseSeed * 0x100000001B3ull + quint64(k) * 0x9E3779B97F4A7C15ull +
                 noiseStream_};
  const double theta = angleRad(k);
  for (int r = 0; r < options_.rows; ++r) {
    phantom_.lineIntegrals(theta, r, w, integrals.data());
    for (int p = 0; p < w; ++p) {
      double v = phantom_.intensity(p, r, integrals[p]);
      // Photon noise: Gaussian with the variance of the count.
      if (options_.noise) v += std::sqrt(std::max(v, 0.0)) * rng.gaussian();
      pixels[pixelIndex(p, r)] = toCount(v);
    }
  }
}

void PhantomWriter::i0Image(std::vector<uint16_t>& pixels) const {
  pixels.assign(size_t(options_.width) * options_.rows, 0);
  for (int r = 0; r < options_.rows; ++r)
    for (int p = 0; p < options_.width; ++p)
      pixels[pixelIndex(p, r)] = toCount(phantom_.flatI0(p, r));
}

void PhantomWriter::bgImage(std::vector<uint16_t>& pixels) const {
  pixels.assign(size_t(options_.width) * options_.rows, 0);
  for (int r = 0; r < options_.rows; ++r)
    for (int p = 0; p < options_.width; ++p)
      pixels[pixelIndex(p, r)] = toCount(phantom_.background(p, r));
}

QString PhantomWriter::projectionFileName(int k) const {
  const char* ext = options_.format == PhantomOptions::Format::Tif ? "tif" : "img";
  if (energy_ >= 0 && options_.layout == PhantomOptions::Layout::Heron) {
    // Running numbers from 1, wide enough that name order is angle order.
    const int digits = std::max(4, int(QString::number(options_.projections).size()));
    return QStringLiteral("sample-%1-%2.%3")
        .arg(energyText(energyOf(energy_)))
        .arg(k + 1, digits, 10, QLatin1Char('0'))
        .arg(ext);
  }
  const int digits =
      std::max(5, int(QString::number(std::max(options_.projections - 1, 0)).size()));
  return QStringLiteral("proj-%1.%2").arg(k, digits, 10, QLatin1Char('0')).arg(ext);
}

QString PhantomWriter::hisFileName() const {
  if (energy_ >= 0 && options_.layout == PhantomOptions::Layout::Heron)
    return QStringLiteral("sample-%1-0001.his").arg(energyText(energyOf(energy_)));
  return QStringLiteral("proj.his");
}

QString PhantomWriter::i0FileName() const {
  const char* ext = options_.format == PhantomOptions::Format::Tif ? "tif" : "img";
  if (energy_ < 0) return QStringLiteral("i0.%1").arg(ext);
  // The energy stands between the last two "-", where the I0 list reads it.
  return QStringLiteral("i0/i0-%1-0001.%2").arg(energyText(energyOf(energy_))).arg(ext);
}

QString PhantomWriter::truthFileName(int slice) const {
  const QString name = QStringLiteral("truth-%1.raw").arg(slice, 5, 10, QLatin1Char('0'));
  if (energy_ < 0) return QStringLiteral("truth/") + name;
  return QStringLiteral("truth/%1/%2").arg(energyText(energyOf(energy_)), name);
}

QString PhantomWriter::dataSetDir() const {
  const QDir out(options_.outDir);
  if (energy_ < 0) return options_.outDir;
  if (options_.layout == PhantomOptions::Layout::Heron) return out.filePath("scan");
  return out.filePath(QStringLiteral("scan/") + energyText(energyOf(energy_)));
}

QByteArray PhantomWriter::itexHeader(int width, int height, int frames, int commentLength) {
  QByteArray h(64, '\0');
  char* d = h.data();
  d[0] = 'I';
  d[1] = 'M';
  qToLittleEndian<quint16>(quint16(commentLength), d + 2);
  qToLittleEndian<quint16>(quint16(width), d + 4);
  qToLittleEndian<quint16>(quint16(height), d + 6);
  qToLittleEndian<quint16>(0, d + 8);
  qToLittleEndian<quint16>(0, d + 10);
  qToLittleEndian<quint16>(2, d + 12);  // unsigned 16-bit pixels
  qToLittleEndian<quint16>(quint16(frames), d + 14);
  return h;
}

QByteArray PhantomWriter::itexComment(int width, int height, double exposureTime) {
  return QStringLiteral("Prop_ImageWidth=%1,Prop_ImageHeight=%2,Prop_ExposureTime1=%3,")
      .arg(width)
      .arg(height)
      .arg(exposureTime, 0, 'g', 10)
      .toLatin1();
}

bool PhantomWriter::writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
    error_ = QStringLiteral("Can not write file \"%1\"").arg(path);
    return false;
  }
  return true;
}

bool PhantomWriter::writeItex(const QString& path, const std::vector<uint16_t>& pixels) {
  const QByteArray comment = itexComment(imageWidth(), imageHeight(), options_.exposureTime);
  QByteArray bytes = itexHeader(imageWidth(), imageHeight(), 1, int(comment.size()));
  bytes += comment;
  appendPixels(bytes, pixels);
  return writeFile(path, bytes);
}

bool PhantomWriter::writeTiff(const QString& path, const std::vector<uint16_t>& pixels) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif) {
    error_ = QStringLiteral("Can not write file \"%1\"").arg(path);
    return false;
  }
  const uint32_t w = uint32_t(imageWidth()), h = uint32_t(imageHeight());
  const QByteArray comment = itexComment(imageWidth(), imageHeight(), options_.exposureTime);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
  TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, comment.constData());
  bool ok = true;
  std::vector<uint16_t> line(w);
  for (uint32_t y = 0; y < h && ok; ++y) {
    std::copy_n(pixels.begin() + size_t(y) * w, w, line.begin());
    ok = TIFFWriteScanline(tif, line.data(), y, 0) == 1;
  }
  TIFFClose(tif);
  if (!ok) error_ = QStringLiteral("Can not write file \"%1\"").arg(path);
  return ok;
}

bool PhantomWriter::writeProjections() {
  const QDir dir(dataSetDir());
  const int count = options_.projections;
  const bool his = options_.format == PhantomOptions::Format::His;
  const QString hisPath = dir.filePath(hisFileName());
  const QByteArray hisComment = itexComment(imageWidth(), imageHeight(), options_.exposureTime);
  const qint64 frameBytes = qint64(imageWidth()) * imageHeight() * 2;
  const qint64 dataOffset = 64 + hisComment.size();
  if (his) {
    // Frame k's pixels begin at dataOffset + k (frameBytes + 64); the file is
    // sized first so that every thread can write its frames in place.
    QFile f(hisPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !f.resize(dataOffset + count * (frameBytes + 64) - 64)) {
      error_ = QStringLiteral("Can not write file \"%1\"").arg(hisPath);
      return false;
    }
  }

  std::atomic<int> nextIndex{0};
  std::atomic<bool> failed{false};
  std::mutex errorMutex;
  QString firstError;
  auto work = [&]() {
    std::vector<uint16_t> pixels;
    QFile hisFile(hisPath);
    if (his && !hisFile.open(QIODevice::ReadWrite)) {
      failed = true;
      std::lock_guard<std::mutex> lock(errorMutex);
      firstError = QStringLiteral("Can not write file \"%1\"").arg(hisPath);
      return;
    }
    PhantomWriter local(options_);  // each thread keeps its own error text
    for (int k = nextIndex++; k < count && !failed; k = nextIndex++) {
      projection(k, pixels);
      bool ok;
      if (his) {
        QByteArray bytes =
            k == 0 ? itexHeader(imageWidth(), imageHeight(), count, int(hisComment.size())) +
                         hisComment
                   : itexHeader(imageWidth(), imageHeight(), count, 0);
        appendPixels(bytes, pixels);
        const qint64 at = k == 0 ? 0 : dataOffset + k * (frameBytes + 64) - 64;
        ok = hisFile.seek(at) && hisFile.write(bytes) == bytes.size();
        if (!ok) local.error_ = QStringLiteral("Can not write file \"%1\"").arg(hisPath);
      } else if (options_.format == PhantomOptions::Format::Tif) {
        ok = local.writeTiff(dir.filePath(projectionFileName(k)), pixels);
      } else {
        ok = local.writeItex(dir.filePath(projectionFileName(k)), pixels);
      }
      if (!ok) {
        failed = true;
        std::lock_guard<std::mutex> lock(errorMutex);
        if (firstError.isEmpty()) firstError = local.error_;
      }
    }
  };
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 64u);
  std::vector<std::thread> pool;
  for (unsigned i = 1; i < threads; ++i) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  if (failed) error_ = firstError;
  return !failed;
}

bool PhantomWriter::writeTruth() {
  const int n = phantom_.reconstructionSize();
  QDir dir(options_.outDir);
  const QString folder = QFileInfo(truthFileName(0)).path();
  if (!dir.mkpath(folder)) {
    error_ = QStringLiteral("Can not create folder \"%1\"").arg(dir.filePath(folder));
    return false;
  }
  std::vector<double> truth;
  for (int s = 0; s < options_.rows; ++s) {
    phantom_.sliceTruth(s, n, truth);
    QByteArray bytes(qsizetype(truth.size()) * 4, '\0');
    char* d = bytes.data();
    for (double v : truth) {
      qToLittleEndian<float>(float(v), d);
      d += 4;
    }
    if (!writeFile(dir.filePath(truthFileName(s)), bytes)) return false;
  }
  return true;
}

QByteArray PhantomWriter::description() const {
  const char* formats[] = {"img", "his", "tif", "h5"};
  QString t;
  auto line = [&t](const QString& key, const QString& value) {
    t += key + QStringLiteral(" = ") + value + QLatin1Char('\n');
  };
  t += QStringLiteral("# Vanto synthetic CT data set\n");
  line("format", formats[int(options_.format)]);
  if (options_.format == PhantomOptions::Format::H5) {
    const bool nx = options_.h5Layout == PhantomOptions::H5Layout::NXtomo;
    line("hdf5_file", hdf5FileName());
    line("hdf5_layout",
         nx ? "NXtomo: /entry/instrument/detector/data, 5 dark (image_key 2), 10 flat (1), "
              "then the projections (0); /entry/sample/rotation_angle in degrees"
            : "Data Exchange: /exchange/data, /exchange/data_white (10 frames), "
              "/exchange/data_dark (5 frames), /exchange/theta in degrees");
  }
  line("detector_width", QString::number(options_.width));
  line("detector_rows", QString::number(options_.rows));
  line("image_width", QString::number(imageWidth()));
  line("image_height", QString::number(imageHeight()));
  line("rotation_axis",
       options_.axisVertical ? "v (slices are image rows)" : "h (slices are image columns)");
  line("projections", QString::number(options_.projections));
  line("range_deg", QString::number(options_.rangeDeg, 'g', 17));
  line("angle_origin_deg", QString::number(options_.angleOriginDeg, 'g', 17));
  line("angle_of_projection_k_deg", "angle_origin_deg + k * range_deg / projections");
  line("cor", QString::number(phantom_.cor(), 'g', 17));
  line("geometry",
       "(u, v) relative to the axis is seen at detector pixel "
       "u cos(theta) - v sin(theta) + cor");
  line("reconstruction_size", QString::number(phantom_.reconstructionSize()));
  line("phantom_scale_pixels", QString::number(phantom_.scale(), 'g', 17));
  line("slice_height", "(slice + 0.5) / detector_rows * 1.2 - 0.6 normalised units");
  line("attenuation_model",
       QStringLiteral("sum of ellipsoid values * %1 / phantom_scale_pixels per pixel")
           .arg(Phantom::kMuPerUnit));
  line("intensity_model", "BG + (I0 - BG) * exp(-line integral), rounded");
  line("i0_nominal", QString::number(Phantom::kI0));
  line("bg_nominal", QString::number(Phantom::kBackground));
  line("exposure_time", QString::number(options_.exposureTime, 'g', 10));
  line("noise", options_.noise ? QString::number(options_.noiseSeed) : QStringLiteral("off"));
  const bool scan = !options_.energies.empty();
  if (!options_.truth)
    line("truth", "not written");
  else if (scan)
    line("truth", "truth/<energy>/truth-NNNNN.raw, reconstruction_size squared float32 LE");
  else
    line("truth", "truth/truth-NNNNN.raw, reconstruction_size squared float32 LE");
  int i = 0;
  for (const Ellipsoid& e : phantom_.ellipsoids()) {
    line(QStringLiteral("ellipsoid_%1").arg(i++),
         QStringLiteral("centre %1 %2 %3 axes %4 %5 %6 phi %7 value %8 material %9")
             .arg(e.cu)
             .arg(e.cv)
             .arg(e.cz)
             .arg(e.au)
             .arg(e.av)
             .arg(e.az)
             .arg(e.phiDeg)
             .arg(e.value)
             .arg(e.material));
  }
  if (scan) t += scanDescription();
  return t.toUtf8();
}

QString PhantomWriter::scanDescription() const {
  const bool heron = options_.layout == PhantomOptions::Layout::Heron;
  const bool tif = options_.format == PhantomOptions::Format::Tif;
  const char* ext = tif ? "tif" : "img";
  QString t;
  auto line = [&t](const QString& key, const QString& value) {
    t += key + QStringLiteral(" = ") + value + QLatin1Char('\n');
  };
  line("energies", QString::number(energyCount()));
  line("layout", heron ? "heron" : "engdirs");
  QString sets;
  if (options_.format == PhantomOptions::Format::His)
    sets = heron ? "scan/sample-<energy>-0001.his" : "scan/<energy>/proj.his";
  else
    sets = heron ? QStringLiteral("scan/sample-<energy>-NNNN.%1, NNNN = projection + 1").arg(ext)
                 : QStringLiteral("scan/<energy>/proj-NNNNN.%1").arg(ext);
  line("data_sets", sets);
  QStringList names;
  for (double e : options_.energies) names.append(energyText(e));
  std::sort(names.begin(), names.end());
  line("data_set_order", names.join(QLatin1Char(' ')) + " (name order)");
  line("i0_files", QStringLiteral("i0/i0-<energy>-0001.%1").arg(ext));
  line("bg_file", QStringLiteral("bg.%1, the same for every energy").arg(ext));
  line("edge_ev", QString::number(phantom_.edge(), 'g', 17));
  line("edge_material", QString::number(Phantom::kEdgeMaterial));
  line("attenuation_per_energy",
       QStringLiteral("ellipsoid value * factor; material %1: factor 1 below edge_ev, %2 at and "
                      "above; every other material 1 at every energy")
           .arg(Phantom::kEdgeMaterial)
           .arg(Phantom::kEdgeJump));
  line("i0_per_energy",
       "round(i0_factor * (i0_nominal * (1 - 0.05 x^2) + 150 cos(0.7 slice))), "
       "x = 2 p / (detector_width - 1) - 1; the background does not change");
  for (int i = 0; i < energyCount(); ++i) {
    const double e = energyOf(i);
    const bool above = e >= phantom_.edge();
    line(QStringLiteral("energy_%1").arg(i + 1),
         QStringLiteral("%1 eV, name %2, i0_factor %3, edge_material_factor %4 (%5 edge)")
             .arg(e, 0, 'g', 12)
             .arg(energyText(e))
             .arg(i0Factor(i), 0, 'g', 10)
             .arg(phantom_.muOf(Phantom::kEdgeMaterial, e))
             .arg(above ? "above" : "below"));
  }
  return t;
}

bool PhantomWriter::writeScan() {
  error_ = energiesError(options_.energies);
  if (!error_.isEmpty()) return false;
  const QDir out(options_.outDir);
  for (const char* sub : {"scan", "i0"})
    if (!out.mkpath(QLatin1String(sub))) {
      error_ = QStringLiteral("Can not create folder \"%1\"").arg(out.filePath(sub));
      return false;
    }
  const bool tif = options_.format == PhantomOptions::Format::Tif;
  std::vector<uint16_t> pixels;
  selectEnergy(-1);
  bgImage(pixels);
  if (!(tif ? writeTiff(out.filePath("bg.tif"), pixels)
            : writeItex(out.filePath("bg.img"), pixels)))
    return false;
  for (int i = 0; i < energyCount(); ++i) {
    selectEnergy(i);
    if (!QDir().mkpath(dataSetDir())) {
      error_ = QStringLiteral("Can not create folder \"%1\"").arg(dataSetDir());
      return false;
    }
    i0Image(pixels);
    const QString i0Path = out.filePath(i0FileName());
    if (!(tif ? writeTiff(i0Path, pixels) : writeItex(i0Path, pixels))) return false;
    if (!writeProjections()) return false;
    if (options_.truth && !writeTruth()) return false;
  }
  selectEnergy(-1);
  return writeFile(out.filePath("phantom.txt"), description());
}

bool PhantomWriter::write() {
  error_.clear();
  if (options_.width < 1 || options_.width > 65535 || options_.rows < 1 || options_.rows > 65535 ||
      options_.projections < 1 ||
      (options_.format == PhantomOptions::Format::His && options_.projections > 65535)) {
    error_ = QStringLiteral("Unusable data-set size");
    return false;
  }
  if (!QDir().mkpath(options_.outDir)) {
    error_ = QStringLiteral("Can not create folder \"%1\"").arg(options_.outDir);
    return false;
  }
  if (!options_.energies.empty()) return writeScan();
  selectEnergy(-1);
  const QDir dir(options_.outDir);
  if (options_.format == PhantomOptions::Format::H5) {
    if (!writeHdf5()) return false;
    if (options_.truth && !writeTruth()) return false;
    return writeFile(dir.filePath("phantom.txt"), description());
  }
  std::vector<uint16_t> pixels;
  const bool tif = options_.format == PhantomOptions::Format::Tif;
  i0Image(pixels);
  if (!(tif ? writeTiff(dir.filePath("i0.tif"), pixels)
            : writeItex(dir.filePath("i0.img"), pixels)))
    return false;
  bgImage(pixels);
  if (!(tif ? writeTiff(dir.filePath("bg.tif"), pixels)
            : writeItex(dir.filePath("bg.img"), pixels)))
    return false;
  if (!writeProjections()) return false;
  if (options_.truth && !writeTruth()) return false;
  return writeFile(dir.filePath("phantom.txt"), description());
}
