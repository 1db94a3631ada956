# cmake --install: both libraries, the zelmor program, the headers hosts
# include (all under include/zelmor/), a CMake package (find_package(Zelmor)
# gives Zelmor::ZelmorRuntime to link and Zelmor_LIBRARY_FILE, the library
# hosts load by path with zelmor/loader.h) and a pkg-config file (its
# variable zelmor_library names the same file).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
include(cmake/ZelmorPublicHeaders.cmake)

install(TARGETS ZelmorRuntime EXPORT ZelmorTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Hosts never link Zelmor: they load it by path.
install(TARGETS Zelmor
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(WIN32)
  set(ZELMOR_LIBRARY_INSTALL_PATH ${CMAKE_INSTALL_BINDIR}/Zelmor.dll)
else()
  set(ZELMOR_LIBRARY_INSTALL_PATH ${CMAKE_INSTALL_LIBDIR}/libZelmor.so)
endif()

# The public headers: the umbrella header and what it reaches, under
# zelmor/ (the client binding's headers stay private: they include ibase.h).
zelmor_public_headers(${CMAKE_BINARY_DIR}/public-include zelmor/zelmor.h)
install(DIRECTORY ${CMAKE_BINARY_DIR}/public-include/zelmor
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The program, which finds the library and the runtime where they are
# installed.
file(RELATIVE_PATH _zelmor_bin_to_lib /p/${CMAKE_INSTALL_BINDIR} /p/${CMAKE_INSTALL_LIBDIR})
file(RELATIVE_PATH _zelmor_bin_to_library /p/${CMAKE_INSTALL_BINDIR}
  /p/${ZELMOR_LIBRARY_INSTALL_PATH})
target_compile_definitions(zelmor PRIVATE
  ZELMOR_INSTALLED_LIBRARY_FROM_PROGRAM="${_zelmor_bin_to_library}")
if(NOT WIN32)
  set_target_properties(zelmor PROPERTIES INSTALL_RPATH "$ORIGIN/${_zelmor_bin_to_lib}")
endif()
install(TARGETS zelmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WIN32)
  # Hosts and the library share these (exceptions cross between them only
  # with one runtime); the program needs them beside it.
  install(FILES ${ZELMOR_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(NOT WIN32)
  # The station layout, where systemd makes it: the group at install, the
  # folders at every boot (scripts/station-layout.sh elsewhere).
  install(FILES scripts/station/zelmor.sysusers.conf DESTINATION lib/sysusers.d RENAME zelmor.conf)
  install(FILES scripts/station/zelmor.tmpfiles.conf DESTINATION lib/tmpfiles.d RENAME zelmor.conf)
  install(PROGRAMS scripts/station-layout.sh DESTINATION ${CMAKE_INSTALL_SBINDIR}
          RENAME zelmor-station-layout)
endif()

install(EXPORT ZelmorTargets NAMESPACE Zelmor::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelmor)
configure_package_config_file(cmake/ZelmorConfig.cmake.in
  ${CMAKE_BINARY_DIR}/ZelmorConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelmor
  PATH_VARS ZELMOR_LIBRARY_INSTALL_PATH)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ZelmorConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ZelmorConfig.cmake ${CMAKE_BINARY_DIR}/ZelmorConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelmor)

configure_file(cmake/zelmor.pc.in ${CMAKE_BINARY_DIR}/zelmor.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/zelmor.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
