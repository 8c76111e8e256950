# bench-render: writing and loading a 128-slice CT data series, then the 3D view's
# per-point reference renderer against the parallel production renderer.
add_executable(bench-render ${CMAKE_CURRENT_LIST_DIR}/RenderVolume.cpp)
target_link_libraries(bench-render PRIVATE vanto_core_view3d)
