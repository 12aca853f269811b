# Makes the release zips with CPack and checks that each holds exactly its files; leaves the
# user's zip unpacked in package/unpacked for the tests of the DLL it carries.
set(package ${BUILD_DIR}/package)
file(REMOVE_RECURSE ${package})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${BUILD_DIR}/CPackConfig.cmake -B ${package}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()

function(expect_zip name)
  set(zip ${package}/${name}.zip)
  if(NOT EXISTS ${zip})
    file(GLOB made ${package}/*.zip)
    message(FATAL_ERROR "no ${name}.zip; CPack made: ${made}")
  endif()
  set(unpacked ${package}/${ARGV1})
  file(MAKE_DIRECTORY ${unpacked})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${unpacked})
  file(GLOB_RECURSE files RELATIVE ${unpacked} ${unpacked}/*)
  list(SORT files)
  set(expected ${ARGN})
  list(REMOVE_AT expected 0)
  list(SORT expected)
  if(NOT files STREQUAL expected)
    message(FATAL_ERROR "${name}.zip holds: ${files}\nexpected: ${expected}")
  endif()
  message(STATUS "${name}.zip holds exactly: ${files}")
endfunction()

expect_zip(Sorvane-${VERSION}-win64 unpacked
  Sorvane.dll apSorvane_16.png apSorvane_24.png apSorvane_32.png user-guide.ko.md user-guide.en.md CHANGELOG.md)
expect_zip(Sorvane-${VERSION}-win64-symbols symbols Sorvane.dll.debug)

# The shipped DLL carries no symbols of its own but names the file that holds them.
execute_process(COMMAND ${OBJCOPY} --dump-section .gnu_debuglink=${package}/debuglink ${package}/unpacked/Sorvane.dll
                RESULT_VARIABLE failed ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "the shipped Sorvane.dll has no .gnu_debuglink section: ${output}")
endif()
file(STRINGS ${package}/debuglink link LIMIT_COUNT 1)
if(NOT link MATCHES "^Sorvane\\.dll\\.debug")
  message(FATAL_ERROR "the shipped Sorvane.dll links its symbols to \"${link}\"")
endif()
file(SIZE ${package}/unpacked/Sorvane.dll shipped)
file(SIZE ${BUILD_DIR}/bin/Sorvane.dll built)
message(STATUS "Sorvane.dll: ${built} bytes as built, ${shipped} bytes shipped")
