# mirvano_library(<target> [DEPS <targets...>])
# One static library per folder; the sources are the folder's *.cpp files, so a new
# source file needs no CMake edit. A folder without sources yet becomes an interface
# library, so that its dependants still configure.
function(mirvano_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(_sources)
    add_library(${target} STATIC ${_sources} ${_headers})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# mirvano_tests(<folder label> [CORE] LIBS <targets...>)
# One test executable per folder of tests/, made of its *_test.cpp files and the shared
# test main; every test is labelled with the folder so `ctest -L <label>` runs one layer.
# CORE: the folder's libraries use no widgets, and neither does its test main.
# The folders listed in MIRVANO_READER_TESTS are also built by the target reader_tests.
function(mirvano_tests label)
  cmake_parse_arguments(ARG "CORE" "" "LIBS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
  if(NOT _sources)
    return()
  endif()
  string(REPLACE "/" "_" _name "${label}")
  set(_exe tests_${_name})
  if(ARG_CORE)
    add_executable(${_exe} ${_sources} ${PROJECT_SOURCE_DIR}/tests/test_main_core.cpp)
  else()
    add_executable(${_exe} ${_sources} ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
  endif()
  set_target_properties(${_exe} PROPERTIES AUTOMOC ON)
  target_include_directories(${_exe} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_CORE)
    target_link_libraries(${_exe} PRIVATE ${ARG_LIBS} GTest::gtest Qt6::Gui)
  else()
    target_link_libraries(${_exe} PRIVATE ${ARG_LIBS} GTest::gtest Qt6::Widgets)
  endif()
  target_compile_definitions(${_exe} PRIVATE
    MIRVANO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    MIRVANO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(label IN_LIST MIRVANO_READER_TESTS)
    add_dependencies(reader_tests ${_exe})
  endif()
  gtest_discover_tests(${_exe}
    PROPERTIES LABELS ${label}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST)
endfunction()
