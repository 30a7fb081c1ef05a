# Writes a pkg-config file (VESK_PC_NAME) into the install tree; run at install
# time with VESK_PC_TEMPLATE, VESK_PC_WORK, VESK_PC_NAME, VESK_PC_LIBDIR,
# VESK_PC_INCLUDEDIR and VESK_PC_VERSION set.
set(prefix "${CMAKE_INSTALL_PREFIX}")
foreach(_kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${VESK_PC_${_kind}}")
    set(VESK_PC_FULL_${_kind} "${VESK_PC_${_kind}}")
  else()
    set(VESK_PC_FULL_${_kind} "\${prefix}/${VESK_PC_${_kind}}")
  endif()
endforeach()
configure_file("${VESK_PC_TEMPLATE}" "${VESK_PC_WORK}" @ONLY)
if(IS_ABSOLUTE "${VESK_PC_LIBDIR}")
  set(_pc_dir "${VESK_PC_LIBDIR}/pkgconfig")
else()
  set(_pc_dir "${prefix}/${VESK_PC_LIBDIR}/pkgconfig")
endif()
file(INSTALL "${VESK_PC_WORK}" DESTINATION "${_pc_dir}"
     RENAME "${VESK_PC_NAME}")
