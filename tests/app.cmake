vanto_test(itemline LIBS vanto_core_app)
vanto_test(config LIBS vanto_core_app)
