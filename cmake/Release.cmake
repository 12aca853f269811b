# What a user installs: the DLL, its icons, the user guides and the changelog (component
# "runtime"), and apart from them the DLL's debug symbols (component "debug"). CPack packs each
# into its own zip: `cmake --build build --target package`.
set(SORVANE_USER_DOCS docs/user-guide.ko.md docs/user-guide.en.md CHANGELOG.md)

if(CMAKE_OBJCOPY AND NOT MSVC)
  # The shipped DLL is stripped and names its symbol file in a .gnu_debuglink section, which
  # debuggers follow to Sorvane.dll.debug.
  set(release_dir ${CMAKE_BINARY_DIR}/release)
  file(MAKE_DIRECTORY ${release_dir})
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
install(FILES ${SORVANE_ICONS} ${SORVANE_USER_DOCS} DESTINATION . COMPONENT runtime)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Sorvane)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime debug)
set(CPACK_ARCHIVE_RUNTIME_FILE_NAME Sorvane-${PROJECT_VERSION}-win64)
set(CPACK_ARCHIVE_DEBUG_FILE_NAME Sorvane-${PROJECT_VERSION}-win64-symbols)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
