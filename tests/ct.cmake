# CT engine: sinogram building, CoR guess, sinogram picture, run arithmetic,
# the FFT workspace and the back-projection kernels.
vanto_test(sinogram LIBS vanto_core_ct vanto_phantom)
vanto_test(fbp LIBS vanto_core_ct vanto_phantom)
vanto_test(ctdispatch LIBS vanto_core_ct)
vanto_test(ctrun LIBS vanto_core_ct)
