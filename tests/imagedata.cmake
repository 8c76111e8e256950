vanto_test(imagedata LIBS vanto_core_imagedata TIFF::TIFF)
