# Energy scans end to end: the window's sequence and the example batch run
# by the real program on generated scans of both data-set layouts.
vanto_test(xafs_e2e LIBS vanto_ui_app vanto_phantom vanto_core_output)
add_dependencies(tst_xafs_e2e vanto)
