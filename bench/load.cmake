# bench-load: time and peak memory of loading a projection series into the image set.
add_executable(bench-load ${CMAKE_CURRENT_LIST_DIR}/LoadSeries.cpp)
target_link_libraries(bench-load PRIVATE vanto_core_imageset)
