# CT engine: sinogram building, centre-of-rotation guess, sinogram picture,
# run arithmetic and the filtered back-projection workspace with its kernels.
vanto_core_library(ct
  SgmGeometry.h SgmGeometry.cpp
  HSgm.h HSgm.cpp
  SinogramBuilder.h SinogramBuilder.cpp
  CorGuess.h CorGuess.cpp
  SinogramImage.h SinogramImage.cpp
  CtRunParams.h
  CtRunMath.h CtRunMath.cpp
  CtDispatch.h CtDispatch.cpp
  JobStatus.h JobStatus.cpp
  CtRun.h CtRun.cpp
  CtProgress.h
  CtCalc2.h CtCalc2.cpp
  FftwBuffer.h
  FbpWorkspace.h FbpWorkspace.cpp
  BackProjector.h BackProjector.cpp
  BackProjectTiles.h
  BackProjectScalar.cpp
  BackProjectAvx2.cpp
  BackProjectAvx512.cpp)
target_link_libraries(vanto_core_ct PUBLIC vanto_core_imagedata vanto_core_widgets vanto_core_output
                      PkgConfig::FFTW3 Threads::Threads)
# Each kernel keeps the plain loop's rounding: no fused multiply-add. The
# options are kept in variables so that the benchmark builds its literal
# reference loop with exactly the same ones.
set(VANTO_FBP_SCALAR_OPTIONS -O3 -ffp-contract=off CACHE INTERNAL "")
set(VANTO_FBP_AVX2_OPTIONS -O3 -mavx2 -mfma -ffp-contract=off CACHE INTERNAL "")
set(VANTO_FBP_AVX512_OPTIONS -O3 -mavx512f -mavx512dq -mavx512vl -ffp-contract=off CACHE INTERNAL "")
set_source_files_properties(BackProjectScalar.cpp PROPERTIES COMPILE_OPTIONS "${VANTO_FBP_SCALAR_OPTIONS}")
set_source_files_properties(BackProjectAvx2.cpp PROPERTIES COMPILE_OPTIONS "${VANTO_FBP_AVX2_OPTIONS}")
set_source_files_properties(BackProjectAvx512.cpp PROPERTIES COMPILE_OPTIONS "${VANTO_FBP_AVX512_OPTIONS}")
