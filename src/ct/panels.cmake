# Panels of the CT subsystem (widgets).
vanto_ui_library(ct ProcCtrl.h ProcCtrl.cpp CtRunParams.h)
