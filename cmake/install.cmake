# Install rules, the pkg-config file and the CMake package.  GNUInstallDirs
# picks the directories: lib under /usr/local, lib/<multiarch triplet> when
# the prefix is /usr on Debian, and whatever CMAKE_INSTALL_LIBDIR says when it
# is given (debhelper passes lib/<triplet>).  The Debian packages are built
# from debian/ (dpkg-buildpackage), not here.
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
  set(VESK_PC_NAME vesk_hash.pc)
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_pc.cmake\")
" COMPONENT development)

# ---- libvesk_hostid ------------------------------------------------------------
# The same shape: shared library (runtime), header, static library, manual
# page, pkg-config file and the CMake package VeskHostId with
# VeskHostId::vesk_hostid and VeskHostId::vesk_hostid_static (development).
install(TARGETS vesk_hostid EXPORT VeskHostIdTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT hostid_runtime
                NAMELINK_COMPONENT hostid_development)
install(TARGETS vesk_hostid_static EXPORT VeskHostIdTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT hostid_development)
install(FILES hostid/vesk_hostid.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT hostid_development)
install(FILES docs/vesk_hostid.3 DESTINATION ${CMAKE_INSTALL_MANDIR}/man3
        COMPONENT hostid_development)
foreach(_lib vesk_hostid vesk_hostid_static)
  target_include_directories(${_lib} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()
set(VESK_HOSTID_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VeskHostId)
install(EXPORT VeskHostIdTargets NAMESPACE VeskHostId:: DESTINATION ${VESK_HOSTID_CMAKE_DIR}
        COMPONENT hostid_development)
configure_package_config_file(cmake/VeskHostIdConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/VeskHostIdConfig.cmake
                              INSTALL_DESTINATION ${VESK_HOSTID_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VeskHostIdConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VeskHostIdConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VeskHostIdConfigVersion.cmake
        DESTINATION ${VESK_HOSTID_CMAKE_DIR} COMPONENT hostid_development)
install(CODE "
  set(VESK_PC_TEMPLATE \"${CMAKE_CURRENT_SOURCE_DIR}/cmake/vesk_hostid.pc.in\")
  set(VESK_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(VESK_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(VESK_PC_VERSION \"${PROJECT_VERSION}\")
  set(VESK_PC_WORK \"${CMAKE_CURRENT_BINARY_DIR}/vesk_hostid.pc.install\")
  set(VESK_PC_NAME vesk_hostid.pc)
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_pc.cmake\")
" COMPONENT hostid_development)
