// bench-load DIR [PATTERN]
//
// Loads every file of DIR matching PATTERN (default "proj-*.img") into an
// image set, one after another as the main window does (every frame of a
// multi-frame .his or HDF5 scan file), and prints the time taken, the bytes
// read and the peak resident memory of the process.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

#include "imagedata/ImgDatas.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench-load DIR [PATTERN]\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  const QString pattern = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString("proj-*.img");
  const QFileInfoList files = dir.entryInfoList({pattern}, QDir::Files, QDir::Name);
  qint64 bytes = 0;
  for (const QFileInfo& fi : files) bytes += fi.size();

  ImgDatas set;
  QElapsedTimer t;
  t.start();
  int loaded = 0, frames = 0;
  for (int i = 0; i < files.size(); ++i) {
    // Every frame of a multi-frame file (.his, HDF5 scan), as the window loads it.
    const QString path = files[i].filePath();
    const int n = std::max(1, ImgDatas::framesInFile(path));
    frames += n;
    for (int k = 0; k < n; ++k)
      if (set.add(path, k)) ++loaded;
  }
  const double secs = t.nsecsElapsed() / 1e9;
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("load %d of %d frames (%dx%d), %.1f MB: %.3f s, %.0f MB/s, peak RSS %.1f MB\n",
              loaded, frames, set.width(), set.height(), bytes / 1e6, secs,
              secs > 0 ? bytes / 1e6 / secs : 0.0, ru.ru_maxrss / 1024.0);
  return loaded == frames ? 0 : 1;
}
