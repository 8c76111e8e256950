# vanto-array: task ranges and the result files a task must write.
vanto_test(vantoarray LIBS vanto_array_lib)
