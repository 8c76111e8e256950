# Panels of the CT subsystem (widgets): processing control and the sinogram.
vanto_ui_library(ct ProcCtrl.h ProcCtrl.cpp CtRunParams.h Sinogram.h Sinogram.cpp
  CtRegionFields.h CtCalc.h CtCalc.cpp CtCalc2Ui.h CtCalc2Ui.cpp)
target_link_libraries(vanto_ui_ct PUBLIC vanto_core_ct vanto_core_imageset vanto_ui_widgets)
