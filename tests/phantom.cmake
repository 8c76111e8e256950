vanto_test(phantom LIBS vanto_phantom vanto_core_imagedata vanto_core_datasets vanto_core_automation)
# The tests run the generator program itself.
add_dependencies(tst_phantom vanto-phantom)
