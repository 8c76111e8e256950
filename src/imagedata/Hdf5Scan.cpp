#include "imagedata/Hdf5Scan.h"

#include <hdf5.h>

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <type_traits>

static_assert(std::is_same_v<hid_t, std::int64_t>, "HDF5 identifiers are 64-bit");

namespace {

// Largest frame side and frame count accepted; larger values in a header are
// taken as damage rather than sized into an allocation.
constexpr hsize_t kMaxSide = 65536;
constexpr hsize_t kMaxFrames = 10000000;
// Upper bound of the chunk cache of one dataset.
constexpr size_t kMaxChunkCache = size_t(64) << 20;

constexpr const char* kDxData = "/exchange/data";
constexpr const char* kDxWhite = "/exchange/data_white";
constexpr const char* kDxDark = "/exchange/data_dark";
constexpr const char* kDxTheta = "/exchange/theta";
constexpr const char* kDxExposure = "/measurement/instrument/detector/exposure_time";

// The library prints its error stack on every failed call unless told not
// to; failures here are expected (probing for datasets) and reported by us.
struct QuietErrors {
  H5E_auto2_t func = nullptr;
  void* data = nullptr;
  QuietErrors() {
    H5Eget_auto2(H5E_DEFAULT, &func, &data);
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  }
  ~QuietErrors() { H5Eset_auto2(H5E_DEFAULT, func, data); }
};

// Owner of one identifier, closed with the matching function.
template <herr_t (*Close)(hid_t)>
struct Id {
  hid_t id = -1;
  Id() = default;
  explicit Id(hid_t i) : id(i) {}
  ~Id() { reset(); }
  Id(const Id&) = delete;
  Id& operator=(const Id&) = delete;
  Id(Id&& o) noexcept : id(o.id) { o.id = -1; }
  Id& operator=(Id&& o) noexcept {
    if (this != &o) {
      reset();
      id = o.id;
      o.id = -1;
    }
    return *this;
  }
  void reset() {
    if (id >= 0) Close(id);
    id = -1;
  }
  bool ok() const { return id >= 0; }
  operator hid_t() const { return id; }
};
using DataSet = Id<H5Dclose>;
using DataSpace = Id<H5Sclose>;
using DataType = Id<H5Tclose>;
using PropList = Id<H5Pclose>;
using Attr = Id<H5Aclose>;

// True when every group on the way to name and name itself exist.
bool linkExists(hid_t file, const QString& name) {
  const QByteArray n = name.toUtf8();
  if (n.isEmpty() || n[0] != '/') return false;
  // H5Lexists fails on a missing intermediate group; walk the path.
  int from = 1;
  while (true) {
    const int slash = n.indexOf('/', from);
    const QByteArray part = slash < 0 ? n : n.left(slash);
    if (part.size() <= 1) return false;
    if (H5Lexists(file, part.constData(), H5P_DEFAULT) <= 0) return false;
    if (slash < 0) return H5Oexists_by_name(file, n.constData(), H5P_DEFAULT) > 0;
    from = slash + 1;
  }
}

// The pixel kind of an HDF5 datatype, None when it is not one we read.
pixel::Kind kindOf(hid_t type) {
  const H5T_class_t c = H5Tget_class(type);
  const size_t size = H5Tget_size(type);
  if (c == H5T_INTEGER) {
    const bool sign = H5Tget_sign(type) == H5T_SGN_2;
    switch (size) {
      case 1:
        return sign ? pixel::Kind::S8 : pixel::Kind::U8;
      case 2:
        return sign ? pixel::Kind::S16 : pixel::Kind::U16;
      case 4:
        return sign ? pixel::Kind::S32 : pixel::Kind::U32;
      default:
        return pixel::Kind::None;
    }
  }
  if (c == H5T_FLOAT) {
    if (size == 4) return pixel::Kind::F32;
    if (size == 8) return pixel::Kind::F64;
  }
  return pixel::Kind::None;
}

hid_t memTypeOf(pixel::Kind k) {
  switch (k) {
    case pixel::Kind::U8:
      return H5T_NATIVE_UINT8;
    case pixel::Kind::S8:
      return H5T_NATIVE_INT8;
    case pixel::Kind::U16:
      return H5T_NATIVE_UINT16;
    case pixel::Kind::S16:
      return H5T_NATIVE_INT16;
    case pixel::Kind::U32:
      return H5T_NATIVE_UINT32;
    case pixel::Kind::S32:
      return H5T_NATIVE_INT32;
    case pixel::Kind::F32:
      return H5T_NATIVE_FLOAT;
    case pixel::Kind::F64:
      return H5T_NATIVE_DOUBLE;
    case pixel::Kind::None:
      break;
  }
  return -1;
}

// Opens a one-dimensional (or scalar) numeric dataset; its length in n.
bool openVector(hid_t file, const QString& name, DataSet& d, hsize_t& n) {
  if (!linkExists(file, name)) return false;
  d = DataSet(H5Dopen2(file, name.toUtf8().constData(), H5P_DEFAULT));
  if (!d.ok()) return false;
  DataSpace s(H5Dget_space(d));
  if (!s.ok()) return false;
  const int rank = H5Sget_simple_extent_ndims(s);
  if (rank == 0) {
    n = 1;
    return true;
  }
  if (rank != 1) return false;
  hsize_t dims[1] = {0};
  H5Sget_simple_extent_dims(s, dims, nullptr);
  n = dims[0];
  return n >= 1 && n <= kMaxFrames;
}

// The "units" attribute of a dataset, lower case; "" when there is none.
QString unitsOf(hid_t d) {
  if (H5Aexists(d, "units") <= 0) return {};
  Attr a(H5Aopen(d, "units", H5P_DEFAULT));
  if (!a.ok()) return {};
  DataType t(H5Aget_type(a));
  if (!t.ok() || H5Tget_class(t) != H5T_STRING) return {};
  QString text;
  if (H5Tis_variable_str(t) > 0) {
    DataType mem(H5Tcopy(H5T_C_S1));
    H5Tset_size(mem, H5T_VARIABLE);
    char* s = nullptr;
    DataSpace sp(H5Aget_space(a));
    if (H5Sget_simple_extent_npoints(sp) == 1 && H5Aread(a, mem, &s) >= 0 && s) {
      text = QString::fromUtf8(s);
      H5free_memory(s);
    }
  } else {
    const size_t size = H5Tget_size(t);
    DataSpace sp(H5Aget_space(a));
    if (size > 0 && size < 256 && H5Sget_simple_extent_npoints(sp) == 1) {
      QByteArray buf(qsizetype(size) + 1, '\0');
      if (H5Aread(a, t, buf.data()) >= 0) text = QString::fromUtf8(buf.constData());
    }
  }
  return text.trimmed().toLower();
}

std::mutex& cacheMutex() {
  static std::mutex m;
  return m;
}

struct CacheEntry {
  QString path;
  qint64 size = -1;
  QDateTime modified;
  std::shared_ptr<Hdf5Scan> scan;
};

CacheEntry& cache() {
  static CacheEntry c;
  return c;
}

}  // namespace

struct Hdf5Scan::Stack {
  QString name;  // dataset path; empty when the role has no frames in the file
  DataSet dset;
  DataSpace space;
  hsize_t frames = 0;
  int width = 0;
  int height = 0;
  pixel::Kind kind = pixel::Kind::None;
  bool all = true;         // every frame of the dataset belongs to the role
  std::vector<int> index;  // otherwise these frames, in order
  QString problem;         // why the role cannot be used; empty when it can

  int count() const { return all ? int(frames) : int(index.size()); }
};

Hdf5Scan::Hdf5Scan() {
  for (auto& s : stacks_) s = std::make_unique<Stack>();
}

Hdf5Scan::~Hdf5Scan() {
  QuietErrors quiet;
  for (auto& s : stacks_) s.reset();
  if (fileId_ >= 0) H5Fclose(fileId_);
}

bool Hdf5Scan::hasSignature(const QString& file) {
  static const char kSig[8] = {'\x89', 'H', 'D', 'F', '\r', '\n', '\x1a', '\n'};
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const qint64 size = f.size();
  for (qint64 at = 0; at + 8 <= size; at = at == 0 ? 512 : at * 2) {
    if (!f.seek(at)) return false;
    const QByteArray b = f.read(8);
    if (b.size() == 8 && std::equal(b.begin(), b.end(), kSig)) return true;
  }
  return false;
}

bool Hdf5Scan::splitPath(const QString& path, QString& file, QString& dataset) {
  const int at = path.lastIndexOf(QStringLiteral("::"));
  if (at <= 0 || QFileInfo(path).exists()) return false;
  const QString rest = path.mid(at + 2);
  if (!rest.startsWith(QLatin1Char('/')) || rest.size() < 2) return false;
  if (!QFileInfo(path.left(at)).isFile()) return false;
  file = path.left(at);
  dataset = rest;
  return true;
}

void Hdf5Scan::releaseCache() {
  std::lock_guard lock(cacheMutex());
  cache() = CacheEntry();
}

std::shared_ptr<Hdf5Scan> Hdf5Scan::open(const QString& path, QString& why) {
  // The library registers its clean-up at exit when it starts; start it
  // before the cache below exists, so that the cache is destroyed first.
  H5open();
  QString file = path, dataset;
  splitPath(path, file, dataset);
  const QFileInfo fi(file);
  {
    std::lock_guard lock(cacheMutex());
    CacheEntry& c = cache();
    if (c.scan && c.path == path && fi.exists() && c.size == fi.size() &&
        c.modified == fi.lastModified())
      return c.scan;
  }
  QuietErrors quiet;
  std::shared_ptr<Hdf5Scan> scan(new Hdf5Scan);
  scan->file_ = file;
  PropList fapl(H5Pcreate(H5P_FILE_ACCESS));
#if H5_VERSION_GE(1, 10, 7)
  // Reading only: do not lock the file against the program that writes it.
  if (fapl.ok()) H5Pset_file_locking(fapl, false, true);
#endif
  if (!fi.isFile()) {
    why = QStringLiteral("Can not open HDF5 file (no such file)");
    return nullptr;
  }
  if (!hasSignature(file)) {
    why = QStringLiteral("Can not open HDF5 file (no HDF5 signature)");
    return nullptr;
  }
  scan->fileId_ = H5Fopen(QFile::encodeName(file).constData(), H5F_ACC_RDONLY,
                          fapl.ok() ? hid_t(fapl) : H5P_DEFAULT);
  if (scan->fileId_ < 0) {
    why = QStringLiteral("Can not open HDF5 file (damaged or truncated)");
    return nullptr;
  }
  if (!scan->detect(dataset, why)) return nullptr;
  std::lock_guard lock(cacheMutex());
  cache() = CacheEntry{path, fi.size(), fi.lastModified(), scan};
  return scan;
}

bool Hdf5Scan::openStack(const QString& name, Stack& s, QString& why) const {
  s.name = name;
  if (!linkExists(fileId_, name)) {
    why = QStringLiteral("HDF5 dataset not found: %1").arg(name);
    return false;
  }
  PropList dapl(H5Pcreate(H5P_DATASET_ACCESS));
  s.dset = DataSet(H5Dopen2(fileId_, name.toUtf8().constData(), H5P_DEFAULT));
  if (!s.dset.ok()) {
    why = QStringLiteral("HDF5 object is not a dataset: %1").arg(name);
    return false;
  }
  s.space = DataSpace(H5Dget_space(s.dset));
  const int rank = s.space.ok() ? H5Sget_simple_extent_ndims(s.space) : -1;
  if (rank != 3) {
    why = QStringLiteral("HDF5 dataset is not a stack of frames (rank %1): %2").arg(rank).arg(name);
    return false;
  }
  hsize_t dims[3] = {0, 0, 0};
  H5Sget_simple_extent_dims(s.space, dims, nullptr);
  if (dims[0] < 1 || dims[1] < 1 || dims[2] < 1 || dims[0] > kMaxFrames || dims[1] > kMaxSide ||
      dims[2] > kMaxSide) {
    why = QStringLiteral("HDF5 dataset has an unusable size (%1 x %2 x %3): %4")
              .arg(dims[0])
              .arg(dims[1])
              .arg(dims[2])
              .arg(name);
    return false;
  }
  DataType t(H5Dget_type(s.dset));
  s.kind = t.ok() ? kindOf(t) : pixel::Kind::None;
  if (s.kind == pixel::Kind::None) {
    why = QStringLiteral("HDF5 dataset has an unsupported pixel type: %1").arg(name);
    return false;
  }
  s.frames = dims[0];
  s.height = int(dims[1]);
  s.width = int(dims[2]);

  // A chunk that spans several frames is read once per frame: give the
  // dataset a cache that holds one frame's worth of chunks.
  PropList dcpl(H5Dget_create_plist(s.dset));
  if (dcpl.ok() && H5Pget_layout(dcpl) == H5D_CHUNKED) {
    hsize_t c[3] = {1, 1, 1};
    if (H5Pget_chunk(dcpl, 3, c) == 3 && c[0] > 1 && c[1] > 0 && c[2] > 0) {
      const double bytes = double(c[0]) * c[1] * c[2] * pixel::bytesOf(s.kind) *
                           std::ceil(double(dims[1]) / c[1]) * std::ceil(double(dims[2]) / c[2]);
      if (dapl.ok() && bytes <= double(kMaxChunkCache)) {
        H5Pset_chunk_cache(dapl, 12421, size_t(bytes) + (size_t(1) << 20), 1.0);
        DataSet again(H5Dopen2(fileId_, name.toUtf8().constData(), dapl));
        if (again.ok()) s.dset = std::move(again);
      }
    }
  }
  return true;
}

bool Hdf5Scan::readKeys(const QString& name, std::vector<int>& keys, QString& why) const {
  DataSet d;
  hsize_t n = 0;
  if (!openVector(fileId_, name, d, n)) {
    why = QStringLiteral("HDF5 image_key is missing or not a list: %1").arg(name);
    return false;
  }
  DataType t(H5Dget_type(d));
  if (!t.ok() || H5Tget_class(t) != H5T_INTEGER) {
    why = QStringLiteral("HDF5 image_key is not a list of integers: %1").arg(name);
    return false;
  }
  keys.assign(size_t(n), -1);
  if (H5Dread(d, H5T_NATIVE_INT, H5S_ALL, H5S_ALL, H5P_DEFAULT, keys.data()) < 0) {
    why = QStringLiteral("Can not read HDF5 image_key: %1").arg(name);
    return false;
  }
  return true;
}

void Hdf5Scan::readAngles(const QString& name, const std::vector<int>* select) {
  DataSet d;
  hsize_t n = 0;
  if (!openVector(fileId_, name, d, n)) return;
  DataType t(H5Dget_type(d));
  if (!t.ok() || (H5Tget_class(t) != H5T_FLOAT && H5Tget_class(t) != H5T_INTEGER)) return;
  std::vector<double> all(static_cast<size_t>(n));
  if (H5Dread(d, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, all.data()) < 0) return;
  const QString units = unitsOf(d);
  const double scale =
      units.startsWith(QStringLiteral("rad")) ? 180.0 / 3.14159265358979323846 : 1.0;
  const Stack& p = stack(Role::Projections);
  std::vector<double> deg;
  if (select) {
    // NXtomo: one angle per frame of the data, of which the projections are
    // those with key 0.
    if (n < p.frames) {
      qDebug().noquote() << QStringLiteral("HDF5 angles ignored, %1 holds %2 values for %3 frames:")
                                .arg(name)
                                .arg(n)
                                .arg(p.frames)
                         << file_;
      return;
    }
    for (int i : *select) deg.push_back(all[size_t(i)] * scale);
  } else {
    if (n != hsize_t(p.count())) {
      qDebug().noquote() << QStringLiteral(
                                "HDF5 angles ignored, %1 holds %2 values for %3 projections:")
                                .arg(name)
                                .arg(n)
                                .arg(p.count())
                         << file_;
      return;
    }
    for (double v : all) deg.push_back(v * scale);
  }
  anglesDeg_ = std::move(deg);
  anglesDataset_ = name;
}

void Hdf5Scan::readExposure(const QString& name, int at) {
  DataSet d;
  hsize_t n = 0;
  if (!openVector(fileId_, name, d, n)) return;
  std::vector<double> v(static_cast<size_t>(n));
  if (H5Dread(d, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, v.data()) < 0) return;
  const double e = v[at >= 0 && hsize_t(at) < n ? size_t(at) : 0];
  if (std::isfinite(e) && e > 0) exposureTime_ = e;
}

bool Hdf5Scan::detect(const QString& dataset, QString& why) {
  Stack& proj = *stacks_[int(Role::Projections)];
  Stack& flat = *stacks_[int(Role::Flats)];
  Stack& dark = *stacks_[int(Role::Darks)];
  auto checkSize = [&](Stack& s) {
    if (s.problem.isEmpty() && (s.width != proj.width || s.height != proj.height))
      s.problem = QStringLiteral(
                      "HDF5 frames differ in size from the projections (%1 x %2 != "
                      "%3 x %4): %5")
                      .arg(s.width)
                      .arg(s.height)
                      .arg(proj.width)
                      .arg(proj.height)
                      .arg(s.name);
  };

  if (!dataset.isEmpty()) {
    // A dataset named by the user: all its frames, whatever the role.
    layout_ = Layout::Dataset;
    if (!openStack(dataset, proj, why)) return false;
    for (Stack* s : {&flat, &dark}) openStack(dataset, *s, s->problem);
  } else if (linkExists(fileId_, QString::fromLatin1(kDxData))) {
    layout_ = Layout::DataExchange;
    if (!openStack(QString::fromLatin1(kDxData), proj, why)) return false;
    const std::pair<Stack*, const char*> refs[] = {{&flat, kDxWhite}, {&dark, kDxDark}};
    for (const auto& [s, name] : refs) {
      if (openStack(QString::fromLatin1(name), *s, s->problem)) checkSize(*s);
    }
    readAngles(QString::fromLatin1(kDxTheta), nullptr);
    readExposure(QString::fromLatin1(kDxExposure), 0);
  } else {
    // NXtomo: the entry is /entry, or else the first group at the top that
    // holds instrument/detector/data.
    QString entry;
    if (linkExists(fileId_, QStringLiteral("/entry/instrument/detector/data"))) {
      entry = QStringLiteral("/entry");
    } else {
      hsize_t n = 0;
      H5G_info_t info;
      if (H5Gget_info(fileId_, &info) >= 0) n = std::min<hsize_t>(info.nlinks, 1000);
      for (hsize_t i = 0; i < n && entry.isEmpty(); ++i) {
        char buf[256] = {0};
        if (H5Lget_name_by_idx(fileId_, ".", H5_INDEX_NAME, H5_ITER_INC, i, buf, sizeof buf,
                               H5P_DEFAULT) <= 0)
          continue;
        const QString g = QLatin1Char('/') + QString::fromUtf8(buf);
        if (linkExists(fileId_, g + QStringLiteral("/instrument/detector/data"))) entry = g;
      }
    }
    if (entry.isEmpty()) {
      why = QStringLiteral(
          "HDF5 file holds no projections (neither /exchange/data nor "
          "/entry/instrument/detector/data; name a dataset as FILE::/path)");
      return false;
    }
    layout_ = Layout::NXtomo;
    const QString data = entry + QStringLiteral("/instrument/detector/data");
    const QString keyName = entry + QStringLiteral("/instrument/detector/image_key");
    if (!openStack(data, proj, why)) return false;
    std::vector<int> keys;
    if (!linkExists(fileId_, keyName)) {
      // Without keys every frame is a projection, and there are no references.
      for (Stack* s : {&flat, &dark}) {
        s->name = keyName;
        s->problem = QStringLiteral("HDF5 image_key not found: %1").arg(keyName);
      }
    } else {
      if (!readKeys(keyName, keys, why)) return false;
      if (keys.size() < proj.frames) {
        why = QStringLiteral("HDF5 image_key is shorter than the data (%1 < %2): %3")
                  .arg(keys.size())
                  .arg(proj.frames)
                  .arg(keyName);
        return false;
      }
      for (Stack* s : {&flat, &dark}) openStack(data, *s, s->problem);
      Stack* byKey[3] = {&proj, &flat, &dark};
      for (int k = 0; k < 3; ++k) {
        Stack& s = *byKey[k];
        s.all = false;
        s.index.clear();
        for (hsize_t i = 0; i < proj.frames; ++i)
          if (keys[size_t(i)] == k) s.index.push_back(int(i));
      }
      if (proj.index.empty()) {
        why = QStringLiteral("HDF5 file holds no projection frames (image_key 0): %1").arg(keyName);
        return false;
      }
    }
    const QString angleName = entry + QStringLiteral("/sample/rotation_angle");
    readAngles(angleName, keys.empty() ? nullptr : &proj.index);
    readExposure(entry + QStringLiteral("/instrument/detector/count_time"),
                 proj.all ? 0 : proj.index.front());
  }
  // A role that exists but has no frames (a key never used) cannot be averaged.
  for (Stack* s : {&flat, &dark}) {
    if (s->problem.isEmpty() && s->count() == 0)
      s->problem = QStringLiteral("HDF5 file holds no %1 frames: %2")
                       .arg(s == &flat ? QStringLiteral("flat") : QStringLiteral("dark"))
                       .arg(s->name);
  }
  width_ = proj.width;
  height_ = proj.height;
  kind_ = proj.kind;
  return true;
}

const Hdf5Scan::Stack& Hdf5Scan::stack(Role role) const { return *stacks_[int(role)]; }

QString Hdf5Scan::dataset(Role role) const { return stack(role).name; }

int Hdf5Scan::count(Role role) const {
  const Stack& s = stack(role);
  return s.problem.isEmpty() ? s.count() : 0;
}

pixel::Kind Hdf5Scan::kind(Role role) const { return stack(role).kind; }

bool Hdf5Scan::usable(Role role, QString& why) const {
  const Stack& s = stack(role);
  if (!s.problem.isEmpty()) {
    why = s.problem;
    return false;
  }
  return true;
}

bool Hdf5Scan::readFrame(Role role, int index, void* buffer, QString& why) const {
  const Stack& s = stack(role);
  if (!usable(role, why)) return false;
  if (index < 0 || index >= s.count()) {
    why = QStringLiteral("HDF5 frame %1 does not exist: %2").arg(index).arg(s.name);
    return false;
  }
  QuietErrors quiet;
  const hsize_t frame = s.all ? hsize_t(index) : hsize_t(s.index[size_t(index)]);
  const hsize_t start[3] = {frame, 0, 0};
  const hsize_t count[3] = {1, hsize_t(s.height), hsize_t(s.width)};
  DataSpace fileSpace(H5Scopy(s.space));
  const hsize_t memDims[2] = {hsize_t(s.height), hsize_t(s.width)};
  DataSpace memSpace(H5Screate_simple(2, memDims, nullptr));
  if (!fileSpace.ok() || !memSpace.ok() ||
      H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, start, nullptr, count, nullptr) < 0 ||
      H5Dread(s.dset, memTypeOf(s.kind), memSpace, fileSpace, H5P_DEFAULT, buffer) < 0) {
    why = QStringLiteral("Can not read HDF5 frame %1 (damaged or truncated): %2")
              .arg(frame)
              .arg(s.name);
    return false;
  }
  return true;
}
