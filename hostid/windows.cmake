# The Windows build (MinGW-w64), included by hostid/CMakeLists.txt:
# MD5 from the system's CNG, the collector's platform layer over the system's
# own services, and veskid.exe, a console program that exports the table.

# ---- Digest ----------------------------------------------------------------
target_sources(hostid_objects PRIVATE digest_cng.cpp)
target_link_libraries(hostid_objects PUBLIC bcrypt)

# ---- Windows Sockets 1.1, imported by ordinal ------------------------------
# An import library for wsock32.dll that names each function only by its
# ordinal there.  The 32-bit linker's names carry the stdcall argument size.
set(_vesk_wsock32_def "LIBRARY WSOCK32.dll\nEXPORTS\n")
foreach(_entry "WSAStartup 8 115" "WSACleanup 0 116" "gethostname 8 57" "gethostbyname 4 52"
               "WSAGetLastError 0 111")
  string(REPLACE " " ";" _entry "${_entry}")
  list(GET _entry 0 _name)
  list(GET _entry 1 _argument_bytes)
  list(GET _entry 2 _ordinal)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(APPEND _name "@${_argument_bytes}")
  endif()
  string(APPEND _vesk_wsock32_def "    ${_name} @${_ordinal} NONAME\n")
endforeach()
set(_vesk_wsock32_dir ${CMAKE_CURRENT_BINARY_DIR}/wsock32)
file(CONFIGURE OUTPUT ${_vesk_wsock32_dir}/wsock32.def CONTENT "${_vesk_wsock32_def}" @ONLY)
add_custom_command(OUTPUT ${_vesk_wsock32_dir}/libwsock32_ordinals.a
                   COMMAND ${CMAKE_DLLTOOL} --input-def ${_vesk_wsock32_dir}/wsock32.def
                           --output-lib ${_vesk_wsock32_dir}/libwsock32_ordinals.a
                   DEPENDS ${_vesk_wsock32_dir}/wsock32.def
                   COMMENT "Import library of wsock32.dll by ordinal")
add_custom_target(wsock32_ordinals_lib DEPENDS ${_vesk_wsock32_dir}/libwsock32_ordinals.a)
add_library(wsock32_ordinals INTERFACE)
target_link_libraries(wsock32_ordinals INTERFACE ${_vesk_wsock32_dir}/libwsock32_ordinals.a)
add_dependencies(wsock32_ordinals wsock32_ordinals_lib)

# ---- Platform layer ----------------------------------------------------------
add_library(hostid_platform_windows OBJECT platform_windows.cpp view_windows.cpp)
target_include_directories(hostid_platform_windows PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(hostid_platform_windows PUBLIC netapi32 wsock32_ordinals)

# ---- veskid.exe --------------------------------------------------------------
# The exported names as a module-definition file: the executable exports
# exactly these, so that a module loaded beside it resolves them with
# GetProcAddress(GetModuleHandle(NULL), name).
list(JOIN VESK_EXPORTED_NAMES "\n    " _vesk_def_names)
set(VESK_DEF_FILE ${CMAKE_CURRENT_BINARY_DIR}/veskid.def)
file(CONFIGURE OUTPUT ${VESK_DEF_FILE} CONTENT "EXPORTS\n    ${_vesk_def_names}\n" @ONLY)
set(VESK_DEF_FILE ${VESK_DEF_FILE} PARENT_SCOPE) # the Windows unit binary exports the same

add_executable(veskid main.cpp)
target_link_libraries(veskid PRIVATE hostid_objects hostid_platform_windows vesk_hash_objects)
target_link_options(veskid PRIVATE ${VESK_DEF_FILE})
set_property(TARGET veskid APPEND PROPERTY LINK_DEPENDS ${VESK_DEF_FILE})

# ---- vesk_hostid.dll -----------------------------------------------------------
# The host identifiers as a library, with its import library
# (libvesk_hostid.dll.a) beside it: exactly the names of vesk_hostid.exports,
# the table through vesk_hash.dll.  Both DLLs are named as Windows names its
# libraries, without a "lib" prefix; their import libraries keep MinGW's.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/vesk_hostid.exports _vesk_hostid_names REGEX "^[A-Za-z_]")
list(JOIN _vesk_hostid_names "\n    " _vesk_hostid_def_names)
set(VESK_HOSTID_DEF_FILE ${CMAKE_CURRENT_BINARY_DIR}/vesk_hostid.def)
file(CONFIGURE OUTPUT ${VESK_HOSTID_DEF_FILE}
     CONTENT "LIBRARY vesk_hostid.dll\nEXPORTS\n    ${_vesk_hostid_def_names}\n" @ONLY)
add_library(vesk_hostid SHARED $<TARGET_OBJECTS:hostid_objects>
                               $<TARGET_OBJECTS:hostid_platform_windows>)
target_link_libraries(vesk_hostid PRIVATE vesk_hash bcrypt netapi32 wsock32_ordinals)
target_link_options(vesk_hostid PRIVATE ${VESK_HOSTID_DEF_FILE})
set_target_properties(vesk_hostid PROPERTIES PREFIX "" LINK_DEPENDS ${VESK_HOSTID_DEF_FILE})
set_target_properties(vesk_hash PROPERTIES PREFIX "")
target_include_directories(vesk_hostid PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
