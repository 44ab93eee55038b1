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

# The .pc file finds the prefix from its own place (${pcfiledir}), so it stays
# right whatever prefix is chosen at install time.
file(RELATIVE_PATH CLIPFERRY_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${CMAKE_CURRENT_LIST_DIR}/clipferry.pc.in ${CMAKE_CURRENT_BINARY_DIR}/clipferry.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/clipferry.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
