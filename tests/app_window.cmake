vanto_test(body LIBS vanto_ui_app vanto_phantom)
