# The window's continuous analysis against the real Quillmap stand-in.
vanto_test(peer_e2e LIBS vanto_ui_app vanto_phantom vanto_core_output)
add_dependencies(tst_peer_e2e quillmap-standin)
