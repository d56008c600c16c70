# Helpers shared by the component CMakeLists files.

# velan_shared_library(<name> SOURCES ... [LINK ...])
# A plug-in or host library: hidden visibility, RUNPATH $ORIGIN, installed
# into <prefix>/lib/velan.
function(velan_shared_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE velan_warnings ${ARG_LINK})
  set_target_properties(${name} PROPERTIES
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
  target_link_options(${name} PRIVATE LINKER:--enable-new-dtags)
  # Every symbol resolved at link time, except in sanitizer builds where
  # clang leaves the runtime to the executable.
  if(NOT VELAN_SANITIZE)
    target_link_options(${name} PRIVATE LINKER:--no-undefined)
  endif()
  install(TARGETS ${name} LIBRARY DESTINATION ${VELAN_INSTALL_LIBDIR})
endfunction()

# velan_sources(<var> <dir>...): every .cpp/.c file under the folders.
function(velan_sources var)
  set(result)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    list(APPEND result ${found})
  endforeach()
  set(${var} ${result} PARENT_SCOPE)
endfunction()

# velan_test(<name> SOURCES_DIR <dir> LINK ...): one GoogleTest executable per
# test folder, every *.cpp in it, registered with CTest.
function(velan_test name)
  cmake_parse_arguments(ARG "" "DIR" "LINK" ${ARGN})
  file(GLOB found CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT found)
    return()
  endif()
  add_executable(${name} ${found})
  target_link_libraries(${name} PRIVATE velan_warnings GTest::gtest GTest::gtest_main
                        Threads::Threads ${ARG_LINK})
  target_compile_definitions(${name} PRIVATE
    VELAN_TEST_LIB_DIR="${VELAN_LIB_DIR}"
    VELAN_TEST_BIN_DIR="${VELAN_BIN_DIR}"
    VELAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VELAN_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/../shared/samples")
  set_target_properties(${name} PROPERTIES BUILD_RPATH "${VELAN_LIB_DIR}")
  # The GoogleTest headers dominate the compile time of every test file.
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <string> <vector> <memory>)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                       PROPERTIES ENVIRONMENT "VELAN_LIB_DIR=${VELAN_LIB_DIR}")
endfunction()
