# Runs the real program headless on a generated data set.
vanto_test(headless LIBS vanto_core_output)
add_dependencies(tst_headless vanto vanto-phantom)
