#pragma once

// Seed inputs of the fuzz targets, built here by code (no binary files of
// unknown origin): small, valid files of each reader's format and a few of
// its variants, from which the fuzzer mutates.

#include <QByteArray>
#include <vector>

namespace fuzz::seeds {

std::vector<QByteArray> itex();
std::vector<QByteArray> tiff();
std::vector<QByteArray> ctData();
std::vector<QByteArray> xyv();
std::vector<QByteArray> kestrelMeta();
std::vector<QByteArray> config();
std::vector<QByteArray> batch();
std::vector<QByteArray> itemLine();
// The HDF5 reader's seeds join here with its target (small files written
// through the HDF5 library by code, like the TIFF seeds).

}  // namespace fuzz::seeds
