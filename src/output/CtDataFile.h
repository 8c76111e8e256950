#pragma once

// CT data file: the "#VNTO-CTImg" text format of a reconstructed slice.
// The writer composes the whole file as bytes (six header lines, then one
// "x\ty\tvalue" line per pixel of the region, x fastest); the reader parses
// it back into a grid with its value range.

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

struct CtDataRegion {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x1, y1 exclusive
};

struct CtDataLimits {
  double upper = 10, lower = -10, offset = 10;
};

// Appends the whole file (six header lines + data lines, x fastest) for an image of
// `rows` rows of `rowLength` doubles (row-major, image[y * rowLength + x]).
void appendCtDataFile(QByteArray& out, const double* image, int rows, int rowLength,
                      const CtDataRegion& region, const CtDataLimits& limits);

struct CtDataGrid {
  int width = 0, height = 0;
  std::vector<double> values;  // row-major
  double min = 0, max = 0;
  double at(int x, int y) const;
};

// Largest grid side the reader accepts.
constexpr int kCtDataMaxSide = 16384;

struct CtDataInfo {
  int width = 0, height = 0;
  double min = 0, max = 0;
};

// Reads a CT data file into the grid that allocate(width, height) provides:
// width x height zeros, row-major, or null when they cannot be had. False when
// the file cannot be opened, lacks the magic line, never produces a grid,
// announces a grid larger than kCtDataMaxSide a side, larger than its size can
// fill or larger than the free memory, or has a line longer than 1 MiB.
bool readCtDataFile(const QString& path, CtDataInfo& info,
                    const std::function<double*(int width, int height)>& allocate);
// The same into a CtDataGrid.
bool readCtDataFile(const QString& path, CtDataGrid& out);

// The general number format with 6 significant digits used by the file (and elsewhere).
void appendNumberG6(QByteArray& out, double v);
QString numberG6(double v);
