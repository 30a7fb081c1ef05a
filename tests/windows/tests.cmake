# The Windows tests, included by tests/CMakeLists.txt when cross-building with
# MinGW-w64.  Both builds check the export and import tables of what they
# built, and run their suites and veskid.exe under Wine: the 64-bit build
# under wine64, the 32-bit one under Debian's 32-bit Wine, run natively:
# scripts/test-windows takes it from an i386 root (scripts/i386-root --run,
# which needs a kernel that runs i386 programs itself).
# Every test is labelled with the Wine that runs it: wine-x86_64 or wine-i686.

set(_windows_tests ${CMAKE_CURRENT_SOURCE_DIR}/windows)
set(_exports_list ${PROJECT_SOURCE_DIR}/hash/vesk_hash.exports)

# ---- Export and import tables (objdump -p) -----------------------------------
add_test(NAME veskid_exports
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.sh
                 $<TARGET_FILE:veskid> ${_exports_list} ${CMAKE_OBJDUMP})
add_test(NAME library_exports
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.sh
                 $<TARGET_FILE:vesk_hash> ${_exports_list} ${CMAKE_OBJDUMP})
add_test(NAME veskid_imports
         COMMAND sh ${_windows_tests}/check_pe_imports.sh ${CMAKE_OBJDUMP}
                 $<TARGET_FILE:veskid>)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VESK_WINE_ARCH x86_64)
else()
  set(VESK_WINE_ARCH i686)
endif()
set_property(DIRECTORY PROPERTY LABELS wine wine-${VESK_WINE_ARCH})

# ---- Wine --------------------------------------------------------------------
# Every program runs through wine-run: Debian's wine64 with a private prefix
# under this build folder and Wine's own diagnostics off: this host's, or
# with VESK_I386_ROOT set the root's, chrooted (the same Debian paths).  For a
# 32-bit program wine64 starts Wine's 32-bit loader by itself; the 32-bit
# build's prefix must then be one made after 32-bit Wine could run (wine-run
# checks).
find_program(VESK_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(VESK_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(VESK_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
configure_file(${_windows_tests}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(_wine_run ${CMAKE_BINARY_DIR}/wine-run)

# ---- Unit suites ---------------------------------------------------------------
# Every suite of tests/ but those that need Linux itself (VESK_LINUX_SUITES);
# the fault suites, which wrap the C library's allocator, are not built here.
set(_suites ${VESK_TABLE_SUITES} ${VESK_HOSTID_SUITES})

# The unit binary exports the table's names through the same definition file
# as veskid.exe, so that it can look them up in itself (test_windows.cpp).
set(_export_names_header ${CMAKE_CURRENT_BINARY_DIR}/windows/export_names.h)
list(JOIN VESK_EXPORTED_NAMES "\", \\\n    \"" _export_names)
file(CONFIGURE OUTPUT ${_export_names_header}
     CONTENT "/* Generated from hash/vesk_hash.exports. */\n#define VESK_EXPORTED_NAMES \\\n    \"${_export_names}\"\n"
     @ONLY)

add_executable(unit_tests ${_suites} ${_windows_tests}/test_windows.cpp)
target_include_directories(unit_tests PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/windows)
target_link_libraries(unit_tests PRIVATE vesk_test_support vesk_hash_objects hostid_command hostid_objects
                                         hostid_platform_windows GTest::gtest_main)
target_link_options(unit_tests PRIVATE ${VESK_DEF_FILE})
set_property(TARGET unit_tests APPEND PROPERTY LINK_DEPENDS ${VESK_DEF_FILE})
# All of them in one Wine process: a start of Wine costs about a second, more
# under 32-bit Wine, the suites themselves about as much in all.  A failure
# names its tests in the output.
add_test(NAME unit_tests_under_wine COMMAND ${_wine_run} --lf $<TARGET_FILE:unit_tests>)
set_tests_properties(unit_tests_under_wine PROPERTIES TIMEOUT 300)

# ---- veskid.exe under Wine ---------------------------------------------------
# host_probe.exe reports what the system's own calls return, for comparison.
add_executable(host_probe ${_windows_tests}/host_probe.cpp)
target_link_libraries(host_probe PRIVATE netapi32 wsock32)
add_test(NAME veskid_under_wine
         COMMAND sh ${_windows_tests}/check_veskid.sh ${_wine_run} $<TARGET_FILE:veskid>
                 $<TARGET_FILE:host_probe> ${VESK_WINEPREFIX})
set_tests_properties(veskid_under_wine PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_serial)

# vesk-hostid.exe beside it: check, match and explain of its lines.
add_test(NAME vesk_hostid_under_wine
         COMMAND sh ${_windows_tests}/check_vesk_hostid.sh ${_wine_run}
                 $<TARGET_FILE:vesk-hostid> $<TARGET_FILE:veskid>)
set_tests_properties(vesk_hostid_under_wine PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_serial)

# The 32-bit executable and the 64-bit one (VESK_64BIT_VESKID, the win64
# preset's build) print the same bytes in this one prefix.
if(VESK_64BIT_VESKID)
  add_test(NAME veskid_same_output_as_64bit
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_same_output.sh $<TARGET_FILE:veskid>
                   ${VESK_64BIT_VESKID} ${_wine_run})
  set_tests_properties(veskid_same_output_as_64bit PROPERTIES RESOURCE_LOCK wine_serial)
endif()

# ---- vesk_hostid.dll ---------------------------------------------------------
# The C example that checks a licence's identifier, linked with the DLL's
# import library and placed beside the DLLs: it lists what veskid.exe allid
# prints, in this prefix.
add_executable(check_licence ${PROJECT_SOURCE_DIR}/examples/check_licence.c)
target_link_libraries(check_licence PRIVATE vesk_hostid)
set_target_properties(check_licence PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
add_test(NAME hostid_dll_under_wine
         COMMAND sh ${_windows_tests}/check_hostid_dll.sh ${_wine_run}
                 $<TARGET_FILE:check_licence> $<TARGET_FILE:veskid>)
set_tests_properties(hostid_dll_under_wine PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_serial)
add_test(NAME hostid_dll_exports
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_exports.sh $<TARGET_FILE:vesk_hostid>
                 ${PROJECT_SOURCE_DIR}/hostid/vesk_hostid.exports ${CMAKE_OBJDUMP})
