#pragma once

// Readers of the three slice file kinds accepted by the 3D view: raster images
// (blue component as the value), the CT data file and the "## 240301" XYV text
// file. Each fills a SliceRecord and returns false when the file is not of its kind
// or cannot be held; nothing is stored outside the grid, and a record returned
// always holds exactly width x height values. A text file's grid is refused when
// its header claims more than the file can fill or than the free memory holds;
// the readers reserve what they allocate, so that readers running in parallel
// cannot all count on the same free memory.

#include <QString>

#include "output/CtDataFile.h"
#include "view3d/SliceRecord.h"

// Largest grid side of the text readers.
constexpr int kMaxSliceSide = kCtDataMaxSide;

bool readImageSlice(const QString& path, SliceRecord& out);
bool readCtDataSlice(const QString& path, SliceRecord& out);
bool readXyvSlice(const QString& path, SliceRecord& out);
// Tries the three readers in that order.
bool readSliceFile(const QString& path, SliceRecord& out);
