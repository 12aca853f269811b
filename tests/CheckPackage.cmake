# Makes the release zips with CPack and checks them as a Windows user will meet them: each unpacks
# into the one folder PACKAGE_NAME and holds exactly its files; README.txt and the HTML pages open
# in Windows 7's Notepad and browser; README.txt says how to start the command, and the release
# notes are the users' own; the icons are transparent around their tile. Leaves the
# user's zip unpacked in package/unpacked for the tests of the DLL it carries.
set(package ${BUILD_DIR}/package)
file(REMOVE_RECURSE ${package})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${BUILD_DIR}/CPackConfig.cmake -B ${package}
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()

# expect_zip(ZIP FOLDER FILE...): ZIP unpacked into FOLDER holds exactly PACKAGE_NAME/FILE...
function(expect_zip name folder)
  set(zip ${package}/${name}.zip)
  if(NOT EXISTS ${zip})
    file(GLOB made ${package}/*.zip)
    message(FATAL_ERROR "no ${name}.zip; CPack made: ${made}")
  endif()
  set(unpacked ${package}/${folder})
  file(MAKE_DIRECTORY ${unpacked})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${unpacked})
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${unpacked} ${unpacked}/*)
  list(SORT files)
  set(expected ${ARGN})
  list(TRANSFORM expected PREPEND ${PACKAGE_NAME}/)
  list(SORT expected)
  if(NOT files STREQUAL expected)
    message(FATAL_ERROR "${name}.zip holds: ${files}\nexpected: ${expected}")
  endif()
  message(STATUS "${name}.zip holds exactly: ${files}")
endfunction()

expect_zip(${PACKAGE_NAME} unpacked
  README.txt Sorvane.dll apSorvane_16.png apSorvane_24.png apSorvane_32.png
  docs/user-guide.ko.md docs/user-guide.ko.html docs/user-guide.en.md docs/user-guide.en.html
  docs/release-notes.md docs/release-notes.html)
expect_zip(${PACKAGE_NAME}-symbols symbols Sorvane.dll.debug)
set(shipped ${package}/unpacked/${PACKAGE_NAME})

# README.txt: Windows line ends only, and a byte order mark that tells Notepad it is UTF-8.
file(READ ${shipped}/README.txt head LIMIT 3 HEX)
if(NOT head STREQUAL "efbbbf")
  message(FATAL_ERROR "README.txt starts with the bytes ${head}, not UTF-8's byte order mark")
endif()
# (Read as bytes: file(READ) drops the CRs of a text.)
file(READ ${shipped}/README.txt readme HEX)
string(REGEX REPLACE "(..)" "\\1 " readme "${readme}")
if(readme MATCHES "(^|[^d] |[^0]d )0a" OR NOT readme MATCHES "0d 0a $")
  message(FATAL_ERROR "README.txt has a line that does not end with CR LF")
endif()

# The pages: UTF-8 said in the page, every table rendered, and links between them, not to Markdown.
foreach(page user-guide.ko user-guide.en release-notes)
  file(READ ${shipped}/docs/${page}.html html)
  if(NOT html MATCHES "<meta charset=\"utf-8\">")
    message(FATAL_ERROR "docs/${page}.html does not say it is UTF-8")
  endif()
  if(html MATCHES "\n\\|")
    message(FATAL_ERROR "docs/${page}.html holds a Markdown table that was not rendered")
  endif()
  if(html MATCHES "href=\"[^\"/:]*\\.md\"")
    message(FATAL_ERROR "docs/${page}.html links to a Markdown file: ${CMAKE_MATCH_0}")
  endif()
endforeach()
file(READ ${shipped}/docs/user-guide.ko.html html)
if(NOT html MATCHES "<table>" OR NOT html MATCHES "href=\"user-guide.en.html\"")
  message(FATAL_ERROR "docs/user-guide.ko.html lacks its tables or its link to the English guide")
endif()

# README.txt tells, in Korean and then in English, how the command starts: its icon, clicked,
# brings up the command's first prompt.
file(READ ${shipped}/README.txt readme)
set(first_prompt "검색할 주기입력/주기선택(확정-설정창Open) :")
string(FIND "${readme}" "명령 실행" korean)
string(FIND "${readme}" "Starting the command" english)
if(korean EQUAL -1 OR english LESS korean)
  message(FATAL_ERROR "README.txt lacks its Korean part \"명령 실행\" before its English part \"Starting the command\"")
endif()
foreach(part "아이콘을 클릭하면" "Click the icon")
  string(FIND "${readme}" "${part}" at)
  string(SUBSTRING "${readme}" ${at} 400 told)
  string(FIND "${told}" "${first_prompt}" prompt_at)
  if(at EQUAL -1 OR prompt_at EQUAL -1)
    message(FATAL_ERROR "README.txt does not say \"${part}\" and the prompt that follows, \"${first_prompt}\"")
  endif()
endforeach()

# The release notes are the users': Korean and English, no developers' matters, and every heading
# with something under it.
file(READ ${shipped}/docs/release-notes.html notes)
if(NOT notes MATCHES "<h2>한국어</h2>.*<h3>4\\.2\\.1\\.1.*<h2>English</h2>.*<h3>4\\.2\\.1\\.1")
  message(FATAL_ERROR "docs/release-notes.html lacks this release in Korean, then in English")
endif()
foreach(word "For developers" "find_package" "scripts/" "DEVELOPING" "stand-in" "SDK")
  string(FIND "${notes}" "${word}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "docs/release-notes.html speaks to developers: \"${word}\"")
  endif()
endforeach()
foreach(level 1 2 3 4 5)
  if(notes MATCHES "</h${level}>[ \n]*<h[1-${level}]>")
    message(FATAL_ERROR "docs/release-notes.html has a heading with nothing under it: ${CMAKE_MATCH_0}")
  endif()
endforeach()

# The icons: 8 bits for each of red, green, blue and alpha at their named size (the PNG header's
# width, height, bit depth and colour type 6), and transparent somewhere.
foreach(size 16 24 32)
  set(icon ${shipped}/apSorvane_${size}.png)
  file(READ ${icon} header OFFSET 16 LIMIT 10 HEX)
  math(EXPR size_hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" size_hex ${size_hex})
  if(NOT header STREQUAL "000000${size_hex}000000${size_hex}0806")
    message(FATAL_ERROR "apSorvane_${size}.png is not ${size} by ${size} pixels of 8-bit RGBA: IHDR ${header}")
  endif()
  execute_process(COMMAND ${IDENTIFY} -format "%[opaque]" ${icon} OUTPUT_VARIABLE opaque RESULT_VARIABLE failed)
  if(failed OR NOT opaque STREQUAL "false")
    message(FATAL_ERROR "apSorvane_${size}.png has no transparent pixel (identify: ${opaque})")
  endif()
endforeach()

# The shipped DLL carries no symbols of its own but names the file that holds them.
execute_process(COMMAND ${OBJCOPY} --dump-section .gnu_debuglink=${package}/debuglink ${shipped}/Sorvane.dll
                RESULT_VARIABLE failed ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "the shipped Sorvane.dll has no .gnu_debuglink section: ${output}")
endif()
file(STRINGS ${package}/debuglink link LIMIT_COUNT 1)
if(NOT link MATCHES "^Sorvane\\.dll\\.debug")
  message(FATAL_ERROR "the shipped Sorvane.dll links its symbols to \"${link}\"")
endif()
file(SIZE ${shipped}/Sorvane.dll shipped_size)
file(SIZE ${BUILD_DIR}/bin/Sorvane.dll built_size)
message(STATUS "Sorvane.dll: ${built_size} bytes as built, ${shipped_size} bytes shipped")
