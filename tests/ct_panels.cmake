vanto_test(procctrl LIBS vanto_ui_ct)
