vanto_test(ctdatafile LIBS vanto_core_output)
