vanto_test(slicedatas LIBS vanto_core_view3d)
vanto_test(volumerender LIBS vanto_core_view3d)
vanto_test(render3dtool LIBS vanto_core_view3d)
add_dependencies(tst_render3dtool vanto-render3d)
