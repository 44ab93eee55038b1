# What `cmake --install` puts in place for host developers: the library, its
# header, a CMake package (find_package(Clipferry) -> Clipferry::clipferry)
# and a pkg-config file. Each file belongs to one component, which is one
# Debian package (cmake/ClipferryPackage.cmake): `lib` the shared library,
# `dev` what a host builds with, `cli` the command.
include(CMakePackageConfigHelpers)

set_target_properties(clipferry PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  EXPORT_NAME clipferry)

set(CLIPFERRY_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Clipferry)

# A shared library is not a program: read-only, not executable.
install(TARGETS clipferry EXPORT ClipferryTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/clipferry.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(EXPORT ClipferryTargets NAMESPACE Clipferry:: DESTINATION ${CLIPFERRY_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ClipferryConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfig.cmake
  INSTALL_DESTINATION ${CLIPFERRY_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfigVersion.cmake
  DESTINATION ${CLIPFERRY_CMAKE_DIR} COMPONENT dev)

# The .pc file names the prefix it is installed under, as Debian's do
# (prefix=/usr, the rest from ${prefix}): it is written when installing, so
# `cmake --install --prefix PREFIX` and the packages' /usr each get their own.
install(CODE "set(CLIPFERRY_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/clipferry.pc.in\" \"${CMAKE_CURRENT_BINARY_DIR}/clipferry.pc\" @ONLY)"
  COMPONENT dev)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/clipferry.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
