vanto_test(itemline LIBS vanto_core_base)
vanto_test(config LIBS vanto_core_app)
