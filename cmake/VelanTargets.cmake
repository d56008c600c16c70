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

# velan_layer(<name> ROOT <dir> HEADERS <path>... SOURCES <file>... [LINK <target>...])
# One layer of a plug-in as a static library. Its headers (files or whole
# folders, relative to ROOT) are linked into a folder of the build tree, and
# that folder instead of ROOT is its include path. A layer therefore sees its
# own headers and those of the layers it links, and an include of a header
# from a layer above it fails to compile.
function(velan_layer name)
  cmake_parse_arguments(ARG "" "ROOT" "HEADERS;SOURCES;LINK" ${ARGN})
  set(stage ${CMAKE_CURRENT_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${stage})
  foreach(header ${ARG_HEADERS})
    get_filename_component(folder ${stage}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${ARG_ROOT}/${header} ${stage}/${header} SYMBOLIC)
  endforeach()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${stage})
  target_link_libraries(${name} PRIVATE velan_warnings PUBLIC ${ARG_LINK})
endfunction()
