# Install rules, the pkg-config file, the CMake package and the Debian packages.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS veskid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT utility)
install(FILES docs/veskid.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT utility)

install(TARGETS vesk_hash EXPORT VeskHashTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                NAMELINK_COMPONENT development)
install(TARGETS vesk_hash_static EXPORT VeskHashTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES hash/vesk_hash.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
foreach(_lib vesk_hash vesk_hash_static)
  target_include_directories(${_lib} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()

# CMake package VeskHash: VeskHash::vesk_hash (shared) and VeskHash::vesk_hash_static.
set(VESK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VeskHash)
install(EXPORT VeskHashTargets NAMESPACE VeskHash:: DESTINATION ${VESK_CMAKE_DIR}
        COMPONENT development)
configure_package_config_file(cmake/VeskHashConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/VeskHashConfig.cmake
                              INSTALL_DESTINATION ${VESK_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VeskHashConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VeskHashConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VeskHashConfigVersion.cmake
        DESTINATION ${VESK_CMAKE_DIR} COMPONENT development)

# The pkg-config file is written at install time, so that its paths follow the
# prefix given to `cmake --install --prefix` as well as the configured one.
install(CODE "
  set(VESK_PC_TEMPLATE \"${CMAKE_CURRENT_SOURCE_DIR}/cmake/vesk_hash.pc.in\")
  set(VESK_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(VESK_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(VESK_PC_VERSION \"${PROJECT_VERSION}\")
  set(VESK_PC_WORK \"${CMAKE_CURRENT_BINARY_DIR}/vesk_hash.pc.install\")
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_pc.cmake\")
" COMPONENT development)

# Debian packages: the utility, the runtime library and the development files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veskid)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vesk HostID")
set(CPACK_PACKAGE_CONTACT "Vesk HostID developers <dev@vesk-hostid.invalid>")
# Staged through DESTDIR with the prefix /usr, so that the pkg-config and CMake
# files name the paths the packages install to.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL utility runtime development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_UTILITY_PACKAGE_NAME veskid)
set(CPACK_DEBIAN_UTILITY_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_UTILITY_DESCRIPTION
    "prints identifiers of the machine it runs on\n veskid prints node-locking identifiers of this host: the MD5 of the root\n volume's serial number, of each hardware network adapter's address and of\n each IPv4 address of the host's own name, each as a 23-character text with\n check characters.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvesk-hash1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "ordered hash table library\n A chained hash table with string and integer keys that keeps its elements\n in insertion order, with a C interface.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvesk-hash-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libvesk-hash1 (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "ordered hash table library - development files\n The header, the static library, the shared library link, and the\n pkg-config and CMake package files of the ordered hash table.")
include(CPack)
