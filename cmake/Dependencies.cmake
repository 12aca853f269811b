# Third-party libraries: the package's own CMake files where the toolchain finds them (vcpkg or
# another installed copy); otherwise the sources of Debian's packages.

# nlohmann-json, header-only. Debian's package lives under /usr/include, which a cross-compiler
# must never see whole: its one folder is copied into the build instead.
find_package(nlohmann_json 3.9 CONFIG QUIET)
if(NOT nlohmann_json_FOUND)
  find_path(SORVANE_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT SORVANE_JSON_INCLUDE_DIR)
    message(FATAL_ERROR "nlohmann-json not found: install it (Debian: nlohmann-json3-dev) or point "
                        "CMAKE_PREFIX_PATH at an installed copy")
  endif()
  file(COPY ${SORVANE_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/third-party/include)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/third-party/include)
endif()

# Python 3, on the machine that builds: it renders the release's guides (with Python-Markdown,
# cmake/Release.cmake) and runs the DXF tests. The mingw-wine preset names Debian's.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
