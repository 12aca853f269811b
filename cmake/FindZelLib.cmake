# The host's API library as a package: its header ZelLib.h and its import library, as the
# imported target ZelLib::ZelLib, which the plug-in links (`find_package(ZelLib REQUIRED)`).
#
#   ZELLIB_SDK_DIR  the host SDK: ZelLib.h in include/ (or in the folder itself), the import
#                   library in lib/ or lib/x64/ (ZelLib.lib, or libZelLib.dll.a from mingw-w64).
#                   The stand-in host installs itself in this shape:
#                   `cmake --install build --component sdk --prefix DIR`.
#                   Empty: the stand-in built in this tree (zelhost/), whose target then is
#                   ZelLib::ZelLib.
#
# Sets ZelLib_FOUND, and with an SDK ZelLib_INCLUDE_DIR and ZelLib_LIBRARY.
set(ZELLIB_SDK_DIR "" CACHE PATH "The host SDK whose ZelLib the plug-in links; empty for the stand-in host's")

if(NOT ZELLIB_SDK_DIR)
  if(NOT TARGET zellib)
    message(FATAL_ERROR "ZelLib: the plug-in links the host's API library, and neither the host SDK "
                        "(ZELLIB_SDK_DIR) is given nor the stand-in host built (SORVANE_HOST): give one of them")
  endif()
  add_library(ZelLib::ZelLib ALIAS zellib)
  set(ZelLib_FOUND TRUE)
  return()
endif()

# The SDK lies outside the cross-compiler's root: search only where ZELLIB_SDK_DIR says.
find_path(ZelLib_INCLUDE_DIR ZelLib.h PATHS ${ZELLIB_SDK_DIR} PATH_SUFFIXES include
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_library(ZelLib_LIBRARY ZelLib PATHS ${ZELLIB_SDK_DIR} PATH_SUFFIXES lib lib/x64
             NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(ZelLib REQUIRED_VARS ZelLib_LIBRARY ZelLib_INCLUDE_DIR
  REASON_FAILURE_MESSAGE "ZELLIB_SDK_DIR (${ZELLIB_SDK_DIR}) holds no ZelLib.h in include/ or no ZelLib import library in lib/ or lib/x64/")

if(ZelLib_FOUND AND NOT TARGET ZelLib::ZelLib)
  add_library(ZelLib::ZelLib UNKNOWN IMPORTED)
  set_target_properties(ZelLib::ZelLib PROPERTIES
    IMPORTED_LOCATION ${ZelLib_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${ZelLib_INCLUDE_DIR})
endif()
mark_as_advanced(ZelLib_INCLUDE_DIR ZelLib_LIBRARY)
