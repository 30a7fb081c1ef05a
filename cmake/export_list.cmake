# vesk_exported_names(EXPORTS_FILE NAMES_VAR): reads a list of exported names
# (one a line; lines that begin with anything but a letter or an underscore are
# comments) into NAMES_VAR.  The build is configured again when the list
# changes.
function(vesk_exported_names exports_file names_var)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${exports_file})
  file(STRINGS ${exports_file} _names REGEX "^[A-Za-z_]")
  set(${names_var} ${_names} PARENT_SCOPE)
endfunction()

# vesk_export_list(EXPORTS_FILE NAMES_VAR MAP_VAR): reads the exported names
# into NAMES_VAR, and writes the linker version script that exports exactly
# those names from a shared library, returning its path in MAP_VAR.
function(vesk_export_list exports_file names_var map_var)
  vesk_exported_names(${exports_file} _names)
  list(JOIN _names ";\n    " _map)
  get_filename_component(_stem ${exports_file} NAME_WE)
  set(_path ${CMAKE_CURRENT_BINARY_DIR}/${_stem}.map)
  file(WRITE ${_path} "{\n  global:\n    ${_map};\n  local: *;\n};\n")
  set(${names_var} ${_names} PARENT_SCOPE)
  set(${map_var} ${_path} PARENT_SCOPE)
endfunction()
