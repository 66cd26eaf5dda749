# GoogleTest: Debian's build natively; built from Debian's sources for the Windows cross
# build, whose test programs then run under the emulator (wine).
if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # googletest's own build defines the GTest:: names that the native package exports.
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# duza_add_test(name SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT VAR=value ...] [WINDOWS])
# A test program. Natively each test case is its own ctest entry; in the cross build the
# whole program is one entry, since every start of wine costs about a second.
# WINDOWS marks suites that also run in the cross build.
function(duza_add_test name)
  cmake_parse_arguments(ARG "WINDOWS" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  if(CMAKE_CROSSCOMPILING AND NOT ARG_WINDOWS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    DUZA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  set(labels ${ARG_LABELS})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND labels wine)
    add_test(NAME ${name} COMMAND ${name})
    set(environment "DUZA_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" ${ARG_ENVIRONMENT})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 300
      ENVIRONMENT "${environment}")
  else()
    if(NOT labels)
      set(labels native)
    endif()
    set(environment)
    if(ARG_ENVIRONMENT)
      # One variable only: a list would be split up on its way to the discovered tests.
      set(environment ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
      PROPERTIES LABELS "${labels}" TIMEOUT 120 ${environment})
  endif()
endfunction()
