# The one version of the tree, project()'s four numbers, as a header for the
# resource scripts and the code: "DravVersion.h", on the include path of
# every target (resource scripts are compiled into test programs too). The
# native tools take PROJECT_VERSION directly.
if(NOT DEFINED PROJECT_VERSION_TWEAK OR PROJECT_VERSION_TWEAK STREQUAL "")
  message(FATAL_ERROR "project() must give the version as four numbers (major.minor.patch.build)")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/DravVersion.h.in ${PROJECT_BINARY_DIR}/version/DravVersion.h @ONLY)
include_directories(${PROJECT_BINARY_DIR}/version)
