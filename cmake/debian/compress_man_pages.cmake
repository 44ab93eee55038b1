# Run by CPack on the staged files before the .deb files are made: Debian
# wants manual pages compressed with gzip -9n (no name, no time stamp), while
# the install rules put them in place as they are rendered.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(page IN LISTS staged)
  if(page MATCHES "/share/man/man[1-9]/[^/]+$" AND NOT page MATCHES "\\.gz$" AND NOT IS_SYMLINK "${page}")
    execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
