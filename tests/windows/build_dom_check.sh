#!/bin/sh
# Builds dom_check-ARCH.exe for one Windows architecture with mingw-w64:
#   build_dom_check.sh i686|x86_64 OUTPUT_DIRECTORY
# The DOM, files, text, settings and loader code with the response document
# classes above them, linked statically so the program needs only system DLLs;
# beside it the module entry alone as a DLL, which the program loads.
set -eu
arch=${1:?architecture: i686 or x86_64}
out=${2:?output directory}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
"$arch-w64-mingw32-g++" -std=c++17 -O1 -g0 -Wall -Wextra \
    -I"$root/include" -I"$root/src" -I"$root/tests/support" \
    "$root/tests/windows/dom_check.cpp" \
    "$root"/src/platform/win32/msxml_*.cpp \
    "$root/src/platform/win32/files.cpp" "$root/src/platform/win32/text.cpp" \
    "$root/src/platform/win32/settings.cpp" "$root/src/platform/win32/dynamic_library.cpp" \
    "$root/src/xml/element_search.cpp" "$root/src/xml/fake_root_builder.cpp" \
    "$root/src/xml/response_document.cpp" "$root/src/xml/xml_document.cpp" \
    "$root/src/xml/xml_file_document.cpp" "$root/src/xml/xml_source_document.cpp" \
    -static -static-libgcc -static-libstdc++ -lole32 -loleaut32 -lshlwapi \
    -o "$out/dom_check-$arch.exe"
"$arch-w64-mingw32-g++" -std=c++17 -O1 -g0 -Wall -Wextra -shared \
    "$root/src/platform/win32/module_entry.cpp" -static-libgcc -static-libstdc++ -lole32 \
    -o "$out/dom_check_module_entry-$arch.dll"
