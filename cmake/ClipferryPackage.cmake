# The Debian packages, made by CPack from the install components
# (cmake/ClipferryInstall.cmake), split the way Debian splits a library:
#   libclipferry1     the shared library            (component lib)
#   libclipferry-dev  header, .so link, CMake and pkg-config files, man3 (dev)
#   clipferry         the command, man1 and man5    (cli)
#   python3-clipferry the Python package            (python)
# and, for the Qt each build tree was made with (N = 5 or 6):
#   libclipferry-qtN-1   the Qt library             (qt)
#   libclipferry-qtN-dev its headers and CMake package (qtdev)
#   clipferry-publisher  the application, Qt 6 only (publisher)
#   obs-plugin-clipferry the OBS Studio module, Qt 5 only, as OBS (obs)
# A tree packages what CLIPFERRY_DEB_COMPONENTS names (all it has when
# empty); the Qt 5 tree of a release packages only qt, qtdev and obs.
# Each carries its copyright file, its changelog.Debian.gz and lintian's
# override file, which gives the reason for each warning accepted.
# scripts/package.sh configures a build with CMAKE_INSTALL_PREFIX=/usr and
# runs cpack in it; the Windows SDK zip is cmake/ClipferryWindowsSdk.cmake.
set(CLIPFERRY_DEB_SOURCE clipferry)
set(CLIPFERRY_DEB_REVISION 1)
set(CLIPFERRY_DEB_VERSION ${PROJECT_VERSION}-${CLIPFERRY_DEB_REVISION})
set(CLIPFERRY_DEB_PACKAGES lib libclipferry1 dev libclipferry-dev cli clipferry python python3-clipferry)
if(CLIPFERRY_QT_MAJOR)
  list(APPEND CLIPFERRY_DEB_PACKAGES qt libclipferry-qt${CLIPFERRY_QT_MAJOR}-1 qtdev libclipferry-qt${CLIPFERRY_QT_MAJOR}-dev)
  get_cmake_property(install_components COMPONENTS)
  if(CLIPFERRY_QT_MAJOR EQUAL 6)
    list(APPEND CLIPFERRY_DEB_PACKAGES publisher clipferry-publisher)
  elseif("obs" IN_LIST install_components)
    list(APPEND CLIPFERRY_DEB_PACKAGES obs obs-plugin-clipferry)
  endif()
endif()
set(CLIPFERRY_DEB_COMPONENTS "" CACHE STRING "The install components this tree makes packages of (empty: all it has)")
set(packaged_components ${CLIPFERRY_DEB_COMPONENTS})
if(NOT packaged_components)
  set(index 0)
  list(LENGTH CLIPFERRY_DEB_PACKAGES length)
  while(index LESS length)
    list(GET CLIPFERRY_DEB_PACKAGES ${index} component)
    list(APPEND packaged_components ${component})
    math(EXPR index "${index} + 2")
  endwhile()
endif()

set(CPACK_PACKAGE_NAME clipferry)
set(CPACK_PACKAGE_VENDOR "The Clipferry maintainers")
set(CPACK_PACKAGE_CONTACT "Clipferry maintainers <maintainers@users.noreply.c-seed-8f949f0b.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${packaged_components})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian/compress_man_pages.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CLIPFERRY_DEB_REVISION})
set(CPACK_DEBIAN_PACKAGE_SOURCE ${CLIPFERRY_DEB_SOURCE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Depends from the ELF files' needs (dpkg-shlibdeps), plus what is loaded at
# run time; the command's need of libclipferry1 comes from the component
# dependency, exact to the version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries of this build are found there, and named by the component
# dependencies rather than by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src ${PROJECT_BINARY_DIR}/qt)

set(CPACK_DEBIAN_LIB_PACKAGE_NAME libclipferry1)
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
# libcurl is loaded with dlopen, so no ELF file asks for it; nothing works
# without it. libxml2 also comes from the shared library's own needs.
set(CPACK_DEBIAN_LIB_PACKAGE_DEPENDS "libcurl4")
# The shlibs file names this package for libclipferry.so.1 (at least this
# version), the symbols file each export with the version that brought it;
# dpkg's ldconfig trigger replaces CPack's ldconfig calls.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# No maintainer scripts at all: a package with a postrm stays in dpkg's
# config-files state ("rc") after `apt-get remove`, until purged. CPack writes
# its own ldconfig scripts unless the list names a postinst and a postrm; the
# two named here do not exist, so neither is added (CPack skips a missing file).
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers
  ${CMAKE_CURRENT_LIST_DIR}/debian/symbols
  ${PROJECT_BINARY_DIR}/debian/none/postinst ${PROJECT_BINARY_DIR}/debian/none/postrm)
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_LIB_DESCRIPTION "library to publish videos to the Lumivid service
Clipferry is a client library that a desktop media application loads into
its own process to publish a user's video to Lumivid, a moderated video
sharing service: it logs the user in, fetches the accepted file types, the
categories and the moderators, and uploads one media file with its details,
reporting progress and the service's verdict.
.
This package contains the shared library.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libclipferry-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DEV_DEPENDS lib)
set(CPACK_COMPONENT_DEV_DESCRIPTION "development files for the Clipferry library
Clipferry is a client library that a desktop media application loads into
its own process to publish a user's video to Lumivid, a moderated video
sharing service.
.
This package contains the C header, the link to the shared library, the
CMake package (find_package(Clipferry)), the pkg-config file and the
reference manual pages.")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME clipferry)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION video)
set(CPACK_COMPONENT_CLI_DEPENDS lib)
set(CPACK_COMPONENT_CLI_DESCRIPTION "command-line tool to publish videos to Lumivid
clipferry publishes videos to Lumivid, a moderated video sharing service,
from the terminal: it logs in, lists the service's categories, moderators
and file types, checks files before sending them and uploads them one after
another with their titles, descriptions and tags, with progress and a JSON
report for scripts.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-clipferry)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3")
set(CPACK_COMPONENT_PYTHON_DEPENDS lib)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "Python package to publish videos to Lumivid
Clipferry is a client library that a desktop media application loads into
its own process to publish a user's video to Lumivid, a moderated video
sharing service.
.
This package contains the Python 3 module clipferry: an Uploader with the
login, the lists an upload form needs and uploads with progress, over the
shared library through ctypes.")

if(CLIPFERRY_QT_MAJOR)
  set(CPACK_DEBIAN_QT_PACKAGE_NAME libclipferry-qt${CLIPFERRY_QT_MAJOR}-1)
  set(CPACK_DEBIAN_QT_PACKAGE_SECTION libs)
  # Named rather than a component dependency, which would make the Qt 5
  # tree package the C library again.
  set(CPACK_DEBIAN_QT_PACKAGE_DEPENDS "libclipferry1 (= ${CLIPFERRY_DEB_VERSION})")
  # As the C library's: the ldconfig trigger and no maintainer scripts.
  set(CPACK_DEBIAN_QT_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers
    ${PROJECT_BINARY_DIR}/debian/none/postinst ${PROJECT_BINARY_DIR}/debian/none/postrm)
  set(CPACK_DEBIAN_QT_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_COMPONENT_QT_DESCRIPTION "Qt ${CLIPFERRY_QT_MAJOR} library to publish videos to Lumivid
Clipferry is a client library that a desktop media application loads into
its own process to publish a user's video to Lumivid, a moderated video
sharing service.
.
This package contains clipferry-qt built with Qt ${CLIPFERRY_QT_MAJOR}: an Uploader that runs the
library's calls off the GUI thread and a publishing dialog (log in, the form
filled from the service's lists, progress with Cancel, the verdict).")

  set(CPACK_DEBIAN_QTDEV_PACKAGE_NAME libclipferry-qt${CLIPFERRY_QT_MAJOR}-dev)
  set(CPACK_DEBIAN_QTDEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_QTDEV_PACKAGE_SHLIBDEPS OFF)
  # Its CMake package finds Qt's Widgets, which its headers use.
  if(CLIPFERRY_QT_MAJOR EQUAL 6)
    set(CPACK_DEBIAN_QTDEV_PACKAGE_DEPENDS "qt6-base-dev")
  else()
    set(CPACK_DEBIAN_QTDEV_PACKAGE_DEPENDS "qtbase5-dev")
  endif()
  set(CPACK_COMPONENT_QTDEV_DEPENDS qt)
  set(CPACK_COMPONENT_QTDEV_DESCRIPTION "development files for the Clipferry Qt ${CLIPFERRY_QT_MAJOR} library
Clipferry is a client library that a desktop media application loads into
its own process to publish a user's video to Lumivid, a moderated video
sharing service.
.
This package contains the headers of clipferry-qt for Qt ${CLIPFERRY_QT_MAJOR}, the link to the
shared library and its CMake package (find_package(ClipferryQt${CLIPFERRY_QT_MAJOR})).")

  set(CPACK_DEBIAN_PUBLISHER_PACKAGE_NAME clipferry-publisher)
  set(CPACK_DEBIAN_PUBLISHER_PACKAGE_SECTION video)
  set(CPACK_COMPONENT_PUBLISHER_DEPENDS qt)
  set(CPACK_COMPONENT_PUBLISHER_DESCRIPTION "desktop application to publish videos to Lumivid
Clipferry Publisher opens the publishing form for each video it is given,
dropped on its window or opened with it from a file manager, one after the
other: log in to Lumivid, a moderated video sharing service, give the video
a title, description, tags and categories, and send it with progress and
Cancel.")

  set(CPACK_DEBIAN_OBS_PACKAGE_NAME obs-plugin-clipferry)
  set(CPACK_DEBIAN_OBS_PACKAGE_SECTION video)
  # OBS loads the module; dpkg-shlibdeps adds libobs and Qt from its needs.
  set(CPACK_DEBIAN_OBS_PACKAGE_DEPENDS "obs-studio")
  set(CPACK_COMPONENT_OBS_DEPENDS qt)
  set(CPACK_COMPONENT_OBS_DESCRIPTION "OBS Studio plugin to publish recordings to Lumivid
Publishes recordings to Lumivid, a moderated video sharing service, without
leaving OBS Studio: Tools > Publish to Lumivid opens the publishing dialog
on the last recording, and after a recording stops the plugin can offer to
publish it or publish it with saved details, with its progress in a dock.")
endif()

# The per-package files Debian wants under /usr/share/doc and lintian's
# overrides, installed into each component.
set(CLIPFERRY_DEB_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
set(CLIPFERRY_DEB_BUILD ${PROJECT_BINARY_DIR}/debian)
configure_file(${CLIPFERRY_DEB_DIR}/changelog.in ${CLIPFERRY_DEB_BUILD}/changelog @ONLY)
# gzip -n: no name or time stamp in the header, so the file is the same on every build.
execute_process(COMMAND gzip -9nc ${CLIPFERRY_DEB_BUILD}/changelog
  OUTPUT_FILE ${CLIPFERRY_DEB_BUILD}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
while(CLIPFERRY_DEB_PACKAGES)
  list(POP_FRONT CLIPFERRY_DEB_PACKAGES component package)
  install(FILES ${CLIPFERRY_DEB_DIR}/copyright ${CLIPFERRY_DEB_BUILD}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  # The overrides every package shares (cmake/debian/lintian-overrides) and
  # its own (cmake/debian/PACKAGE.lintian-overrides), a reason above each.
  set(overrides ${CLIPFERRY_DEB_BUILD}/${package}.lintian-overrides)
  configure_file(${CLIPFERRY_DEB_DIR}/lintian-overrides ${overrides} COPYONLY)
  if(EXISTS ${CLIPFERRY_DEB_DIR}/${package}.lintian-overrides)
    file(READ ${CLIPFERRY_DEB_DIR}/${package}.lintian-overrides text)
    file(APPEND ${overrides} "${text}")
  endif()
  if(package STREQUAL "clipferry" AND NOT TARGET clipferry_docs)
    file(APPEND ${overrides} "# This build has no documentation target, so no clipferry(1).\n"
      "no-manual-page [usr/bin/clipferry]\n")
  endif()
  install(FILES ${overrides} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endwhile()

# What the Qt packages install, for a tree that builds only those (the Qt 5
# tree of a release, where `all` is not built first).
add_custom_target(clipferry_deb_parts)
foreach(part clipferry clipferry_qt clipferry_publisher clipferry_obs)
  if(TARGET ${part})
    add_dependencies(clipferry_deb_parts ${part})
  endif()
endforeach()

include(CPack)
