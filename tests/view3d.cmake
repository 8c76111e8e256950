vanto_test(slicedatas LIBS vanto_core_view3d)
vanto_test(volumerender LIBS vanto_core_view3d)
