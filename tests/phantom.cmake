vanto_test(phantom LIBS vanto_phantom vanto_core_imagedata)
# The tests run the generator program itself.
add_dependencies(tst_phantom vanto-phantom)
