# One target that carries the language standard, the warnings and the sanitizer flags.
add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(project_options INTERFACE
  -Wall -Wextra -Wpedantic
  $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Wnon-virtual-dtor>)
# Developers and CI treat warnings as errors; a packager's build with another compiler or build type
# must not fail on a warning that compiler invents. GCC 12 at -O3 reports a false -Wrestrict on
# string concatenation (in many places): it stays a warning even here.
if(LIFTO_WERROR)
  target_compile_options(project_options INTERFACE -Werror
    $<$<CXX_COMPILER_ID:GNU>:-Wno-error=restrict>)
endif()
if(LIFTO_SANITIZE)
  target_compile_options(project_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()
