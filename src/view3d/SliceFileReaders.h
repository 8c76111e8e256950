#pragma once

// Readers of the three slice file kinds accepted by the 3D view: raster images
// (blue component as the value), the CT data file and the "## 240301" XYV text
// file. Each fills a SliceRecord and returns false when the file is not of its kind
// or cannot be held; nothing is stored outside the grid.

#include <QString>

#include "view3d/SliceRecord.h"

// Largest grid side and the memory check shared by the text readers.
constexpr int kMaxSliceSide = 16384;
// True when a grid of width x height doubles is within kMaxSliceSide per side and
// fits into the memory still available.
bool sliceGridAffordable(long long width, long long height);

bool readImageSlice(const QString& path, SliceRecord& out);
bool readCtDataSlice(const QString& path, SliceRecord& out);
bool readXyvSlice(const QString& path, SliceRecord& out);
// Tries the three readers in that order.
bool readSliceFile(const QString& path, SliceRecord& out);
