# Compiler settings shared by every target of the tree.
option(DRAV_SANITIZE "Build native code with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(DRAV_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(DRAV_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Our own targets build warning-free in every configuration; development and
# CI keep warnings as errors. Users building with a newer compiler, which may
# warn about more, can turn that off.
option(DRAV_WERROR "Treat compiler warnings in the project's own code as errors" ON)

# drav_include_root(target folder [SOURCE dir] [ROOT name] [SCOPE scope]):
# `target` (and, unless SCOPE is PRIVATE, its users) include the library's
# headers as "<folder>/...", and see no other folder of the tree. The root is
# a directory of the build tree (include-roots/<ROOT>, ROOT defaulting to the
# folder) holding one link, <folder>, to SOURCE (default: the source folder of
# that name); so an include of a library that the target does not link
# (foundation including gui/..., codec including anything of ours) fails to
# build. A library with a public subfolder gives its users a root whose link
# goes to that subfolder, and keeps a second root for itself.
function(drav_include_root target folder)
  cmake_parse_arguments(arg "" "SOURCE;ROOT;SCOPE" "" ${ARGN})
  if(NOT arg_SOURCE)
    set(arg_SOURCE ${PROJECT_SOURCE_DIR}/${folder})
  endif()
  if(NOT arg_ROOT)
    set(arg_ROOT ${folder})
  endif()
  if(NOT arg_SCOPE)
    set(arg_SCOPE PUBLIC)
  endif()
  set(root ${PROJECT_BINARY_DIR}/include-roots/${arg_ROOT})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${arg_SOURCE} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${arg_SCOPE} ${root})
endfunction()

function(drav_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow $<$<BOOL:${DRAV_WERROR}>:-Werror>)
endfunction()

if(WIN32)
  # No runtime DLLs in the Wine prefix: executables are fully static and the
  # driver carries its own libgcc/libstdc++/winpthread. (-static, not
  # -Bstatic -lwinpthread: the compiler adds -lpthread after our options, and
  # that one still resolved to libwinpthread-1.dll.)
  set(DRAV_WIN_EXE_LINK -static)
  set(DRAV_WIN_DLL_LINK -static)
endif()
