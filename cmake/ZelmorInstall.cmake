# cmake --install: both libraries, the headers hosts include, a CMake package
# (find_package(Zelmor) gives Zelmor::ZelmorRuntime to link and
# Zelmor_LIBRARY_FILE, the library hosts load by path) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

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

# The public headers: the umbrella header and what it reaches. The client
# binding's headers stay private (they include ibase.h).
install(FILES include/zelmor/zelmor.h include/zelmor/exports.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zelmor)
install(FILES
  components/component.h components/ib_database.h components/ib_dataset.h
  components/ib_field.h components/ib_param.h components/ib_transaction.h
  components/string_list.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/components)
install(FILES rtl/datetime.h rtl/exceptions.h rtl/format_settings.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/rtl)

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
