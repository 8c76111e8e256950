#pragma once

// Slices saved as TIFF with samples wider than 8 bits (16-bit integers,
// 32-bit float slices): read by value through the frame reader, since a
// raster picture would squeeze them through an 8-bit channel. 8-bit and
// colour TIFFs are left to the picture reader.

#include <QString>

#include "view3d/SliceRecord.h"

// True when path is a one-sample TIFF wider than 8 bits whose first page was
// read into out (values row by row, is image false).
bool readValueTiffSlice(const QString& path, SliceRecord& out);
