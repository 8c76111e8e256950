# Image frames and their readers.
vanto_core_library(imagedata ImgData.h ImgData.cpp PixelConvert.h ImgDataITEX.h ImgDataITEX.cpp
                   ImgDataTiff.h ImgDataTiff.cpp Hdf5Scan.h Hdf5Scan.cpp ImgDataHdf5.h ImgDataHdf5.cpp)
target_link_libraries(vanto_core_imagedata PUBLIC vanto_core_base TIFF::TIFF PkgConfig::HDF5)
