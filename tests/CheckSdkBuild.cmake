# Builds the plug-in against the host SDK as a package: the stand-in host installed in the SDK's
# shape (BUILD_DIR/sdk) and a build of Sorvane.dll alone that finds it with ZELLIB_SDK_DIR
# (BUILD_DIR/sdk-build, its objects kept between runs), configured without the stand-in, the tests,
# the benchmarks and the release. Checks that this configuration asked for none of their
# dependencies (nlohmann-json, Python), that the plug-in took the SDK's header and import library,
# and that its include path holds the repository and the SDK, not the stand-in's header;
# plugin_tests_sdk then runs the plug-in's tests on the DLL built so.
set(sdk ${BUILD_DIR}/sdk)
set(sdk_build ${BUILD_DIR}/sdk-build)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(failed)
    message(FATAL_ERROR "${what} failed:\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${sdk})
run("installing the stand-in as the SDK" ${CMAKE_COMMAND} --install ${BUILD_DIR} --component sdk --prefix ${sdk})
foreach(file include/ZelLib.h bin/ZelLib.dll lib/libZelLib.dll.a)
  if(NOT EXISTS ${sdk}/${file})
    file(GLOB_RECURSE installed RELATIVE ${sdk} ${sdk}/*)
    message(FATAL_ERROR "the SDK lacks ${file}; it holds: ${installed}")
  endif()
endforeach()

file(REMOVE ${sdk_build}/CMakeCache.txt)
run("configuring against the SDK" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${sdk_build} -G ${GENERATOR}
    -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    -DCMAKE_COMPILE_WARNING_AS_ERROR=${WARNINGS_AS_ERRORS}
    -DZELLIB_SDK_DIR=${sdk} -DSORVANE_HOST=OFF -DBUILD_TESTING=OFF)
file(STRINGS ${sdk_build}/CMakeCache.txt asked REGEX "^(nlohmann_json_DIR|SORVANE_JSON_INCLUDE_DIR|Python3_[A-Z_]+|SORVANE_[A-Z]+):")
foreach(entry IN LISTS asked)
  if(NOT entry MATCHES "^SORVANE_(HOST|BENCHMARKS|RELEASE):[A-Z]+=OFF$")
    message(FATAL_ERROR "the plug-in alone asked for what it does not build with: ${asked}")
  endif()
endforeach()
run("building Sorvane.dll against the SDK" ${CMAKE_COMMAND} --build ${sdk_build})

file(STRINGS ${sdk_build}/CMakeCache.txt found REGEX "^ZelLib_(INCLUDE_DIR|LIBRARY):")
if(NOT found MATCHES "ZelLib_INCLUDE_DIR:PATH=${sdk}/include" OR NOT found MATCHES "ZelLib_LIBRARY:FILEPATH=${sdk}/lib/")
  message(FATAL_ERROR "the plug-in did not take ZelLib from the SDK: ${found}")
endif()
# The Makefiles for a Windows compiler pass the include path in a response file, quoting some
# paths.
file(READ ${sdk_build}/CMakeFiles/sorvane_core.dir/includes_CXX.rsp flags)
string(REPLACE "\"" "" flags "${flags}")
string(REGEX MATCHALL "(-I|-isystem )[^ \n]+" include_path "${flags}")
set(expected -I${SOURCE_DIR} -I${SOURCE_DIR}/afx "-isystem ${sdk}/include")
if(NOT include_path STREQUAL expected)
  message(FATAL_ERROR "the plug-in's include path is ${include_path}\nnot the repository, afx/ and the SDK: ${expected}")
endif()
message(STATUS "Sorvane.dll built against ${sdk}: ${sdk_build}/bin/Sorvane.dll")
