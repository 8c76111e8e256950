# HDF5 scan files: the reader, and the real program on generated scans.
vanto_test(hdf5 LIBS vanto_ui_imagedata PkgConfig::HDF5)
vanto_test(hdf5_e2e LIBS vanto_core_output PkgConfig::HDF5 TIFF::TIFF)
add_dependencies(tst_hdf5_e2e vanto vanto-phantom)
