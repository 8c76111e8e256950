vanto_test(procctrl LIBS vanto_ui_ct)
vanto_test(sinogrampanel LIBS vanto_ui_ct)
