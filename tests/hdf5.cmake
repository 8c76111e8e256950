# HDF5 scan files: the reader, and the real program on generated scans.
vanto_test(hdf5 LIBS vanto_ui_imagedata PkgConfig::HDF5)
