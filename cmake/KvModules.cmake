# Helpers that keep each module's build description to one line.
#
# kv_module(NAME DIR DEPS...) builds every .cpp under DIR into an object library
# NAME whose include root is the source tree, linked to the modules it depends on.
# kv_test(NAME DIR DEPS...) builds every .cpp under DIR into one GoogleTest
# executable and registers its tests with CTest.

function(kv_module name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT srcs)
    # A module not written yet still makes a (empty) library.
    set(srcs ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${srcs} "")
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

function(kv_test name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # Tests run in a folder of the build tree, so that the pictures and files
  # they write never land in the sources.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-output)
  # A test that hangs (a timer never due, a loop that never ends) fails after
  # five minutes instead of holding CI for ctest's default of 25.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/test-output
    PROPERTIES ENVIRONMENT "KV_SOURCE_DIR=${PROJECT_SOURCE_DIR}" TIMEOUT 300)
endfunction()
