# Reconstruction benchmark: literal loop against the production back-projector
# (each kernel), two workers against one, and the sinogram build time. The
# literal loop is compiled once per instruction set with the same options as
# the kernel for that set; the benchmark prints which it compares against.
add_executable(bench-fbp ${CMAKE_CURRENT_LIST_DIR}/bench_fbp.cpp)
foreach(_isa Scalar Avx2 Avx512)
  string(TOUPPER ${_isa} _upper)
  set(_lib bench_fbp_literal_${_upper})
  add_library(${_lib} OBJECT ${CMAKE_CURRENT_LIST_DIR}/FbpLiteral.cpp)
  target_compile_options(${_lib} PRIVATE ${VANTO_FBP_${_upper}_OPTIONS})
  target_compile_definitions(${_lib} PRIVATE FBP_LITERAL_NAME=literal${_isa})
  target_link_libraries(${_lib} PRIVATE PkgConfig::FFTW3)
  target_sources(bench-fbp PRIVATE $<TARGET_OBJECTS:${_lib}>)
  list(JOIN VANTO_FBP_${_upper}_OPTIONS " " _text)
  target_compile_definitions(bench-fbp PRIVATE "FBP_LITERAL_OPTIONS_${_upper}=\"${_text}\"")
endforeach()
target_link_libraries(bench-fbp PRIVATE vanto_core_ct vanto_phantom Threads::Threads)
target_include_directories(bench-fbp PRIVATE ${CMAKE_CURRENT_LIST_DIR})
