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

# The MariaDB server that database suites share: started once per ctest run by the test
# `mariadb_start` (fixture `mariadb`, tests/db), stopped by `mariadb_stop`. Suites find
# its port and logins through DUZA_MARIADB_STATE (tests/support/mariadb_state.h).
set(DUZA_MARIADB_STATE_DIR ${CMAKE_BINARY_DIR}/tests/mariadb-state)

# duza_add_test(name SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT VAR=value ...]
#               [WINDOWS] [MARIADB])
# A test program. Natively each test case is its own ctest entry; in the cross build the
# whole program is one entry, since every start of wine costs about a second.
# WINDOWS marks suites that also run in the cross build. MARIADB marks suites that need
# the shared MariaDB server: they are labelled `db`, and hold the lock `mariadb` while they
# run, since they share its databases (VIVI.FINPERIOD is one fixed name).
function(duza_add_test name)
  cmake_parse_arguments(ARG "WINDOWS;MARIADB" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
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
    if(ARG_MARIADB)
      # One label only: a list would be split up on its way to the discovered tests.
      set(labels db)
      target_link_libraries(${name} PRIVATE duza_test_mariadb)
      gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
        PROPERTIES LABELS "${labels}" TIMEOUT 120 FIXTURES_REQUIRED mariadb
          RESOURCE_LOCK mariadb ENVIRONMENT "DUZA_MARIADB_STATE=${DUZA_MARIADB_STATE_DIR}")
      return()
    endif()
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
