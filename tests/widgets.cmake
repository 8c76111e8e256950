# Display widgets: mouse record and coordinate mapping (core), image displays
# and colour bar, small widgets.
vanto_test(mousecoord LIBS vanto_core_widgets)
vanto_test(imgdisp LIBS vanto_ui_widgets)
vanto_test(smallwidgets LIBS vanto_ui_widgets)
