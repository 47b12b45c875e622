# vantrelTool.exe under Wine: the phone buttons against the embedded simulated phone (included by this folder's CMakeLists.txt).
if(NOT (TARGET vantrelTool AND VANTREL_DEMO_BUILD))
  return()
endif()

# Copied by the test to where an unquoted tool path would make Windows look first.
add_executable(wine_decoy_program decoy_program.cpp)

vantrel_add_gtest(wine_device_operations_test SOURCES device_operations_wine_test.cpp
  LIBS vantrel_wine_driver vantrel_runtime vantrel_res_headers)
target_compile_definitions(wine_device_operations_test PRIVATE VANTREL_TOOL_EXE="$<TARGET_FILE:vantrelTool>"
                                                               VANTREL_DECOY_EXE="$<TARGET_FILE:wine_decoy_program>")
add_dependencies(wine_device_operations_test vantrelTool wine_decoy_program)
# It shares the screen, the pointer and the keyboard with the other Wine tests.
set_tests_properties(wine_device_operations_test PROPERTIES RUN_SERIAL TRUE TIMEOUT 300)
