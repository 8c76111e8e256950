# Data sets of energy series: folder per energy, facility B file sets and the
# facility A meta file.
vanto_core_library(datasets DataSetScan.h DataSetScan.cpp CtFileSet.h CtFileSet.cpp
                   KestrelMetaReader.h KestrelMetaReader.cpp)
target_link_libraries(vanto_core_datasets PUBLIC vanto_core_base)
