# quorvel_library(NAME [SHARED|STATIC|MODULE] SOURCES ... DEPS ...)
# One declarative line per library; DEPS are the only targets it may use, which is how
# "modules never link the simulator" is enforced.
function(quorvel_library name kind)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} ${kind} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# quorvel_test(NAME SOURCES ... DEPS ...): one GoogleTest binary, each TEST a ctest entry.
function(quorvel_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE QUORVEL_BUILD_DIR="${CMAKE_BINARY_DIR}" QUORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QUORVEL_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
include(GoogleTest)
