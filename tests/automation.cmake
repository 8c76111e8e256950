vanto_test(batch LIBS vanto_core_automation)
