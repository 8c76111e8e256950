vanto_test(ctdatafile LIBS vanto_core_output)
vanto_test(datasaver LIBS vanto_core_output)
