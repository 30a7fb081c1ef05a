# Install rules, the pkg-config files and the CMake packages.  GNUInstallDirs
# picks the directories: lib under /usr/local, lib/<multiarch triplet> when
# the prefix is /usr on Debian, and whatever CMAKE_INSTALL_LIBDIR says when it
# is given (debhelper passes lib/<triplet>).  The Debian packages are built
# from debian/ (dpkg-buildpackage), not here.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS veskid vesk-hostid RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT utility)
install(FILES docs/veskid.1 docs/vesk-hostid.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT utility)

# Installs one library of the project: the shared library (component
# <RUNTIME>, its .so link with <DEVELOPMENT>), and in <DEVELOPMENT> the static
# library, the header, the CMake package <PACKAGE> (<PACKAGE>::<SHARED> and
# <PACKAGE>::<STATIC>, from cmake/<PACKAGE>Config.cmake.in) and the pkg-config
# file <SHARED>.pc (from cmake/<SHARED>.pc.in).  The .pc file is written at
# install time, so that its paths follow the prefix given to
# `cmake --install --prefix` as well as the configured one.
function(vesk_install_library)
  cmake_parse_arguments(arg "" "SHARED;STATIC;HEADER;PACKAGE;RUNTIME;DEVELOPMENT" "" ${ARGN})
  install(TARGETS ${arg_SHARED} EXPORT ${arg_PACKAGE}Targets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${arg_RUNTIME}
                  NAMELINK_COMPONENT ${arg_DEVELOPMENT})
  install(TARGETS ${arg_STATIC} EXPORT ${arg_PACKAGE}Targets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${arg_DEVELOPMENT})
  install(FILES ${arg_HEADER} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
          COMPONENT ${arg_DEVELOPMENT})
  foreach(_lib ${arg_SHARED} ${arg_STATIC})
    target_include_directories(${_lib} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  endforeach()

  set(_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${arg_PACKAGE})
  install(EXPORT ${arg_PACKAGE}Targets NAMESPACE ${arg_PACKAGE}:: DESTINATION ${_dir}
          COMPONENT ${arg_DEVELOPMENT})
  configure_package_config_file(cmake/${arg_PACKAGE}Config.cmake.in
                                ${CMAKE_CURRENT_BINARY_DIR}/${arg_PACKAGE}Config.cmake
                                INSTALL_DESTINATION ${_dir})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${arg_PACKAGE}ConfigVersion.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${arg_PACKAGE}Config.cmake
                ${CMAKE_CURRENT_BINARY_DIR}/${arg_PACKAGE}ConfigVersion.cmake
          DESTINATION ${_dir} COMPONENT ${arg_DEVELOPMENT})

  install(CODE "
    set(VESK_PC_TEMPLATE \"${CMAKE_CURRENT_SOURCE_DIR}/cmake/${arg_SHARED}.pc.in\")
    set(VESK_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(VESK_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(VESK_PC_VERSION \"${PROJECT_VERSION}\")
    set(VESK_PC_WORK \"${CMAKE_CURRENT_BINARY_DIR}/${arg_SHARED}.pc.install\")
    set(VESK_PC_NAME ${arg_SHARED}.pc)
    include(\"${CMAKE_CURRENT_SOURCE_DIR}/cmake/write_pc.cmake\")
  " COMPONENT ${arg_DEVELOPMENT})
endfunction()

# Installs a library's manual page docs/<PAGE>.3 and, for each name of its
# export list, a page <name>.3 that only sources it (.so), so that `man NAME`
# finds the page of every exported function and variable.  dh_installman turns
# such pages into symbolic links in the Debian packages.
function(vesk_install_manual PAGE EXPORTS COMPONENT)
  vesk_exported_names(${EXPORTS} _names)
  set(_pages docs/${PAGE}.3)
  foreach(_name ${_names})
    set(_link ${CMAKE_CURRENT_BINARY_DIR}/man3/${_name}.3)
    file(CONFIGURE OUTPUT ${_link} CONTENT ".so man3/${PAGE}.3\n")
    list(APPEND _pages ${_link})
  endforeach()
  install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT ${COMPONENT})
endfunction()

# The table.
vesk_install_library(SHARED vesk_hash STATIC vesk_hash_static HEADER hash/vesk_hash.h
                     PACKAGE VeskHash RUNTIME runtime DEVELOPMENT development)
vesk_install_manual(vesk_hash hash/vesk_hash.exports development)

# The host identifiers for applications.
vesk_install_library(SHARED vesk_hostid STATIC vesk_hostid_static HEADER hostid/vesk_hostid.h
                     PACKAGE VeskHostId RUNTIME hostid_runtime DEVELOPMENT hostid_development)
vesk_install_manual(vesk_hostid hostid/vesk_hostid.exports hostid_development)
