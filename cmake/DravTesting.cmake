# GoogleTest for both configurations, built from Debian's sources so the
# MinGW build gets the same version as the native one.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

if(WIN32)
  include(DravWine)
endif()

# drav_add_gtest(NAME SOURCES... [LIBS libs...] [LABELS labels...])
# A GoogleTest executable whose cases are discovered when ctest runs (so the
# build never needs Wine), native or under Wine.
function(drav_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  drav_warnings(${name})
  if(WIN32)
    target_link_options(${name} PRIVATE ${DRAV_WIN_EXE_LINK})
  endif()
  set(props ${T_PROPERTIES})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(props)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endif()
endfunction()
