# The projection image set (core) and the file-selection panels (widgets).
vanto_core_library(imageset ImgDatas.h ImgDatas.cpp ScanAngles.h ScanAngles.cpp)
target_link_libraries(vanto_core_imageset PUBLIC vanto_core_imagedata)

vanto_ui_library(imagedata SelectDataFiles.h SelectDataFiles.cpp SelectAImgFile.h SelectAImgFile.cpp
                  I0ofImage.h I0ofImage.cpp SelectDataDir.h SelectDataDir.cpp)
target_link_libraries(vanto_ui_imagedata PUBLIC vanto_core_imageset vanto_core_datasets vanto_core_base
                      vanto_ui_widgets)
