# Assembles the Windows SDK zip, clipferry-VERSION-windows.zip, from the two
# mingw-w64 builds; run by scripts/package.sh as
#   cmake -DSOURCE_DIR=... -DVERSION=1.0.0 -DWIN32_BUILD=build-win32 -DWIN64_BUILD=build-win64
#         -DCURL32=... -DCURL64=... -DOUT_DIR=... [-DHTML_DIR=...] -P cmake/ClipferryWindowsSdk.cmake
# CURL32 and CURL64 are scripts/build_libcurl_dll.sh's cache folders (libcurl.dll,
# COPYING, curl-version.txt). HTML_DIR, when it names a folder, becomes html/.
foreach(variable SOURCE_DIR VERSION WIN32_BUILD WIN64_BUILD CURL32 CURL64 OUT_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "ClipferryWindowsSdk.cmake needs -D${variable}=...")
  endif()
endforeach()
find_program(DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool REQUIRED)

set(name clipferry-${VERSION}-windows)
set(stage ${OUT_DIR}/${name}.stage)
set(root ${stage}/${name})
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${root}/include ${root}/example ${root}/licenses)

file(COPY ${SOURCE_DIR}/include/clipferry.h DESTINATION ${root}/include)
# The README's host example, exactly as the README shows it.
execute_process(COMMAND ${SOURCE_DIR}/scripts/host_example.sh ${SOURCE_DIR}/README.md
  OUTPUT_FILE ${root}/example/host.c COMMAND_ERROR_IS_FATAL ANY)

# folder, build, curl cache, llvm-dlltool machine
foreach(arch "x86;${WIN32_BUILD};${CURL32};i386" "x64;${WIN64_BUILD};${CURL64};i386:x86-64")
  list(GET arch 0 folder)
  list(GET arch 1 build)
  list(GET arch 2 curl)
  list(GET arch 3 machine)
  file(MAKE_DIRECTORY ${root}/${folder})
  file(COPY ${build}/src/libclipferry.dll.a ${SOURCE_DIR}/src/clipferry.def ${curl}/libcurl.dll
    DESTINATION ${root}/${folder})
  # The DLL without its debug information (a tenth of its size); the version
  # resource and the exports stay.
  string(REGEX REPLACE "^x86$" "i686" toolchain ${folder})
  string(REGEX REPLACE "^x64$" "x86_64" toolchain ${toolchain})
  execute_process(COMMAND ${toolchain}-w64-mingw32-strip --strip-debug -o ${root}/${folder}/clipferry.dll
    ${build}/clipferry.dll COMMAND_ERROR_IS_FATAL ANY)
  # Microsoft's linker wants its own import library: made from the .def, so
  # it names exactly the DLL's exports.
  execute_process(COMMAND ${DLLTOOL} -m ${machine} -d ${SOURCE_DIR}/src/clipferry.def
    -D clipferry.dll -l ${root}/${folder}/clipferry.lib COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# Both libcurl.dll come from the same Debian source version.
file(READ ${CURL64}/curl-version.txt CLIPFERRY_CURL_VERSION)
string(STRIP "${CLIPFERRY_CURL_VERSION}" CLIPFERRY_CURL_VERSION)
set(CLIPFERRY_VERSION ${VERSION})
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/README-Windows.txt.in ${root}/README-Windows.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${SOURCE_DIR}/LICENSE ${root}/licenses/clipferry-LICENSE.txt COPYONLY)
configure_file(${CURL64}/COPYING ${root}/licenses/curl-COPYING.txt COPYONLY)
file(WRITE ${root}/licenses/curl-VERSION.txt "libcurl.dll: curl ${CLIPFERRY_CURL_VERSION}\n")
file(WRITE ${root}/licenses/gcc-runtime.txt
  "clipferry.dll links in the GCC C++ runtime (libstdc++, libgcc) statically, under the\n"
  "GCC Runtime Library Exception, which sets no conditions on the program it is part of.\n")

# The Python package, the same for both architectures: a host's Python finds
# the DLL of its own architecture copied into python/clipferry/ beside it.
file(COPY ${SOURCE_DIR}/bindings/python/clipferry DESTINATION ${root}/python
  FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)

if(HTML_DIR AND IS_DIRECTORY ${HTML_DIR})
  file(COPY ${HTML_DIR}/ DESTINATION ${root}/html)
endif()

file(REMOVE ${OUT_DIR}/${name}.zip)
execute_process(COMMAND ${CMAKE_COMMAND} -E chdir ${stage}
  ${CMAKE_COMMAND} -E tar cf ${OUT_DIR}/${name}.zip --format=zip ${name} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${stage})
message(STATUS "Windows SDK: ${OUT_DIR}/${name}.zip")
