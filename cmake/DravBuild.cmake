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

# drav_include_root(target folder): `target` and its users include the
# library's headers as "<folder>/...", and see no other folder of the tree.
# The root is a directory of the build tree holding one link, to the source
# folder; so an include of a library that the target does not link (foundation
# including gui/..., codec including anything of ours) fails to build.
function(drav_include_root target folder)
  set(root ${PROJECT_BINARY_DIR}/include-roots/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
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
