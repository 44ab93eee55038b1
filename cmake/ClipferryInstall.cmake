# What `cmake --install` puts in place for host developers: the library, its
# header, a CMake package (find_package(Clipferry) -> Clipferry::clipferry)
# and a pkg-config file.
include(CMakePackageConfigHelpers)

set_target_properties(clipferry PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  EXPORT_NAME clipferry)

set(CLIPFERRY_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Clipferry)

install(TARGETS clipferry EXPORT ClipferryTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/clipferry.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ClipferryTargets NAMESPACE Clipferry:: DESTINATION ${CLIPFERRY_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ClipferryConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfig.cmake
  INSTALL_DESTINATION ${CLIPFERRY_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/ClipferryConfigVersion.cmake
  DESTINATION ${CLIPFERRY_CMAKE_DIR})

# The .pc file finds the prefix from its own place (${pcfiledir}), so it stays
# right whatever prefix is chosen at install time.
file(RELATIVE_PATH CLIPFERRY_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${CMAKE_CURRENT_LIST_DIR}/clipferry.pc.in ${CMAKE_CURRENT_BINARY_DIR}/clipferry.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/clipferry.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
