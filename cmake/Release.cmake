# What a user installs (component "runtime"): one folder, named with the product and version, that
# holds README.txt, which says what to copy where and how to start the command, the DLL and its
# icons, and in docs/ both user guides and the release notes (the users' changelog, Korean and
# English), each as HTML beside its Markdown. Apart from it the DLL's debug symbols
# (component "debug"), in a folder of the same name, so that both zips unpacked in one place put
# them beside the DLL. CPack packs each into its own zip: `cmake --build build --target package`.
set(SORVANE_USER_DOCS docs/user-guide.ko.md docs/user-guide.en.md docs/release-notes.md)
set(SORVANE_README docs/README.txt)

# README.txt with Windows line ends, and the Markdown rendered as HTML, for Windows 7's Notepad
# and browser (scripts/release-docs, with Python-Markdown). The mingw-wine preset names Debian's
# Python.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
execute_process(COMMAND ${Python3_EXECUTABLE} -c "import markdown" RESULT_VARIABLE no_markdown OUTPUT_QUIET ERROR_QUIET)
if(no_markdown)
  message(FATAL_ERROR "${Python3_EXECUTABLE} lacks Python-Markdown, which renders the release's guides: "
                      "install it (Debian: python3-markdown; elsewhere: pip install markdown), or build without "
                      "the release (-DSORVANE_RELEASE=OFF)")
endif()
set(release_dir ${PROJECT_BINARY_DIR}/release)
file(MAKE_DIRECTORY ${release_dir}/docs)
set(user_docs_html "")
foreach(doc ${SORVANE_USER_DOCS})
  cmake_path(GET doc FILENAME page)
  cmake_path(REPLACE_EXTENSION page LAST_ONLY html)
  list(APPEND user_docs_html ${release_dir}/docs/${page})
endforeach()
list(TRANSFORM SORVANE_USER_DOCS PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE user_docs)
add_custom_command(
  OUTPUT ${user_docs_html} ${release_dir}/README.txt
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/release-docs ${release_dir}/docs ${user_docs}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/release-docs ${release_dir} ${PROJECT_SOURCE_DIR}/${SORVANE_README}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/release-docs ${user_docs} ${PROJECT_SOURCE_DIR}/${SORVANE_README}
  COMMENT "Rendering the guides and the release notes as HTML, README.txt with Windows line ends")
add_custom_target(sorvane_release_docs ALL DEPENDS ${user_docs_html} ${release_dir}/README.txt)

if(CMAKE_OBJCOPY AND NOT MSVC)
  # The shipped DLL is stripped and names its symbol file in a .gnu_debuglink section, which
  # debuggers follow to Sorvane.dll.debug.
  add_custom_command(
    OUTPUT ${release_dir}/Sorvane.dll ${release_dir}/Sorvane.dll.debug
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:Sorvane> Sorvane.dll.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=Sorvane.dll.debug $<TARGET_FILE:Sorvane> Sorvane.dll
    WORKING_DIRECTORY ${release_dir}
    DEPENDS Sorvane
    COMMENT "Stripping Sorvane.dll, its symbols apart")
  add_custom_target(sorvane_release ALL DEPENDS ${release_dir}/Sorvane.dll ${release_dir}/Sorvane.dll.debug)
  install(FILES ${release_dir}/Sorvane.dll DESTINATION . COMPONENT runtime)
  install(FILES ${release_dir}/Sorvane.dll.debug DESTINATION . COMPONENT debug)
else()
  install(TARGETS Sorvane RUNTIME DESTINATION . COMPONENT runtime)
  install(FILES $<TARGET_PDB_FILE:Sorvane> DESTINATION . COMPONENT debug OPTIONAL)
endif()
install(FILES ${release_dir}/README.txt ${SORVANE_ICONS} DESTINATION . COMPONENT runtime)
install(FILES ${SORVANE_USER_DOCS} ${user_docs_html} DESTINATION docs COMPONENT runtime)

# The zips' and their folder's name (the package check takes it too: CPack's own variable does
# not survive include(CPack)).
set(SORVANE_PACKAGE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_FILE_NAME ${SORVANE_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime debug)
set(CPACK_ARCHIVE_RUNTIME_FILE_NAME ${SORVANE_PACKAGE_NAME})
set(CPACK_ARCHIVE_DEBUG_FILE_NAME ${SORVANE_PACKAGE_NAME}-symbols)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
