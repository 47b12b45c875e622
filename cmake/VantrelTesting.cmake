# vantrel_add_gtest(<name> SOURCES ... [LIBS ...]): one GoogleTest program, run whole by ctest
# (natively, or under Wine through CMAKE_CROSSCOMPILING_EMULATOR in the Windows build).
function(vantrel_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
endfunction()
