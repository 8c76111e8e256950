vanto_test(datadir LIBS vanto_ui_imagedata)
