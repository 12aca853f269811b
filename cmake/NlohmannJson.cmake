# nlohmann-json, header-only, which the stand-in host's drawing files and the tests' drawings are
# read and written with: the package's own CMake files where the toolchain finds them (vcpkg or
# another installed copy); otherwise Debian's package, which lives under /usr/include, a folder a
# cross-compiler must never see whole: its one folder is copied into the build instead.
find_package(nlohmann_json 3.9 CONFIG QUIET)
if(NOT nlohmann_json_FOUND)
  find_path(SORVANE_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT SORVANE_JSON_INCLUDE_DIR)
    message(FATAL_ERROR "nlohmann-json not found, which the stand-in host needs: install it (Debian: "
                        "nlohmann-json3-dev), point CMAKE_PREFIX_PATH at an installed copy, or build without the "
                        "stand-in (-DSORVANE_HOST=OFF with ZELLIB_SDK_DIR)")
  endif()
  file(COPY ${SORVANE_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/third-party/include)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/third-party/include)
endif()
