# The Quillmap stand-in: statistics and file names directly, the server over
# loopback with the project's own link, and the real program.
vanto_test(standin LIBS vanto_standin vanto_ui_link vanto_core_link vanto_core_base
           vanto_core_output vanto_core_ct)
add_dependencies(tst_standin quillmap-standin)
