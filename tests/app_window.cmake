vanto_test(body LIBS vanto_ui_app vanto_phantom)
vanto_test(commands LIBS vanto_ui_app vanto_phantom)
vanto_test(sequence LIBS vanto_ui_app vanto_phantom)
# The Japanese texts embedded as ":Vanto_ja_JP", for the layout check in both languages.
qt_add_translations(tst_body TS_FILES ${CMAKE_SOURCE_DIR}/resources/Vanto_ja_JP.ts
                    RESOURCE_PREFIX "/" LUPDATE_TARGET tst_body_lupdate
                    LRELEASE_TARGET tst_body_lrelease)
vanto_test(window LIBS vanto_ui_app)
