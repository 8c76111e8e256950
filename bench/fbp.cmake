# Reconstruction benchmark: literal loop against the production back-projector
# (each kernel), two workers against one, and the sinogram build time.
add_executable(bench-fbp ${CMAKE_CURRENT_SOURCE_DIR}/bench_fbp.cpp)
target_link_libraries(bench-fbp PRIVATE vanto_core_ct vanto_phantom Threads::Threads)
target_include_directories(bench-fbp PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
