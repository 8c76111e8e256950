# The fuzz targets' readers on their seeds and on every input that ever
# crashed one of them, built with the normal compiler (no libFuzzer).
vanto_test(readers_regression
  LIBS vanto_core_imagedata vanto_core_datasets vanto_core_output vanto_core_view3d
       vanto_core_automation vanto_core_app TIFF::TIFF
  SOURCES fuzz/FuzzHarness.cpp fuzz/FuzzSeeds.cpp)
