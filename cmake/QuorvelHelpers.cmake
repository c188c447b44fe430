# Declarative helpers: one line per library, module and test, each naming its
# layer and the targets it uses.
#
# Layers. Each layer (platform, common, engine, widget, settings, host/common,
# sim, host/linux, cli) has an
# include root of its own in the build tree, holding only a link to that
# layer's folder, so `#include "sim/..."` resolves only for targets that use
# the sim library. A target sees its own layer and those of the targets it
# links, nothing else. Tests and benchmarks see the whole tree.

set(QUORVEL_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)

# The include root of one layer: ${QUORVEL_LAYER_ROOTS}/<layer>/<layer> -> source folder.
# A layer may be a nested folder (host/common): its root holds host/common
# only, so a sibling such as host/linux stays out of reach.
function(quorvel_layer_root layer out)
  string(REPLACE "/" "-" rootName ${layer})
  set(root ${QUORVEL_LAYER_ROOTS}/${rootName})
  if(NOT EXISTS ${root}/${layer})
    get_filename_component(parent ${root}/${layer} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# quorvel_library(NAME SHARED|STATIC|OBJECT LAYER layer SOURCES ... DEPS ... PRIVATE_DEPS ...)
# DEPS are the only targets it may use; its layer's root is public, so users
# of the library may include its headers.
function(quorvel_library name kind)
  cmake_parse_arguments(ARG "" "LAYER" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} ${kind} ${ARG_SOURCES})
  quorvel_layer_root(${ARG_LAYER} root)
  target_include_directories(${name} PUBLIC ${root})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# Options for code that goes into a loadable module.
# No GNU unique symbols (GCC), so each device's copy of a module is a fresh
# instance that dlclose can unload. Hidden symbols: a module's references to
# its own state bind inside the module, never to a same-named symbol of the
# host that loads it.
function(quorvel_module_code target)
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>
                         -fvisibility=hidden -fvisibility-inlines-hidden)
endfunction()

# Every symbol of a shared library must resolve against what it links: a
# module cannot call into its host (the simulator) behind the build's back.
# Clang's sanitizer runtimes are linked into executables only, so its
# sanitizer and fuzzing builds leave the check out.
function(quorvel_no_undefined_symbols target)
  if(NOT ((QUORVEL_SANITIZE OR QUORVEL_FUZZ) AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
    target_link_options(${target} PRIVATE LINKER:-z,defs)
  endif()
endfunction()

# quorvel_module(NAME OBJECTS objlib... [SOURCES ...] DEPS ... [SUFFIX .dylib]):
# a module the hosts load with dlopen, made of object libraries of module code
# and sources of its own (which see the object libraries' headers).
function(quorvel_module name)
  cmake_parse_arguments(ARG "" "SUFFIX" "OBJECTS;SOURCES;DEPS" ${ARGN})
  set(objects)
  foreach(lib ${ARG_OBJECTS})
    list(APPEND objects $<TARGET_OBJECTS:${lib}>)
  endforeach()
  add_library(${name} MODULE ${objects} ${ARG_SOURCES})
  foreach(lib ${ARG_OBJECTS})
    target_include_directories(${name} PRIVATE $<TARGET_PROPERTY:${lib},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
  quorvel_module_code(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES PREFIX "")
  if(ARG_SUFFIX)
    set_target_properties(${name} PROPERTIES SUFFIX ${ARG_SUFFIX})
  endif()
  quorvel_no_undefined_symbols(${name})
endfunction()

# quorvel_test(NAME SOURCES ... DEPS ...): one GoogleTest binary, each TEST a ctest entry.
function(quorvel_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE QUORVEL_BUILD_DIR="${CMAKE_BINARY_DIR}" QUORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QUORVEL_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
include(GoogleTest)
