vanto_test(phantom LIBS vanto_phantom vanto_core_imagedata vanto_core_datasets)
# The tests run the generator program itself.
add_dependencies(tst_phantom vanto-phantom)
