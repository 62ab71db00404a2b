# The program's icon and version information, built into a Windows executable
# as a resource, so Explorer shows them.
function(parvex_windows_resources target description)
  set(PARVEX_RC_NAME "${target}")
  set(PARVEX_RC_DESCRIPTION "${description}")
  set(PARVEX_ICON_FILE "${CMAKE_BINARY_DIR}/icons/parvex.ico")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
  configure_file("${PROJECT_SOURCE_DIR}/packaging/windows/resources.rc.in" "${rc}" @ONLY)
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${PARVEX_ICON_FILE}")
  target_sources(${target} PRIVATE "${rc}")
  add_dependencies(${target} icons)
endfunction()
