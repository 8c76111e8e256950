vanto_test(slicedatas LIBS vanto_core_view3d)
