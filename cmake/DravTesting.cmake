# GoogleTest (GTest::gtest, GTest::gtest_main). Natively the installed CMake
# package (Debian: libgtest-dev). MinGW has no prebuilt one, so the Windows
# configuration builds the same version from its sources (Debian: googletest),
# found in DRAV_GTEST_SOURCE_DIR, by default /usr/src/googletest.
if(WIN32)
  # find_path keeps a path given on the command line and searches otherwise;
  # the sources belong to the build host, not to the target's root.
  find_path(DRAV_GTEST_SOURCE_DIR NAMES googletest/src/gtest-all.cc PATHS /usr/src/googletest
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
            DOC "GoogleTest's source tree, built for the Windows configuration")
  if(NOT EXISTS "${DRAV_GTEST_SOURCE_DIR}/googletest/src/gtest-all.cc")
    message(FATAL_ERROR "GoogleTest's sources not found (DRAV_GTEST_SOURCE_DIR=${DRAV_GTEST_SOURCE_DIR}). "
                        "Install Debian's googletest package (scripts/bootstrap.sh) or point "
                        "-DDRAV_GTEST_SOURCE_DIR at a GoogleTest source tree.")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${DRAV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest CONFIG REQUIRED)
endif()
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
