# What every target of the project is built with, for either toolchain: mingw-w64 (GCC) on
# Linux, or Visual Studio with the real MFC on Windows.
set(SORVANE_REAL_MFC ${MSVC})

add_library(sorvane_options INTERFACE)
target_compile_definitions(sorvane_options INTERFACE UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601)
target_compile_options(sorvane_options INTERFACE
  $<$<COMPILE_LANG_AND_ID:CXX,GNU,Clang>:-Wall -Wextra>
  $<$<COMPILE_LANG_AND_ID:CXX,MSVC>:/W4 /permissive- /utf-8>)
# With GCC every binary carries its compiler runtime, so it imports Windows' own DLLs (and the
# host's ZelLib.dll) only. Visual Studio's runtime and MFC are the shared ones.
target_link_options(sorvane_options INTERFACE $<$<CXX_COMPILER_ID:GNU>:-static -static-libgcc -static-libstdc++>)
