// The data set as one HDF5 scan file, in the Data Exchange layout or the
// NeXus NXtomo layout, written through the HDF5 C library.
#include <hdf5.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "PhantomWriter.h"

namespace {

constexpr int kFlats = 10;
constexpr int kDarks = 5;

// Owner of one HDF5 identifier.
struct H5Id {
  hid_t id;
  herr_t (*close)(hid_t);
  H5Id(hid_t i, herr_t (*c)(hid_t)) : id(i), close(c) {}
  ~H5Id() {
    if (id >= 0) close(id);
  }
  H5Id(const H5Id&) = delete;
  H5Id& operator=(const H5Id&) = delete;
  operator hid_t() const { return id; }
};

bool setStringAttr(hid_t obj, const char* name, const char* value) {
  H5Id type(H5Tcopy(H5T_C_S1), H5Tclose);
  H5Tset_size(type, std::max<size_t>(1, std::strlen(value)));
  H5Id space(H5Screate(H5S_SCALAR), H5Sclose);
  H5Id attr(H5Acreate2(obj, name, type, space, H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
  return attr.id >= 0 && H5Awrite(attr, type, value) >= 0;
}

bool writeString(hid_t file, const char* path, const char* value) {
  H5Id type(H5Tcopy(H5T_C_S1), H5Tclose);
  H5Tset_size(type, std::max<size_t>(1, std::strlen(value)));
  H5Id space(H5Screate(H5S_SCALAR), H5Sclose);
  H5Id d(H5Dcreate2(file, path, type, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Dclose);
  return d.id >= 0 && H5Dwrite(d, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, value) >= 0;
}

// A group with an NX_class attribute (the Data Exchange groups take none).
bool makeGroup(hid_t file, const char* path, const char* nxClass) {
  H5Id g(H5Gcreate2(file, path, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Gclose);
  if (g.id < 0) return false;
  return !nxClass || setStringAttr(g, "NX_class", nxClass);
}

bool writeVector(hid_t file, const char* path, hid_t memType, hid_t fileType, const void* data,
                 hsize_t n, const char* units) {
  H5Id space(n == 0 ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, &n, nullptr), H5Sclose);
  H5Id d(H5Dcreate2(file, path, fileType, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT), H5Dclose);
  if (d.id < 0 || H5Dwrite(d, memType, H5S_ALL, H5S_ALL, H5P_DEFAULT, data) < 0) return false;
  return !units || setStringAttr(d, "units", units);
}

// A frame stack of unsigned 16-bit pixels, one gzip-compressed chunk per
// frame (level gzip), or contiguous and uncompressed for level 0.
hid_t createStack(hid_t file, const char* path, hsize_t frames, hsize_t h, hsize_t w, int gzip) {
  const hsize_t dims[3] = {frames, h, w};
  const hsize_t chunk[3] = {1, h, w};
  H5Id space(H5Screate_simple(3, dims, nullptr), H5Sclose);
  H5Id dcpl(H5Pcreate(H5P_DATASET_CREATE), H5Pclose);
  if (gzip > 0) {
    H5Pset_chunk(dcpl, 3, chunk);
    H5Pset_deflate(dcpl, unsigned(gzip));
  }
  return H5Dcreate2(file, path, H5T_STD_U16LE, space, H5P_DEFAULT, dcpl, H5P_DEFAULT);
}

bool writeFrame(hid_t dset, hsize_t index, hsize_t h, hsize_t w, const uint16_t* pixels) {
  H5Id fileSpace(H5Dget_space(dset), H5Sclose);
  const hsize_t start[3] = {index, 0, 0};
  const hsize_t count[3] = {1, h, w};
  const hsize_t mem[2] = {h, w};
  H5Id memSpace(H5Screate_simple(2, mem, nullptr), H5Sclose);
  return H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, start, nullptr, count, nullptr) >= 0 &&
         H5Dwrite(dset, H5T_NATIVE_UINT16, memSpace, fileSpace, H5P_DEFAULT, pixels) >= 0;
}

// Small deterministic noise on a reference frame (about a tenth of photon noise).
void addNoise(std::vector<uint16_t>& px, quint64 seed) {
  quint64 s = seed;
  auto next = [&s] {
    quint64 z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  };
  for (uint16_t& v : px) {
    const double u1 = double((next() >> 11) + 1) / 9007199254740992.0;
    const double u2 = double(next() >> 11) / 9007199254740992.0;
    const double g = std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265358979323846 * u2);
    v = uint16_t(std::clamp(std::round(v + 0.1 * std::sqrt(double(v)) * g), 0.0, 65535.0));
  }
}

}  // namespace

QString PhantomWriter::hdf5FileName() const {
  return options_.h5Layout == PhantomOptions::H5Layout::NXtomo ? QStringLiteral("scan.nxs")
                                                               : QStringLiteral("scan.h5");
}

bool PhantomWriter::writeHdf5() {
  const bool nx = options_.h5Layout == PhantomOptions::H5Layout::NXtomo;
  const QString path = QDir(options_.outDir).filePath(hdf5FileName());
  const hsize_t w = hsize_t(imageWidth()), h = hsize_t(imageHeight());
  const int count = options_.projections;
  auto failed = [&] {
    error_ = QStringLiteral("Can not write file \"%1\"").arg(path);
    return false;
  };
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  H5Id file(H5Fcreate(QFile::encodeName(path).constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT),
            H5Fclose);
  if (file.id < 0) return failed();

  std::vector<uint16_t> i0, bg;
  i0Image(i0);
  bgImage(bg);
  std::vector<std::vector<uint16_t>> flats(kFlats, i0), darks(kDarks, bg);
  for (int i = 0; i < kFlats; ++i) addNoise(flats[size_t(i)], 0x1F1A7ull + quint64(i));
  for (int i = 0; i < kDarks; ++i) addNoise(darks[size_t(i)], 0xDA4Cull + quint64(i));
  std::vector<double> theta(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k)
    theta[size_t(k)] = options_.angleOriginDeg + k * options_.rangeDeg / count;
  const double exposure = options_.exposureTime;

  // Projections are computed on every thread a batch at a time and written
  // in order from this one.
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 64u);
  const int batch = int(threads) * 4;
  std::vector<std::vector<uint16_t>> frames(static_cast<size_t>(batch));
  auto writeProjections = [&](hid_t dset, hsize_t first) {
    for (int b0 = 0; b0 < count; b0 += batch) {
      const int n = std::min(batch, count - b0);
      std::atomic<int> next{0};
      auto work = [&] {
        for (int i = next++; i < n; i = next++) projection(b0 + i, frames[size_t(i)]);
      };
      std::vector<std::thread> pool;
      for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
      work();
      for (std::thread& t : pool) t.join();
      for (int i = 0; i < n; ++i)
        if (!writeFrame(dset, first + hsize_t(b0 + i), h, w, frames[size_t(i)].data()))
          return false;
    }
    return true;
  };

  if (!nx) {
    if (!makeGroup(file, "/exchange", nullptr) || !makeGroup(file, "/measurement", nullptr) ||
        !makeGroup(file, "/measurement/instrument", nullptr) ||
        !makeGroup(file, "/measurement/instrument/detector", nullptr))
      return failed();
    H5Id data(createStack(file, "/exchange/data", hsize_t(count), h, w, options_.h5Gzip), H5Dclose);
    H5Id white(createStack(file, "/exchange/data_white", kFlats, h, w, options_.h5Gzip), H5Dclose);
    H5Id dark(createStack(file, "/exchange/data_dark", kDarks, h, w, options_.h5Gzip), H5Dclose);
    if (data.id < 0 || white.id < 0 || dark.id < 0) return failed();
    for (int i = 0; i < kFlats; ++i)
      if (!writeFrame(white, hsize_t(i), h, w, flats[size_t(i)].data())) return failed();
    for (int i = 0; i < kDarks; ++i)
      if (!writeFrame(dark, hsize_t(i), h, w, darks[size_t(i)].data())) return failed();
    if (!writeProjections(data, 0) ||
        !writeVector(file, "/exchange/theta", H5T_NATIVE_DOUBLE, H5T_IEEE_F64LE, theta.data(),
                     hsize_t(count), "degrees") ||
        !writeVector(file, "/measurement/instrument/detector/exposure_time", H5T_NATIVE_DOUBLE,
                     H5T_IEEE_F64LE, &exposure, 0, "s"))
      return failed();
  } else {
    // Darks, then flats, then the projections, each marked in image_key.
    if (!makeGroup(file, "/entry", "NXentry") ||
        !makeGroup(file, "/entry/instrument", "NXinstrument") ||
        !makeGroup(file, "/entry/instrument/detector", "NXdetector") ||
        !makeGroup(file, "/entry/sample", "NXsample"))
      return failed();
    if (!writeString(file, "/entry/definition", "NXtomo")) return failed();
    const int total = kDarks + kFlats + count;
    H5Id data(
        createStack(file, "/entry/instrument/detector/data", hsize_t(total), h, w, options_.h5Gzip),
        H5Dclose);
    if (data.id < 0) return failed();
    std::vector<int32_t> keys;
    std::vector<double> angles, times(size_t(total), exposure);
    for (int i = 0; i < kDarks; ++i) {
      if (!writeFrame(data, hsize_t(i), h, w, darks[size_t(i)].data())) return failed();
      keys.push_back(2);
      angles.push_back(theta.front());
    }
    for (int i = 0; i < kFlats; ++i) {
      if (!writeFrame(data, hsize_t(kDarks + i), h, w, flats[size_t(i)].data())) return failed();
      keys.push_back(1);
      angles.push_back(theta.front());
    }
    keys.insert(keys.end(), size_t(count), 0);
    angles.insert(angles.end(), theta.begin(), theta.end());
    if (!writeProjections(data, hsize_t(kDarks + kFlats)) ||
        !writeVector(file, "/entry/instrument/detector/image_key", H5T_NATIVE_INT32, H5T_STD_I32LE,
                     keys.data(), hsize_t(total), nullptr) ||
        !writeVector(file, "/entry/instrument/detector/count_time", H5T_NATIVE_DOUBLE,
                     H5T_IEEE_F64LE, times.data(), hsize_t(total), "s") ||
        !writeVector(file, "/entry/sample/rotation_angle", H5T_NATIVE_DOUBLE, H5T_IEEE_F64LE,
                     angles.data(), hsize_t(total), "degree"))
      return failed();
  }
  if (H5Fflush(file, H5F_SCOPE_LOCAL) < 0) return failed();
  return true;
}
