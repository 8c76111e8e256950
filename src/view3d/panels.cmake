# Panels of the 3D view (widgets): the slice-set control and the view itself.
vanto_ui_library(view3d SlicesCtrl.h SlicesCtrl.cpp CtView.h CtView.cpp)
target_link_libraries(vanto_ui_view3d PUBLIC vanto_core_view3d vanto_ui_widgets vanto_core_base Qt6::Svg)
