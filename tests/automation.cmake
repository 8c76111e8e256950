vanto_test(batch LIBS vanto_core_automation)
vanto_test(xafs LIBS vanto_core_automation)
