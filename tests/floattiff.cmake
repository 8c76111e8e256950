# Float TIFF slices: written beside the CT data file format, read by the 3D view.
vanto_test(floattiff LIBS vanto_core_output vanto_core_view3d TIFF::TIFF)
