vanto_test(imageset LIBS vanto_ui_imagedata)
