vanto_test(imageset LIBS vanto_ui_imagedata)
vanto_test(references LIBS vanto_ui_imagedata)
