vanto_test(body LIBS vanto_ui_app vanto_phantom)
vanto_test(commands LIBS vanto_ui_app vanto_phantom)
vanto_test(sequence LIBS vanto_ui_app vanto_phantom)
