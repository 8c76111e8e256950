#pragma once

// CT data file: the "#VNTO-CTImg" text format of a reconstructed slice.
// The writer composes the whole file as bytes (six header lines, then one
// "x\ty\tvalue" line per pixel of the region, x fastest); the reader parses
// it back into a grid with its value range.

#include <QByteArray>
#include <QString>
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

// Reads a CT data file; false when it cannot be opened, lacks the magic line,
// never produces a grid, or announces a grid too large to hold.
bool readCtDataFile(const QString& path, CtDataGrid& out);

// The general number format with 6 significant digits used by the file (and elsewhere).
void appendNumberG6(QByteArray& out, double v);
QString numberG6(double v);
