# vantrelTool.exe under Wine: the About, maker and donation dialogs (included by this folder's CMakeLists.txt).
vantrel_add_gtest(wine_info_dialogs_test SOURCES info_dialogs_wine_test.cpp
  LIBS vantrel_wine_driver vantrel_text vantrel_res_headers)
target_compile_definitions(wine_info_dialogs_test PRIVATE VANTREL_TOOL_EXE="$<TARGET_FILE:vantrelTool>")
add_dependencies(wine_info_dialogs_test vantrelTool)
# It shares the screen, the pointer and the keyboard with the other Wine tests.
set_tests_properties(wine_info_dialogs_test PROPERTIES RUN_SERIAL TRUE TIMEOUT 240)
