vanto_test(link LIBS vanto_ui_link vanto_core_link vanto_core_app)
